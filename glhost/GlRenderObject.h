#pragma once
// The counted render objects of the OpenGL host: colour targets, depth surfaces, depth textures,
// cube targets and the default texture, each one GL texture behind one RendAPI interface.
//
// Lifetime as in the reference host: born with one reference (the render API's name registry),
// acquire adds one, release drops one; at 0 the object dies: its GL texture is deleted and the
// empty shell goes to its owner (the render API), which keeps it until it is destroyed itself,
// so that a late acquire or release is reported as a protocol error instead of touching freed
// memory. When the render API goes first it deletes the GL textures of the objects still held
// (the context is still there) and leaves the shells to their holders, which delete them at
// their last release.
#include <epoxy/gl.h>

#include <string>

#include "enviro/host/RenderApi.h"
#include "glhost/GlFormats.h"

namespace glhost {

class GlRenderObject;

enum class GlObjectKind { ColorTarget, DepthSurface, DepthTexture, CubeTarget, Texture };

class GlObjectOwner {
public:
    virtual ~GlObjectOwner() = default;
    virtual void onObjectDied(GlRenderObject* object) = 0;
    virtual void onDeadObjectUsed(GlRenderObject* object, const char* operation) = 0;
};

class GlRenderObject {
public:
    virtual ~GlRenderObject();
    GlRenderObject(const GlRenderObject&) = delete;
    GlRenderObject& operator=(const GlRenderObject&) = delete;

    virtual RendAPI::ITexture* texture() = 0;
    // The GL host's object behind a module-held pointer, or null for a foreign one.
    static GlRenderObject* from(RendAPI::ITexture* texture);

    const std::string& name() const { return m_name; }
    GlObjectKind kind() const { return m_kind; }
    const GlFormat& format() const { return *m_format; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int count() const { return m_count; }
    bool isDead() const { return m_dead; }
    // The GL texture (GL_TEXTURE_2D, or GL_TEXTURE_CUBE_MAP for a cube target); 0 once dead.
    GLuint glTexture() const { return m_texture; }
    GLenum glTarget() const { return m_kind == GlObjectKind::CubeTarget ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D; }
    bool isCube() const { return m_kind == GlObjectKind::CubeTarget; }

    void addReference();
    void dropReference();
    // Deletes the GL texture now (the render API going away); the shell stays.
    void deleteTexture();
    void setObserver(GlObjectOwner* owner) { m_owner = owner; }

protected:
    GlRenderObject(const char* name, GlObjectKind kind, const GlFormat& format, int width, int height,
                   GlObjectOwner* owner);

private:
    std::string m_name;
    GlObjectKind m_kind;
    const GlFormat* m_format;
    int m_width, m_height;
    GLuint m_texture = 0;
    GlObjectOwner* m_owner;
    int m_count = 1;
    bool m_dead = false;
};

template <class Interface>
class GlCountedObject final : public Interface, public GlRenderObject {
public:
    GlCountedObject(const char* name, GlObjectKind kind, const GlFormat& format, int width, int height,
                    GlObjectOwner* owner)
        : GlRenderObject(name, kind, format, width, height, owner) {}

    void acquire() override { addReference(); }
    void release() override { dropReference(); }
    int getWidth() const override { return width(); }
    int getHeight() const override { return height(); }
    int getFormat() const override { return format().code; }
    const char* getName() const override { return name().c_str(); }
    RendAPI::ITexture* texture() override { return this; }
};

}  // namespace glhost
