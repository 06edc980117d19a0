// The effector manager: kinds, id counter, adding, lookup, removal, growth and reset.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "EffectorTestRecords.h"
#include "enviro/effector/EffectorMan.h"

namespace {

using namespace effector;
using effector_test::makeCaster;
using effector_test::makeLight;
using effector_test::makePointLight;
using effector_test::makeVolume;

int addCaster(EffectorMan& man, int tag, int state = 1) {
    SHADOWCASTERDESC caster = makeCaster(tag);
    return man.addEffectorData(EFFECTOR_SHADOWCASTER, &caster, sizeof(caster), state);
}

int tagOf(void* data) { return static_cast<int>(static_cast<SHADOWCASTERDESC*>(data)->mWorld.m[0][0]); }

std::vector<int> casterTags(EffectorMan& man) {
    std::vector<int> tags;
    const EFFCONTAINER* c = man.getContainer(EFFECTOR_SHADOWCASTER);
    for (int i = 0; i < c->count; ++i) tags.push_back(tagOf(c->records[i].data));
    return tags;
}

TEST(EffectorMan, HoldsAllEightKindsInAscendingOrder) {
    EffectorMan man;
    const int kinds[] = {1, 3, 4, 5, 6, 7, 8, 9};
    for (int kind : kinds) {
        Effector* instance = man.getEffectorInstance(static_cast<EFFECTOR_TYPE>(kind));
        ASSERT_NE(instance, nullptr) << kind;
        EXPECT_EQ(instance->getType(), kind);
        const EFFCONTAINER* c = man.getContainer(kind);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->records, nullptr);
        EXPECT_EQ(c->count, 0);
        EXPECT_EQ(c->capacity, 0);
    }
    for (int missing : {-1, 0, 2, 10, 255})
        EXPECT_EQ(man.getEffectorInstance(static_cast<EFFECTOR_TYPE>(missing)), nullptr) << missing;
}

TEST(EffectorMan, IdsComeFromOneCounterAcrossKinds) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(1, 2, 3), 1.0f, 10.0f);
    EXPECT_EQ(man.addLight(&light), 0);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_FOG, nullptr, 0, 0), 1);
    EXPECT_EQ(man.addEffectorData(2, &light, 72, 1), -1);  // a failed add uses no id
    EXPECT_EQ(addCaster(man, 7), 2);
    EXPECT_EQ(man.addLight(&light), 3);
    man.removeEffector(3);
    EXPECT_EQ(man.addLight(&light), 4);  // ids are never reused

    man.close();
    man.init();
    EXPECT_EQ(addCaster(man, 1), 0);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_LIGHT), 0);
}

}  // namespace

namespace effector {
class EffectorManProbe {
public:
    static void setNextId(EffectorMan& man, int id) { man.m_nNextId = id; }
};
}  // namespace effector

namespace {

TEST(EffectorMan, IdsWrapToZeroAfterTheLargestInt) {
    EffectorMan man;
    EffectorManProbe::setNextId(man, std::numeric_limits<int>::max() - 1);
    EXPECT_EQ(addCaster(man, 1), std::numeric_limits<int>::max() - 1);
    EXPECT_EQ(addCaster(man, 2), std::numeric_limits<int>::max());
    EXPECT_EQ(addCaster(man, 3), 0);
    EXPECT_EQ(addCaster(man, 4), 1);
}

TEST(EffectorMan, RejectsUnknownKindsWrongSizesAndNullData) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(0, 0, 0), 1.0f, 10.0f);
    unsigned char bytes[256] = {};
    EXPECT_EQ(man.addEffectorData(0, &light, 72, 1), -1);
    EXPECT_EQ(man.addEffectorData(2, bytes, 0, 1), -1);
    EXPECT_EQ(man.addEffectorData(10, bytes, 0, 1), -1);
    EXPECT_EQ(man.addEffectorData(-1, bytes, 0, 1), -1);
    EXPECT_EQ(man.addEffectorData(256 + EFFECTOR_LIGHT, &light, 72, 1), -1);  // kinds are not truncated
    EXPECT_EQ(man.addEffectorData(EFFECTOR_LIGHT, &light, 71, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_LIGHT, bytes, 73, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_LIGHT, bytes, 0, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_LIGHT, &light, -72, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_LIGHT, nullptr, 72, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_PSMSHADOW, bytes, 24, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, bytes, 32, 1), -1);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_FOG, bytes, 1, 1), -1);
    EXPECT_EQ(man.addLight(nullptr), -1);
    for (int kind : {1, 3, 4, 5, 6, 7, 8, 9}) {
        EXPECT_EQ(man.getRecordCount(kind), 0) << kind;
        EXPECT_EQ(man.getContainer(kind)->records, nullptr) << kind;  // nothing was allocated either
    }
    // Nothing above used an id.
    EXPECT_EQ(man.addEffectorData(EFFECTOR_PSMSHADOW, bytes, 32, 1), 0);
}

