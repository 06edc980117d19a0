// Geometry of the spot-light shadows: cone and axis distances, atlas levels, cone matrices.
#include "enviro/lighting/LightShadowGeometry.h"

#include <algorithm>
#include <cmath>

#include "enviro/host/Math3D.h"

namespace effector {
namespace detail {

namespace {
constexpr float kHalfPi = 1.5707964f;

Math::Vector3f axisOf(const LIGHTDESC& light) { return Math::Vector3f(-light.vDir.x, -light.vDir.y, -light.vDir.z); }
}  // namespace

float shadowDistanceCone(const Math::Vector3f& p, const LIGHTDESC& light) {
    const Math::Vector3f v = p - light.vPos;
    const float d = Math::length(v);
    const Math::Vector3f u = d > 0.0f ? v * (1.0f / d) : v;
    // acos of a dot product a rounding step beyond +-1 would be NaN.
    const float c = std::max(-1.0f, std::min(1.0f, Math::dot(u, axisOf(light))));
    const float theta = std::acos(c) - (light.fConeEdge + 1.0f) * light.fConeAngle * 0.5f;
    const float range = light.fMaxRadius;
    if (theta < 0.0f && d < range) return 0.0f;
    if (theta >= kHalfPi) return d;
    // Distance to the side line of the cone in the plane of p and the axis, and the position
    // of p's foot along that line.
    const float s = std::sin(theta) * d;
    const float a = std::sqrt(std::max(d * d - s * s, 0.0f));
    if (theta >= 0.0f && a < range) return s;
    if (theta < 0.0f) return d - range;
    return std::sqrt(std::max((a - range) * (a - range) + s * s, 0.0f));
}

float shadowDistanceConeRay(const Math::Vector3f& p, const LIGHTDESC& light) {
    const Math::Vector3f axis = axisOf(light);
    const Math::Vector3f v = p - light.vPos;
    const float t = Math::dot(v, axis);
    if (t <= 0.0f) return Math::length(v);
    if (t >= light.fMaxRadius) return Math::length(v - axis * light.fMaxRadius);
    return std::sqrt(std::max(Math::dot(v, v) - t * t, 0.0f));
}

int shadowLevel(float size, float unit, long maxSize) {
    if (maxSize < 1) maxSize = 1;
    // Clamp in float before converting: a NaN or huge ratio must not reach the int conversion.
    const float texels = size / unit + 0.5f;
    long n = 1;
    if (texels >= static_cast<float>(maxSize))
        n = maxSize;
    else if (texels >= 1.0f)
        n = static_cast<long>(texels);
    const long q = maxSize / n;
    for (int level = 0; level < 3; ++level)
        if ((1L << level) >= q) return level;
    return 3;
}

int shadowBucket(float rayDistance) {
    const float b = rayDistance * 0.1f;
    if (b >= 0.0f && b < 255.0f) return static_cast<int>(b);
    return b < 0.0f ? 0 : 255;
}

void coneView(const LIGHTDESC& light, Math::Matrix4f* view) {
    const Math::Vector3f up = std::fabs(light.vDir.y) >= 0.99f ? Math::Vector3f(1.0f, 0.0f, 0.0f)
                                                               : Math::Vector3f(0.0f, 1.0f, 0.0f);
    const Math::Vector3f target = light.vPos + axisOf(light);
    _3DMath::matrixLookAtLH(&light.vPos, &target, &up, view);
}

void coneProjection(const LIGHTDESC& light, Math::Matrix4f* proj) {
    // The negative aspect mirrors the map horizontally, as the shadow lookups expect.
    _3DMath::matrixPerspectiveFovLH(light.fConeAngle * 2.0f, -1.0f, light.fMaxRadius * 0.01f, light.fMaxRadius,
                                    proj);
}

}  // namespace detail
}  // namespace effector
