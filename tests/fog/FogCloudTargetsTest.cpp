// The fog effector's cloud targets, the top-down cloud-shadow pass and the cloud-shadow matrix,
// against the reference host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "FogTestHost.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/host/Math3D.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

using namespace effector;

namespace {

constexpr double kPi = 3.14159265358979323846;

// A reference host and a manager installed as the module's one; the fog effector is the manager's.
struct CloudTest : ::testing::Test {
    fogtest::FogHost h;
    EffectorMan man;
    FogEffector* fog = nullptr;
    refhost::RefRenderApi& api = h.host.renderApi();
    refhost::RefCamera& camera = h.host.camera();

    void SetUp() override {
        effectorMan = &man;
        fog = static_cast<FogEffector*>(man.getEffectorInstance(EFFECTOR_FOG));
    }
    void TearDown() override { effectorMan = nullptr; }

    PSMShadow* shadow() { return static_cast<PSMShadow*>(man.getEffectorInstance(EFFECTOR_PSMSHADOW)); }

    // The day light: one directional record travelling along d.
    void setSun(Math::Vector3f d) {
        man.flush(EFFECTOR_LIGHT, 0);
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.type = LIGHT_DIRECTIONAL;
        l.vPos = d;
        l.vColor = Math::Vector4f(1, 1, 1, 1);
        man.addLight(&l);
    }
    void setBase(double x, double y, double z) {
        const double base[4] = {x, y, z, 0};
        camera.setBasePosition(base);
    }
    void setLayerBottom(float bottom) {
        FOGDESC d = fog->getFogDesc();
        d.fLayerBottom = bottom;
        fog->setFogDesc(&d);
    }
    void setShadowSize(float s) {
        fog->beginShadowsRT(s);
        fog->endShadowsRT();
    }
};

void expectSize(RendAPI::IRenderTarget* rt, int width, int height) {
    ASSERT_NE(rt, nullptr);
    EXPECT_EQ(rt->getWidth(), width);
    EXPECT_EQ(rt->getHeight(), height);
}

void expectRect(const Math::Vector4f& r, float x, float y, float z, float w) {
    EXPECT_FLOAT_EQ(r.x, x);
    EXPECT_FLOAT_EQ(r.y, y);
    EXPECT_FLOAT_EQ(r.z, z);
    EXPECT_FLOAT_EQ(r.w, w);
}

Math::Vector3f transform(const Math::Matrix4f& m, const Math::Vector3f& p) { return Math::transformCoord(p, m); }

}  // namespace

TEST_F(CloudTest, WithoutScreenDepthTargetsAre256AndReleasedByUninit) {
    expectRect(fog->getScreenRect(), 0, 0, 1, 1);
    fog->initCloudsRT(1);
    expectSize(fog->getCloudsRT(), 256, 256);
    expectSize(fog->getCloudsDepth(), 256, 256);
    expectSize(fog->getShadowsRT(), 256, 256);
    EXPECT_EQ(fog->getCloudsRT(), api.find("m_rtCloudVol"));
    EXPECT_EQ(fog->getCloudsDepth(), api.find("m_rtCloudDepth"));
    EXPECT_EQ(fog->getShadowsRT(), api.find("m_rtCloudShadowVol"));
    EXPECT_EQ(fog->getCloudsRT()->getFormat(), RendAPI::FMT_A8R8G8B8);
    EXPECT_EQ(fog->getCloudsDepth()->getFormat(), RendAPI::FMT_R16F);
    EXPECT_EQ(fog->getShadowsRT()->getFormat(), RendAPI::FMT_A8R8G8B8);
    for (const char* name : {"m_rtCloudVol", "m_rtCloudDepth", "m_rtCloudShadowVol"}) EXPECT_EQ(api.refCount(name), 2);
    expectRect(fog->getScreenRect(), 1.0f / 512, 1.0f / 512, 1, 1);

    fog->uninitCloudsRT();
    EXPECT_EQ(fog->getCloudsRT(), nullptr);
    EXPECT_EQ(fog->getCloudsDepth(), nullptr);
    EXPECT_EQ(fog->getShadowsRT(), nullptr);
    for (const char* name : {"m_rtCloudVol", "m_rtCloudDepth", "m_rtCloudShadowVol"}) EXPECT_EQ(api.refCount(name), 1);

    // A target the renderer refuses stays null; the others are made.
    api.setFailCreation("m_rtCloudDepth", true);
    fog->initCloudsRT(0);
    EXPECT_EQ(fog->getCloudsDepth(), nullptr);
    expectSize(fog->getCloudsRT(), 256, 256);
    expectSize(fog->getShadowsRT(), 256, 256);
}

