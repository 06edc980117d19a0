#pragma once
// The town's lights after dark, for enviro-demo: street lamps along the 14 streets of the grid
// (spot lights 7 m up, pointing down; the 16 round the central crossing cast shadows) and cars
// driving the streets with two headlights each (spot lights pointing ahead), 256 lights in all.
// Positions are world coordinates (x north, y up, z east, metres); the cars move with the
// simulated time. The lamps and headlights come on as the sun goes down. Every light keeps its
// identity from frame to frame (LightSource::optimize fades it in and out).
#include <vector>

#include "enviro/lighting/LightDesc.h"

namespace glhost {

class DemoLights {
public:
    static constexpr int kLamps = 168;
    static constexpr int kCars = 44;
    static constexpr int kShadowedLamps = 16;
    static constexpr int kCount = kLamps + 2 * kCars;

    // The lights at `seconds` of simulated time with the sun at `sunElevation` (sine of its
    // height above the horizon); none while the sun is well up. lights is resized to kCount
    // (or 0); storage is kept, so that a warmed-up call allocates nothing.
    static void update(double seconds, float sunElevation, std::vector<effector::LIGHTDESC>& lights);
};

}  // namespace glhost
