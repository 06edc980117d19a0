// Misuse of the exported operations: bad indices, names, counts, pointers and NaNs; calls before
// init and after uninit or close; passes ended without being begun and begun twice; no host
// services installed. Each gets its documented result, and the reference host's stacks stay
// balanced.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/effects/SkinEffector.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "enviro/sky/Sky.h"
#include "refhost/RefShader.h"
#include "refhost/ReferenceHost.h"

namespace {

using namespace effector;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

template <class Kind>
Kind* instance(EffectorMan& man, EFFECTOR_TYPE type) {
    return static_cast<Kind*>(man.getEffectorInstance(type));
}

LIGHTDESC pointLight(Math::Vector3f pos, float range) {
    LIGHTDESC l;
    std::memset(&l, 0, sizeof(l));
    l.type = LIGHT_POINT;
    l.vPos = pos;
    l.vColor = Math::Vector4f(1, 1, 1, 1);
    l.fMaxRadius = range;
    return l;
}

bool finite(const Math::Vector4f& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

// A manager whose effectors were created on an installed reference host.
struct HostedModule : ::testing::Test {
    refhost::ReferenceHost host;
    EffectorMan* man = nullptr;
    void SetUp() override {
        host.install();
        man = new EffectorMan();
        effectorMan = man;
    }
    void TearDown() override {
        delete man;
        effectorMan = nullptr;
        EXPECT_EQ(host.renderApi().protocolErrors(), 0) << (host.renderApi().protocolLog().empty() ? "" : host.renderApi().protocolLog()[0]);
        EXPECT_TRUE(host.renderApi().leakedObjects().empty());
    }
    void expectStacksEmpty() {
        EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
        EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);
    }
};

TEST(MisuseWithoutHost, EveryEffectorRunsOnTheStandIns) {
    // No render API, camera, clients or common services: creations fail, passes have nothing to
    // draw with, and nothing crashes.
    EffectorMan man;
    effectorMan = &man;
    LightSource* lights = instance<LightSource>(man, EFFECTOR_LIGHT);
    PSMShadow* shadow = instance<PSMShadow>(man, EFFECTOR_PSMSHADOW);
    FogEffector* fog = instance<FogEffector>(man, EFFECTOR_FOG);
    ReflectionEffector* reflection = instance<ReflectionEffector>(man, EFFECTOR_REFLECTION);
    KinematicEffector* kinematic = instance<KinematicEffector>(man, EFFECTOR_KINEMATIC);
    EXPECT_EQ(lights->getLightsTex(), nullptr);

    SLightsTextures set;
    EXPECT_FALSE(set.init(1280, 720, 16, 32));
    SSDTextures screen;
    EXPECT_TRUE(screen.init(1280, 720, true));  // always true; the targets stay absent
    shadow->setScreenDepthSrc(&screen);
    lights->setLightsSrc(&set);
    LIGHTDESC l = pointLight({0, 0, 5}, 10);
    man.addLight(&l);

    shadow->initShadows(3, 1);
    shadow->initSSAO(1280, 720);
    kinematic->init(1280, 720);
    fog->initCloudsRT(1);
    lights->optimize(16, true);
    lights->updateShadowData();
    EXPECT_FALSE(shadow->beginShadowProj(0));
    shadow->renderDepth();
    shadow->beginScreenDepth();
    shadow->endScreenDepth();
    shadow->updateSSAO(8, 1.0f);
    lights->renderLighting();
    lights->setSSLight(nullptr, true, 1.0f);
    fog->beginShadowsRT(1000.0f);
    fog->endShadowsRT();
    fog->updateShadowMatrix(1.0f, 2.0f);
    reflection->beginReflection("reflection_color", "reflection_depth", nullptr);
    reflection->endReflection();
    lights->enableAmbientCube(true);
    Math::Vector3d at(0, 0, 0);
    EXPECT_FALSE(lights->beginAmbientCube(nullptr, 0, &at));  // no "cube_ambient"
    kinematic->trackCameraVelocity(0.016f);

    shadow->setScreenDepthSrc(nullptr);
    lights->setLightsSrc(nullptr);
    screen.uninit();
    shadow->closeSSAO();
    shadow->uninitShadows();
    fog->uninitCloudsRT();
    kinematic->uninit();
    effectorMan = nullptr;
}

TEST(MisuseWithoutHost, AstronomyAndSkyWithoutServices) {
    Astro::AstroManager astro;
    EXPECT_FALSE(astro.Init());  // no configuration reader: not ready, may be retried
    EXPECT_FALSE(astro.isInitialised());
    EXPECT_TRUE(astro.getStars()->empty());
    EXPECT_EQ(astro.getSunPos(), Math::Vector3f(0, 0, 0));
    astro.applyLighting(0.0f);  // no manager: colours only
    astro.SetLightBMP("graphics\\sky\\light.bmp");
    EXPECT_STREQ(astro.getLightBMPFileName(), "graphics\\sky\\light.bmp");

    enviro::Sky sky;
    EXPECT_TRUE(sky.init());
    sky.drawQuad();  // no "SkySphere" client: no effect
    sky.drawNoQuad();
    sky.uninit();
    sky.uninit();
}

TEST_F(HostedModule, ManagerRejectsBadKindsSizesIdsAndCounts) {
    LIGHTDESC l = pointLight({0, 0, 0}, 5);
    EXPECT_EQ(man->addEffectorData(2, &l, sizeof(l), 1), -1);      // no such kind
    EXPECT_EQ(man->addEffectorData(-1, &l, sizeof(l), 1), -1);
    EXPECT_EQ(man->addEffectorData(INT_MAX, &l, sizeof(l), 1), -1);
    EXPECT_EQ(man->addEffectorData(EFFECTOR_LIGHT, &l, sizeof(l) - 1, 1), -1);
    EXPECT_EQ(man->addEffectorData(EFFECTOR_LIGHT, &l, -72, 1), -1);
    EXPECT_EQ(man->addEffectorData(EFFECTOR_LIGHT, nullptr, sizeof(l), 1), -1);
    EXPECT_EQ(man->addLight(nullptr), -1);
    EXPECT_EQ(man->getRecordCount(EFFECTOR_LIGHT), 0);

    const int id = man->addLight(&l);
    ASSERT_GE(id, 0);
    EXPECT_EQ(man->getEffectorData(-1), nullptr);
    EXPECT_EQ(man->getEffectorData(INT_MAX), nullptr);
    EXPECT_EQ(man->getEffectorData(EFFECTOR_FOG, id), nullptr);  // wrong kind
    EXPECT_EQ(man->getEffectorData(99, id), nullptr);
    man->removeEffector(-7);
    man->removeEffector(id + 1000);
    man->setState(EFFECTOR_TYPE(42), 3);
    man->setState(EFFECTOR_LIGHT, -5, 3);
    man->flush(EFFECTOR_TYPE(77), 0);
    EXPECT_EQ(man->getRecordCount(EFFECTOR_LIGHT), 1);
    EXPECT_EQ(man->getEffectorInstance(EFFECTOR_TYPE(2)), nullptr);
    EXPECT_EQ(man->getEffectorInstance(EFFECTOR_TYPE(-1)), nullptr);
    EXPECT_EQ(man->getEffectorInstance(EFFECTOR_TYPE(1000)), nullptr);

    // Orders naming slots that do not exist are skipped; negative counts take nothing.
    SORTVALUE order[3] = {{5, 1.0f}, {-3, 2.0f}, {0, 3.0f}};
    EffectorMan::DataList* list = man->getEffectorDataList(EFFECTOR_LIGHT, 1, order, 3);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 1);
    list = man->getEffectorDataList(EFFECTOR_LIGHT, 1, order, -4);
    EXPECT_TRUE(list == nullptr || list->count() == 0);
    list = man->getEffectorDataList(EFFECTOR_TYPE(55), 1, nullptr, 0);
    EXPECT_TRUE(list == nullptr || list->count() == 0);
    // A null point counts as the origin; NaN points and NaN records give a list, not a crash.
    EXPECT_EQ(man->getWeightedEffectorList(nullptr, EFFECTOR_LIGHT, 1)->count(), 1);
    Math::Vector3f nan(kNaN, kNaN, kNaN);
    LIGHTDESC bad = pointLight(nan, kNaN);
    bad.vColor = Math::Vector4f(kNaN, kNaN, kNaN, kNaN);
    man->addLight(&bad);
    EXPECT_EQ(man->getWeightedEffectorList(&nan, EFFECTOR_LIGHT, 1)->count(), 2);

