// The reference renderer's render API: CPU images in a name registry, strict target stacks.
#include "refhost/RefRenderApi.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace refhost {

namespace {

const int kColorFormats[] = {RendAPI::FMT_A8R8G8B8, RendAPI::FMT_X8R8G8B8, RendAPI::FMT_R5G6B5,
                             RendAPI::FMT_A2B10G10R10, RendAPI::FMT_R16F, RendAPI::FMT_G16R16F,
                             RendAPI::FMT_R32F, RendAPI::FMT_A32B32G32R32F};
const int kDepthFormats[] = {RendAPI::FMT_D24X8, RendAPI::FMT_D16};
const char* const kDefaultTextureName = "<default>";
const int kCubeFaces = 6;

bool isCube(RefObject* object) { return object && object->kind() == RefObjectKind::CubeTarget; }

}  // namespace

RefRenderApi::RefRenderApi() {
    for (int f : kColorFormats) m_support[f] = Support{true, false};
    for (int f : kDepthFormats) m_support[f] = Support{true, true};
    for (auto& p : m_clipPlanes) p = Math::Vector4f(0, 0, 0, 0);

    auto* white = new RefCountedObject<RendAPI::ITexture>(kDefaultTextureName, RefObjectKind::Texture,
                                                          RefImage(RendAPI::FMT_A8R8G8B8, 1, 1, 1), this);
    white->image().write(0, 0, 0, Math::Vector4f(1, 1, 1, 1));
    white->image().setReadOnly(true);  // stays white whatever is drawn into it
    m_default = white;
    m_objects.add(white, false);
}

RefRenderApi::~RefRenderApi() {
    // Drop the renderer's own references; objects nobody else holds die now (into the graveyard).
    m_objects.dropAll();
    m_default->dropReference();
    // What is still alive is held by someone else: it lives on without us.
    m_objects.releaseLiving([](RefObject*) {});
}

// ---------------------------------------------------------------- creation and lookup

bool RefRenderApi::canCreate(const char* name, int width, int height) const {
    if (!name || !*name) return false;
    if (std::find(m_failNames.begin(), m_failNames.end(), name) != m_failNames.end()) return false;
    return width >= 1 && height >= 1 && width <= m_maxWidth && height <= m_maxHeight;
}

template <class Interface>
Interface* RefRenderApi::registerNew(const char* name, RefObjectKind kind, int format, int width, int height,
                                     int faces) {
    auto* object = new RefCountedObject<Interface>(name, kind, RefImage(format, width, height, faces), this);
    m_objects.add(object);  // an object of the same name lives on while others hold it
    return object;
}

RendAPI::IRenderTarget* RefRenderApi::createRenderTarget(const char* name, int width, int height, int format,
                                                         int) {
    if (!canCreate(name, width, height) || RefImage::isDepthFormat(format) || !isRenderTargetFormat(format, 1))
        return nullptr;
    return registerNew<RendAPI::IRenderTarget>(name, RefObjectKind::ColorTarget, format, width, height, 1);
}

RendAPI::IDepthSurface* RefRenderApi::createDepthSurface(const char* name, int width, int height, int format,
                                                         int) {
    if (!canCreate(name, width, height) || !isRenderTargetFormat(format, 2)) return nullptr;
    return registerNew<RendAPI::IDepthSurface>(name, RefObjectKind::DepthSurface, format, width, height, 1);
}

RendAPI::IDepthSurface* RefRenderApi::createDepthTexture(const char* name, int width, int height, int format) {
    if (!canCreate(name, width, height) || !isDepthTextureFormat(format)) return nullptr;
    return registerNew<RendAPI::IDepthSurface>(name, RefObjectKind::DepthTexture, format, width, height, 1);
}

RendAPI::ICubeTarget* RefRenderApi::createCubeTarget(const char* name, int edge, int format) {
    if (!canCreate(name, edge, edge) || RefImage::isDepthFormat(format) || !isRenderTargetFormat(format, 1))
        return nullptr;
    return registerNew<RendAPI::ICubeTarget>(name, RefObjectKind::CubeTarget, format, edge, edge, kCubeFaces);
}

