// The shadow-map effector's render targets: the directional map of the chosen quality, the
// light-depth atlas of the per-light projections and the depth surface they share.
#include <algorithm>

#include "enviro/shadows/PSMShadow.h"

namespace effector {

namespace {

constexpr short kMaxQuality = 6;
constexpr short kMaxLightsQuality = 2;
// Qualities 1..3 draw into a hardware depth texture, 4..6 into a float colour target.
constexpr short kFirstFloatQuality = 4;
// Side of the map at the lowest quality of either path; each step up doubles it.
constexpr int kBaseMapSize = 1024;

short clampShort(short value, short low, short high) { return std::min(std::max(value, low), high); }

// The map's side: 1024 doubled per quality step, lowered to the device's largest texture.
int mapSize(short quality) {
    const int steps = quality < kFirstFloatQuality ? quality : quality - (kFirstFloatQuality - 1);
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    int size = kBaseMapSize << steps;
    size = std::min(size, api.getMaxTextureWidth());
    size = std::min(size, api.getMaxTextureHeight());
    return std::max(size, 1);
}

}  // namespace

void PSMShadow::initShadows(short quality, short lightsQuality) {
    quality = clampShort(quality, 0, kMaxQuality);
    lightsQuality = clampShort(lightsQuality, 0, kMaxLightsQuality);
    const bool floatPath = quality >= kFirstFloatQuality;
    if (quality > 0 && !(floatPath ? m_bFloatTargetSupport : m_bDepthTexSupport)) quality = 0;
    m_nQuality = quality;

    // Targets of another quality must not survive a change: the depth passes tell the path by
    // which targets exist.
    uninitShadows();
    if (quality == 0) {
        m_vSmoothOffs = Math::Vector4f(2.0f / kBaseMapSize, 2.0f / kBaseMapSize, 1.0f, 0.0f);
        return;
    }

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    const int size = mapSize(quality);
    if (floatPath) {
        m_rtDepth.set(api.createRenderTarget("psm_depth", size, size, RendAPI::FMT_R32F, 1));
        m_rtDepthOrtho.set(api.createRenderTarget("psm_depth_ortho", size, size, RendAPI::FMT_R16F, 1));
    } else {
        m_rtColor.set(api.createRenderTarget("psm_color", size, size, RendAPI::FMT_R5G6B5, 1));
        m_texDepthOrtho.set(api.createDepthTexture("psm_depth_ortho", size, size, RendAPI::FMT_D16));
        m_texDepth.set(api.createDepthTexture("psm_depth", size, size, RendAPI::FMT_D16));
    }
    if (lightsQuality > 0)
        m_rtLightsDepth.set(api.createRenderTarget("m_rtLightsDepth", size >> (2 - lightsQuality),
                                                   size >> (3 - lightsQuality), RendAPI::FMT_R32F, 1));
    if (floatPath || lightsQuality > 0)
        m_surfDepth.set(api.createDepthSurface("psm_surface", size, size, RendAPI::FMT_D16, 0));
    m_vSmoothOffs = Math::Vector4f(2.0f / size, 2.0f / size, 1.0f, floatPath ? 0.0f : 1.0f);
}

void PSMShadow::uninitShadows() {
    m_rtColor.release();
    m_texDepthOrtho.release();
    m_texDepth.release();
    m_rtDepth.release();
    m_rtDepthOrtho.release();
    m_rtLightsDepth.release();
    m_surfDepth.release();
}

}  // namespace effector
