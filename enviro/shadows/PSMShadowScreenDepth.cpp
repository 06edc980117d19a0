// The screen-depth pass of the shadow-map effector: the host draws normals, linear depth and
// velocity into the targets of its SSDTextures set between beginScreenDepth and endScreenDepth.
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/host/RenderClients.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

namespace effector {

namespace {

// The background fill that marks pixels no geometry covers: they read as this far away.
constexpr float kBackgroundDepth = 100000.0f;
// Arguments of the edge detection and of folding its result into the second depth channel.
constexpr float kEdgeThreshold = 0.05f;
constexpr float kEdgeScale = 1.2f;
constexpr int kCombineMode = 1;

RendAPI::ITexture* objectOf(const graphics::RenderTarget* wrapper) { return wrapper ? wrapper->get() : nullptr; }

// The velocity-field target of the kinematic effector, when the manager has one with a target.
RendAPI::ITexture* velocityTarget() {
    KinematicEffector* kinematic = effectorInstance<KinematicEffector>(EFFECTOR_KINEMATIC);
    graphics::RenderTarget* target = kinematic ? kinematic->getCurVF() : nullptr;
    return objectOf(target);
}

}  // namespace

graphics::RenderTarget* PSMShadow::getScreenNormals() {
    return m_pScreenDepthSrc ? m_pScreenDepthSrc->m_prtScreenNormal : nullptr;
}

graphics::RenderTarget* PSMShadow::getScreenDepth() {
    return m_pScreenDepthSrc ? m_pScreenDepthSrc->m_prtScreenDepth : nullptr;
}

graphics::RenderTarget* PSMShadow::getScreenEdges() {
    return m_pScreenDepthSrc ? m_pScreenDepthSrc->m_prtEdges : nullptr;
}

RendAPI::ITexture* PSMShadow::getDepthTexture() {
    RendAPI::ITexture* texture = objectOf(getScreenDepth());
    return texture ? texture : RendAPI::renderApi().getDefaultTexture();
}

RendAPI::ITexture* PSMShadow::getEdgesTexture() {
    RendAPI::ITexture* texture = objectOf(getScreenEdges());
    return texture ? texture : RendAPI::renderApi().getDefaultTexture();
}

Math::Vector4f PSMShadow::getScreenRect() {
    return m_pScreenDepthSrc ? m_pScreenDepthSrc->m_vRect : Math::Vector4f(0.0f, 0.0f, 1.0f, 1.0f);
}

void PSMShadow::beginScreenDepth() {
    if (!m_pScreenDepthSrc || m_bScreenDepthRender) return;
    RendAPI::ITexture* velocity = velocityTarget();
    m_bSavedActive = m_bActive;
    m_bActive = false;
    clearScreenDepthTargets(velocity);
    bindScreenDepthPass(velocity);
    m_bScreenDepthRender = true;
}

// Normals and velocity cleared to zero; the screen depth filled with the background depth.
void PSMShadow::clearScreenDepthTargets(RendAPI::ITexture* velocity) {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    renderBase::IBkgr* background = renderBase::findClient<renderBase::IBkgr>();

    api.setRenderTargets(objectOf(m_pScreenDepthSrc->m_prtScreenNormal), nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    api.resetRenderTarget();
    if (velocity) {
        api.setRenderTargets(velocity, nullptr, nullptr);
        api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
        api.resetRenderTarget();
    }
    api.resetDepthSurface();

    api.setRenderTargets(objectOf(m_pScreenDepthSrc->m_prtScreenDepth), nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    if (background) {
        const Math::Vector4f backgroundColor(kBackgroundDepth, kBackgroundDepth, kBackgroundDepth, 1.0f);
        background->setColor(&backgroundColor);
        background->drawRect(0, 0, -1, -1, api.getDefaultTexture());
    }
    RendMan::renderMan().flush(1);
    api.resetDepthSurface();
    api.resetRenderTarget();
}

// Normals, depth and velocity as simultaneous targets 0..2 over the used part of the targets.
void PSMShadow::bindScreenDepthPass(RendAPI::ITexture* velocity) {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    const graphics::RenderTarget* normals = m_pScreenDepthSrc->m_prtScreenNormal;
    api.setRenderTargets(objectOf(normals), objectOf(m_pScreenDepthSrc->m_prtScreenDepth), velocity);
    api.setDepthSurface(objectOf(m_pScreenDepthSrc->m_psurfScreenDepth));
    api.clearDepth(1.0f);
    const Math::Vector4f& rect = m_pScreenDepthSrc->m_vRect;
    const int width = normals ? normals->getWidth() : 0;
    const int height = normals ? normals->getHeight() : 0;
    api.setViewport(0, 0, static_cast<int>(width * rect.z + 0.5f), static_cast<int>(height * rect.w + 0.5f));
}

void PSMShadow::endScreenDepth() {
    if (!m_pScreenDepthSrc || !m_bScreenDepthRender) return;
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.resetRenderTarget();
    api.resetDepthSurface();
    detectScreenEdges();
    m_bActive = m_bSavedActive && m_bEnabled;
    m_bScreenDepthRender = false;
    if (renderBase::IBkgr* background = renderBase::findClient<renderBase::IBkgr>()) {
        const Math::Vector4f white(1.0f, 1.0f, 1.0f, 1.0f);
        background->setColor(&white);
    }
}

// Edges from normals and depth, then written into the second channel of the screen depth.
void PSMShadow::detectScreenEdges() {
    RendAPI::ITexture* edges = objectOf(m_pScreenDepthSrc->m_prtEdges);
    renderBase::ISysPostEffect* post = renderBase::findClient<renderBase::ISysPostEffect>();
    if (!edges || !post) return;
    RendAPI::ITexture* normals = objectOf(m_pScreenDepthSrc->m_prtScreenNormal);
    RendAPI::ITexture* depth = objectOf(m_pScreenDepthSrc->m_prtScreenDepth);
    const Math::Vector4f& rect = m_pScreenDepthSrc->m_vRect;
    static const Math::Vector4f kSecondChannel(0.0f, 1.0f, 0.0f, 0.0f);
    post->detectEdges(normals, depth, &rect, edges, &rect, kEdgeThreshold, kEdgeScale);
    post->combine(edges, &rect, depth, &rect, &kSecondChannel, kCombineMode);
}

}  // namespace effector
