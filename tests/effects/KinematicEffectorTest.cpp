// The velocity-field effector against the reference host: its target, the camera cut rule, the
// object jump rule and the shader constants of the screen-depth pass.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefShader.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

// Row-by-column product written out independently of the math library.
Math::Matrix4f product(const Math::Matrix4f& a, const Math::Matrix4f& b) {
    Math::Matrix4f out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += double(a.m[i][k]) * b.m[k][j];
            out.m[i][j] = float(sum);
        }
    return out;
}

Math::Matrix4f translation(float x, float y, float z) {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

void expectNear(const Math::Matrix4f& a, const Math::Matrix4f& b) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-4f * (1 + std::fabs(b.m[i][j]))) << i << j;
}

class KinematicTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        manager = std::make_unique<EffectorMan>();
        effectorMan = manager.get();
        kin = static_cast<KinematicEffector*>(manager->getEffectorInstance(EFFECTOR_KINEMATIC));
        shadow = static_cast<PSMShadow*>(manager->getEffectorInstance(EFFECTOR_PSMSHADOW));
        ASSERT_NE(kin, nullptr);
        ASSERT_NE(shadow, nullptr);
    }
    void TearDown() override {
        if (shadow->isScreenDepthRender()) shadow->endScreenDepth();
        shadow->setScreenDepthSrc(nullptr);
        screen.uninit();
        effectorMan = nullptr;
        manager.reset();
        EXPECT_TRUE(host.renderApi().leakedObjects().empty());
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }
    void openScreenDepthPass() {
        screen.init(64, 32, false);
        shadow->setScreenDepthSrc(&screen);
        shadow->beginScreenDepth();
    }
    // Moves the camera to (x, y, z) by its base (the drawing frame moves with it, so the move is
    // the camera-motion matrix's), changes its view-projection (by the field of view) and tracks.
    Math::Matrix4f trackAt(double x, double y, double z, float fov) {
        const double pos[4] = {x, y, z, 0.0};
        host.camera().setBasePosition(pos);
        host.camera().setFov(fov);
        kin->trackCameraVelocity(0.016f);
        return host.camera().viewProjMatrix();
    }
    Math::Matrix4f prevObjViewProj(Math::Matrix4f* objPrev) {
        kin->applyShaderVelocities(&shader, objPrev);
        return shader.matrix("g_mPrevObjViewProj");
    }

    refhost::ReferenceHost host;
    std::unique_ptr<EffectorMan> manager;
    KinematicEffector* kin = nullptr;
    PSMShadow* shadow = nullptr;
    SSDTextures screen;
    refhost::RefShader shader;
};

}  // namespace

TEST_F(KinematicTest, VelocityTargetIsHalvedToFitAndReleased) {
    EXPECT_EQ(kin->getCurVF(), nullptr);
    struct Case { short w, h; int tw, th; } cases[] = {
        {5000, 3000, 2500, 1500}, {4096, 4096, 2048, 2048}, {8192, 1024, 4096, 512}, {4096, 2048, 4096, 2048}};
    for (const Case& c : cases) {
        kin->init(c.w, c.h);
        ASSERT_NE(kin->getCurVF(), nullptr);
        RendAPI::ITexture* target = host.renderApi().find("m_rtVelocityField");
        EXPECT_EQ(kin->getCurVF()->get(), target);
        EXPECT_EQ(target->getWidth(), c.tw);
        EXPECT_EQ(target->getHeight(), c.th);
        EXPECT_EQ(target->getFormat(), 112);
        EXPECT_EQ(kin->getScreenRect(), Math::Vector4f(0.5f / c.tw, 0.5f / c.th, 1.0f, 1.0f));
        EXPECT_EQ(host.renderApi().refCount("m_rtVelocityField"), 2);
    }
    {
        KinematicEffector copy(*kin);  // shares the target with its own reference
        EXPECT_EQ(copy.getCurVF()->get(), kin->getCurVF()->get());
        EXPECT_EQ(host.renderApi().refCount("m_rtVelocityField"), 3);
    }
    kin->uninit();
    EXPECT_EQ(kin->getCurVF(), nullptr);
    EXPECT_EQ(host.renderApi().refCount("m_rtVelocityField"), 1);
    EXPECT_TRUE(host.os().messages().empty());
}

