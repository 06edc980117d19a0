// The manager's queries: state lists, weighted lists, bulk state, flushing and instances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "EffectorTestRecords.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"

namespace {

using namespace effector;
using effector_test::makeCaster;
using effector_test::makeLight;
using effector_test::makePointLight;
using effector_test::makeVolume;

int addCaster(EffectorMan& man, int tag, int state) {
    SHADOWCASTERDESC caster = makeCaster(tag);
    return man.addEffectorData(EFFECTOR_SHADOWCASTER, &caster, sizeof(caster), state);
}

int tagOf(void* data) { return static_cast<int>(static_cast<SHADOWCASTERDESC*>(data)->mWorld.m[0][0]); }

std::vector<int> tags(EffectorMan::DataList* list) {
    std::vector<int> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(tagOf((*list)[i]));
    return out;
}

// Light records identify themselves through dwLightId.
std::vector<unsigned> lightIds(EffectorMan::DataList* list) {
    std::vector<unsigned> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(static_cast<LIGHTDESC*>((*list)[i])->dwLightId);
    return out;
}

int addLightWithId(EffectorMan& man, LIGHTDESC light, unsigned lightId) {
    light.dwLightId = lightId;
    return man.addLight(&light);
}

TEST(EffectorQueries, EmptyAndUnknownKindsGiveEmptyLists) {
    EffectorMan man;
    addCaster(man, 1, 1);
    Math::Vector3f origin(0, 0, 0);
    for (int kind : {1, 2, 0, 10, -3}) {  // kind 1 has no records here
        const EFFECTOR_TYPE type = static_cast<EFFECTOR_TYPE>(kind);
        EXPECT_EQ(man.getEffectorDataList(type, -1, nullptr, 0)->count(), 0) << kind;
        EXPECT_EQ(man.getWeightedEffectorList(&origin, type, -1)->count(), 0) << kind;
    }
    // Both queries return the same manager-owned list, emptied by each call.
    EffectorMan::DataList* a = man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, nullptr, 0);
    ASSERT_EQ(a->count(), 1);
    EffectorMan::DataList* b = man.getWeightedEffectorList(&origin, EFFECTOR_FOG, -1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b->count(), 0);
}

TEST(EffectorQueries, StateListSelectsByStateInStorageOrder) {
    EffectorMan man;
    addCaster(man, 10, 1);
    addCaster(man, 11, 0);
    addCaster(man, 12, 1);
    addCaster(man, 13, 2);
    const int removed = addCaster(man, 14, 1);
    addCaster(man, 15, 1);
    man.removeEffector(removed);
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, -1, nullptr, 0)),
              (std::vector<int>{10, 11, 12, 13, 15}));
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, -7, nullptr, 99)),
              (std::vector<int>{10, 11, 12, 13, 15}));  // count is ignored without an order
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, nullptr, 0)), (std::vector<int>{10, 12, 15}));
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 0, nullptr, 0)), (std::vector<int>{11}));
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 2, nullptr, 0)), (std::vector<int>{13}));
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 3, nullptr, 0)), (std::vector<int>{}));
}

TEST(EffectorQueries, StateListFollowsAGivenOrderWhateverTheStates) {
    EffectorMan man;
    addCaster(man, 20, 0);
    addCaster(man, 21, 1);
    addCaster(man, 22, 5);
    SORTVALUE order[] = {{2, 0.5f}, {0, 9.0f}, {2, -1.0f}};
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, order, 2)), (std::vector<int>{22, 20}));
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, order, 3)), (std::vector<int>{22, 20, 22}));
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, order, 0)->count(), 0);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, order, -4)->count(), 0);
    EXPECT_EQ(man.getEffectorDataList(static_cast<EFFECTOR_TYPE>(2), 1, order, 2)->count(), 0);

    // Indices outside the live records are skipped, not read.
    SORTVALUE bad[] = {{3, 0.0f}, {1, 0.0f}, {-1, 0.0f}, {31, 0.0f}, {1 << 30, 0.0f}};
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, bad, 5)), (std::vector<int>{21}));
}

