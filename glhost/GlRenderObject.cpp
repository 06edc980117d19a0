#include "glhost/GlRenderObject.h"

#include "glhost/GlObjects.h"

namespace glhost {

GlRenderObject::GlRenderObject(const char* name, GlObjectKind kind, const GlFormat& format, int width, int height,
                               GlObjectOwner* owner)
    : m_name(name ? name : ""), m_kind(kind), m_format(&format), m_width(width), m_height(height), m_owner(owner) {
    const GLenum target = kind == GlObjectKind::CubeTarget ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
    m_texture = gl::createTexture(target);
    glTextureStorage2D(m_texture, 1, format.internalFormat, width, height);
    const GLenum filter = format.depth ? GL_NEAREST : GL_LINEAR;
    glTextureParameteri(m_texture, GL_TEXTURE_MIN_FILTER, filter);
    glTextureParameteri(m_texture, GL_TEXTURE_MAG_FILTER, filter);
    glTextureParameteri(m_texture, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(m_texture, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTextureParameteri(m_texture, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    // New storage is undefined in GL: start from zero (depth 1, the far plane) as a renderer's
    // fresh targets do.
    const float zero[4] = {0.0f, 0.0f, 0.0f, 0.0f}, far = 1.0f;
    if (format.depth)
        glClearTexImage(m_texture, 0, GL_DEPTH_COMPONENT, GL_FLOAT, &far);
    else
        glClearTexImage(m_texture, 0, GL_RGBA, GL_FLOAT, zero);
}

GlRenderObject::~GlRenderObject() { deleteTexture(); }

GlRenderObject* GlRenderObject::from(RendAPI::ITexture* texture) { return dynamic_cast<GlRenderObject*>(texture); }

void GlRenderObject::deleteTexture() { gl::deleteObject(gl::ObjectType::Texture, m_texture); }

void GlRenderObject::addReference() {
    if (m_dead) {
        if (m_owner) m_owner->onDeadObjectUsed(this, "acquire");
        return;
    }
    ++m_count;
}

void GlRenderObject::dropReference() {
    if (m_dead) {
        if (m_owner) m_owner->onDeadObjectUsed(this, "release");
        return;
    }
    if (--m_count > 0) return;
    m_dead = true;
    if (!m_owner) {
        delete this;
        return;
    }
    m_owner->onObjectDied(this);  // still with its texture name, so the owner can forget it
    deleteTexture();
}

}  // namespace glhost
