#pragma once
// The reference host of the targets that run the astronomy manager, installed once per process.
// "LuaScripts\Astro.cfg" and "graphics\sky\light.bmp" come from the bundled data folder; the star
// cache "PPMbin.dat" comes from memory (catalogue()), so that no catalogue is ever built or read
// from the disk.
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "refhost/ReferenceHost.h"

namespace fuzz {

// Hands out "PPMbin.dat" with the bytes given; every other name is not found.
class CataloguePackages final : public CPackageManager {
public:
    CPackageFile* open(const char* name) override {
        if (!name || std::strcmp(name, "PPMbin.dat") != 0) return nullptr;
        return new refhost::RefPackageFile(bytes, openFiles);
    }

    std::vector<unsigned char> bytes;
    std::shared_ptr<int> openFiles = std::make_shared<int>(0);  // files not yet deleted
};

inline CataloguePackages& catalogue() {
    static CataloguePackages packages;
    return packages;
}

inline refhost::ReferenceHost& astroHost() {
    static refhost::ReferenceHost host(ENVIRO_FUZZ_DATA_DIR);
    static const bool installed = [] {
        host.install();
        PACKMAN = &catalogue();
        return true;
    }();
    (void)installed;
    return host;
}

}  // namespace fuzz
