// The light bitmap's ramps from the day's physics, column by column.
#include "tools/enviro-lightbmp/LightRamps.h"

#include <algorithm>
#include <cmath>

#include "tools/enviro-lightbmp/ElevationMapping.h"

namespace lightbmp {

namespace {

Rgb scaled(const Rgb& c, double k) { return Rgb{c.r * k, c.g * k, c.b * k}; }

Rgb componentMax(const Rgb& a, const Rgb& b) {
    return Rgb{std::max(a.r, b.r), std::max(a.g, b.g), std::max(a.b, b.b)};
}

double luminance(const Rgb& c) { return 0.212671 * c.r + 0.71516 * c.g + 0.072169 * c.b; }

double cubeStrength(const Rgb& sun, const Rgb& sky, double elevation) {
    const double direct = luminance(sun) * std::max(std::sin(elevation), 0.0);
    const double total = direct + luminance(sky);
    return total > 0.0 ? direct / total : 0.0;
}

}  // namespace

LightRamps computeLightRamps(int width, DaylightPhysics& physics) {
    LightRamps ramps;
    if (width < 2) return ramps;
    ramps.exposure = kZenithSunValue / luminance(physics.directSunlight(kHalfPi));
    for (int x = 0; x < width; ++x) {
        const double h = sunElevationOfColumn(x, width);
        const Rgb sun = physics.directSunlight(h);
        const Rgb sky = physics.skyIrradiance(h);
        const double share = cubeStrength(sun, sky, h);
        ramps.sunlight.push_back(scaled(sun, ramps.exposure));
        // The sky model limits its zenith luminance, so near the zenith its irradiance dips a
        // little (about 3 percent) although more sun reaches the sky: hold the highest value.
        const Rgb ambient = scaled(sky, ramps.exposure);
        ramps.ambient.push_back(x > 0 ? componentMax(ambient, ramps.ambient.back()) : ambient);
        ramps.cubeStrength.push_back(Rgb{share, share, share});
        const Rgb moon = physics.directSunlight(moonElevationOfColumn(x, width));
        ramps.moonlight.push_back(scaled(moon, ramps.exposure * kMoonAlbedo));
    }
    return ramps;
}

}  // namespace lightbmp
