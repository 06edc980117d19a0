#pragma once
// The shadow-caster effector (kind 4): it gives the manager the size of the caster record.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/effects/ShadowCasterDesc.h"

namespace effector {

class ENVIRO_API ShadowCaster : public Effector {
public:
    ShadowCaster();
    ShadowCaster(const ShadowCaster& other);
    ShadowCaster& operator=(const ShadowCaster& other);
    ~ShadowCaster() override;

    // sizeof(SHADOWCASTERDESC): 76 with 32-bit pointers, 88 with 64-bit pointers.
    int getDataSize() override;
};

}  // namespace effector
