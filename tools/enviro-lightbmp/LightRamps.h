#pragma once
// The four colour ramps of the light bitmap, one value per column, in the bitmap's 0..1 range
// (the scene lighting doubles what it reads):
// - sunlight: direct sunlight at the column's sun elevation;
// - ambient: skylight on a horizontal surface at that sun elevation, never falling as the sun
//   rises (the sky model's limit on its zenith luminance would make it dip near the zenith);
// - ambient-cube strength (grey): the share of the direct sun in the light falling on the ground,
//   E_sun sin(h) / (E_sun sin(h) + E_sky): near 1 when the sunlit scene itself lights the ambient
//   cube, 0 at night when the flat ambient pre-fill should carry it;
// - moonlight: sunlight reflected with the moon's albedo and attenuated at the column's moon
//   elevation (the phase is applied by the scene lighting).
// Exposure: one scale for every ramp, chosen so that the direct light of the sun at the zenith
// has the value 0.5 (Y); the ramps keep their physical ratios. Values above 1 are clamped when
// stored.
#include <vector>

#include "tools/enviro-lightbmp/DaylightPhysics.h"

namespace lightbmp {

constexpr double kZenithSunValue = 0.5;  // value of the zenith sun's direct light
constexpr double kMoonAlbedo = 0.12;     // the moon's mean geometric albedo

struct LightRamps {
    std::vector<Rgb> sunlight, ambient, cubeStrength, moonlight;  // one entry per column
    double exposure = 0.0;                                        // value per kilolux
};

// The ramps for a bitmap width columns wide (at least 2; fewer gives empty ramps).
LightRamps computeLightRamps(int width, DaylightPhysics& physics);

}  // namespace lightbmp
