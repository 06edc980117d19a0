// The module entry linked statically: process attach and detach, and createEnviro.
#include <gtest/gtest.h>

#include "AllocationLog.h"
#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/sky/Sky.h"

namespace {

using namespace effector;

// What delete does; the manager's destructor is deliberately not virtual.
void destroy(EffectorMan* man) {
    man->~EffectorMan();
    ::operator delete(man);
}

TEST(ModuleEntry, AttachCreatesSkyThenAstronomyManagerAndDetachDeletesBoth) {
    ASSERT_EQ(enviro::sky, nullptr);  // statically linked: no load hook has run
    ASSERT_EQ(g_AstroManager, nullptr);

    entry_test::startLog();
    enviro::onProcessAttach();
    entry_test::stopLog();
    ASSERT_NE(enviro::sky, nullptr);
    ASSERT_NE(g_AstroManager, nullptr);
    const int skyAt = entry_test::allocationIndex(enviro::sky);
    const int astroAt = entry_test::allocationIndex(g_AstroManager);
    EXPECT_GE(skyAt, 0);
    EXPECT_GT(astroAt, skyAt) << "the sky is created first";

    const void* sky = enviro::sky;
    const void* astro = g_AstroManager;
    entry_test::startLog();
    enviro::onProcessDetach();
    entry_test::stopLog();
    EXPECT_EQ(enviro::sky, nullptr);
    EXPECT_EQ(g_AstroManager, nullptr);
    EXPECT_TRUE(entry_test::wasReleased(sky));
    EXPECT_TRUE(entry_test::wasReleased(astro));

    enviro::onProcessDetach();  // nothing left to delete
    EXPECT_EQ(enviro::sky, nullptr);
    enviro::onProcessAttach();  // and the module can be attached again
    EXPECT_NE(enviro::sky, nullptr);
    EXPECT_NE(g_AstroManager, nullptr);
    enviro::onProcessDetach();
}

TEST(ModuleEntry, CreateEnviroMakesTheManagerWithEveryKindInOrder) {
    ASSERT_EQ(effectorMan, nullptr);
    entry_test::startLog();
    createEnviro();
    entry_test::stopLog();
    EffectorMan* man = effectorMan;
    ASSERT_NE(man, nullptr);

    const int kinds[] = {1, 3, 4, 5, 6, 7, 8, 9};
    const int dataSizes[] = {72, 32, int(sizeof(SHADOWCASTERDESC)), 0, 0, 0, 24, 0};
    int previous = entry_test::allocationIndex(man);
    EXPECT_GE(previous, 0);
    for (int i = 0; i < 8; ++i) {
        Effector* instance = man->getEffectorInstance(static_cast<EFFECTOR_TYPE>(kinds[i]));
        ASSERT_NE(instance, nullptr) << kinds[i];
        EXPECT_EQ(instance->getType(), kinds[i]);
        EXPECT_EQ(instance->getDataSize(), dataSizes[i]) << kinds[i];
        EXPECT_EQ(man->getRecordCount(kinds[i]), 0);
        // Created in the order light, shadow map, caster, fog, reflection, skin, exclusion, velocity.
        const int at = entry_test::allocationIndex(instance);
        EXPECT_GT(at, previous) << kinds[i];
        previous = at;
    }
    for (int missing : {0, 2, 10})
        EXPECT_EQ(man->getEffectorInstance(static_cast<EFFECTOR_TYPE>(missing)), nullptr) << missing;

    // A second call makes a new manager and leaves the first one alone.
    LIGHTDESC light{};
    const int id = man->addLight(&light);
    createEnviro();
    ASSERT_NE(effectorMan, nullptr);
    EXPECT_NE(effectorMan, man);
    EXPECT_NE(man->getEffectorData(id), nullptr);
    EXPECT_EQ(effectorMan->getEffectorData(id), nullptr);

    destroy(effectorMan);  // the module never deletes them; the test does
    destroy(man);
    effectorMan = nullptr;
}

}  // namespace
