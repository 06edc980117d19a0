#include "Fisheye.h"

#include <cmath>

namespace skytool {

namespace {
constexpr float kHalfPi = 1.57079632679f;
}

Fisheye::Fisheye(int size, float margin) : m_centre(size * 0.5f), m_radius(size * 0.5f - margin) {}

bool Fisheye::toPixel(const Math::Vector<3, float>& dir, float& px, float& py) const {
    const float horizontal = std::sqrt(dir.x * dir.x + dir.z * dir.z);
    if (dir.y < 0.0f || (horizontal == 0.0f && dir.y == 0.0f)) return false;
    const float zenithDistance = std::atan2(horizontal, dir.y);
    const float r = zenithDistance / kHalfPi * m_radius;
    const float scale = horizontal > 0.0f ? r / horizontal : 0.0f;
    px = m_centre - dir.z * scale;  // east to the left
    py = m_centre - dir.x * scale;  // north up
    return true;
}

bool Fisheye::toDirection(float px, float py, Math::Vector<3, float>& dir) const {
    const float dx = px - m_centre, dy = py - m_centre;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r > m_radius) return false;
    const float zenithDistance = r / m_radius * kHalfPi;
    const float s = std::sin(zenithDistance);
    dir = Math::Vector<3, float>(r > 0.0f ? -dy / r * s : 0.0f, std::cos(zenithDistance), r > 0.0f ? -dx / r * s : 0.0f);
    return true;
}

}  // namespace skytool