TEST(EffectorQueries, SetStateForAllKindsOneKindOrOneRecord) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(0, 0, 0), 1.0f, 10.0f);
    const int l0 = addLightWithId(man, light, 100);
    addLightWithId(man, light, 101);
    addCaster(man, 1, 0);
    const int c1 = addCaster(man, 2, 0);
    man.addEffectorData(EFFECTOR_FOG, nullptr, 0, 9);

    man.setState(EFFECTOR_ALL, 3);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_LIGHT, 3, nullptr, 0)->count(), 2);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 3, nullptr, 0)->count(), 2);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_FOG, 3, nullptr, 0)->count(), 1);

    man.setState(EFFECTOR_SHADOWCASTER, 0x104);  // low 8 bits
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 4, nullptr, 0)->count(), 2);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_LIGHT, 3, nullptr, 0)->count(), 2);

    man.setState(static_cast<EFFECTOR_TYPE>(2), 7);  // unknown kinds change nothing
    man.setState(static_cast<EFFECTOR_TYPE>(12), 7);
    EXPECT_EQ(man.getContainer(EFFECTOR_LIGHT)->records[0].state, 3);

    man.setState(EFFECTOR_LIGHT, l0, 0);  // 0 has no special meaning here
    EXPECT_EQ(lightIds(man.getEffectorDataList(EFFECTOR_LIGHT, 3, nullptr, 0)), (std::vector<unsigned>{101}));
    EXPECT_EQ(lightIds(man.getEffectorDataList(EFFECTOR_LIGHT, 0, nullptr, 0)), (std::vector<unsigned>{100}));

    man.setState(EFFECTOR_LIGHT, c1, 8);       // the id belongs to another kind: no change
    man.setState(EFFECTOR_SHADOWCASTER, 999, 8);  // unknown id: no change
    man.setState(static_cast<EFFECTOR_TYPE>(2), l0, 8);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, 4, nullptr, 0)->count(), 2);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_LIGHT, 8, nullptr, 0)->count(), 0);
    man.setState(EFFECTOR_SHADOWCASTER, c1, 0x1FE);
    EXPECT_EQ(man.getContainer(EFFECTOR_SHADOWCASTER)->records[1].state, -2);
}

TEST(EffectorQueries, FlushDropsByStateOrEverything) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(0, 0, 0), 1.0f, 10.0f);
    const int l0 = addLightWithId(man, light, 1);
    const int l1 = addLightWithId(man, light, 2);
    man.setState(EFFECTOR_LIGHT, l1, 2);
    const int c0 = addCaster(man, 10, 2);
    const int c1 = addCaster(man, 11, 1);
    const int c2 = addCaster(man, 12, 2);
    const int c3 = addCaster(man, 13, 3);
    const int f0 = man.addEffectorData(EFFECTOR_FOG, nullptr, 0, 2);
    const int f1 = man.addEffectorData(EFFECTOR_FOG, nullptr, 0, 1);

    man.flush(EFFECTOR_ALL, 2);
    EXPECT_EQ(lightIds(man.getEffectorDataList(EFFECTOR_LIGHT, -1, nullptr, 0)), (std::vector<unsigned>{1}));
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, -1, nullptr, 0)), (std::vector<int>{11, 13}));
    EXPECT_EQ(man.getEffectorData(l1), nullptr);
    EXPECT_EQ(man.getEffectorData(c0), nullptr);
    EXPECT_EQ(man.getEffectorData(c2), nullptr);
    EXPECT_EQ(man.getEffectorData(f0), nullptr);
    EXPECT_NE(man.getEffectorData(l0), nullptr);  // the rest keep their ids
    EXPECT_EQ(tagOf(man.getEffectorData(c1)), 11);
    EXPECT_EQ(tagOf(man.getEffectorData(c3)), 13);
    EXPECT_NE(man.getEffectorData(f1), nullptr);

    man.flush(EFFECTOR_FOG, 0);  // 0 drops every record of that kind only
    EXPECT_EQ(man.getRecordCount(EFFECTOR_FOG), 0);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 2);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_LIGHT), 1);

    man.flush(static_cast<EFFECTOR_TYPE>(2), 0);  // unknown kinds change nothing
    man.flush(static_cast<EFFECTOR_TYPE>(42), 1);
    man.flush(EFFECTOR_SHADOWCASTER, 7);          // no record in that state
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 2);

    // Adjacent records in the flushed state all go.
    for (int i = 0; i < 5; ++i) addCaster(man, 20 + i, 4);
    addCaster(man, 30, 1);
    man.flush(EFFECTOR_SHADOWCASTER, 4);
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, -1, nullptr, 0)), (std::vector<int>{11, 13, 30}));

    man.flush(EFFECTOR_ALL, 0);
    for (int kind : {1, 3, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(man.getRecordCount(kind), 0) << kind;
    EXPECT_NE(man.getEffectorInstance(EFFECTOR_LIGHT), nullptr);  // instances stay
}

TEST(EffectorQueries, StatesOutsideEightBitsSelectNoRecord) {
    EffectorMan man;
    addCaster(man, 1, 0);
    addCaster(man, 2, 1);
    addCaster(man, 3, 200);  // stored as its low 8 bits: -56
    const struct {
        int state;
        std::vector<int> selected;
    } cases[] = {{0, {1}}, {1, {2}}, {-56, {1, 2, 3}}, {256, {}}, {257, {}}, {200, {}}, {-129, {1, 2, 3}}};
    for (const auto& c : cases) {
        EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, c.state, nullptr, 0)), c.selected) << c.state;
        std::vector<int> weighted = tags(man.getWeightedEffectorList(nullptr, EFFECTOR_SHADOWCASTER, c.state));
        std::sort(weighted.begin(), weighted.end());
        EXPECT_EQ(weighted, c.selected) << c.state;
    }
    for (int state : {256, 200, 512 + 1}) man.flush(EFFECTOR_SHADOWCASTER, state);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 3);
    man.flush(EFFECTOR_SHADOWCASTER, -56);
    EXPECT_EQ(tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, -1, nullptr, 0)), (std::vector<int>{1, 2}));
}

