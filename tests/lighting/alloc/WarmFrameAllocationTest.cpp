// A warmed-up frame of the light, shadow and cloud work allocates nothing: optimize and
// updateShadowData (the same light ids every frame, or ids alternating between two sets whose
// fade-table nodes are reused), the light passes and bindings, the per-light projections, the
// directional depth pass with its fit, the screen-depth pass, ambient occlusion, the shadow state
// stack and the exclusion constants.
#include <gtest/gtest.h>

#include <vector>

#include "entry/AllocationLog.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/fog/TransparentExclusion.h"
#include "lighting/LightPassScene.h"
#include "refhost/RefModel.h"
#include "refhost/RefShader.h"

namespace {

using namespace light_test;

struct WarmFrame : LightPassScene {
    refhost::RefShader shader;
    refhost::RefModel model;
    std::vector<refhost::RefModelInstance> instances = std::vector<refhost::RefModelInstance>(40);
    TransparentExclusion* exclusion = static_cast<TransparentExclusion*>(man.getEffectorInstance(EFFECTOR_TRANSPARENTEXCLUSION));
    Math::Vector4f layer[5], params[5];

    WarmFrame() {  // 40 casters on the ground 12 below the camera, 8 exclusion volumes
        host.clients().setRecording(false), host.renderMan().setRecording(false), model.setRecording(false);
        model.setBox(Math::Vector3f(-2, 0, -2), Math::Vector3f(2, 3, 2));
        const double position[4] = {0.0, 12.0, -30.0, 1.0};
        host.camera().setPosition(position);
        shadow->initShadows(4, 2);
        shadow->enable(true);
        shadow->initSSAO(kWidth, kHeight);
        for (int i = 0; i < 40; ++i) {
            SHADOWCASTERDESC c{};
            c.pModel = &model, c.pInstance = &instances[i], c.mWorld = Math::Matrix4f::identity();
            c.mWorld.m[3][0] = float(i % 8) * 6.0f - 24.0f, c.mWorld.m[3][2] = float(i / 8) * 8.0f + 5.0f;
            man.addEffectorData(EFFECTOR_SHADOWCASTER, &c, sizeof(c), 1);
            EXCLUSIONDESC volume{{float(i), 0.0f, 10.0f}, {1.0f, 2.0f, 3.0f}};
            if (i < 8) man.addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, &volume, sizeof(volume), 1);
        }
    }
    ~WarmFrame() { shadow->closeSSAO(); }
    // A sun, an ambient light and 300 point and shadow-casting spot lights ahead, a few behind the
    // camera, every 16th without an id.
    static std::vector<LIGHTDESC> lightsWithIds(uint32_t firstId) {
        std::vector<LIGHTDESC> list{makeLight(LIGHT_DIRECTIONAL, {0.3f, -1, 0.4f}, {1, 1, 1, 1}),
                                    makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.1f, 0.1f, 0})};
        for (int i = 0; i < 300; ++i) {
            list.push_back(makeLight(i % 2 ? LIGHT_SPOT : LIGHT_POINT, {float(i % 20) * 4 - 40, 1, i % 7 ? float(i / 20) * 6 + 5 : -60},
                                     {1, 0.8f, 0.6f, 1}, (i % 2 ? 40.0f : 10.0f) + float(i % 13)));
            list.back().dwLightId = i % 16 ? firstId + static_cast<uint32_t>(i) : 0;
            list.back().flags = LIGHTFLAG_SHADOW, list.back().vDir = Math::Vector4f(0, 0.3f, -0.95f, 0);
        }
        return list;
    }
    void run(const std::vector<LIGHTDESC>& frameLights) {
        for (int i = 0; i < 5; ++i) shadow->pushState();  // a host nesting its state five deep
        for (int i = 0; i < 5; ++i) shadow->popState();
        setLights(frameLights);
        lights->optimize(64, true);
        lights->updateShadowData();
        for (short i = 0, maps = shadow->getShadowsProjCount(true); i < maps; ++i) shadow->beginShadowProj(i), shadow->endShadowProj();
        shadow->renderDepth();
        shadow->beginScreenDepth();
        shadow->endScreenDepth();
        shadow->updateSSAO(16, 1.0f);
        lights->renderLighting();
        lights->setSSLight(&shader, true, 0.7f);
        Math::Vector3f at(2.0f, 0.0f, 8.0f);
        lights->setLight(&shader, &at, 1.0f, nullptr, nullptr, 8);
        exclusion->getConstants(&at, layer, params, 5);
        exclusion->applyShader(&shader, true);
    }
};

TEST(WarmFrameAllocation, AWarmedUpFrameAllocatesNothing) {
    WarmFrame frame;
    const std::vector<LIGHTDESC> first = WarmFrame::lightsWithIds(1000), second = WarmFrame::lightsWithIds(5000);
    for (const std::vector<LIGHTDESC>* other : {&first, &second}) {  // the same ids, or alternating ones
        for (int i = 0; i < 4; ++i) frame.run(i % 2 ? *other : first);  // warm-up: lists, fade table and images grow
        const long drawsBefore = frame.model.drawCount();
        entry_test::startLog();
        for (int i = 0; i < 6; ++i) frame.run(i % 2 ? *other : first);
        char* sentinel = new char;  // logged at the index that is the number of blocks the frames took
        EXPECT_EQ(entry_test::allocationIndex(sentinel), 0) << (other == &first ? "same ids" : "alternating ids");
        entry_test::stopLog();
        delete sentinel;
        // The frames did the work: a drawn depth pass, light matrices, 63 lights in columns (64
        // kept, the ambient takes no column).
        EXPECT_TRUE(frame.model.drawCount() > drawsBefore && frame.lights->getUsedLightMatrices() > 0 &&
                    frame.lights->getRenderedLights().count() == 63);
    }
    EXPECT_EQ(frame.host.renderApi().protocolErrors(), 0);
}

}  // namespace