TEST(EffectorMan, PayloadFreeKindsStoreIdsAndStates) {
    EffectorMan man;
    for (int kind : {EFFECTOR_FOG, EFFECTOR_REFLECTION, EFFECTOR_SKIN, EFFECTOR_KINEMATIC}) {
        const int a = man.addEffectorData(kind, nullptr, 0, 3);
        unsigned char ignored = 0xAB;
        const int b = man.addEffectorData(kind, &ignored, 0, 4);
        ASSERT_GE(a, 0);
        ASSERT_EQ(b, a + 1);
        void* da = man.getEffectorData(kind, a);
        void* db = man.getEffectorData(kind, b);
        EXPECT_NE(da, nullptr);
        EXPECT_NE(db, nullptr);
        EXPECT_NE(da, db);  // every slot has a buffer of its own
        const EFFCONTAINER* c = man.getContainer(kind);
        EXPECT_EQ(c->count, 2);
        EXPECT_EQ(c->records[0].state, 3);
        EXPECT_EQ(c->records[1].state, 4);
    }
}

TEST(EffectorMan, AddLightStoresACopyInStateOne) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(4, 5, 6), 2.0f, 30.0f, 77);
    const int id = man.addLight(&light);
    ASSERT_EQ(id, 0);
    EXPECT_EQ(light.nShadowMatrix, -1);  // the caller's record is changed before it is stored
    EXPECT_EQ(light.nShadowSlot, -1);
    LIGHTDESC* stored = static_cast<LIGHTDESC*>(man.getEffectorData(EFFECTOR_LIGHT, id));
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &light);
    EXPECT_EQ(std::memcmp(stored, &light, sizeof(LIGHTDESC)), 0);
    light.fMaxRadius = 1.0f;  // later changes of the caller's record do not reach the copy
    EXPECT_EQ(stored->fMaxRadius, 30.0f);
    const EFFCONTAINER* c = man.getContainer(EFFECTOR_LIGHT);
    EXPECT_EQ(c->records[0].state, 1);
    EXPECT_EQ(c->records[0].type, 1);
    EXPECT_EQ(c->records[0].id, 0);
}

TEST(EffectorMan, StoresLowEightBitsOfTheState) {
    EffectorMan man;
    addCaster(man, 1, 0x102);
    addCaster(man, 2, 0xFF);
    addCaster(man, 3, -2);
    const EFFCONTAINER* c = man.getContainer(EFFECTOR_SHADOWCASTER);
    EXPECT_EQ(c->records[0].state, 2);
    EXPECT_EQ(c->records[1].state, -1);
    EXPECT_EQ(c->records[2].state, -2);
}

