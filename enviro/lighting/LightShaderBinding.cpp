// Lights handed to shaders: per object through fixed constant arrays (forward shading), and the
// last rendered frame's textures, directional light and list layout for screen-space shading.
#include <algorithm>

#include "enviro/effects/ReflectionEffector.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/host/ShaderParams.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"

namespace effector {

namespace {

constexpr int kMax = LightSource::kMaxBoundLights;
constexpr float kShaderTagRed = 100.0f;

// Scratch storage of setLight, shared by every call (render thread only).
Math::Vector4f s_avLightPos[kMax];
Math::Vector4f s_avLightColor[kMax];
Math::Vector4f s_avConeDir[kMax];

const Math::Vector4f kZero(0.0f, 0.0f, 0.0f, 0.0f);

// Writes light into entry i of the scratch arrays in the shaders' encoding.
void encodeLight(const LIGHTDESC& light, int i) {
    const float cone = light.type == LIGHT_SPOT ? light.fConeAngle : 0.0f;
    s_avLightPos[i] = Math::Vector4f(light.vPos.x, light.vPos.y, light.vPos.z, light.type + cone);
    float red = light.vColor.x;
    if (light.flags & LIGHTFLAG_SHADERTAG) red = std::max(red, 0.0f) + kShaderTagRed;
    const float alpha = light.type > LIGHT_DIRECTIONAL ? light.fAttenK : 1.0f;
    s_avLightColor[i] = Math::Vector4f(red, light.vColor.y, light.vColor.z, alpha);
    s_avConeDir[i] = Math::Vector4f(light.vDir.x, light.vDir.y, light.vDir.z, light.fConeEdge);
}

// Fills entries from the front of the weighted list with the lights that reach the sphere, at most
// n of them; an ambient light sets ambient instead. Returns the number of entries written.
int collectLights(EffectorMan::DataList* list, Math::Vector3f* pos, float radius, int n, Math::Vector4f& ambient) {
    int taken = 0;
    for (int i = 0; list && i < list->count() && taken < n; ++i) {
        LIGHTDESC* light = static_cast<LIGHTDESC*>((*list)[i]);
        if (!light) continue;
        if (light->type == LIGHT_AMBIENT) {
            ambient = light->vColor;
        } else if (LightSource::lightCrossSphere(pos, radius, light)) {
            encodeLight(*light, taken++);
        }
    }
    return taken;
}

// Is the reflection effector drawing a cube face?
bool inCubePass() {
    ReflectionEffector* reflection = effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION);
    return reflection && reflection->getCurrentRenderCube();
}

}  // namespace

void LightSource::setLight(graphics::Shader* shader, Math::Vector3f* pos, float radius, Math::Vector4f* difColor,
                           Math::Vector4f* specColor, short maxLights) {
    if (!shader) return;
    Math::Vector3f origin(0.0f, 0.0f, 0.0f);
    if (!pos) pos = &origin;
    Math::Vector4f ambient = kZero;
    graphics::setShaderVector(shader, "ambient", ambient);
    EffectorMan::DataList* list = effectorMan ? effectorMan->getWeightedEffectorList(pos, EFFECTOR_LIGHT, 1) : nullptr;

    const int n = std::min<int>(std::max<int>(maxLights, 0), kMax);
    std::fill(s_avLightPos, s_avLightPos + n, kZero);
    std::fill(s_avLightColor, s_avLightColor + n, kZero);
    std::fill(s_avConeDir, s_avConeDir + n, kZero);
    const int taken = collectLights(list, pos, radius, n, ambient);
    if (ambient != kZero) graphics::setShaderVector(shader, "ambient", ambient);

    graphics::setShaderVectorArray(shader, "g_avLightPos", s_avLightPos, n);
    graphics::setShaderVectorArray(shader, "g_avLightColor", s_avLightColor, n);
    graphics::setShaderVectorArray(shader, "g_avConeDir", s_avConeDir, n);
    const float c = static_cast<float>(taken);
    graphics::setShaderVector(shader, "lightCount", Math::Vector4f(c, c, c, c));
    if (difColor) graphics::setShaderVector(shader, "difColor", *difColor);
    if (specColor) graphics::setShaderVector(shader, "specColor", *specColor);
}

void LightSource::setSSLight(graphics::Shader* shader, bool enable, float direct) {
    if (!shader) return;
    RendAPI::ITexture* list = m_pLightsSrc ? m_pLightsSrc->m_prtLightsList : nullptr;
    if (!enable) {
        graphics::setShaderTexture(shader, "g_tLightsList", nullptr);
        graphics::setShaderTexture(shader, "g_tLightsInfo", nullptr);
        graphics::setShaderTexture(shader, "g_tLightsShadows", nullptr);
        return;
    }
    const Math::Vector4f& a = m_vRenderedAmbient;
    const Math::Vector4f& d = m_vRenderedDirColor;
    const Math::Vector4f sum = a + d;
    graphics::setShaderVector(shader, "ambient", (a - sum) * direct + sum);
    graphics::setShaderVector(shader, "g_vDefLightDir", m_vRenderedDirLight);
    graphics::setShaderVector(shader, "g_vDefLightColor", d * direct);
    graphics::setShaderVector(shader, "g_vDefSpecColor", d * direct * m_fDefSpecBright);
    graphics::setShaderTexture(shader, "g_tLightsList", list);
    graphics::setShaderTexture(shader, "g_tLightsInfo", m_prtLights);

    RendAPI::ITexture* atlas = nullptr;
    if (m_nUsedLightMatrices != 0 && !inCubePass()) atlas = RendAPI::renderApi().findTexture("m_rtLightsDepth");
    graphics::setShaderTexture(shader, "g_tLightsShadows", atlas);

    Math::Vector4f settings[6] = {
        getListRect(),
        getListRect2(),
        Math::Vector4f(m_afShadowLODY[0], m_afShadowLODY[1], m_afShadowLODY[2], m_afShadowLODY[3]),
        Math::Vector4f(0.25f, 0.125f, 0.0625f, 0.03125f),
        Math::Vector4f(0.5f, 0.25f, 0.125f, 0.0625f),
        kZero,
    };
    if (atlas) {
        const float w = static_cast<float>(atlas->getWidth()), h = static_cast<float>(atlas->getHeight());
        settings[5] = Math::Vector4f(w, h, 1.0f / w, 1.0f / h);
    }
    graphics::setShaderVectorArray(shader, "g_LightListSettings", settings, 6);
}

void LightSource::getRenderedDirLight(Math::Vector4f* dir, Math::Vector4f* color, Math::Vector4f* spec) {
    if (dir) *dir = m_vRenderedDirLight;
    if (color) *color = m_vRenderedDirColor;
    if (spec) *spec = m_vRenderedDirColor * m_fDefSpecBright;
}

}  // namespace effector
