#include "enviro/shadows/SSDTextures.h"

#include <new>

#include "enviro/effector/CountedTargetName.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/host/RenderClients.h"

namespace effector {

namespace {

// A new wrapper holding the created object (or nothing when creation failed; the failure is
// reported with message). Null only when the wrapper itself cannot be allocated. The names of
// these targets are fixed, but each one draws a number from the counter of per-screen target
// names, as the light-list targets do.
graphics::RenderTarget* wrapCreated(RendAPI::ITexture* object, const char* message) {
    skipCountedTargetName();
    if (!object) os::MessageBox(message);
    return new (std::nothrow) graphics::RenderTarget(object);
}

graphics::RenderTarget* createColorTarget(const char* name, int width, int height, int format,
                                          const char* message) {
    return wrapCreated(RendAPI::renderApi().createRenderTarget(name, width, height, format, 1), message);
}

void releaseWrapper(graphics::RenderTarget*& wrapper) {
    if (wrapper) wrapper->release();
    delete wrapper;
    wrapper = nullptr;
}

void clearTarget(renderBase::ISysPostEffect* post, const graphics::RenderTarget* wrapper) {
    static const Math::Vector4f kZero(0.0f, 0.0f, 0.0f, 0.0f);
    if (wrapper && wrapper->get()) post->clearTarget(wrapper->get(), &kZero);
}

}  // namespace

SSDTextures::SSDTextures()
    : m_vRect(0.0f, 0.0f, 0.0f, 0.0f),
      m_prtScreenNormal(nullptr),
      m_prtScreenDepth(nullptr),
      m_prtEdges(nullptr),
      m_psurfScreenDepth(nullptr) {}

SSDTextures::SSDTextures(const SSDTextures& other) = default;

SSDTextures& SSDTextures::operator=(const SSDTextures& other) {
    m_vRect = other.m_vRect;
    m_prtScreenNormal = other.m_prtScreenNormal;
    m_prtScreenDepth = other.m_prtScreenDepth;
    m_prtEdges = other.m_prtEdges;
    m_psurfScreenDepth = other.m_psurfScreenDepth;
    return *this;
}

SSDTextures::~SSDTextures() {}

bool SSDTextures::init(short width, short height, bool edges) {
    int w = width, h = height;
    while (w > kMaxWidth || h > kMaxHeight) {
        w >>= 1;
        h >>= 1;
    }
    m_prtScreenNormal = createColorTarget("m_prtScreenNormal", w, h, RendAPI::FMT_A8R8G8B8,
                                          "Can not create m_prtScreenNormal color surface");
    m_prtScreenDepth = createColorTarget("m_prtScreenDepth", w, h, edges ? RendAPI::FMT_G16R16F : RendAPI::FMT_R16F,
                                         "Can not create m_prtScreenDepth color surface");
    if (edges)
        m_prtEdges = createColorTarget("m_prtEdges", w, h, RendAPI::FMT_R5G6B5,
                                       "Can not create m_prtEdges color surface");
    m_psurfScreenDepth =
        wrapCreated(RendAPI::renderApi().createDepthSurface("m_psurfScreenDepth", w, h, RendAPI::FMT_D24X8, 0),
                    "Can not create m_psurfScreenDepth depth surface");
    if (w > 0 && h > 0) m_vRect = Math::Vector4f(0.5f / w, 0.5f / h, 1.0f, 1.0f);
    return true;
}

void SSDTextures::clear() {
    renderBase::ISysPostEffect* post = renderBase::findClient<renderBase::ISysPostEffect>();
    if (!post) return;
    clearTarget(post, m_prtScreenNormal);
    clearTarget(post, m_prtScreenDepth);
    clearTarget(post, m_prtEdges);
}

void SSDTextures::uninit() {
    releaseWrapper(m_prtScreenNormal);
    releaseWrapper(m_prtScreenDepth);
    releaseWrapper(m_psurfScreenDepth);
    releaseWrapper(m_prtEdges);
}

}  // namespace effector
