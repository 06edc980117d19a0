// The dome of "SkySphere" agrees with the module: 50 pixels of a rendered frame equal
// getSkyColor for their view direction through the same exposure and tone curve, within 2 of 255
// per channel, by day and in twilight, above and below the horizon.
#include <cmath>

#include "GlSceneFixture.h"
#include "enviro/sky/Sky.h"
#include "glhost/scene/ToneCurve.h"

namespace glhost::test {
namespace {

class GlSkyDome : public GlSceneTest {};

TEST_F(GlSkyDome, PixelsEqualGetSkyColorThroughTheToneCurve) {
    SceneContent empty;
    SceneRenderer& renderer = startRenderer(empty, 160, 90);
    const struct {
        int hour, minute;
        Math::Vector3d target;  // where the camera looks from (0, 2, 0)
    } cases[] = {{13, 30, {-1.0, 0.6, 0.3}}, {21, 40, {0.4, 0.1, -1.0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hour);
        SceneFrame frame;
        frame.time = ModuleTime{2024, 6, 21, c.hour, c.minute, 0.0f};
        frame.eye = Math::Vector3d(0.0, 2.0, 0.0);
        frame.target = Math::Vector3d(c.target.x, 2.0 + c.target.y, c.target.z);
        renderer.renderFrame(frame);
        readBack();
        Math::Vector4f sun(renderer.sunDirection().x, renderer.sunDirection().y, renderer.sunDirection().z, 0.0f);
        int compared = 0;
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 10; ++i) {
                const int x = 7 + i * 16, y = 4 + j * 20;
                Math::Vector3f dir = pixelDirection(x, y), linear;
                // Away from the sun's disc and glow (the dome adds them in mode 2).
                const Math::Vector3f s = renderer.sunDirection();
                if (dir.x * s.x + dir.y * s.y + dir.z * s.z > 0.99f) continue;
                enviro::sky->getSkyColor(dir, sun, 2.0f, &linear);
                const Math::Vector3f expected = toneMap(linear, renderer.exposure()) * 255.0f;
                const Math::Vector4f got = frameTexel(x, y);
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], expected[k], 2.0f) << x << ", " << y << " channel " << k;
                ++compared;
            }
        EXPECT_GE(compared, 45);
    }
}

}  // namespace
}  // namespace glhost::test