RendAPI::ITexture* RefRenderApi::findTexture(const char* name) { return find(name); }

RendAPI::ITexture* RefRenderApi::find(const char* name) const {
    RefObject* o = m_objects.find(name);
    return o ? o->texture() : nullptr;
}

RendAPI::ITexture* RefRenderApi::getDefaultTexture() { return m_default->texture(); }

// ---------------------------------------------------------------- device capabilities

RefRenderApi::Support RefRenderApi::supportOf(int format) const {
    auto it = m_support.find(format);
    return it == m_support.end() ? Support{false, false} : it->second;
}

bool RefRenderApi::isRenderTargetFormat(int format, int usage) {
    bool depth = RefImage::isDepthFormat(format);
    return (usage == 2) == depth && supportOf(format).asTarget;
}

bool RefRenderApi::isDepthTextureFormat(int format) {
    return RefImage::isDepthFormat(format) && supportOf(format).asDepthTexture;
}

void RefRenderApi::setFormatSupport(int format, bool asTarget, bool asDepthTexture) {
    if (!RefImage::isKnownFormat(format)) return;
    m_support[format] = Support{asTarget, asDepthTexture};
}

void RefRenderApi::setMaxTextureSize(int width, int height) {
    m_maxWidth = std::max(width, 1);
    m_maxHeight = std::max(height, 1);
}

void RefRenderApi::setFailCreation(const char* name, bool fail) {
    if (!name) return;
    auto it = std::find(m_failNames.begin(), m_failNames.end(), name);
    if (fail && it == m_failNames.end()) m_failNames.push_back(name);
    if (!fail && it != m_failNames.end()) m_failNames.erase(it);
}

// ---------------------------------------------------------------- object lifetime

void RefRenderApi::onObjectDied(RefObject* object) {
    m_objects.died(object);
    m_stacks.forget(object->texture());
}

void RefRenderApi::onDeadObjectUsed(RefObject* object, const char* operation) {
    protocolError(std::string(operation) + " of destroyed object \"" + object->name() + "\"");
}

void RefRenderApi::protocolError(const std::string& what) { m_protocolLog.push_back(what); }

int RefRenderApi::refCount(const char* name) const { return m_objects.refCount(name); }

std::vector<std::string> RefRenderApi::leakedObjects() const {
    return m_objects.leaked([this](const RefObject* o) { return o == m_default ? 1 : 0; });
}

// ---------------------------------------------------------------- target and depth stacks

void RefRenderApi::pushTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2, int face) {
    m_viewport = m_stacks.pushTargets(t0, t1, t2, face, m_viewport);
}

void RefRenderApi::setRenderTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2) {
    pushTargets(t0, t1, t2, -1);
}

void RefRenderApi::setRenderTarget(const char* name) { pushTargets(find(name), nullptr, nullptr, -1); }

void RefRenderApi::setCubeFace(const char* name, int face) {
    RendAPI::ITexture* cube = find(name);
    if (!isCube(RefObject::from(cube)) || face < 0 || face >= kCubeFaces) {
        pushTargets(nullptr, nullptr, nullptr, -1);
        return;
    }
    pushTargets(cube, nullptr, nullptr, face);
}

void RefRenderApi::resetRenderTarget() {
    if (!m_stacks.popTargets(m_viewport)) protocolError("resetRenderTarget without a matching set");
}

void RefRenderApi::setDepthSurface(RendAPI::ITexture* surface) { m_stacks.pushDepth(surface); }

void RefRenderApi::setDepthSurface(const char* name) { m_stacks.pushDepth(find(name)); }

void RefRenderApi::resetDepthSurface() {
    if (!m_stacks.popDepth()) protocolError("resetDepthSurface without a matching set");
}

RendAPI::ITexture* RefRenderApi::currentTarget(int slot) const { return m_stacks.target(slot); }

RendAPI::ITexture* RefRenderApi::currentDepthSurface() const { return m_stacks.depth(); }

int RefRenderApi::cubeFace() const { return m_stacks.face(); }

int RefRenderApi::currentFace() const { return std::max(cubeFace(), 0); }

// ---------------------------------------------------------------- clears, viewport, copies

