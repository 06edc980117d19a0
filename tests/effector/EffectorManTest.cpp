// The effector manager: adding with its checks, ids, storage, removal, growth, close, init and
// copies; state lists, orders, state changes, flushing and the weighted lists.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "EffectorTestRecords.h"

namespace effector {
class EffectorManProbe {
public:
    static void setNextId(EffectorMan& man, int id) { man.m_nNextId = id; }
};
}  // namespace effector

namespace {

using namespace effector_test;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(EffectorMan, AddTakesKnownKindsWithTheirRecordSizeAndFindsThemById) {
    LIGHTDESC light = makeLight(LIGHT_POINT, {4, 5, 6}, 2.0f, 30.0f, 77);
    unsigned char bytes[256] = {};
    const long caster = sizeof(SHADOWCASTERDESC);
    const struct { int kind; long size; void* data; bool taken; } cases[] = {
        {0, 72, &light, false}, {2, 0, bytes, false}, {-1, 0, bytes, false},  // no such kind
        {256 + EFFECTOR_LIGHT, 72, &light, false}, {INT_MAX, 72, &light, false},  // kinds are not cut to 8 bits
        {EFFECTOR_LIGHT, 71, &light, false}, {EFFECTOR_LIGHT, 73, bytes, false},  // other sizes than the kind's
        {EFFECTOR_LIGHT, -72, &light, false}, {EFFECTOR_PSMSHADOW, 24, bytes, false},
        {EFFECTOR_TRANSPARENTEXCLUSION, 32, bytes, false}, {EFFECTOR_SHADOWCASTER, caster - 1, bytes, false},
        {EFFECTOR_FOG, 1, bytes, false}, {EFFECTOR_LIGHT, 72, nullptr, false},  // no data for a record
        {EFFECTOR_LIGHT, 72, &light, true}, {EFFECTOR_PSMSHADOW, 32, bytes, true},  // the host's record sizes
        {EFFECTOR_TRANSPARENTEXCLUSION, 24, bytes, true}, {EFFECTOR_SHADOWCASTER, caster, bytes, true},
        {EFFECTOR_FOG, 0, nullptr, true}, {EFFECTOR_KINEMATIC, 0, bytes, true},  // payload-free kinds need no data
    };
    EffectorMan man;
    EXPECT_EQ(man.addLight(nullptr), -1);
    int nextId = 0;  // one counter for every kind; a refused add uses no id and no storage
    for (const auto& c : cases) {
        const int id = man.addEffectorData(c.kind, c.data, c.size, 1);
        EXPECT_EQ(id, c.taken ? nextId++ : -1) << "kind " << c.kind << ", size " << c.size;
        EXPECT_EQ(man.getRecordCount(c.kind), c.taken ? 1 : 0) << c.kind;
        EXPECT_TRUE(c.taken || !man.getContainer(c.kind) || !man.getContainer(c.kind)->records) << c.kind;
        if (!c.taken) continue;
        EXPECT_TRUE(man.getEffectorData(id) && man.getEffectorData(c.kind, id) == man.getEffectorData(id)) << c.kind;
        EXPECT_EQ(man.getEffectorData(c.kind == EFFECTOR_LIGHT ? EFFECTOR_FOG : EFFECTOR_LIGHT, id), nullptr);  // another kind
    }
    for (int id : {99, -1, INT_MAX}) EXPECT_EQ(man.getEffectorData(id), nullptr) << id;
    light.nShadowMatrix = light.nShadowSlot = 5;  // addLight clears the caller's shadow slots, then stores a copy
    const void* stored = man.getEffectorData(man.addLight(&light));
    EXPECT_TRUE(stored && stored != &light && light.nShadowMatrix == -1 && light.nShadowSlot == -1);
    EXPECT_EQ(std::memcmp(stored, &light, sizeof light), 0);
}

TEST(EffectorMan, RemovalKeepsTheOrderAndGrowthBy32SlotsKeepsTheBuffers) {
    EffectorMan man;
    const EFFCONTAINER* casters = man.getContainer(EFFECTOR_SHADOWCASTER);
    const int a = addCaster(man, 10), b = addCaster(man, 20), c = addCaster(man, 30);
    void* bufferOfB = man.getEffectorData(b);
    man.removeEffector(b);
    EXPECT_EQ(man.getEffectorData(b), nullptr);
    EXPECT_EQ(man.getEffectorData(addCaster(man, 40)), bufferOfB);  // the next record takes the freed buffer
    for (int unknown : {12345, -1, b, a}) man.removeEffector(unknown);  // unknown ids change nothing
    void* bufferOfC = man.getEffectorData(c);
    std::vector<int> expected = {30, 40};
    for (auto [records, capacity] : {std::pair(32, 32), std::pair(33, 64), std::pair(100, 128)}) {
        for (int tag = casters->count; tag < records; ++tag) {
            addCaster(man, tag);
            expected.push_back(tag);
        }
        EXPECT_EQ(casters->capacity, capacity) << records;
    }
    EXPECT_EQ(man.getEffectorData(c), bufferOfC);
    EXPECT_EQ(casterTags(man), expected);
}

// What each of these releases is checked by the valgrind run and the sanitizer build.
TEST(EffectorMan, IdsWrapAndCloseInitAndCopiesReleaseOnlyWhatTheyOwn) {
    EffectorMan man;
    for (int i = 0; i < 40; ++i) addCaster(man, i);
    man.removeEffector(39);
    EXPECT_EQ(addCaster(man, 39), 40);  // ids are never reused
    {
        EffectorMan copy(man), assigned;
        assigned = man;  // releases its own kinds first, then shares man's
        EXPECT_TRUE(copy.getEffectorData(40) == man.getEffectorData(40) && assigned.getEffectorData(40) == man.getEffectorData(40));
        copy.close();
        EXPECT_EQ(copy.getEffectorData(40), nullptr);
    }
    EXPECT_EQ(tagOf(man.getEffectorData(40)), 39);
    EffectorManProbe::setNextId(man, INT_MAX - 1);
    for (int id : {INT_MAX - 1, INT_MAX, 0}) EXPECT_EQ(addCaster(man, 1), id);  // never the failure value -1
    man.init();  // on a live manager: starts over
    EXPECT_TRUE(addCaster(man, 1) == 0 && man.getRecordCount(EFFECTOR_SHADOWCASTER) == 1);
    man.close();
    man.close();  // a second close is harmless
    EXPECT_TRUE(addCaster(man, 1) == -1 && !man.getEffectorInstance(EFFECTOR_LIGHT));
}

TEST(EffectorMan, ListsSelectByStateOrFollowAnOrder) {
    EffectorMan man;
    const int states[] = {1, 0, 1, 2, 1, 1, 0x102, 200};  // the last two are stored as their low 8 bits: 2 and -56
    for (int i = 0; i < 8; ++i) addCaster(man, 10 + i, states[i]);
    man.removeEffector(4);  // slot 7 is now free and still holds tag 14's buffer
    const std::vector<int> all = {10, 11, 12, 13, 15, 16, 17};
    SORTVALUE order[] = {{2, 0.5f}, {0, 9.0f}, {2, -1.0f}}, outside[] = {{7, 0}, {1, 0}, {-1, 0}, {31, 0}, {1 << 30, 0}};
    const struct { int state; SORTVALUE* order; long count; std::vector<int> tags; } cases[] = {
        {-1, nullptr, 0, all}, {-56, nullptr, 99, all},  // a negative state takes every record, in storage order
        {1, nullptr, 0, {10, 12, 15}}, {0, nullptr, 0, {11}}, {2, nullptr, 0, {13, 16}}, {3, nullptr, 0, {}},
        {258, nullptr, 0, {}}, {200, nullptr, 0, {}},  // states beyond 8 bits match no record
        {1, order, 2, {12, 10}}, {1, order, 3, {12, 10, 12}},  // an order takes its records whatever their state
        {1, order, -4, {}}, {1, outside, 5, {11}},  // indices outside the live records are skipped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << ", count " << c.count);
        EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, c.state, c.order, c.count)), c.tags);
        if (c.order) continue;
        std::vector<int> weighted = tags(man.getWeightedEffectorList(nullptr, EFFECTOR_SHADOWCASTER, c.state));
        std::sort(weighted.begin(), weighted.end());  // casters all weigh 1
        EXPECT_EQ(weighted, c.tags);
    }
    for (int kind : {2, 0, int(EFFECTOR_LIGHT)}) {  // kinds without records, or unknown
        EXPECT_EQ(man.getEffectorDataList(EFFECTOR_TYPE(kind), -1, kind ? order : nullptr, 2)->count(), 0) << kind;
        EXPECT_EQ(man.getWeightedEffectorList(nullptr, EFFECTOR_TYPE(kind), -1)->count(), 0) << kind;
    }
}

