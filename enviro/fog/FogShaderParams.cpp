// The fog effector's shader constant "g_FogDesc": six vectors uploaded in one call.
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/host/RenderApi.h"
#include "enviro/host/Shader.h"

namespace effector {

namespace {

constexpr int kFogDescCount = 6;

// The reflection effector instance of the manager, or null.
ReflectionEffector* reflectionInstance() {
    return effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION);
}

}  // namespace

// Layout: [0] haze knee (dist, value, 0, 0), [1] ground fog plane, [2] ground fog colour,
// [3] ground fog settings, [4] haze densities and exponent, [5] distance parameters.
// A reflection pass (the clip-plane switch is on) draws a flat grey haze without the knee, its
// distance scale following the reflection range.
void FogEffector::applyFogParams(graphics::Shader* shader, bool bIgnoreReflection) {
    if (!shader) return;
    const graphics::Shader::Handle handle = shader->getParameterByName(0, "g_FogDesc");
    if (!handle) return;

    Math::Vector4f desc[kFogDescCount] = {
        Math::Vector4f(m_fogDesc.fHazeKneeDist, m_fogDesc.fHazeKneeValue, 0.0f, 0.0f),
        GetFogLayerPlane(),
        m_fogDesc.vLayerFogColor,
        GetFogLayerSettings(),
        m_fogDesc.vFogColor,
        GetDistanceParam(),
    };
    if (!bIgnoreReflection && RendAPI::renderApi().isClipPlaneEnabled()) {
        desc[0] = Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
        desc[4] = Math::Vector4f(0.5f, 0.5f, 0.5f, 1.0f);
        if (ReflectionEffector* reflection = reflectionInstance())
            desc[5].x = 1.0f / reflection->getReflectionRange();
    }
    shader->setVectorArray(handle, desc, kFogDescCount);
}

}  // namespace effector
