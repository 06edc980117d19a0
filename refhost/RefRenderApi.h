#pragma once
// The reference renderer's render API: every render object is a CPU image of its format
// (RefImage), kept in a registry by name, so that tests and tools can read back what the module
// drew, cleared and copied.
//
// How it behaves where the interface leaves room:
// - Creation fails (null) for a null or empty name, a name marked with setFailCreation, a size
//   below 1 or above the maximum texture size, and a format the device does not accept for that
//   use. Colour and cube targets need a colour format accepted as target; depth surfaces need a
//   depth format (77, 80) accepted as target; depth textures need a format accepted as depth
//   texture. By default every colour format is a target format, and 77 and 80 are both depth
//   surface and depth texture formats. Mip levels are accepted and ignored (level 0 only).
// - Creating a name that exists replaces the registry entry: the registry drops its reference to
//   the old object, which lives on while others hold it.
// - Target and depth-surface stacks are strict last-in-first-out. Each set pushes one entry (an
//   unknown name pushes an empty entry, so the matching reset still balances); a reset on an
//   empty stack is a protocol error. The entry on top is what is in force; an empty stack means
//   no target. Setting targets also sets the viewport to the whole of the first target given
//   (t0, else t1, else t2), and the reset puts back the viewport that was in force before.
// - The stacks do not hold references: an object that dies while bound is unbound.
// - Clears write the colour into every colour target in force (the current face of a cube
//   target) and the depth into the depth surface in force, within the viewport.
// - copyRect copies face 0 of src into face 0 of dst, point-sampled (the filter is ignored); a
//   null rectangle means the whole image, and both rectangles are clipped to their images.
// - The default texture is 1 x 1 white and read-only: clears, copies and fills leave it white.
// - Acquire or release on a dead object is a protocol error (the object is kept as an empty
//   shell until the renderer is destroyed). Objects still held when the renderer is destroyed
//   stay alive on their own and delete themselves at their last release.
#include <map>
#include <string>
#include <vector>

#include "enviro/host/RenderApi.h"
#include "refhost/RefCountedObject.h"
#include "refhost/RenderObjectRegistry.h"
#include "refhost/RenderTargetStacks.h"

namespace refhost {

class RefRenderApi final : public RendAPI::IRenderApi, private RefObjectObserver {
public:
    static constexpr int kDefaultMaxTextureSize = 8192;

    RefRenderApi();
    ~RefRenderApi() override;
    RefRenderApi(const RefRenderApi&) = delete;
    RefRenderApi& operator=(const RefRenderApi&) = delete;

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
    int getMaxTextureWidth() override { return m_maxWidth; }
    int getMaxTextureHeight() override { return m_maxHeight; }
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
    void clearStencil(int value) override;
    void setViewport(int x, int y, int width, int height) override;
    RendAPI::Viewport getViewport() override { return m_viewport; }
    void copyRect(RendAPI::ITexture* src, RendAPI::ITexture* dst, int filter, const RendAPI::Rect* srcRect,
                  const RendAPI::Rect* dstRect) override;
    // Indices 0..5 are stored; others are ignored. A null plane is ignored.
    void setClipPlane(int index, const Math::Vector4f* plane) override;
    void enableClipPlane(int on) override { m_clipPlaneOn = on != 0; }
    bool isClipPlaneEnabled() override { return m_clipPlaneOn; }

    // ---- Device capabilities a test can change
    void setFormatSupport(int format, bool asTarget, bool asDepthTexture);
    void setMaxTextureSize(int width, int height);
    // Makes every later creation of this name fail (or succeed again).
    void setFailCreation(const char* name, bool fail);

    // ---- Queries for tests and tools
    // The registered object of that name, or null (the default texture is not registered).
    RendAPI::ITexture* find(const char* name) const;
    // Reference count of the registered object (the registry's own reference included), 0 if none.
    int refCount(const char* name) const;
    int liveObjectCount() const { return static_cast<int>(m_objects.live().size()); }
    // Names of objects that still hold references beyond the renderer's own: registered objects
    // with a count above 1, the default texture above 1, and objects dropped from the registry
    // (replaced) that are still alive. Ask after the module has released everything.
    std::vector<std::string> leakedObjects() const;
    // Resets without a matching set, acquire or release of a dead object.
    int protocolErrors() const { return static_cast<int>(m_protocolLog.size()); }
    const std::vector<std::string>& protocolLog() const { return m_protocolLog; }

    int renderTargetDepth() const { return m_stacks.targetDepth(); }
    int depthSurfaceDepth() const { return m_stacks.depthDepth(); }
    // Colour target in force in slot 0..2, or null.
    RendAPI::ITexture* currentTarget(int slot) const;
    RendAPI::ITexture* currentDepthSurface() const;
    // Face of the cube target in force (set by setCubeFace), or -1.
    int cubeFace() const;
    // The face that drawing into slot 0 goes to: cubeFace() for a cube target, else 0.
    int currentFace() const;

    const RendAPI::Viewport& viewport() const { return m_viewport; }
    Math::Vector4f clipPlane(int index = 0) const;
    int lastStencilClear() const { return m_lastStencil; }

    // Texel (x, y) of a face of the registered object name, or of an object (0 when absent).
    Math::Vector4f readPixel(const char* name, int x, int y, int face = 0) const;
    Math::Vector4f readPixel(RendAPI::ITexture* object, int x, int y, int face = 0) const;
    float readDepth(const char* name, int x, int y) const { return readPixel(name, x, y).x; }
    // Writes a texel through the format (tests seed images this way); false when absent.
    bool writePixel(const char* name, int x, int y, const Math::Vector4f& value, int face = 0);
    // The pixels behind an object of this renderer, or null (foreign object, null).
    static RefImage* imageOf(RendAPI::ITexture* object);

private:
    struct Support {
        bool asTarget;
        bool asDepthTexture;
    };

    void onObjectDied(RefObject* object) override;
    void onDeadObjectUsed(RefObject* object, const char* operation) override;

    bool canCreate(const char* name, int width, int height) const;
    template <class Interface>
    Interface* registerNew(const char* name, RefObjectKind kind, int format, int width, int height, int faces);
    void pushTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2, int face);
    void protocolError(const std::string& what);
    Support supportOf(int format) const;

    RenderObjectRegistry<RefObject> m_objects;  // by name; every object alive; dead shells
    RefObject* m_default = nullptr;
    std::map<int, Support> m_support;
    std::vector<Math::Vector4f> m_copyTexels;  // copyRect's read-before-write buffer
    std::vector<std::string> m_failNames;
    int m_maxWidth = kDefaultMaxTextureSize;
    int m_maxHeight = kDefaultMaxTextureSize;

    RenderTargetStacks m_stacks;
    RendAPI::Viewport m_viewport{0, 0, 0, 0};
    Math::Vector4f m_clipPlanes[6];
    bool m_clipPlaneOn = false;
    int m_lastStencil = 0;
    std::vector<std::string> m_protocolLog;
};

}  // namespace refhost