TEST(EffectorQueries, PayloadFreeKindsAllWeighOne) {
    EffectorMan man;
    std::set<void*> stored;
    for (int i = 0; i < 20; ++i) {
        const int id = man.addEffectorData(EFFECTOR_FOG, nullptr, 0, i % 3);
        stored.insert(man.getEffectorData(id));
    }
    Math::Vector3f pos(5, 5, 5);
    EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_FOG, -1);
    ASSERT_EQ(list->count(), 20);
    EXPECT_EQ(std::set<void*>(list->data(), list->data() + list->count()), stored);
    const EFFCONTAINER* c = man.getContainer(EFFECTOR_FOG);
    for (int i = 0; i < c->count; ++i) EXPECT_EQ(c->records[i].weight, 1.0f);
    EXPECT_EQ(man.getWeightedEffectorList(&pos, EFFECTOR_FOG, 2)->count(), 6);
}

// The worked numbers of the light weight: ambient 100000, directional 90000 + B, point and spot
// lights t * B inside their range and t outside.
TEST(EffectorQueries, WeightedLightsComeInWeightOrder) {
    EffectorMan man;
    const Math::Vector3f at(0, 0, 0);
    LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, at, Math::Vector3f(0.1f, 0.1f, 0.1f), 0.0f);
    LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, Math::Vector3f(0, -1, 0), Math::Vector3f(0.5f, 0.5f, 0.5f), 0.0f);
    LIGHTDESC near = makeLight(LIGHT_POINT, Math::Vector3f(5, 0, 0), Math::Vector3f(2, 1, 0), 10.0f);    // 1.0
    LIGHTDESC own = makeLight(LIGHT_POINT, at, Math::Vector3f(2, 1, 0), 10.0f);                        // 2.0
    LIGHTDESC edge = makeLight(LIGHT_POINT, Math::Vector3f(0, 10, 0), Math::Vector3f(2, 1, 0), 10.0f);  // 0
    LIGHTDESC beyond = makeLight(LIGHT_POINT, Math::Vector3f(0, 0, 15), Math::Vector3f(2, 1, 0), 10.0f); // -0.5
    LIGHTDESC spot = makeLight(LIGHT_SPOT, Math::Vector3f(0, 3, 0), Math::Vector3f(0, 0, 3), 12.0f);    // 2.25
    LIGHTDESC tiny = makeLight(LIGHT_SPOT, at, Math::Vector3f(9, 9, 9), 0.0005f);                      // 0
    LIGHTDESC odd = makeLight(7, Math::Vector3f(4, 0, 0), Math::Vector3f(1, 1, 1), 16.0f);            // 0.75
    LIGHTDESC negative = makeLight(-3, at, Math::Vector3f(0, 0, 0), 0.0f);                            // 100000
    LIGHTDESC off = makeLight(LIGHT_AMBIENT, at, Math::Vector3f(1, 1, 1), 0.0f);
    const LIGHTDESC* lights[] = {&beyond, &near, &sun, &edge, &own, &ambient, &spot, &tiny, &odd, &negative, &off};
    const float weights[] = {-0.5f, 1.0f, 90000.5f, 0.0f, 2.0f, 100000.0f, 2.25f, 0.0f, 0.75f, 100000.0f, 0.0f};
    std::vector<int> ids;
    for (unsigned i = 0; i < 11; ++i) ids.push_back(addLightWithId(man, *lights[i], i));
    man.setState(EFFECTOR_LIGHT, ids[10], 0);

    Math::Vector3f pos = at;
    std::vector<unsigned> order = lightIds(man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, 1));
    ASSERT_EQ(order.size(), 10u);
    // The two 100000 weights share the front and the two zeros their places, in either order.
    EXPECT_EQ(std::set<unsigned>(order.begin(), order.begin() + 2), (std::set<unsigned>{5, 9}));
    EXPECT_EQ((std::vector<unsigned>(order.begin() + 2, order.begin() + 7)), (std::vector<unsigned>{2, 6, 4, 1, 8}));
    EXPECT_EQ(std::set<unsigned>(order.begin() + 7, order.begin() + 9), (std::set<unsigned>{3, 7}));
    EXPECT_EQ(order[9], 0u);

    const EFFCONTAINER* c = man.getContainer(EFFECTOR_LIGHT);
    for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(c->records[i].weight, weights[i]) << i;
    EXPECT_EQ(c->records[10].weight, -99999997952.0f);  // not selected

    // Every light, whatever its state, with a negative state; directional lights lose their
    // head start when the light effector is told so.
    static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT))->setDirectionalFirst(false);
    order = lightIds(man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, -1));
    ASSERT_EQ(order.size(), 11u);
    EXPECT_EQ(std::set<unsigned>(order.begin(), order.begin() + 3), (std::set<unsigned>{5, 9, 10}));
    EXPECT_EQ((std::vector<unsigned>(order.begin() + 3, order.begin() + 8)), (std::vector<unsigned>{6, 4, 1, 8, 2}));
    EXPECT_EQ(c->records[2].weight, 0.5f);
    EXPECT_EQ(c->records[10].weight, 100000.0f);

    // A state that no light has gives an empty list and marks every light unselected.
    EXPECT_EQ(man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, 6)->count(), 0);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(c->records[i].weight, -1.0e11f);
}