    // After close nothing is stored and nothing is found; init starts again.
    man->close();
    EXPECT_EQ(man->addLight(&l), -1);
    EXPECT_EQ(man->getEffectorInstance(EFFECTOR_LIGHT), nullptr);
    man->close();
    man->init();
    EXPECT_GE(man->addLight(&l), 0);
}

TEST_F(HostedModule, LightsWithNaNsAndOutOfRangeIndices) {
    LightSource* lights = instance<LightSource>(*man, EFFECTOR_LIGHT);
    EXPECT_EQ(lights->getLightMatrix(-1), nullptr);
    EXPECT_EQ(lights->getLightMatrix(30), nullptr);
    EXPECT_EQ(lights->getLightMatrix(SHRT_MAX), nullptr);
    EXPECT_NE(lights->getLightMatrix(29), nullptr);

    LIGHTDESC bad = pointLight({kNaN, 0, 0}, kNaN);
    bad.vColor.x = kNaN;
    man->addLight(&bad);
    LIGHTDESC good = pointLight({0, 0, 3}, 10);
    man->addLight(&good);
    EXPECT_FALSE(LightSource::lightCrossSphere(nullptr, 1.0f, &bad));
    EXPECT_FALSE(LightSource::lightCrossSphere(nullptr, 1.0f, nullptr));
    lights->optimize(-3, true);  // a negative budget keeps nothing but ambient and directional lights
    EXPECT_EQ(man->getRecordCount(EFFECTOR_LIGHT), 0);
    man->addLight(&bad);
    man->addLight(&good);
    lights->optimize(SHRT_MAX, false);
    lights->updateShadowData();

    refhost::RefShader shader;
    Math::Vector3f pos(0, 0, 0);
    lights->setLight(&shader, &pos, kNaN, nullptr, nullptr, 8);
    lights->setLight(&shader, &pos, -1.0f, nullptr, nullptr, SHRT_MIN);
    lights->setSSLight(&shader, true, kNaN);  // before any renderLighting: zeros, no set bound
    EXPECT_EQ(shader.texture("g_tLightsList"), nullptr);
    lights->setSSLight(&shader, false, 1.0f);

    SLightsTextures set;
    ASSERT_TRUE(set.init(64, 64, 16, 4));
    lights->setLightsSrc(&set);
    lights->renderLighting();  // the fallback list: no screen normals
    expectStacksEmpty();
    lights->setSSLight(&shader, true, 0.5f);
    for (const char* name : {"ambient", "g_vDefLightColor", "g_vDefSpecColor"})
        EXPECT_TRUE(finite(shader.vector(name))) << name;
    set.uninit();
    set.uninit();
    lights->renderLighting();  // a set without targets: nothing happens
    set.clear();
    lights->setLightsSrc(nullptr);
    expectStacksEmpty();

    Math::Vector3d at(0, 0, 0);
    lights->endAmbientCube();  // nothing begun
    lights->enableAmbientCube(true);
    ASSERT_TRUE(lights->beginAmbientCube(nullptr, 9, &at));  // face clamped into 0..5
    EXPECT_EQ(host.renderApi().cubeFace(), 5);
    EXPECT_FALSE(lights->beginAmbientCube(nullptr, 0, &at));  // already open
    lights->endAmbientCube();  // face 9 counts as the last: the blur runs
    lights->endAmbientCube();
    EXPECT_EQ(host.clients().callsOf("SysBackCube", "drawCube").size(), 96u);
    ASSERT_TRUE(lights->beginAmbientCube(nullptr, -4, nullptr));  // face 0, position kept
    lights->endAmbientCube();
    expectStacksEmpty();
}

