// A warmed-up frame of the effector framework allocates nothing: records are stored into slots
// that already have buffers, and the query lists keep their storage between queries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "AllocationCounter.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/lighting/LightDesc.h"

namespace {

using namespace effector;

constexpr int kLights = 256;
constexpr int kCasters = 1000;

struct Scene {
    std::vector<LIGHTDESC> lights;
    std::vector<SHADOWCASTERDESC> casters;
};

Scene makeScene() {
    Scene scene;
    for (int i = 0; i < kLights; ++i) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.dwLightId = static_cast<unsigned>(i + 1);
        l.type = static_cast<signed char>(i < 2 ? i : 2 + i % 2);  // an ambient, a sun, points and spots
        l.vPos = Math::Vector3f(float(i % 16) * 10.0f, float(i % 5), float(i / 16) * 10.0f);
        l.vColor = Math::Vector4f(1.0f + float(i % 7) * 0.25f, 0.5f, 0.25f, 1.0f);
        l.vDir = Math::Vector4f(0, 1, 0, 0);
        l.fMaxRadius = 15.0f + float(i % 11);
        l.fConeAngle = 0.6f;
        scene.lights.push_back(l);
    }
    for (int i = 0; i < kCasters; ++i) {
        SHADOWCASTERDESC c;
        std::memset(&c, 0, sizeof(c));
        c.mWorld.set(1.0f);
        c.mWorld.m[3][0] = float(i);
        scene.casters.push_back(c);
    }
    return scene;
}

// One frame: store the records, mark states, query, flush. Returns a value that depends on
// every query result, so that nothing can be optimised away.
long runFrame(EffectorMan& man, Scene& scene, int frame) {
    long checksum = 0;
    int firstLight = -1;
    for (int i = 0; i < kLights; ++i) {
        const int id = man.addLight(&scene.lights[i]);
        if (i == 0) firstLight = id;
    }
    for (int i = 0; i < kCasters; ++i)
        man.addEffectorData(EFFECTOR_SHADOWCASTER, &scene.casters[i], sizeof(SHADOWCASTERDESC), i % 3);

    man.setState(EFFECTOR_SHADOWCASTER, 1);
    for (int i = 0; i < kLights; i += 9) man.setState(EFFECTOR_LIGHT, firstLight + i, 0);
    man.setState(EFFECTOR_LIGHT, firstLight + 1, 2);

    for (int q = 0; q < 100; ++q) {
        Math::Vector3f pos(float(q % 10) * 15.0f + float(frame), 1.0f, float(q / 10) * 15.0f);
        EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, q % 4 == 0 ? -1 : 1);
        checksum += list->count();
        if (list->count() > 0) checksum += static_cast<LIGHTDESC*>((*list)[0])->dwLightId;
    }
    SORTVALUE order[3] = {{5, 0.0f}, {1, 0.0f}, {900, 0.0f}};
    for (int s = 0; s < 10; ++s) {
        const EFFECTOR_TYPE kind = s % 2 ? EFFECTOR_LIGHT : EFFECTOR_SHADOWCASTER;
        EffectorMan::DataList* list = man.getEffectorDataList(kind, s % 3 - 1, s == 4 ? order : nullptr, 3);
        checksum += list->count();
    }
    man.flush(EFFECTOR_LIGHT, 2);
    man.removeEffector(firstLight + 3);
    man.flush(EFFECTOR_ALL, 0);
    return checksum;
}

TEST(FrameAllocation, CounterSeesTheAllocatorsTheModuleUses) {
    alloc_test::startCounting();
    void* a = std::malloc(10);
    a = std::realloc(a, 1000);
    std::free(a);
    int* volatile b = new int(3);  // volatile: the pair may not be elided
    delete b;
    std::vector<int> grown(100);
    alloc_test::AllocationCount count = alloc_test::stopCounting();
    EXPECT_EQ(count.allocations, 4);
    EXPECT_EQ(count.releases, 2);
}

TEST(FrameAllocation, WarmFrameAllocatesNothing) {
    Scene scene = makeScene();
    EffectorMan man;

    alloc_test::startCounting();
    const long coldChecksum = runFrame(man, scene, 0);
    alloc_test::AllocationCount cold = alloc_test::stopCounting();
    EXPECT_GT(cold.allocations, 0) << "the first frame grows the record storage and the lists";

    for (int frame = 1; frame <= 3; ++frame) {
        alloc_test::startCounting();
        const long checksum = runFrame(man, scene, 0);
        alloc_test::AllocationCount warm = alloc_test::stopCounting();
        EXPECT_EQ(warm.allocations, 0) << "frame " << frame;
        EXPECT_EQ(warm.releases, 0) << "frame " << frame;
        EXPECT_EQ(checksum, coldChecksum);  // the same work as the first frame
    }
    // Moving query points do not change that.
    alloc_test::startCounting();
    const long moved = runFrame(man, scene, 7);
    alloc_test::AllocationCount warm = alloc_test::stopCounting();
    EXPECT_EQ(warm.allocations, 0);
    EXPECT_GT(moved, 0);
}

TEST(FrameAllocation, QuickVectorAllocatesOnlyWhenItGrows) {
    alloc_test::startCounting();
    {
        CQuickVector<int, 3> list;
        for (int i = 0; i < 16; ++i) list.append(i);
    }
    EXPECT_EQ(alloc_test::stopCounting().allocations, 0);

    CQuickVector<int, 3> list;
    for (int i = 0; i < 40; ++i) list.append(i);
    alloc_test::startCounting();
    list.clear();
    for (int i = 0; i < 10; ++i) list.append(i);
    list.clear();
    for (int i = 0; i < 54; ++i) list.append(i);  // up to the capacity reached before
    alloc_test::AllocationCount refill = alloc_test::stopCounting();
    EXPECT_EQ(refill.allocations, 0);
    EXPECT_EQ(list.capacity(), 54);

    alloc_test::startCounting();
    list.append(54);  // one growth step: one resize
    EXPECT_EQ(alloc_test::stopCounting().allocations, 1);
}

}  // namespace
