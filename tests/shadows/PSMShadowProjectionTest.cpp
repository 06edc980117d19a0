// The per-light shadow projections: atlas clearing, the tile viewport, the bias, the camera placed
// at the light and given back, and the entries that do not exist.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

class PSMShadowProjectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        host.renderApi().setMaxTextureSize(1024, 1024);
        manager = std::make_unique<EffectorMan>();
        effectorMan = manager.get();
        shadow = static_cast<PSMShadow*>(manager->getEffectorInstance(EFFECTOR_PSMSHADOW));
        lights = static_cast<LightSource*>(manager->getEffectorInstance(EFFECTOR_LIGHT));
        ASSERT_NE(shadow, nullptr);
        ASSERT_NE(lights, nullptr);

        refhost::RefCamera& camera = host.camera();
        camera.setFov(0.9f);
        camera.setAspect(1.25f);
        camera.setNear(0.25);
        camera.setFar(5000.0);
        const double position[4] = {12.5, 3.0, -7.75, 1.0};  // float-exact: saved as floats
        camera.setPosition(position);
        camera.setShadowPassFlag(3);

        // Entry 2: level 1, index 3 of the atlas.
        entry = lights->getLightMatrix(2);
        ASSERT_NE(entry, nullptr);
        std::memset(entry, 0, sizeof(*entry));
        const float viewProj[16] = {1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1.5f, 1, 0, 0, -3, 0};
        std::memcpy(entry->mViewProj.m, viewProj, sizeof(viewProj));
        const float viewInv[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 4, 5, 6, 1};
        std::memcpy(entry->mViewInv.m, viewInv, sizeof(viewInv));
        entry->light.type = 3;
        entry->light.vPos = Math::Vector3f(4, 5, 6);
        entry->light.vDir = Math::Vector4f(0.0f, 0.6f, 0.8f, 0.0f);
        entry->light.fMaxRadius = 40.0f;
        entry->light.fConeAngle = 0.5f;
        entry->nSlot = (1 << 5) | 3;
    }
    void TearDown() override {
        shadow->uninitShadows();
        effectorMan = nullptr;
        manager.reset();
        EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
        EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
        EXPECT_TRUE(host.renderApi().leakedObjects().empty());
    }

    refhost::ReferenceHost host;
    std::unique_ptr<EffectorMan> manager;
    PSMShadow* shadow = nullptr;
    LightSource* lights = nullptr;
    TLightMatrixData* entry = nullptr;
};

}  // namespace

TEST_F(PSMShadowProjectionTest, CountIsZeroWithoutAtlasAndClearFillsIt) {
    EXPECT_EQ(shadow->getShadowsProjCount(true), 0);
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
    shadow->initShadows(4, 0);
    EXPECT_EQ(shadow->getShadowsProjCount(false), 0) << "no atlas at light-depth quality 0";

    shadow->initShadows(4, 2);
    host.renderApi().writePixel("m_rtLightsDepth", 700, 300, Math::Vector4f(0.25f, 0, 0, 0));
    EXPECT_EQ(shadow->getShadowsProjCount(false), lights->getUsedLightMatrices());
    EXPECT_EQ(host.renderApi().readPixel("m_rtLightsDepth", 700, 300).x, 0.25f) << "no clear asked";
    EXPECT_EQ(shadow->getShadowsProjCount(true), lights->getUsedLightMatrices());
    EXPECT_EQ(host.renderApi().readPixel("m_rtLightsDepth", 700, 300).x, 1.0f);
    EXPECT_EQ(host.renderApi().readDepth("psm_surface", 700, 300), 1.0f);
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
    EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);
}

