// Ambient occlusion of the shadow-map effector, run against the reference host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

class SSAOTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        shadow = std::make_unique<PSMShadow>();
    }
    void TearDown() override {
        shadow->closeSSAO();
        shadow.reset();
        screen.uninit();
        EXPECT_TRUE(host.renderApi().leakedObjects().empty());
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }
    std::vector<refhost::ClientCall> post(const char* op) { return host.clients().callsOf("SysPostEffect", op); }

    refhost::ReferenceHost host;
    std::unique_ptr<PSMShadow> shadow;
    SSDTextures screen;
};

}  // namespace

TEST_F(SSAOTest, InitHalvesLargeScreensAndCloseReleases) {
    EXPECT_EQ(shadow->getSSAOTexture(), host.renderApi().getDefaultTexture());
    shadow->initSSAO(4097, 100);
    ASSERT_NE(shadow->getSSAO(), nullptr);
    ASSERT_NE(shadow->getSSAOSrc(), nullptr);
    RendAPI::ITexture* result = host.renderApi().find("m_prtSSAO");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->getWidth(), 2048);
    EXPECT_EQ(result->getHeight(), 50);
    EXPECT_EQ(result->getFormat(), 23);
    EXPECT_EQ(host.renderApi().find("m_prtSSAOSrc")->getFormat(), 23);
    EXPECT_EQ(shadow->getSSAO()->get(), result);
    EXPECT_EQ(shadow->getSSAOTexture(), result);
    EXPECT_EQ(shadow->getSSAORect(), Math::Vector4f(0.5f / 2048, 0.5f / 50, 1.0f, 1.0f));
    EXPECT_EQ(host.renderApi().refCount("m_prtSSAO"), 2);
    EXPECT_TRUE(host.os().messages().empty());

    shadow->setSSAOActive(false);
    EXPECT_EQ(shadow->getSSAORect(), Math::Vector4f(0, 0, 0, 0));
    shadow->setSSAOActive(true);

    shadow->closeSSAO();
    EXPECT_EQ(shadow->getSSAO(), nullptr);
    EXPECT_EQ(shadow->getSSAOSrc(), nullptr);
    EXPECT_EQ(host.renderApi().refCount("m_prtSSAO"), 1);
    EXPECT_EQ(shadow->getSSAOTexture(), host.renderApi().getDefaultTexture());
    shadow->closeSSAO();  // twice is harmless
}

TEST_F(SSAOTest, UpdateRunsTheThreeOperationsInOrder) {
    screen.init(320, 200, false);
    shadow->setScreenDepthSrc(&screen);
    shadow->initSSAO(160, 100);
    host.clients().clearCalls();

    shadow->updateSSAO(200, 0.75f);
    const auto& calls = host.clients().calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, "computeSSAO");
    EXPECT_EQ(calls[1].op, "depthGuidedFilter");
    EXPECT_EQ(calls[2].op, "copyBack");

    const Math::Vector4f& src = screen.m_vRect;
    const Math::Vector4f own(0.5f / 160, 0.5f / 100, 1.0f, 1.0f);
    EXPECT_EQ(calls[0].objects, (std::vector<std::string>{"m_prtScreenNormal", "m_prtScreenDepth", "m_prtSSAO"}));
    EXPECT_EQ(calls[0].numbers, (std::vector<double>{src.x, src.y, src.z, src.w, own.x, own.y, own.z, own.w, 128,
                                                     0.75f}))
        << "200 samples clamped to 128";
    EXPECT_EQ(calls[1].objects, (std::vector<std::string>{"m_prtSSAO", "m_prtScreenDepth", "m_prtSSAOSrc"}));
    EXPECT_EQ(calls[1].numbers, (std::vector<double>{src.x, src.y, src.z, src.w, own.x, own.y, own.z, own.w}));
    EXPECT_EQ(calls[2].objects, (std::vector<std::string>{"m_prtSSAOSrc", "m_prtSSAO"}));
    EXPECT_EQ(calls[2].numbers, (std::vector<double>{src.x, src.y, src.z, src.w, 1.0, 1, 1}));

    host.clients().clearCalls();
    shadow->updateSSAO(0, 2.0f);
    shadow->updateSSAO(128, 2.0f);
    auto occlusion = post("computeSSAO");
    ASSERT_EQ(occlusion.size(), 2u);
    EXPECT_EQ(occlusion[0].numbers[8], 0);
    EXPECT_EQ(occlusion[1].numbers[8], 128);
    shadow->setScreenDepthSrc(nullptr);
}

