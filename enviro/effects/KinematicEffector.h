#pragma once
// The velocity-field effector (kind 9): per-pixel motion. Stores no records.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"


namespace effector {

class ENVIRO_API KinematicEffector : public Effector {
public:
    KinematicEffector();
    KinematicEffector(const KinematicEffector& other);
    KinematicEffector& operator=(const KinematicEffector& other);
    ~KinematicEffector() override;

};

}  // namespace effector
