// The do-nothing renderer the module falls back on while no host renderer is installed:
// creation fails, lookups find nothing, the target stacks and clears have no effect.
#include "enviro/host/RenderApi.h"

namespace RendAPI {

IRenderApi* pRenderApi = nullptr;

namespace {

class NullTexture final : public ITexture {
public:
    void acquire() override {}
    void release() override {}
    int getWidth() const override { return 1; }
    int getHeight() const override { return 1; }
    int getFormat() const override { return FMT_A8R8G8B8; }
    const char* getName() const override { return ""; }
};

class NullRenderApi final : public IRenderApi {
public:
    IRenderTarget* createRenderTarget(const char*, int, int, int, int) override { return nullptr; }
    IDepthSurface* createDepthSurface(const char*, int, int, int, int) override { return nullptr; }
    IDepthSurface* createDepthTexture(const char*, int, int, int) override { return nullptr; }
    ICubeTarget* createCubeTarget(const char*, int, int) override { return nullptr; }
    ITexture* findTexture(const char*) override { return nullptr; }
    ITexture* getDefaultTexture() override { return &m_default; }
    bool isRenderTargetFormat(int, int) override { return false; }
    bool isDepthTextureFormat(int) override { return false; }
    int getMaxTextureWidth() override { return 0; }
    int getMaxTextureHeight() override { return 0; }
    void setRenderTargets(ITexture*, ITexture*, ITexture*) override {}
    void setRenderTarget(const char*) override {}
    void setCubeFace(const char*, int) override {}
    void resetRenderTarget() override {}
    void setDepthSurface(ITexture*) override {}
    void setDepthSurface(const char*) override {}
    void resetDepthSurface() override {}
    void clearColor(float, float, float, float) override {}
    void clearDepth(float) override {}
    void clearStencil(int) override {}
    void setViewport(int, int, int, int) override {}
    Viewport getViewport() override { return Viewport{0, 0, 0, 0}; }
    void copyRect(ITexture*, ITexture*, int, const Rect*, const Rect*) override {}
    void setClipPlane(int, const Math::Vector4f*) override {}
    void enableClipPlane(int) override {}
    bool isClipPlaneEnabled() override { return false; }

private:
    NullTexture m_default;
};

}  // namespace

IRenderApi& renderApi() {
    static NullRenderApi fallback;
    return pRenderApi ? *pRenderApi : fallback;
}

}  // namespace RendAPI

namespace RendMan {

IRenderMan* pRenderMan = nullptr;

namespace {
class NullRenderMan final : public IRenderMan {
public:
    void flush(int) override {}
    void submit(int) override {}
    void endPass() override {}
};
}  // namespace

IRenderMan& renderMan() {
    static NullRenderMan fallback;
    return pRenderMan ? *pRenderMan : fallback;
}

}  // namespace RendMan
