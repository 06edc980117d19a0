// Light ranges, attenuation coefficients, the light/sphere test and the light weight.
#include <algorithm>
#include <cmath>

#include "enviro/lighting/LightSource.h"

namespace effector {

namespace {

float brightestChannel(const LIGHTDESC* light) {
    return std::max(light->vColor.x, std::max(light->vColor.y, light->vColor.z));
}

}  // namespace

float LightSource::calcAttenMaxRad(float bright, float) {
    double half = static_cast<double>(bright) * 0.5;
    return static_cast<float>(half * half * half * 400.0 + 0.1);
}

float LightSource::calcAttenKMaxRad(float, float maxRadius) {
    double r = std::max(static_cast<double>(maxRadius), 0.1);
    return static_cast<float>(9.0 / (r * r));
}

float LightSource::calcAttenKLight(float bright) { return calcAttenKMaxRad(0.0f, calcAttenMaxRad(bright, 0.0f)); }

// A null record is left alone.
void LightSource::fillAttenMaxRad(LIGHTDESC* light) {
    if (light) light->fMaxRadius = calcAttenMaxRad(brightestChannel(light), 0.0f);
}

void LightSource::fillAttenKMaxRad(LIGHTDESC* light) {
    if (light) light->fAttenK = light->type < LIGHT_POINT ? 1.0f : calcAttenKMaxRad(0.0f, light->fMaxRadius);
}

// A null light reaches nothing; a null centre is taken as the origin.
bool LightSource::lightCrossSphere(Math::Vector3f* center, float radius, LIGHTDESC* light) {
    if (!light) return false;
    if (light->type <= LIGHT_DIRECTIONAL || radius < 0.001f) return true;
    const Math::Vector3f at = center ? *center : Math::Vector3f(0.0f, 0.0f, 0.0f);
    Math::Vector3f v = light->vPos - at;
    float d = static_cast<float>(std::sqrt(static_cast<double>(Math::dot(v, v))));
    // Only a gap that is certainly below 0 lets the light reach the sphere (NaN ranges do not).
    if (!(d - radius - light->fMaxRadius < 0.0f)) return false;
    if (light->type == LIGHT_POINT) return true;
    if (d < 0.00001f || radius > d) return true;
    Math::Vector3f u = v * (1.0f / d);
    Math::Vector3f axis(light->vDir.x, light->vDir.y, light->vDir.z);
    float cosOff = std::max(-1.0f, std::min(1.0f, Math::dot(axis, u)));
    float offAxis = std::acos(cosOff);
    float angularRadius = std::asin(std::min(1.0f, radius / d));
    return light->fConeAngle > offAxis - angularRadius;
}

float LightSource::getColorLightRatio() { return 2.0f; }

// A null record weighs 0; a null point is taken as the origin (as the manager's query does).
float LightSource::getWeight(void* data, Math::Vector3f* pos, float) {
    const LIGHTDESC* light = static_cast<const LIGHTDESC*>(data);
    if (!light) return 0.0f;
    if (light->type > LIGHT_DIRECTIONAL) {
        if (light->fMaxRadius < 0.001f) return 0.0f;
        const Math::Vector3f at = pos ? *pos : Math::Vector3f(0.0f, 0.0f, 0.0f);
        Math::Vector3f v = at - light->vPos;
        float t = 1.0f - Math::length(v) / light->fMaxRadius;
        return t >= 0.0f ? t * brightestChannel(light) : t;
    }
    if (light->type == LIGHT_DIRECTIONAL) {
        float b = brightestChannel(light);
        return m_bDirectionalFirst ? b + 90000.0f : b;
    }
    return 100000.0f;
}

}  // namespace effector
