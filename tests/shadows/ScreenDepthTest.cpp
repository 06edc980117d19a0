// The screen-depth target set and the screen-depth pass of the shadow-map effector, run against
// the reference host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

const char* const kNames[] = {"m_prtScreenNormal", "m_prtScreenDepth", "m_prtEdges", "m_psurfScreenDepth"};

class ScreenDepthTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        manager = std::make_unique<EffectorMan>();
        effectorMan = manager.get();
        shadow = static_cast<PSMShadow*>(manager->getEffectorInstance(EFFECTOR_PSMSHADOW));
        kinematic = static_cast<KinematicEffector*>(manager->getEffectorInstance(EFFECTOR_KINEMATIC));
        ASSERT_NE(shadow, nullptr);
        ASSERT_NE(kinematic, nullptr);
    }
    void TearDown() override {
        set.uninit();
        effectorMan = nullptr;
        manager.reset();
        EXPECT_TRUE(host.renderApi().leakedObjects().empty());
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }
    Math::Vector4f pixel(const char* name) { return host.renderApi().readPixel(name, 3, 2); }
    void seed(const char* name) { host.renderApi().writePixel(name, 3, 2, Math::Vector4f(0.5f, 0.5f, 0.5f, 0.5f)); }
    RendAPI::ITexture* find(const char* name) { return host.renderApi().find(name); }

    refhost::ReferenceHost host;
    std::unique_ptr<EffectorMan> manager;
    PSMShadow* shadow = nullptr;
    KinematicEffector* kinematic = nullptr;
    SSDTextures set;
};

}  // namespace

TEST_F(ScreenDepthTest, InitHalvesLargeScreensAndPicksFormats) {
    EXPECT_TRUE(set.init(5000, 3000, false));
    EXPECT_EQ(set.m_prtScreenNormal->getWidth(), 2500);
    EXPECT_EQ(set.m_prtScreenNormal->getHeight(), 1500);
    EXPECT_EQ(find("m_prtScreenNormal")->getFormat(), 21);
    EXPECT_EQ(find("m_prtScreenDepth")->getFormat(), 111);
    EXPECT_EQ(find("m_psurfScreenDepth")->getFormat(), 77);
    EXPECT_EQ(set.m_psurfScreenDepth->get(), find("m_psurfScreenDepth"));
    EXPECT_EQ(set.m_prtEdges, nullptr);
    EXPECT_EQ(find("m_prtEdges"), nullptr);
    EXPECT_EQ(set.m_vRect, Math::Vector4f(0.5f / 2500, 0.5f / 1500, 1.0f, 1.0f));
    EXPECT_EQ(host.renderApi().refCount("m_prtScreenDepth"), 2);  // registry + wrapper
    set.uninit();
    EXPECT_EQ(set.m_prtScreenNormal, nullptr);
    EXPECT_EQ(set.m_psurfScreenDepth, nullptr);
    EXPECT_EQ(host.renderApi().refCount("m_prtScreenDepth"), 1);

    // Only the width is too large, yet both sides halve; the limits themselves are kept.
    set.init(8192, 1000, true);
    EXPECT_EQ(set.m_prtEdges->get(), find("m_prtEdges"));
    EXPECT_EQ(find("m_prtEdges")->getWidth(), 4096);
    EXPECT_EQ(find("m_prtEdges")->getHeight(), 500);
    EXPECT_EQ(find("m_prtEdges")->getFormat(), 23);
    EXPECT_EQ(find("m_prtScreenDepth")->getFormat(), 112);
    set.uninit();
    EXPECT_EQ(set.m_prtEdges, nullptr);
    set.init(4096, 2048, false);
    EXPECT_EQ(find("m_prtScreenDepth")->getWidth(), 4096);
    EXPECT_EQ(find("m_prtScreenDepth")->getHeight(), 2048);
    EXPECT_TRUE(host.os().messages().empty());
}

