#pragma once
// "SysPostEffect" on the GPU, the operations of the sky, shadow and fog passes:
// - clearTarget fills the whole target (face 0) with the colour, whatever the stacks hold;
// - copyBack copies src over the whole of dst, each channel times scale.
// The screen-space operations (edges, combine, ambient occlusion and its filter) leave their
// targets as they are in this host for now.
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
    void detectEdges(RendAPI::ITexture*, RendAPI::ITexture*, const Math::Vector4f*, RendAPI::ITexture*,
                     const Math::Vector4f*, float, float) override {}
    void combine(RendAPI::ITexture*, const Math::Vector4f*, RendAPI::ITexture*, const Math::Vector4f*,
                 const Math::Vector4f*, int) override {}
    void computeSSAO(RendAPI::ITexture*, RendAPI::ITexture*, const Math::Vector4f*, RendAPI::ITexture*,
                     const Math::Vector4f*, int, float) override {}
    void depthGuidedFilter(RendAPI::ITexture*, RendAPI::ITexture*, const Math::Vector4f*, RendAPI::ITexture*,
                           const Math::Vector4f*) override {}
    void copyBack(RendAPI::ITexture* src, RendAPI::ITexture* dst, const Math::Vector4f* rect, float scale, int arg0,
                  int arg1) override;

private:
    GlPostEffect(GlDevice& device, GlShader& fill) : m_device(device), m_fill(fill) {}

    GlDevice& m_device;
    GlShader& m_fill;
};

}  // namespace glhost
