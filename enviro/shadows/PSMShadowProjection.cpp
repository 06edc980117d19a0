// The per-light shadow projections: each shadow-casting spot light of the light effector's
// light-matrix table is drawn into its tile of the light-depth atlas, with the camera placed at
// the light for the duration.
#include "enviro/effector/EffectorMan.h"
#include "enviro/host/Camera.h"
#include "enviro/host/Math3D.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"

namespace effector {

namespace {

// Atlas levels stacked from the top; level l holds maps of (atlas width) >> (l + 2) texels.
constexpr int kAtlasLevels = 4;
constexpr int kSlotIndexBits = 5;
constexpr int kSlotIndexMask = (1 << kSlotIndexBits) - 1;

LightSource* lightEffector() {
    return effectorInstance<LightSource>(EFFECTOR_LIGHT);
}

}  // namespace

short PSMShadow::getShadowsProjCount(bool clear) {
    if (!m_rtLightsDepth.get()) return 0;
    if (clear) {
        RendAPI::IRenderApi& api = RendAPI::renderApi();
        api.setRenderTargets(m_rtLightsDepth.get(), nullptr, nullptr);
        api.setDepthSurface(m_surfDepth.get());
        api.clearColor(1.0f, 1.0f, 1.0f, 1.0f);
        api.clearDepth(1.0f);
        api.resetRenderTarget();
        api.resetDepthSurface();
    }
    LightSource* lights = lightEffector();
    return lights ? lights->getUsedLightMatrices() : 0;
}

bool PSMShadow::beginShadowProj(short lightIndex) {
    if (m_bShadowProjOpen || !m_rtLightsDepth.get()) return false;
    LightSource* lights = lightEffector();
    TLightMatrixData* entry = lights ? lights->getLightMatrix(lightIndex) : nullptr;
    cam::SMCamera* camera = cam::currentCamera();
    if (!entry || !camera || entry->nSlot < 0) return false;
    const int level = entry->nSlot >> kSlotIndexBits;
    const int index = entry->nSlot & kSlotIndexMask;
    if (level >= kAtlasLevels) return false;

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    m_pCamera = camera;
    api.setRenderTargets(m_rtLightsDepth.get(), nullptr, nullptr);
    api.setDepthSurface(m_surfDepth.get());
    saveCamera();

    const LIGHTDESC& light = entry->light;
    camera->setAspect(1.0f);
    camera->setFov(2.0f * light.fConeAngle);
    camera->setNear(0.01f * light.fMaxRadius);
    camera->setFar(light.fMaxRadius);
    const double position[4] = {light.vPos.x, light.vPos.y, light.vPos.z, 0.0};
    camera->setPosition(position);
    // The light's inverse view with its x and z axes exchanged (and the new z turned around).
    Math::Matrix4f orientation = entry->mViewInv;
    for (int c = 0; c < 4; ++c) {
        orientation.m[0][c] = entry->mViewInv.m[2][c];
        orientation.m[2][c] = -entry->mViewInv.m[0][c];
    }
    camera->setOrientation(&orientation);

    const int atlasWidth = m_rtLightsDepth.getWidth();
    const int atlasHeight = m_rtLightsDepth.getHeight();
    const int size = atlasWidth >> (level + 2);
    const float* levelTop = lights->getShadowLODY();
    api.setViewport(index * size, static_cast<int>(atlasHeight * levelTop[level] + 0.5f), size, size);

    const int levelWidth = atlasWidth >> level;
    m_vShadowBias = Math::Vector4f(0.01f, 3.0f, levelWidth > 0 ? 2.0f / levelWidth : 0.0f, 0.0f);
    m_vShadowBiasDir = Math::Vector3f(-light.vDir.x, -light.vDir.y, -light.vDir.z);
    m_pLightSpace = &entry->mViewProj;
    _3DMath::matrixInverse(&m_mLightSpaceInv, nullptr, m_pLightSpace);
    m_bActive = true;
    m_bFrontSide = 1;
    m_bDepthRender = 1;
    m_bShadowProjOpen = true;
    return true;
}

void PSMShadow::endShadowProj() {
    if (!m_bShadowProjOpen) return;
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.resetRenderTarget();
    api.resetDepthSurface();
    restoreCamera();
    m_bShadowProjOpen = false;
}

void PSMShadow::saveCamera() {
    double position[4];
    m_pCamera->getPosition(position);
    m_vSavedCamPos = Math::Vector4f(static_cast<float>(position[0]), static_cast<float>(position[1]),
                                    static_cast<float>(position[2]), static_cast<float>(position[3]));
    m_mSavedCamRot = m_pCamera->getOrientation();
    m_fSavedAspect = m_pCamera->getAspect();
    m_fSavedFov = m_pCamera->getFov();
    m_fSavedNear = m_pCamera->getNear();
    m_fSavedFar = m_pCamera->getFar();
}

void PSMShadow::restoreCamera() {
    m_pCamera->setAspect(m_fSavedAspect);
    m_pCamera->setFov(m_fSavedFov);
    m_pCamera->setNear(m_fSavedNear);
    m_pCamera->setFar(m_fSavedFar);
    const double position[4] = {m_vSavedCamPos.x, m_vSavedCamPos.y, m_vSavedCamPos.z, m_vSavedCamPos.w};
    m_pCamera->setPosition(position);
    m_pCamera->setOrientation(&m_mSavedCamRot);
}

}  // namespace effector
