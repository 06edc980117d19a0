// LightSource::renderLighting through the reference host: the record batches, the occlusion
// draws, the depth range, one list layer per light copied into the 16-across grid, the fallback
// list without screen normals, and the clamp at 256 lights.
#include <gtest/gtest.h>

#include <cmath>

#include "LightPassScene.h"

namespace {

using namespace light_test;
using refhost::ClientCall;

struct LightPassesTest : ::testing::Test, LightPassScene {
    std::vector<ClientCall> calls(const char* op) { return host.clients().callsOf("SysLightRender", op); }
    void expectViewport(const ClientCall& c, int x, int y, int w, int h) {
        EXPECT_EQ(c.viewport.x, x);
        EXPECT_EQ(c.viewport.y, y);
        EXPECT_EQ(c.viewport.width, w);
        EXPECT_EQ(c.viewport.height, h);
    }
    void expectBalanced() {
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
        EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
        EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);
    }
};

TEST_F(LightPassesTest, TwentyLightsMakeTwoBatchesTwoOcclusionDrawsAndTwentyLayers) {
    host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1);
    LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f});
    LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0.0f, -0.6f, 0.8f}, {-3.0f, 0.9f, 0.8f, 1.0f});
    sun.flags = LIGHTFLAG_SHADERTAG;
    man.addLight(&sun);
    addPointLights(19);
    man.addLight(&ambient);

    // Each list layer writes its number (1, 2, ...) over the tiles of the temporary target, as
    // the renderer's layer pass would write that layer.
    int layer = 0;
    host.clients().setCallHook([&](const ClientCall& c) {
        if (c.op != "renderListLayer") return;
        ++layer;
        for (int y = 0; y < kTilesY; y += 11)
            for (int x = 0; x < kTilesX; x += 9) host.renderApi().writePixel(c.targets[0].c_str(), x, y, {float(layer), 0, 0, 0});
        host.renderApi().writePixel(c.targets[0].c_str(), kTilesX - 1, kTilesY - 1, {float(layer), 0, 0, 0});
    });
    lights->renderLighting();
    host.clients().setCallHook(nullptr);
    expectBalanced();

    // Records: 16 then 4, each with its shadow rows below.
    std::vector<ClientCall> records = calls("renderLightRecords"), shadows = calls("renderShadowRecords");
    ASSERT_EQ(records.size(), 2u);
    ASSERT_EQ(shadows.size(), 2u);
    expectViewport(records[0], 0, 0, 16, 4);
    expectViewport(records[1], 16, 0, 4, 4);
    expectViewport(shadows[0], 0, 4, 16, 4);
    expectViewport(shadows[1], 16, 4, 4, 4);
    EXPECT_EQ(records[0].targets[0], "m_rtLights");
    EXPECT_EQ(records[0].numbers[0], 16);
    EXPECT_EQ(records[1].numbers[0], 4);
    // The sun leads; its red reaches the renderer tagged, the rendered colour keeps the true value.
    EXPECT_EQ(records[0].numbers[ClientCall::lightIndex(0, 1)], LIGHT_DIRECTIONAL);
    EXPECT_EQ(records[0].numbers[ClientCall::lightIndex(0, ClientCall::kLightColor)], 100.0);
    Math::Vector4f dir, color, spec;
    lights->getRenderedDirLight(&dir, &color, &spec);
    EXPECT_EQ(dir, Math::Vector4f(0.0f, -0.6f, 0.8f, 20.0f));
    EXPECT_EQ(color, sun.vColor);
    EXPECT_EQ(lights->getRenderedAmbient(), ambient.vColor);  // and it took no column
    EXPECT_EQ(lights->getRenderedLights().count(), 20);
    EXPECT_EQ(host.renderApi().readPixel("m_rtLights", 100, 10), Math::Vector4f(0, 0, 0.5f, 1));

    std::vector<ClientCall> occlusion = calls("renderOcclusion");
    ASSERT_EQ(occlusion.size(), 2u);
    expectViewport(occlusion[0], 0, 0, 16 * kTilesX, kTilesY);
    expectViewport(occlusion[1], 0, kTilesY, 4 * kTilesX, kTilesY);
    EXPECT_EQ(occlusion[1].objects[0], "m_rtLights");
    EXPECT_EQ(occlusion[1].numbers[0], 16);  // first
    EXPECT_EQ(occlusion[1].numbers[1], 4);   // count
    EXPECT_NEAR(occlusion[1].numbers[2], 1.0 / host.camera().getAspect(), 1e-6);
    EXPECT_NEAR(occlusion[1].numbers[3], 16.0 / kWidth, 1e-7);
    EXPECT_EQ(occlusion[0].targets[0], name(set.m_prtOcclusion));

    // 1280 depth texels across, 16 per tile: 16 samples.
    std::vector<ClientCall> range = calls("renderDepthRange");
    ASSERT_EQ(range.size(), 1u);
    EXPECT_EQ(range[0].numbers[0], 16);
    EXPECT_EQ(range[0].objects[0], "m_prtScreenDepth");
    expectViewport(range[0], 0, 0, kTilesX, kTilesY);

    std::vector<ClientCall> layers = calls("renderListLayer");
    ASSERT_EQ(layers.size(), 20u);
    const double w = set.m_prtLightsList->getWidth(), h = set.m_prtLightsList->getHeight();
    for (int k = 0; k < 20; ++k) {
        SCOPED_TRACE(k);
        expectViewport(layers[k], 0, 0, kTilesX, kTilesY);
        EXPECT_EQ(layers[k].targets[0], name(set.m_prtLightsTemp));
        EXPECT_EQ(layers[k].numbers[0], 20);
        const int j = k - 1;
        const double prevX = k ? (kTilesX * (j % 16) + 0.5) / w : 0, prevY = k ? (kTilesY * (j / 16) + 0.5) / h : 0;
        EXPECT_NEAR(layers[k].numbers[1], prevX, 1e-6);
        EXPECT_NEAR(layers[k].numbers[2], prevY, 1e-6);
        // Layer k landed in its grid block, whole.
        const int left = (k % 16) * kTilesX, top = (k / 16) * kTilesY;
        EXPECT_EQ(host.renderApi().readPixel(set.m_prtLightsList, left, top).x, k + 1);
        EXPECT_EQ(host.renderApi().readPixel(set.m_prtLightsList, left + kTilesX - 1, top + kTilesY - 1).x, k + 1);
    }
    EXPECT_EQ(host.renderApi().readPixel(set.m_prtLightsList, 4 * kTilesX, 2 * kTilesY).x, 0);  // no layer 36
    std::vector<ClientCall> finish = calls("finishList");
    ASSERT_EQ(finish.size(), 1u);
    EXPECT_EQ(finish[0].targets[0], name(set.m_prtLightsList));
    EXPECT_EQ(finish[0].objects[0], name(set.m_prtLightsTemp));
}

