// A warmed-up frame of optimize and updateShadowData allocates nothing, with the same light ids
// every frame and with the ids alternating between two sets (the fade table reuses its nodes).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effector/alloc/AllocationCounter.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "refhost/ReferenceHost.h"

namespace {

using namespace effector;

constexpr int kLights = 300;

std::vector<LIGHTDESC> makeLights(uint32_t firstId) {
    std::vector<LIGHTDESC> lights;
    for (int i = 0; i < kLights; ++i) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.dwLightId = i % 16 == 0 ? 0 : firstId + static_cast<uint32_t>(i);
        l.type = static_cast<signed char>(i < 2 ? i : (i % 2 ? LIGHT_SPOT : LIGHT_POINT));
        l.flags = LIGHTFLAG_SHADOW;
        // In front of the camera (which looks along +z from the origin), some behind it.
        l.vPos = Math::Vector3f(float(i % 20) * 4.0f - 40.0f, 1.0f, i % 7 == 0 ? -60.0f : float(i / 20) * 6.0f + 5.0f);
        l.vColor = Math::Vector4f(1.0f, 0.8f, 0.6f, 1.0f);
        l.vDir = Math::Vector4f(0.0f, 0.3f, -0.95f, 0.0f);
        l.fMaxRadius = (l.type == LIGHT_SPOT ? 40.0f : 10.0f) + float(i % 13);  // spots among the kept
        l.fConeAngle = 0.4f + float(i % 5) * 0.1f;
        lights.push_back(l);
    }
    return lights;
}

struct Frames {
    refhost::ReferenceHost host;
    EffectorMan man;
    LightSource* source;

    Frames() {
        host.install();
        effectorMan = &man;
        source = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
        host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1);
        host.renderApi().setViewport(0, 0, 1280, 720);
    }
    ~Frames() { effectorMan = nullptr; }

    int run(std::vector<LIGHTDESC>& lights) {
        man.flush(EFFECTOR_LIGHT, 0);
        for (LIGHTDESC& l : lights) man.addLight(&l);
        source->optimize(64, true);
        source->updateShadowData();
        return source->getUsedLightMatrices();
    }
};

TEST(LightShadowAllocation, WarmedUpFramesAllocateNothing) {
    Frames frames;
    std::vector<LIGHTDESC> first = makeLights(1000), second = makeLights(5000);
    for (int i = 0; i < 3; ++i) frames.run(first);
    alloc_test::startCounting();
    int used = 0;
    for (int i = 0; i < 5; ++i) used += frames.run(first);
    alloc_test::AllocationCount same = alloc_test::stopCounting();
    EXPECT_EQ(same.allocations, 0);
    EXPECT_EQ(same.releases, 0);
    EXPECT_GT(used, 0);  // the frames did make shadow entries

    // New ids replace old ones: after one round, the swept nodes serve the new ids.
    for (int i = 0; i < 4; ++i) frames.run(i % 2 ? first : second);
    alloc_test::startCounting();
    for (int i = 0; i < 6; ++i) frames.run(i % 2 ? first : second);
    alloc_test::AllocationCount churn = alloc_test::stopCounting();
    EXPECT_EQ(churn.allocations, 0);
    EXPECT_EQ(churn.releases, 0);
}

}  // namespace
