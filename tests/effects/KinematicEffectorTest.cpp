// The velocity-field effector against the reference host: its target, the camera cut rule, the
// object jump rule and the shader constants of the screen-depth pass.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefShader.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

struct InstalledHost : refhost::ReferenceHost {
    InstalledHost() { install(); }
};

// The effectors of a manager on the reference host, with a 64 x 32 screen-depth source.
class KinematicTest : public ::testing::Test {
protected:
    void SetUp() override {
        effectorMan = &manager;
        screen.init(64, 32, false);
        shadow->setScreenDepthSrc(&screen);
    }
    void TearDown() override {
        shadow->endScreenDepth();
        shadow->setScreenDepthSrc(nullptr);
        screen.uninit();
        effectorMan = nullptr;
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }
    // Moves the camera by its base (the drawing frame moves with it, so the move is the
    // camera-motion matrix's), changes its view-projection (by the field of view) and tracks.
    Math::Matrix4f trackAt(double x, float fov) {
        const double pos[4] = {x, 0.0, 0.0, 0.0};
        host.camera().setBasePosition(pos);
        host.camera().setFov(fov);
        kin->trackCameraVelocity(0.016f);
        return host.camera().viewProjMatrix();
    }
    // The previous frame's object view-projection the pass is given, against the product a * b.
    void expectPrevObjViewProj(Math::Matrix4f* objPrev, Math::Matrix4f a, Math::Matrix4f b = Math::Matrix4f::identity()) {
        Math::Matrix4f expected;
        Math::multiply(&expected, &a, &b);
        kin->applyShaderVelocities(&shader, objPrev);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(shader.matrix("g_mPrevObjViewProj").m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-4f * (1 + std::fabs(expected.m[i / 4][i % 4]))) << i;
    }

    InstalledHost host;
    EffectorMan manager;
    KinematicEffector* kin = static_cast<KinematicEffector*>(manager.getEffectorInstance(EFFECTOR_KINEMATIC));
    PSMShadow* shadow = static_cast<PSMShadow*>(manager.getEffectorInstance(EFFECTOR_PSMSHADOW));
    SSDTextures screen;
    refhost::RefShader shader;
};

}  // namespace

TEST_F(KinematicTest, VelocityTargetIsHalvedToFitOrReportedWhenRefused) {
    const struct { short w, h; int tw, th; } cases[] = {{5000, 3000, 2500, 1500}, {4096, 4096, 2048, 2048}, {8192, 1024, 4096, 512}, {4096, 2048, 4096, 2048}};
    for (const auto& c : cases) {
        kin->init(c.w, c.h);
        RendAPI::ITexture* target = kin->getCurVF()->get();
        EXPECT_EQ(target, host.renderApi().find("m_rtVelocityField"));
        EXPECT_EQ(std::vector<int>({target->getWidth(), target->getHeight(), target->getFormat()}), std::vector<int>({c.tw, c.th, 112}));
    }
    host.renderApi().setFailCreation("m_rtVelocityField", true);
    kin->init(640, 480);
    EXPECT_EQ(host.os().messages(), std::vector<std::string>{"Can not create m_rtVelocityField color surface"});
    EXPECT_EQ(kin->getCurVF(), nullptr);
    host.camera().setAspect(1.5f);
    trackAt(0, 1.0f);
    kin->applyShaderVelocities(&shader, nullptr);  // outside the screen-depth pass: nothing
    EXPECT_TRUE(shader.setNames().empty());
    shadow->beginScreenDepth();
    kin->applyShaderVelocities(&shader, nullptr);  // without its target the effect is off
    EXPECT_EQ(shader.vector("g_vKSettings"), Math::Vector4f(0.0f, 1.5f, 0, 0));
    EXPECT_FALSE(shader.isSet("g_mPrevObjViewProj"));
}

TEST_F(KinematicTest, CameraMovesAndObjectJumpsOfLength25AreCuts) {
    auto translation = [](float x) {
        Math::Matrix4f m = Math::Matrix4f::identity();
        m.m[3][0] = x;
        return m;
    };
    kin->init(64, 32);
    shadow->beginScreenDepth();
    const Math::Matrix4f prev = trackAt(5, 1.2f);
    expectPrevObjViewProj(nullptr, prev);  // the first frame after init has no previous frame
    Math::Matrix4f vp = trackAt(5 + 24.9, 1.3f);  // |(24.9, 0, 0, 1)| is 24.92: still motion
    expectPrevObjViewProj(nullptr, translation(24.9f), prev);
    vp = trackAt(5 + 24.9 + 24.99, 1.4f);  // |(24.99, 0, 0, 1)| is 25.01: the 1 decides
    expectPrevObjViewProj(nullptr, vp);
    trackAt(5 + 24.9 + 24.99 + 1, 1.5f);
    Math::Matrix4f small = translation(3), jump = translation(30), edge = translation(24.99f);
    small.m[0][1] = 0.25f;  // a turn as well
    expectPrevObjViewProj(&small, small, vp);
    expectPrevObjViewProj(&jump, vp);  // an object jump gives no motion of its own
    expectPrevObjViewProj(&edge, vp);  // with w = 1 the row is above 25
}
