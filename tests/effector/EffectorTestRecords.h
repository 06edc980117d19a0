#pragma once
// Record builders shared by the effector framework tests.
#include <cstring>

#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/fog/ExclusionDesc.h"
#include "enviro/lighting/LightDesc.h"

namespace effector_test {

inline effector::LIGHTDESC makeLight(signed char type, Math::Vector3f pos, Math::Vector3f color, float maxRadius,
                                     unsigned int lightId = 0) {
    effector::LIGHTDESC light;
    std::memset(&light, 0, sizeof(light));
    light.dwLightId = lightId;
    light.type = type;
    light.vPos = pos;
    light.vColor = Math::Vector4f(color.x, color.y, color.z, 1.0f);
    light.vDir = Math::Vector4f(0.0f, 1.0f, 0.0f, 0.0f);
    light.fAttenK = 1.0f;
    light.fMaxRadius = maxRadius;
    light.nShadowMatrix = 5;
    light.nShadowSlot = 6;
    return light;
}

inline effector::LIGHTDESC makePointLight(Math::Vector3f pos, float brightness, float maxRadius, unsigned int lightId = 0) {
    return makeLight(effector::LIGHT_POINT, pos, Math::Vector3f(brightness, brightness * 0.5f, 0.0f), maxRadius, lightId);
}

inline effector::SHADOWCASTERDESC makeCaster(int tag) {
    effector::SHADOWCASTERDESC caster;
    std::memset(&caster, 0, sizeof(caster));
    caster.mWorld.set(static_cast<float>(tag));
    caster.bInShadow = static_cast<unsigned char>(tag & 0xFF);
    return caster;
}

inline effector::EXCLUSIONDESC makeVolume(Math::Vector3f center) {
    effector::EXCLUSIONDESC volume;
    volume.vCenter = center;
    volume.vParams = Math::Vector3f(1.0f, 2.0f, 3.0f);
    return volume;
}

}  // namespace effector_test
