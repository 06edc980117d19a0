// The fog effector: construction, copies, settings and the cloud-shadow target.
#include "enviro/fog/FogEffector.h"

#include <cmath>

#include "enviro/effector/EffectorType.h"
#include "enviro/host/CountedRef.h"

namespace effector {

using RendAPI::dropCounted;
using RendAPI::holdCounted;

FogEffector::FogEffector() : Effector(EFFECTOR_FOG) { createShadowTexture(); }

FogEffector::FogEffector(const FogEffector& other) : Effector(other) { copyFrom(other); }

FogEffector& FogEffector::operator=(const FogEffector& other) {
    if (this != &other) {
        Effector::operator=(other);
        copyFrom(other);
    }
    return *this;
}

FogEffector::~FogEffector() { releaseTargets(); }

void FogEffector::copyFrom(const FogEffector& other) {
    holdCounted(m_rtCloudVol, other.m_rtCloudVol);
    holdCounted(m_rtCloudDepth, other.m_rtCloudDepth);
    holdCounted(m_rtCloudShadowVol, other.m_rtCloudShadowVol);
    m_vScreenRect = other.m_vScreenRect;
    m_vCloudIntensity = other.m_vCloudIntensity;
    m_mSavedCamRot = other.m_mSavedCamRot;
    m_mCloudShadow = other.m_mCloudShadow;
    for (int i = 0; i < 4; ++i) {
        m_vSavedCamBase[i] = other.m_vSavedCamBase[i];
        m_vSavedCamPos[i] = other.m_vSavedCamPos[i];
    }
    m_fShadowSize = other.m_fShadowSize;
    m_fogDesc = other.m_fogDesc;
    holdCounted(m_rtCloudShadows, other.m_rtCloudShadows);
}

void FogEffector::releaseTargets() {
    dropCounted(m_rtCloudVol);
    dropCounted(m_rtCloudShadowVol);
    dropCounted(m_rtCloudDepth);
    dropCounted(m_rtCloudShadows);
}

// "cld_shadows" starts white: until the host draws clouds into it, nothing is shadowed.
void FogEffector::createShadowTexture() {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    holdCounted(m_rtCloudShadows, api.createRenderTarget("cld_shadows", 1024, 1024, RendAPI::FMT_R5G6B5, 1));
    if (!m_rtCloudShadows) return;
    api.setRenderTargets(m_rtCloudShadows, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    api.clearColor(1.0f, 1.0f, 1.0f, 1.0f);
    api.resetRenderTarget();
    api.resetDepthSurface();
}

void FogEffector::setFogDesc(FOGDESC* desc) {
    if (desc) m_fogDesc = *desc;
}

void FogEffector::SetFogColor(Math::Vector4f* color) {
    if (!color) return;
    const Math::Vector4f d = *color - m_fogDesc.vFogColor;
    const float distance = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z + d.w * d.w);
    if (distance > 0.001f) m_fogDesc.vFogColor = *color;
}

void FogEffector::SetLayerFogColor(Math::Vector4f* color) {
    if (color) m_fogDesc.vLayerFogColor = *color;
}

void FogEffector::SetCloudIntensity(Math::Vector4f* intensity) {
    if (intensity) m_vCloudIntensity = *intensity;
}

}  // namespace effector
