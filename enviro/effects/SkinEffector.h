#pragma once
// The skin effector (kind 7): the skin texture of textured objects. Stores no records.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"


namespace effector {

class ENVIRO_API SkinEffector : public Effector {
public:
    SkinEffector();
    SkinEffector(const SkinEffector& other);
    SkinEffector& operator=(const SkinEffector& other);
    ~SkinEffector() override;

};

}  // namespace effector
