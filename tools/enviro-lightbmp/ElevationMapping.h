#pragma once
// The light bitmap's horizontal axis, as the astronomy manager's scene lighting reads it: a light
// source at elevation h (radians) is looked up at column u * (W - 1), with
//   e = max(asin(y) * scale, -0.2) = max(h * scale, -0.2),  u = sqrt((e + 0.2) * 0.8333333),
// where scale is 0.63661975 (2 / pi: a right angle is 1) for the sun and 0.6289308 for the moon.
// Column 0 holds everything 18 degrees or more below the horizon (for the sun), the last column
// the zenith. These functions invert the mapping: the elevation a column stands for.
#include <algorithm>
#include <cmath>

namespace lightbmp {

constexpr double kSunColumnScale = 0.63661975;
constexpr double kMoonColumnScale = 0.6289308;
constexpr double kHalfPi = 1.5707963267948966;

// Elevation in radians of the ramp position u (0..1, clamped) for a column scale; at most the
// zenith (the moon's scale reaches 1 only past the zenith).
inline double elevationAt(double u, double columnScale) {
    u = std::clamp(u, 0.0, 1.0);
    const double e = u * u / 0.8333333 - 0.2;
    return std::min(e / columnScale, kHalfPi);
}

// The sun's column x of a bitmap width wide is read by the bilinear lookup at exactly x: its
// elevation is that of u = x / (W - 1).
inline double sunElevationOfColumn(int x, int width) {
    return elevationAt(width > 1 ? double(x) / double(width - 1) : 1.0, kSunColumnScale);
}

// The moon's column is read without filtering at trunc(u * (W - 1)), so column x serves
// u in [x, x + 1) / (W - 1): it stands for the middle of that range (the last column: the zenith).
inline double moonElevationOfColumn(int x, int width) {
    return elevationAt(width > 1 ? (double(x) + 0.5) / double(width - 1) : 1.0, kMoonColumnScale);
}

}  // namespace lightbmp
