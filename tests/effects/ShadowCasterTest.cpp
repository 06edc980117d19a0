// The shadow-caster effector: the manager accepts caster records of exactly its size.
#include <gtest/gtest.h>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCaster.h"

using namespace effector;

TEST(ShadowCaster, ManagerAcceptsOnlyRecordsOfTheCasterSize) {
    ShadowCaster caster;
    EXPECT_EQ(caster.getType(), EFFECTOR_SHADOWCASTER);
    EXPECT_EQ(caster.getDataSize(), static_cast<int>(sizeof(SHADOWCASTERDESC)));
    EXPECT_EQ(caster.getDataSize(), sizeof(void*) == 4 ? 76 : 88);
    ShadowCaster copy(caster);
    EXPECT_EQ(copy.getType(), EFFECTOR_SHADOWCASTER);

    EffectorMan manager;
    SHADOWCASTERDESC record{};
    record.mWorld = Math::Matrix4f::identity();
    record.bNoInstance = 1;
    EXPECT_EQ(manager.addEffectorData(EFFECTOR_SHADOWCASTER, &record, 76 + 88 - caster.getDataSize(), 1), -1);
    EXPECT_EQ(manager.addEffectorData(EFFECTOR_SHADOWCASTER, &record, sizeof record - 1, 1), -1);
    const int id = manager.addEffectorData(EFFECTOR_SHADOWCASTER, &record, sizeof record, 1);
    ASSERT_GE(id, 0);
    auto* stored = static_cast<SHADOWCASTERDESC*>(manager.getEffectorData(EFFECTOR_SHADOWCASTER, id));
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &record);  // copied in by value
    EXPECT_EQ(stored->mWorld, record.mWorld);
    EXPECT_EQ(stored->bNoInstance, 1);
}
