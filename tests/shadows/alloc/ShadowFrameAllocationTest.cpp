// A warmed-up frame of the shadow work allocates nothing: optimize and updateShadowData, the
// directional depth pass with its fit, the screen-depth pass, ambient occlusion and the state
// stack all reuse the storage they grew in the first frames. The reference host records nothing
// here, so every counted allocation would be the module's.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effector/alloc/AllocationCounter.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefModel.h"
#include "refhost/ReferenceHost.h"

using namespace effector;

namespace {

// A three-level box hierarchy: four leaves, two inner nodes, the root last.
std::vector<model::Node> threeLevelBoxes() {
    std::vector<model::Node> nodes(7);
    for (int i = 0; i < 4; ++i) {
        const float x = float(i % 2) * 2.0f - 2.0f, z = float(i / 2) * 2.0f - 2.0f;
        nodes[i] = model::Node{{-1, -1}, Math::Vector3f(x, 0, z), Math::Vector3f(x + 2, 3, z + 2)};
    }
    nodes[4] = model::Node{{0, 1}, Math::Vector3f(-2, 0, -2), Math::Vector3f(2, 3, 0)};
    nodes[5] = model::Node{{2, 3}, Math::Vector3f(-2, 0, 0), Math::Vector3f(2, 3, 2)};
    nodes[6] = model::Node{{4, 5}, Math::Vector3f(-2, 0, -2), Math::Vector3f(2, 3, 2)};
    return nodes;
}

struct ShadowScene {
    refhost::ReferenceHost host;
    EffectorMan* manager = nullptr;
    PSMShadow* shadow = nullptr;
    LightSource* lights = nullptr;
    SSDTextures screen;
    refhost::RefModel model{threeLevelBoxes()};
    std::vector<refhost::RefModelInstance> instances = std::vector<refhost::RefModelInstance>(40);
    std::vector<LIGHTDESC> frameLights;

    ShadowScene() {
        host.install();
        host.renderApi().setMaxTextureSize(512, 512);
        host.renderMan().setRecording(false);
        host.clients().setRecording(false);
        model.setRecording(false);
        manager = new EffectorMan();
        effectorMan = manager;
        shadow = static_cast<PSMShadow*>(manager->getEffectorInstance(EFFECTOR_PSMSHADOW));
        lights = static_cast<LightSource*>(manager->getEffectorInstance(EFFECTOR_LIGHT));
        shadow->initShadows(4, 2);
        shadow->enable(true);
        screen.init(320, 240, true);
        shadow->setScreenDepthSrc(&screen);
        shadow->initSSAO(320, 240);
        const double position[4] = {0.0, 12.0, -30.0, 1.0};
        host.camera().setPosition(position);
        makeLights();
        addCasters();
    }
    ~ShadowScene() {
        shadow->setScreenDepthSrc(nullptr);
        shadow->closeSSAO();
        screen.uninit();
        shadow->uninitShadows();
        delete manager;
        effectorMan = nullptr;
    }

    void makeLights() {
        LIGHTDESC sun;
        std::memset(&sun, 0, sizeof(sun));
        sun.type = LIGHT_DIRECTIONAL;
        sun.vPos = Math::Vector3f(0.3f, -1.0f, 0.4f);
        sun.vColor = Math::Vector4f(1, 1, 1, 0);
        frameLights.push_back(sun);
        for (int i = 0; i < 40; ++i) {
            LIGHTDESC spot;
            std::memset(&spot, 0, sizeof(spot));
            spot.dwLightId = static_cast<uint32_t>(i + 1);
            spot.type = LIGHT_SPOT;
            spot.flags = LIGHTFLAG_SHADOW;
            spot.vPos = Math::Vector3f(float(i % 8) * 6.0f - 24.0f, 8.0f, float(i / 8) * 6.0f);
            spot.vDir = Math::Vector4f(0, 1, 0, 0);
            spot.vColor = Math::Vector4f(2, 1.5f, 1, 1);
            spot.fMaxRadius = 20.0f;
            spot.fConeAngle = 0.6f;
            spot.fConeEdge = 0.2f;
            frameLights.push_back(spot);
        }
    }
    void addCasters() {
        for (int i = 0; i < 40; ++i) {
            SHADOWCASTERDESC c;
            std::memset(&c, 0, sizeof(c));
            c.pModel = &model;
            c.pInstance = &instances[i];
            c.mWorld.set(1.0f);
            c.mWorld.m[3][0] = float(i % 8) * 6.0f - 24.0f;
            c.mWorld.m[3][2] = float(i / 8) * 8.0f + 5.0f;
            manager->addEffectorData(EFFECTOR_SHADOWCASTER, &c, sizeof(c), 1);
        }
    }

    void frame() {
        for (int i = 0; i < 5; ++i) shadow->pushState();  // a host nesting its state five deep
        for (int i = 0; i < 5; ++i) shadow->popState();
        manager->flush(EFFECTOR_LIGHT, 0);
        for (LIGHTDESC& l : frameLights) manager->addLight(&l);
        lights->optimize(32, true);
        lights->updateShadowData();
        const short maps = shadow->getShadowsProjCount(true);
        for (short i = 0; i < maps; ++i) {
            shadow->beginShadowProj(i);
            shadow->endShadowProj();
        }
        shadow->renderDepth();
        shadow->beginScreenDepth();
        shadow->endScreenDepth();
        shadow->updateSSAO(16, 1.0f);
    }
};

}  // namespace

TEST(ShadowFrameAllocation, WarmedUpFramesAllocateNothing) {
    ShadowScene scene;
    for (int i = 0; i < 3; ++i) scene.frame();  // warm-up: lists, fade table and images grow
    ASSERT_TRUE(scene.shadow->isActive()) << "the depth pass must really draw for the count to mean anything";
    ASSERT_GT(scene.lights->getUsedLightMatrices(), 0);
    const long drawsBefore = scene.model.drawCount();

    alloc_test::startCounting();
    for (int i = 0; i < 4; ++i) scene.frame();
    const alloc_test::AllocationCount count = alloc_test::stopCounting();

    EXPECT_GT(scene.model.drawCount(), drawsBefore);
    EXPECT_EQ(count.allocations, 0);
    EXPECT_EQ(count.releases, 0);
    EXPECT_EQ(scene.host.renderApi().protocolErrors(), 0);
}