TEST_F(CloudTest, SizesFollowTheScreenDepthTargetAndLevel) {
    SSDTextures set;
    set.init(1280, 720, false);
    shadow()->setScreenDepthSrc(&set);
    set.m_vRect = Math::Vector4f(0, 0, 0.7f, 0.33f);

    fog->initCloudsRT(1);
    expectSize(fog->getCloudsRT(), 640, 360);
    expectSize(fog->getCloudsDepth(), 640, 360);
    expectSize(fog->getShadowsRT(), 640, 360);
    // Half a cloud texel, and the used part rounded to whole cloud texels.
    expectRect(fog->getScreenRect(), 0.5f / 640, 0.5f / 360, 448.0f / 640, 119.0f / 360);

    // The same level again: nothing is recreated and the rectangle is kept.
    RendAPI::IRenderTarget* vol = fog->getCloudsRT();
    RendAPI::IRenderTarget* depth = fog->getCloudsDepth();
    set.m_vRect = Math::Vector4f(0, 0, 1, 1);
    fog->initCloudsRT(1);
    EXPECT_EQ(fog->getCloudsRT(), vol);
    EXPECT_EQ(fog->getCloudsDepth(), depth);
    EXPECT_EQ(api.find("m_rtCloudDepth"), depth);
    EXPECT_FLOAT_EQ(fog->getScreenRect().z, 448.0f / 640);

    const int expected[][3] = {{0, 320, 180}, {2, 1280, 720}, {7, 1280, 720}, {-3, 320, 180}};
    for (const auto& e : expected) {
        fog->initCloudsRT(static_cast<short>(e[0]));
        expectSize(fog->getCloudsRT(), e[1], e[2]);
        expectSize(fog->getShadowsRT(), e[1], e[2]);
    }
    expectRect(fog->getScreenRect(), 0.5f / 320, 0.5f / 180, 1, 1);

    // Every replaced target was released: after uninit no cloud target is held beyond the registry.
    fog->uninitCloudsRT();
    for (const std::string& name : api.leakedObjects()) EXPECT_EQ(name.find("m_rtCloud"), std::string::npos) << name;

    // A set without its depth target: 256 x 256 targets, the set's rectangle all the same.
    set.uninit();
    api.setFailCreation("m_prtScreenDepth", true);
    set.init(1280, 720, false);
    set.m_vRect = Math::Vector4f(0, 0, 0.7f, 0.33f);
    fog->initCloudsRT(1);
    expectSize(fog->getCloudsRT(), 256, 256);
    expectRect(fog->getScreenRect(), 0.5f / 256, 0.5f / 256, 179.0f / 256, 84.0f / 256);
    fog->uninitCloudsRT();
    shadow()->setScreenDepthSrc(nullptr);
    set.uninit();
}

