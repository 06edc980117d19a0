#pragma once
// The planets Mercury to Pluto: analytic perturbation series. T in Julian centuries since J2000.
// Each returns the heliocentric position (AU) in the mean ecliptic and equinox of date, built from
// the series' longitude, latitude and distance.
#include "enviro/astro/Vec3D.h"

namespace Astro {

Vec3D mercuryPosition(double tCenturies);
Vec3D venusPosition(double tCenturies);
Vec3D marsPosition(double tCenturies);
Vec3D jupiterPosition(double tCenturies);
Vec3D saturnPosition(double tCenturies);
Vec3D uranusPosition(double tCenturies);
Vec3D neptunePosition(double tCenturies);
// Evaluated in the ecliptic and equinox of B1950 and rotated to the ecliptic of date.
Vec3D plutoPosition(double tCenturies);

// By body index (1 Mercury … 9 Pluto, 3 the Earth as the negative geocentric sun); any other
// index gives a zero vector.
Vec3D planetPosition(int body, double tCenturies);

}  // namespace Astro
