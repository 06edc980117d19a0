// Construction, copying and destruction of the light effector.
#include "enviro/lighting/LightSource.h"

#include <cmath>
#include <cstring>

#include "enviro/effector/EffectorType.h"
#include "enviro/host/CountedRef.h"

namespace effector {

LightSource::LightSource()
    : Effector(EFFECTOR_LIGHT),
      m_fSunFlare(0.0f),
      m_fAmbientCubeEffect(0.0f),
      m_bAmbientCube(false),
      m_bDirectionalFirst(true),
      m_nAmbientCubeFace(0),
      m_anLODUsed{0, 0, 0, 0},
      m_anLODCount{4, 8, 16, 32},
      m_afShadowLODY{0.0f, 0.5f, 0.75f, 0.875f},
      m_fDefSpecBright(1.0f),
      m_bDynamicShadowsSmooth(false),
      m_nUsedLightMatrices(0),
      m_prtLights(nullptr),
      m_vRenderedAmbient(0, 0, 0, 0),
      m_vRenderedDirColor(0, 0, 0, 0),
      m_vRenderedDirLight(0, 0, 0, 0),
      m_pLightsSrc(nullptr) {
    std::memset(static_cast<void*>(m_lightMatrices), 0, sizeof(m_lightMatrices));
    createTargets();
    fillShadowLevels();
}

void LightSource::createTargets() {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.createCubeTarget("cube_ambient", kAmbientCubeEdge, RendAPI::FMT_A2B10G10R10);
    api.createCubeTarget("cube_ambient_src", kAmbientCubeEdge, RendAPI::FMT_A2B10G10R10);
    RendAPI::dropCounted(m_prtLights);
    RendAPI::holdCounted(m_prtLights, api.createRenderTarget("m_rtLights", kMaxRenderedLights, kLightRecordHeight,
                                                             RendAPI::FMT_A32B32G32R32F, 1));
}

// Level i of the light shadow atlas starts at 1 - 0.5^i of its height and holds 1 / (0.25 * 0.5^i)
// maps (4, 8, 16, 32).
void LightSource::fillShadowLevels() {
    float top = 0.0f, step = 0.5f;
    for (int i = 0; i < 4; ++i) {
        m_afShadowLODY[i] = top;
        m_anLODCount[i] = static_cast<short>(static_cast<int>(1.0f / (0.25f * std::ldexp(1.0f, -i)) + 0.5f));
        top += step;
        step *= 0.5f;
    }
}

LightSource::LightSource(const LightSource& other)
    : Effector(other),
      m_fSunFlare(other.m_fSunFlare),
      m_fAmbientCubeEffect(other.m_fAmbientCubeEffect),
      m_bAmbientCube(other.m_bAmbientCube),
      m_bDirectionalFirst(other.m_bDirectionalFirst),
      m_strAmbientCube(other.m_strAmbientCube),
      m_nAmbientCubeFace(other.m_nAmbientCubeFace),
      m_shadowKeys(other.m_shadowKeys),
      m_fDefSpecBright(other.m_fDefSpecBright),
      m_bDynamicShadowsSmooth(other.m_bDynamicShadowsSmooth),
      m_nUsedLightMatrices(other.m_nUsedLightMatrices),
      m_prtLights(other.m_prtLights),
      m_lights(other.m_lights),
      m_vRenderedAmbient(other.m_vRenderedAmbient),
      m_vRenderedDirColor(other.m_vRenderedDirColor),
      m_vRenderedDirLight(other.m_vRenderedDirLight),
      m_pLightsSrc(other.m_pLightsSrc) {
    std::memcpy(m_anLODUsed, other.m_anLODUsed, sizeof(m_anLODUsed));
    std::memcpy(m_anLODCount, other.m_anLODCount, sizeof(m_anLODCount));
    std::memcpy(m_afShadowLODY, other.m_afShadowLODY, sizeof(m_afShadowLODY));
    std::memcpy(static_cast<void*>(m_lightMatrices), other.m_lightMatrices, sizeof(m_lightMatrices));
    if (m_prtLights) m_prtLights->acquire();
}

LightSource& LightSource::operator=(const LightSource& other) {
    if (this == &other) return *this;
    Effector::operator=(other);
    m_fSunFlare = other.m_fSunFlare;
    m_fAmbientCubeEffect = other.m_fAmbientCubeEffect;
    m_bAmbientCube = other.m_bAmbientCube;
    m_bDirectionalFirst = other.m_bDirectionalFirst;
    m_strAmbientCube = other.m_strAmbientCube;
    m_nAmbientCubeFace = other.m_nAmbientCubeFace;
    m_shadowKeys = other.m_shadowKeys;
    std::memcpy(m_anLODUsed, other.m_anLODUsed, sizeof(m_anLODUsed));
    std::memcpy(m_anLODCount, other.m_anLODCount, sizeof(m_anLODCount));
    std::memcpy(m_afShadowLODY, other.m_afShadowLODY, sizeof(m_afShadowLODY));
    m_fDefSpecBright = other.m_fDefSpecBright;
    m_bDynamicShadowsSmooth = other.m_bDynamicShadowsSmooth;
    std::memcpy(static_cast<void*>(m_lightMatrices), other.m_lightMatrices, sizeof(m_lightMatrices));
    m_nUsedLightMatrices = other.m_nUsedLightMatrices;
    RendAPI::holdCounted(m_prtLights, other.m_prtLights);
    m_lights = other.m_lights;
    m_vRenderedAmbient = other.m_vRenderedAmbient;
    m_vRenderedDirColor = other.m_vRenderedDirColor;
    m_vRenderedDirLight = other.m_vRenderedDirLight;
    m_pLightsSrc = other.m_pLightsSrc;
    return *this;
}

LightSource::~LightSource() {
    RendAPI::dropCounted(m_prtLights);
}

int LightSource::getDataSize() { return static_cast<int>(sizeof(LIGHTDESC)); }

void LightSource::setSunFlare(float flare) { m_fSunFlare = flare; }

float LightSource::getSunFlare() { return m_fSunFlare; }

}  // namespace effector
