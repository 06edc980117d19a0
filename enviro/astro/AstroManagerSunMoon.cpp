// The astronomy manager's sun and moon: world directions, the moon's phase and lit side.
#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/LunarSeries.h"
#include "enviro/astro/SolarSeries.h"
#include "enviro/host/Math3D.h"

namespace Astro {

namespace {

constexpr float kHalfPiF = 1.5707964f;                         // single-precision π/2
constexpr float kTwoPiF = 6.2831855f;                          // single-precision 2π
constexpr float kSunOffsetDeadZone = 0.01f;                    // radians
constexpr double kSunLightTimeCenturies = 1.5818693436763253e-7;  // 499.2 s
constexpr double kThreeHalfPi = 4.71238898038469;
constexpr double kPi = 3.141592653589793;

// asin that tolerates single-precision components a hair beyond ±1.
float elevationOf(float y) { return std::asin(std::fmax(-1.0f, std::fmin(1.0f, y))); }

}  // namespace

Math::Vector<3, float> AstroManager::getSunPos() {
    if (!m_bInitialised) return Math::Vector<3, float>(0, 0, 0);
    if (!isDirty(kDirtySunPos)) return m_vSunPos;

    const Math::Vector<3, float> p = coordsToPlane(sunEquatorial(m_dT));
    m_vSunPos = p;
    if (std::fabs(m_fSunOffset) > kSunOffsetDeadZone) {
        const float azimuth = _3DMath::Get2DAngle(p.z, p.x);
        float elevation = elevationOf(p.y) + m_fSunOffset;
        elevation = std::fmax(-kHalfPiF, std::fmin(kHalfPiF, elevation));
        m_vSunPos = Math::Vector<3, float>(std::cos(elevation) * std::cos(azimuth), std::sin(elevation),
                                           std::cos(elevation) * std::sin(azimuth));
    }
    setDirty(kDirtySunPos, false);
    return m_vSunPos;
}

Math::Vector<3, float> AstroManager::getMoonPos() {
    if (!m_bInitialised) return Math::Vector<3, float>(0, 0, 0);
    if (isDirty(kDirtyMoonPos)) {
        m_vMoonPos = coordsToPlane(moonEquatorial(m_dT));
        setDirty(kDirtyMoonPos, false);
    }
    return m_vMoonPos;
}

double AstroManager::getMoonPhase() {
    if (!m_bInitialised) return 0.0;
    if (!isDirty(kDirtyMoonPhase)) return m_dMoonPhase;

    const double sunLongitude = solarEclipticPolar(m_dT - kSunLightTimeCenturies).phi;
    const double moonLongitude = lunarEclipticPolar(m_dT).phi;
    double d = sunLongitude - moonLongitude;
    if (d > kPi) d -= 2.0 * kPi;
    if (d < -kPi) d += 2.0 * kPi;
    m_dMoonPhase = std::fabs(d) / kPi;
    setDirty(kDirtyMoonPhase, false);
    return m_dMoonPhase;
}

double AstroManager::getMoonAngle() {
    if (!m_bInitialised) return 0.0;
    if (!isDirty(kDirtyMoonAngle)) return m_dMoonAngle;

    const Math::Vector<3, float> m = getMoonPos();
    const Math::Vector<3, float> s = getSunPos();
    // The disc's right and up directions as seen from the ground, world up (0, 1, 0) as reference.
    const Math::Vector<3, float> right = Math::normalizeOrKeep(Math::Vector<3, float>(-m.z, 0.0f, m.x));
    const Math::Vector<3, float> up = Math::normalizeOrKeep(Math::cross(right, m));
    const float q1 = Math::dot(up, s);
    const float q2 = Math::dot(right, s);
    float alpha = _3DMath::Get2DAngle(q2, q1);
    if (alpha < 0.0f) alpha += kTwoPiF;
    m_dMoonAngle = kThreeHalfPi - alpha;
    setDirty(kDirtyMoonAngle, false);
    return m_dMoonAngle;
}

}  // namespace Astro
