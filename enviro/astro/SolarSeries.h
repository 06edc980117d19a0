#pragma once
// The sun: analytic series of the Earth's orbit perturbed by Venus, Mars, Jupiter, Saturn and
// the moon. T in Julian centuries since J2000 (TT).
#include "enviro/astro/Vec3D.h"

namespace Astro {

// Geocentric ecliptic longitude L, latitude B (radians) and distance R (AU) of the sun, mean
// ecliptic and equinox of date, geometric.
PolarAngles solarEclipticPolar(double tCenturies);

// The same as a vector built from (L, B, R): AU, mean ecliptic of date.
Vec3D solarEclipticPosition(double tCenturies);

// Geocentric sun in the true equator and equinox of date, AU.
Vec3D sunEquatorial(double tCenturies);

}  // namespace Astro
