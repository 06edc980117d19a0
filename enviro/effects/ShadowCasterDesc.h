#pragma once
// The per-object record of the shadow-caster kind (kind 4). It holds two pointers: 76 bytes
// where pointers are 32 bits wide, 88 on a 64-bit build. Hosts always pass sizeof of it.
#include "enviro/host/MathMatrix.h"

namespace model {
class Model;
class ModelInstance;
}  // namespace model

namespace effector {

struct SHADOWCASTERDESC {
    model::Model* pModel;            // model to draw; null: nothing is drawn
    model::ModelInstance* pInstance; // its instance; the shadow pass writes mWorld into it
    Math::Matrix4f mWorld;           // world matrix of the caster (64 bytes)
    unsigned char bNoInstance;       // not tested by the fit; drawn without instance
    unsigned char bInShadow;         // written by the fit: can throw a shadow into the view
};
static_assert(sizeof(void*) != 4 || sizeof(SHADOWCASTERDESC) == 76, "76 bytes with 32-bit pointers");
static_assert(sizeof(void*) != 8 || sizeof(SHADOWCASTERDESC) == 88, "88 bytes with 64-bit pointers");

}  // namespace effector