TEST(EffectorMan, LooksRecordsUpByIdAndKind) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(1, 1, 1), 1.0f, 5.0f);
    EXCLUSIONDESC volume = makeVolume(Math::Vector3f(9, 8, 7));
    const int lightId = man.addLight(&light);
    const int volumeId = man.addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, &volume, sizeof(volume), 0);
    const int casterId = addCaster(man, 12);

    void* v = man.getEffectorData(volumeId);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(static_cast<EXCLUSIONDESC*>(v)->vCenter, Math::Vector3f(9, 8, 7));
    EXPECT_EQ(man.getEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, volumeId), v);
    EXPECT_EQ(tagOf(man.getEffectorData(casterId)), 12);
    EXPECT_NE(man.getEffectorData(lightId), nullptr);

    EXPECT_EQ(man.getEffectorData(EFFECTOR_LIGHT, volumeId), nullptr);  // wrong kind
    EXPECT_EQ(man.getEffectorData(2, lightId), nullptr);                // no such kind
    EXPECT_EQ(man.getEffectorData(EFFECTOR_ALL, lightId), nullptr);
    EXPECT_EQ(man.getEffectorData(99), nullptr);                        // no such id
    EXPECT_EQ(man.getEffectorData(-1), nullptr);  // free slots carry no findable id
    EXPECT_EQ(man.getEffectorData(EFFECTOR_LIGHT, -1), nullptr);
}

TEST(EffectorMan, RemovalKeepsOrderAndData) {
    EffectorMan man;
    const int a = addCaster(man, 10);
    const int b = addCaster(man, 20);
    const int c = addCaster(man, 30);
    void* bufferOfB = man.getEffectorData(b);
    man.removeEffector(b);
    EXPECT_EQ(casterTags(man), (std::vector<int>{10, 30}));
    EXPECT_EQ(man.getEffectorData(b), nullptr);
    EXPECT_EQ(tagOf(man.getEffectorData(a)), 10);
    EXPECT_EQ(tagOf(man.getEffectorData(c)), 30);

    // The next record reuses the freed buffer and leaves the others alone.
    const int d = addCaster(man, 40);
    EXPECT_EQ(man.getEffectorData(d), bufferOfB);
    EXPECT_EQ(casterTags(man), (std::vector<int>{10, 30, 40}));
    const EFFCONTAINER* container = man.getContainer(EFFECTOR_SHADOWCASTER);
    EXPECT_EQ(container->records[0].id, a);
    EXPECT_EQ(container->records[1].id, c);
    EXPECT_EQ(container->records[2].id, d);

    man.removeEffector(12345);  // unknown ids change nothing
    man.removeEffector(-1);
    man.removeEffector(b);      // nor does removing twice
    EXPECT_EQ(casterTags(man), (std::vector<int>{10, 30, 40}));

    man.removeEffector(d);  // last
    man.removeEffector(a);  // first
    EXPECT_EQ(casterTags(man), (std::vector<int>{30}));
    man.removeEffector(c);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 0);

    // Three records again: every slot still has a distinct buffer.
    addCaster(man, 1);
    addCaster(man, 2);
    addCaster(man, 3);
    container = man.getContainer(EFFECTOR_SHADOWCASTER);
    EXPECT_NE(container->records[0].data, container->records[1].data);
    EXPECT_NE(container->records[1].data, container->records[2].data);
    EXPECT_NE(container->records[0].data, container->records[2].data);
    EXPECT_EQ(casterTags(man), (std::vector<int>{1, 2, 3}));
}

TEST(EffectorMan, GrowsBy32SlotsKeepingRecords) {
    EffectorMan man;
    std::vector<int> ids;
    for (int i = 0; i < 32; ++i) ids.push_back(addCaster(man, 1000 + i));
    EXPECT_EQ(man.getContainer(EFFECTOR_SHADOWCASTER)->capacity, 32);
    void* firstBuffer = man.getEffectorData(ids[0]);
    ids.push_back(addCaster(man, 1032));
    EXPECT_EQ(man.getContainer(EFFECTOR_SHADOWCASTER)->capacity, 64);
    // Buffers belong to slots, so earlier data pointers survive the growth.
    EXPECT_EQ(man.getEffectorData(ids[0]), firstBuffer);
    std::vector<int> expected;
    for (int i = 0; i < 33; ++i) expected.push_back(1000 + i);
    EXPECT_EQ(casterTags(man), expected);
    const EFFCONTAINER* c = man.getContainer(EFFECTOR_SHADOWCASTER);
    for (int i = 0; i < 33; ++i) EXPECT_EQ(c->records[i].id, ids[i]);

    for (int i = 33; i < 100; ++i) addCaster(man, 1000 + i);
    EXPECT_EQ(man.getContainer(EFFECTOR_SHADOWCASTER)->capacity, 128);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 100);
    EXPECT_EQ(tagOf(man.getEffectorData(99)), 1099);

    // Removing and adding back within the capacity does not grow the array.
    man.flush(EFFECTOR_SHADOWCASTER, 0);
    for (int i = 0; i < 128; ++i) addCaster(man, i);
    EXPECT_EQ(man.getContainer(EFFECTOR_SHADOWCASTER)->capacity, 128);
    addCaster(man, 128);
    EXPECT_EQ(man.getContainer(EFFECTOR_SHADOWCASTER)->capacity, 160);
}

