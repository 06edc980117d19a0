// The light passes through the reference host: the light set's targets (tile growth, power-of-two
// sizes, the shared name counter, failures), renderLighting (the record batches, the occlusion
// draws, the depth range, one list layer per light copied into the 16-across grid, the lights the
// screen pass keeps, the fallback list without screen normals, the clamp at 256 lights) and the
// lights handed to shaders (setLight per object, setSSLight for screen-space shading).
#include <gtest/gtest.h>

#include <string>

#include "LightPassScene.h"
#include "enviro/effector/CountedTargetName.h"
#include "enviro/effects/ReflectionEffector.h"
#include "refhost/RefShader.h"

namespace {

using namespace light_test;
using refhost::ClientCall;
using Ints = std::vector<int>;
using Vectors = std::vector<Math::Vector4f>;

struct LightPassesTest : ::testing::Test, LightPassScene {
    refhost::RefRenderApi& api = host.renderApi();
    std::vector<ClientCall> calls(const char* op) { return host.clients().callsOf("SysLightRender", op); }
    static Ints viewport(const ClientCall& c) { return {c.viewport.x, c.viewport.y, c.viewport.width, c.viewport.height}; }
    int unbalanced() { return api.protocolErrors() + api.renderTargetDepth() + api.depthSurfaceDepth(); }
};

TEST_F(LightPassesTest, TwentyLightsMakeTwoBatchesTwoOcclusionDrawsAndTwentyLayers) {
    addAtlas();
    LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f});
    LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0.0f, -0.6f, 0.8f}, {-3.0f, 0.9f, 0.8f, 1.0f});
    sun.flags = LIGHTFLAG_SHADERTAG;
    man.addLight(&sun);
    addPointLights(19);
    man.addLight(&ambient);
    int layer = 0;  // each list layer writes its number (1, 2, ...) as the renderer's layer pass would
    host.clients().setCallHook([&](const ClientCall& c) {
        if (c.op != "renderListLayer") return;
        api.writePixel(c.targets[0].c_str(), kTilesX - 1, 0, {float(++layer), 0, 0, 0});
        api.writePixel(c.targets[0].c_str(), 0, kTilesY - 1, {float(layer), 0, 0, 0});
    });
    lights->renderLighting();
    host.clients().setCallHook(nullptr);
    EXPECT_EQ(unbalanced(), 0);

    // Records in batches of 16 columns, each with its shadow rows below; the sun leads, its red
    // reaches the renderer tagged while the rendered colour keeps the true value; the ambient
    // light takes no column.
    std::vector<ClientCall> records = calls("renderLightRecords"), shadows = calls("renderShadowRecords");
    ASSERT_EQ(records.size() + shadows.size(), 4u);
    EXPECT_EQ(viewport(records[1]), (Ints{16, 0, 4, 4}));
    EXPECT_EQ(viewport(shadows[1]), (Ints{16, 4, 4, 4}));
    EXPECT_EQ(records[0].numbers[0] + records[1].numbers[0], 20);
    EXPECT_EQ(records[0].numbers[ClientCall::lightIndex(0, ClientCall::kLightColor)], 100.0);
    Math::Vector4f dir, color;
    lights->getRenderedDirLight(&dir, &color, nullptr);
    EXPECT_EQ(dir, Math::Vector4f(0.0f, -0.6f, 0.8f, 20.0f));  // w: the lights rendered
    EXPECT_TRUE(color == sun.vColor && lights->getRenderedAmbient() == ambient.vColor);

    // Occlusion: a row of tiles per batch, the record texture, first and count, the camera's
    // inverse aspect and the tile's share of the screen. The depth range: 16 samples for the 16
    // depth texels across a tile.
    std::vector<ClientCall> occlusion = calls("renderOcclusion"), range = calls("renderDepthRange");
    ASSERT_EQ(occlusion.size() + range.size(), 3u);
    EXPECT_EQ(viewport(occlusion[0]), (Ints{0, 0, 16 * kTilesX, kTilesY}));
    EXPECT_EQ(viewport(occlusion[1]), (Ints{0, kTilesY, 4 * kTilesX, kTilesY}));
    EXPECT_EQ(occlusion[1].objects[0] + " " + occlusion[0].targets[0], "m_rtLights " + name(set.m_prtOcclusion));
    EXPECT_EQ(std::vector<double>(occlusion[1].numbers.begin(), occlusion[1].numbers.begin() + 2), (std::vector<double>{16, 4}));
    EXPECT_NEAR(occlusion[1].numbers[2], 9.0 / 16.0, 1e-6);
    EXPECT_NEAR(occlusion[1].numbers[3], 16.0 / kWidth, 1e-7);
    EXPECT_EQ(range[0].objects[0] + " " + std::to_string(int(range[0].numbers[0])), "m_prtScreenDepth 16");

    // One layer per light, each told where the previous one lies, copied whole into its block.
    std::vector<ClientCall> layers = calls("renderListLayer");
    ASSERT_EQ(layers.size(), 20u);
    const double w = set.m_prtLightsList->getWidth(), h = set.m_prtLightsList->getHeight();
    for (int k = 0; k < 20; ++k) {
        const int j = k ? k - 1 : 0, left = (k % 16) * kTilesX, top = (k / 16) * kTilesY;
        EXPECT_NEAR(layers[k].numbers[1], k ? (kTilesX * (j % 16) + 0.5) / w : 0, 1e-6) << k;
        EXPECT_NEAR(layers[k].numbers[2], k ? (kTilesY * (j / 16) + 0.5) / h : 0, 1e-6) << k;
        EXPECT_EQ(api.readPixel(set.m_prtLightsList, left + kTilesX - 1, top).x, k + 1);
        EXPECT_EQ(api.readPixel(set.m_prtLightsList, left, top + kTilesY - 1).x, k + 1);
    }
    const ClientCall finish = calls("finishList").at(0);
    EXPECT_EQ(finish.targets[0] + " " + finish.objects[0], name(set.m_prtLightsList) + " " + name(set.m_prtLightsTemp));
}

