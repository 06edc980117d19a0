// The text catalogue reader on arbitrary text: the bytes are catalogue lines, read entry by entry.
// Every entry it accepts must hold finite numbers, and each one uses up at least one line.
#include <cmath>
#include <sstream>
#include <string>

#include "enviro/astro/StarCatalog.h"
#include "fuzz/FuzzSupport.h"

namespace {

bool isFinite(const Astro::StarEntry& e) {
    bool finite = std::isfinite(e.dRA) && std::isfinite(e.dDec) && std::isfinite(e.dPmRA) &&
                  std::isfinite(e.dPmDec) && std::isfinite(e.dMagnitude);
    for (float c : e.vColor) finite = finite && std::isfinite(c);
    return finite;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Astro::StarEntry entry{};
    size_t entries = 0;
    while (Astro::readStarEntry(in, entry)) {
        fuzz::require(isFinite(entry));
        fuzz::require(++entries <= size);  // a line per entry: the loop ends with the text
    }
    return 0;
}
