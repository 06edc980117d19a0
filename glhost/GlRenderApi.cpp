// The OpenGL host's render API: GL textures in a name registry, strict target stacks, framebuffer
// objects made on demand for each combination of targets.
#include "glhost/GlRenderApi.h"

#include <algorithm>
#include <cmath>

#include "glhost/GlObjects.h"

namespace glhost {

namespace {

const char* const kDefaultTextureName = "<default>";
constexpr int kCubeFaces = 6;
constexpr GLuint kHostBlockBinding = 0;  // uniform block "HostBlock" (shaders/host.glsl)

GlRenderObject* objectOf(RendAPI::ITexture* texture) {
    GlRenderObject* o = texture ? GlRenderObject::from(texture) : nullptr;
    return o && !o->isDead() ? o : nullptr;
}

GLuint textureName(RendAPI::ITexture* texture) {
    GlRenderObject* o = objectOf(texture);
    return o ? o->glTexture() : 0;
}

}  // namespace

GlRenderApi::GlRenderApi() {
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &m_deviceMaxSize);
    m_maxSize = m_deviceMaxSize;
    for (int code : {21, 22, 23, 31, 77, 80, 111, 112, 114, 116}) {
        const GlFormat* f = findFormat(code);
        GLint support = GL_NONE;
        glGetInternalformativ(GL_TEXTURE_2D, f->internalFormat, GL_FRAMEBUFFER_RENDERABLE, 1, &support);
        m_renderable[code] = support == GL_FULL_SUPPORT;
    }
    auto* white = new GlCountedObject<RendAPI::ITexture>(kDefaultTextureName, GlObjectKind::Texture,
                                                         *findFormat(RendAPI::FMT_A8R8G8B8), 1, 1, this);
    const float one[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glClearTexImage(white->glTexture(), 0, GL_RGBA, GL_FLOAT, one);
    m_default = white;
    m_objects.add(white, false);

    m_readFramebuffer = gl::createFramebuffer();
    m_drawFramebuffer = gl::createFramebuffer();
    m_hostBlock = gl::createBuffer();
    glNamedBufferStorage(m_hostBlock, sizeof(Math::Vector4f), nullptr, GL_DYNAMIC_STORAGE_BIT);
    uploadHostBlock();
    glBindBufferBase(GL_UNIFORM_BUFFER, kHostBlockBinding, m_hostBlock);
}

GlRenderApi::~GlRenderApi() {
    setBackBuffer(nullptr, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    for (FramebufferEntry& f : m_framebuffers) gl::deleteObject(gl::ObjectType::Framebuffer, f.framebuffer);
    m_framebuffers.clear();
    gl::deleteObject(gl::ObjectType::Framebuffer, m_readFramebuffer);
    gl::deleteObject(gl::ObjectType::Framebuffer, m_drawFramebuffer);
    gl::deleteObject(gl::ObjectType::Buffer, m_hostBlock);
    m_objects.dropAll();
    m_default->dropReference();
    // What is still alive is held by someone else: its texture goes now, its shell lives on.
    m_objects.releaseLiving([](GlRenderObject* object) { object->deleteTexture(); });
}

// ---------------------------------------------------------------- creation and lookup

bool GlRenderApi::canCreate(const char* name, int width, int height) const {
    return name && *name && width >= 1 && height >= 1 && width <= m_maxSize && height <= m_maxSize;
}

template <class Interface>
Interface* GlRenderApi::registerNew(const char* name, GlObjectKind kind, const GlFormat& format, int width,
                                    int height) {
    auto* object = new GlCountedObject<Interface>(name, kind, format, width, height, this);
    m_objects.add(object);
    return object;
}

RendAPI::IRenderTarget* GlRenderApi::createRenderTarget(const char* name, int width, int height, int format, int) {
    const GlFormat* f = findFormat(format);
    if (!canCreate(name, width, height) || !f || !isRenderTargetFormat(format, 1)) return nullptr;
    return registerNew<RendAPI::IRenderTarget>(name, GlObjectKind::ColorTarget, *f, width, height);
}

RendAPI::IDepthSurface* GlRenderApi::createDepthSurface(const char* name, int width, int height, int format, int) {
    const GlFormat* f = findFormat(format);
    if (!canCreate(name, width, height) || !f || !isRenderTargetFormat(format, 2)) return nullptr;
    return registerNew<RendAPI::IDepthSurface>(name, GlObjectKind::DepthSurface, *f, width, height);
}

RendAPI::IDepthSurface* GlRenderApi::createDepthTexture(const char* name, int width, int height, int format) {
    const GlFormat* f = findFormat(format);
    if (!canCreate(name, width, height) || !f || !isDepthTextureFormat(format)) return nullptr;
    return registerNew<RendAPI::IDepthSurface>(name, GlObjectKind::DepthTexture, *f, width, height);
}

RendAPI::ICubeTarget* GlRenderApi::createCubeTarget(const char* name, int edge, int format) {
    const GlFormat* f = findFormat(format);
    if (!canCreate(name, edge, edge) || !f || !isRenderTargetFormat(format, 1)) return nullptr;
    return registerNew<RendAPI::ICubeTarget>(name, GlObjectKind::CubeTarget, *f, edge, edge);
}

RendAPI::ITexture* GlRenderApi::findTexture(const char* name) { return find(name); }

RendAPI::ITexture* GlRenderApi::find(const char* name) const {
    GlRenderObject* o = m_objects.find(name);
    return o ? o->texture() : nullptr;
}

RendAPI::ITexture* GlRenderApi::getDefaultTexture() { return m_default->texture(); }

bool GlRenderApi::isRenderTargetFormat(int format, int usage) {
    const GlFormat* f = findFormat(format);
    return f && f->depth == (usage == 2) && m_renderable[format];
}

bool GlRenderApi::isDepthTextureFormat(int format) {
    const GlFormat* f = findFormat(format);
    return f && f->depth && m_renderable[format];
}

void GlRenderApi::setMaxTextureSize(int size) { m_maxSize = std::clamp(size, 1, m_deviceMaxSize); }

// ---------------------------------------------------------------- object lifetime

void GlRenderApi::onObjectDied(GlRenderObject* object) {
    m_objects.died(object);
    m_stacks.forget(object->texture());
    // Framebuffers made with its texture go with it (GL reuses texture names).
    const GLuint name = object->glTexture();
    for (auto it = m_framebuffers.begin(); it != m_framebuffers.end();) {
        const bool stale = std::find(std::begin(it->color), std::end(it->color), name) != std::end(it->color) ||
                           it->depth == name;
        if (stale) {
            gl::deleteObject(gl::ObjectType::Framebuffer, it->framebuffer);
            it = m_framebuffers.erase(it);
        } else {
            ++it;
        }
    }
}

void GlRenderApi::onDeadObjectUsed(GlRenderObject* object, const char* operation) {
    protocolError(std::string(operation) + " of destroyed object \"" + object->name() + "\"");
}

int GlRenderApi::refCount(const char* name) const { return m_objects.refCount(name); }

std::vector<std::string> GlRenderApi::leakedObjects() const {
    // The default texture's and the back buffer's references are the host's own, not leaks.
    return m_objects.leaked([this](const GlRenderObject* o) {
        RendAPI::ITexture* t = const_cast<GlRenderObject*>(o)->texture();
        return (o == m_default) + (t == m_backColor) + (t == m_backDepth);
    });
}

// ---------------------------------------------------------------- stacks and viewport

void GlRenderApi::pushTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2, int face) {
    m_viewport = m_stacks.pushTargets(t0, t1, t2, face, m_viewport);
    applyViewport();
}

void GlRenderApi::setRenderTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2) {
    pushTargets(t0, t1, t2, -1);
}

