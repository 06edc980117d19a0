// The transparent-exclusion effector against the reference host: the cloud slab test, the
// exclusion-volume constants and the shader binding of the cloud targets.
#include <gtest/gtest.h>

#include <vector>

#include "FogTestHost.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefShader.h"

using effector::EXCLUSIONDESC;
using effector::TransparentExclusion;
using fogtest::FogHost;

namespace {

// Installs a manager as the module's one for the scope.
struct ScopedManager {
    effector::EffectorMan man;
    ScopedManager() { effector::effectorMan = &man; }
    ~ScopedManager() { effector::effectorMan = nullptr; }

    effector::FogEffector& fog() {
        return *static_cast<effector::FogEffector*>(man.getEffectorInstance(effector::EFFECTOR_FOG));
    }
    effector::PSMShadow& shadow() {
        return *static_cast<effector::PSMShadow*>(man.getEffectorInstance(effector::EFFECTOR_PSMSHADOW));
    }
    int addVolume(Math::Vector3f center, Math::Vector3f params, int state) {
        EXCLUSIONDESC d{center, params};
        return man.addEffectorData(effector::EFFECTOR_TRANSPARENTEXCLUSION, &d, sizeof d, state);
    }
    void setVisibility(float distance) {
        effector::FOGDESC d = fog().getFogDesc();
        d.fFogDistance = distance;
        fog().setFogDesc(&d);
    }
};

void createCloudTarget(FogHost& h, const char* name) {
    ASSERT_NE(h.host.renderApi().createRenderTarget(name, 16, 16, RendAPI::FMT_A8R8G8B8, 1), nullptr);
}

// A slab from 1000 to 1400 with the camera's near distance 1 and "m_rtCloudDepth" present.
struct SlabScene {
    FogHost h;
    TransparentExclusion excl;
    SlabScene() {
        createCloudTarget(h, "m_rtCloudDepth");
        h.host.camera().setNear(1.0);
        excl.setVolumeAlt(1000.0f, 400.0f, 50.0f);
    }
    bool crossesFrom(double cameraY, double baseY, float objectY, float radius = 10.0f) {
        h.placeCamera(cameraY, baseY);
        return excl.isCrossCloudsVolume(objectY, radius);
    }
};

void expectVec(const Math::Vector4f& v, float x, float y, float z, float w) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.w, w);
}

constexpr float kSentinel = 7.0f;

struct ConstantArrays {
    std::vector<Math::Vector4f> layer, params;
    explicit ConstantArrays(int n)
        : layer(n, Math::Vector4f(kSentinel, kSentinel, kSentinel, kSentinel)),
          params(n, Math::Vector4f(kSentinel, kSentinel, kSentinel, kSentinel)) {}
};

void expectDefaultEntry(const ConstantArrays& a, int i) {
    SCOPED_TRACE(i);
    expectVec(a.layer[i], 0.0f, -10000.0f, 0.0f, kSentinel);
    expectVec(a.params[i], 1.0f, 1.0f, 1.0f, kSentinel);
}

}  // namespace

TEST(TransparentExclusion, SlabSeparatesObjectFromCamera) {
    SlabScene s;
    // Camera below the slab.
    EXPECT_TRUE(s.crossesFrom(0, 0, 2000.0f));
    EXPECT_FALSE(s.crossesFrom(0, 0, 500.0f));
    EXPECT_TRUE(s.crossesFrom(0, 0, 995.0f));  // the sphere reaches into the slab
    EXPECT_FALSE(s.crossesFrom(0, 0, 985.0f));  // its top stays 5 below
    // Camera above the slab.
    EXPECT_FALSE(s.crossesFrom(1500, 0, 2000.0f));
    EXPECT_TRUE(s.crossesFrom(1500, 0, 500.0f));
    // Camera inside: every object is on the other side.
    for (float y : {-5000.0f, 500.0f, 1200.0f, 2000.0f, 90000.0f}) EXPECT_TRUE(s.crossesFrom(1200, 0, y)) << y;
    // The camera counts as inside within twice its near distance of the slab.
    EXPECT_TRUE(s.crossesFrom(998.5, 0, 500.0f));
    EXPECT_FALSE(s.crossesFrom(997.5, 0, 500.0f));
    s.h.host.camera().setNear(2.0);
    EXPECT_TRUE(s.crossesFrom(997.5, 0, 500.0f));
    s.h.host.camera().setNear(1.0);
    // Heights are relative to the camera base: base 600 puts the slab bottom at 400.
    EXPECT_TRUE(s.crossesFrom(0, 600, 500.0f));
    EXPECT_FALSE(s.crossesFrom(0, 600, 300.0f));
}

