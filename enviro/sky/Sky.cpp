#include "enviro/sky/Sky.h"

namespace enviro {

Sky::Sky() : m_bInitialized(false) {}

Sky::Sky(const Sky& other) = default;

Sky& Sky::operator=(const Sky& other) = default;

Sky::~Sky() {}

}  // namespace enviro