TEST_F(LightPassesTest, NoAtlasNoShadowRowsAndNoLightsOnlyClears) {
    addPointLights(3);
    lights->renderLighting();
    EXPECT_EQ(calls("renderLightRecords").size(), 1u);
    EXPECT_TRUE(calls("renderShadowRecords").empty());

    man.flush(EFFECTOR_LIGHT, 0);
    host.clients().clearCalls();
    host.renderApi().writePixel(set.m_prtLightsList->getName(), 0, 0, {7, 7, 0, 0});
    lights->renderLighting();
    expectBalanced();
    EXPECT_EQ(lights->getRenderedLights().count(), 0);
    EXPECT_TRUE(calls("renderLightRecords").empty());
    EXPECT_TRUE(calls("renderOcclusion").empty());
    EXPECT_TRUE(calls("renderListLayer").empty());
    EXPECT_TRUE(calls("finishList").empty());
    EXPECT_EQ(host.renderApi().readPixel(set.m_prtLightsList, 0, 0), Math::Vector4f(0, 0, 1, 1));  // two channels
    Math::Vector4f dir;
    lights->getRenderedDirLight(&dir, nullptr, nullptr);
    EXPECT_EQ(dir.w, 0.0f);
}

TEST_F(LightPassesTest, AspectRoundingClearsAndTheLightsTheScreenPassKeeps) {
    // A camera of 2 : 1 on a 16 : 9 screen; depth texels 1.5 times the screen's width, so 24 per
    // 16-pixel tile, which rounds (in the logarithmic sense) to 32 samples.
    host.camera().setAspect(2.0f);
    screen.m_vRect.z = 1.5f;
    LIGHTDESC added[] = {makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {0.5f, 0.5f, 0.5f, 1}),
                         makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.1f, 0.1f, 1}),
                         makeLight(LIGHT_DIRECTIONAL, {0, -0.6f, 0.8f}, {2, 1, 1, 1}),
                         makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.3f, 0.2f, 0.1f, 1})};
    for (LIGHTDESC& l : added) man.addLight(&l);
    addPointLights(3);
    // The screen pass keeps the first directional and the last ambient light of the weighted list.
    Math::Vector3f eye(0, 0, 0);
    EffectorMan::DataList& order = *man.getWeightedEffectorList(&eye, EFFECTOR_LIGHT, 1);
    Math::Vector4f firstDirectional(0, 0, 0, 0), lastAmbient(0, 0, 0, 0), firstAmbient(0, 0, 0, 0);
    for (int i = order.count() - 1; i >= 0; --i) {
        const LIGHTDESC& l = *static_cast<LIGHTDESC*>(order[i]);
        if (l.type == LIGHT_DIRECTIONAL) firstDirectional = l.vColor;
        if (l.type == LIGHT_AMBIENT) (lastAmbient.w == 0 ? lastAmbient : firstAmbient) = l.vColor;
    }
    host.renderApi().writePixel(name(set.m_prtOcclusion).c_str(), 3, 2, {0.25f, 0.75f, 0, 0});
    host.renderApi().writePixel(name(set.m_prtDepthRange).c_str(), 3, 2, {0.25f, 0.75f, 0, 0});
    lights->renderLighting();

    EXPECT_EQ(firstDirectional, Math::Vector4f(2, 1, 1, 1));  // the brighter one leads
    ASSERT_NE(lastAmbient, firstAmbient);
    Math::Vector4f dir, color;
    lights->getRenderedDirLight(&dir, &color, nullptr);
    EXPECT_EQ(color, firstDirectional);
    EXPECT_EQ(lights->getRenderedAmbient(), lastAmbient);
    const ClientCall occlusion = calls("renderOcclusion").at(0);
    EXPECT_NEAR(occlusion.numbers[3], 16.0 / kWidth, 1e-7);
    EXPECT_NEAR(occlusion.numbers[4], 16.0 / kWidth / (double(kHeight) / kWidth) / 2.0, 1e-7);
    EXPECT_EQ(calls("renderDepthRange").at(0).numbers[0], 32);
    // Cleared to (1, 0, 0.5, 1) and (0, 0, 0, 0); the targets keep two channels.
    EXPECT_EQ(host.renderApi().readPixel(set.m_prtOcclusion, 3, 2), Math::Vector4f(1, 0, 1, 1));
    EXPECT_EQ(host.renderApi().readPixel(set.m_prtDepthRange, 3, 2), Math::Vector4f(0, 0, 1, 1));
}

