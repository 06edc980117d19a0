#include "glhost/clients/GlBkgr.h"

namespace glhost {

std::unique_ptr<GlBkgr> GlBkgr::create(GlDevice& device, std::string& error) {
    GlShader* program = device.programs().load("fill", "fullscreen.vert", "fill.frag", error);
    return program ? std::unique_ptr<GlBkgr>(new GlBkgr(device, *program)) : nullptr;
}

void GlBkgr::setColor(const Math::Vector4f* color) {
    if (color) m_color = *color;
}

void GlBkgr::drawRect(int left, int top, int right, int bottom, RendAPI::ITexture* texture) {
    GlRenderApi& api = m_device.api();
    RendAPI::ITexture* target = api.currentTarget(0);
    if (!target || !api.bindDrawTargets()) return;
    if (right == -1) right = target->getWidth();
    if (bottom == -1) bottom = target->getHeight();
    if (right <= left || bottom <= top) return;
    GlDevice::screenPassState();
    const bool blend = m_mode == "x";
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glViewport(left, top, right - left, bottom - top);
    m_program.setTexture("u_texture", texture);
    m_program.set("u_color", m_color.x, m_color.y, m_color.z, m_color.w);
    m_program.use(api);
    m_device.drawFullscreen();
    glDisable(GL_BLEND);
    const RendAPI::Viewport v = api.getViewport();  // back to the viewport in force
    api.setViewport(v.x, v.y, v.width, v.height);
}

}  // namespace glhost
