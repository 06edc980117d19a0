// enviro-lightbmp: makes the light bitmap "graphics\sky\light.bmp" that the astronomy manager's
// scene lighting reads, from the module's own physics, so that the bundled light ramps are
// reproducible:
//   row band 0  sunlight: the attenuated solar spectrum at each column's sun elevation (turbidity 2)
//   row band 1  ambient: the clear sky's illuminance on a horizontal surface at that elevation
//   row band 2  ambient-cube strength: the direct sun's share of the light on the ground (grey)
//   row band 3  moonlight: sunlight times the moon's albedo 0.12, attenuated at the moon's elevation
// Columns follow the scene lighting's elevation mapping (see ElevationMapping.h). Exposure: one
// scale for all ramps, the zenith sun's direct light at 0.5 (the scene lighting doubles it to 1).
//
// Usage: enviro-lightbmp [OUTPUT.bmp] [--width W] [--height H]
//   defaults: light.bmp, 256 x 16 (the height a multiple of 4). Prints a few columns of the ramps.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/enviro-lightbmp/BmpWriter.h"
#include "tools/enviro-lightbmp/ElevationMapping.h"
#include "tools/enviro-lightbmp/LightBitmap.h"
#include "tools/enviro-lightbmp/LightRamps.h"

namespace {

struct Options {
    std::string output = "light.bmp";
    int width = 256;
    int height = 16;
};

bool parseSize(const char* text, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || *end != '\0' || v < 1 || v > 16384) return false;
    *out = int(v);
    return true;
}

bool parseOptions(int argc, char** argv, Options* o) {
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const bool width = std::strcmp(argv[i], "--width") == 0;
        if (width || std::strcmp(argv[i], "--height") == 0) {
            if (i + 1 >= argc || !parseSize(argv[++i], width ? &o->width : &o->height)) return false;
        } else if (argv[i][0] == '-' || haveOutput) {
            return false;
        } else {
            o->output = argv[i];
            haveOutput = true;
        }
    }
    return o->width >= 2 && o->height % lightbmp::kBandCount == 0;
}

void printColumns(const lightbmp::LightRamps& ramps, int width) {
    std::printf("column  sun elev  sunlight (r g b)        ambient (r g b)         cube  moon elev  moonlight\n");
    for (int x = 0; x < width; x += width / 16 > 0 ? width / 16 : 1) {
        const lightbmp::Rgb& s = ramps.sunlight[x];
        const lightbmp::Rgb& a = ramps.ambient[x];
        std::printf("%6d  %7.2f   %.4f %.4f %.4f   %.4f %.4f %.4f   %.3f  %8.2f   %.4f\n", x,
                    lightbmp::sunElevationOfColumn(x, width) * 57.29577951308232, s.r, s.g, s.b, a.r, a.g, a.b,
                    ramps.cubeStrength[x].g, lightbmp::moonElevationOfColumn(x, width) * 57.29577951308232,
                    ramps.moonlight[x].g);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: enviro-lightbmp [OUTPUT.bmp] [--width W] [--height H]\n"
                     "  W at least 2, H a multiple of 4 (defaults 256 x 16)\n");
        return 2;
    }
    lightbmp::DaylightPhysics physics;
    const lightbmp::LightRamps ramps = lightbmp::computeLightRamps(options.width, physics);
    lightbmp::RgbImage image;
    std::string error;
    if (!lightbmp::makeLightBitmap(ramps, options.height, &image) ||
        !lightbmp::writeBmp24(image, options.output, &error)) {
        std::fprintf(stderr, "enviro-lightbmp: %s\n", error.empty() ? "cannot build the bitmap" : error.c_str());
        return 1;
    }
    std::printf("exposure %.6g per kilolux (zenith sun's direct light = %.2f)\n", ramps.exposure,
                lightbmp::kZenithSunValue);
    printColumns(ramps, options.width);
    std::printf("wrote %s (%d x %d)\n", options.output.c_str(), image.width, image.height);
    return 0;
}
