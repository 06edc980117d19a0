// What libenviro.so exports, read with `nm -D` from the built library: the exported classes (every
// member, vtables and type information), the three module globals, createEnviro and the globals a
// host plugs its services into, and nothing else: no helper of the module, no standard-library
// instantiation, no entry hook.
#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef ENVIRO_SHARED_LIBRARY
#error "ENVIRO_SHARED_LIBRARY must name the built libenviro.so"
#endif
#ifndef ENVIRO_NM
#error "ENVIRO_NM must name the nm program"
#endif

namespace {

const std::set<std::string> kClasses = {
    "effector::EffectorMan", "effector::Effector", "Astro::AstroManager", "enviro::Sky",
    "effector::LightSource", "effector::SLightsTextures", "effector::PSMShadow", "effector::SSDTextures",
    "effector::FogEffector", "effector::TransparentExclusion", "effector::ReflectionEffector",
    "effector::KinematicEffector", "effector::SkinEffector", "effector::ShadowCaster",
    "graphics::RenderTarget",  // the render-target wrapper the classes above hand to the host
};

// Classes nested in an exported class are exported with it; only these belong to the interface.
const std::set<std::string> kNestedClasses = {"enviro::Sky::SkyLighting", "enviro::Sky::SkyLighting_NoHdr"};

const std::set<std::string> kGlobals = {
    "effector::effectorMan", "enviro::sky", "g_AstroManager", "createEnviro",
    // Where a host installs its services.
    "RendAPI::pRenderApi", "RendMan::pRenderMan", "renderBase::pRenderClientMan", "cam::cameraManager",
    "common::pCommonServices", "PACKMAN", "os::pOperatingSystem", "g_pTexCache",
};

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool isClass(const std::string& name) { return kClasses.count(name) + kNestedClasses.count(name) > 0; }

// The demangled form of a mangled name; the name itself when it is not mangled.
std::string demangled(const std::string& name) {
    int status = 0;
    char* text = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    const std::string result = status == 0 && text ? text : name;
    std::free(text);
    return result;
}

// Is the demangled symbol part of the module's interface? A member must belong to a listed class
// itself, not to another class nested in it.
bool belongsToInterface(std::string symbol) {
    // AddressSanitizer exports a marker beside each exported global: "__odr_asan.<mangled name>".
    const std::string asanMarker = "__odr_asan.";
    if (startsWith(symbol, asanMarker)) symbol = demangled(symbol.substr(asanMarker.size()));
    for (const std::string wrapper : {"non-virtual thunk to ", "virtual thunk to ", "guard variable for "})
        if (startsWith(symbol, wrapper)) symbol.erase(0, wrapper.size());
    for (const std::string table : {"vtable for ", "typeinfo for ", "typeinfo name for ", "VTT for "})
        if (startsWith(symbol, table)) return isClass(symbol.substr(table.size()));
    const std::string name = symbol.substr(0, symbol.find('('));
    const size_t scope = name.rfind("::");
    return kGlobals.count(name) > 0 || (scope != std::string::npos && isClass(name.substr(0, scope)));
}

// Demangled names of the defined dynamic symbols; empty when nm fails.
std::vector<std::string> exportedSymbols() {
    const std::string command = std::string("'") + ENVIRO_NM + "' -DC --defined-only '" + ENVIRO_SHARED_LIBRARY + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    std::vector<std::string> symbols;
    if (!pipe || pclose(pipe) != 0) return symbols;
    std::istringstream lines(text);  // "<address> <type> <name>"
    for (std::string address, type, name; lines >> address >> type && std::getline(lines >> std::ws, name);)
        symbols.push_back(name);
    return symbols;
}

TEST(ExportedSymbols, OnlyTheModuleInterfaceBelongs) {
    const std::pair<const char*, bool> cases[] = {
        {"non-virtual thunk to effector::FogEffector::~FogEffector()", true},
        {"enviro::Sky::SkyLighting::getValue(SH::SampleSphere const&) const", true},
        {"effector::FogModel::density(float) const", false},  // a class that is not exported
        {"effector::LightSource::Tile::clear()", false},      // another class nested in an exported one
        {"vtable for effector::NullClient", false},
        {"std::from_chars<int>(char const*, char const*, int&, int)", false},
        {"enviro::onProcessAttach()", false},
        {"__odr_asan._ZN7_3DMath7scratchE", false},
    };
    for (const auto& [symbol, belongs] : cases) EXPECT_EQ(belongsToInterface(symbol), belongs) << symbol;
}

TEST(ExportedSymbols, LibraryExportsExactlyTheModuleInterface) {
    const std::vector<std::string> symbols = exportedSymbols();
    ASSERT_FALSE(symbols.empty()) << "no output from nm for " << ENVIRO_SHARED_LIBRARY;
    for (const std::string& symbol : symbols) EXPECT_TRUE(belongsToInterface(symbol)) << "exported: " << symbol;

    const std::set<std::string> exported(symbols.begin(), symbols.end());
    for (const std::string& global : kGlobals) EXPECT_EQ(exported.count(global), 1u) << "missing: " << global;
    // Every class exports a constructor, its copy constructor, assignment and destructor.
    for (const std::string& cls : kClasses) {
        const std::string name = cls.substr(cls.rfind("::") + 2), member = cls + "::";
        const std::string copy = member + name + "(" + cls + " const&)";
        EXPECT_EQ(exported.count(copy), 1u) << "missing: " << copy;
        EXPECT_EQ(exported.count(member + "operator=(" + cls + " const&)"), 1u) << "missing: " << cls << "::operator=";
        EXPECT_EQ(exported.count(member + "~" + name + "()"), 1u) << "missing: " << cls << " destructor";
        bool constructor = false;
        for (const std::string& symbol : symbols) constructor |= startsWith(symbol, member + name + "(") && symbol != copy;
        EXPECT_TRUE(constructor) << "missing: " << cls << " constructor";
    }
}

}  // namespace
