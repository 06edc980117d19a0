// Fog: identical black boxes at increasing distance show the haze the fog effector gives for that
// path: their radiance is the sky at the horizon times FogEffector::GetFogK, within 2 %.
#include <cmath>

#include "GlSceneFixture.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/sky/Sky.h"

namespace glhost::test {
namespace {

class GlFog : public GlSceneTest {};

TEST_F(GlFog, LuminanceFollowsGetFogKWithDistance) {
    auto* fog = effector::effectorInstance<effector::FogEffector>(effector::EFFECTOR_FOG);
    effector::FOGDESC desc = fog->getFogDesc();
    desc.vFogColor = Math::Vector4f(0.5f, 0.8f, 1.2f, 1.3f);
    desc.fFogDistance = 3000.0f;
    desc.fHazeKneeDist = 0.2f;
    desc.fHazeKneeValue = 0.1f;
    fog->setFogDesc(&desc);

    SceneContent scene;
    SceneRenderer& renderer = startRenderer(scene, 200, 60);
    const double distances[] = {80.0, 250.0, 600.0, 1100.0, 1800.0, 2600.0};
    for (int i = 0; i < 6; ++i) {  // side by side, each about 5 pixels wide
        const double d = distances[i];
        const float s = float(d) * 0.012f;
        scene.objects.push_back({boxModel(Math::Vector3f(-s, 2 - s, -s), Math::Vector3f(s, 2 + s, s), 0.0f),
                                 Math::Vector3d(d, 0.0, (i - 2.5) * d * 0.1)});
    }
    SceneFrame frame;
    frame.time = ModuleTime{2024, 6, 21, 11, 0, 0.0f};
    frame.eye = Math::Vector3d(0.0, 2.0, 0.0);
    frame.target = Math::Vector3d(1.0, 2.0, 0.0);
    frame.fovY = 0.3f;
    renderer.renderFrame(frame);
    readBack();

    Math::Vector4f sun(renderer.sunDirection().x, renderer.sunDirection().y, renderer.sunDirection().z, 0.0f);
    for (const SceneObject& object : scene.objects) {
        // The pixel of the box's near face centre, and the path to it.
        const Math::Vector3f eye(0.0f, 2.0f, 0.0f);
        const float s = float(object.position.x) * 0.012f;
        Math::Vector3f centre(float(object.position.x) - s, 2.0f, float(object.position.z));
        const Math::Vector3f toward = centre - eye;
        const float ratio = 1.0f / std::tan(frame.fovY * 0.5f) / std::sqrt(toward.x * toward.x);
        const int x = int(m_width * 0.5f * (1.0f + toward.z * ratio * m_height / m_width));
        const int y = m_height / 2;
        const Math::Vector3f dir = pixelDirection(x, y);
        const Math::Vector3f to = eye + dir * ((centre.x - eye.x) / dir.x);
        Math::Vector3f from = eye, path = to, flat(dir.x, std::max(dir.y, 0.0f), dir.z), horizon;
        Math::Vector4f k;
        fog->GetFogK(&from, &path, &k);
        enviro::sky->getSkyColor(flat, sun, 2.0f, &horizon);
        const float expected = luminance(Math::Vector3f(horizon.x * k.x, horizon.y * k.y, horizon.z * k.z));
        const Math::Vector4f t = hdrTexel(x, y);
        EXPECT_NEAR(luminance(Math::Vector3f(t.x, t.y, t.z)), expected, 0.02f * expected)
            << "box at " << object.position.x << " m, pixel " << x;
    }
}

}  // namespace
}  // namespace glhost::test
