// The directional depth passes against the reference host: early returns change nothing, a drawn
// pass gives the camera and the target stacks back exactly, and only the casters the fit marked
// are drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/shadows/PSMShadow.h"
#include "refhost/RefModel.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

bool isFinite(const Math::Matrix4f& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m.m[r][c])) return false;
    return true;
}

class PSMShadowDepthTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        host.renderApi().setMaxTextureSize(256, 256);
        manager = std::make_unique<EffectorMan>();
        effectorMan = manager.get();
        shadow = static_cast<PSMShadow*>(manager->getEffectorInstance(EFFECTOR_PSMSHADOW));
        ASSERT_NE(shadow, nullptr);
        shadow->initShadows(4, 0);
        shadow->enable(true);
        ASSERT_TRUE(shadow->isEnabled());

        // A camera above the ground, looking along +z, with values a pass must give back.
        refhost::RefCamera& camera = host.camera();
        camera.setFov(1.0f);
        camera.setAspect(1.5f);
        camera.setNear(0.5);
        camera.setFar(3000.0);
        const double position[4] = {3.0, 10.0, -4.0, 1.0};
        camera.setPosition(position);
        const double base[4] = {100.0, 0.0, 200.0, 0.0};
        camera.setBasePosition(base);
        camera.setShadowPassFlag(7);
        box.setBox(Math::Vector3f(-2, -2, -2), Math::Vector3f(2, 2, 2));
        other.setBox(Math::Vector3f(-2, -2, -2), Math::Vector3f(2, 2, 2));
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

    void addLight(signed char type, const Math::Vector3f& dir) {
        LIGHTDESC light;
        std::memset(&light, 0, sizeof(light));
        light.dwLightId = static_cast<uint32_t>(type + 1);
        light.type = type;
        light.vPos = dir;
        light.vColor = Math::Vector4f(1, 1, 1, 1);
        manager->addLight(&light);
    }
    // A caster at (x, y, z) of the rendering frame; returns its id.
    int addCaster(refhost::RefModel* model, model::ModelInstance* instance, float x, float y, float z,
                  unsigned char noInstance = 0, unsigned char inShadow = 0) {
        SHADOWCASTERDESC c;
        std::memset(&c, 0, sizeof(c));
        c.pModel = model;
        c.pInstance = instance;
        c.mWorld.set(1.0f);
        c.mWorld.m[3][0] = x;
        c.mWorld.m[3][1] = y;
        c.mWorld.m[3][2] = z;
        c.bNoInstance = noInstance;
        c.bInShadow = inShadow;
        return manager->addEffectorData(EFFECTOR_SHADOWCASTER, &c, sizeof(c), 1);
    }
    SHADOWCASTERDESC* caster(int id) {
        return static_cast<SHADOWCASTERDESC*>(manager->getEffectorData(EFFECTOR_SHADOWCASTER, id));
    }
    // Nothing drawn, nothing bound, the camera as it was, the map inactive.
    void expectUntouched(const refhost::RefCamera::State& before) {
        EXPECT_FALSE(shadow->isActive());
        EXPECT_EQ(shadow->isDepthRender(), 0);
        EXPECT_TRUE(box.draws().empty());
        EXPECT_EQ(host.renderMan().submitCount(), 0);
        EXPECT_EQ(host.camera().state(), before);
        EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
        EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);
    }

    refhost::ReferenceHost host;
    std::unique_ptr<EffectorMan> manager;
    PSMShadow* shadow = nullptr;
    refhost::RefModel box;
    refhost::RefModel other;
    refhost::RefModelInstance instance;
    const Math::Vector3f sunDir = Math::Vector3f(0.3f, -1.0f, -0.2f);  // toward the camera
};

}  // namespace

TEST_F(PSMShadowDepthTest, DisabledPassOnlyEndsThePass) {
    addLight(LIGHT_DIRECTIONAL, sunDir);
    addCaster(&box, &instance, 0, -8, 40);
    shadow->enable(false);
    shadow->setActive(true);
    const auto before = host.camera().state();
    shadow->renderDepth();
    EXPECT_EQ(host.renderMan().endPassCount(), 1);
    expectUntouched(before);
    shadow->renderDepthOrtho();
    EXPECT_EQ(host.renderMan().endPassCount(), 2);
    expectUntouched(before);
}