// Brute force: random point lights at random points, ordered by an independent evaluation.
TEST(EffectorQueries, WeightedOrderMatchesBruteForce) {
    EffectorMan man;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> coord(-50.0f, 50.0f);
    std::uniform_real_distribution<float> bright(0.05f, 3.0f);
    std::uniform_real_distribution<float> radius(1.0f, 60.0f);
    std::vector<LIGHTDESC> lights;
    for (unsigned i = 0; i < 300; ++i) {
        LIGHTDESC l = makeLight(i % 2 ? LIGHT_POINT : LIGHT_SPOT, Math::Vector3f(coord(rng), coord(rng), coord(rng)),
                                Math::Vector3f(bright(rng), bright(rng), bright(rng)), radius(rng), i);
        lights.push_back(l);
        addLightWithId(man, l, i);
        if (i % 5 == 0) man.setState(EFFECTOR_LIGHT, static_cast<int>(i), 0);
    }
    for (int trial = 0; trial < 20; ++trial) {
        Math::Vector3f pos(coord(rng), coord(rng), coord(rng));
        std::vector<std::pair<double, unsigned>> expected;
        for (const LIGHTDESC& l : lights) {
            if (l.dwLightId % 5 == 0) continue;
            const double dx = pos.x - l.vPos.x, dy = pos.y - l.vPos.y, dz = pos.z - l.vPos.z;
            const double t = 1.0 - std::sqrt(dx * dx + dy * dy + dz * dz) / l.fMaxRadius;
            const double b = std::max({l.vColor.x, l.vColor.y, l.vColor.z});
            expected.push_back({t >= 0 ? t * b : t, l.dwLightId});
        }
        std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first > b.first; });
        EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, 1);
        ASSERT_EQ(list->count(), static_cast<int>(expected.size()));
        float previous = std::numeric_limits<float>::infinity();
        for (int i = 0; i < list->count(); ++i) {
            const LIGHTDESC* l = static_cast<LIGHTDESC*>((*list)[i]);
            const float w = man.getContainer(EFFECTOR_LIGHT)->records[l->dwLightId].weight;
            EXPECT_LE(w, previous);
            previous = w;
            EXPECT_NEAR(w, expected[i].first, 1e-4) << "trial " << trial << " rank " << i;
            // Weights this far apart are ordered the same by both computations.
            const bool apartFromNext = i + 1 == list->count() || std::fabs(expected[i].first - expected[i + 1].first) > 1e-4;
            const bool apartFromPrevious = i == 0 || std::fabs(expected[i].first - expected[i - 1].first) > 1e-4;
            if (apartFromNext && apartFromPrevious) {
                EXPECT_EQ(l->dwLightId, expected[i].second) << "trial " << trial << " rank " << i;
            }
        }
    }
}

