#pragma once
// The light bitmap's layout: four horizontal bands of equal height, top to bottom sunlight,
// ambient, ambient-cube strength, moonlight. The scene lighting reads rows H/8, 3H/8, 5H/8 and
// 7H/8, one in the middle of each band; every row of a band holds the same ramp, so a filtered
// lookup reads clean values whichever rows it blends.
#include <cstdint>
#include <vector>

#include "tools/enviro-lightbmp/LightRamps.h"

namespace lightbmp {

// Pixels rows from the top, 3 bytes per pixel (red, green, blue), no padding.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

enum LightBand { kSunlightBand = 0, kAmbientBand = 1, kCubeStrengthBand = 2, kMoonlightBand = 3 };
constexpr int kBandCount = 4;

// Byte of a ramp value: round(clamp(value, 0, 1) * 255) (NaN: 0).
uint8_t quantize(double value);

// The bitmap of the ramps, height rows high: false (image empty) unless height is a positive
// multiple of 4 and every ramp has at least 2 and the same number of columns.
bool makeLightBitmap(const LightRamps& ramps, int height, RgbImage* out);

// The row the scene lighting reads for a band: (2 band + 1) * height / 8.
inline int lookupRow(LightBand band, int height) { return (2 * int(band) + 1) * height / 8; }

}  // namespace lightbmp
