// The shadow-map effector's description, flags, target names, light-space matrix, state stack and
// copy semantics.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "enviro/effector/EffectorType.h"
#include "enviro/host/Math3D.h"
#include "enviro/shadows/PSMShadow.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

class PSMShadowStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        host.renderApi().setMaxTextureSize(512, 512);
    }
    void TearDown() override {
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }

    refhost::ReferenceHost host;
};

Math::Matrix4f sampleMatrix() {
    Math::Matrix4f m;
    const float v[16] = {2, 0, 1, 0, 0, 3, 0, 0, 1, 0, 1, 0, 5, -2, 7, 1};
    std::memcpy(m.m, v, sizeof(v));
    return m;
}

bool nearIdentity(const Math::Matrix4f& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(m.m[r][c] - (r == c ? 1.0f : 0.0f)) > 1e-5f) return false;
    return true;
}

}  // namespace

TEST_F(PSMShadowStateTest, FreshObjectHasTheDefaults) {
    PSMShadow shadow;
    PSMDESC* desc = shadow.getDesc();
    const float diagonal = static_cast<float>(-1.0 / std::sqrt(3.0));
    EXPECT_FLOAT_EQ(desc->vLightDir.x, -0.57735026f);
    EXPECT_EQ(desc->vLightDir, Math::Vector3f(diagonal, diagonal, diagonal));
    EXPECT_EQ(desc->fShadowDistance, 700.0f);
    EXPECT_EQ(desc->fHostParam0, 250.0f);
    EXPECT_EQ(desc->fHostParam1, 1.0f);
    EXPECT_EQ(desc->fGroundLevel, 0.0f);
    EXPECT_EQ(desc->fSlideBack, 0.005f);
    EXPECT_EQ(shadow.getDataSize(), 32);
    EXPECT_EQ(shadow.getType(), EFFECTOR_PSMSHADOW);
    EXPECT_FALSE(shadow.isEnabled());
    EXPECT_FALSE(shadow.isActive());
    EXPECT_EQ(shadow.isDepthRender(), 0);
    EXPECT_EQ(shadow.isFrontSide(), 0);
    Math::Matrix4f zero;
    zero.set(0.0f);
    ASSERT_NE(shadow.getLightSpace(), nullptr);
    EXPECT_EQ(*shadow.getLightSpace(), zero);
    EXPECT_EQ(shadow.getScreenRect(), Math::Vector4f(0, 0, 1, 1));
    EXPECT_EQ(shadow.getShadowsQuality(), 0);
    EXPECT_EQ(shadow.getShadowBias(), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(shadow.getSSAO(), nullptr);
    EXPECT_EQ(shadow.getSSAORect(), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(shadow.getStateDepth(), 0);
    EXPECT_EQ(host.renderApi().liveObjectCount(), 1) << "the constructor creates no target (the default texture)";

    PSMDESC mine = *desc;
    mine.fShadowDistance = 123.0f;
    mine.fGroundLevel = -4.0f;
    shadow.setDesc(&mine);
    EXPECT_EQ(shadow.getDesc()->fShadowDistance, 123.0f);
    EXPECT_EQ(shadow.getDesc()->fGroundLevel, -4.0f);
    shadow.setDesc(nullptr);  // ignored
    EXPECT_EQ(shadow.getDesc()->fShadowDistance, 123.0f);
}

TEST_F(PSMShadowStateTest, EnableNeedsTheDepthTextureAndActiveNeedsEnabled) {
    PSMShadow shadow;
    shadow.setActive(true);
    EXPECT_FALSE(shadow.isActive());
    shadow.enable(true);  // no "psm_depth" yet
    EXPECT_FALSE(shadow.isEnabled());

    shadow.initShadows(4, 0);
    // The constant name counts, not the depth-target name.
    shadow.setTargets(const_cast<char*>("nothing"), nullptr);
    shadow.enable(true);
    EXPECT_TRUE(shadow.isEnabled());
    shadow.setActive(true);
    EXPECT_TRUE(shadow.isActive());
    shadow.enable(true);
    EXPECT_FALSE(shadow.isActive()) << "enabling again invalidates the current map";
    shadow.setActive(true);
    shadow.enable(false);
    EXPECT_FALSE(shadow.isEnabled());
    EXPECT_FALSE(shadow.isActive());
    shadow.uninitShadows();
}

TEST_F(PSMShadowStateTest, TargetNamesDefaultTruncateAndFindTheTexture) {
    PSMShadow shadow;
    EXPECT_EQ(shadow.getDepthTarget(), nullptr);
    shadow.initShadows(4, 0);
    EXPECT_EQ(shadow.getDepthTarget(), host.renderApi().find("psm_depth"));

    shadow.setTargets(const_cast<char*>("psm_depth_ortho"), const_cast<char*>("x"));
    EXPECT_EQ(shadow.getDepthTarget(), host.renderApi().find("psm_depth_ortho"));
    PSMSTATE s;
    shadow.getState(&s);
    EXPECT_STREQ(s.szDepthTarget, "psm_depth_ortho");
    EXPECT_STREQ(s.szColorTarget, "x");

    shadow.setTargets(nullptr, const_cast<char*>("y"));
    shadow.getState(&s);
    EXPECT_STREQ(s.szDepthTarget, "psm_depth");
    EXPECT_STREQ(s.szColorTarget, "y");

    std::string longName(100, 'n');
    shadow.setTargets(&longName[0], nullptr);
    shadow.getState(&s);
    EXPECT_EQ(std::string(s.szDepthTarget), std::string(63, 'n'));
    EXPECT_STREQ(s.szColorTarget, "psm_color");
    shadow.uninitShadows();
}

TEST_F(PSMShadowStateTest, SetMatrixPointsAndInverts) {
    PSMShadow shadow;
    Math::Matrix4f m = sampleMatrix();
    shadow.setMatrix(&m);
    EXPECT_EQ(shadow.getLightSpace(), &m);
    Math::Matrix4f product;
    Math::multiply(&product, &m, shadow.getLightSpaceInverse());
    EXPECT_TRUE(nearIdentity(product));

    // Back to the own (zero, singular) matrix: the inverse of a singular matrix is the matrix.
    shadow.setMatrix(nullptr);
    EXPECT_NE(shadow.getLightSpace(), &m);
    EXPECT_EQ(*shadow.getLightSpaceInverse(), *shadow.getLightSpace());
    Math::Matrix4f singular = sampleMatrix();
    for (int c = 0; c < 4; ++c) singular.m[1][c] = 2.0f * singular.m[0][c];
    shadow.setMatrix(&singular);
    EXPECT_EQ(*shadow.getLightSpaceInverse(), singular);
}

TEST_F(PSMShadowStateTest, StateStackRestoresFlagsNamesAndMatrix) {
    PSMShadow shadow;
    shadow.initShadows(4, 0);
    shadow.enable(true);
    shadow.setActive(true);
    Math::Matrix4f m = sampleMatrix();

    shadow.pushState();
    EXPECT_EQ(shadow.getStateDepth(), 1);
    shadow.setTargets(const_cast<char*>("a"), const_cast<char*>("b"));
    shadow.setMatrix(&m);
    shadow.enable(false);
    shadow.popState();
    EXPECT_EQ(shadow.getStateDepth(), 0);
    EXPECT_TRUE(shadow.isEnabled());
    EXPECT_TRUE(shadow.isActive());
    EXPECT_NE(shadow.getLightSpace(), &m);
    EXPECT_EQ(*shadow.getLightSpaceInverse(), *shadow.getLightSpace()) << "inverse recomputed";
    PSMSTATE s;
    shadow.getState(&s);
    EXPECT_STREQ(s.szDepthTarget, "psm_depth");
    EXPECT_STREQ(s.szColorTarget, "psm_color");

    // An empty stack: popState does nothing.
    shadow.setMatrix(&m);
    shadow.popState();
    EXPECT_EQ(shadow.getLightSpace(), &m);

    // setState then getState gives the state back, field by field; the stack stays as it was.
    shadow.pushState();
    PSMSTATE given;
    std::memset(&given, 0x5a, sizeof(given));  // names without terminator: bounded to 63 bytes
    given.bDepthRender = 1;
    given.bFrontSide = 0;
    given.bEnabled = false;
    given.bActive = true;
    given.pLightSpace = &m;
    std::strcpy(given.szColorTarget, "colour");
    shadow.setState(&given);
    EXPECT_EQ(shadow.getStateDepth(), 1);
    PSMSTATE back;
    shadow.getState(&back);
    EXPECT_EQ(shadow.getStateDepth(), 1);
    EXPECT_EQ(back.bDepthRender, 1);
    EXPECT_EQ(back.bFrontSide, 0);
    EXPECT_FALSE(back.bEnabled);
    EXPECT_TRUE(back.bActive);
    EXPECT_EQ(back.pLightSpace, &m);
    EXPECT_EQ(std::string(back.szDepthTarget), std::string(63, '\x5a'));
    EXPECT_STREQ(back.szColorTarget, "colour");
    EXPECT_EQ(shadow.isDepthRender(), 1);
    Math::Matrix4f product;
    Math::multiply(&product, &m, shadow.getLightSpaceInverse());
    EXPECT_TRUE(nearIdentity(product));
    shadow.popState();
    EXPECT_TRUE(shadow.isEnabled());
    EXPECT_EQ(shadow.isDepthRender(), 0);
    shadow.setState(nullptr);
    shadow.getState(nullptr);
    EXPECT_EQ(shadow.getStateDepth(), 0);
    shadow.uninitShadows();
}

TEST_F(PSMShadowStateTest, CopiesTakeReferencesAndTheirOwnLightSpace) {
    auto* shadow = new PSMShadow();
    shadow->initShadows(4, 1);
    shadow->enable(true);
    shadow->pushState();
    shadow->initSSAO(64, 32);
    *shadow->getLightSpace() = sampleMatrix();  // the effector's own matrix, written in place
    ASSERT_EQ(host.renderApi().refCount("psm_depth"), 2);  // registry + the effector

    PSMShadow copy(*shadow);
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 3);
    EXPECT_EQ(host.renderApi().refCount("m_rtLightsDepth"), 3);
    EXPECT_EQ(host.renderApi().refCount("psm_surface"), 3);
    EXPECT_NE(copy.getLightSpace(), shadow->getLightSpace()) << "own matrix, not the source's";
    EXPECT_EQ(*copy.getLightSpace(), sampleMatrix());
    EXPECT_EQ(copy.getStateDepth(), 1);
    EXPECT_TRUE(copy.isEnabled());
    EXPECT_EQ(copy.getShadowsQuality(), 4);
    EXPECT_EQ(copy.getSSAO(), shadow->getSSAO()) << "occlusion wrappers are shared";

    Math::Matrix4f external = sampleMatrix();
    shadow->setMatrix(&external);
    PSMShadow assigned;
    assigned = *shadow;
    EXPECT_EQ(assigned.getLightSpace(), &external) << "a foreign matrix is copied as a pointer";
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 4);
    assigned = assigned;  // self-assignment keeps the references
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 4);

    shadow->closeSSAO();
    delete shadow;
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 3);
    copy.uninitShadows();
    assigned.uninitShadows();
    EXPECT_EQ(host.renderApi().refCount("psm_depth"), 1);
    EXPECT_TRUE(host.renderApi().leakedObjects().empty());
}
