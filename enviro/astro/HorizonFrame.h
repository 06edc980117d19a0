#pragma once
// The world frame of the game seen from the sky: X north, Y up, Z east (right-handed,
// north × up = east). A horizon matrix holds, row by row, the unit vectors north, up and east
// expressed in the true equator of date, so that world = R·v.
#include "enviro/astro/Vec3D.h"
#include "enviro/host/MathVector.h"

namespace Astro {

// Horizon matrix (single precision, 9 floats row-major) of an observer at geographic latitude
// and east longitude (radians) when the Greenwich sidereal time is gmst (radians).
void buildHorizonMatrix(double gmst, double latitude, double longitude, float out[9]);

// Unit world direction of a vector of the true equator of date (any length; a zero vector
// gives a zero direction).
Math::Vector<3, float> horizonDirection(const float horizon[9], const Vec3D& v);

}  // namespace Astro
