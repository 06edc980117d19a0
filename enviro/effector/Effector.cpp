#include "enviro/effector/Effector.h"

namespace effector {

Effector::Effector(int type) : m_nType(type) {}

Effector::Effector(const Effector& other) : m_nType(other.m_nType) {}

Effector& Effector::operator=(const Effector& other) {
    m_nType = other.m_nType;
    return *this;
}

Effector::~Effector() {}

float Effector::getWeight(void*, Math::Vector3f*, float) { return 1.0f; }

int Effector::getDataSize() { return 0; }

void Effector::freeData(void*) {}

}  // namespace effector
