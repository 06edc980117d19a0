#pragma once
// The transparent-exclusion effector (kind 8): exclusion volumes and the cloud slab.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/fog/ExclusionDesc.h"

namespace effector {

class ENVIRO_API TransparentExclusion : public Effector {
public:
    TransparentExclusion();
    TransparentExclusion(const TransparentExclusion& other);
    TransparentExclusion& operator=(const TransparentExclusion& other);
    ~TransparentExclusion() override;

    // 1 / distance from pos to the volume centre (1.0 at distance 0): nearer volumes weigh more.
    float getWeight(void* data, Math::Vector3f* pos, float scale) override;
    // One EXCLUSIONDESC.
    int getDataSize() override;
};

}  // namespace effector