TEST_F(CloudTest, ClearEmptiesColourAndDepthOnly) {
    fog->initCloudsRT(2);
    const Math::Vector4f full(1, 1, 1, 1);
    for (const char* name : {"m_rtCloudVol", "m_rtCloudDepth", "m_rtCloudShadowVol"}) api.writePixel(name, 10, 20, full);
    fog->clearCloudsRT();
    EXPECT_EQ(api.readPixel("m_rtCloudVol", 10, 20), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(api.readPixel("m_rtCloudDepth", 10, 20).x, 0.0f);
    EXPECT_EQ(api.readPixel("m_rtCloudShadowVol", 10, 20), full);
    EXPECT_EQ(api.renderTargetDepth(), 0);
    EXPECT_EQ(api.protocolErrors(), 0);

    fog->uninitCloudsRT();
    fog->clearCloudsRT();  // nothing to clear, nothing pushed
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST_F(CloudTest, ShadowPassLooksDownOnTheSquareAndRestoresTheCamera) {
    camera.setFov(0.9f);
    camera.setNear(0.5);
    const double pos[4] = {1, 2, 3, 1}, base[4] = {1000.5, -20, 7e5, 0}, rot[4] = {0.1, 0.2, 0.3, 0.4};
    camera.setPosition(pos);
    camera.setBasePosition(base);
    camera.setRotation(rot);
    const Math::Vector3f eye(0, 0, 0), target(1, -1, 2), up(0, 1, 0);
    Math::Matrix4f tilted;
    _3DMath::matrixLookAtLH(&eye, &target, &up, &tilted);
    camera.setOrientation(&tilted);
    const refhost::RefCamera::State before = camera.state();
    api.writePixel("cld_shadows", 100, 200, Math::Vector4f(0, 0, 0, 0));

    fog->beginShadowsRT(2000.0f);
    const refhost::RefCamera::State during = camera.state();
    Math::Matrix4f ortho;
    _3DMath::matrixOrthoLH(2000, 2000, 1, 10000, &ortho);
    EXPECT_TRUE(during.projectionOverride);
    EXPECT_EQ(during.projection, ortho);
    const float rows[3][3] = {{0, -1, 0}, {0, 0, -1}, {1, 0, 0}};  // forward (down), up, right
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(during.orientation(r, c), rows[r][c], 1e-6) << r << "," << c;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(during.base[i], 0.0);
    const double above[4] = {1000, 5000, 1000, 1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(during.position[i], above[i]);
    EXPECT_EQ(api.currentTarget(0), fog->getShadowTexture());
    EXPECT_EQ(api.currentTarget(1), nullptr);
    EXPECT_EQ(api.currentDepthSurface(), nullptr);
    EXPECT_EQ(api.readPixel("cld_shadows", 100, 200).x, 1.0f);

    fog->endShadowsRT();
    EXPECT_EQ(camera.state(), before);
    EXPECT_EQ(api.renderTargetDepth(), 0);
    EXPECT_EQ(api.depthSurfaceDepth(), 0);
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST_F(CloudTest, ShadowMatrixCarriesPointsAlongTheSunIntoTheSnappedSquare) {
    std::mt19937 rng(20261206);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int trial = 0; trial < 60; ++trial) {
        const double s = uniform(300, 6000);
        const double bx = uniform(-2e5, 2e5), by = uniform(-500, 2500), bz = uniform(-2e5, 2e5);
        const double bottom = uniform(0, 3000);
        const double elevation = uniform(1, 90) * kPi / 180, azimuth = uniform(0, 2 * kPi);
        const double offX = uniform(-2000, 2000), offZ = uniform(-2000, 2000);
        setShadowSize(static_cast<float>(s));
        setBase(bx, by, bz);
        setLayerBottom(static_cast<float>(bottom));
        setSun(Math::Vector3f(static_cast<float>(std::cos(elevation) * std::cos(azimuth)),
                              static_cast<float>(-std::sin(elevation)),
                              static_cast<float>(std::cos(elevation) * std::sin(azimuth))));
        fog->updateShadowMatrix(static_cast<float>(offX), static_cast<float>(offZ));

        // Oracle: climb from p toward the sun to the plane of the layer bottom, moving back
        // against the light's horizontal travel by the limited slant per unit of height.
        const double h = bottom - by;
        const double slant = std::min(std::cos(elevation) / std::max(std::sin(elevation), 0.1), 3.0);
        const double cornerX = bx - std::fmod(bx, s), cornerZ = bz - std::fmod(bz, s);
        for (int k = 0; k < 10; ++k) {
            const Math::Vector3f p(static_cast<float>(uniform(-800, 800)), static_cast<float>(uniform(-800, 3000)),
                                   static_cast<float>(uniform(-800, 800)));
            const double climb = h - p.y;
            const double hitX = p.x - climb * slant * std::cos(azimuth) + bx;
            const double hitZ = p.z - climb * slant * std::sin(azimuth) + bz;
            const double u = (hitX - cornerX - offX) / s, v = (hitZ - cornerZ - offZ) / s;
            const Math::Vector3f q = transform(*fog->getShadowMatrix(), p);
            const double tol = 2e-5 * (1 + std::fabs(u) + std::fabs(v));
            EXPECT_NEAR(q.x, u, tol) << "trial " << trial;
            EXPECT_NEAR(q.z, v, tol) << "trial " << trial;
            EXPECT_NEAR(q.y, p.y, 1e-3);
        }
        const Math::Matrix4f& m = *fog->getShadowMatrix();
        for (int r = 0; r < 4; ++r) EXPECT_EQ(m(r, 3), r == 3 ? 1.0f : 0.0f);
        if (HasFailure()) break;  // one failing configuration is enough to read
    }
}

TEST_F(CloudTest, ShadowMatrixCases) {
    // Before any shadow pass the size is 0: the matrix stays as it is (identity).
    setSun(Math::Vector3f(0.6f, -0.8f, 0));
    fog->updateShadowMatrix(10, 20);
    EXPECT_EQ(*fog->getShadowMatrix(), Math::Matrix4f::identity());

    // Sun at the zenith: no shear, a point maps straight up (its height does not move it).
    setShadowSize(1000);
    setSun(Math::Vector3f(0, -1, 0));
    setBase(0, 100, 0);
    fog->updateShadowMatrix(0, 0);
    const Math::Matrix4f& m = *fog->getShadowMatrix();
    EXPECT_EQ(transform(m, {250, -40, 500}).x, transform(m, {250, 900, 500}).x);
    EXPECT_FLOAT_EQ(transform(m, {250, 0, 500}).x, 0.25f);
    EXPECT_FLOAT_EQ(transform(m, {250, 0, 500}).z, 0.5f);
    EXPECT_EQ(m(1, 0), 0.0f);
    EXPECT_EQ(m(1, 2), 0.0f);

    // A sun 5 degrees up: |d.y| counts as 0.1 and the slant is cut to 3 (per unit of height,
    // here along the diagonal).
    const float c5 = static_cast<float>(std::cos(5 * kPi / 180)), s5 = static_cast<float>(std::sin(5 * kPi / 180));
    setSun(Math::Vector3f(c5 * 0.70710678f, -s5, c5 * 0.70710678f));
    fog->updateShadowMatrix(0, 0);
    EXPECT_NEAR(std::hypot(m(1, 0), m(1, 2)) * 1000, 3.0, 1e-5);
    EXPECT_NEAR(m(1, 0) * 1000, 3.0 * 0.70710678, 1e-5);

    // Snapping with s = 1000 toward zero: x = 2500 -> corner 2000 (shift +0.5 of the square),
    // x = -2500 -> corner -2000 (shift -0.5); the offsets move the pattern the other way.
    setSun(Math::Vector3f(0, -1, 0));
    setBase(2500, 0, -2500);
    fog->updateShadowMatrix(0, 0);
    EXPECT_FLOAT_EQ(m(3, 0), 0.5f);
    EXPECT_FLOAT_EQ(m(3, 2), -0.5f);
    fog->updateShadowMatrix(100, -300);
    EXPECT_FLOAT_EQ(m(3, 0), 0.4f);
    EXPECT_FLOAT_EQ(m(3, 2), -0.2f);
}
