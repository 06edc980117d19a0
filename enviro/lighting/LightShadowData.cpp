// LightSource::updateShadowData and friends: levels of detail, atlas slots and shadow matrices
// of the shadow-casting spot lights.
#include <algorithm>
#include <cmath>

#include "enviro/effector/EffectorMan.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/Math3D.h"
#include "enviro/host/RenderApi.h"
#include "enviro/lighting/LightShadowGeometry.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"

namespace effector {

namespace {

constexpr const char* kAtlasName = "m_rtLightsDepth";
constexpr int kLevels = 4;
constexpr unsigned kMaxKeyIndex = 0xFFFF;  // the key keeps the light's index in 16 bits

// Every active light loses its shadow fields.
void clearShadowFields(EffectorMan::DataList& lights) {
    for (int i = 0; i < lights.count(); ++i) {
        LIGHTDESC* light = static_cast<LIGHTDESC*>(lights[i]);
        light->nShadowMatrix = -1;
        light->nShadowSlot = -1;
    }
}

bool castsShadow(const LIGHTDESC& light) { return light.type == LIGHT_SPOT && (light.flags & LIGHTFLAG_SHADOW); }

}  // namespace

float LightSource::getShadowDistanceCone(Math::Vector3f* p, LIGHTDESC* light) {
    return detail::shadowDistanceCone(*p, *light);
}

float LightSource::getShadowDistanceConeRay(Math::Vector3f* p, LIGHTDESC* light) {
    return detail::shadowDistanceConeRay(*p, *light);
}

unsigned short LightSource::getShadowLOD(Math::Vector3f* camPos, LIGHTDESC* light, long maxSize) {
    const float d = getShadowDistanceCone(camPos, light);
    const float r = getShadowDistanceConeRay(camPos, light);
    const float size = std::sin(light->fConeAngle) * light->fMaxRadius * 2.0f;  // lit disc at full range
    cam::SMCamera* camera = cam::currentCamera();
    const float widthFactor = camera ? camera->getViewWidthFactor() : 1.0f;
    const float viewportWidth = static_cast<float>(RendAPI::renderApi().getViewport().width);
    const float unit = 15.0f / viewportWidth * widthFactor * (d + 1.0f);  // world size of 15 pixels
    const int level = detail::shadowLevel(size, unit, maxSize);
    return static_cast<unsigned short>(level * 256 + detail::shadowBucket(r));
}

void LightSource::CalcConePM(LIGHTDESC* light, Math::Matrix4f* view, Math::Matrix4f* viewInv,
                             Math::Matrix4f* viewProj) {
    Math::Matrix4f proj;
    detail::coneView(*light, view);
    detail::coneProjection(*light, &proj);
    Math::multiply(viewProj, view, &proj);
    _3DMath::matrixInverse(viewInv, nullptr, view);
}

void LightSource::updateShadowData() {
    m_shadowKeys.clear();
    m_nUsedLightMatrices = 0;
    cam::SMCamera* camera = cam::currentCamera();
    RendAPI::ITexture* atlas = RendAPI::renderApi().findTexture(kAtlasName);
    PSMShadow* shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    if (!atlas || !shadow || !camera) return;
    Math::Vector3f camPos = cam::cameraDrawingPosition(camera);
    const float shadowRange = shadow->getDesc()->fShadowDistance;
    const long maxSize = atlas->getWidth() / 4;

    EffectorMan::DataList& lights = *effectorMan->getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0);
    clearShadowFields(lights);
    const unsigned count = std::min(static_cast<unsigned>(lights.count()), kMaxKeyIndex + 1);
    for (unsigned i = 0; i < count; ++i) {
        LIGHTDESC* light = static_cast<LIGHTDESC*>(lights[i]);
        if (!castsShadow(*light)) continue;
        const unsigned lod = getShadowLOD(&camPos, light, maxSize);
        if (shadowRange > static_cast<float>(lod & 0xFF) * 10.0f) m_shadowKeys.append((lod << 16) | i);
    }
    // Level, then distance bucket, ascending; the light index in the low bits keeps the order
    // of equal levels and buckets that of the list.
    std::sort(m_shadowKeys.data(), m_shadowKeys.data() + m_shadowKeys.count());

    std::fill(m_anLODUsed, m_anLODUsed + kLevels, static_cast<short>(0));
    for (int k = 0; k < m_shadowKeys.count() && m_nUsedLightMatrices < kMaxLightMatrices; ++k) {
        const unsigned key = m_shadowKeys[k];
        LIGHTDESC* light = static_cast<LIGHTDESC*>(lights[static_cast<int>(key & 0xFFFF)]);
        TLightMatrixData& entry = m_lightMatrices[m_nUsedLightMatrices];
        entry.light = *light;
        CalcConePM(light, &entry.mView, &entry.mViewInv, &entry.mViewProj);
        // A full level passes the light on to the next, smaller one.
        int level = static_cast<int>(key >> 24);
        while (m_anLODUsed[level] >= m_anLODCount[level] && level < kLevels - 1) ++level;
        const short slot = static_cast<short>(level * 32 + m_anLODUsed[level]);
        m_anLODUsed[level] += 1;
        entry.nSlot = slot;
        light->nShadowSlot = slot;
        light->nShadowMatrix = m_nUsedLightMatrices;
        m_nUsedLightMatrices += 1;
    }
}

void LightSource::resetShadowData() {
    m_nUsedLightMatrices = 0;
    if (effectorMan) clearShadowFields(*effectorMan->getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0));
}

TLightMatrixData* LightSource::getLightMatrix(short i) {
    const unsigned short index = static_cast<unsigned short>(i);
    return index < kMaxLightMatrices ? &m_lightMatrices[index] : nullptr;
}

}  // namespace effector
