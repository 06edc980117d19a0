#pragma once
// The exported record of one sky point (a star or a planet) as getStars lists it.
#include "enviro/host/MathVector.h"

namespace Astro {

// 32 bytes: vPos at 0 (12), fMagnitude at 12 (4), vColor at 16 (16).
struct STARDESC {
    Math::Vector<3, float> vPos;    // unit direction in the world frame (X north, Y up, Z east)
    float fMagnitude;               // visual magnitude
    Math::Vector<4, float> vColor;  // red, green, blue, alpha (alpha 0 for the planets)
};
static_assert(sizeof(STARDESC) == 32, "STARDESC is 32 bytes");

}  // namespace Astro
