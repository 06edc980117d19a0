// The astronomy manager's scene lighting: the light bitmap, and the ambient and directional
// lights of the day and night computed from the sun, the moon and the overcast.
#include <cmath>
#include <cstring>

#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/LightSource.h"

namespace Astro {

namespace {

using Vector3f = Math::Vector<3, float>;
using Vector4f = Math::Vector<4, float>;

constexpr float kSunElevationScale = 0.63661975f;   // 2/π: elevation as a fraction of a right angle
constexpr float kMoonElevationScale = 0.6289308f;   // the moon ramp's slightly wider scale
constexpr float kLowestElevation = -0.2f;           // 18° below the horizon: column 0
constexpr float kElevationSpan = 0.8333333f;        // 1 / 1.2, from -0.2 .. 1 to 0 .. 1
constexpr float kSwitchThreshold = 0.1f;            // ramp brightness difference that switches at once
constexpr double kBlendPerMillisecond = 8.333333e-06;  // a full crossfade takes 120 s
constexpr float kPi = 3.14159265f;

// Ramp rows of the light bitmap, as fractions of its height in eighths.
int sunRow(int h) { return h / 8; }
int ambientRow(int h) { return 3 * h / 8; }
int ambientCubeRow(int h) { return 5 * h / 8; }
int moonRow(int h) { return 7 * h / 8; }

// Ramp coordinate of a light source at direction.y: 0 at 18° below the horizon or lower, 1 at
// the zenith, spaced by the square root so that low elevations get more of the ramp.
float rampCoordinate(float directionY, float elevationScale) {
    const float y = std::fmax(-1.0f, std::fmin(1.0f, directionY));
    const float e = std::fmax(kLowestElevation, std::asin(y) * elevationScale);
    return std::sqrt((e - kLowestElevation) * kElevationSpan);
}

Vector4f texelAt(const BITMAP_* bitmap, float x, int row) {
    Vector4f c(0, 0, 0, 0);
    GetTexel(bitmap, x, static_cast<float>(row), &c.x, &c.y, &c.z);
    return c;
}

Vector4f texelAt(const BITMAP_* bitmap, int x, int row) {
    Vector4f c(0, 0, 0, 0);
    GetTexel(bitmap, x, row, &c.x, &c.y, &c.z);
    return c;
}

float brightness(const Vector4f& c) { return (c.x + c.y + c.z) * 0.3333f; }

// Moves r, g, b toward their grey mean and alpha toward 0 by amount (0: unchanged, 1: grey).
void desaturate(Vector4f& c, float amount) {
    const float grey = brightness(c);
    c.x += amount * (grey - c.x);
    c.y += amount * (grey - c.y);
    c.z += amount * (grey - c.z);
    c.w += amount * (0.0f - c.w);
}

// Keeps a directional light from shining upward: a source below the horizon lights along the
// ground instead.
Vector3f flattenUpward(Vector3f d) {
    if (d.y > 0.0f) {
        d.y = 0.0f;
        d = Math::normalizeOrKeep(d);
    }
    return d;
}

effector::FogEffector* fogInstance() { return effector::effectorInstance<effector::FogEffector>(effector::EFFECTOR_FOG); }

effector::LightSource* lightInstance() {
    return effector::effectorInstance<effector::LightSource>(effector::EFFECTOR_LIGHT);
}

}  // namespace

// ---- light bitmap ----

void AstroManager::SetLightBMP(BITMAP_* bitmap) {
    if (!bitmap || bitmap->nSize != m_bmpLight.nSize) return;
    if (bitmap->nSize > 0) {
        if (!bitmap->pData || !m_bmpLight.pData) return;
        if (bitmap->pData != m_bmpLight.pData)  // the manager's own record given back: nothing to copy
            std::memcpy(m_bmpLight.pData, bitmap->pData, static_cast<size_t>(bitmap->nSize));
    }
    setDirty(kDirtySunPos, true);
}

void AstroManager::SetLightBMP(const char* fileName) {
    if (!fileName) return;
    m_strLightBMP = fileName;
    FreeBitmap(&m_bmpLight);
    m_bmpLight = BITMAP_{nullptr, 0, 0, 0};
    LoadBitmap24(&m_bmpLight, fileName);
}

const char* AstroManager::getLightBMPFileName() const { return m_strLightBMP.c_str(); }

Math::Vector<4, float> AstroManager::getSunColor(bool) { return Vector4f(0, 0, 0, 0); }

// ---- scene lighting ----

// 1 under a clear sky, falling with the fog's turbidity once there is any overcast.
float AstroManager::clearSkyFactor() const {
    effector::FogEffector* fog = fogInstance();
    if (!fog || fog->GetOvercastDensity() == 0.0f) return 1.0f;
    return 1.0f - fog->GetTurbidityK();
}

// Points the blend at the brighter ramp: at once when they differ by more than the threshold,
// otherwise only its direction of drift.
void AstroManager::chooseSunOrMoon(const Vector4f& sun, const Vector4f& moon) {
    const float a = brightness(sun);
    const float b = brightness(moon);
    if (std::fabs(a - b) <= kSwitchThreshold) {
        m_fMoonBlendDir = b > a ? 1.0f : -1.0f;
    } else if (b > a) {
        m_fMoonBlend = 1.0f;
        m_fMoonBlendDir = 1.0f;
    } else {
        m_fMoonBlend = 0.0f;
        m_fMoonBlendDir = -1.0f;
    }
}

// Drifts the blend by the milliseconds since the last call (none on the first call).
void AstroManager::advanceMoonBlend() {
    const uint32_t now = os::GetTickCount();
    if (m_dwLastTick == 0) m_dwLastTick = now;
    const uint32_t elapsed = now - m_dwLastTick;  // unsigned: wraps correctly past 2^32
    const double step = static_cast<double>(elapsed) * m_fMoonBlendDir * kBlendPerMillisecond;
    const double blend = static_cast<double>(m_fMoonBlend) + step;
    m_fMoonBlend = static_cast<float>(blend < 0.0 ? 0.0 : (blend > 1.0 ? 1.0 : blend));
    m_dwLastTick = now;
}

void AstroManager::storeLights(const Vector3f& direction) const {
    effector::EffectorMan* manager = effector::effectorMan;
    if (!manager) return;

    effector::LIGHTDESC ambient;
    std::memset(&ambient, 0, sizeof ambient);
    ambient.type = effector::LIGHT_AMBIENT;
    ambient.vColor = m_vAmbientColor;
    manager->addLight(&ambient);

    effector::LIGHTDESC sun;
    std::memset(&sun, 0, sizeof sun);
    sun.type = effector::LIGHT_DIRECTIONAL;
    sun.vColor = m_vLightColor;
    sun.vPos = flattenUpward(direction);
    sun.fMaxRadius = 1.0f;
    manager->addLight(&sun);

    manager->setState(effector::EFFECTOR_LIGHT, 1);
}

void AstroManager::applyLighting(float) {
    const float c = clearSkyFactor();
    const int w = m_bmpLight.nWidth;
    const int h = m_bmpLight.nHeight;
    const float lastColumn = static_cast<float>(w - 1);

    // Sun: its elevation picks the column of the ambient, sunlight and ambient-cube ramps.
    const Vector3f sunDir = getSunPos();
    const float sunX = rampCoordinate(sunDir.y, kSunElevationScale) * lastColumn;

    m_vAmbientColor = texelAt(&m_bmpLight, sunX, ambientRow(h)) * 2.0f;
    desaturate(m_vAmbientColor, 1.0f - c);
    m_vLightColor = texelAt(&m_bmpLight, sunX, sunRow(h));
    if (effector::LightSource* lights = lightInstance())
        lights->setAmbientCubeEffect(texelAt(&m_bmpLight, sunX, ambientCubeRow(h)).y);

    // Moon: its own ramp, read at a whole pixel.
    const Vector3f moonDir = getMoonPos();
    const int moonX = static_cast<int>(rampCoordinate(moonDir.y, kMoonElevationScale) * lastColumn);
    const Vector4f moonColor = texelAt(&m_bmpLight, moonX, moonRow(h));

    chooseSunOrMoon(m_vLightColor, moonColor);
    advanceMoonBlend();
    const Vector3f towardSun = -Math::normalizeOrKeep(sunDir);
    const Vector3f towardMoon = -Math::normalizeOrKeep(moonDir);
    const Vector3f direction =
        Math::normalizeOrKeep(towardSun * (1.0f - m_fMoonBlend) + towardMoon * m_fMoonBlend);

    // Moonlight adds to the directional colour, weighted by the square of the phase.
    float phase = static_cast<float>((getMoonPhase() + kPi * 0.5) / kPi);
    phase = std::fmax(0.0f, std::fmin(1.0f, phase));
    const float moonWeight = phase * phase;
    m_vLightColor.x += moonWeight * moonColor.x;
    m_vLightColor.y += moonWeight * moonColor.y;
    m_vLightColor.z += moonWeight * moonColor.z;

    // Overcast moves the directional light into the ambient term.
    const Vector4f light = m_vLightColor * (2.0f * c);
    m_vAmbientColor = m_vAmbientColor + light * (1.0f - c);
    m_vLightColor = light * c;

    storeLights(direction);
}

}  // namespace Astro