TEST_F(KinematicTest, FailedTargetIsReportedAndSwitchesTheEffectOff) {
    host.renderApi().setFailCreation("m_rtVelocityField", true);
    kin->init(640, 480);
    ASSERT_EQ(host.os().messages().size(), 1u);
    EXPECT_EQ(host.os().messages()[0], "Can not create m_rtVelocityField color surface");
    EXPECT_EQ(kin->getCurVF(), nullptr);
    EXPECT_EQ(kin->getScreenRect(), Math::Vector4f(0.5f / 640, 0.5f / 480, 1.0f, 1.0f));

    openScreenDepthPass();
    trackAt(0, 0, 0, 1.0f);
    kin->applyShaderVelocities(&shader, nullptr);
    EXPECT_EQ(shader.vector("g_vKSettings"), Math::Vector4f(0.0f, 16.0f / 9.0f, 0, 0));
    EXPECT_FALSE(shader.isSet("g_mPrevObjViewProj"));
}

TEST_F(KinematicTest, CameraMovesOfLength25CountAsCuts) {
    kin->init(64, 32);
    openScreenDepthPass();
    // The first frame after init has no previous frame: no motion even after a move.
    Math::Matrix4f vp = trackAt(5, 0, 0, 1.0f);
    expectNear(prevObjViewProj(nullptr), vp);

    Math::Matrix4f prev = vp;
    vp = trackAt(15, 0, 0, 1.1f);  // moved (10, 0, 0): motion
    expectNear(prevObjViewProj(nullptr), product(translation(10, 0, 0), prev));

    vp = trackAt(35, 0, 15, 1.2f);  // moved (20, 0, 15): sqrt(20² + 15² + 1) is above 25: a cut
    expectNear(prevObjViewProj(nullptr), vp);

    prev = vp;
    vp = trackAt(35 + 24.9, 0, 15, 1.3f);  // sqrt(24.9² + 1) is 24.92: still motion
    expectNear(prevObjViewProj(nullptr), product(translation(24.9f, 0, 0), prev));
    vp = trackAt(35 + 24.9 + 24.99, 0, 15, 1.4f);  // sqrt(24.99² + 1) is 25.01: the 1 decides
    expectNear(prevObjViewProj(nullptr), vp);
}

TEST_F(KinematicTest, ObjectJumpsLongerThan25GiveNoObjectMotion) {
    kin->init(64, 32);
    openScreenDepthPass();
    Math::Matrix4f prev = trackAt(0, 0, 0, 1.0f);
    trackAt(1, 0, 0, 1.1f);

    Math::Matrix4f small = translation(3, 0, 0);
    small.m[0][1] = 0.25f;  // a turn as well
    expectNear(prevObjViewProj(&small), product(small, prev));
    Math::Matrix4f jump = translation(30, 0, 0);
    expectNear(prevObjViewProj(&jump), prev);
    Math::Matrix4f edge = translation(24.99f, 0, 0);  // with w = 1 the row is above 25
    expectNear(prevObjViewProj(&edge), prev);
}

TEST_F(KinematicTest, ConstantsOnlyInsideThePassAndOnlyWhenEnabled) {
    kin->init(64, 32);
    host.camera().setAspect(1.5f);
    trackAt(0, 0, 0, 1.0f);
    kin->applyShaderVelocities(&shader, nullptr);  // outside the screen-depth pass
    EXPECT_TRUE(shader.setNames().empty());

    openScreenDepthPass();
    refhost::RefShader plain(std::vector<std::string>{"g_mPrevObjViewProj"});
    kin->applyShaderVelocities(&plain, nullptr);  // no "g_vKSettings": nothing at all
    EXPECT_TRUE(plain.setNames().empty());
    kin->applyShaderVelocities(nullptr, nullptr);

    kin->applyShaderVelocities(&shader, nullptr);
    EXPECT_EQ(shader.vector("g_vKSettings"), Math::Vector4f(1.0f, 1.5f, 0, 0));
    EXPECT_EQ(shader.setCount("g_mPrevObjViewProj"), 1);
    kin->enable(false);
    kin->applyShaderVelocities(&shader, nullptr);
    EXPECT_EQ(shader.vector("g_vKSettings"), Math::Vector4f(0.0f, 1.5f, 0, 0));
    EXPECT_EQ(shader.setCount("g_mPrevObjViewProj"), 1);  // untouched
    kin->enable(true);
    kin->applyShaderVelocities(&shader, nullptr);
    EXPECT_EQ(shader.setCount("g_mPrevObjViewProj"), 2);

    Math::Matrix4f rev = translation(1, 2, 3), out;
    kin->setObjectRevMatrix(&rev);
    kin->getObjectRevMatrix(&out);
    EXPECT_EQ(out, rev);
}
