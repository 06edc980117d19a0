#pragma once
// "SysLightRender" on the GPU: the light passes of LightSource::renderLighting. Each operation
// draws into the target and viewport the module has put in force; what each texel holds is
// written beside the shaders (glhost/shaders/lightlist.glsl):
// - renderLightRecords / renderShadowRecords: the lights' columns of "m_rtLights"
//   (lightrecords.frag);
// - renderOcclusion: per light and tile, the view-depth interval of the light's sphere inside the
//   tile's frustum (lightocclusion.frag);
// - renderDepthRange: per tile, the range of scene depth under it (lightdepthrange.frag);
// - renderListLayer: one layer of every tile's list (lightlistlayer.frag);
// - finishList: the list's length into layer 0 (lightlistfinish.frag).
// The camera is the current camera (cam::currentCamera()); the tile layout (screen size, tile
// size) is the light effector's list layout (LightSource::getListRect2), the numbers the scene's
// shaders get through "g_LightListSettings". Without a camera, a light effector or a light set
// the tile operations draw nothing.
#include <memory>
#include <string>

#include "enviro/host/RenderClients.h"
#include "glhost/GlDevice.h"

namespace glhost {

class GlLightRender final : public renderBase::ISysLightRender {
public:
    static std::unique_ptr<GlLightRender> create(GlDevice& device, std::string& error);

    const char* getClientName() const override { return kName; }
    void renderLightRecords(const effector::LIGHTDESC* lights, int count) override;
    void renderShadowRecords(const effector::LIGHTDESC* lights, int count,
                             const effector::TLightMatrixData* matrices) override;
    void renderOcclusion(RendAPI::ITexture* lightRecords, int first, int count, float invAspect,
                         const Math::Vector2f* params) override;
    void renderDepthRange(int samples, RendAPI::ITexture* depth, const Math::Vector4f* rect) override;
    void renderListLayer(int lightCount, RendAPI::ITexture* occlusion, RendAPI::ITexture* depthRange,
                         RendAPI::ITexture* list, const Math::Vector4f* prevLayer) override;
    void finishList(RendAPI::ITexture* temp) override;

private:
    struct Programs {
        GlShader* records;
        GlShader* occlusion;
        GlShader* depthRange;
        GlShader* layer;
        GlShader* finish;
    };
    GlLightRender(GlDevice& device, const Programs& programs) : m_device(device), m_programs(programs) {}
    // Binds the targets in force and sets the state of a full-viewport pass; false: nothing to
    // draw into.
    bool beginPass();
    void drawRows(const float* rows, int count);

    GlDevice& m_device;
    Programs m_programs;
    int m_layersSinceFinish = 0;
};

}  // namespace glhost