TEST(EffectorQueries, ExclusionVolumesNearestFirst) {
    EffectorMan man;
    const Math::Vector3f centers[] = {{10, 0, 0}, {0, 2, 0}, {0, 0, -5}, {100, 0, 0}};
    for (const auto& center : centers) {
        EXCLUSIONDESC v = makeVolume(center);
        man.addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, &v, sizeof(v), 0);
    }
    Math::Vector3f pos(0, 0, 0);
    EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_TRANSPARENTEXCLUSION, -1);
    ASSERT_EQ(list->count(), 4);
    const float expectedX[] = {0, 0, 10, 100};
    const float expectedY[] = {2, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const EXCLUSIONDESC* v = static_cast<EXCLUSIONDESC*>((*list)[i]);
        EXPECT_EQ(v->vCenter.x, expectedX[i]) << i;
        EXPECT_EQ(v->vCenter.y, expectedY[i]) << i;
    }
}

TEST(EffectorQueries, NullPointAndUnorderableWeightsAreSafe) {
    EffectorMan man;
    // Lights with a NaN range or position weigh NaN; the sort must still stay in bounds and
    // return every selected light, the orderable ones in order.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-20.0f, 20.0f);
    for (unsigned i = 0; i < 200; ++i) {
        LIGHTDESC l = makeLight(LIGHT_POINT, Math::Vector3f(coord(rng), coord(rng), coord(rng)), Math::Vector3f(1, 1, 1),
                                i % 3 == 0 ? nan : 15.0f, i);
        addLightWithId(man, l, i);
    }
    Math::Vector3f pos(0, 0, 0);
    EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, -1);
    ASSERT_EQ(list->count(), 200);
    std::set<unsigned> seen;
    float previous = std::numeric_limits<float>::infinity();
    bool nanSeen = false;
    for (int i = 0; i < 200; ++i) {
        const LIGHTDESC* l = static_cast<LIGHTDESC*>((*list)[i]);
        seen.insert(l->dwLightId);
        const float w = man.getContainer(EFFECTOR_LIGHT)->records[l->dwLightId].weight;
        if (std::isnan(w)) {
            nanSeen = true;
            continue;
        }
        EXPECT_FALSE(nanSeen) << "unorderable weights go last";
        EXPECT_LE(w, previous);
        previous = w;
    }
    EXPECT_EQ(seen.size(), 200u);

    // A null point is taken as the origin.
    std::vector<unsigned> withNull = lightIds(man.getWeightedEffectorList(nullptr, EFFECTOR_LIGHT, -1));
    std::vector<unsigned> withOrigin = lightIds(man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, -1));
    EXPECT_EQ(withNull.size(), 200u);
    EXPECT_EQ(std::vector<unsigned>(withNull.begin(), withNull.begin() + 100),
              std::vector<unsigned>(withOrigin.begin(), withOrigin.begin() + 100));
}

}  // namespace
