#include "enviro/effects/SkinEffector.h"

#include "enviro/effector/EffectorType.h"

namespace effector {

SkinEffector::SkinEffector() : Effector(EFFECTOR_SKIN) {}

SkinEffector::SkinEffector(const SkinEffector& other) : Effector(other) {}

SkinEffector& SkinEffector::operator=(const SkinEffector& other) {
    Effector::operator=(other);
    return *this;
}

SkinEffector::~SkinEffector() {}

}  // namespace effector