TEST_F(PSMShadowDepthTest, EarlyReturnsChangeNothing) {
    const auto before = host.camera().state();
    const Math::Vector3f initialDir = shadow->getDesc()->vLightDir;

    // No casters at all.
    shadow->setActive(true);
    shadow->renderDepth();
    expectUntouched(before);
    EXPECT_EQ(host.renderMan().endPassCount(), 0);

    // Only an ambient light: no direction to take, the pass stops before the casters.
    addLight(LIGHT_AMBIENT, Math::Vector3f(5, 5, 5));
    const int first = addCaster(&box, &instance, 0, -8, 40);
    shadow->renderDepth();
    expectUntouched(before);
    EXPECT_EQ(shadow->getDesc()->vLightDir, initialDir);
    EXPECT_EQ(caster(first)->bInShadow, 0) << "the fit never ran";

    // Casters all outside the volume (behind the camera): only the ground points remain.
    manager->flush(EFFECTOR_ALL, 0);
    addLight(LIGHT_DIRECTIONAL, sunDir);
    const int behind = addCaster(&box, &instance, 0, -8, -1000);
    const int aside = addCaster(&other, &instance, 5000, -8, 40, 0, 1);
    shadow->renderDepth();
    expectUntouched(before);
    EXPECT_EQ(caster(behind)->bInShadow, 0);
    EXPECT_EQ(caster(aside)->bInShadow, 0);
    EXPECT_TRUE(other.draws().empty());
    // The light direction was still taken (normalised).
    const Math::Vector3f expected = Math::normalizeOrKeep(sunDir);
    EXPECT_NEAR(shadow->getDesc()->vLightDir.y, expected.y, 1e-6f);

    // The orthographic pass needs only one point; with none it returns as well.
    shadow->renderDepthOrtho();
    expectUntouched(before);

    // Without a camera nothing is borrowed.
    host.camera().setShadowPassFlag(7);
    cam::CameraManager* saved = cam::cameraManager;
    cam::cameraManager = nullptr;
    addCaster(&box, &instance, 0, -8, 40);
    shadow->renderDepth();
    cam::cameraManager = saved;
    expectUntouched(before);
}

TEST_F(PSMShadowDepthTest, DrawnPassRestoresTheCameraAndDrawsMarkedCasters) {
    addLight(LIGHT_AMBIENT, Math::Vector3f(1, 1, 1));
    addLight(LIGHT_DIRECTIONAL, sunDir);
    const int inside = addCaster(&box, &instance, 0, -8, 40);
    const int outside = addCaster(&other, &instance, 0, -8, -1000);
    refhost::RefModel fixed;
    addCaster(&fixed, nullptr, 0, 0, 0, 1, 1);  // not tested, drawn without instance
    refhost::RefModel skipped;
    addCaster(&skipped, nullptr, 0, 0, 0, 1, 0);  // not tested, not in shadow
    addCaster(nullptr, &instance, 0, -8, 40);     // no model: nothing to draw
    const auto before = host.camera().state();

    shadow->renderDepth();
    ASSERT_TRUE(shadow->isActive());
    EXPECT_EQ(shadow->isDepthRender(), 0);
    EXPECT_EQ(shadow->isFrontSide(), 1);
    EXPECT_EQ(host.camera().state(), before);
    EXPECT_EQ(host.renderMan().submitCount(), 1);
    EXPECT_EQ(host.renderMan().endPassCount(), 1);
    ASSERT_GE(host.renderMan().calls().size(), 2u);
    EXPECT_EQ(host.renderMan().calls().back().op, "endPass");

    EXPECT_EQ(caster(inside)->bInShadow, 1);
    EXPECT_EQ(caster(outside)->bInShadow, 0);
    EXPECT_TRUE(other.draws().empty());
    EXPECT_TRUE(skipped.draws().empty());
    ASSERT_EQ(box.draws().size(), 1u);
    ASSERT_EQ(fixed.draws().size(), 1u);
    EXPECT_EQ(fixed.draws()[0].instance, nullptr);

    const refhost::RefModel::DrawRecord& draw = box.draws()[0];
    EXPECT_EQ(draw.instance, &instance);
    EXPECT_EQ(draw.world.m[3][2], 40.0f) << "the record's world matrix was copied into the instance";
    EXPECT_EQ(draw.targets[0], "psm_depth");
    EXPECT_EQ(draw.depthSurface, "psm_surface");
    EXPECT_EQ(draw.shadowFlag, 1);
    // Drawn through the light space: the camera's view is the axis exchange, its projection the map.
    EXPECT_TRUE(isFinite(*shadow->getLightSpace()));
    EXPECT_TRUE(isFinite(draw.viewProj));
    Math::Matrix4f product;
    Math::multiply(&product, shadow->getLightSpace(), shadow->getLightSpaceInverse());
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, 1e-3f);

    // The float path's depth target was cleared to far (1) before drawing.
    EXPECT_EQ(host.renderApi().readPixel("psm_depth", 0, 0).x, 1.0f);
    EXPECT_EQ(host.renderApi().readDepth("psm_surface", 0, 0), 1.0f);
    // The bias of the float path: two texels of the depth target.
    EXPECT_EQ(shadow->getShadowBias(), Math::Vector4f(0.01f, 2.0f, 2.0f / 256, 0.0f));
    EXPECT_EQ(shadow->getShadowBiasDir(), shadow->getDesc()->vLightDir);

    // A second frame does the same.
    shadow->renderDepthOrtho();
    EXPECT_TRUE(shadow->isActive());
    EXPECT_EQ(shadow->isFrontSide(), 1);
    EXPECT_EQ(box.draws().size(), 2u);
    EXPECT_EQ(host.camera().state(), before);
}

