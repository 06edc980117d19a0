#include "ToneMap.h"

#include <algorithm>
#include <cmath>

namespace skytool {

namespace {

// The sky model's luminance spans little between noon (about 0.8 at the zenith's surroundings)
// and deep twilight (about 0.01), and is zero at night. A fixed exposure on a steepened luminance
// (L^1.4) spreads that range over the display: day bright, twilight dusky, night dark.
constexpr float kExposure = 1.3f;
constexpr float kContrast = 1.4f;
// Limiting magnitude against the sky's luminance: 6.5 on a dark sky (up to kDarkSky), 1.0 at
// kTwilightSky, falling on (log-linear) toward negative magnitudes by day.
constexpr float kDarkSky = 0.003f;
constexpr float kTwilightSky = 0.15f;
constexpr float kDarkLimit = 6.5f;
constexpr float kTwilightLimit = 1.0f;

float srgb(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

}  // namespace

ToneMap::ToneMap() : m_exposure(kExposure) {}

Rgb ToneMap::map(const Math::Vector<3, float>& linear) const {
    const float l = luminance(linear);
    if (!(l > 0.0f) || !std::isfinite(l)) return {0, 0, 0};
    const float x = m_exposure * std::pow(l, kContrast);
    const float scale = x / (1.0f + x) / l;
    return {srgb(linear.x * scale), srgb(linear.y * scale), srgb(linear.z * scale)};
}

float ToneMap::limitingMagnitude(float l) {
    if (!(l > kDarkSky)) return kDarkLimit;
    const float t = std::log(l / kDarkSky) / std::log(kTwilightSky / kDarkSky);
    return kDarkLimit - (kDarkLimit - kTwilightLimit) * t;
}

}  // namespace skytool