TEST_F(SSAOTest, SwitchedOffFillsBothTargetsWhite) {
    screen.init(64, 64, true);
    shadow->setScreenDepthSrc(&screen);
    shadow->initSSAO(64, 64);
    host.renderApi().writePixel("m_prtSSAO", 5, 5, Math::Vector4f(0, 0, 0, 1));
    host.renderApi().writePixel("m_prtSSAOSrc", 5, 5, Math::Vector4f(0, 0, 0, 1));
    host.clients().clearCalls();

    shadow->setSSAOActive(false);
    shadow->updateSSAO(16, 1.0f);
    const auto& calls = host.clients().calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].op, "clearTarget");
    EXPECT_EQ(calls[0].objects, std::vector<std::string>{"m_prtSSAO"});
    EXPECT_EQ(calls[1].objects, std::vector<std::string>{"m_prtSSAOSrc"});
    EXPECT_EQ(calls[0].numbers, (std::vector<double>{1, 1, 1, 1}));
    EXPECT_EQ(host.renderApi().readPixel("m_prtSSAO", 5, 5), Math::Vector4f(1, 1, 1, 1));
    EXPECT_EQ(host.renderApi().readPixel("m_prtSSAOSrc", 5, 5), Math::Vector4f(1, 1, 1, 1));
    EXPECT_EQ(shadow->getSSAORect(), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(shadow->getSSAO()->get(), host.renderApi().find("m_prtSSAO")) << "the result target stays";
    shadow->setScreenDepthSrc(nullptr);
}

TEST_F(SSAOTest, MissingInputsDoNothing) {
    // No targets yet.
    screen.init(64, 64, false);
    shadow->setScreenDepthSrc(&screen);
    shadow->updateSSAO(8, 1.0f);
    EXPECT_TRUE(post("computeSSAO").empty());

    // No screen targets: not even the white fill.
    shadow->initSSAO(64, 64);
    shadow->setScreenDepthSrc(nullptr);
    shadow->setSSAOActive(false);
    shadow->updateSSAO(8, 1.0f);
    EXPECT_TRUE(post("clearTarget").empty());

    // No post-effect client.
    shadow->setScreenDepthSrc(&screen);
    host.clients().setClientMissing("SysPostEffect", true);
    shadow->setSSAOActive(true);
    shadow->updateSSAO(8, 1.0f);
    host.clients().setClientMissing("SysPostEffect", false);
    EXPECT_TRUE(host.clients().calls().empty());

    // Screen targets whose normals could not be made: no occlusion from nothing.
    shadow->setScreenDepthSrc(nullptr);
    screen.uninit();
    host.renderApi().setFailCreation("m_prtScreenNormal", true);
    screen.init(64, 64, false);
    shadow->setScreenDepthSrc(&screen);
    shadow->updateSSAO(8, 1.0f);
    EXPECT_TRUE(host.clients().calls().empty());
    shadow->setScreenDepthSrc(nullptr);
}

TEST_F(SSAOTest, FailedTargetsAreReportedAndSkipped) {
    host.renderApi().setFailCreation("m_prtSSAOSrc", true);
    host.renderApi().setFailCreation("m_prtSSAO", true);
    shadow->initSSAO(64, 32);
    EXPECT_EQ(host.os().messages(), (std::vector<std::string>{"Can not create m_prtSSAOSrc color surface",
                                                              "Can not create m_prtSSAO color surface"}));
    ASSERT_NE(shadow->getSSAO(), nullptr);
    EXPECT_EQ(shadow->getSSAO()->get(), nullptr);
    EXPECT_EQ(shadow->getSSAOTexture(), host.renderApi().getDefaultTexture());
    EXPECT_EQ(shadow->getSSAORect(), Math::Vector4f(0.5f / 64, 0.5f / 32, 1.0f, 1.0f));

    screen.init(64, 32, false);
    shadow->setScreenDepthSrc(&screen);
    for (bool active : {false, true}) {  // nothing to fill, nothing handed to the client
        shadow->setSSAOActive(active);
        shadow->updateSSAO(8, 1.0f);
    }
    EXPECT_TRUE(host.clients().calls().empty());
    shadow->setScreenDepthSrc(nullptr);
}