TEST_F(ScreenDepthTest, FailedTargetsAreReportedAndLeftAbsent) {
    for (const char* name : kNames) host.renderApi().setFailCreation(name, true);
    EXPECT_TRUE(set.init(640, 480, true));
    EXPECT_EQ(host.os().messages(), (std::vector<std::string>{
                                        "Can not create m_prtScreenNormal color surface",
                                        "Can not create m_prtScreenDepth color surface",
                                        "Can not create m_prtEdges color surface",
                                        "Can not create m_psurfScreenDepth depth surface"}));
    ASSERT_NE(set.m_prtEdges, nullptr);
    EXPECT_EQ(set.m_prtEdges->get(), nullptr);
    EXPECT_EQ(set.m_vRect, Math::Vector4f(0.5f / 640, 0.5f / 480, 1.0f, 1.0f));

    shadow->setScreenDepthSrc(&set);
    RendAPI::ITexture* fallback = host.renderApi().getDefaultTexture();
    EXPECT_EQ(shadow->getDepthTexture(), fallback);
    EXPECT_EQ(shadow->getEdgesTexture(), fallback);
    set.clear();
    EXPECT_TRUE(host.clients().callsOf("SysPostEffect", "clearTarget").empty());
    shadow->beginScreenDepth();  // binds nothing, but stays balanced
    shadow->endScreenDepth();
    EXPECT_TRUE(host.clients().callsOf("SysPostEffect", "detectEdges").empty());
}

TEST_F(ScreenDepthTest, ClearZeroesEveryTargetThroughThePostEffect) {
    set.init(64, 32, true);
    for (const char* name : {"m_prtScreenNormal", "m_prtScreenDepth", "m_prtEdges"}) seed(name);
    set.clear();
    auto calls = host.clients().callsOf("SysPostEffect", "clearTarget");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].objects[0], "m_prtScreenNormal");
    EXPECT_EQ(calls[1].objects[0], "m_prtScreenDepth");
    EXPECT_EQ(calls[2].objects[0], "m_prtEdges");
    EXPECT_EQ(pixel("m_prtScreenNormal"), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(pixel("m_prtScreenDepth").y, 0.0f);
    EXPECT_EQ(pixel("m_prtEdges").x, 0.0f);
}

TEST_F(ScreenDepthTest, WithoutSourceEverythingIsOffOrFallsBack) {
    EXPECT_EQ(shadow->getScreenDepthSrc(), nullptr);
    EXPECT_EQ(shadow->getScreenNormals(), nullptr);
    EXPECT_EQ(shadow->getScreenDepth(), nullptr);
    EXPECT_EQ(shadow->getScreenEdges(), nullptr);
    EXPECT_EQ(shadow->getDepthTexture(), host.renderApi().getDefaultTexture());
    EXPECT_EQ(shadow->getScreenRect(), Math::Vector4f(0, 0, 1, 1));
    EXPECT_EQ(shadow->getScreenDepthRange(), 2000.0f);
    shadow->beginScreenDepth();
    EXPECT_FALSE(shadow->isScreenDepthRender());
    shadow->endScreenDepth();
    EXPECT_TRUE(host.clients().calls().empty());
    EXPECT_EQ(host.renderMan().flushCount(), 0);

    set.init(64, 32, false);
    shadow->setScreenDepthSrc(&set);
    EXPECT_EQ(shadow->getScreenNormals(), set.m_prtScreenNormal);
    EXPECT_EQ(shadow->getDepthTexture(), find("m_prtScreenDepth"));
    EXPECT_EQ(shadow->getScreenEdges(), nullptr);
    EXPECT_EQ(shadow->getEdgesTexture(), host.renderApi().getDefaultTexture());
    EXPECT_EQ(shadow->getScreenRect(), set.m_vRect);
}

