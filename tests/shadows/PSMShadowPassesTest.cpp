// The shadow passes against the reference host: the directional depth pass (early returns change
// nothing; a drawn pass draws only the casters the fit marked and gives the camera and the target
// stacks back exactly) and the per-light projections into the light-depth atlas.
#include <gtest/gtest.h>

#include <vector>

#include "ShadowPassScene.h"
#include "enviro/host/Math3D.h"

namespace {

using namespace shadow_test;

TEST(PSMShadowDepthPass, EarlyReturnsChangeNothing) {
    ShadowPassScene s;
    const auto before = s.host.camera().state();
    // Nothing drawn, nothing bound, the camera as it was, the map inactive.
    auto untouched = [&] {
        return !s.shadow->isActive() && s.shadow->isDepthRender() == 0 && s.box.draws().empty() && s.host.renderMan().submitCount() == 0 &&
               s.host.camera().state() == before && s.unbalanced() == 0;
    };
    const Math::Vector3f initialDir = s.shadow->getDesc()->vLightDir;
    s.shadow->setActive(true);
    s.shadow->renderDepth();  // no casters at all
    EXPECT_TRUE(untouched() && s.host.renderMan().endPassCount() == 0);
    s.addLight(LIGHT_AMBIENT, Math::Vector3f(5, 5, 5));  // no direction to take: stops before the casters
    const int first = s.addCaster(&s.box, 0, -8, 40);
    s.shadow->renderDepth();
    EXPECT_TRUE(untouched() && s.shadow->getDesc()->vLightDir == initialDir && s.caster(first)->bInShadow == 0);

    s.man.flush(EFFECTOR_ALL, 0);  // casters outside the volume: only the ground points remain
    s.addLight(LIGHT_DIRECTIONAL, Math::Vector3f(0.3f, -1.0f, -0.2f));
    const int behind = s.addCaster(&s.box, 0, -8, -1000), aside = s.addCaster(&s.other, 5000, -8, 40, 0, 1);
    s.shadow->renderDepth();
    EXPECT_TRUE(untouched() && s.caster(behind)->bInShadow + s.caster(aside)->bInShadow == 0);
    EXPECT_NEAR(s.shadow->getDesc()->vLightDir.y, Math::normalizeOrKeep(Math::Vector3f(0.3f, -1.0f, -0.2f)).y, 1e-6f);  // taken all the same
    s.shadow->enable(false);  // disabled: the pass only ends the host's pass
    s.shadow->renderDepth();
    s.shadow->renderDepthOrtho();
    EXPECT_TRUE(untouched() && s.host.renderMan().endPassCount() == 2);
}

TEST(PSMShadowDepthPass, ADrawnPassDrawsTheMarkedCastersAndGivesTheCameraBack) {
    ShadowPassScene s;
    s.addLight(LIGHT_AMBIENT, Math::Vector3f(1, 1, 1));
    s.addLight(LIGHT_DIRECTIONAL, Math::Vector3f(0.3f, -1.0f, -0.2f));
    const int inside = s.addCaster(&s.box, 0, -8, 40), outside = s.addCaster(&s.other, 0, -8, -1000);
    refhost::RefModel fixed, skipped;
    s.addCaster(&fixed, 0, 0, 0, 1, 1);    // not tested, in shadow: drawn without instance
    s.addCaster(&skipped, 0, 0, 0, 1, 0);  // not tested, not in shadow
    s.addCaster(nullptr, 0, -8, 40);       // no model: nothing to draw
    const auto before = s.host.camera().state();
    s.shadow->renderDepth();
    ASSERT_TRUE(s.shadow->isActive());
    EXPECT_EQ(s.shadow->isDepthRender() * 10 + s.shadow->isFrontSide(), 1);
    EXPECT_EQ(s.host.camera().state(), before);
    EXPECT_EQ(s.host.renderMan().calls().back().op + std::to_string(s.host.renderMan().submitCount()), "endPass1");
    EXPECT_EQ(s.caster(inside)->bInShadow - s.caster(outside)->bInShadow, 1);
    EXPECT_TRUE(s.other.draws().empty() && skipped.draws().empty() && fixed.draws().at(0).instance == nullptr);
    ASSERT_EQ(s.box.draws().size(), 1u);
    const refhost::RefModel::DrawRecord& draw = s.box.draws()[0];
    EXPECT_EQ(draw.instance, &s.instance);
    EXPECT_EQ(draw.world.m[3][2], 40.0f) << "the record's world matrix was copied into the instance";
    EXPECT_EQ(draw.targets[0] + " " + draw.depthSurface + " " + std::to_string(draw.shadowFlag), "psm_depth psm_surface 1");
    EXPECT_TRUE(ShadowPassScene::inverses(*s.shadow->getLightSpace(), *s.shadow->getLightSpaceInverse()));
    // The float path clears to far (1) and biases by two texels of its 256 map.
    EXPECT_EQ(s.host.renderApi().readPixel("psm_depth", 0, 0).x + s.host.renderApi().readDepth("psm_surface", 0, 0), 2.0f);
    EXPECT_EQ(s.shadow->getShadowBias(), Math::Vector4f(0.01f, 2.0f, 2.0f / 256, 0.0f));
    s.shadow->renderDepthOrtho();  // the next frame does the same
    EXPECT_TRUE(s.shadow->isActive() && s.box.draws().size() == 2 && s.host.camera().state() == before);

    // A light travelling along the view shines from behind the virtual camera: reversed depth.
    s.man.flush(EFFECTOR_LIGHT, 0);
    s.addLight(LIGHT_DIRECTIONAL, Math::Vector3f(0.0f, -0.5f, 1.0f));
    s.shadow->renderDepth();
    EXPECT_TRUE(s.shadow->isActive() && s.shadow->isFrontSide() == 0 && s.host.camera().state() == before);
    EXPECT_EQ(s.host.renderApi().readPixel("psm_depth", 0, 0).x + s.host.renderApi().readDepth("psm_surface", 0, 0), 0.0f);
    // The hardware path draws into "psm_color" whatever the colour name, without bias.
    s.shadow->initShadows(1, 0);
    s.shadow->enable(true);
    s.shadow->setTargets(const_cast<char*>("psm_depth_ortho"), const_cast<char*>("other"));
    s.box.clearDraws();
    s.shadow->renderDepth();
    EXPECT_EQ(s.box.draws().at(0).targets[0] + " " + s.box.draws()[0].depthSurface, "psm_color psm_depth_ortho");
    EXPECT_TRUE(s.shadow->getShadowBias() == Math::Vector4f(0, 0, 0, 0) && s.unbalanced() == 0);
}

// Entry 2 of the light-matrix table: a spot light at (4, 5, 6) of range 40, level 1, index 3.
struct ProjectionTest : ::testing::Test, ShadowPassScene {
    TLightMatrixData& entry = *lights->getLightMatrix(2);
    ProjectionTest() {
        entry = TLightMatrixData{};
        entry.mViewProj = Math::Matrix4f{{{1, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 1.5f, 1}, {0, 0, -3, 0}}};
        entry.mViewInv = Math::Matrix4f{{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {4, 5, 6, 1}}};
        entry.light.type = LIGHT_SPOT, entry.light.vPos = Math::Vector3f(4, 5, 6), entry.light.vDir = Math::Vector4f(0, 0.6f, 0.8f, 0);
        entry.light.fMaxRadius = 40.0f, entry.light.fConeAngle = 0.5f;
        entry.nSlot = (1 << 5) | 3;
    }
    std::vector<int> viewport() {
        const RendAPI::Viewport vp = host.renderApi().viewport();
        return {vp.x, vp.y, vp.width, vp.height};
    }
};

TEST_F(ProjectionTest, TheCountClearsTheAtlasAndAProjectionPlacesCameraAndTile) {
    host.renderApi().writePixel("m_rtLightsDepth", 200, 100, Math::Vector4f(0.25f, 0, 0, 0));
    EXPECT_EQ(shadow->getShadowsProjCount(false), lights->getUsedLightMatrices());
    EXPECT_EQ(host.renderApi().readPixel("m_rtLightsDepth", 200, 100).x, 0.25f) << "no clear asked";
    shadow->getShadowsProjCount(true);
    EXPECT_EQ(host.renderApi().readPixel("m_rtLightsDepth", 200, 100).x + host.renderApi().readDepth("psm_surface", 200, 100), 2.0f);
    const auto before = host.camera().state();
    shadow->pushState();
    ASSERT_TRUE(shadow->beginShadowProj(2));
    EXPECT_EQ(host.renderApi().currentTarget(0)->getName() + std::string(" ") + host.renderApi().currentDepthSurface()->getName(),
              "m_rtLightsDepth psm_surface");
    // The 256 x 128 atlas: level 1 maps of 256 >> 3 = 32 texels, index 3, half-way down.
    EXPECT_EQ(viewport(), std::vector<int>({3 * 32, 64, 32, 32}));
    EXPECT_EQ(shadow->getShadowBias(), Math::Vector4f(0.01f, 3.0f, 2.0f / 128, 0.0f));
    EXPECT_EQ(shadow->getShadowBiasDir(), Math::Vector3f(-0.0f, -0.6f, -0.8f));
    EXPECT_TRUE(shadow->getLightSpace() == &entry.mViewProj && ShadowPassScene::inverses(entry.mViewProj, *shadow->getLightSpaceInverse()));
    EXPECT_EQ(shadow->isActive() + shadow->isFrontSide() + shadow->isDepthRender(), 3);
    // The camera at the light, square, the cone's angle, 1% of the range to the range; its rows
    // the old third row, the old second, the old first turned around; the shadow-pass flag kept.
    const auto during = host.camera().state();
    EXPECT_EQ(std::vector<float>({during.aspect, during.fov, during.zFar}), std::vector<float>({1, 1, 40}));
    EXPECT_FLOAT_EQ(during.zNear, 0.4f);
    EXPECT_EQ(std::vector<double>(during.position, during.position + 4), std::vector<double>({4, 5, 6, 0}));
    EXPECT_EQ(during.orientation, (Math::Matrix4f{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {4, 5, 6, 1}}}));
    EXPECT_EQ(during.shadowFlag, 7);
    EXPECT_FALSE(shadow->beginShadowProj(2)) << "one projection at a time";
    shadow->endShadowProj();
    shadow->endShadowProj();  // a second end does nothing
    EXPECT_TRUE(host.camera().state() == before && unbalanced() == 0);
    EXPECT_TRUE(shadow->isActive());  // flags and matrix stay until the host pops its state
    shadow->popState();
    EXPECT_TRUE(!shadow->isActive() && shadow->getLightSpace() != &entry.mViewProj);
}