TEST_F(LightPassesTest, AspectRoundingClearsAndTheLightsTheScreenPassKeeps) {
    // A camera of 2 : 1 on a 16 : 9 screen; depth texels 1.5 times the screen's width, so 24 per
    // 16-pixel tile, which rounds (in the logarithmic sense) to 32 samples.
    host.camera().setAspect(2.0f);
    screen.m_vRect.z = 1.5f;
    // The screen pass keeps the first directional and the last ambient light of the weighted list.
    setLights({makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {0.5f, 0.5f, 0.5f, 1}), makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.1f, 0.1f, 1}),
               makeLight(LIGHT_DIRECTIONAL, {0, -0.6f, 0.8f}, {2, 1, 1, 1}), makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.3f, 0.2f, 0.1f, 1})});
    addPointLights(3);
    Math::Vector3f eye(0, 0, 0);
    EffectorMan::DataList& order = *man.getWeightedEffectorList(&eye, EFFECTOR_LIGHT, 1);
    const Math::Vector4f lastAmbient = static_cast<LIGHTDESC*>(order[1])->vColor;  // the later of the two ambient lights
    api.writePixel(name(set.m_prtOcclusion).c_str(), 3, 2, {0.25f, 0.75f, 0, 0});
    api.writePixel(name(set.m_prtDepthRange).c_str(), 3, 2, {0.25f, 0.75f, 0, 0});
    lights->renderLighting();

    Math::Vector4f dir, color;
    lights->getRenderedDirLight(&dir, &color, nullptr);
    EXPECT_EQ(color, Math::Vector4f(2, 1, 1, 1));  // the brighter one leads
    EXPECT_EQ(lights->getRenderedAmbient(), lastAmbient);
    const ClientCall occlusion = calls("renderOcclusion").at(0);
    EXPECT_NEAR(occlusion.numbers[3], 16.0 / kWidth, 1e-7);
    EXPECT_NEAR(occlusion.numbers[4], 16.0 / kWidth / (double(kHeight) / kWidth) / 2.0, 1e-7);
    EXPECT_EQ(calls("renderDepthRange").at(0).numbers[0], 32);
    // Cleared to (1, 0, 0.5, 1) and (0, 0, 0, 0); the targets keep two channels.
    EXPECT_EQ(api.readPixel(set.m_prtOcclusion, 3, 2), Math::Vector4f(1, 0, 1, 1));
    EXPECT_EQ(api.readPixel(set.m_prtDepthRange, 3, 2), Math::Vector4f(0, 0, 1, 1));
}