TEST(EffectorMan, CloseReleasesEverythingAndInitStartsAgain) {
    EffectorMan man;
    LIGHTDESC light = makePointLight(Math::Vector3f(0, 0, 0), 1.0f, 5.0f);
    for (int i = 0; i < 40; ++i) man.addLight(&light);
    addCaster(man, 1);
    man.close();
    for (int kind : {1, 3, 4, 5, 6, 7, 8, 9}) {
        EXPECT_EQ(man.getEffectorInstance(static_cast<EFFECTOR_TYPE>(kind)), nullptr);
        EXPECT_EQ(man.getContainer(kind), nullptr);
    }
    EXPECT_EQ(man.addLight(&light), -1);
    EXPECT_EQ(man.getEffectorData(0), nullptr);
    EXPECT_EQ(man.getEffectorDataList(EFFECTOR_LIGHT, -1, nullptr, 0)->count(), 0);
    man.setState(EFFECTOR_ALL, 1);
    man.flush(EFFECTOR_ALL, 0);
    man.close();  // a second close finds nothing to release

    man.init();
    EXPECT_NE(man.getEffectorInstance(EFFECTOR_FOG), nullptr);
    EXPECT_EQ(man.addLight(&light), 0);
    EXPECT_EQ(man.getRecordCount(EFFECTOR_LIGHT), 1);
}

TEST(EffectorMan, InitOnALiveManagerReleasesItsRecords) {
    // init() is meant for a closed manager; on a live one it starts over without leaking.
    EffectorMan man;
    for (int i = 0; i < 50; ++i) addCaster(man, i);
    Effector* before = man.getEffectorInstance(EFFECTOR_SHADOWCASTER);
    ASSERT_NE(before, nullptr);
    man.init();
    EXPECT_EQ(man.getRecordCount(EFFECTOR_SHADOWCASTER), 0);
    EXPECT_NE(man.getEffectorInstance(EFFECTOR_SHADOWCASTER), nullptr);
    EXPECT_EQ(addCaster(man, 5), 0);
}

}  // namespace

namespace {

TEST(EffectorMan, ACopySharesRecordsWithoutOwningThem) {
    using namespace effector;
    EffectorMan man;
    SHADOWCASTERDESC caster = effector_test::makeCaster(61);
    const int id = man.addEffectorData(EFFECTOR_SHADOWCASTER, &caster, sizeof(caster), 1);
    {
        EffectorMan copy(man);
        EXPECT_EQ(copy.getEffectorData(id), man.getEffectorData(id));
        EXPECT_EQ(copy.getEffectorInstance(EFFECTOR_LIGHT), man.getEffectorInstance(EFFECTOR_LIGHT));
        EffectorMan assigned;
        assigned = man;  // releases its own kinds first, then shares man's
        EXPECT_EQ(assigned.getEffectorData(id), man.getEffectorData(id));
        copy.close();
        EXPECT_EQ(copy.getEffectorData(id), nullptr);
    }  // destroying the copies releases nothing of man's
    EXPECT_EQ(tagOf(man.getEffectorData(id)), 61);
    EXPECT_NE(man.getEffectorInstance(EFFECTOR_LIGHT), nullptr);
    EXPECT_EQ(man.addEffectorData(EFFECTOR_SHADOWCASTER, &caster, sizeof(caster), 1), id + 1);
}

}  // namespace