TEST_F(PSMShadowDepthTest, HardwarePathDrawsIntoPsmColorWhateverTheColorName) {
    shadow->initShadows(1, 0);
    shadow->enable(true);
    addLight(LIGHT_DIRECTIONAL, sunDir);
    addCaster(&box, &instance, 0, -8, 40);
    shadow->setTargets(const_cast<char*>("psm_depth_ortho"), const_cast<char*>("other"));
    shadow->renderDepth();
    ASSERT_EQ(box.draws().size(), 1u);
    EXPECT_EQ(box.draws()[0].targets[0], "psm_color");
    EXPECT_EQ(box.draws()[0].depthSurface, "psm_depth_ortho");
    EXPECT_EQ(shadow->getShadowBias(), Math::Vector4f(0, 0, 0, 0)) << "no bias on hardware depth";
}

TEST_F(PSMShadowDepthTest, LightBehindTheVirtualCameraClearsForReversedDepth) {
    // The light travels along the view direction: it shines from behind the camera.
    addLight(LIGHT_DIRECTIONAL, Math::Vector3f(0.0f, -0.5f, 1.0f));
    addCaster(&box, &instance, 0, -8, 40);
    const auto before = host.camera().state();
    shadow->renderDepth();
    ASSERT_TRUE(shadow->isActive());
    EXPECT_EQ(shadow->isFrontSide(), 0);
    EXPECT_EQ(host.renderApi().readPixel("psm_depth", 0, 0).x, 0.0f);
    EXPECT_EQ(host.renderApi().readDepth("psm_surface", 0, 0), 0.0f);
    EXPECT_EQ(host.camera().state(), before);
}

TEST_F(PSMShadowDepthTest, DegenerateLightsGiveFiniteMatricesOrNoMap) {
    const Math::Vector3f lights[] = {
        Math::Vector3f(0, 0, 1),    // along the view
        Math::Vector3f(0, 0, -1),   // against the view
        Math::Vector3f(0, -1, 0),   // straight overhead
        Math::Vector3f(0, 1, 0),    // from below
        Math::Vector3f(0, 0, 0),    // no direction at all
    };
    addCaster(&box, &instance, 0, -8, 40);
    addCaster(&other, &instance, 3, -9, 20);
    const auto before = host.camera().state();
    for (const Math::Vector3f& dir : lights) {
        for (bool ortho : {false, true}) {
            manager->flush(EFFECTOR_LIGHT, 0);
            addLight(LIGHT_DIRECTIONAL, dir);
            box.clearDraws();
            if (ortho)
                shadow->renderDepthOrtho();
            else
                shadow->renderDepth();
            if (shadow->isActive()) {
                EXPECT_TRUE(isFinite(*shadow->getLightSpace())) << dir.x << dir.y << dir.z << ortho;
                EXPECT_TRUE(isFinite(*shadow->getLightSpaceInverse()));
            } else {
                EXPECT_TRUE(box.draws().empty());
            }
            EXPECT_EQ(host.camera().state(), before);
            EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
        }
    }
    // A camera looking straight along the light.
    Math::Matrix4f down;
    down.set(0.0f);
    down.m[0][1] = -1.0f;  // forward: -y
    down.m[1][2] = 1.0f;   // up: +z
    down.m[2][0] = 1.0f;   // right
    down.m[3][3] = 1.0f;
    host.camera().setOrientation(&down);
    manager->flush(EFFECTOR_LIGHT, 0);
    addLight(LIGHT_DIRECTIONAL, Math::Vector3f(0, -1, 0));
    const auto lookingDown = host.camera().state();
    shadow->renderDepth();
    EXPECT_TRUE(!shadow->isActive() || isFinite(*shadow->getLightSpace()));
    EXPECT_EQ(host.camera().state(), lookingDown);
    shadow->renderDepthOrtho();
    EXPECT_TRUE(!shadow->isActive() || isFinite(*shadow->getLightSpace()));
    EXPECT_EQ(host.camera().state(), lookingDown);
}
