#include "enviro/fog/TransparentExclusion.h"

#include <cmath>

#include "enviro/effector/EffectorType.h"

namespace effector {

TransparentExclusion::TransparentExclusion() : Effector(EFFECTOR_TRANSPARENTEXCLUSION) {}

TransparentExclusion::TransparentExclusion(const TransparentExclusion& other) : Effector(other) {}

TransparentExclusion& TransparentExclusion::operator=(const TransparentExclusion& other) {
    Effector::operator=(other);
    return *this;
}

TransparentExclusion::~TransparentExclusion() {}

float TransparentExclusion::getWeight(void* data, Math::Vector3f* pos, float) {
    const EXCLUSIONDESC* volume = static_cast<const EXCLUSIONDESC*>(data);
    if (!volume || !pos) return 0.0f;
    double dx = static_cast<double>(pos->x) - volume->vCenter.x;
    double dy = static_cast<double>(pos->y) - volume->vCenter.y;
    double dz = static_cast<double>(pos->z) - volume->vCenter.z;
    double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    return d == 0.0 ? 1.0f : static_cast<float>(1.0 / d);
}

int TransparentExclusion::getDataSize() { return static_cast<int>(sizeof(EXCLUSIONDESC)); }

}  // namespace effector
