// A warmed-up frame of the light passes, the screen-space and per-object light binding, the cloud
// passes and the exclusion constants allocates nothing.
#include <gtest/gtest.h>

#include "../LightPassScene.h"
#include "effector/alloc/AllocationCounter.h"
#include "enviro/fog/ExclusionDesc.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "refhost/RefShader.h"

namespace {

using namespace light_test;

struct LightFrame : LightPassScene {
    refhost::RefShader shader;
    FogEffector* fog;
    TransparentExclusion* exclusion;
    Math::Vector4f layer[5], params[5];

    LightFrame() {
        fog = static_cast<FogEffector*>(man.getEffectorInstance(EFFECTOR_FOG));
        exclusion = static_cast<TransparentExclusion*>(man.getEffectorInstance(EFFECTOR_TRANSPARENTEXCLUSION));
        host.clients().setRecording(false);
        host.renderMan().setRecording(false);
        host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1);
        LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.1f, 0.1f, 0});
        LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0.0f, -0.8f, 0.6f}, {1, 1, 1, 1});
        man.addLight(&ambient);
        man.addLight(&sun);
        addPointLights(40);
        for (int i = 0; i < 8; ++i) {
            EXCLUSIONDESC e{Math::Vector3f(float(i), 0.0f, 10.0f), Math::Vector3f(1.0f, 2.0f, 3.0f)};
            man.addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, &e, sizeof(e), 1);
        }
        fog->initCloudsRT(1);
    }
    ~LightFrame() { fog->uninitCloudsRT(); }

    void run() {
        lights->updateShadowData();
        lights->renderLighting();
        lights->setSSLight(&shader, true, 0.7f);
        for (int i = 0; i < 100; ++i) {
            Math::Vector3f pos(float(i % 10), 0.0f, float(i / 10) * 4.0f);
            lights->setLight(&shader, &pos, 1.0f, nullptr, nullptr, 8);
        }
        fog->clearCloudsRT();
        fog->beginShadowsRT(2000.0f);
        fog->endShadowsRT();
        fog->updateShadowMatrix(3.0f, -2.0f);
        Math::Vector3f at(2.0f, 0.0f, 8.0f);
        exclusion->getConstants(&at, layer, params, 5);
        exclusion->applyShader(&shader, true);
    }
};

TEST(LightPassesAllocation, WarmedUpFrameAllocatesNothing) {
    LightFrame frame;
    for (int i = 0; i < 3; ++i) frame.run();
    alloc_test::startCounting();
    for (int i = 0; i < 5; ++i) frame.run();
    alloc_test::AllocationCount count = alloc_test::stopCounting();
    EXPECT_EQ(count.allocations, 0);
    EXPECT_EQ(count.releases, 0);
    EXPECT_EQ(frame.lights->getRenderedLights().count(), 41);
    EXPECT_EQ(frame.host.renderApi().protocolErrors(), 0);
}

}  // namespace
