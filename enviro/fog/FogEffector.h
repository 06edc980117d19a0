#pragma once
// The fog effector (kind 5): haze, ground fog, overcast and cloud layers. Stores no records.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"


namespace effector {

class ENVIRO_API FogEffector : public Effector {
public:
    FogEffector();
    FogEffector(const FogEffector& other);
    FogEffector& operator=(const FogEffector& other);
    ~FogEffector() override;

};

}  // namespace effector
