#pragma once
// Constants and small numeric helpers shared by the ephemeris code.
#include <cmath>

namespace Astro {

constexpr double pi2 = 6.283185307179586;                // 2π, radians in a full turn
constexpr double Rad = 0.017453292519943295;             // radians per degree (π/180)
constexpr double Deg = 57.29577951308232;                // degrees per radian (180/π)
constexpr double Arcs = 206264.80624709636;              // arcseconds per radian (3600·180/π)
constexpr double kArcsecPerTurn = 1296000.0;             // arcseconds in a full turn
constexpr double kMachineEpsilon = 2.220446049250313e-16;
constexpr double R_Earth = 6378.137;                     // Earth equatorial radius, km
constexpr double GM_Sun = 0.00029591220828559115;        // heliocentric gravitational constant, AU³/day²
constexpr double kSpeedOfLightAuPerDay = 173.14;         // AU/day
constexpr double kMJDOfJ2000 = 51544.5;                  // Modified Julian Date of J2000 (2000-01-01 12h)
constexpr double kDaysPerJulianCentury = 36525.0;

// x − floor(x): the fractional part, in [0, 1) also for negative x.
inline double frac(double x) { return x - std::floor(x); }

// x reduced to [0, y) for y > 0: y·frac(x/y).
inline double modulo(double x, double y) { return y * frac(x / y); }

// Cosine and sine of the sum of two angles given by their cosines and sines.
inline void addAngles(double c1, double s1, double c2, double s2, double& c, double& s) {
    c = c1 * c2 - s1 * s2;
    s = s1 * c2 + c1 * s2;
}

// Degrees (or hours), minutes and seconds to decimal degrees (or hours). The result is negative
// when any of the three is negative; their magnitudes are summed.
double hoursFromHMS(double d, double m, double s);

// Angle 2π·frac(c0 + c1·t) in radians, for a mean argument given in revolutions.
inline double revolutionsToRadians(double c0Rev, double c1RevPerUnit, double t) {
    return pi2 * frac(c0Rev + c1RevPerUnit * t);
}

}  // namespace Astro
