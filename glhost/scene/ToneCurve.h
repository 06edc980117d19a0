#pragma once
// The scene's display transform on the CPU: exposure, Reinhard's curve on luminance (hue kept,
// channels then limited to 1) and the sRGB encoding. shaders/tonemap.glsl is the same function
// on the GPU; tests compare frames with it.
#include <algorithm>
#include <cmath>

#include "enviro/host/MathVector.h"

namespace glhost {

inline Math::Vector3f toneMap(const Math::Vector3f& linear, float exposure) {
    const Math::Vector3f c(std::max(linear.x, 0.0f) * exposure, std::max(linear.y, 0.0f) * exposure,
                           std::max(linear.z, 0.0f) * exposure);
    const float l = 0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z;
    if (!(l > 0.0f)) return Math::Vector3f(0.0f, 0.0f, 0.0f);
    auto encode = [l](float v) {
        v = std::min(v / (1.0f + l), 1.0f);
        return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
    };
    return Math::Vector3f(encode(c.x), encode(c.y), encode(c.z));
}

}  // namespace glhost
