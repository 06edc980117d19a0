// The astronomy manager's night sky: the star list with the planets, the Milky Way directions.
#include "enviro/astro/AstroManager.h"
#include "enviro/astro/CatalogFrame.h"
#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Kepler.h"
#include "enviro/astro/PlanetSeries.h"

namespace Astro {

namespace {

// How the planets appear in the star list: magnitude and colour (alpha 0 marks a planet).
struct PlanetLook {
    int body;
    float magnitude;
    float red, green, blue;
};

constexpr PlanetLook kPlanetLooks[] = {
    {1, 0.0f, 0.77f, 0.88f, 0.1f},  // Mercury
    {2, 0.0f, 1.0f, 0.89f, 0.77f},  // Venus
    {4, 0.0f, 1.0f, 0.6f, 0.55f},   // Mars
    {5, 0.0f, 1.0f, 0.92f, 0.83f},  // Jupiter
    {6, 0.0f, 1.0f, 0.95f, 0.69f},  // Saturn
    {7, 3.0f, 0.79f, 0.95f, 0.74f}, // Uranus
    {8, 5.0f, 0.44f, 0.88f, 0.88f}, // Neptune
    {9, 5.0f, 1.0f, 1.0f, 1.0f},    // Pluto
};

// Catalogue positions (hours, minutes, seconds; degrees, arcminutes, arcseconds) of the two Milky
// Way directions.
double rightAscension(double h, double m, double s) { return hoursFromHMS(h, m, s) * 15.0 * Rad; }
double declination(double d, double m, double s) { return hoursFromHMS(d, m, s) * Rad; }

}  // namespace

std::vector<STARDESC>* AstroManager::getStars() {
    if (!m_bInitialised || !isDirty(kDirtyStars)) return &m_vStars;

    m_vStars.clear();  // keeps its storage: after the first build a rebuild allocates nothing
    try {
        m_vStars.reserve(m_vpStars.size() + sizeof(kPlanetLooks) / sizeof(kPlanetLooks[0]));
    } catch (...) {  // std::bad_alloc: an empty list now, and the next call tries again
        return &m_vStars;
    }
    for (const StarRecord* star : m_vpStars) {
        STARDESC d;
        d.vPos = coordsToPlane(starApparentDirection(*star));
        d.fMagnitude = static_cast<float>(star->dMagnitude);
        d.vColor = Math::Vector<4, float>(star->vColor[0], star->vColor[1], star->vColor[2], star->vColor[3]);
        m_vStars.push_back(d);
    }
    updatePlanets();
    for (const PlanetLook& look : kPlanetLooks) {
        STARDESC d;
        d.vPos = m_avPlanets[look.body];
        d.fMagnitude = m_bApparentPlanets ? m_afPlanetMagnitudes[look.body] : look.magnitude;
        d.vColor = Math::Vector<4, float>(look.red, look.green, look.blue, 0.0f);
        m_vStars.push_back(d);
    }
    setDirty(kDirtyStars, false);
    return &m_vStars;
}

bool AstroManager::needStarsUpdate() {
    if (!m_bInitialised) return false;
    const bool needed = isDirty(kDirtyNeedStarsUpdate);
    setDirty(kDirtyNeedStarsUpdate, false);
    return needed;
}

void AstroManager::updatePlanets() {
    if (!isDirty(kDirtyPlanets)) return;
    m_avPlanets[0] = getSunPos();
    if (m_bApparentPlanets) {
        placeApparentPlanets();
    } else {
        for (int body = 1; body < kBodyCount; ++body) {
            if (body == kEarth) continue;
            // The heliocentric ecliptic vector goes to the world frame as it is.
            m_avPlanets[body] = coordsToPlane(planetPosition(body, m_dT));
        }
    }
    m_avPlanets[kEarth] = Math::Vector<3, float>(0.0f, -1.0f, 0.0f);
    setDirty(kDirtyPlanets, false);
}

Math::Vector<3, float> AstroManager::milkyWayDirection(double ra, double dec) const {
    return coordsToPlane(catalogDirectionToDate(ra, dec));
}

Math::Vector<3, float> AstroManager::getMilkyPole() {
    if (!m_bInitialised) return Math::Vector<3, float>(0, 0, 0);
    if (isDirty(kDirtyMilkyPole)) {
        m_vMilkyPole = milkyWayDirection(rightAscension(17, 45, 30), declination(-28, 56, 0));
        setDirty(kDirtyMilkyPole, false);
    }
    return m_vMilkyPole;
}

Math::Vector<3, float> AstroManager::getMilkyCenter() {
    if (!m_bInitialised) return Math::Vector<3, float>(0, 0, 0);
    if (isDirty(kDirtyMilkyCenter)) {
        m_vMilkyCenter = milkyWayDirection(rightAscension(12, 51, 24), declination(27, 7, 0));
        setDirty(kDirtyMilkyCenter, false);
    }
    return m_vMilkyCenter;
}

}  // namespace Astro