TEST_F(HostedModule, ShadowPassesOutOfOrderAndBadNames) {
    PSMShadow* shadow = instance<PSMShadow>(*man, EFFECTOR_PSMSHADOW);
    const int depth = shadow->getStateDepth();
    shadow->popState();  // empty stack: nothing
    EXPECT_EQ(shadow->getStateDepth(), depth);
    shadow->endShadowProj();
    shadow->endScreenDepth();
    EXPECT_FALSE(shadow->beginShadowProj(-1));
    EXPECT_FALSE(shadow->beginShadowProj(30));
    EXPECT_FALSE(shadow->beginShadowProj(SHRT_MAX));

    std::string longName(200, 'n');
    shadow->setTargets(&longName[0], nullptr);
    PSMSTATE state;
    shadow->getState(&state);
    EXPECT_EQ(std::strlen(state.szDepthTarget), 63u);
    EXPECT_STREQ(state.szColorTarget, "psm_color");
    shadow->setTargets(nullptr, nullptr);
    shadow->getState(&state);
    EXPECT_STREQ(state.szDepthTarget, "psm_depth");
    shadow->setState(nullptr);
    shadow->getState(nullptr);
    shadow->setDesc(nullptr);
    shadow->setMatrix(nullptr);
    EXPECT_EQ(shadow->getLightSpace(), shadow->getLightSpace());

    shadow->initShadows(-5, 99);  // clamped
    EXPECT_LE(shadow->getShadowsQuality(), 6);
    EXPECT_GE(shadow->getShadowsQuality(), 0);
    shadow->updateSSAO(0, kNaN);  // before initSSAO
    shadow->closeSSAO();
    shadow->closeSSAO();

    SSDTextures screen;
    screen.init(320, 180, true);
    shadow->setScreenDepthSrc(&screen);
    shadow->beginScreenDepth();
    shadow->beginScreenDepth();  // already open: nothing
    shadow->endScreenDepth();
    shadow->endScreenDepth();
    expectStacksEmpty();
    shadow->setScreenDepthSrc(nullptr);
    screen.uninit();
    screen.uninit();
    shadow->uninitShadows();
    shadow->uninitShadows();
}

