// The module entry linked statically: process attach and detach, and createEnviro.
#include <gtest/gtest.h>

#include <utility>

#include "AllocationLog.h"
#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/sky/Sky.h"

namespace {

using namespace effector;

TEST(ModuleEntry, AttachCreatesSkyThenAstronomyManagerAndDetachDeletesBoth) {
    ASSERT_EQ(enviro::sky, nullptr);  // statically linked: no load hook has run
    entry_test::startLog();
    enviro::onProcessAttach();
    entry_test::stopLog();
    const void* created[] = {enviro::sky, g_AstroManager};
    EXPECT_GE(entry_test::allocationIndex(created[0]), 0);
    EXPECT_GT(entry_test::allocationIndex(created[1]), entry_test::allocationIndex(created[0]));
    entry_test::startLog();
    enviro::onProcessDetach();
    entry_test::stopLog();
    EXPECT_TRUE(enviro::sky == nullptr && g_AstroManager == nullptr);
    EXPECT_TRUE(entry_test::wasReleased(created[0]) && entry_test::wasReleased(created[1]));
    enviro::onProcessDetach();  // nothing left to delete
}

TEST(ModuleEntry, CreateEnviroMakesANewManagerWithEveryKindInOrder) {
    entry_test::startLog();
    createEnviro();
    entry_test::stopLog();
    EffectorMan* first = effectorMan;
    ASSERT_NE(first, nullptr);
    // Created in the order manager, light, shadow map, caster, fog, reflection, skin, exclusion, velocity.
    int previous = entry_test::allocationIndex(first);
    EXPECT_GE(previous, 0);
    for (int kind : {1, 3, 4, 5, 6, 7, 8, 9}) {
        const int at = entry_test::allocationIndex(first->getEffectorInstance(EFFECTOR_TYPE(kind)));
        EXPECT_GT(at, std::exchange(previous, at)) << kind;
    }
    createEnviro();  // a second call makes a new manager and leaves the first one alone
    EXPECT_TRUE(effectorMan != first && first->getEffectorInstance(EFFECTOR_LIGHT) != nullptr);
    delete effectorMan;  // the module never deletes them; the test does
    delete first;
    effectorMan = nullptr;
}

}  // namespace
