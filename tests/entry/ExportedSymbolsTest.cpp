// What libenviro.so exports, read with `nm -D` from the built library: the exported classes (every
// member, vtables and type information), the three module globals, createEnviro and the globals a
// host plugs its services into, and nothing else: no helper of the module, no standard-library
// instantiation, no entry hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#if !defined(ENVIRO_SHARED_LIBRARY) || !defined(ENVIRO_NM)
#error "ENVIRO_SHARED_LIBRARY and ENVIRO_NM must name the built libenviro.so and the nm program"
#endif

namespace {

const std::set<std::string> kClasses = {
    "effector::EffectorMan", "effector::Effector", "Astro::AstroManager", "enviro::Sky",
    "effector::LightSource", "effector::SLightsTextures", "effector::PSMShadow", "effector::SSDTextures",
    "effector::FogEffector", "effector::TransparentExclusion", "effector::ReflectionEffector",
    "effector::KinematicEffector", "effector::SkinEffector", "effector::ShadowCaster",
    "graphics::RenderTarget",  // the render-target wrapper the classes above hand to the host
    "enviro::Sky::SkyLighting", "enviro::Sky::SkyLighting_NoHdr",  // nested classes of the interface
};

const std::set<std::string> kGlobals = {
    "effector::effectorMan", "enviro::sky", "g_AstroManager", "createEnviro",
    // Where a host installs its services.
    "RendAPI::pRenderApi", "RendMan::pRenderMan", "renderBase::pRenderClientMan", "cam::cameraManager",
    "common::pCommonServices", "PACKMAN", "os::pOperatingSystem", "g_pTexCache",
};

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// Is the demangled symbol part of the module's interface? A member must belong to a listed class
// itself, not to another class nested in it.
bool belongsToInterface(std::string symbol) {
    for (const std::string wrapper : {"non-virtual thunk to ", "virtual thunk to ", "guard variable for "})
        if (startsWith(symbol, wrapper)) symbol.erase(0, wrapper.size());
    for (const std::string table : {"vtable for ", "typeinfo for ", "typeinfo name for ", "VTT for "})
        if (startsWith(symbol, table)) return kClasses.count(symbol.substr(table.size())) > 0;
    const std::string name = symbol.substr(0, symbol.find('('));
    const size_t scope = name.rfind("::");
    return kGlobals.count(name) > 0 || (scope != std::string::npos && kClasses.count(name.substr(0, scope)) > 0);
}

TEST(ExportedSymbols, LibraryExportsExactlyTheModuleInterface) {
    std::set<std::string> exported;  // demangled names of the defined dynamic symbols
    const std::string command = std::string("'") + ENVIRO_NM + "' -DC --defined-only '" + ENVIRO_SHARED_LIBRARY + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    char line[4096];
    for (char* name; pipe && std::fgets(line, sizeof line, pipe);)  // "<address> <type> <name>"
        if ((name = std::strchr(line, ' ')) && (name = std::strchr(name + 1, ' '))) exported.insert(std::string(name + 1, std::strcspn(name + 1, "\n")));
    ASSERT_TRUE(pipe && pclose(pipe) == 0 && !exported.empty()) << "no output from nm for " << ENVIRO_SHARED_LIBRARY;
    // AddressSanitizer exports a marker beside each exported global: "__odr_asan.<mangled name>".
    for (const std::string& symbol : exported) EXPECT_TRUE(startsWith(symbol, "__odr_asan.") || belongsToInterface(symbol)) << "exported: " << symbol;
    for (const std::string& global : kGlobals) EXPECT_EQ(exported.count(global), 1u) << "missing: " << global;
    // Every class but the nested ones exports a constructor, its copy constructor, assignment and destructor.
    for (const std::string& cls : kClasses) {
        const std::string name = cls.substr(cls.rfind("::") + 2), member = cls + "::", copy = member + name + "(" + cls + " const&)";
        if (startsWith(cls, "enviro::Sky::")) continue;
        for (const std::string& expected : {copy, member + "operator=(" + cls + " const&)", member + "~" + name + "()"})
            EXPECT_EQ(exported.count(expected), 1u) << "missing: " << expected;
        bool constructor = false;
        for (auto it = exported.lower_bound(member + name + "("); it != exported.end() && startsWith(*it, member + name + "("); ++it) constructor |= *it != copy;
        EXPECT_TRUE(constructor) << "missing: " << cls << " constructor";
    }
}

}  // namespace
