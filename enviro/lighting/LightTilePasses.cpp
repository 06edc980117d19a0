// The per-tile passes of the light list: which lights touch which tile (occlusion), the depth
// range of the scene in each tile, and the list itself, built one layer per light and copied into
// the list's grid of 16 layers across.
#include <cmath>

#include "enviro/effector/EffectorMan.h"
#include "enviro/host/Camera.h"
#include "enviro/host/RenderClients.h"
#include "enviro/lighting/LightPassTargets.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

namespace effector {

namespace {

constexpr int kPerRow = SLightsTextures::kLightsPerRow;

// value rounded half up to an int, 0 when it is not a finite number within the int range.
int roundHalfUp(double value) {
    if (!(value > -2147483648.0 && value < 2147483647.0)) return 0;
    return static_cast<int>(value + 0.5);
}

// 1 / the current camera's aspect; 1 without a camera or with an aspect that has no inverse.
float inverseCameraAspect() {
    cam::SMCamera* camera = cam::currentCamera();
    const float aspect = camera ? camera->getAspect() : 1.0f;
    const float inv = 1.0f / aspect;
    return std::isfinite(inv) ? inv : 1.0f;
}

const SSDTextures* screenDepthSet() {
    PSMShadow* shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    return shadow ? shadow->getScreenDepthSrc() : nullptr;
}

// The texel-centred top-left corner of list layer j, and one texel, in list texture coordinates.
Math::Vector4f layerCorner(const SLightsTextures& set, int j, float listWidth, float listHeight) {
    return Math::Vector4f((set.m_nTilesX * (j % kPerRow) + 0.5f) / listWidth,
                          (set.m_nTilesY * (j / kPerRow) + 0.5f) / listHeight, 1.0f / listWidth, 1.0f / listHeight);
}

}  // namespace

void LightSource::renderOcclusionFast() {
    renderBase::ISysLightRender* client = renderBase::findClient<renderBase::ISysLightRender>();
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    const SLightsTextures& set = *m_pLightsSrc;
    const float aspect = static_cast<float>(set.m_nHeight) / static_cast<float>(set.m_nWidth);
    const float invAspect = inverseCameraAspect();
    const int viewportWidth = api.getViewport().width;
    const float tileShare = viewportWidth > 0 ? static_cast<float>(set.m_nTileSize) / viewportWidth : 0.0f;
    const Math::Vector2f params(tileShare, tileShare / aspect * invAspect);

    detail::beginLightPass(set.m_prtOcclusion);
    api.clearColor(1.0f, 0.0f, 0.5f, 1.0f);
    const int count = m_lights.count();
    for (int first = 0; first < count; first += kLightBatch) {
        const int n = count - first < kLightBatch ? count - first : kLightBatch;
        api.setViewport(0, (first / kPerRow) * set.m_nTilesY, n * set.m_nTilesX, set.m_nTilesY);
        if (client) client->renderOcclusion(m_prtLights, first, n, invAspect, &params);
    }
    detail::endLightPass();
}

bool LightSource::renderDepthRange() {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    const SLightsTextures& set = *m_pLightsSrc;
    detail::beginLightPass(set.m_prtDepthRange);
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);

    const SSDTextures* ssd = screenDepthSet();
    RendAPI::ITexture* depth = ssd && ssd->m_prtScreenDepth ? ssd->m_prtScreenDepth->get() : nullptr;
    if (!depth) depth = api.getDefaultTexture();
    const Math::Vector4f rect = ssd ? ssd->m_vRect : Math::Vector4f(0.0f, 0.0f, 1.0f, 1.0f);

    // Depth texels across one tile, rounded to a power of two in the logarithmic sense.
    const int pixels = roundHalfUp(depth->getWidth() * static_cast<double>(rect.z));
    const short perTile = static_cast<short>(roundHalfUp(static_cast<double>(set.m_nTileSize) * pixels / set.m_nWidth));
    renderBase::ISysLightRender* client = renderBase::findClient<renderBase::ISysLightRender>();
    if (perTile < 1 || !set.m_prtDepthRange) {
        detail::endLightPass();
        return false;
    }
    const int samples = 1 << roundHalfUp(std::log(static_cast<double>(perTile)) * 1.442695);
    api.setViewport(0, 0, set.m_nTilesX, set.m_nTilesY);
    if (client) client->renderDepthRange(samples, depth, &rect);
    detail::endLightPass();
    return true;
}

void LightSource::renderLightsList() {
    renderBase::ISysLightRender* client = renderBase::findClient<renderBase::ISysLightRender>();
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    const SLightsTextures& set = *m_pLightsSrc;
    const int count = m_lights.count();
    const int layers = count < set.m_nMaxLights ? count : set.m_nMaxLights;

    api.setRenderTargets(set.m_prtLightsList, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    api.resetRenderTarget();
    api.setRenderTargets(set.m_prtLightsTemp, nullptr, nullptr);
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    api.setViewport(0, 0, set.m_nTilesX, set.m_nTilesY);

    const float listWidth = static_cast<float>(set.m_prtLightsList->getWidth());
    const float listHeight = static_cast<float>(set.m_prtLightsList->getHeight());
    const RendAPI::Rect layerRect = {0, 0, set.m_nTilesX, set.m_nTilesY};
    for (int k = 0; set.m_prtLightsTemp && k < layers; ++k) {
        const Math::Vector4f prev =
            k == 0 ? Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f) : layerCorner(set, k - 1, listWidth, listHeight);
        if (client) client->renderListLayer(count, set.m_prtOcclusion, set.m_prtDepthRange, set.m_prtLightsList, &prev);
        const int left = (k % kPerRow) * set.m_nTilesX, top = (k / kPerRow) * set.m_nTilesY;
        const RendAPI::Rect gridRect = {left, top, left + set.m_nTilesX, top + set.m_nTilesY};
        api.copyRect(set.m_prtLightsTemp, set.m_prtLightsList, 0, &layerRect, &gridRect);
    }
    api.resetRenderTarget();

    if (layers > 0) {
        api.setRenderTargets(set.m_prtLightsList, nullptr, nullptr);
        api.setViewport(0, 0, set.m_nTilesX, set.m_nTilesY);
        if (client) client->finishList(set.m_prtLightsTemp);
        api.resetRenderTarget();
    }
    api.resetDepthSurface();
}

}  // namespace effector
