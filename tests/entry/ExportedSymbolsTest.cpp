// What libenviro.so exports, read with `nm -D` from the built library: the exported classes (every
// member, vtables and type information), the three module globals, createEnviro and the globals a
// host plugs its services into, and nothing else: no helper of the module, no standard-library
// instantiation, no entry hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#ifndef ENVIRO_SHARED_LIBRARY
#error "ENVIRO_SHARED_LIBRARY must name the built libenviro.so"
#endif
#ifndef ENVIRO_NM
#error "ENVIRO_NM must name the nm program"
#endif

namespace {

const std::vector<std::string> kClasses = {
    "effector::EffectorMan", "effector::Effector", "Astro::AstroManager", "enviro::Sky",
    "effector::LightSource", "effector::SLightsTextures", "effector::PSMShadow", "effector::SSDTextures",
    "effector::FogEffector", "effector::TransparentExclusion", "effector::ReflectionEffector",
    "effector::KinematicEffector", "effector::SkinEffector", "effector::ShadowCaster",
    "graphics::RenderTarget",  // the render-target wrapper the classes above hand to the host
};

// Classes nested in an exported class are exported with it; only these belong to the interface.
const std::vector<std::string> kNestedClasses = {"enviro::Sky::SkyLighting", "enviro::Sky::SkyLighting_NoHdr"};

const std::vector<std::string> kGlobals = {
    "effector::effectorMan", "enviro::sky", "g_AstroManager", "createEnviro",
    // Where a host installs its services.
    "RendAPI::pRenderApi", "RendMan::pRenderMan", "renderBase::pRenderClientMan", "cam::cameraManager",
    "common::pCommonServices", "PACKMAN", "os::pOperatingSystem", "g_pTexCache",
};

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool isListed(const std::vector<std::string>& list, const std::string& name) {
    for (const std::string& entry : list)
        if (entry == name) return true;
    return false;
}

bool isClass(const std::string& name) { return isListed(kClasses, name) || isListed(kNestedClasses, name); }

// Is the demangled symbol part of the module's interface? A member must belong to a listed class
// itself, not to another class nested in it.
bool belongsToInterface(std::string symbol) {
    for (const char* wrapper : {"non-virtual thunk to ", "virtual thunk to ", "guard variable for "})
        if (startsWith(symbol, wrapper)) symbol.erase(0, std::string(wrapper).size());
    for (const char* table : {"vtable for ", "typeinfo for ", "typeinfo name for ", "VTT for "})
        if (startsWith(symbol, table)) return isClass(symbol.substr(std::string(table).size()));
    const std::string name = symbol.substr(0, symbol.find('('));
    const size_t scope = name.rfind("::");
    return isListed(kGlobals, name) || (scope != std::string::npos && isClass(name.substr(0, scope)));
}

std::vector<std::string> exportedSymbols() {
    std::vector<std::string> symbols;
    const std::string command = std::string("'") + ENVIRO_NM + "' -DC --defined-only '" + ENVIRO_SHARED_LIBRARY + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return symbols;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const size_t type = text.find(' ');  // "<address> <type> <name>"
        if (type != std::string::npos && type + 3 <= text.size()) symbols.push_back(text.substr(type + 3));
    }
    return pclose(pipe) == 0 ? symbols : std::vector<std::string>();
}

TEST(ExportedSymbols, OnlyTheModuleInterfaceBelongs) {
    const struct {
        const char* symbol;
        bool belongs;
    } cases[] = {
        {"effector::LightSource::optimize(int, bool)", true},
        {"non-virtual thunk to effector::FogEffector::~FogEffector()", true},
        {"typeinfo name for enviro::Sky", true},
        {"g_pTexCache", true},
        {"effector::FogModel::density(float) const", false},  // a class that is not exported
        {"enviro::Sky::SkyLighting::getValue(SH::SampleSphere const&) const", true},
        {"effector::LightSource::Tile::clear()", false},      // a class nested in an exported one
        {"vtable for effector::NullClient", false},
        {"effector::effectorInstance(effector::EFFECTOR_TYPE)", false},
        {"_3DMath::matrixInverse(Math::Matrix<4, float>*, double*, Math::Matrix<4, float> const*)", false},
        {"std::from_chars<int>(char const*, char const*, int&, int)", false},
        {"enviro::onProcessAttach()", false},
        {"g_AstroManagerBackup", false},
    };
    for (const auto& c : cases) EXPECT_EQ(belongsToInterface(c.symbol), c.belongs) << c.symbol;
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
