#pragma once
// The OpenGL host's render API: every render object is a GL texture (GlRenderObject) in a
// registry by name; the target and depth stacks select what the next draw writes through
// framebuffer objects.
//
// Where the interface leaves room it behaves as the reference host does (refhost/RefRenderApi.h):
// - Creation fails (null) for a null or empty name, a size below 1 or above the maximum texture
//   size, a format code the host does not know, and a format the device does not accept for that
//   use (the format table is GlFormats.h; the device is asked once whether each GL format can be
//   rendered to). Colour and cube targets need a colour format; depth surfaces and depth textures
//   a depth format (77, 80). One mip level is made whatever the levels argument says. A new
//   object reads as zero (depth 1).
// - Creating a name that exists replaces the registry entry; the old object lives on while
//   others hold it.
// - Stacks are strict last-in-first-out; each set pushes one entry (an unknown name an empty
//   one); a reset on an empty stack is a protocol error. Setting targets sets the viewport to the
//   whole of the first target given, and the reset puts back the viewport in force before.
// - With the colour stack empty, drawing goes to the back buffer the host set (setBackBuffer);
//   with the depth stack empty, to the back buffer's depth surface. A draw with nothing to draw
//   into is skipped (bindDrawTargets returns false), never a GL error.
// - Clears write the targets in force within the viewport.
// - copyRect copies face 0 of src into face 0 of dst, scaled (linear filtering for colour when
//   filter is non-zero, else nearest); null rectangles mean the whole image; rectangles are
//   clipped to their images. Colour to colour, or depth to depth of the same format; anything
//   else is ignored. A copy within one object goes through a scratch texture.
// - The user clip plane (index 0) is in clip space; it is what gl_ClipDistance[0] of the
//   geometry shaders tests while the switch is on (the shared block "HostBlock" at uniform
//   binding 0 holds it; see shaders/host.glsl).
// - The default texture is 1 x 1 white; it is never drawn into.
// - Objects still held when the render API goes away lose their GL texture (the context is about
//   to go) and stay alive as shells until their last release.
#include <epoxy/gl.h>

#include <map>
#include <string>
#include <vector>

#include "enviro/host/RenderApi.h"
#include "glhost/GlRenderObject.h"
#include "refhost/RenderObjectRegistry.h"
#include "refhost/RenderTargetStacks.h"

namespace glhost {

class GlRenderApi final : public RendAPI::IRenderApi, private GlObjectOwner {
public:
    GlRenderApi();
    ~GlRenderApi() override;
    GlRenderApi(const GlRenderApi&) = delete;
    GlRenderApi& operator=(const GlRenderApi&) = delete;

    // ---- RendAPI::IRenderApi
    RendAPI::IRenderTarget* createRenderTarget(const char* name, int width, int height, int format,
                                               int levels) override;
    RendAPI::IDepthSurface* createDepthSurface(const char* name, int width, int height, int format,
                                               int unused) override;
    RendAPI::IDepthSurface* createDepthTexture(const char* name, int width, int height, int format) override;
    RendAPI::ICubeTarget* createCubeTarget(const char* name, int edge, int format) override;
    RendAPI::ITexture* findTexture(const char* name) override;
    RendAPI::ITexture* getDefaultTexture() override;
    // usage 2 asks about depth surfaces; any other usage about colour targets.
    bool isRenderTargetFormat(int format, int usage) override;
    bool isDepthTextureFormat(int format) override;
    int getMaxTextureWidth() override { return m_maxSize; }
    int getMaxTextureHeight() override { return m_maxSize; }
    void setRenderTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2) override;
    void setRenderTarget(const char* name) override;
    // An unknown name, a non-cube object or a face outside 0..5 pushes an empty entry.
    void setCubeFace(const char* name, int face) override;
    void resetRenderTarget() override;
    void setDepthSurface(RendAPI::ITexture* surface) override;
    void setDepthSurface(const char* name) override;
    void resetDepthSurface() override;
    void clearColor(float r, float g, float b, float a) override;
    void clearDepth(float depth) override;
    // No format of the table has stencil: the value is kept only.
    void clearStencil(int value) override { m_lastStencil = value; }
    void setViewport(int x, int y, int width, int height) override;
    RendAPI::Viewport getViewport() override { return m_viewport; }
    void copyRect(RendAPI::ITexture* src, RendAPI::ITexture* dst, int filter, const RendAPI::Rect* srcRect,
                  const RendAPI::Rect* dstRect) override;
    // Index 0 only (others and null planes are ignored).
    void setClipPlane(int index, const Math::Vector4f* plane) override;
    void enableClipPlane(int on) override;
    bool isClipPlaneEnabled() override { return m_clipPlaneOn; }

