#pragma once
// One saved state of the shadow-map effector (its state stack holds these).
#include "enviro/host/MathMatrix.h"

namespace effector {

// A saved state of the effector: the four flags, the light-space matrix in force (the pointer
// only, not the matrix) and the two target names. Copied byte for byte.
struct PSMSTATE {
    char bDepthRender;                       // copy of m_bDepthRender
    char bFrontSide;                         // copy of m_bFrontSide
    bool bEnabled;                           // copy of m_bEnabled
    bool bActive;                            // copy of m_bActive
    Math::Matrix4f* pLightSpace;             // copy of m_pLightSpace
    char szDepthTarget[64];                  // zero-terminated
    char szColorTarget[64];                  // zero-terminated
};

}  // namespace effector
