#include "enviro/astro/AstroManager.h"

namespace Astro {

AstroManager::AstroManager() : m_bInitialised(false) {}

AstroManager::AstroManager(const AstroManager& other) = default;

AstroManager& AstroManager::operator=(const AstroManager& other) = default;

AstroManager::~AstroManager() {}

}  // namespace Astro
