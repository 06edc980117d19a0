// libenviro.so as a host loads it: its load hook creates the sky and the astronomy manager, after
// the library's static storage is set up (a copy of the library with a probe as its last static
// object tells), and leaves the effector manager to createEnviro.
#include <dlfcn.h>
#include <gtest/gtest.h>

#if !defined(ENVIRO_SHARED_LIBRARY) || !defined(ENVIRO_LOAD_PROBE_LIBRARY)
#error "ENVIRO_SHARED_LIBRARY and ENVIRO_LOAD_PROBE_LIBRARY must name the built libraries"
#endif

namespace {

TEST(SharedLibrary, LoadHookCreatesSkyAndAstronomyManagerAfterTheStaticStorage) {
    for (const char* path : {ENVIRO_SHARED_LIBRARY, ENVIRO_LOAD_PROBE_LIBRARY}) {
        void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);  // stays loaded for the rest of the program
        ASSERT_NE(library, nullptr) << dlerror();
        auto global = [library](const char* name) {
            void** p = static_cast<void**>(dlsym(library, name));
            return p ? *p : nullptr;
        };
        EXPECT_NE(global("_ZN6enviro3skyE"), nullptr) << path;  // enviro::sky
        EXPECT_NE(global("g_AstroManager"), nullptr) << path;
        EXPECT_EQ(global("_ZN8effector11effectorManE"), nullptr) << path;  // effector::effectorMan: not before the host asks
    }
    auto entryRanFirst = reinterpret_cast<int (*)()>(dlsym(dlopen(ENVIRO_LOAD_PROBE_LIBRARY, RTLD_NOW), "enviroProbeEntryRanBeforeStatics"));
    EXPECT_TRUE(entryRanFirst && entryRanFirst() == 0) << "the module's entry ran before the library's last static object";
}

}  // namespace
