#include "enviro/effects/ShadowCaster.h"

#include "enviro/effector/EffectorType.h"

namespace effector {

ShadowCaster::ShadowCaster() : Effector(EFFECTOR_SHADOWCASTER) {}

ShadowCaster::ShadowCaster(const ShadowCaster& other) : Effector(other) {}

ShadowCaster& ShadowCaster::operator=(const ShadowCaster& other) {
    Effector::operator=(other);
    return *this;
}

ShadowCaster::~ShadowCaster() {}

int ShadowCaster::getDataSize() { return static_cast<int>(sizeof(SHADOWCASTERDESC)); }

}  // namespace effector
