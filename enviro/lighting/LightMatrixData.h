#pragma once
// One entry of the light effector's table of per-light shadow matrices.
#include <cstdint>

#include "enviro/host/MathMatrix.h"
#include "enviro/lighting/LightDesc.h"

namespace effector {

struct TLightMatrixData {
    Math::Matrix4f mViewProj;  //   0: view x projection of the light (64 bytes)
    Math::Matrix4f mView;      //  64: the light's view matrix
    Math::Matrix4f mViewInv;   // 128: inverse of mView
    LIGHTDESC light;           // 192: the light as it was when the entry was made (72 bytes)
    int16_t nSlot;             // 264: atlas slot, level * 32 + index within the level
};

}  // namespace effector