TEST_F(LightPassesTest, MoreThan256LightsAreClampedToTheRecordColumns) {
    addPointLights(300);
    lights->renderLighting();
    expectBalanced();
    EXPECT_EQ(lights->getRenderedLights().count(), 256);
    std::vector<ClientCall> records = calls("renderLightRecords");
    ASSERT_EQ(records.size(), 16u);
    expectViewport(records.back(), 240, 0, 16, 4);
    std::vector<ClientCall> occlusion = calls("renderOcclusion");
    ASSERT_EQ(occlusion.size(), 16u);
    expectViewport(occlusion.back(), 0, 15 * kTilesY, 16 * kTilesX, kTilesY);
    EXPECT_EQ(calls("renderListLayer").size(), 32u);  // the set's layers
    Math::Vector4f dir;
    lights->getRenderedDirLight(&dir, nullptr, nullptr);
    EXPECT_EQ(dir.w, 256.0f);
}

TEST_F(LightPassesTest, WithoutScreenNormalsOneLightFillsTheList) {
    shadow->setScreenDepthSrc(nullptr);
    LIGHTDESC spot = makeLight(LIGHT_SPOT, {0, 0, 2}, {3, 3, 3, 1});
    man.addLight(&spot);
    addPointLights(2);
    lights->renderLighting();
    expectBalanced();
    EXPECT_TRUE(calls("renderOcclusion").empty());
    EXPECT_EQ(calls("renderLightRecords").size(), 1u);
    std::vector<ClientCall> colors = host.clients().callsOf("Bkgr", "setColor");
    ASSERT_EQ(colors.size(), 2u);
    // No directional light: the first point light, after the spot, is light 1.
    EXPECT_EQ(colors[0].numbers, (std::vector<double>{1, 1, 1, 1}));
    EXPECT_EQ(colors[1].numbers, (std::vector<double>{1, 1, 1, 1}));
    std::vector<ClientCall> rects = host.clients().callsOf("Bkgr", "drawRect");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].targets[0], name(set.m_prtLightsList));
    EXPECT_EQ(host.renderApi().readPixel(set.m_prtLightsList, 100, 50), Math::Vector4f(1, 1, 1, 1));
    ASSERT_FALSE(host.renderMan().calls().empty());
    EXPECT_EQ(host.renderMan().calls().back().op, "flush");
    EXPECT_EQ(host.renderMan().calls().back().mode, 1);

    // Only spots: index = count, marked absent.
    man.flush(EFFECTOR_LIGHT, 0);
    man.addLight(&spot);
    host.clients().clearCalls();
    lights->renderLighting();
    EXPECT_EQ(host.clients().callsOf("Bkgr", "setColor")[0].numbers, (std::vector<double>{1, 0, 1, 1}));
}

