// Lays the light ramps out as the bands of the light bitmap.
#include "tools/enviro-lightbmp/LightBitmap.h"

#include <cmath>

namespace lightbmp {

uint8_t quantize(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 1.0) return 255;
    return uint8_t(std::lround(value * 255.0));
}

bool makeLightBitmap(const LightRamps& ramps, int height, RgbImage* out) {
    if (!out) return false;
    *out = RgbImage{};
    const std::vector<Rgb>* bands[kBandCount] = {&ramps.sunlight, &ramps.ambient, &ramps.cubeStrength,
                                                 &ramps.moonlight};
    const size_t width = ramps.sunlight.size();
    if (height < kBandCount || height % kBandCount != 0 || width < 2) return false;
    for (const std::vector<Rgb>* band : bands)
        if (band->size() != width) return false;

    out->width = int(width);
    out->height = height;
    out->pixels.resize(width * size_t(height) * 3);
    const int bandRows = height / kBandCount;
    for (int y = 0; y < height; ++y) {
        const std::vector<Rgb>& ramp = *bands[y / bandRows];
        uint8_t* row = &out->pixels[size_t(y) * width * 3];
        for (size_t x = 0; x < width; ++x) {
            row[3 * x + 0] = quantize(ramp[x].r);
            row[3 * x + 1] = quantize(ramp[x].g);
            row[3 * x + 2] = quantize(ramp[x].b);
        }
    }
    return true;
}

}  // namespace lightbmp
