#pragma once
// The per-object record of the transparent-exclusion kind (kind 8): one exclusion volume.
#include "enviro/host/MathVector.h"

namespace effector {

struct EXCLUSIONDESC {
    Math::Vector3f vCenter;  //  0: position in the frame the host queries in (weights measured from it)
    Math::Vector3f vParams;  // 12: second vector, handed to the shader constants unchanged
};
static_assert(sizeof(EXCLUSIONDESC) == 24, "EXCLUSIONDESC is 24 bytes");

}  // namespace effector
