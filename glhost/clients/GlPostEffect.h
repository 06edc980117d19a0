#pragma once
// "SysPostEffect" on the GPU, the operations of the sky, shadow and fog passes:
// - clearTarget fills the whole target (face 0) with the colour, whatever the stacks hold;
// - copyBack copies src over the whole of dst, each channel times scale.
// The screen-space operations read the screen-depth targets as glhost/shaders/screenspace.glsl
// lays them out, with the current camera's projection, and draw over the used part of their
// destination (the rectangle's fractions); GlPostEffectScreen.cpp holds them:
// - detectEdges: edge strength where normals or depth change abruptly (edges.frag);
// - combine: the source's first channel into the destination's channels the mask selects,
//   replacing them in mode 1, added to them otherwise (combine.frag);
// - computeSSAO: ambient occlusion, 1 open .. 0 hidden (ssao.frag);
// - depthGuidedFilter: its blur, kept within surfaces by depth (depthfilter.frag).
#include <memory>
#include <string>

#include "enviro/host/RenderClients.h"
#include "glhost/GlDevice.h"

namespace glhost {

class GlPostEffect final : public renderBase::ISysPostEffect {
public:
    static std::unique_ptr<GlPostEffect> create(GlDevice& device, std::string& error);

    const char* getClientName() const override { return kName; }
    void clearTarget(RendAPI::ITexture* target, const Math::Vector4f* color) override;
    void detectEdges(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                     RendAPI::ITexture* edges, const Math::Vector4f* dstRect, float threshold, float scale) override;
    void combine(RendAPI::ITexture* src, const Math::Vector4f* srcRect, RendAPI::ITexture* dst,
                 const Math::Vector4f* dstRect, const Math::Vector4f* channelMask, int mode) override;
    void computeSSAO(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                     RendAPI::ITexture* out, const Math::Vector4f* outRect, int samples, float radius) override;
    void depthGuidedFilter(RendAPI::ITexture* src, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                           RendAPI::ITexture* out, const Math::Vector4f* outRect) override;
    void copyBack(RendAPI::ITexture* src, RendAPI::ITexture* dst, const Math::Vector4f* rect, float scale, int arg0,
                  int arg1) override;

private:
    struct ScreenPrograms {
        GlShader* edges;
        GlShader* combine;
        GlShader* ssao;
        GlShader* filter;
    };
    GlPostEffect(GlDevice& device, GlShader& fill, const ScreenPrograms& screen)
        : m_device(device), m_fill(fill), m_screen(screen) {}
    static bool loadScreenPrograms(GlPrograms& programs, ScreenPrograms& out, std::string& error);
    // Sets dst as the only target over the part rect covers; false (nothing set) when there is
    // nothing to draw into.
    bool beginScreenPass(RendAPI::ITexture* dst, const Math::Vector4f* rect);
    void endScreenPass();

    GlDevice& m_device;
    GlShader& m_fill;
    ScreenPrograms m_screen;
};

}  // namespace glhost
