#include "glhost/clients/GlPostEffect.h"

namespace glhost {

std::unique_ptr<GlPostEffect> GlPostEffect::create(GlDevice& device, std::string& error) {
    GlShader* fill = device.programs().load("fill", "fullscreen.vert", "fill.frag", error);
    ScreenPrograms screen{};
    if (!fill || !loadScreenPrograms(device.programs(), screen, error)) return nullptr;
    return std::unique_ptr<GlPostEffect>(new GlPostEffect(device, *fill, screen));
}

void GlPostEffect::clearTarget(RendAPI::ITexture* target, const Math::Vector4f* color) {
    if (!target || !color) return;
    GlRenderApi& api = m_device.api();
    api.setRenderTargets(target, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    api.clearColor(color->x, color->y, color->z, color->w);
    api.resetDepthSurface();
    api.resetRenderTarget();
}

void GlPostEffect::copyBack(RendAPI::ITexture* src, RendAPI::ITexture* dst, const Math::Vector4f*, float scale, int,
                            int) {
    if (!src || !dst || src == dst) return;
    GlRenderApi& api = m_device.api();
    api.setRenderTargets(dst, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    if (api.bindDrawTargets()) {
        GlDevice::screenPassState();
        m_fill.setTexture("u_texture", src);
        m_fill.set("u_color", scale, scale, scale, scale);
        m_fill.use(api);
        m_device.drawFullscreen();
    }
    api.resetDepthSurface();
    api.resetRenderTarget();
}

}  // namespace glhost