TEST(TransparentExclusion, NoSlabTestWhenOffMissingOrReflecting) {
    SlabScene s;
    ASSERT_TRUE(s.crossesFrom(0, 0, 2000.0f));

    s.excl.enable(false);
    EXPECT_FALSE(s.excl.isEnabled());
    EXPECT_FALSE(s.crossesFrom(1200, 0, 2000.0f));
    s.excl.enable(true);
    EXPECT_TRUE(s.excl.isEnabled());

    s.h.host.renderApi().enableClipPlane(1);  // a reflection or cube pass
    EXPECT_FALSE(s.crossesFrom(1200, 0, 2000.0f));
    s.h.host.renderApi().enableClipPlane(0);
    EXPECT_TRUE(s.crossesFrom(1200, 0, 2000.0f));

    TransparentExclusion unset;  // no slab until setVolumeAlt
    EXPECT_TRUE(unset.isEnabled());
    EXPECT_FALSE(unset.isCrossCloudsVolume(2000.0f, 10.0f));
    s.excl.setVolumeAlt(1000.0f, 0.0f, 50.0f);
    EXPECT_FALSE(s.crossesFrom(1200, 0, 2000.0f));

    FogHost bare;  // no "m_rtCloudDepth" in this renderer
    TransparentExclusion excl;
    excl.setVolumeAlt(1000.0f, 400.0f, 50.0f);
    EXPECT_FALSE(excl.isCrossCloudsVolume(2000.0f, 10.0f));
    createCloudTarget(bare, "m_rtCloudDepth");
    EXPECT_TRUE(excl.isCrossCloudsVolume(2000.0f, 10.0f));
}

TEST(TransparentExclusion, CopiesCarryEnableAndSlab) {
    SlabScene s;
    s.h.placeCamera(0, 0);
    TransparentExclusion copy(s.excl);
    EXPECT_TRUE(copy.isCrossCloudsVolume(2000.0f, 10.0f));
    s.excl.enable(false);
    TransparentExclusion assigned;
    assigned = s.excl;
    EXPECT_FALSE(assigned.isEnabled());
    assigned.enable(true);
    EXPECT_TRUE(assigned.isCrossCloudsVolume(2000.0f, 10.0f));
    EXPECT_FALSE(assigned.isCrossCloudsVolume(500.0f, 10.0f));
}

TEST(TransparentExclusion, WeightIsInverseDistance) {
    TransparentExclusion excl;
    EXCLUSIONDESC d{Math::Vector3f(1.0f, 6.0f, 3.0f), Math::Vector3f(0.0f, 0.0f, 0.0f)};
    Math::Vector3f at(1.0f, 2.0f, 3.0f);
    EXPECT_FLOAT_EQ(excl.getWeight(&d, &at, 123.0f), 0.25f);
    Math::Vector3f centre(1.0f, 6.0f, 3.0f);
    EXPECT_EQ(excl.getWeight(&d, &centre, 1.0f), 1.0f);
    EXPECT_EQ(excl.getWeight(nullptr, &at, 1.0f), 0.0f);
    EXPECT_EQ(excl.getWeight(&d, nullptr, 1.0f), 0.0f);
    EXPECT_EQ(excl.getDataSize(), 24);
}

