#include "enviro/shadows/PSMShadow.h"

#include "enviro/effector/EffectorType.h"

namespace effector {

PSMShadow::PSMShadow() : Effector(EFFECTOR_PSMSHADOW) {}

PSMShadow::PSMShadow(const PSMShadow& other) : Effector(other) {}

PSMShadow& PSMShadow::operator=(const PSMShadow& other) {
    Effector::operator=(other);
    return *this;
}

PSMShadow::~PSMShadow() {}

int PSMShadow::getDataSize() { return static_cast<int>(sizeof(PSMDESC)); }

}  // namespace effector
