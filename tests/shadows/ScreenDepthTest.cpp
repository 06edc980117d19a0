// The screen-depth targets and pass and the ambient occlusion of the shadow-map effector against
// the reference host: target sizes halved beyond 4096 with their failure messages, the pass's
// clears, bindings and edges, and the three occlusion operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShadowPassScene.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/shadows/SSDTextures.h"

namespace {

using namespace shadow_test;
using Strings = std::vector<std::string>;

struct ScreenDepthTest : ::testing::Test, ShadowPassScene {
    SSDTextures set;
    ~ScreenDepthTest() override { shadow->setScreenDepthSrc(nullptr), shadow->closeSSAO(), set.uninit(); }
    // The post effect's calls of op: their objects and, when asked, their numbers.
    Strings post(const char* op, bool numbers = false) {
        Strings out;
        for (const refhost::ClientCall& c : host.clients().callsOf("SysPostEffect", op)) {
            std::string s;
            for (const std::string& o : c.objects) s += o + " ";
            for (size_t i = 0; numbers && i < c.numbers.size(); ++i) s += std::to_string(c.numbers[i]) + " ";
            out.push_back(s);
        }
        return out;
    }
};

TEST_F(ScreenDepthTest, TargetsHalveBeyond4096AndReportFailures) {
    host.renderApi().setMaxTextureSize(8192, 8192);  // the limit is the module's own, per side
    const struct { int width, height; bool edges; const char* targets; } screens[] = {
        {5000, 3000, false, "2500x1500/21 2500x1500/111 none 2500x1500/77"},        // both sides halve
        {8192, 1000, true, "4096x500/21 4096x500/112 4096x500/23 4096x500/77"},     // only the width is too large
        {4096, 2048, false, "4096x2048/21 4096x2048/111 none 4096x2048/77"}};      // the limits are kept
    for (const auto& s : screens) {
        EXPECT_TRUE(set.init(s.width, s.height, s.edges));
        EXPECT_EQ(held("m_prtScreenNormal") + " " + held("m_prtScreenDepth") + " " + held("m_prtEdges") + " " + held("m_psurfScreenDepth"), s.targets);
        set.uninit();
    }
    shadow->initSSAO(4097, 100);  // the occlusion targets halve alike
    EXPECT_EQ(held("m_prtSSAO") + " " + held("m_prtSSAOSrc"), "2048x50/23 2048x50/23");
    EXPECT_TRUE(shadow->getSSAOTexture() == host.renderApi().find("m_prtSSAO") && shadow->getSSAORect() == Math::Vector4f(0.5f / 2048, 0.5f / 50, 1, 1));
    shadow->closeSSAO();
    shadow->closeSSAO();  // twice is harmless
    EXPECT_EQ(held("m_prtSSAO") + std::to_string(host.os().messages().size()), "none0");

    // Targets the renderer refuses are reported and left absent; the rectangles stand; nothing
    // is filled, bound or handed to the client for them.
    for (const char* name : {"m_prtScreenNormal", "m_prtScreenDepth", "m_prtEdges", "m_psurfScreenDepth", "m_prtSSAOSrc", "m_prtSSAO"})
        host.renderApi().setFailCreation(name, true);
    EXPECT_TRUE(set.init(640, 480, true));
    shadow->initSSAO(64, 32);
    EXPECT_EQ(host.os().messages(), (Strings{"Can not create m_prtScreenNormal color surface", "Can not create m_prtScreenDepth color surface",
                                             "Can not create m_prtEdges color surface", "Can not create m_psurfScreenDepth depth surface",
                                             "Can not create m_prtSSAOSrc color surface", "Can not create m_prtSSAO color surface"}));
    EXPECT_TRUE(set.m_vRect == Math::Vector4f(0.5f / 640, 0.5f / 480, 1, 1) && shadow->getSSAORect() == Math::Vector4f(0.5f / 64, 0.5f / 32, 1, 1));
    shadow->setScreenDepthSrc(&set);
    EXPECT_TRUE(shadow->getDepthTexture() == host.renderApi().getDefaultTexture() && shadow->getSSAOTexture() == shadow->getDepthTexture());
    set.clear();
    shadow->beginScreenDepth();
    shadow->endScreenDepth();
    for (bool active : {false, true}) shadow->setSSAOActive(active), shadow->updateSSAO(8, 1.0f);
    EXPECT_EQ(post("clearTarget").size() + post("detectEdges").size() + post("computeSSAO").size(), 0u);
    EXPECT_EQ(unbalanced(), 0);
}

TEST_F(ScreenDepthTest, ThePassClearsBindsAndDerivesEdges) {
    auto* kinematic = static_cast<KinematicEffector*>(man.getEffectorInstance(EFFECTOR_KINEMATIC));
    set.init(64, 32, true);
    kinematic->init(64, 32);
    shadow->setScreenDepthSrc(&set);
    refhost::RefRenderApi& api = host.renderApi();
    for (const char* name : {"m_prtScreenNormal", "m_rtVelocityField", "m_prtEdges"}) api.writePixel(name, 3, 2, {0.5f, 0.5f, 0.5f, 0.5f});
    set.clear();  // every target zeroed through the post effect
    EXPECT_EQ(post("clearTarget"), (Strings{"m_prtScreenNormal ", "m_prtScreenDepth ", "m_prtEdges "}));
    EXPECT_EQ(api.readPixel("m_prtEdges", 3, 2).x, 0.0f);

    shadow->setActive(true);
    shadow->beginScreenDepth();
    EXPECT_TRUE(shadow->isScreenDepthRender() && !shadow->isActive()) << "the pass hides the shadow map";
    EXPECT_TRUE(api.readPixel("m_prtScreenNormal", 3, 2) == Math::Vector4f(0, 0, 0, 0) && api.readPixel("m_rtVelocityField", 3, 2).x == 0);
    EXPECT_EQ(api.readPixel("m_prtScreenDepth", 3, 2).x, 100000.0f);  // the background reads as far away
    EXPECT_EQ(api.readDepth("m_psurfScreenDepth", 3, 2), 1.0f);
    EXPECT_EQ(host.clients().callsOf("Bkgr", "drawRect").at(0).targets[0], "m_prtScreenDepth");
    EXPECT_EQ(api.currentTarget(0)->getName() + std::string(" ") + api.currentTarget(1)->getName() + " " + api.currentTarget(2)->getName() +
                  " " + api.currentDepthSurface()->getName(),
              "m_prtScreenNormal m_prtScreenDepth m_rtVelocityField m_psurfScreenDepth");
    shadow->beginScreenDepth();  // already open: nothing more is pushed
    EXPECT_EQ(api.renderTargetDepth(), 1);
    shadow->endScreenDepth();
    shadow->endScreenDepth();  // not open: no unbalanced resets
    EXPECT_TRUE(!shadow->isScreenDepthRender() && shadow->isActive() && unbalanced() == 0) << "given back while still enabled";
    // The edges: detected from normals and depth, then combined into the depth target.
    const std::string rect = "0.007812 0.015625 1.000000 1.000000 ";
    EXPECT_EQ(post("detectEdges", true), (Strings{"m_prtScreenNormal m_prtScreenDepth m_prtEdges " + rect + rect + "0.050000 1.200000 "}));
    EXPECT_EQ(post("combine", true), (Strings{"m_prtEdges m_prtScreenDepth " + rect + rect + "0.000000 1.000000 0.000000 0.000000 1.000000 "}));

    shadow->setActive(true);  // a map disabled meanwhile stays off
    shadow->beginScreenDepth();
    shadow->enable(false);
    shadow->endScreenDepth();
    EXPECT_FALSE(shadow->isActive());
}

TEST_F(ScreenDepthTest, OcclusionRunsItsThreeOperationsOrFillsWhite) {
    host.renderApi().setMaxTextureSize(1024, 1024);
    set.init(320, 200, false);
    shadow->setScreenDepthSrc(&set);
    shadow->updateSSAO(8, 1.0f);  // no occlusion targets yet
    EXPECT_TRUE(host.clients().calls().empty());
    shadow->initSSAO(160, 100);
    host.clients().clearCalls();
    shadow->updateSSAO(200, 0.75f);  // 200 samples are held to 128
    const std::string screen = "0.001563 0.002500 1.000000 1.000000 ", own = "0.003125 0.005000 1.000000 1.000000 ";
    Strings all;
    for (const char* op : {"computeSSAO", "depthGuidedFilter", "copyBack"}) all.push_back(post(op, true).at(0));
    EXPECT_EQ(all, (Strings{"m_prtScreenNormal m_prtScreenDepth m_prtSSAO " + screen + own + "128.000000 0.750000 ",
                            "m_prtSSAO m_prtScreenDepth m_prtSSAOSrc " + screen + own, "m_prtSSAOSrc m_prtSSAO " + screen + "1.000000 1.000000 1.000000 "}));
    EXPECT_EQ(host.clients().calls().at(0).op + host.clients().calls().at(2).op, "computeSSAOcopyBack");  // in this order

    host.clients().clearCalls();  // switched off: both targets filled white, the rectangle off
    host.renderApi().writePixel("m_prtSSAOSrc", 5, 5, Math::Vector4f(0, 0, 0, 1));
    shadow->setSSAOActive(false);
    shadow->updateSSAO(16, 1.0f);
    EXPECT_EQ(post("clearTarget", true), (Strings{"m_prtSSAO 1.000000 1.000000 1.000000 1.000000 ", "m_prtSSAOSrc 1.000000 1.000000 1.000000 1.000000 "}));
    EXPECT_EQ(host.renderApi().readPixel("m_prtSSAOSrc", 5, 5), Math::Vector4f(1, 1, 1, 1));
    EXPECT_EQ(shadow->getSSAORect(), Math::Vector4f(0, 0, 0, 0));

    host.clients().clearCalls();  // no screen targets: not even the white fill; no normals: nothing
    shadow->setScreenDepthSrc(nullptr);
    shadow->updateSSAO(8, 1.0f);
    shadow->setScreenDepthSrc(&set);
    shadow->setSSAOActive(true);
    set.uninit();
    host.renderApi().setFailCreation("m_prtScreenNormal", true);
    set.init(64, 64, false);
    shadow->updateSSAO(8, 1.0f);
    EXPECT_TRUE(host.clients().calls().empty());
}

}  // namespace
