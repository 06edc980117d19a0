// The fog effector's derived values: overcast, visibility, turbidity, vapour, haze, ground fog.
#include <algorithm>
#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/host/CameraFrame.h"

namespace effector {

namespace {

// Visibility of 15000 units maps to 1 in the turbidity, vapour and overcast ramps.
constexpr float kInvVisibilityScale = 6.666667e-5f;
// Smallest visibility any division uses.
constexpr float kMinVisibility = 1e-3f;
// Base of the ground fog's extinction law, as the shaders use it.
constexpr double kLayerFogBase = 2.718;

float clamp01(float v) { return std::min(std::max(v, 0.0f), 1.0f); }

Math::Vector3f normalized(const Math::Vector3f& v) { return Math::normalizeOrKeep(v); }

// Heights in the camera frame (see CameraFrame.h): the camera's world height, and the height of
// the drawing frame's origin, which turns world heights into drawing-frame heights.
float cameraWorldHeight() { return static_cast<float>(cam::cameraWorldPosition().y); }
float drawingOriginHeight() { return static_cast<float>(cam::drawingFrameOrigin().y); }

// The light and ambient colours of the day, zero while there is no astronomy manager.
void dayLight(Math::Vector4f* light, Math::Vector4f* ambient) {
    *light = *ambient = Math::Vector4f(0, 0, 0, 0);
    if (!g_AstroManager) return;
    *light = g_AstroManager->getLightColor();
    *ambient = g_AstroManager->getAmbientColor();
}

}  // namespace

float FogEffector::GetOvercastDensity() const {
    const float visibility = std::min(m_fogDesc.fFogDistance * kInvVisibilityScale, 1.0f);
    return clamp01((1.0f - visibility - 0.2f) * 1.25f);
}

float FogEffector::GetOvercastK() const {
    const float above = cameraWorldHeight() - m_fogDesc.fLayerBottom;
    if (!(m_fogDesc.fLayerThickness > 0.0f)) return above <= 0.0f ? 1.0f : 0.0f;
    return clamp01(1.0f - above / m_fogDesc.fLayerThickness);
}

float FogEffector::GetFogComplexDistance() const {
    const float d = m_fogDesc.fFogDistance;
    if (d >= 15000.0f) return d;
    const float k = GetOvercastK();
    if (k >= 0.5f) return (2.0f * (k - 0.5f)) * (d - 10.0f) + 10.0f;
    return 35000.0f - 2.0f * k * 34990.0f;
}

float FogEffector::GetTurbidityK() const {
    return 1.0f - std::min(GetFogComplexDistance() * kInvVisibilityScale, 1.0f);
}

float FogEffector::GetVapor() const {
    return std::max(0.0f, 1.0f - GetFogComplexDistance() * kInvVisibilityScale) * GetOvercastK();
}

Math::Vector4f FogEffector::GetDistanceParam() const {
    const float d = std::max(GetFogComplexDistance(), kMinVisibility);
    const float eighth = d * 0.125f;
    return Math::Vector4f(1.0f / d, 1.0f / eighth, d - eighth,
                          (1.0f - std::min(d * kInvVisibilityScale, 1.0f)) * 0.5f + 0.25f);
}

Math::Vector4f FogEffector::GetFogLayerPlane() const {
    return Math::Vector4f(0.0f, 1.0f, 0.0f, drawingOriginHeight() - m_fogDesc.fLayerFogHeight);
}

Math::Vector4f FogEffector::GetFogLayerSettings() const {
    const float intensity = m_fogDesc.fLayerFogIntensity;
    return Math::Vector4f(intensity, m_fogDesc.fLayerFogDepth, 0.0125f, intensity < 1e-5f ? 0.0f : 1.0f);
}

// The overcast fades in from a quarter of the layer's thickness below its bottom to an eighth
// above it, and out from an eighth below its top to a quarter above.
Math::Vector4f FogEffector::GetOvercastIntensity() const {
    if (GetOvercastDensity() == 0.0f) return Math::Vector4f(0, 0, 0, 0);
    const float y = drawingOriginHeight();
    const float bottom = m_fogDesc.fLayerBottom, thickness = m_fogDesc.fLayerThickness;
    const float top = bottom + thickness;
    float a = 0.0f;
    if (thickness > 0.0f) {
        const float fadeRange = 0.375f * thickness;
        if (top - 0.125f * thickness > y && y > bottom + 0.125f * thickness)
            a = 1.0f;
        else if (y > top - 0.125f * thickness)
            a = 1.0f - (y - (top - 0.125f * thickness)) / fadeRange;
        else
            a = (y - (bottom - 0.25f * thickness)) / fadeRange;
    }
    return Math::Vector4f(0.98f, 0.98f, 0.98f, clamp01(a));
}

Math::Vector4f FogEffector::GetCloudIntensity() const {
    const Math::Vector4f o = GetOvercastIntensity();
    Math::Vector4f c = m_vCloudIntensity;
    const double weight = static_cast<double>(c.w) + static_cast<double>(o.w);
    if (weight <= 1e-5) {
        c = Math::Vector4f(0, 0, 0, 0);
    } else {
        const float sum = c.w + o.w;
        c.x = (c.w * c.x + o.w * o.x) / sum;
        c.y = (c.w * c.y + o.w * o.y) / sum;
        c.z = (c.w * c.z + o.w * o.z) / sum;
        if (o.w > c.w) c.w = o.w;
    }
    Math::Vector4f light, ambient;
    dayLight(&light, &ambient);
    return Math::Vector4f(std::min(c.x * light.x + ambient.x * 0.5f, 1.0f),
                          std::min(c.y * light.y + ambient.y * 0.5f, 1.0f),
                          std::min(c.z * light.z + ambient.z * 0.5f, 1.0f), std::min(c.w, 1.0f));
}

void FogEffector::GetHazeK(float t, Math::Vector4f* out) const {
    const float kneeDist = m_fogDesc.fHazeKneeDist, kneeValue = m_fogDesc.fHazeKneeValue;
    float u;
    if (kneeDist > t) {
        u = kneeValue / kneeDist * t;
    } else {
        const float rest = 1.0f - kneeDist;
        u = rest > 0.0f ? (t - kneeDist) * (1.0f - kneeValue) / rest + kneeValue : kneeValue;
    }
    const Math::Vector4f& haze = m_fogDesc.vFogColor;
    for (int c = 0; c < 3; ++c) {
        const double density = std::max(static_cast<double>(haze[c]) * u, 0.0);
        (*out)[c] = static_cast<float>(1.0 - std::exp(-std::pow(density, static_cast<double>(haze.w))));
    }
    // Past 80% of the visibility the haze is blended up to 1 at its end.
    if (t > 0.8f && haze.x + haze.y + haze.z > 0.001f)
        for (int c = 0; c < 3; ++c) (*out)[c] = (1.0f - (*out)[c]) * (t - 0.8f) * 5.0f + (*out)[c];
}

float FogEffector::GetLayerFogValue(Math::Vector3f* from, Math::Vector3f* to) const {
    const float plane = m_fogDesc.fLayerFogHeight - drawingOriginHeight();
    const float d1 = from->y - plane, d2 = to->y - plane;
    const Math::Vector3f v = *from - *to;
    const double intensity = GetLayerFogIntensity();
    if (d1 < 0.0f) {  // the path starts inside the fog: negative result
        double length;
        if (d2 >= 0.0f) {
            const Math::Vector3f n = normalized(v);
            length = std::fabs(n.y) > 1e-4f ? d1 / n.y : n.y;
            if (length < 1e-4) return 0.0f;
        } else {
            length = std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                               static_cast<double>(v.z) * v.z);
        }
        return static_cast<float>(std::pow(kLayerFogBase, -intensity * length) - 1.0);
    }
    // The path starts above the fog: positive result, fog counted down to fLayerFogDepth.
    const float m = std::max(d2, -m_fogDesc.fLayerFogDepth);
    if (m >= 0.0f) return 0.0f;
    const Math::Vector3f n = normalized(v);
    if (std::fabs(n.y) <= 1e-4f) return 0.0f;
    const float length = (d1 - m) / n.y - d1 / n.y;
    if (length < 1e-4f) return 0.0f;
    return static_cast<float>(1.0 - std::pow(kLayerFogBase, -intensity * length));
}

void FogEffector::GetFogK(Math::Vector3f* from, Math::Vector3f* to, Math::Vector4f* out) const {
    if (!from || !to || !out) return;
    const Math::Vector3f path = *to - *from;
    const float visibility = std::max(GetFogComplexDistance(), kMinVisibility);
    const float t = clamp01(Math::length(path) / visibility);
    const float desaturation = GetDistanceParam().w;
    GetHazeK(t, out);
    const float grey = (out->x + out->y + out->z) * 0.3333f;
    for (int c = 0; c < 3; ++c) (*out)[c] = (*out)[c] + (grey - (*out)[c]) * desaturation;
    out->w = GetLayerFogValue(from, to);
}

}  // namespace effector
