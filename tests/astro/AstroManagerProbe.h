#pragma once
// Test access to the astronomy manager's state (the manager names this class its friend).
#include "enviro/astro/AstroManager.h"

namespace Astro {

class AstroManagerProbe {
public:
    static double mjd(const AstroManager& m) { return m.m_dMJD; }
    static double centuries(const AstroManager& m) { return m.m_dT; }
    static double gmst(const AstroManager& m) { return m.m_dGMST; }
    static bool updateAll(const AstroManager& m) { return m.m_bUpdateAll; }
    static double baseLatitude(const AstroManager& m) { return m.m_dBaseLatitude; }
    static double baseLongitude(const AstroManager& m) { return m.m_dBaseLongitude; }
    static double latitude(const AstroManager& m) { return m.m_dLatitude; }
    static double longitude(const AstroManager& m) { return m.m_dLongitude; }
    static float timezone(const AstroManager& m) { return m.m_fTimezone; }
    static const BITMAP_& lightBitmap(const AstroManager& m) { return m.m_bmpLight; }
    static size_t starRecordCount(const AstroManager& m) { return m.m_vpStars.size(); }
    static const StarRecord* starRecord(const AstroManager& m, size_t i) { return m.m_vpStars[i]; }
    static const UniformCurve* sunlightCurve(const AstroManager& m) { return m.m_pSunlightCurve; }
    static const UniformCurve* solarCurve(const AstroManager& m) { return m.m_pSolarCurve; }
    static Math::Vector<3, float> planetSlot(const AstroManager& m, int body) { return m.m_avPlanets[body]; }
    static bool planetsDirty(const AstroManager& m) { return m.isDirty(AstroManager::kDirtyPlanets); }
    static int dirtyCount(const AstroManager& m) {
        int n = 0;
        for (int f = 0; f < AstroManager::kDirtyFlagCount; ++f) n += m.isDirty(static_cast<AstroManager::DirtyFlag>(f));
        return n;
    }
    static Math::Vector<3, float> coordsToPlane(const AstroManager& m, const Vec3D& v) { return m.coordsToPlane(v); }
    // Puts given sun and moon directions in the caches, so that getMoonAngle works from them.
    static void seedSunAndMoon(AstroManager& m, const Math::Vector<3, float>& sun, const Math::Vector<3, float>& moon) {
        m.m_vSunPos = sun;
        m.m_vMoonPos = moon;
        m.setDirty(AstroManager::kDirtySunPos, false);
        m.setDirty(AstroManager::kDirtyMoonPos, false);
        m.setDirty(AstroManager::kDirtyMoonAngle, true);
    }
};

}  // namespace Astro
