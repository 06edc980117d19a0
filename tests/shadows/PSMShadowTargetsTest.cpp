// The shadow targets of every quality: sizes, formats, device limits and support rules.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "enviro/shadows/PSMShadow.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

class PSMShadowTargetsTest : public ::testing::Test {
protected:
    void SetUp() override { host.install(); }
    void TearDown() override {
        shadow.reset();
        EXPECT_TRUE(host.renderApi().leakedObjects().empty());
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }
    // Made after the device capabilities are set: the constructor asks them once.
    PSMShadow& make() {
        shadow = std::make_unique<PSMShadow>();
        return *shadow;
    }
    RendAPI::ITexture* find(const char* name) { return host.renderApi().find(name); }
    // Does anything besides the renderer's registry hold the object of that name?
    bool held(const char* name) { return host.renderApi().refCount(name) > 1; }
    bool holdsAny() {
        for (const char* name : {"psm_color", "psm_depth", "psm_depth_ortho", "m_rtLightsDepth", "psm_surface"})
            if (held(name)) return true;
        return false;
    }
    // "w x h / format" of a registered object, or "none".
    std::string describe(const char* name) {
        RendAPI::ITexture* t = find(name);
        if (!t) return "none";
        return std::to_string(t->getWidth()) + "x" + std::to_string(t->getHeight()) + "/" +
               std::to_string(t->getFormat());
    }

    refhost::ReferenceHost host;
    std::unique_ptr<PSMShadow> shadow;
};

}  // namespace

// Device maximum 1024 keeps the images small; the largest map sizes are covered by
// LimitsLowerTheMapAndTheAtlas.
TEST_F(PSMShadowTargetsTest, EveryQualityCreatesItsTargets) {
    host.renderApi().setMaxTextureSize(1024, 1024);
    PSMShadow& s = make();

    s.initShadows(0, 2);
    EXPECT_EQ(s.getShadowsQuality(), 0);
    EXPECT_EQ(find("psm_depth"), nullptr) << "quality 0 creates nothing, whatever the lights";
    EXPECT_EQ(find("m_rtLightsDepth"), nullptr);
    EXPECT_EQ(s.getSmoothOffs(), Math::Vector4f(2.0f / 1024, 2.0f / 1024, 1.0f, 0.0f));

    s.initShadows(1, 0);  // hardware depth
    EXPECT_EQ(describe("psm_color"), "1024x1024/23");
    EXPECT_EQ(describe("psm_depth_ortho"), "1024x1024/80");
    EXPECT_EQ(describe("psm_depth"), "1024x1024/80");
    EXPECT_EQ(describe("psm_surface"), "none") << "hardware depth without lights needs no surface";
    EXPECT_EQ(describe("m_rtLightsDepth"), "none");
    EXPECT_EQ(s.getSmoothOffs(), Math::Vector4f(2.0f / 1024, 2.0f / 1024, 1.0f, 1.0f));
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 2);

    s.initShadows(1, 1);
    EXPECT_EQ(describe("m_rtLightsDepth"), "512x256/114");
    EXPECT_EQ(describe("psm_surface"), "1024x1024/80");

    s.initShadows(4, 2);  // float depth
    EXPECT_EQ(describe("psm_depth"), "1024x1024/114");
    EXPECT_EQ(describe("psm_depth_ortho"), "1024x1024/111");
    EXPECT_EQ(describe("m_rtLightsDepth"), "1024x512/114");
    EXPECT_EQ(describe("psm_surface"), "1024x1024/80");
    EXPECT_EQ(s.getSmoothOffs(), Math::Vector4f(2.0f / 1024, 2.0f / 1024, 1.0f, 0.0f));
    // The hardware-path targets of the earlier quality are gone: only the float ones are held.
    EXPECT_EQ(host.renderApi().refCount("psm_color"), 1);
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 2);

    s.initShadows(4, 0);
    EXPECT_EQ(host.renderApi().refCount("m_rtLightsDepth"), 1) << "released";
    EXPECT_EQ(host.renderApi().refCount("psm_surface"), 2) << "the float path always has its surface";

    s.uninitShadows();
    EXPECT_EQ(s.getShadowsQuality(), 4) << "the quality is kept";
    EXPECT_FALSE(holdsAny());
}

