#include "enviro/fog/FogEffector.h"

#include "enviro/effector/EffectorType.h"

namespace effector {

FogEffector::FogEffector() : Effector(EFFECTOR_FOG) {}

FogEffector::FogEffector(const FogEffector& other) : Effector(other) {}

FogEffector& FogEffector::operator=(const FogEffector& other) {
    Effector::operator=(other);
    return *this;
}

FogEffector::~FogEffector() {}

}  // namespace effector