TEST_F(LightPassesTest, NoLightsMoreThan256LightsAndTooFewDepthTexels) {
    // No lights: the list is only cleared.
    api.writePixel(set.m_prtLightsList->getName(), 0, 0, {7, 7, 0, 0});
    lights->renderLighting();
    EXPECT_EQ(calls("renderLightRecords").size() + calls("renderOcclusion").size() + calls("renderListLayer").size(), 0u);
    EXPECT_EQ(api.readPixel(set.m_prtLightsList, 0, 0), Math::Vector4f(0, 0, 1, 1));
    addPointLights(300);  // clamped to the 256 record columns and the set's 32 layers
    lights->renderLighting();
    EXPECT_EQ(lights->getRenderedLights().count(), 256);
    EXPECT_EQ(viewport(calls("renderLightRecords").back()), (Ints{240, 0, 16, 4}));
    EXPECT_EQ(viewport(calls("renderOcclusion").back()), (Ints{0, 15 * kTilesY, 16 * kTilesX, kTilesY}));
    EXPECT_EQ(calls("renderListLayer").size(), 32u);
    screen.m_vRect.z = 0.0f;  // not one depth texel per tile: no depth-range draw
    host.clients().clearCalls();
    lights->renderLighting();
    EXPECT_TRUE(calls("renderDepthRange").empty() && unbalanced() == 0);
}

TEST_F(LightPassesTest, WithoutScreenNormalsOneLightFillsTheList) {
    shadow->setScreenDepthSrc(nullptr);
    LIGHTDESC spot = makeLight(LIGHT_SPOT, {0, 0, 2}, {3, 3, 3, 1});
    man.addLight(&spot);
    addPointLights(2);
    lights->renderLighting();
    EXPECT_TRUE(calls("renderOcclusion").empty());
    // No directional light: the first point light, after the spot, is light 1; then white again.
    std::vector<ClientCall> colors = host.clients().callsOf("Bkgr", "setColor"), rects = host.clients().callsOf("Bkgr", "drawRect");
    ASSERT_EQ(colors.size() * 10 + rects.size(), 21u);
    EXPECT_EQ(colors[0].numbers, (std::vector<double>{1, 1, 1, 1}));
}

std::string sizeOf(const RendAPI::ITexture* t) { return t ? std::to_string(t->getWidth()) + "x" + std::to_string(t->getHeight()) : "none"; }

TEST(SLightsTextures, TilesGrowUntilAtMost128FitAcrossAndTargetsArePowersOfTwo) {
    // Occlusion: 16 tiles per light row; list: a row of tiles per 16 layers; depth range and the
    // temporary target: a texel per tile.
    const struct { short width, height, tile, maxLights; const char* layout; } rows[] = {
        {1920, 1080, 16, 32, "16: 120x68 2048x2048 2048x256 128x128 128x128"},
        {3840, 2160, 16, 8, "32: 120x68 2048x2048 2048x128 128x128 128x128"},       // 240 tiles would be too many
        {2048, 2048, 16, 32, "16: 128x128 2048x2048 2048x256 128x128 128x128"},     // exactly 128: not too many
        {1000, 17, 16, 17, "16: 63x2 1024x32 1024x4 64x2 64x2"},                    // partial tiles both ways
        {129 * 16, 16, 16, 1, "32: 65x1 2048x16 2048x1 128x1 128x1"},              // quotient 129: the tile doubles
        {100, 50, 0, 1000, "1: 100x50 2048x1024 2048x1024 128x64 128x64"},          // tile raised to 1, 256 layers
    };
    InstalledHost host;
    for (const auto& r : rows) {
        SLightsTextures set;
        ASSERT_TRUE(set.init(r.width, r.height, r.tile, r.maxLights)) << r.width;
        EXPECT_EQ(std::to_string(set.m_nTileSize) + ": " + std::to_string(set.m_nTilesX) + "x" + std::to_string(set.m_nTilesY) + " " +
                      sizeOf(set.m_prtOcclusion) + " " + sizeOf(set.m_prtLightsList) + " " + sizeOf(set.m_prtDepthRange) + " " +
                      sizeOf(set.m_prtLightsTemp),
                  r.layout);
    }
}

