// The binary star cache: the bytes are "PPMbin.dat". They are read record by record as the
// loader reads them, then loaded whole by the astronomy manager's Init (through the package
// manager, which hands out these bytes) and turned into the sky list. A last, partial record
// counts as a record; the eight planets follow the stars.
#include "enviro/astro/AstroManager.h"
#include "enviro/astro/StarCatalog.h"
#include "fuzz/FuzzAstroHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::astroHost();
    fuzz::CataloguePackages& packages = fuzz::catalogue();
    packages.bytes.assign(data, data + size);
    const size_t records = (size + Astro::kStarRecordBytes - 1) / Astro::kStarRecordBytes;

    {
        refhost::RefPackageFile file(packages.bytes, packages.openFiles);
        Astro::StarEntry entry{};
        size_t read = 0;
        while (Astro::loadStarEntry(&file, entry)) ++read;
        fuzz::require(read == records);
    }

    Astro::AstroManager manager;
    fuzz::require(manager.Init());
    fuzz::require(*packages.openFiles == 0);
    manager.setDateTime(2024, 8, 10, 23, 30, 0.0f);
    manager.setPos(0.0, 0.0, 0.0);
    fuzz::require(manager.getStars()->size() == records + 8);
    return 0;
}
