// libenviro.so as a host loads it: its load hook creates the sky and the astronomy manager, and
// it exports createEnviro under its plain name and the three module globals.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include "enviro/effector/EffectorMan.h"

#if !defined(ENVIRO_SHARED_LIBRARY) || !defined(ENVIRO_LOAD_PROBE_LIBRARY)
#error "ENVIRO_SHARED_LIBRARY and ENVIRO_LOAD_PROBE_LIBRARY must name the built libraries"
#endif

namespace {

// The library stays loaded for the rest of the program once opened.
void* library() {
    static void* handle = dlopen(ENVIRO_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <class T>
T symbol(const char* name) {
    return reinterpret_cast<T>(dlsym(library(), name));
}

TEST(SharedLibrary, LoadHookCreatesSkyAndAstronomyManager) {
    ASSERT_NE(library(), nullptr) << dlerror();
    void** sky = symbol<void**>("_ZN6enviro3skyE");  // enviro::sky
    void** astro = symbol<void**>("g_AstroManager");
    ASSERT_NE(sky, nullptr);
    ASSERT_NE(astro, nullptr);
    EXPECT_NE(*sky, nullptr);
    EXPECT_NE(*astro, nullptr);
}

TEST(SharedLibrary, LoadHookRunsAfterTheStaticStorage) {
    void* probe = dlopen(ENVIRO_LOAD_PROBE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probe, nullptr) << dlerror();
    auto entryRanFirst = reinterpret_cast<int (*)()>(dlsym(probe, "enviroProbeEntryRanBeforeStatics"));
    void** sky = static_cast<void**>(dlsym(probe, "_ZN6enviro3skyE"));
    ASSERT_NE(entryRanFirst, nullptr);
    ASSERT_NE(sky, nullptr);
    EXPECT_EQ(entryRanFirst(), 0);
    EXPECT_NE(*sky, nullptr);  // the hook did run, after the statics
}

TEST(SharedLibrary, CreateEnviroIsExportedUnderItsPlainName) {
    ASSERT_NE(library(), nullptr) << dlerror();
    auto create = symbol<void (*)()>("createEnviro");
    ASSERT_NE(create, nullptr);
    auto manager = symbol<effector::EffectorMan**>("_ZN8effector11effectorManE");  // effector::effectorMan
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(*manager, nullptr);  // nothing creates the manager before the host asks
    create();
    effector::EffectorMan* man = *manager;
    ASSERT_NE(man, nullptr);
    for (int kind : {1, 3, 4, 5, 6, 7, 8, 9})
        EXPECT_NE(man->getEffectorInstance(static_cast<effector::EFFECTOR_TYPE>(kind)), nullptr) << kind;
    EXPECT_EQ(man->getEffectorInstance(static_cast<effector::EFFECTOR_TYPE>(2)), nullptr);
}

}  // namespace