void GlRenderApi::setRenderTarget(const char* name) { pushTargets(find(name), nullptr, nullptr, -1); }

void GlRenderApi::setCubeFace(const char* name, int face) {
    GlRenderObject* cube = objectOf(find(name));
    if (!cube || !cube->isCube() || face < 0 || face >= kCubeFaces) {
        pushTargets(nullptr, nullptr, nullptr, -1);
        return;
    }
    pushTargets(cube->texture(), nullptr, nullptr, face);
}

void GlRenderApi::resetRenderTarget() {
    if (!m_stacks.popTargets(m_viewport)) protocolError("resetRenderTarget without a matching set");
    applyViewport();
}

void GlRenderApi::setDepthSurface(RendAPI::ITexture* surface) { m_stacks.pushDepth(surface); }

void GlRenderApi::setDepthSurface(const char* name) { m_stacks.pushDepth(find(name)); }

void GlRenderApi::resetDepthSurface() {
    if (!m_stacks.popDepth()) protocolError("resetDepthSurface without a matching set");
}

RendAPI::ITexture* GlRenderApi::currentTarget(int slot) const {
    if (!m_stacks.hasTargets()) return slot == 0 ? m_backColor : nullptr;
    return m_stacks.target(slot);
}

RendAPI::ITexture* GlRenderApi::currentDepthSurface() const {
    return m_stacks.hasDepth() ? m_stacks.depth() : m_backDepth;
}

