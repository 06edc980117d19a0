// The reference host's 24-bit bitmap loader (BMP and PNG): the bytes are an image file. A bitmap
// it accepts must be complete (3 bytes per pixel, no padding), and reading it with GetTexel
// anywhere, inside, outside or at coordinates that are not numbers, stays inside its pixels and
// gives colours in 0..1. A refused file leaves the record empty.
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "refhost/RefCommonServices.h"

namespace {

void requireColor(float r, float g, float b) {
    for (float c : {r, g, b}) fuzz::require(c >= 0.0f && c <= 1.0f);
}

void readTexels(refhost::RefCommonServices& services, const BITMAP_& bitmap) {
    const int steps = 8;  // a grid over the bitmap and one pixel beyond each edge
    float r, g, b;
    for (int j = 0; j <= steps; ++j) {
        for (int i = 0; i <= steps; ++i) {
            const float x = -1.0f + (bitmap.nWidth + 1.0f) * i / steps;
            const float y = -1.0f + (bitmap.nHeight + 1.0f) * j / steps;
            services.getTexel(&bitmap, x, y, &r, &g, &b);
            requireColor(r, g, b);
            services.getTexel(&bitmap, static_cast<int>(x), static_cast<int>(y), &r, &g, &b);
            requireColor(r, g, b);
        }
    }
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (float v : {nan, inf, -inf, 3.0e38f}) {
        services.getTexel(&bitmap, v, v, &r, &g, &b);
        requireColor(r, g, b);
    }
    for (int v : {INT_MIN, INT_MAX}) {
        services.getTexel(&bitmap, v, v, &r, &g, &b);
        requireColor(r, g, b);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static refhost::RefSearchPath searchPath;
    static refhost::RefCommonServices services(searchPath);
    const std::string path = fuzz::scratchDir() + "/input.img";
    fuzz::writeFile(path, data, size);

    BITMAP_ bitmap{nullptr, 0, 0, 0};
    if (services.loadBitmap24(&bitmap, path.c_str())) {
        fuzz::require(bitmap.pData && bitmap.nWidth > 0 && bitmap.nHeight > 0);
        fuzz::require(static_cast<long long>(bitmap.nSize) == 3LL * bitmap.nWidth * bitmap.nHeight);
        readTexels(services, bitmap);
    } else {
        fuzz::require(!bitmap.pData && bitmap.nWidth == 0 && bitmap.nHeight == 0 && bitmap.nSize == 0);
        fuzz::require(!services.lastBitmapError().empty());
    }
    services.freeBitmap(&bitmap);
    return 0;
}
