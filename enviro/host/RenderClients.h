#pragma once
// Rendering library: the shader clients that do the per-pixel work of the module's passes.
// The module asks the client manager for a client by name and calls the operations below;
// what each operation computes per texel is the renderer's own.
#include "enviro/EnviroApi.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/RenderApi.h"

namespace effector {
struct LIGHTDESC;
struct TLightMatrixData;
}  // namespace effector

namespace renderBase {

class IRenderClient {
public:
    virtual ~IRenderClient() = default;
    // The name the client was registered under ("SysLightRender", "Bkgr", ...).
    virtual const char* getClientName() const = 0;
};

// "SysLightRender": light records, per-tile occlusion, depth range and light lists.
class ISysLightRender : public IRenderClient {
public:
    static constexpr const char* kName = "SysLightRender";
    // Encodes count light records into the columns of the viewport (rows 0..3).
    virtual void renderLightRecords(const effector::LIGHTDESC* lights, int count) = 0;
    // Encodes the shadow data of the same lights (rows 4..7).
    virtual void renderShadowRecords(const effector::LIGHTDESC* lights, int count,
                                     const effector::TLightMatrixData* matrices) = 0;
    virtual void renderOcclusion(RendAPI::ITexture* lightRecords, int first, int count, float invAspect,
                                 const Math::Vector2f* params) = 0;
    virtual void renderDepthRange(int samples, RendAPI::ITexture* depth, const Math::Vector4f* rect) = 0;
    virtual void renderListLayer(int lightCount, RendAPI::ITexture* occlusion, RendAPI::ITexture* depthRange,
                                 RendAPI::ITexture* list, const Math::Vector4f* prevLayer) = 0;
    virtual void finishList(RendAPI::ITexture* temp) = 0;
};

// "SysPostEffect": full-screen post effects.
class ISysPostEffect : public IRenderClient {
public:
    static constexpr const char* kName = "SysPostEffect";
    virtual void clearTarget(RendAPI::ITexture* target, const Math::Vector4f* color) = 0;
    virtual void detectEdges(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                             RendAPI::ITexture* edges, const Math::Vector4f* dstRect, float threshold,
                             float scale) = 0;
    virtual void combine(RendAPI::ITexture* src, const Math::Vector4f* srcRect, RendAPI::ITexture* dst,
                         const Math::Vector4f* dstRect, const Math::Vector4f* channelMask, int mode) = 0;
    virtual void computeSSAO(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                             RendAPI::ITexture* out, const Math::Vector4f* outRect, int samples, float radius) = 0;
    virtual void depthGuidedFilter(RendAPI::ITexture* src, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                                   RendAPI::ITexture* out, const Math::Vector4f* outRect) = 0;
    virtual void copyBack(RendAPI::ITexture* src, RendAPI::ITexture* dst, const Math::Vector4f* rect, float scale,
                          int arg0, int arg1) = 0;
};

// "Bkgr": the background filler.
class IBkgr : public IRenderClient {
public:
    static constexpr const char* kName = "Bkgr";
    virtual void setColor(const Math::Vector4f* color) = 0;
    virtual Math::Vector4f getColor() = 0;
    // Mode names are the renderer's ("x" is the blending pre-fill of the ambient cube).
    virtual void setMode(const char* mode) = 0;
    virtual const char* getMode() = 0;
    // Draws the rectangle (left, top, right, bottom); -1, -1 for right and bottom means the whole
    // target. texture may be null (no texture).
    virtual void drawRect(int left, int top, int right, int bottom, RendAPI::ITexture* texture) = 0;
};

// "SysBackCube": draws a cube target around the camera.
class ISysBackCube : public IRenderClient {
public:
    static constexpr const char* kName = "SysBackCube";
    virtual void drawCube(RendAPI::ITexture* cube, const Math::Vector4f* weight, const Math::Matrix4f* world,
                          int mode) = 0;
};

// "SkySphere": the sky dome.
class ISkySphere : public IRenderClient {
public:
    static constexpr const char* kName = "SkySphere";
    virtual void draw(int mode) = 0;
};

// "Cirrus": the high cloud layer.
class ICirrus : public IRenderClient {
public:
    static constexpr const char* kName = "Cirrus";
    virtual void draw(int mode) = 0;
};

class IRenderClientMan {
public:
    virtual ~IRenderClientMan() = default;
    // The client registered under name, or null.
    virtual IRenderClient* getClient(const char* name) = 0;
};

ENVIRO_API extern IRenderClientMan* pRenderClientMan;

// The client named Client::kName, when one is installed under that name and reports it; else null.
template <class Client>
Client* findClient() {
    if (!pRenderClientMan) return nullptr;
    IRenderClient* c = pRenderClientMan->getClient(Client::kName);
    if (!c) return nullptr;
    const char* n = c->getClientName();
    const char* k = Client::kName;
    while (*n && *n == *k) { ++n; ++k; }
    return (*n == 0 && *k == 0) ? static_cast<Client*>(c) : nullptr;
}

}  // namespace renderBase
