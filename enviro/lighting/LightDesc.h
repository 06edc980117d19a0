#pragma once
// The record of one dynamic light, as the host stores it in the effector manager (kind 1).
#include <cstdint>

#include "enviro/host/MathVector.h"

namespace effector {

enum LIGHT_TYPE : signed char {
    LIGHT_AMBIENT = 0,      // only vColor is used; takes no column and no shader entry
    LIGHT_DIRECTIONAL = 1,  // vPos holds its direction
    LIGHT_POINT = 2,        // at vPos, range fMaxRadius
    LIGHT_SPOT = 3,         // at vPos, axis -vDir, half-angle fConeAngle, range fMaxRadius
};

enum LIGHT_FLAGS : unsigned char {
    LIGHTFLAG_NOCULL = 0x02,     // kept by optimize even when the camera cannot see its sphere
    LIGHTFLAG_SHADOW = 0x08,     // casts a shadow (spot lights only)
    LIGHTFLAG_SHADERTAG = 0x10,  // red handed to shaders as max(red, 0) + 100
};

// 72 bytes with natural alignment on every platform. Offsets in bytes:
struct LIGHTDESC {
    uint32_t dwLightId;      //  0: host's persistent identity (fading); 0 = switched, not faded
    signed char type;        //  4: LIGHT_TYPE
    unsigned char flags;     //  5: LIGHT_FLAGS bits
    Math::Vector3f vPos;     //  8: position (point, spot) or direction (directional), world units
    Math::Vector4f vColor;   // 20: r, g, b intensity (not limited to 1); a carried through
    Math::Vector4f vDir;     // 36: unit spot axis pointing back to the light; w carried through
    float fAttenK;           // 52: attenuation coefficient, K * R^2 = 9
    float fMaxRadius;        // 56: range, world units
    float fConeAngle;        // 60: spot half-angle, radians
    float fConeEdge;         // 64: cone edge factor
    int16_t nShadowMatrix;   // 68: light-matrix table entry, -1 when none
    int16_t nShadowSlot;     // 70: atlas slot (level * 32 + index), -1 when none
};
static_assert(sizeof(LIGHTDESC) == 72, "LIGHTDESC is 72 bytes");

}  // namespace effector
