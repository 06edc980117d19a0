// The scene's module passes on the GPU: the town at night with 256 lights shaded from the tile
// lists equals the same frame shaded from every light; a spot light's atlas shadow falls where a
// CPU ray test says; a marker above the water shows at its mirrored pixel in the reflection; the
// velocity field holds each pixel's move when the camera moves.
#include <algorithm>
#include <cmath>

#include "GlSceneFixture.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/lighting/LightSource.h"
#include "glhost/GlCameraView.h"
#include "glhost/scene/DemoLights.h"
#include "glhost/scene/DemoTown.h"

namespace glhost::test {
namespace {

class GlSceneEffects : public GlSceneTest {
protected:
    GlSceneEffects() { m_effects = true; }
};

// Normalised device coordinates of a drawing-frame point through a view-projection.
Math::Vector2f ndc(const Math::Vector3f& p, const Math::Matrix4f& viewProj) {
    const Math::Vector4f c = Math::transformPoint(p, viewProj);
    return Math::Vector2f(c.x / c.w, c.y / c.w);
}

Math::Vector3f toFloat(const Math::Vector3d& v) { return Math::Vector3f(float(v.x), float(v.y), float(v.z)); }

TEST_F(GlSceneEffects, TiledLightsEqualEveryLight) {
    SceneContent town;
    SceneRenderer& renderer = startRenderer(town, 256, 144);
    town = DemoTown::build(renderer);
    SceneFrame frame;
    frame.time = ModuleTime{2024, 6, 21, 23, 30, 0.0f};
    frame.eye = Math::Vector3d(-60.0, 45.0, -75.0);
    g_AstroManager->setDateTime(2024, 6, 21, 23, 30, 0.0f);
    DemoLights::update(0.0, g_AstroManager->getSunPos().y, renderer.effects().lights());
    ASSERT_EQ(int(renderer.effects().lights().size()), DemoLights::kCount);

    host().services().os().setTicks(1000);  // the moon's light blends over the tick counter
    std::vector<unsigned char> frames[3];
    int rendered = 0;
    for (int mode = 0; mode < 3; ++mode) {  // tiled, every light, no lights
        renderer.effects().settings().tiledLights = mode != 1;
        if (mode == 2) renderer.effects().lights().clear();
        renderer.renderFrame(frame);
        readBack();
        frames[mode] = m_frame;
        if (mode == 0) rendered = renderer.effects().lastFrame().lights;
    }
    int different = 0, lit = 0;
    for (size_t i = 0; i < frames[0].size(); i += 4) {
        bool off = false, dark = false;
        for (int c = 0; c < 3; ++c) {
            off = off || std::abs(int(frames[0][i + c]) - int(frames[1][i + c])) > 1;
            dark = dark || std::abs(int(frames[0][i + c]) - int(frames[2][i + c])) > 8;
        }
        different += off;
        lit += dark;
    }
    host().services().os().useRealClock();
    const int pixels = m_width * m_height;
    EXPECT_LE(different, pixels / 1000) << "pixels more than 1 of 255 apart";
    EXPECT_GE(lit, pixels / 10) << "pixels the lights brighten";
    EXPECT_GE(rendered, 128) << "lights in the frame";
}

// Does the segment from p to q pass through the box?
bool segmentHitsBox(const Math::Vector3f& p, const Math::Vector3f& q, const Math::Vector3f& lo, const Math::Vector3f& hi) {
    float t0 = 0.0f, t1 = 1.0f;
    for (int a = 0; a < 3; ++a) {
        const float d = q[a] - p[a];
        if (std::fabs(d) < 1e-9f) {
            if (p[a] < lo[a] || p[a] > hi[a]) return false;
            continue;
        }
        float u = (lo[a] - p[a]) / d, v = (hi[a] - p[a]) / d;
        if (u > v) std::swap(u, v);
        t0 = std::max(t0, u);
        t1 = std::min(t1, v);
    }
    return t0 <= t1;
}

TEST_F(GlSceneEffects, SpotLightShadowFallsWhereTheRayTestSays) {
    const Math::Vector3f wallLo(-12, 0, 10), wallHi(12, 10, 11), boxLo(-1.5f, 3.3f, 4), boxHi(0.5f, 5, 6);
    const Math::Vector3f light(0.0f, 3.0f, -2.0f);
    SceneContent scene;
    scene.ground.push_back(flatGround(100.0f, 0.5f));
    SceneRenderer& renderer = startRenderer(scene, 192, 128);
    scene.objects.push_back({boxModel(wallLo, wallHi, 0.6f), Math::Vector3d(0, 0, 0)});
    scene.objects.push_back({boxModel(boxLo, boxHi, 0.6f), Math::Vector3d(0, 0, 0)});
    renderer.effects().settings().probeEvery = 1000;
    host().services().os().setTicks(1000);
    SceneFrame frame;
    frame.time = ModuleTime{2024, 6, 21, 1, 0, 0.0f};
    frame.eye = Math::Vector3d(5.0, 4.0, -9.0);
    frame.target = Math::Vector3d(0.0, 4.5, 10.0);

    effector::LIGHTDESC spot{};
    spot.type = effector::LIGHT_SPOT;
    spot.flags = effector::LIGHTFLAG_SHADOW;
    spot.vPos = light;
    spot.vColor = Math::Vector4f(3.0f, 3.0f, 3.0f, 1.0f);
    spot.vDir = Math::Vector4f(0.0f, 0.0f, -1.0f, 0.0f);  // shines along +z, at the wall
    spot.fMaxRadius = 30.0f;
    spot.fAttenK = effector::LightSource::calcAttenKMaxRad(0.0f, spot.fMaxRadius);
    spot.fConeAngle = 0.6f;
    spot.fConeEdge = 0.9f;
    std::vector<float> with, without;
    for (int pass = 0; pass < 2; ++pass) {
        renderer.effects().lights().assign(pass == 0 ? 1 : 0, spot);
        renderer.renderFrame(frame);
        if (pass == 0) {
            ASSERT_EQ(renderer.effects().lastFrame().lightShadowMaps, 1);
        }
        readBack();
        (pass == 0 ? with : without) = m_hdr;
    }
    host().services().os().useRealClock();

    const Math::Vector3f eye(float(frame.eye.x), float(frame.eye.y), float(frame.eye.z));
    double litSum = 0.0, shadowMax = 0.0;
    int lit = 0, shaded = 0;
    for (int y = 1; y < m_height; y += 2)
        for (int x = 1; x < m_width; x += 2) {
            const Math::Vector3f d = pixelDirection(x, y);
            if (d.z <= 0.0f || segmentHitsBox(eye, eye + d * 40.0f, boxLo, boxHi)) continue;
            const Math::Vector3f p = eye + d * ((wallLo.z - eye.z) / d.z);  // on the wall's face
            if (p.x < wallLo.x || p.x > wallHi.x || p.y < wallLo.y || p.y > wallHi.y) continue;
            const Math::Vector3f toP = p - light;
            if (toP.z / std::sqrt(toP.x * toP.x + toP.y * toP.y + toP.z * toP.z) < std::cos(0.5f)) continue;  // core
            const bool blocked = segmentHitsBox(light, p, boxLo, boxHi);
            bool clear = true;  // the same half a metre around: away from the shadow's edge
            for (const Math::Vector3f o : {Math::Vector3f(0.5f, 0, 0), Math::Vector3f(-0.5f, 0, 0),
                                           Math::Vector3f(0, 0.5f, 0), Math::Vector3f(0, -0.5f, 0)})
                clear = clear && segmentHitsBox(light, p + o, boxLo, boxHi) == blocked;
            if (!clear) continue;
            const size_t i = (size_t(y) * m_width + x) * 4;
            const double added = luminance(Math::Vector3f(with[i] - without[i], with[i + 1] - without[i + 1],
                                                          with[i + 2] - without[i + 2]));
            if (blocked) {
                shadowMax = std::max(shadowMax, added);
                ++shaded;
            } else {
                EXPECT_GT(added, 0.0) << "lit pixel " << x << ", " << y;
                litSum += added;
                ++lit;
            }
        }
    ASSERT_GE(shaded, 10);
    ASSERT_GE(lit, 50);
    EXPECT_LT(shadowMax, 0.05 * litSum / lit);
}

TEST_F(GlSceneEffects, MarkerAboveTheWaterShowsAtItsMirroredPixel) {
    SceneContent scene;
    scene.water = flatGround(200.0f, 0.02f);
    SceneRenderer& renderer = startRenderer(scene, 160, 96);
    const Math::Vector3f lo(2, 3, 20), hi(4, 5, 22);
    SceneFrame frame;
    frame.time = ModuleTime{2024, 6, 21, 12, 0, 0.0f};
    frame.eye = Math::Vector3d(0.0, 2.0, 0.0);
    frame.target = Math::Vector3d(0.0, 0.5, 20.0);
    std::vector<float> reflection[2];
    RendAPI::ITexture* target = renderer.effects().reflectionTarget();
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0) scene.objects.push_back({boxModel(lo, hi, 0.9f), Math::Vector3d(0, 0, 0)});
        else scene.objects.clear();
        renderer.renderFrame(frame);
        reflection[pass] = host().renderApi().readTexels(target);
    }
    // Where the marker changed the mirror image, weighted by how much.
    const int w = target->getWidth(), h = target->getHeight();
    double sx = 0.0, sy = 0.0, sum = 0.0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = (size_t(y) * w + x) * 4;
            const double d = std::fabs(reflection[0][i] - reflection[1][i]) + std::fabs(reflection[0][i + 1] - reflection[1][i + 1]);
            sx += d * (x + 0.5);
            sy += d * (y + 0.5);
            sum += d;
        }
    ASSERT_GT(sum, 0.0);
    // The marker's centre mirrored in the water (y = 0), through the camera onto the target.
    GlCameraView view;
    currentCameraView(view);
    const Math::Vector2f c = ndc(Math::Vector3f(3.0f, -4.0f, 21.0f) - toFloat(renderer.base()), view.viewProj);
    EXPECT_NEAR(sx / sum, (c.x * 0.5 + 0.5) * w, 1.5);
    EXPECT_NEAR(sy / sum, (0.5 - c.y * 0.5) * h, 1.5);
}