TEST_F(PSMShadowTargetsTest, QualitiesDoubleUntilTheDeviceLimit) {
    host.renderApi().setMaxTextureSize(2048, 1024);
    PSMShadow& s = make();
    // 2048, 4096, 8192 before the limit: the width limit first, then the height limit.
    for (short q : {1, 2, 3, 4, 5, 6}) {
        s.initShadows(q, 1);
        EXPECT_EQ(s.getShadowsQuality(), q);
        EXPECT_EQ(find("psm_depth")->getWidth(), 1024) << q;
        EXPECT_EQ(describe("m_rtLightsDepth"), "512x256/114") << q;
    }
    s.uninitShadows();
}

TEST_F(PSMShadowTargetsTest, LimitsLowerTheMapAndTheAtlas) {
    // Quality 1 and 4 are 2048 without a limit: below the limit nothing changes.
    host.renderApi().setMaxTextureSize(4096, 4096);
    PSMShadow& s = make();
    s.initShadows(1, 0);
    EXPECT_EQ(describe("psm_depth"), "2048x2048/80");
    s.uninitShadows();
    s.initShadows(2, 0);
    EXPECT_EQ(describe("psm_depth"), "4096x4096/80");
    s.uninitShadows();
    s.initShadows(3, 0);
    EXPECT_EQ(describe("psm_depth"), "4096x4096/80") << "8192 lowered to the device limit";
    s.uninitShadows();
    s.initShadows(6, 2);
    EXPECT_EQ(describe("psm_depth"), "4096x4096/114");
    EXPECT_EQ(describe("m_rtLightsDepth"), "4096x2048/114");
    EXPECT_EQ(s.getSmoothOffs(), Math::Vector4f(2.0f / 4096, 2.0f / 4096, 1.0f, 0.0f));
    s.uninitShadows();
}

TEST_F(PSMShadowTargetsTest, ArgumentsAreClamped) {
    host.renderApi().setMaxTextureSize(512, 512);
    PSMShadow& s = make();
    s.initShadows(9, 5);
    EXPECT_EQ(s.getShadowsQuality(), 6);
    EXPECT_EQ(describe("psm_depth"), "512x512/114");
    EXPECT_EQ(describe("m_rtLightsDepth"), "512x256/114") << "light-depth quality 2";
    s.uninitShadows();

    s.initShadows(-3, -1);
    EXPECT_EQ(s.getShadowsQuality(), 0);
    EXPECT_FALSE(holdsAny());
    s.initShadows(2, -7);
    EXPECT_FALSE(held("psm_surface")) << "light-depth quality 0: no atlas, no surface";
    EXPECT_FALSE(held("m_rtLightsDepth"));
    EXPECT_TRUE(held("psm_depth"));
    s.uninitShadows();
}

TEST_F(PSMShadowTargetsTest, UnsupportedFormatsTurnTheQualityOff) {
    host.renderApi().setMaxTextureSize(512, 512);
    host.renderApi().setFormatSupport(RendAPI::FMT_R16F, false, false);
    PSMShadow& noFloat = make();
    for (short q : {4, 5, 6}) {
        noFloat.initShadows(q, 2);
        EXPECT_EQ(noFloat.getShadowsQuality(), 0) << q;
        EXPECT_EQ(find("psm_depth"), nullptr) << q;
        EXPECT_EQ(find("m_rtLightsDepth"), nullptr) << q;
    }
    noFloat.initShadows(3, 0);
    EXPECT_EQ(noFloat.getShadowsQuality(), 3) << "hardware depth needs no float target";
    noFloat.uninitShadows();

    host.renderApi().setFormatSupport(RendAPI::FMT_R16F, true, false);
    host.renderApi().setFormatSupport(RendAPI::FMT_D16, true, false);  // a surface, not a texture
    PSMShadow& noDepthTexture = make();
    for (short q : {1, 2, 3}) {
        noDepthTexture.initShadows(q, 1);
        EXPECT_EQ(noDepthTexture.getShadowsQuality(), 0) << q;
    }
    noDepthTexture.initShadows(5, 1);
    EXPECT_EQ(noDepthTexture.getShadowsQuality(), 5);
    EXPECT_EQ(describe("psm_surface"), "512x512/80");
    noDepthTexture.uninitShadows();
}

TEST_F(PSMShadowTargetsTest, FailedCreationIsSilentAndLeavesTheEffectorDisabled) {
    host.renderApi().setMaxTextureSize(512, 512);
    host.renderApi().setFailCreation("psm_depth", true);
    PSMShadow& s = make();
    s.initShadows(4, 1);
    EXPECT_EQ(s.getShadowsQuality(), 4);
    EXPECT_TRUE(host.os().messages().empty());
    EXPECT_NE(find("psm_depth_ortho"), nullptr);
    s.enable(true);
    EXPECT_FALSE(s.isEnabled());
    s.uninitShadows();
}
