#pragma once
// Two-body motion: the Kepler equation, the Keplerian ellipse and the mean orbits of the planets.
#include "enviro/astro/Vec3D.h"

namespace Astro {

// Eccentric anomaly (radians) for mean anomaly M (radians) and eccentricity e < 1, by Newton's
// method. After 15 iterations without convergence it writes " Convergence problems in EccAnom"
// to the standard error stream and returns the last iterate.
double EccAnom(double meanAnomaly, double eccentricity);

// Position and velocity on an ellipse in its orbital plane (x toward perihelion).
struct OrbitalState {
    Vec3D position;  // AU (a given in AU)
    Vec3D velocity;  // AU/day (GM in AU³/day²)
};
OrbitalState keplerEllipse(double gm, double meanAnomaly, double semiMajorAxis, double eccentricity);

// Body numbering of the sky: 0 Sun, 1 Mercury, 2 Venus, 3 Earth, 4 Mars, 5 Jupiter, 6 Saturn,
// 7 Uranus, 8 Neptune, 9 Pluto.
constexpr int kBodyCount = 10;
constexpr int kEarth = 3;

// Heliocentric position (AU) and velocity (AU/day) of a body on its mean Keplerian orbit at T
// (Julian centuries since J2000), mean ecliptic and equinox of date. Index 0 and indices outside
// 0..9 give zero vectors.
OrbitalState keplerState(int body, double tCenturies);
Vec3D keplerVelocity(int body, double tCenturies);

}  // namespace Astro