TEST_F(GlSceneEffects, VelocityFieldHoldsTheCameraMoveOfEachPixel) {
    SceneContent scene;
    scene.ground.push_back(flatGround(200.0f, 0.5f));
    startRenderer(scene, 96, 64);
    GlCameraView views[2];
    Math::Vector3d bases[2];
    for (int i = 0; i < 2; ++i) {  // a step of 0.4 m sideways and 0.1 m down
        SceneFrame frame;
        frame.eye = Math::Vector3d(0.4 * i, 6.0 - 0.1 * i, 0.0);
        frame.target = Math::Vector3d(0.4 * i, 0.0, 20.0);
        m_renderer->renderFrame(frame);
        currentCameraView(views[i]);
        bases[i] = m_renderer->base();
    }
    auto* kinematic = effector::effectorInstance<effector::KinematicEffector>(effector::EFFECTOR_KINEMATIC);
    const std::vector<float> field = host().renderApi().readTexels(kinematic->getCurVF()->get());
    const Math::Vector3f eye = views[1].eye, shift = toFloat(bases[1]) - toFloat(bases[0]);
    for (int y = 40; y < m_height; y += 6)
        for (int x = 4; x < m_width; x += 11) {
            const Math::Vector3f d = pixelDirection(x, y);
            const Math::Vector3f p = eye + d * (-(eye.y + float(bases[1].y)) / d.y);  // on the ground
            const Math::Vector2f now = ndc(p, views[1].viewProj), before = ndc(p + shift, views[0].viewProj);
            const float* v = &field[(size_t(y) * m_width + x) * 4];
            EXPECT_NEAR(v[0], now.x - before.x, 2e-3f) << x << ", " << y;
            EXPECT_NEAR(v[1], now.y - before.y, 2e-3f) << x << ", " << y;
        }
}

}  // namespace
}  // namespace glhost::test