void GlRenderApi::setViewport(int x, int y, int width, int height) {
    m_viewport = RendAPI::Viewport{x, y, width, height};
    applyViewport();
}

void GlRenderApi::applyViewport() {
    glViewport(m_viewport.x, m_viewport.y, std::max(m_viewport.width, 0), std::max(m_viewport.height, 0));
    glScissor(m_viewport.x, m_viewport.y, std::max(m_viewport.width, 0), std::max(m_viewport.height, 0));
}

void GlRenderApi::setBackBuffer(RendAPI::ITexture* color, RendAPI::ITexture* depth) {
    if (color) color->acquire();
    if (depth) depth->acquire();
    if (m_backColor) m_backColor->release();
    if (m_backDepth) m_backDepth->release();
    m_backColor = color;
    m_backDepth = depth;
}

// ---------------------------------------------------------------- framebuffers

void GlRenderApi::attach(GLuint framebuffer, GLenum attachment, RendAPI::ITexture* object, int face) {
    GlRenderObject* o = objectOf(object);
    if (!o) {
        glNamedFramebufferTexture(framebuffer, attachment, 0, 0);
    } else if (o->isCube()) {
        glNamedFramebufferTextureLayer(framebuffer, attachment, o->glTexture(), 0, std::max(face, 0));
    } else {
        glNamedFramebufferTexture(framebuffer, attachment, o->glTexture(), 0);
    }
}

const GlRenderApi::FramebufferEntry& GlRenderApi::framebufferFor(const GLuint color[3], int face, GLuint depth) {
    for (const FramebufferEntry& f : m_framebuffers)
        if (std::equal(color, color + 3, f.color) && f.face == face && f.depth == depth) return f;
    FramebufferEntry entry{{color[0], color[1], color[2]}, face, depth, gl::createFramebuffer(), false};
    GLenum buffers[3];
    for (int i = 0; i < 3; ++i) {
        RendAPI::ITexture* slot = currentTarget(i);
        attach(entry.framebuffer, GL_COLOR_ATTACHMENT0 + i, color[i] ? slot : nullptr, face);
        buffers[i] = color[i] ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
    }
    attach(entry.framebuffer, GL_DEPTH_ATTACHMENT, depth ? currentDepthSurface() : nullptr, 0);
    glNamedFramebufferDrawBuffers(entry.framebuffer, 3, buffers);
    entry.complete = glCheckNamedFramebufferStatus(entry.framebuffer, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    m_framebuffers.push_back(entry);
    return m_framebuffers.back();
}

bool GlRenderApi::bindDrawTargets() {
    GLuint color[3];
    for (int i = 0; i < 3; ++i) {
        GlRenderObject* o = objectOf(currentTarget(i));
        color[i] = o && o != m_default && !o->format().depth ? o->glTexture() : 0;
    }
    GlRenderObject* d = objectOf(currentDepthSurface());
    const GLuint depth = d && d->format().depth ? d->glTexture() : 0;
    if (!color[0] && !color[1] && !color[2] && !depth) return false;
    const FramebufferEntry& f = framebufferFor(color, std::max(cubeFace(), 0), depth);
    if (!f.complete) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, f.framebuffer);
    applyViewport();
    return true;
}

// ---------------------------------------------------------------- clears and copies

