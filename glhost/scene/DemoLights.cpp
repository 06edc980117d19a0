#include "glhost/scene/DemoLights.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "enviro/lighting/LightSource.h"

namespace glhost {

namespace {

using namespace effector;

constexpr int kStreets = 7;                // per direction, 45 m apart
constexpr float kFirstStreet = -135.0f;
constexpr float kStreetSpacing = 45.0f;
constexpr float kStreetLength = 270.0f;
constexpr int kLampsPerStreet = DemoLights::kLamps / (2 * kStreets);
constexpr float kLampHeight = 7.0f;
constexpr float kCarSpeed = 9.0f;          // metres per second
constexpr float kDusk = 0.06f;             // sine of the sun's height where the lights start to come on

LIGHTDESC spot(uint32_t id, const Math::Vector3f& at, const Math::Vector3f& toward, const Math::Vector3f& color,
               float range, float halfAngle) {
    const float n = std::sqrt(toward.x * toward.x + toward.y * toward.y + toward.z * toward.z);
    LIGHTDESC l;
    std::memset(&l, 0, sizeof(l));
    l.dwLightId = id;
    l.type = LIGHT_SPOT;
    l.vPos = at;
    l.vColor = Math::Vector4f(color.x, color.y, color.z, 1.0f);
    // The axis points back to the light: the light shines along -vDir.
    l.vDir = Math::Vector4f(-toward.x / n, -toward.y / n, -toward.z / n, 0.0f);
    l.fMaxRadius = range;
    l.fAttenK = LightSource::calcAttenKMaxRad(0.0f, range);
    l.fConeAngle = halfAngle;
    l.fConeEdge = 0.6f;
    l.nShadowMatrix = l.nShadowSlot = -1;
    return l;
}

// Street s (0..13): the first seven run along x at z = const, the others along z.
Math::Vector3f streetPoint(int s, float along, float aside) {
    const float line = kFirstStreet + kStreetSpacing * float(s % kStreets);
    const float t = kFirstStreet + along;
    return s < kStreets ? Math::Vector3f(t, 0.0f, line + aside) : Math::Vector3f(line + aside, 0.0f, t);
}

}  // namespace

void DemoLights::update(double seconds, float sunElevation, std::vector<LIGHTDESC>& lights) {
    const float on = std::clamp((kDusk - sunElevation) / kDusk, 0.0f, 1.0f);
    if (on <= 0.0f) {
        lights.clear();
        return;
    }
    lights.resize(kCount);
    const Math::Vector3f lampColor = Math::Vector3f(0.36f, 0.25f, 0.13f) * on;
    const Math::Vector3f down(0.0f, -1.0f, 0.0f);
    for (int i = 0; i < kLamps; ++i) {
        const int street = i / kLampsPerStreet, k = i % kLampsPerStreet;
        const float along = (float(k) + 0.5f) * kStreetLength / kLampsPerStreet;
        Math::Vector3f at = streetPoint(street, along, (k % 2 ? 3.0f : -3.0f));
        at.y = kLampHeight;
        lights[size_t(i)] = spot(uint32_t(i + 1), at, down, lampColor, 20.0f, 0.95f);
    }
    // The first kShadowedLamps lamps in the square round the central crossing cast shadows.
    for (int i = 0, shadowed = 0; i < kLamps && shadowed < kShadowedLamps; ++i) {
        LIGHTDESC& l = lights[size_t(i)];
        if (std::fabs(l.vPos.x) + std::fabs(l.vPos.z) >= 75.0f) continue;
        l.flags |= LIGHTFLAG_SHADOW;
        ++shadowed;
    }
    const Math::Vector3f headColor = Math::Vector3f(0.9f, 0.85f, 0.75f) * on;
    for (int c = 0; c < kCars; ++c) {
        const int street = c % (2 * kStreets);
        const int direction = (c / (2 * kStreets)) % 2 ? -1 : 1;
        const float phase = float(c) * 61.7f;
        const float travelled = std::fmod(float(seconds) * kCarSpeed + phase, kStreetLength);
        const float along = direction > 0 ? travelled : kStreetLength - travelled;
        const float lane = 1.8f * float(direction);
        Math::Vector3f ahead = street < kStreets ? Math::Vector3f(float(direction), -0.08f, 0.0f)
                                                 : Math::Vector3f(0.0f, -0.08f, float(direction));
        for (int h = 0; h < 2; ++h) {
            Math::Vector3f at = streetPoint(street, along, lane + (h ? 0.7f : -0.7f));
            at.y = 0.7f;
            lights[size_t(kLamps + 2 * c + h)] = spot(uint32_t(kLamps + 2 * c + h + 1), at, ahead, headColor, 30.0f, 0.45f);
        }
    }
}

}  // namespace glhost