    // ---- For the host's own drawing (clients, scene)
    // Where drawing goes while the colour (depth) stack is empty; holds a reference to each.
    void setBackBuffer(RendAPI::ITexture* color, RendAPI::ITexture* depth);
    // Binds the framebuffer of the targets in force (and the viewport); false when there is
    // nothing to draw into or the combination cannot be drawn into (skip the draw).
    bool bindDrawTargets();
    // Copies a colour object into the window's framebuffer (0) of width x height, scaled; the
    // window's rows run from the bottom, so the copy turns the image the right way up.
    void blitToWindow(RendAPI::ITexture* object, int width, int height);
    // Caps the maximum texture size (below the device's own); tests keep shadow maps small.
    void setMaxTextureSize(int size);
    // The GL texture behind an object of this host and its target (0 for null, foreign or dead;
    // the default texture's for those when orDefault).
    GLuint glTextureOf(RendAPI::ITexture* object, bool orDefault = true);
    // Texels of face of object, rows from the top, four floats each (a depth object in x; 
    // missing channels 0, alpha 1). Empty for null, foreign or dead objects.
    std::vector<float> readTexels(RendAPI::ITexture* object, int face = 0);
    // 8-bit RGBA of a colour object, rows from the top (PNG order).
    std::vector<unsigned char> readRgba8(RendAPI::ITexture* object);

    // ---- Checks
    RendAPI::ITexture* find(const char* name) const;
    int refCount(const char* name) const;
    int liveObjectCount() const { return static_cast<int>(m_objects.live().size()); }
    // Names of objects that still hold references beyond the host's own (registered objects with
    // a count above 1, the default texture above 1, replaced objects still alive).
    std::vector<std::string> leakedObjects() const;
    int protocolErrors() const { return static_cast<int>(m_protocolLog.size()); }
    const std::vector<std::string>& protocolLog() const { return m_protocolLog; }
    int renderTargetDepth() const { return m_stacks.targetDepth(); }
    int depthSurfaceDepth() const { return m_stacks.depthDepth(); }
    // What drawing goes to now: the top of a stack, or the back buffer while it is empty.
    RendAPI::ITexture* currentTarget(int slot) const;
    RendAPI::ITexture* currentDepthSurface() const;
    int cubeFace() const { return m_stacks.face(); }
    Math::Vector4f clipPlane() const { return m_clipPlane; }

private:
    struct FramebufferEntry {
        GLuint color[3];
        int face;
        GLuint depth;
        GLuint framebuffer;
        bool complete;
    };

    void onObjectDied(GlRenderObject* object) override;
    void onDeadObjectUsed(GlRenderObject* object, const char* operation) override;
    bool canCreate(const char* name, int width, int height) const;
    template <class Interface>
    Interface* registerNew(const char* name, GlObjectKind kind, const GlFormat& format, int width, int height);
    void pushTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2, int face);
    void applyViewport();
    const FramebufferEntry& framebufferFor(const GLuint color[3], int face, GLuint depth);
    void attach(GLuint framebuffer, GLenum attachment, RendAPI::ITexture* object, int face);
    void blit(GlRenderObject& from, GlRenderObject& to, const float s[4], const float d[4], GLenum filter);
    void protocolError(const std::string& what) { m_protocolLog.push_back(what); }
    void uploadHostBlock();

    refhost::RenderObjectRegistry<GlRenderObject> m_objects;  // by name; every object alive; dead shells
    GlRenderObject* m_default = nullptr;
    std::map<int, bool> m_renderable;  // format code -> the device renders to its GL format
    int m_maxSize = 0;
    int m_deviceMaxSize = 0;

    refhost::RenderTargetStacks m_stacks;
    RendAPI::ITexture* m_backColor = nullptr;
    RendAPI::ITexture* m_backDepth = nullptr;
    std::vector<FramebufferEntry> m_framebuffers;
    GLuint m_readFramebuffer = 0, m_drawFramebuffer = 0;  // for copies
    GLuint m_hostBlock = 0;                               // uniform buffer: clip plane
    RendAPI::Viewport m_viewport{0, 0, 0, 0};
    Math::Vector4f m_clipPlane{0.0f, 0.0f, 0.0f, 0.0f};
    bool m_clipPlaneOn = false;
    int m_lastStencil = 0;
    std::vector<std::string> m_protocolLog;
};

}  // namespace glhost