TEST_F(LightPassesTest, MissingSetTargetsOrClientsDoNoHarm) {
    addPointLights(20);
    host.clients().setClientMissing("SysLightRender", true);
    lights->renderLighting();
    expectBalanced();
    EXPECT_EQ(lights->getRenderedLights().count(), 20);
    host.clients().setClientMissing("SysLightRender", false);

    SLightsTextures empty;  // never initialised
    lights->setLightsSrc(&empty);
    host.clients().clearCalls();
    lights->renderLighting();
    EXPECT_TRUE(host.clients().calls().empty());
    lights->setLightsSrc(&set);

    // A screen-depth set too narrow for one texel per tile skips the depth-range draw.
    screen.m_vRect.z = 0.0f;
    host.clients().clearCalls();
    lights->renderLighting();
    expectBalanced();
    EXPECT_TRUE(calls("renderDepthRange").empty());
    EXPECT_EQ(calls("renderListLayer").size(), 20u);
}

TEST_F(LightPassesTest, TargetsAreReleasedAfterTheFrame) {
    addPointLights(5);
    lights->renderLighting();
    set.uninit();
    screen.uninit();
    man.close();
    EXPECT_TRUE(host.renderApi().leakedObjects().empty());
    EXPECT_EQ(host.renderApi().protocolErrors(), 0);
}

}  // namespace