void GlRenderApi::clearColor(float r, float g, float b, float a) {
    if (!bindDrawTargets()) return;
    const float rgba[4] = {r, g, b, a};
    glEnable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    for (int i = 0; i < 3; ++i)
        if (textureName(currentTarget(i))) glClearBufferfv(GL_COLOR, i, rgba);
    glDisable(GL_SCISSOR_TEST);
}

void GlRenderApi::clearDepth(float depth) {
    if (!textureName(currentDepthSurface()) || !bindDrawTargets()) return;
    glEnable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glClearBufferfv(GL_DEPTH, 0, &depth);
    glDisable(GL_SCISSOR_TEST);
}

void GlRenderApi::copyRect(RendAPI::ITexture* src, RendAPI::ITexture* dst, int filter, const RendAPI::Rect* srcRect,
                           const RendAPI::Rect* dstRect) {
    GlRenderObject* from = objectOf(src);
    GlRenderObject* to = objectOf(dst);
    if (!from || !to || to == m_default) return;
    const bool depth = from->format().depth;
    if (depth != to->format().depth || (depth && from->format().code != to->format().code)) return;
    const RendAPI::Rect sr = srcRect ? *srcRect : RendAPI::Rect{0, 0, from->width(), from->height()};
    const RendAPI::Rect dr = dstRect ? *dstRect : RendAPI::Rect{0, 0, to->width(), to->height()};
    float s[4] = {float(sr.left), float(sr.top), float(sr.right), float(sr.bottom)};
    float d[4] = {float(dr.left), float(dr.top), float(dr.right), float(dr.bottom)};
    if (s[2] <= s[0] || s[3] <= s[1] || d[2] <= d[0] || d[3] <= d[1]) return;
    // Clip the destination to its image, moving the source edges in proportion; then the source.
    const float limits[2][2] = {{float(to->width()), float(to->height())}, {float(from->width()), float(from->height())}};
    for (int pass = 0; pass < 2; ++pass) {
        float* a = pass == 0 ? d : s;
        float* b = pass == 0 ? s : d;
        for (int axis = 0; axis < 2; ++axis) {
            const float scale = (b[axis + 2] - b[axis]) / (a[axis + 2] - a[axis]);
            const float lo = std::max(a[axis], 0.0f), hi = std::min(a[axis + 2], limits[pass][axis]);
            if (hi <= lo) return;
            b[axis] += (lo - a[axis]) * scale;
            b[axis + 2] -= (a[axis + 2] - hi) * scale;
            a[axis] = lo;
            a[axis + 2] = hi;
        }
    }
    const GLenum glFilter = (!depth && filter != 0) ? GL_LINEAR : GL_NEAREST;
    if (from != to) {
        blit(*from, *to, s, d, glFilter);
        return;
    }
    // Within one object: through a scratch copy of the source rectangle.
    const int w = int(std::ceil(s[2] - s[0])), h = int(std::ceil(s[3] - s[1]));
    GlCountedObject<RendAPI::IRenderTarget> scratch("<copy>", from->kind() == GlObjectKind::CubeTarget
                                                                  ? GlObjectKind::ColorTarget
                                                                  : from->kind(),
                                                    from->format(), w, h, nullptr);
    const float whole[4] = {0.0f, 0.0f, float(w), float(h)};
    blit(*from, scratch, s, whole, GL_NEAREST);
    blit(scratch, *to, whole, d, glFilter);
}

void GlRenderApi::blit(GlRenderObject& from, GlRenderObject& to, const float s[4], const float d[4], GLenum filter) {
    const GLenum attachment = from.format().depth ? GL_DEPTH_ATTACHMENT : GL_COLOR_ATTACHMENT0;
    attach(m_readFramebuffer, attachment, from.texture(), 0);
    attach(m_drawFramebuffer, attachment, to.texture(), 0);
    if (!from.format().depth) {
        glNamedFramebufferReadBuffer(m_readFramebuffer, GL_COLOR_ATTACHMENT0);
        glNamedFramebufferDrawBuffer(m_drawFramebuffer, GL_COLOR_ATTACHMENT0);
    } else {
        glNamedFramebufferReadBuffer(m_readFramebuffer, GL_NONE);
        glNamedFramebufferDrawBuffer(m_drawFramebuffer, GL_NONE);
    }
    auto round = [](float v) { return GLint(std::lround(v)); };
    glBlitNamedFramebuffer(m_readFramebuffer, m_drawFramebuffer, round(s[0]), round(s[1]), round(s[2]), round(s[3]),
                           round(d[0]), round(d[1]), round(d[2]), round(d[3]),
                           from.format().depth ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT, filter);
    attach(m_readFramebuffer, attachment, nullptr, 0);
    attach(m_drawFramebuffer, attachment, nullptr, 0);
}