TEST_F(HostedModule, FogReflectionAndExclusionOutOfOrder) {
    FogEffector* fog = instance<FogEffector>(*man, EFFECTOR_FOG);
    ReflectionEffector* reflection = instance<ReflectionEffector>(*man, EFFECTOR_REFLECTION);
    TransparentExclusion* exclusion = instance<TransparentExclusion>(*man, EFFECTOR_TRANSPARENTEXCLUSION);

    fog->updateShadowMatrix(1.0f, 1.0f);  // before any beginShadowsRT: the matrix stays
    const Math::Matrix4f before = *fog->getShadowMatrix();
    EXPECT_EQ(before.m[0][0], Math::Matrix4f::identity().m[0][0]);
    fog->endShadowsRT();  // nothing open
    fog->beginShadowsRT(kNaN);
    fog->beginShadowsRT(100.0f);  // already open: nothing
    fog->updateShadowMatrix(kNaN, 0.0f);
    fog->endShadowsRT();
    fog->endShadowsRT();
    expectStacksEmpty();
    fog->initCloudsRT(-3);
    fog->initCloudsRT(SHRT_MAX);
    fog->clearCloudsRT();
    fog->uninitCloudsRT();
    fog->uninitCloudsRT();
    fog->clearCloudsRT();
    fog->setFogDesc(nullptr);
    fog->SetFogColor(nullptr);

    reflection->endReflection();
    reflection->endCubeTarget();
    reflection->beginReflection(nullptr, nullptr, nullptr);
    reflection->beginReflection("reflection_color", "reflection_depth", nullptr);  // already open
    reflection->endReflection();
    reflection->endReflection();
    host.renderApi().createCubeTarget("probe", 8, 21);
    reflection->beginCubeTarget("probe", nullptr, 100, nullptr, 0xFF);
    reflection->beginCubeTarget("probe", nullptr, 0, nullptr, 0xFF);  // already open
    EXPECT_EQ(host.renderApi().cubeFace(), 5);
    reflection->endCubeTarget();
    reflection->endCubeTarget();
    reflection->beginCubeTarget(nullptr, "no such surface", -1, nullptr, 0);
    reflection->endCubeTarget();
    expectStacksEmpty();

    Math::Vector4f layer[2], params[2];
    exclusion->getConstants(nullptr, layer, params, 2);
    exclusion->getConstants(nullptr, nullptr, nullptr, 2);
    exclusion->getConstants(nullptr, layer, params, -1);
    exclusion->applyShader(nullptr, true);
    EXPECT_EQ(exclusion->getWeight(nullptr, nullptr, 1.0f), 0.0f);

    KinematicEffector* kinematic = instance<KinematicEffector>(*man, EFFECTOR_KINEMATIC);
    kinematic->init(-1, 0);
    kinematic->setObjectRevMatrix(nullptr);
    kinematic->getObjectRevMatrix(nullptr);
    kinematic->applyShaderVelocities(nullptr, nullptr);
    kinematic->uninit();
    kinematic->uninit();

    SkinEffector* skin = instance<SkinEffector>(*man, EFFECTOR_SKIN);
    skin->setSkinTexture(nullptr);
    EXPECT_FALSE(SkinEffector::isValidFile(nullptr));
    EXPECT_NE(skin->getSkinTexture(nullptr), nullptr);  // the (empty) descriptor itself
}

