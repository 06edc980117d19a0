// The astronomy manager's planets where they stand in the sky (configuration ApparentPlanets = 1).
#include "enviro/astro/AstroManager.h"
#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Kepler.h"
#include "enviro/astro/PlanetApparentPlace.h"
#include "enviro/astro/PlanetMagnitude.h"

namespace Astro {

void AstroManager::placeApparentPlanets() {
    const double year = 2000.0 + m_dT * 100.0;
    for (int body = 1; body < kBodyCount; ++body) {
        if (body == kEarth) continue;
        const PlanetApparentPlace p = planetApparentPlace(body, m_dT);
        m_avPlanets[body] = coordsToPlane(p.direction);
        m_afPlanetMagnitudes[body] =
            static_cast<float>(planetMagnitude(body, p.sunDistanceAu, p.distanceAu, p.phaseAngle, year));
    }
}

}  // namespace Astro
