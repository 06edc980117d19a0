#pragma once
// The directional shadow-map effector (kind 3).
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/shadows/PSMDesc.h"

namespace effector {

class ENVIRO_API PSMShadow : public Effector {
public:
    PSMShadow();
    PSMShadow(const PSMShadow& other);
    PSMShadow& operator=(const PSMShadow& other);
    ~PSMShadow() override;

    // One PSMDESC.
    int getDataSize() override;
};

}  // namespace effector