TEST_F(HostedModule, AstronomyWithBadArguments) {
    Astro::AstroManager astro;  // not initialised: no configuration in the working directory
    astro.setDateTime(2024, 13, 0, -1, 99, kNaN);
    int y, mo, d, h, mi;
    float s;
    astro.getDateTime(y, mo, d, h, mi, s);
    EXPECT_EQ(mo, 13);
    EXPECT_TRUE(std::isnan(s));
    astro.setPos(kNaN, 0.0, std::numeric_limits<double>::infinity());
    EXPECT_EQ(astro.getSunPos(), Math::Vector3f(0, 0, 0));
    EXPECT_TRUE(std::isfinite(astro.getMoonPhase()));
    EXPECT_TRUE(astro.getStars()->empty());
    EXPECT_FALSE(astro.needStarsUpdate());

    Astro::AstroManager::Colorpoint p{0.5f, Math::Vector4f(1, 0, 0, 1)}, out{9.0f, Math::Vector4f(9, 9, 9, 9)};
    EXPECT_EQ(astro.addPoint(nullptr, false), -1);
    EXPECT_EQ(astro.addPoint(&p, false), 0);
    astro.delPoint(-1, false);
    astro.delPoint(1, false);
    astro.delPoint(INT_MAX, true);
    astro.setPointByNum(3, &p, false);
    astro.setPointByNum(0, nullptr, false);
    astro.getPointByNum(-1, &out, false);
    astro.getPointByNum(0, nullptr, false);
    EXPECT_EQ(out.fKey, 9.0f);
    EXPECT_EQ(astro.getAllPoints(nullptr, 10, false), 0);
    EXPECT_EQ(astro.getAllPoints(&out, -1, false), 0);
    EXPECT_EQ(astro.getAllPoints(&out, 1, false), 1);

    astro.SetLightBMP(static_cast<BITMAP_*>(nullptr));
    astro.SetLightBMP(static_cast<const char*>(nullptr));
    EXPECT_STREQ(astro.getLightBMPFileName(), "");
    astro.SetLightBMP("no such file.bmp");
    astro.applyLighting(kNaN);
    EXPECT_TRUE(finite(astro.getAmbientColor()));

    astro.ComputeSunlight(kNaN, -1);  // before Init: no effect
    astro.ComputeAttenuatedSunlight(kNaN, INT_MIN);
    EXPECT_EQ(astro.getSunSpectrum()[0], 0.0);
    double xyz[3] = {7, 7, 7};
    astro.get_tristim(nullptr, xyz);
    EXPECT_EQ(xyz[0], 0.0);
    astro.get_tristim(nullptr, nullptr);

    enviro::Sky sky;
    Math::Vector3f dir(kNaN, 1, 0), outColor(5, 5, 5);
    Math::Vector4f sun(0, 1, 0, 0);
    sky.getSkyYxy(dir, sun, kNaN, &outColor);  // before init, NaN view
    EXPECT_EQ(outColor, Math::Vector3f(0, 0, 0));
    sky.getSkyColor(dir, sun, 0.0f, nullptr);
    EXPECT_FALSE(sky.getSkyYxyArray(nullptr, 3, sun, 0.0f, &outColor));
    EXPECT_FALSE(sky.getSkyColorArray(&dir, -1, sun, 0.0f, &outColor));
    EXPECT_TRUE(sky.getSkyColorArray(nullptr, 0, sun, 0.0f, nullptr));
}

}  // namespace
