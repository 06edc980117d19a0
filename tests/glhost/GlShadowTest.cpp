// The sun's shadow is where geometry says: a box on flat ground at three sun elevations. Ground
// pixels that a CPU ray toward the sun finds blocked by the box are darker than the lit ground by
// the factor the shading predicts (ambient over ambient plus direct light); the others are lit;
// and the fitted shadow map holds every corner of the box (the module fitted it whole: it stands
// inside the view).
#include <cmath>

#include "GlSceneFixture.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/shadows/PSMShadow.h"

namespace glhost::test {
namespace {

const Math::Vector3f kBoxMin(-2.0f, 0.0f, -2.0f), kBoxMax(2.0f, 6.0f, 2.0f);

// Does the ray from p along d meet the box?
bool hitsBox(const Math::Vector3f& p, const Math::Vector3f& d) {
    float t0 = 0.0f, t1 = 1e9f;
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(d[a]) < 1e-9f) {
            if (p[a] < kBoxMin[a] || p[a] > kBoxMax[a]) return false;
            continue;
        }
        float u = (kBoxMin[a] - p[a]) / d[a], v = (kBoxMax[a] - p[a]) / d[a];
        if (u > v) std::swap(u, v);
        t0 = std::max(t0, u);
        t1 = std::min(t1, v);
    }
    return t0 <= t1;
}

Math::Vector3f sunAt(int hour) {
    g_AstroManager->setDateTime(2024, 6, 21, hour, 30, 0.0f);
    g_AstroManager->setPos(0.0, 0.0, 0.0);
    return g_AstroManager->getSunPos();
}

class GlShadow : public GlSceneTest {};

TEST_F(GlShadow, BoxShadowFallsWhereTheRayTestSays) {
    SceneContent scene;
    scene.ground.push_back(flatGround(200.0f, 0.5f));
    // The drawing frame's origin below the eye, so that base and position both matter.
    SceneRenderer& renderer = startRenderer(scene, 240, 160, 0.0);
    scene.objects.push_back({boxModel(kBoxMin, kBoxMax, 0.5f), Math::Vector3d(0.0, 0.0, 0.0)});
    auto* shadow = effector::effectorInstance<effector::PSMShadow>(effector::EFFECTOR_PSMSHADOW);

    for (int hour : {8, 10, 13}) {  // the sun about 39, 58 and 61 degrees high
        SCOPED_TRACE(hour);
        const Math::Vector3f sun = sunAt(hour);
        // Look down at the box from across the light, its shadow beside it on the screen.
        const float h = std::sqrt(sun.x * sun.x + sun.z * sun.z);
        SceneFrame frame;
        frame.time = ModuleTime{2024, 6, 21, hour, 30, 0.0f};
        frame.eye = Math::Vector3d(-14.0 * sun.z / h - 3.0 * sun.x / h, 18.0, 14.0 * sun.x / h - 3.0 * sun.z / h);
        frame.target = Math::Vector3d(-3.0 * sun.x / h, 0.0, -3.0 * sun.z / h);
        renderer.renderFrame(frame);
        readBack();
        ASSERT_TRUE(shadow->isActive());

        const Math::Vector4f a4 = g_AstroManager->getAmbientColor(), l4 = g_AstroManager->getLightColor();
        const Math::Vector3f ambient = Math::Vector3f(a4.x, a4.y, a4.z) + SceneRenderer::nightGlow();
        const Math::Vector3f light(l4.x, l4.y, l4.z);
        const float cosine = sun.y / std::sqrt(sun.x * sun.x + sun.y * sun.y + sun.z * sun.z);
        const float litLum = 0.5f * luminance(ambient + light * cosine), shadowLum = 0.5f * luminance(ambient);
        const Math::Vector3f eye(float(frame.eye.x), float(frame.eye.y), float(frame.eye.z));
        int lit = 0, shaded = 0;
        for (int y = 1; y < m_height; y += 3)
            for (int x = 1; x < m_width; x += 3) {
                const Math::Vector3f d = pixelDirection(x, y);
                if (d.y >= -0.05f || hitsBox(eye, d)) continue;
                const Math::Vector3f p = eye + d * (-eye.y / d.y);
                // Classified the same half a metre around: away from the shadow's edge.
                const bool blocked = hitsBox(p, sun);
                bool clear = true;
                for (const Math::Vector3f o : {Math::Vector3f(0.5f, 0, 0), Math::Vector3f(-0.5f, 0, 0),
                                               Math::Vector3f(0, 0, 0.5f), Math::Vector3f(0, 0, -0.5f)})
                    clear = clear && hitsBox(p + o, sun) == blocked;
                if (!clear) continue;
                const Math::Vector4f t = hdrTexel(x, y);
                EXPECT_NEAR(luminance(Math::Vector3f(t.x, t.y, t.z)), blocked ? shadowLum : litLum, 0.03f * litLum)
                    << (blocked ? "shadowed" : "lit") << " pixel " << x << ", " << y;
                ++(blocked ? shaded : lit);
            }
        EXPECT_GE(shaded, 20);
        EXPECT_GE(lit, 100);

        // Every corner of the box maps into the fitted map (x, y in -1..1, depth 0..1); the map
        // is in the drawing frame.
        auto* casters = effector::effectorMan->getEffectorDataList(effector::EFFECTOR_SHADOWCASTER, 1, nullptr, 0);
        ASSERT_EQ(casters->count(), 1);
        EXPECT_TRUE(static_cast<effector::SHADOWCASTERDESC*>((*casters)[0])->bInShadow);
        const Math::Matrix4f& m = *shadow->getLightSpace();
        const Math::Vector3d& base = renderer.base();
        for (int k = 0; k < 8; ++k) {
            const float p[4] = {(k & 1 ? kBoxMax.x : kBoxMin.x) - float(base.x),
                                (k & 2 ? kBoxMax.y : kBoxMin.y) - float(base.y),
                                (k & 4 ? kBoxMax.z : kBoxMin.z) - float(base.z), 1.0f};
            float q[4] = {0, 0, 0, 0};
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r) q[c] += p[r] * m.m[r][c];
            EXPECT_GT(q[3], 0.0f);
            for (int c = 0; c < 2; ++c) EXPECT_LE(std::fabs(q[c] / q[3]), 1.0f + 1e-4f) << "corner " << k;
            EXPECT_GE(q[2] / q[3], -1e-4f);
            EXPECT_LE(q[2] / q[3], 1.0f + 1e-4f);
        }
    }
}

}  // namespace
}  // namespace glhost::test
