// The scene's module passes on the GPU: the town at night with 256 lights shaded from the tile
// lists equals the same frame shaded from every light.
#include <cmath>
#include <cstdio>

#include "GlSceneFixture.h"
#include "enviro/astro/AstroManager.h"
#include "glhost/scene/DemoLights.h"
#include "glhost/scene/DemoTown.h"

namespace glhost::test {
namespace {

class GlSceneEffects : public GlSceneTest {
protected:
    GlSceneEffects() { m_effects = true; }
};

SceneFrame nightFrame() {
    SceneFrame frame;
    frame.time = ModuleTime{2024, 6, 21, 23, 30, 0.0f};
    frame.eye = Math::Vector3d(-60.0, 45.0, -75.0);
    frame.target = Math::Vector3d(0.0, 0.0, 0.0);
    return frame;
}

TEST_F(GlSceneEffects, TiledLightsEqualEveryLight) {
    SceneContent town;
    SceneRenderer& renderer = startRenderer(town, 256, 144);
    town = DemoTown::build(renderer);
    const SceneFrame frame = nightFrame();
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
    std::printf("[ lights   ] %d lights rendered, %d pixels lit by them, %d differ\n",
                rendered, lit, different);
}

}  // namespace
}  // namespace glhost::test
