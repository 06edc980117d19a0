#pragma once
// Rendering library, render API: what the module asks of the engine's renderer. A host plugs its
// renderer in by implementing IRenderApi and storing it in RendAPI::pRenderApi before
// createEnviro(). Read on its own, this header is the whole contract.
#include "enviro/EnviroApi.h"
#include "enviro/host/MathVector.h"

namespace RendAPI {

// Format codes are Direct3D 9 format values.
enum FormatCode : int {
    FMT_A8R8G8B8 = 21,
    FMT_X8R8G8B8 = 22,
    FMT_R5G6B5 = 23,
    FMT_A2B10G10R10 = 31,
    FMT_D24X8 = 77,
    FMT_D16 = 80,
    FMT_R16F = 111,
    FMT_G16R16F = 112,
    FMT_R32F = 114,
    FMT_A32B32G32R32F = 116,
};

// A counted object of the renderer: texture, colour target, depth surface or cube target.
// A holder acquires when it stores or copies a pointer and releases when it replaces or drops it.
// The creator's reference is the renderer's own (kept in its name registry).
class ITexture {
public:
    virtual void acquire() = 0;
    virtual void release() = 0;
    virtual int getWidth() const = 0;
    virtual int getHeight() const = 0;
    virtual int getFormat() const = 0;
    virtual const char* getName() const = 0;

protected:
    virtual ~ITexture() = default;
};

// A colour render target (2D).
class IRenderTarget : public ITexture {};
// A depth surface or a depth texture; either can be set as the depth surface.
class IDepthSurface : public ITexture {};
// A cube render target with six square faces (width = height = edge).
class ICubeTarget : public ITexture {};

// Integer rectangle: left, top, right, bottom (right and bottom exclusive).
struct Rect {
    int left, top, right, bottom;
};

struct Viewport {
    int x, y, width, height;
};

class IRenderApi {
public:
    virtual ~IRenderApi() = default;

    // Creation. Creating a name that exists replaces the registry entry. Null on failure.
    virtual IRenderTarget* createRenderTarget(const char* name, int width, int height, int format, int levels) = 0;
    virtual IDepthSurface* createDepthSurface(const char* name, int width, int height, int format, int unused) = 0;
    virtual IDepthSurface* createDepthTexture(const char* name, int width, int height, int format) = 0;
    virtual ICubeTarget* createCubeTarget(const char* name, int edge, int format) = 0;

    // Lookup by name: any kind of object, or null.
    virtual ITexture* findTexture(const char* name) = 0;
    // The default texture (1 x 1 white); never null.
    virtual ITexture* getDefaultTexture() = 0;

    // Device capabilities.
    virtual bool isRenderTargetFormat(int format, int usage) = 0;
    virtual bool isDepthTextureFormat(int format) = 0;
    virtual int getMaxTextureWidth() = 0;
    virtual int getMaxTextureHeight() = 0;

    // Target stacks. Each set pushes, each reset pops (last in, first out). Null entries mean
    // "no target" in that slot.
    virtual void setRenderTargets(ITexture* t0, ITexture* t1, ITexture* t2) = 0;
    virtual void setRenderTarget(const char* name) = 0;
    virtual void setCubeFace(const char* name, int face) = 0;
    virtual void resetRenderTarget() = 0;
    virtual void setDepthSurface(ITexture* surface) = 0;
    virtual void setDepthSurface(const char* name) = 0;
    virtual void resetDepthSurface() = 0;

    // Clears of the targets in force.
    virtual void clearColor(float r, float g, float b, float a) = 0;
    virtual void clearDepth(float depth) = 0;
    virtual void clearStencil(int value) = 0;

    virtual void setViewport(int x, int y, int width, int height) = 0;
    virtual Viewport getViewport() = 0;

    // Copies a rectangle of src into a rectangle of dst.
    virtual void copyRect(ITexture* src, ITexture* dst, int filter, const Rect* srcRect, const Rect* dstRect) = 0;

    // User clip plane (index 0), given in clip space; the switch puts it in force
    // (1 opens a reflection or cube pass, 0 ends it).
    virtual void setClipPlane(int index, const Math::Vector4f* plane) = 0;
    virtual void enableClipPlane(int on) = 0;
    virtual bool isClipPlaneEnabled() = 0;
};

// Installed by the host; null until then. The module falls back to a renderer that creates
// nothing (every creation fails, lookups find nothing) while it is null.
ENVIRO_API extern IRenderApi* pRenderApi;

// The installed render API, or the module's do-nothing fallback. Never null.
IRenderApi& renderApi();

}  // namespace RendAPI

namespace RendMan {

class IRenderMan {
public:
    virtual ~IRenderMan() = default;
    // Queued drawing is in the current target on return.
    virtual void flush(int mode) = 0;
    // Submits queued drawing (called after the shadow casters are drawn).
    virtual void submit(int mode) = 0;
    // Ends a shadow pass.
    virtual void endPass() = 0;
};

ENVIRO_API extern IRenderMan* pRenderMan;
IRenderMan& renderMan();

}  // namespace RendMan

namespace graphics {

// Small heap wrapper around one counted render object. It holds one reference.
class ENVIRO_API RenderTarget {
public:
    RenderTarget() = default;
    explicit RenderTarget(RendAPI::ITexture* object);  // acquires
    ~RenderTarget();                                  // releases
    RenderTarget(const RenderTarget& other);
    RenderTarget& operator=(const RenderTarget& other);

    // Replaces the held object (acquires the new one, releases the old one).
    void set(RendAPI::ITexture* object);
    // Releases the held object and holds nothing.
    void release();
    RendAPI::ITexture* get() const { return m_pObject; }
    int getWidth() const { return m_pObject ? m_pObject->getWidth() : 0; }
    int getHeight() const { return m_pObject ? m_pObject->getHeight() : 0; }

private:
    RendAPI::ITexture* m_pObject = nullptr;
};

}  // namespace graphics
