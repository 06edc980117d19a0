// A whole text catalogue: the bytes are "PPM.dat", converted into the binary cache as the
// astronomy manager's first start does. The cache is then read back through the reference host's
// packaged files and must hold exactly the stars that were written, 60 bytes each: as many as the
// stream reader finds in the same text with a magnitude inside the single-precision range.
#include <cfloat>
#include <cmath>
#include <sstream>
#include <string>

#include "enviro/astro/StarCatalog.h"
#include "fuzz/FuzzSupport.h"
#include "refhost/RefPackageManager.h"

namespace {

int countStreamEntries(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Astro::StarEntry entry{};
    int count = 0;
    while (Astro::readStarEntry(in, entry))
        if (std::fabs(entry.dMagnitude) <= FLT_MAX) ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static refhost::RefSearchPath searchPath;
    static refhost::RefPackageManager packages(searchPath);
    const std::string text = fuzz::scratchDir() + "/PPM.dat";
    const std::string cache = fuzz::scratchDir() + "/PPMbin.dat";
    fuzz::writeFile(text, data, size);

    const int written = Astro::buildStarsCatalogFile(text.c_str(), cache.c_str(), -FLT_MAX, FLT_MAX);
    fuzz::require(written == countStreamEntries(data, size));

    CPackageFile* file = packages.open(cache.c_str());
    fuzz::require(file != nullptr);
    file->seek(0, 2);
    fuzz::require(file->tell() == static_cast<long>(written) * Astro::kStarRecordBytes);
    file->seek(0, 0);
    Astro::StarEntry entry{};
    int read = 0;
    while (Astro::loadStarEntry(file, entry)) ++read;
    delete file;
    fuzz::require(read == written);
    return 0;
}