TEST(EffectorMan, SetStateAndFlushByKindStateOrRecord) {
    EffectorMan man;
    const int c0 = addCaster(man, 10, 0), c1 = addCaster(man, 11, 0), fog = man.addEffectorData(EFFECTOR_FOG, nullptr, 0, 9);
    man.setState(EFFECTOR_ALL, 3);
    man.setState(EFFECTOR_SHADOWCASTER, 0x104);      // one kind, low 8 bits
    man.setState(EFFECTOR_TYPE(2), 7);               // unknown kinds change nothing
    man.setState(EFFECTOR_SHADOWCASTER, c1, 0x105);  // one record, low 8 bits: 5
    man.setState(EFFECTOR_FOG, c0, 8);               // an id of another kind changes nothing
    EXPECT_TRUE(casterTags(man, 4) == std::vector<int>{10} && casterTags(man, 5) == std::vector<int>{11});
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_FOG, 3, nullptr, 0)->count(), 1);
    man.flush(EFFECTOR_ALL, 3);
    EXPECT_TRUE(man.getEffectorData(fog) == nullptr && tagOf(man.getEffectorData(c1)) == 11);  // the rest keep their ids
    for (int tag : {20, 21, 22, 23, 30}) addCaster(man, tag, tag == 30 ? 1 : 4);
    man.flush(EFFECTOR_SHADOWCASTER, 4);  // adjacent records of the state all go
    for (int state : {7, 256, 261}) man.flush(EFFECTOR_SHADOWCASTER, state);  // no record in these states
    man.flush(EFFECTOR_TYPE(2), 0);
    EXPECT_EQ(casterTags(man), (std::vector<int>{11, 30}));
    man.flush(EFFECTOR_SHADOWCASTER, 0);  // 0: every record of the kind
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 0);
}