TEST(TransparentExclusion, ConstantsTakeNearestVolumesOfAnyState) {
    FogHost h;
    ScopedManager m;
    m.setVisibility(20000.0f);  // no overcast
    m.addVolume(Math::Vector3f(100, 0, 0), Math::Vector3f(4, 5, 6), 3);   // far
    m.addVolume(Math::Vector3f(10, 0, 0), Math::Vector3f(1, 2, 3), 0);    // near
    TransparentExclusion excl;
    Math::Vector3f pos(0, 0, 0);

    ConstantArrays five(5);
    excl.getConstants(&pos, five.layer.data(), five.params.data(), 5);
    expectDefaultEntry(five, 0);
    expectVec(five.layer[1], 10, 0, 0, 0);
    expectVec(five.params[1], 1, 2, 3, 0);
    expectVec(five.layer[2], 100, 0, 0, 0);
    expectVec(five.params[2], 4, 5, 6, 0);
    expectDefaultEntry(five, 3);
    expectDefaultEntry(five, 4);

    // Ranked from pos: from x = 90 the far volume is the nearer one.
    Math::Vector3f other(90, 0, 0);
    ConstantArrays two(3);
    excl.getConstants(&other, two.layer.data(), two.params.data(), 2);
    expectDefaultEntry(two, 0);
    expectVec(two.layer[1], 100, 0, 0, 0);
    expectVec(two.layer[2], kSentinel, kSentinel, kSentinel, kSentinel);  // past count: untouched

    ConstantArrays one(2);
    excl.getConstants(&pos, one.layer.data(), one.params.data(), 1);
    expectDefaultEntry(one, 0);
    expectVec(one.layer[1], kSentinel, kSentinel, kSentinel, kSentinel);

    // Disabled: defaults only.
    excl.enable(false);
    ConstantArrays off(3);
    excl.getConstants(&pos, off.layer.data(), off.params.data(), 3);
    for (int i = 0; i < 3; ++i) expectDefaultEntry(off, i);
}

TEST(TransparentExclusion, ConstantsDescribeOvercastHalfOnCameraSide) {
    FogHost h;
    ScopedManager m;  // fog layer 1000 .. 1400
    TransparentExclusion excl;
    Math::Vector3f pos(0, 0, 0);

    for (float visibility : {12000.0f, 30000.0f}) {  // overcast density 0
        m.setVisibility(visibility);
        ConstantArrays a(1);
        excl.getConstants(&pos, a.layer.data(), a.params.data(), 1);
        expectDefaultEntry(a, 0);
    }

    m.setVisibility(6000.0f);  // overcast density 0.5
    ASSERT_GT(m.fog().GetOvercastDensity(), 0.001f);
    ConstantArrays below(1);
    h.placeCamera(0, 0);
    excl.getConstants(&pos, below.layer.data(), below.params.data(), 1);
    // Lower half 1000 .. 1200: centre 1100, x = 4 / thickness.
    expectVec(below.layer[0], 0.01f, 1100.0f, 0.0f, kSentinel);
    expectVec(below.params[0], 1, 1, 1, kSentinel);

    ConstantArrays above(1);
    h.placeCamera(0, 1500);
    excl.getConstants(&pos, above.layer.data(), above.params.data(), 1);
    // Upper half 1200 .. 1400: centre 1300, 200 below the camera base; x = -4 / thickness.
    expectVec(above.layer[0], -0.01f, -200.0f, 0.0f, kSentinel);

    // A layer without thickness has no half to describe.
    effector::FOGDESC d = m.fog().getFogDesc();
    d.fLayerThickness = 0.0f;
    m.fog().setFogDesc(&d);
    ConstantArrays flat(1);
    excl.getConstants(&pos, flat.layer.data(), flat.params.data(), 1);
    expectDefaultEntry(flat, 0);
}

TEST(TransparentExclusion, ConstantsIgnoreBadArguments) {
    FogHost h;
    ScopedManager m;
    m.addVolume(Math::Vector3f(3, 4, 0), Math::Vector3f(1, 1, 2), 0);
    TransparentExclusion excl;
    ConstantArrays a(2);
    excl.getConstants(nullptr, a.layer.data(), a.params.data(), 0);
    excl.getConstants(nullptr, a.layer.data(), a.params.data(), -3);
    expectVec(a.layer[0], kSentinel, kSentinel, kSentinel, kSentinel);
    excl.getConstants(nullptr, nullptr, a.params.data(), 2);
    excl.getConstants(nullptr, a.layer.data(), nullptr, 2);
    expectVec(a.params[0], kSentinel, kSentinel, kSentinel, kSentinel);
    // A null position ranks from the origin.
    excl.getConstants(nullptr, a.layer.data(), a.params.data(), 2);
    expectVec(a.layer[1], 3, 4, 0, 0);
    expectVec(a.params[1], 1, 1, 2, 0);
    // Without a manager there are no volumes and no overcast, only defaults.
    effector::effectorMan = nullptr;
    ConstantArrays none(2);
    excl.getConstants(nullptr, none.layer.data(), none.params.data(), 2);
    expectDefaultEntry(none, 0);
    expectDefaultEntry(none, 1);
}