TEST_F(PSMShadowProjectionTest, ProjectionPlacesCameraAndTileAndGivesTheCameraBack) {
    shadow->initShadows(4, 2);  // 1024 map, 1024 x 512 atlas
    const auto before = host.camera().state();
    shadow->pushState();

    ASSERT_TRUE(shadow->beginShadowProj(2));
    RendAPI::ITexture* atlas = host.renderApi().find("m_rtLightsDepth");
    EXPECT_EQ(host.renderApi().currentTarget(0), atlas);
    EXPECT_EQ(host.renderApi().currentDepthSurface(), host.renderApi().find("psm_surface"));
    // Level 1 maps are 1024 >> 3 = 128 texels; index 3; level 1 starts half-way down.
    ASSERT_EQ(lights->getShadowLODY()[1], 0.5f);
    const RendAPI::Viewport vp = host.renderApi().viewport();
    EXPECT_EQ(vp.x, 3 * 128);
    EXPECT_EQ(vp.y, 256);
    EXPECT_EQ(vp.width, 128);
    EXPECT_EQ(vp.height, 128);
    EXPECT_EQ(shadow->getShadowBias(), Math::Vector4f(0.01f, 3.0f, 2.0f / 512, 0.0f));
    EXPECT_EQ(shadow->getShadowBiasDir(), Math::Vector3f(-0.0f, -0.6f, -0.8f));
    EXPECT_EQ(shadow->getLightSpace(), &entry->mViewProj);
    Math::Matrix4f product;
    Math::multiply(&product, &entry->mViewProj, shadow->getLightSpaceInverse());
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, 1e-6f);
    EXPECT_TRUE(shadow->isActive());
    EXPECT_EQ(shadow->isFrontSide(), 1);
    EXPECT_EQ(shadow->isDepthRender(), 1);

    const auto during = host.camera().state();
    EXPECT_EQ(during.aspect, 1.0f);
    EXPECT_EQ(during.fov, 1.0f);
    EXPECT_FLOAT_EQ(during.zNear, 0.4f);
    EXPECT_EQ(during.zFar, 40.0f);
    EXPECT_EQ(during.position[0], 4.0);
    EXPECT_EQ(during.position[1], 5.0);
    EXPECT_EQ(during.position[2], 6.0);
    EXPECT_EQ(during.position[3], 0.0);
    // Rows: the old third row, the old second, the old first turned around.
    const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {4, 5, 6, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(during.orientation.m[r][c], expected[r][c]) << r << c;
    EXPECT_EQ(during.shadowFlag, 3) << "the per-light pass leaves the shadow-pass flag alone";

    EXPECT_FALSE(shadow->beginShadowProj(2)) << "one projection at a time";
    shadow->endShadowProj();
    EXPECT_EQ(host.camera().state(), before);
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
    EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);
    // Flags and matrix stay until the host pops its state.
    EXPECT_TRUE(shadow->isActive());
    EXPECT_EQ(shadow->getLightSpace(), &entry->mViewProj);
    shadow->endShadowProj();  // a second end does nothing
    EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    shadow->popState();
    EXPECT_FALSE(shadow->isActive());
    EXPECT_EQ(shadow->isDepthRender(), 0);
    EXPECT_NE(shadow->getLightSpace(), &entry->mViewProj);
}

TEST_F(PSMShadowProjectionTest, EntriesThatDoNotExistChangeNothing) {
    const auto before = host.camera().state();
    EXPECT_FALSE(shadow->beginShadowProj(2)) << "no light-depth atlas";
    shadow->initShadows(4, 1);
    Math::Matrix4f* lightSpace = shadow->getLightSpace();
    for (short index : {30, -1, 32767}) {
        EXPECT_FALSE(shadow->beginShadowProj(index)) << index;
        shadow->endShadowProj();
    }
    entry->nSlot = 4 << 5;  // level 4: beyond the atlas levels
    EXPECT_FALSE(shadow->beginShadowProj(2));
    entry->nSlot = -1;  // no slot
    EXPECT_FALSE(shadow->beginShadowProj(2));
    shadow->endShadowProj();
    entry->nSlot = 0;
    cam::CameraManager* saved = cam::cameraManager;
    cam::cameraManager = nullptr;
    EXPECT_FALSE(shadow->beginShadowProj(2)) << "no camera";
    cam::cameraManager = saved;
    EXPECT_EQ(host.camera().state(), before);
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
    EXPECT_FALSE(shadow->isActive());
    EXPECT_EQ(shadow->getLightSpace(), lightSpace);

    // The smallest atlas: level 3 tiles of the 512-wide atlas are 16 texels.
    entry->nSlot = (3 << 5) | 31;
    ASSERT_TRUE(shadow->beginShadowProj(2));
    const RendAPI::Viewport vp = host.renderApi().viewport();
    EXPECT_EQ(vp.x, 31 * 16);
    EXPECT_EQ(vp.y, static_cast<int>(256 * 0.875f + 0.5f));
    EXPECT_EQ(vp.width, 16);
    EXPECT_EQ(shadow->getShadowBias().z, 2.0f / 64);
    // A copy made during the projection has none open: only the original gives the camera back.
    PSMShadow copy(*shadow);
    shadow->endShadowProj();
    EXPECT_EQ(host.camera().state(), before);
    const double moved[4] = {1, 2, 3, 1};
    host.camera().setPosition(moved);
    const auto after = host.camera().state();
    copy.endShadowProj();
    EXPECT_EQ(host.camera().state(), after);
}
