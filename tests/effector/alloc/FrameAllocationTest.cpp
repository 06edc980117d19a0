// A warmed-up frame of the effector framework allocates nothing: records go into slots that
// already have buffers, and the query lists keep their storage between queries.
#include <gtest/gtest.h>

#include "effector/EffectorTestRecords.h"
#include "entry/AllocationLog.h"

namespace {

using namespace effector_test;

// 256 lights (an ambient, a sun, points and spots) and 1000 casters stored, states marked,
// queried and flushed. Returns a sum over the queries' results.
long runFrame(EffectorMan& man, float shift) {
    for (int i = 0; i < 256; ++i) {
        LIGHTDESC l = makeLight(i < 2 ? i : 2 + i % 2, {float(i % 16) * 10, float(i % 5), float(i / 16) * 10}, 1 + float(i % 7) / 4, 15.0f + float(i % 11), i);
        man.setState(EFFECTOR_LIGHT, man.addLight(&l), i % 9 ? 1 : 0);
    }
    for (int i = 0; i < 1000; ++i) addCaster(man, i, i % 3);
    man.setState(EFFECTOR_SHADOWCASTER, 1);
    SORTVALUE order[3] = {{5, 0.0f}, {1, 0.0f}, {900, 0.0f}};
    long checksum = 0;
    for (int q = 0; q < 100; ++q) {
        Math::Vector3f pos(float(q % 10) * 15 + shift, 1, float(q / 10) * 15);
        const EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, q % 4 ? 1 : -1);
        checksum += list->count() + static_cast<const LIGHTDESC*>((*list)[0])->dwLightId;
        checksum += man.getEffectorDataList(q % 2 ? EFFECTOR_LIGHT : EFFECTOR_SHADOWCASTER, q % 3 - 1, q % 5 ? nullptr : order, 3)->count();
    }
    man.removeEffector(man.getContainer(EFFECTOR_LIGHT)->records[3].id);
    man.flush(EFFECTOR_ALL, 0);
    return checksum;
}

TEST(FrameAllocation, WarmFrameAllocatesNothing) {
    EffectorMan man;
    entry_test::startLog();
    const long cold = runFrame(man, 0.0f);
    entry_test::stopLog();
    EXPECT_GT(entry_test::allocationCount(), 0) << "the first frame grows the record storage and the lists";
    for (float shift : {0.0f, 0.0f, 7.0f}) {  // the same frame again, then with moved query points
        entry_test::startLog();
        const long warm = runFrame(man, shift);
        entry_test::stopLog();
        EXPECT_EQ(entry_test::allocationCount() + entry_test::releaseCount(), 0) << shift;
        EXPECT_TRUE(shift != 0.0f || warm == cold);
    }
}

}  // namespace