void GlRenderApi::blitToWindow(RendAPI::ITexture* object, int width, int height) {
    GlRenderObject* o = objectOf(object);
    if (!o || o->format().depth) return;
    attach(m_readFramebuffer, GL_COLOR_ATTACHMENT0, object, 0);
    glNamedFramebufferReadBuffer(m_readFramebuffer, GL_COLOR_ATTACHMENT0);
    glBlitNamedFramebuffer(m_readFramebuffer, 0, 0, 0, o->width(), o->height(), 0, height, width, 0,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
    attach(m_readFramebuffer, GL_COLOR_ATTACHMENT0, nullptr, 0);
}

// ---------------------------------------------------------------- clip plane

void GlRenderApi::setClipPlane(int index, const Math::Vector4f* plane) {
    if (index != 0 || !plane) return;
    m_clipPlane = *plane;
    uploadHostBlock();
}

void GlRenderApi::enableClipPlane(int on) {
    m_clipPlaneOn = on != 0;
    if (m_clipPlaneOn)
        glEnable(GL_CLIP_DISTANCE0);
    else
        glDisable(GL_CLIP_DISTANCE0);
    uploadHostBlock();
}

// While the switch is off the shaders get a plane that keeps everything (w > 0 in front of the
// camera): some drivers (llvmpipe) clip by a written gl_ClipDistance even with it disabled.
void GlRenderApi::uploadHostBlock() {
    const Math::Vector4f keepAll(0.0f, 0.0f, 0.0f, 1.0f);
    glNamedBufferSubData(m_hostBlock, 0, sizeof(Math::Vector4f), m_clipPlaneOn ? &m_clipPlane : &keepAll);
}

// ---------------------------------------------------------------- textures for drawing and reading

GLuint GlRenderApi::glTextureOf(RendAPI::ITexture* object, bool orDefault) {
    const GLuint name = textureName(object);
    return name || !orDefault ? name : m_default->glTexture();
}

std::vector<float> GlRenderApi::readTexels(RendAPI::ITexture* object, int face) {
    GlRenderObject* o = objectOf(object);
    std::vector<float> texels;
    if (!o) return texels;
    const int n = o->width() * o->height();
    texels.assign(size_t(n) * 4, 0.0f);
    const GLsizei bytes = GLsizei(texels.size() * sizeof(float));
    const int layer = o->isCube() ? std::clamp(face, 0, kCubeFaces - 1) : 0;
    if (o->format().depth) {
        std::vector<float> depth(static_cast<size_t>(n));
        glGetTextureSubImage(o->glTexture(), 0, 0, 0, layer, o->width(), o->height(), 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                             GLsizei(depth.size() * sizeof(float)), depth.data());
        for (int i = 0; i < n; ++i) texels[size_t(i) * 4] = depth[size_t(i)];
    } else {
        glGetTextureSubImage(o->glTexture(), 0, 0, 0, layer, o->width(), o->height(), 1, GL_RGBA, GL_FLOAT, bytes,
                             texels.data());
    }
    return texels;
}

std::vector<unsigned char> GlRenderApi::readRgba8(RendAPI::ITexture* object) {
    GlRenderObject* o = objectOf(object);
    std::vector<unsigned char> pixels;
    if (!o || o->format().depth) return pixels;
    pixels.resize(size_t(o->width()) * o->height() * 4);
    glGetTextureSubImage(o->glTexture(), 0, 0, 0, 0, o->width(), o->height(), 1, GL_RGBA, GL_UNSIGNED_BYTE,
                         GLsizei(pixels.size()), pixels.data());
    return pixels;
}

}  // namespace glhost