void RefRenderApi::clearColor(float r, float g, float b, float a) {
    const RendAPI::Viewport& v = m_viewport;
    for (int slot = 0; slot < 3; ++slot) {
        RefImage* image = imageOf(currentTarget(slot));
        int face = slot == 0 ? currentFace() : 0;
        if (image) image->fill(v.x, v.y, v.x + v.width, v.y + v.height, face, Math::Vector4f(r, g, b, a));
    }
}

void RefRenderApi::clearDepth(float depth) {
    RefImage* image = imageOf(currentDepthSurface());
    const RendAPI::Viewport& v = m_viewport;
    if (image) image->fill(v.x, v.y, v.x + v.width, v.y + v.height, 0, Math::Vector4f(depth, 0, 0, 0));
}

void RefRenderApi::clearStencil(int value) { m_lastStencil = value; }

void RefRenderApi::setViewport(int x, int y, int width, int height) {
    m_viewport = RendAPI::Viewport{x, y, width, height};
}

void RefRenderApi::copyRect(RendAPI::ITexture* src, RendAPI::ITexture* dst, int, const RendAPI::Rect* srcRect,
                            const RendAPI::Rect* dstRect) {
    RefImage* from = imageOf(src);
    RefImage* to = imageOf(dst);
    if (!from || !to || !from->isValid() || !to->isValid()) return;
    RendAPI::Rect s = srcRect ? *srcRect : RendAPI::Rect{0, 0, from->width(), from->height()};
    RendAPI::Rect d = dstRect ? *dstRect : RendAPI::Rect{0, 0, to->width(), to->height()};
    const int sw = s.right - s.left, sh = s.bottom - s.top;
    const int dw = d.right - d.left, dh = d.bottom - d.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;

    // Point sampling of the source at each destination texel centre; read everything first so
    // that a copy within one image sees the source as it was.
    const int x0 = std::max(d.left, 0), x1 = std::min(d.right, to->width());
    const int y0 = std::max(d.top, 0), y1 = std::min(d.bottom, to->height());
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<Math::Vector4f>& texels = m_copyTexels;  // kept between copies: no allocation per copy
    texels.clear();
    for (int y = y0; y < y1; ++y) {
        int sy = s.top + static_cast<int>((static_cast<long long>(y - d.top) * sh * 2 + sh) / (2LL * dh));
        sy = std::min(std::max(sy, 0), from->height() - 1);
        for (int x = x0; x < x1; ++x) {
            int sx = s.left + static_cast<int>((static_cast<long long>(x - d.left) * sw * 2 + sw) / (2LL * dw));
            sx = std::min(std::max(sx, 0), from->width() - 1);
            texels.push_back(from->read(sx, sy, 0));
        }
    }
    size_t i = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) to->write(x, y, 0, texels[i++]);
}

void RefRenderApi::setClipPlane(int index, const Math::Vector4f* plane) {
    if (index < 0 || index >= 6 || !plane) return;
    m_clipPlanes[index] = *plane;
}

Math::Vector4f RefRenderApi::clipPlane(int index) const {
    if (index < 0 || index >= 6) return Math::Vector4f(0, 0, 0, 0);
    return m_clipPlanes[index];
}

// ---------------------------------------------------------------- pixels for tests

RefImage* RefRenderApi::imageOf(RendAPI::ITexture* object) {
    RefObject* o = object ? RefObject::from(object) : nullptr;
    return o && !o->isDead() ? &o->image() : nullptr;
}

Math::Vector4f RefRenderApi::readPixel(RendAPI::ITexture* object, int x, int y, int face) const {
    RefImage* image = imageOf(object);
    return image ? image->read(x, y, face) : Math::Vector4f(0, 0, 0, 0);
}

Math::Vector4f RefRenderApi::readPixel(const char* name, int x, int y, int face) const {
    return readPixel(find(name), x, y, face);
}

bool RefRenderApi::writePixel(const char* name, int x, int y, const Math::Vector4f& value, int face) {
    RefImage* image = imageOf(find(name));
    if (!image) return false;
    image->write(x, y, face, value);
    return true;
}

}  // namespace refhost