TEST_F(ProjectionTest, EntriesThatDoNotExistChangeNothing) {
    const auto before = host.camera().state();
    Math::Matrix4f* lightSpace = shadow->getLightSpace();
    shadow->initShadows(4, 0);
    EXPECT_EQ(shadow->getShadowsProjCount(true), 0) << "no atlas";
    EXPECT_FALSE(shadow->beginShadowProj(2));
    shadow->initShadows(4, 2);
    for (short index : {30, -1, 32767}) EXPECT_FALSE(shadow->beginShadowProj(index)) << index;
    for (short slot : {4 << 5, -1}) {  // level 4: beyond the atlas levels; no slot
        entry.nSlot = slot;
        EXPECT_FALSE(shadow->beginShadowProj(2)) << slot;
    }
    shadow->endShadowProj();
    EXPECT_TRUE(host.camera().state() == before && unbalanced() == 0 && !shadow->isActive() && shadow->getLightSpace() == lightSpace);

    // The smallest tiles: level 3 maps of 256 >> 5 = 8 texels, index 31, 0.875 of the way down.
    entry.nSlot = (3 << 5) | 31;
    ASSERT_TRUE(shadow->beginShadowProj(2));
    EXPECT_EQ(viewport(), std::vector<int>({31 * 8, 112, 8, 8}));
    EXPECT_EQ(shadow->getShadowBias().z, 2.0f / 32);
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

}  // namespace