TEST(SLightsTextures, NamesFailuresAndClearing) {
    InstalledHost host;
    refhost::RefRenderApi& api = host.renderApi();
    const unsigned n = peekCountedTargetName();
    auto named = [](const char* base, unsigned number) { return base + std::to_string(number); };
    SLightsTextures a, b;
    EXPECT_FALSE(a.init(1920, 1080, 16, 0) || a.init(1920, 1080, 16, -3) || a.init(0, 1080, 16, 8) || a.init(1920, -1, 16, 8));
    EXPECT_EQ(peekCountedTargetName(), n);  // refused: nothing made, no number drawn
    ASSERT_TRUE(a.init(640, 480, 16, 4));
    EXPECT_EQ(a.m_prtOcclusion->getName() + std::string(" ") + a.m_prtLightsTemp->getName(),
              named("m_rtOcclusion", n) + " " + named("m_rtLightsTemp", n + 3));
    ASSERT_TRUE(b.init(640, 480, 16, 4) && a.init(320, 240, 16, 4));  // new names; the old targets are let go
    EXPECT_EQ(a.m_prtOcclusion->getName(), named("m_rtOcclusion", n + 8));
    EXPECT_EQ(api.refCount(named("m_rtOcclusion", n).c_str()), 1);  // the registry's only
    // The list target failing fails init and leaves no target held.
    api.setFailCreation(named("m_rtLightsList", n + 13).c_str(), true);
    EXPECT_FALSE(b.init(640, 480, 16, 8));
    EXPECT_TRUE(b.m_prtOcclusion == nullptr && b.m_prtDepthRange == nullptr && b.m_prtLightsTemp == nullptr);
    a.clear();  // through the post effect, and nothing for b
    b.clear();
    EXPECT_EQ(host.clients().callsOf("SysPostEffect", "clearTarget").size(), 4u);
}

TEST(LightShaderBinding, SetLightEncodesTheLightsThatReachTheSphere) {
    LightPassScene s;
    LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f});
    LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {0.5f, 0.5f, 0.5f, 9});
    LIGHTDESC point = makeLight(LIGHT_POINT, {1, 0, 0}, {-4, 1, 0.5f, 0}, 10);
    point.flags = LIGHTFLAG_SHADERTAG;
    LIGHTDESC away = makeLight(LIGHT_SPOT, {0, 0, -3}, {1, 1, 1, 0}, 10), onto = makeLight(LIGHT_SPOT, {0, 0, 3}, {0.9f, 0.9f, 0.9f, 0}, 10);
    away.vDir = onto.vDir = Math::Vector4f(0, 0, 1, 7.0f);  // both shine along -z: away from the origin and onto it
    onto.fConeEdge = 0.25f;
    s.setLights({ambient, sun, point, away, onto});
    refhost::RefShader shader;
    Math::Vector3f origin(0, 0, 0);
    Math::Vector4f dif(1, 2, 3, 4);
    s.lights->setLight(&shader, &origin, 0.5f, &dif, nullptr, 4);
    // The sun (weight first), the tagged point light (red max(red, 0) + 100, alpha its
    // coefficient), the spot facing the origin (type + cone angle; its edge with the axis); the
    // spot facing away is passed over and the walk goes on; unused entries are zero.
    EXPECT_EQ(shader.vectorArray("g_avLightPos"), (Vectors{{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 3, 3.5f}, {0, 0, 0, 0}}));
    EXPECT_EQ(shader.vectorArray("g_avLightColor"),
              (Vectors{{0.5f, 0.5f, 0.5f, 1}, {100, 1, 0.5f, point.fAttenK}, {0.9f, 0.9f, 0.9f, onto.fAttenK}, {0, 0, 0, 0}}));
    EXPECT_EQ(shader.vectorArray("g_avConeDir")[2], Math::Vector4f(0, 0, 1, 0.25f));
    EXPECT_TRUE(shader.vector("lightCount") == Math::Vector4f(3, 3, 3, 3) && shader.vector("ambient") == ambient.vColor);
    EXPECT_TRUE(shader.vector("difColor") == dif && !shader.isSet("specColor"));
    s.lights->setLight(&shader, &origin, 0.5f, nullptr, &dif, 1);  // fewer slots: the walk stops when full
    EXPECT_TRUE(shader.vectorArray("g_avLightPos") == (Vectors{{0, -1, 0, 1}}) && shader.vector("specColor") == dif);
    s.lights->setLight(nullptr, &origin, 1.0f, nullptr, nullptr, 4);  // a null shader does no harm
}

