#pragma once
// Test access to the astronomy manager's state (the manager names this class its friend).
#include "enviro/astro/AstroManager.h"

namespace Astro {

class AstroManagerProbe {
public:
    static double mjd(const AstroManager& m) { return m.m_dMJD; }
    static double baseLatitude(const AstroManager& m) { return m.m_dBaseLatitude; }
    static double baseLongitude(const AstroManager& m) { return m.m_dBaseLongitude; }
    static float timezone(const AstroManager& m) { return m.m_fTimezone; }
    static const BITMAP_& lightBitmap(const AstroManager& m) { return m.m_bmpLight; }
    static size_t starRecordCount(const AstroManager& m) { return m.m_vpStars.size(); }
    static const StarRecord* starRecord(const AstroManager& m, size_t i) { return m.m_vpStars[i]; }
    static float moonBlend(const AstroManager& m) { return m.m_fMoonBlend; }
    // Puts the sun, the moon and the moon's phase in the caches, as if just computed.
    static void place(AstroManager& m, const Math::Vector<3, float>& sun, const Math::Vector<3, float>& moon, double phase = 0.0) {
        m.m_vSunPos = sun;
        m.m_vMoonPos = moon;
        m.m_dMoonPhase = phase;
        for (auto f : {AstroManager::kDirtySunPos, AstroManager::kDirtyMoonPos, AstroManager::kDirtyMoonPhase}) m.setDirty(f, false);
        m.setDirty(AstroManager::kDirtyMoonAngle, true);
    }
};

}  // namespace Astro