TEST(TransparentExclusion, ShaderGetsCloudTargetsAndSettings) {
    effector::SSDTextures screen;  // outlives the manager that points at it
    FogHost h;
    ScopedManager m;
    createCloudTarget(h, "m_rtCloudDepth");
    createCloudTarget(h, "m_rtCloudVol");
    refhost::RefRenderApi& api = h.host.renderApi();
    TransparentExclusion excl;
    excl.setVolumeAlt(1000.0f, 400.0f, 250.0f);

    refhost::RefShader shader;
    excl.applyShader(&shader, true);
    EXPECT_EQ(shader.texture("g_tVolumeDepth"), api.find("m_rtCloudDepth"));
    EXPECT_EQ(shader.texture("g_tVolumeAlpha"), api.find("m_rtCloudVol"));
    expectVec(shader.vector("g_vExVolumeSettings"), 250, 0, 0, 0);
    expectVec(shader.vector("g_vExVolumeRect"), 0, 0, 1, 1);  // no screen-depth source yet

    screen.m_vRect = Math::Vector4f(0.25f, 0.5f, 0.75f, 1.0f);
    m.shadow().setScreenDepthSrc(&screen);
    excl.applyShader(&shader, true);
    expectVec(shader.vector("g_vExVolumeRect"), 0.25f, 0.5f, 0.75f, 1.0f);

    excl.applyShader(&shader, false);
    EXPECT_EQ(shader.texture("g_tVolumeDepth"), nullptr);
    EXPECT_EQ(shader.texture("g_tVolumeAlpha"), nullptr);
    EXPECT_EQ(shader.setCount("g_tVolumeDepth"), 3);
    EXPECT_EQ(shader.setCount("g_vExVolumeSettings"), 2);  // unbinding leaves the vectors

    // The setting is limited to 1 .. 1000.
    const struct {
        float setting, stored;
    } limits[] = {{0.5f, 1.0f}, {5000.0f, 1000.0f}, {-3.0f, 1.0f}, {1000.0f, 1000.0f}};
    for (const auto& l : limits) {
        excl.setVolumeAlt(1000.0f, 400.0f, l.setting);
        excl.applyShader(&shader, true);
        EXPECT_EQ(shader.vector("g_vExVolumeSettings").x, l.stored) << l.setting;
    }
    m.shadow().setScreenDepthSrc(nullptr);
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(TransparentExclusion, ShaderLeftAloneWithoutSlabDepthParameterOrDuringReflection) {
    FogHost h;
    ScopedManager m;
    createCloudTarget(h, "m_rtCloudDepth");
    TransparentExclusion excl;

    refhost::RefShader noSlab;
    excl.applyShader(&noSlab, true);  // setVolumeAlt not called yet
    EXPECT_TRUE(noSlab.setNames().empty());

    excl.setVolumeAlt(1000.0f, 400.0f, 50.0f);
    refhost::RefShader withoutDepth({"g_tVolumeAlpha", "g_vExVolumeSettings", "g_vExVolumeRect"});
    excl.applyShader(&withoutDepth, true);
    excl.applyShader(&withoutDepth, false);
    EXPECT_TRUE(withoutDepth.setNames().empty());

    refhost::RefShader reflected;
    h.host.renderApi().enableClipPlane(1);
    excl.applyShader(&reflected, true);
    EXPECT_TRUE(reflected.setNames().empty());
    h.host.renderApi().enableClipPlane(0);

    excl.applyShader(nullptr, true);
    excl.applyShader(&reflected, true);
    expectVec(reflected.vector("g_vExVolumeSettings"), 50, 0, 0, 0);
    EXPECT_EQ(reflected.textureName("g_tVolumeAlpha"), "");  // "m_rtCloudVol" does not exist
}
