// One camera frame for every pass: the same world camera, split three ways between the base (the
// drawing frame's origin) and the position, gives the same answers once they are taken back to
// world terms.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefModel.h"
#include "refhost/RefShader.h"
#include "refhost/ReferenceHost.h"

using namespace effector;
using Math::Vector3d;
using Math::Vector3f;

namespace {

const Vector3d kCamera(700.5, 60.0, -450.25);       // world camera of the first frame, 60 above ground 0
const Vector3d kPoints[] = {{712, 10, -380}, {690, 45, -400}};  // world points in view

Vector3f drawn(const Vector3d& world, const Vector3d& base) {
    return Vector3f(float(world.x - base.x), float(world.y - base.y), float(world.z - base.z));
}

void append(std::vector<double>& out, const Math::Vector4f& v) { out.insert(out.end(), {v.x, v.y, v.z, v.w}); }

class CameraFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        host.renderApi().setMaxTextureSize(256, 256);
        manager = std::make_unique<EffectorMan>();
        effectorMan = manager.get();
        fog = effectorInstance<FogEffector>(EFFECTOR_FOG);
        exclusion = effectorInstance<TransparentExclusion>(EFFECTOR_TRANSPARENTEXCLUSION);
        shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
        reflection = effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION);
        kinematic = effectorInstance<KinematicEffector>(EFFECTOR_KINEMATIC);
        FOGDESC desc = fog->getFogDesc();
        desc.fLayerFogHeight = 30.0f;
        desc.fLayerFogIntensity = 0.01f;
        fog->setFogDesc(&desc);
        fog->initCloudsRT(0);  // "m_rtCloudDepth", which the exclusion slab test needs
        exclusion->setVolumeAlt(100.0f, 400.0f, 50.0f);  // 40 above the camera
        shadow->initShadows(4, 0);
        shadow->enable(true);
        screen.init(64, 32, false);
        shadow->setScreenDepthSrc(&screen);
        Vector3d plane(3, 2, -7);
        Vector3f up(0, 1, 0);
        reflection->setReflectionPlane(&plane, &up);
        box.setBox(Vector3f(-2, 0, -2), Vector3f(2, 4, 2));
        SHADOWCASTERDESC c{};
        c.pModel = &box;
        c.pInstance = &instance;
        caster = static_cast<SHADOWCASTERDESC*>(
            manager->getEffectorData(manager->addEffectorData(EFFECTOR_SHADOWCASTER, &c, sizeof(c), 1)));
        // Looking ahead (+z) and 20 degrees down.
        Math::Matrix4f o = Math::Matrix4f::identity();
        o.m[0][0] = 0, o.m[0][1] = -std::sin(0.35f), o.m[0][2] = std::cos(0.35f);
        o.m[1][1] = std::cos(0.35f), o.m[1][2] = std::sin(0.35f);
        o.m[2][0] = 1, o.m[2][2] = 0;
        host.camera().setOrientation(&o);
    }
    void TearDown() override {
        effectorMan = nullptr;
        manager.reset();
        screen.uninit();
        EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    }

    // The scene's world answers with the camera at world, its drawing frame at base.
    std::vector<double> answers(const Vector3d& world, const Vector3d& base) {
        host.camera().placeInWorld(world, base);
        std::vector<double> out;
        out.push_back(base.y - fog->GetFogLayerPlane().w);  // the ground fog's world height
        Vector3f eye = drawn(world, base);
        fog->beginShadowsRT(1000.0f);
        fog->endShadowsRT();
        fog->updateShadowMatrix(0.0f, 0.0f);
        for (const Vector3d& p : kPoints) {
            Vector3f at = drawn(p, base);
            Math::Vector4f k;
            fog->GetFogK(&eye, &at, &k);
            const Vector3f uv = Math::transformCoord(at, *fog->getShadowMatrix());
            out.insert(out.end(), {k.w, uv.x - std::floor(uv.x), uv.z - std::floor(uv.z)});
        }
        for (double y : {600.0, 80.0, 300.0}) out.push_back(exclusion->isCrossCloudsVolume(float(y - base.y), 5.0f));

        const Vector3f c = drawn(world + Vector3d(0, -60, 100), base);
        caster->mWorld = Math::Matrix4f::identity();
        caster->mWorld.m[3][0] = c.x, caster->mWorld.m[3][1] = c.y, caster->mWorld.m[3][2] = c.z;
        shadow->renderDepth();
        EXPECT_TRUE(shadow->isActive());
        for (const Vector3d& p : kPoints) append(out, Math::transformPoint(drawn(p, base), *shadow->getLightSpace()));

        reflection->beginReflection("reflection_color", "reflection_depth", nullptr);
        for (const Vector3d& p : kPoints) append(out, Math::transformPoint(drawn(p, base), host.camera().getView()->mViewProj));
        reflection->endReflection();
        return out;
    }

    // Last frame's clip position of a static world point, as the velocity field gives it after the
    // camera moved 1 m along x (base and position from split), and as that frame's camera saw it.
    void velocity(const Vector3d& point, Vector3d (*split)(const Vector3d&), Math::Vector4f* given, Math::Vector4f* seen) {
        kinematic->init(64, 32);
        const Vector3d moved = kCamera + Vector3d(1, 0, 0);
        host.camera().placeInWorld(kCamera, split(kCamera));
        kinematic->trackCameraVelocity(0.0f);
        *seen = Math::transformPoint(drawn(point, split(kCamera)), host.camera().getView()->mViewProj);
        host.camera().placeInWorld(moved, split(moved));
        kinematic->trackCameraVelocity(0.0f);
        shadow->beginScreenDepth();
        kinematic->applyShaderVelocities(&shader, nullptr);
        shadow->endScreenDepth();
        *given = Math::transformPoint(drawn(point, split(moved)), shader.matrix("g_mPrevObjViewProj"));
        kinematic->uninit();
    }

    refhost::ReferenceHost host;
    std::unique_ptr<EffectorMan> manager;
    FogEffector* fog = nullptr;
    TransparentExclusion* exclusion = nullptr;
    PSMShadow* shadow = nullptr;
    ReflectionEffector* reflection = nullptr;
    KinematicEffector* kinematic = nullptr;
    SSDTextures screen;
    refhost::RefModel box;
    refhost::RefModelInstance instance;
    refhost::RefShader shader;
    SHADOWCASTERDESC* caster = nullptr;
};

}  // namespace

TEST_F(CameraFrameTest, TheSplitOfBaseAndPositionChangesNoWorldAnswer) {
    const struct { const char* name; Vector3d (*base)(const Vector3d& world); } splits[] = {
        {"(0, W)", [](const Vector3d&) { return Vector3d(0, 0, 0); }},
        {"(W, 0)", [](const Vector3d& w) { return w; }},
        {"(b, W - b)", [](const Vector3d&) { return Vector3d(512, -256, -1024); }},
    };
    const std::vector<double> reference = answers(kCamera, splits[0].base(kCamera));
    EXPECT_NEAR(reference[0], 30.0, 1e-4);
    for (const auto& split : splits) {
        SCOPED_TRACE(split.name);
        const std::vector<double> got = answers(kCamera, split.base(kCamera));
        ASSERT_EQ(got.size(), reference.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], reference[i], 2e-3 * (1 + std::fabs(reference[i]))) << i;
        for (const Vector3d& p : kPoints) {
            Math::Vector4f given, seen;
            velocity(p, split.base, &given, &seen);
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(given[c], seen[c], 2e-3 * (1 + std::fabs(seen[c]))) << c;
        }
    }
}
