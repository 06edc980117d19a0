#include "enviro/effects/KinematicEffector.h"

#include "enviro/effector/EffectorType.h"

namespace effector {

KinematicEffector::KinematicEffector() : Effector(EFFECTOR_KINEMATIC) {}

KinematicEffector::KinematicEffector(const KinematicEffector& other) : Effector(other) {}

KinematicEffector& KinematicEffector::operator=(const KinematicEffector& other) {
    Effector::operator=(other);
    return *this;
}

KinematicEffector::~KinematicEffector() {}

}  // namespace effector