TEST(LightShaderBinding, SetSSLightSplitsTheRenderedSunAndBindsTheTextures) {
    LightPassScene s;
    const LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0});
    const LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {1, 0.8f, 0.6f, 1});
    s.setLights({ambient, sun});
    s.addPointLights(3);
    s.lights->renderLighting();
    s.lights->setDefSpecBright(2.0f);
    refhost::RefShader shader;
    s.lights->setSSLight(&shader, true, 0.25f);  // a quarter of the sun direct, the rest ambient
    expectNear(shader.vector("ambient"), ambient.vColor + sun.vColor * 0.75f);
    expectNear(shader.vector("g_vDefLightColor"), sun.vColor * 0.25f);
    expectNear(shader.vector("g_vDefSpecColor"), sun.vColor * 0.5f);
    EXPECT_EQ(shader.vector("g_vDefLightDir"), Math::Vector4f(0, -1, 0, 4));
    EXPECT_EQ(shader.textureName("g_tLightsList") + " " + shader.textureName("g_tLightsInfo"), s.name(s.set.m_prtLightsList) + " m_rtLights");
    EXPECT_EQ(shader.vectorArray("g_LightListSettings")[1], Math::Vector4f(s.kWidth, s.kHeight, 1.0f / s.kTile, 0));  // not smooth
    EXPECT_EQ(shader.texture("g_tLightsShadows"), nullptr);  // no light matrices in use
    s.lights->setSSLight(&shader, false, 0.5f);
    EXPECT_EQ(shader.textureName("g_tLightsList") + shader.textureName("g_tLightsInfo"), "");

    // The atlas is bound with light matrices in use, outside cube passes.
    s.addAtlas();
    LIGHTDESC spot = makeLight(LIGHT_SPOT, {0, 0, -1}, {1, 1, 1, 1}, 40.0f);
    spot.flags = LIGHTFLAG_SHADOW;
    s.setLights({spot});
    s.lights->updateShadowData();
    s.lights->dynamicShadowsSmooth(true);
    s.lights->renderLighting();
    s.lights->setSSLight(&shader, true, 1.0f);
    EXPECT_EQ(shader.textureName("g_tLightsShadows"), "m_rtLightsDepth");
    EXPECT_EQ(shader.vectorArray("g_LightListSettings")[1].w, 1.0f);  // smooth shadows with the atlas present
    EXPECT_EQ(shader.vectorArray("g_LightListSettings")[5], Math::Vector4f(1024, 512, 1.0f / 1024, 1.0f / 512));
    auto* reflection = static_cast<ReflectionEffector*>(s.man.getEffectorInstance(EFFECTOR_REFLECTION));
    s.host.renderApi().createCubeTarget("probe", 32, 21);
    Math::Vector3d at(0, 0, 0);
    reflection->beginCubeTarget("probe", nullptr, 0, &at, 0);
    s.lights->setSSLight(&shader, true, 1.0f);
    reflection->endCubeTarget();
    EXPECT_EQ(shader.texture("g_tLightsShadows"), nullptr);
    EXPECT_EQ(shader.vectorArray("g_LightListSettings")[5], Math::Vector4f(0, 0, 0, 0));
}

}  // namespace
