#pragma once
// The reflection effector (kind 6): planar reflection and cube-map passes. Stores no records.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"


namespace effector {

class ENVIRO_API ReflectionEffector : public Effector {
public:
    ReflectionEffector();
    ReflectionEffector(const ReflectionEffector& other);
    ReflectionEffector& operator=(const ReflectionEffector& other);
    ~ReflectionEffector() override;

};

}  // namespace effector
