#pragma once
// Description of the directional perspective shadow map (32 bytes, also the shadow-map kind's
// data size).
#include "enviro/host/MathVector.h"

namespace effector {

struct PSMDESC {
    Math::Vector3f vLightDir;  //  0: direction the light travels (unit, world)
    float fShadowDistance;     // 12: far end of the shadowed view, world units from the camera
    float fHostParam0;         // 16: carried for the host
    float fHostParam1;         // 20: carried for the host
    float fGroundLevel;        // 24: world height of the ground plane bounding the fit
    float fSlideBack;          // 28: extra start ratio of the fit's virtual-camera search
};
static_assert(sizeof(PSMDESC) == 32, "PSMDESC is 32 bytes");

}  // namespace effector
