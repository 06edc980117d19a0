#include "enviro/effects/ReflectionEffector.h"

#include "enviro/effector/EffectorType.h"

namespace effector {

ReflectionEffector::ReflectionEffector() : Effector(EFFECTOR_REFLECTION) {}

ReflectionEffector::ReflectionEffector(const ReflectionEffector& other) : Effector(other) {}

ReflectionEffector& ReflectionEffector::operator=(const ReflectionEffector& other) {
    Effector::operator=(other);
    return *this;
}

ReflectionEffector::~ReflectionEffector() {}

}  // namespace effector