// Light weights worked by hand, from the point (0, 0, 0): ambient lights 100000, directional ones
// 90000 + B (B: the brightest channel), lights with a range t * B inside it and t outside, with
// t = 1 - distance / range.
TEST(EffectorMan, WeightedLightsComeInWeightOrder) {
    const struct { signed char type; Math::Vector3f pos; float brightest, range, weight; } lights[] = {
        {LIGHT_AMBIENT, {0, 0, 0}, 0.1f, 0.0f, 100000.0f},
        {-3, {0, 0, 0}, 0.0f, 0.0f, 100000.0f},  // types below the ambient one weigh as it does
        {LIGHT_DIRECTIONAL, {0, -1, 0}, 0.5f, 0.0f, 90000.5f}, {LIGHT_SPOT, {0, 3, 0}, 3.0f, 12.0f, 2.25f},
        {LIGHT_POINT, {0, 0, 0}, 2.0f, 10.0f, 2.0f}, {LIGHT_POINT, {5, 0, 0}, 2.0f, 10.0f, 1.0f},
        {7, {4, 0, 0}, 1.0f, 16.0f, 0.75f},  // types above the spot one weigh as lights with a range
        {LIGHT_POINT, {0, 10, 0}, 2.0f, 10.0f, 0.0f},  // at the edge of its range
        {LIGHT_SPOT, {0, 0, 0}, 9.0f, 0.0005f, 0.0f},  // a range below 0.001 reaches nothing
        {LIGHT_POINT, {0, 0, 15}, 2.0f, 10.0f, -0.5f},  // beyond its range: t, not t * B
        {LIGHT_POINT, {1, 0, 0}, 1.0f, kNaN, kNaN},     // unorderable: last
    };
    const unsigned addOrder[] = {9, 5, 2, 10, 7, 4, 0, 3, 8, 6, 1};
    EffectorMan man;
    for (unsigned i : addOrder) {
        LIGHTDESC l = makeLight(lights[i].type, lights[i].pos, lights[i].brightest, lights[i].range, i);
        man.addLight(&l);
    }
    auto expectWeight = [](float got, float expected) {
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(got) : std::fabs(got - expected) <= 1e-6f * std::fabs(expected)) << got;
    };
    Math::Vector3f origin(0, 0, 0);
    const std::vector<int> order = tags(man.getWeightedEffectorList(&origin, EFFECTOR_LIGHT, 1), true);
    ASSERT_EQ(order.size(), 11u);
    for (unsigned i = 0; i < 11; ++i) expectWeight(lights[order[i]].weight, lights[i].weight);
    for (unsigned k = 0; k < 11; ++k) expectWeight(man.getContainer(EFFECTOR_LIGHT)->records[k].weight, lights[addOrder[k]].weight);
    EXPECT_EQ(tags(man.getWeightedEffectorList(nullptr, EFFECTOR_LIGHT, 1), true), order);  // null: the origin
}

}  // namespace
