#pragma once
// Where a planet appears from the centre of the Earth: its apparent geocentric place of date,
// and the geometry that sets its brightness. Built only from the module's own series: the
// planetary series for the planet, the solar series for the Earth, the obliquity and nutation of
// the frames, and the annual aberration that the stars get.
#include "enviro/astro/Vec3D.h"

namespace Astro {

struct PlanetApparentPlace {
    Vec3D direction;       // unit vector, true equator and equinox of date
    double distanceAu;     // Earth–planet distance when the light left the planet (Δ), AU
    double sunDistanceAu;  // Sun–planet distance at that time (r), AU
    double earthSunAu;     // Earth–Sun distance at the instant (R), AU
    double phaseAngle;     // Sun–planet–Earth angle, radians, 0..π
};

// Apparent place of body (1 Mercury, 2 Venus, 4 Mars … 9 Pluto) at T (Julian centuries since
// J2000): the heliocentric planet at T − τ minus the heliocentric Earth at T, with τ the light
// time (iterated to convergence), rotated from the mean ecliptic of date to the true equator of
// date, then shifted by the Earth's velocity over the speed of light (annual aberration). Any
// other body gives a zero direction and zero distances.
PlanetApparentPlace planetApparentPlace(int body, double tCenturies);

}  // namespace Astro