TEST_F(ScreenDepthTest, BeginClearsFillsAndBindsThePass) {
    set.init(64, 32, false);
    kinematic->init(64, 32);
    shadow->setScreenDepthSrc(&set);
    for (const char* name : {"m_prtScreenNormal", "m_rtVelocityField"}) seed(name);
    auto& api = host.renderApi();

    shadow->beginScreenDepth();
    EXPECT_TRUE(shadow->isScreenDepthRender());
    EXPECT_EQ(pixel("m_prtScreenNormal"), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(pixel("m_rtVelocityField").x, 0.0f);
    EXPECT_EQ(pixel("m_prtScreenDepth").x, 100000.0f);  // the background reads as far away
    EXPECT_EQ(api.readDepth("m_psurfScreenDepth", 3, 2), 1.0f);
    ASSERT_EQ(host.renderMan().calls().size(), 1u);
    EXPECT_EQ(host.renderMan().calls()[0].op, "flush");
    EXPECT_EQ(host.renderMan().calls()[0].mode, 1);
    auto draws = host.clients().callsOf("Bkgr", "drawRect");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].numbers, (std::vector<double>{0, 0, -1, -1}));
    EXPECT_EQ(draws[0].objects[0], "<default>");
    EXPECT_EQ(draws[0].targets[0], "m_prtScreenDepth");

    EXPECT_EQ(api.renderTargetDepth(), 1);
    EXPECT_EQ(api.depthSurfaceDepth(), 1);
    EXPECT_EQ(api.currentTarget(0), find("m_prtScreenNormal"));
    EXPECT_EQ(api.currentTarget(1), find("m_prtScreenDepth"));
    EXPECT_EQ(api.currentTarget(2), find("m_rtVelocityField"));
    EXPECT_EQ(api.currentDepthSurface(), find("m_psurfScreenDepth"));
    EXPECT_EQ(api.viewport().width, 64);
    EXPECT_EQ(api.viewport().height, 32);

    shadow->beginScreenDepth();  // already open: nothing more is pushed
    EXPECT_EQ(api.renderTargetDepth(), 1);
    shadow->endScreenDepth();
    EXPECT_FALSE(shadow->isScreenDepthRender());
    EXPECT_EQ(api.renderTargetDepth(), 0);
    EXPECT_EQ(api.depthSurfaceDepth(), 0);
    EXPECT_EQ(host.clients().bkgr().getColor(), Math::Vector4f(1, 1, 1, 1));
    shadow->endScreenDepth();  // not open: no unbalanced resets

    // Without a velocity target the third slot stays empty.
    kinematic->uninit();
    shadow->beginScreenDepth();
    EXPECT_EQ(api.currentTarget(2), nullptr);
    shadow->endScreenDepth();
}

TEST_F(ScreenDepthTest, PassHidesTheShadowMapAndRestoresItIfStillEnabled) {
    host.renderApi().createRenderTarget("psm_depth", 16, 16, 114, 1);
    set.init(64, 32, false);
    shadow->setScreenDepthSrc(&set);

    shadow->setActive(true);
    EXPECT_FALSE(shadow->isActive());  // not enabled yet
    shadow->enable(true);
    ASSERT_TRUE(shadow->isEnabled());
    shadow->setActive(true);
    shadow->beginScreenDepth();
    EXPECT_FALSE(shadow->isActive());
    shadow->endScreenDepth();
    EXPECT_TRUE(shadow->isActive());
    shadow->setActive(false);  // an inactive map stays inactive
    shadow->beginScreenDepth();
    shadow->endScreenDepth();
    EXPECT_FALSE(shadow->isActive());

    shadow->setActive(true);
    shadow->beginScreenDepth();
    shadow->enable(false);
    shadow->endScreenDepth();
    EXPECT_FALSE(shadow->isActive());

    PSMShadow copy(*shadow);  // shares the source
    EXPECT_EQ(copy.getScreenDepthSrc(), &set);
}

TEST_F(ScreenDepthTest, EndDerivesEdgesIntoTheDepthTarget) {
    set.init(64, 32, true);
    shadow->setScreenDepthSrc(&set);
    shadow->beginScreenDepth();
    shadow->endScreenDepth();
    std::vector<std::string> order;
    for (const auto& c : host.clients().calls())
        if (c.client == "SysPostEffect") order.push_back(c.op);
    EXPECT_EQ(order, (std::vector<std::string>{"detectEdges", "combine"}));

    const double rx = 0.5f / 64, ry = 0.5f / 32;
    auto edges = host.clients().callsOf("SysPostEffect", "detectEdges");
    EXPECT_EQ(edges[0].objects, (std::vector<std::string>{"m_prtScreenNormal", "m_prtScreenDepth", "m_prtEdges"}));
    EXPECT_EQ(edges[0].numbers, (std::vector<double>{rx, ry, 1, 1, rx, ry, 1, 1, 0.05f, 1.2f}));
    auto combine = host.clients().callsOf("SysPostEffect", "combine");
    EXPECT_EQ(combine[0].objects, (std::vector<std::string>{"m_prtEdges", "m_prtScreenDepth"}));
    EXPECT_EQ(combine[0].numbers, (std::vector<double>{rx, ry, 1, 1, rx, ry, 1, 1, 0, 1, 0, 0, 1}));
}
