// Screen-space ambient occlusion: two screen-sized targets filled by the renderer's post effects
// from the screen normals and depth, or with white while occlusion is off.
#include <algorithm>
#include <new>

#include "enviro/host/OperatingSystem.h"
#include "enviro/host/RenderClients.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

namespace effector {

namespace {

RendAPI::ITexture* objectOf(const graphics::RenderTarget* wrapper) { return wrapper ? wrapper->get() : nullptr; }

// A new wrapper around a new R5G6B5 target (holding nothing when creation failed, which is
// reported with message). Null only when the wrapper itself cannot be allocated.
graphics::RenderTarget* createOcclusionTarget(const char* name, int width, int height, const char* message) {
    RendAPI::ITexture* object = RendAPI::renderApi().createRenderTarget(name, width, height, RendAPI::FMT_R5G6B5, 1);
    if (!object) os::MessageBox(message);
    return new (std::nothrow) graphics::RenderTarget(object);
}

void releaseWrapper(graphics::RenderTarget*& wrapper) {
    if (wrapper) wrapper->release();
    delete wrapper;
    wrapper = nullptr;
}

}  // namespace

void PSMShadow::initSSAO(short width, short height) {
    int w = width, h = height;
    while (w > SSDTextures::kMaxWidth || h > SSDTextures::kMaxHeight) {
        w >>= 1;
        h >>= 1;
    }
    m_prtSSAOSrc = createOcclusionTarget("m_prtSSAOSrc", w, h, "Can not create m_prtSSAOSrc color surface");
    m_prtSSAO = createOcclusionTarget("m_prtSSAO", w, h, "Can not create m_prtSSAO color surface");
    if (w > 0 && h > 0) m_vSSAORect = Math::Vector4f(0.5f / w, 0.5f / h, 1.0f, 1.0f);
}

void PSMShadow::closeSSAO() {
    releaseWrapper(m_prtSSAOSrc);
    releaseWrapper(m_prtSSAO);
}

void PSMShadow::updateSSAO(unsigned char samples, float radius) {
    if (!m_prtSSAOSrc || !m_pScreenDepthSrc) return;
    renderBase::ISysPostEffect* post = renderBase::findClient<renderBase::ISysPostEffect>();
    if (!post) return;
    RendAPI::ITexture* result = objectOf(m_prtSSAO);
    RendAPI::ITexture* scratch = objectOf(m_prtSSAOSrc);
    if (!result || !scratch) return;  // a target could not be created
    if (m_bSSAOActive) {
        RendAPI::ITexture* normals = objectOf(m_pScreenDepthSrc->m_prtScreenNormal);
        RendAPI::ITexture* depth = objectOf(m_pScreenDepthSrc->m_prtScreenDepth);
        if (!normals || !depth) return;
        const Math::Vector4f& srcRect = m_pScreenDepthSrc->m_vRect;
        const int n = std::min(static_cast<int>(samples), kMaxSSAOSamples);
        post->computeSSAO(normals, depth, &srcRect, result, &m_vSSAORect, n, radius);
        post->depthGuidedFilter(result, depth, &srcRect, scratch, &m_vSSAORect);
        post->copyBack(scratch, result, &srcRect, 1.0f, 1, 1);
    } else {
        static const Math::Vector4f kWhite(1.0f, 1.0f, 1.0f, 1.0f);
        post->clearTarget(result, &kWhite);
        post->clearTarget(scratch, &kWhite);
    }
}

RendAPI::ITexture* PSMShadow::getSSAOTexture() {
    RendAPI::ITexture* texture = objectOf(m_prtSSAO);
    return texture ? texture : RendAPI::renderApi().getDefaultTexture();
}

Math::Vector4f PSMShadow::getSSAORect() {
    return m_bSSAOActive ? m_vSSAORect : Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
}

}  // namespace effector
