#pragma once
// The astronomy manager: sun, moon, planets and stars for a date, time and place.
#include "enviro/EnviroApi.h"

namespace Astro {

class ENVIRO_API AstroManager {
public:
    AstroManager();
    AstroManager(const AstroManager& other);
    AstroManager& operator=(const AstroManager& other);
    ~AstroManager();

    bool isInitialised() const { return m_bInitialised; }

private:
    bool m_bInitialised;
};

}  // namespace Astro

// The one astronomy manager of the process, created when the module is attached.
ENVIRO_API extern Astro::AstroManager* g_AstroManager;
