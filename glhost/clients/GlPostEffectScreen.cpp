// The screen-space operations of "SysPostEffect": edges, combine, ambient occlusion and its
// depth-guided filter (layouts in glhost/shaders/screenspace.glsl).
#include <algorithm>

#include "enviro/shadows/PSMShadow.h"
#include "glhost/GlProjectionScales.h"
#include "glhost/clients/GlPostEffect.h"

namespace glhost {

namespace {

const Math::Vector4f kWhole(0.0f, 0.0f, 1.0f, 1.0f);

const Math::Vector4f& orWhole(const Math::Vector4f* rect) { return rect ? *rect : kWhole; }

void setRect(GlShader& program, const char* name, const Math::Vector4f& r) { program.set(name, r.x, r.y, r.z, r.w); }

// The screen-depth scale and the camera's projection, for the shaders that go back to view space.
void setViewSpace(GlShader& program) {
    Math::Vector4f p(1.0f, 1.0f, 0.0f, 0.0f);
    currentProjectionScales(p);
    program.set("u_projection", p.x, p.y, p.z, p.w);
    program.set("u_depthScale", effector::PSMShadow::kScreenDepthRange);
}

}  // namespace

bool GlPostEffect::loadScreenPrograms(GlPrograms& programs, ScreenPrograms& out, std::string& error) {
    const struct {
        GlShader** slot;
        const char* name;
    } files[] = {{&out.edges, "edges"}, {&out.combine, "combine"}, {&out.ssao, "ssao"}, {&out.filter, "depthfilter"}};
    for (const auto& f : files) {
        *f.slot = programs.load(f.name, "fullscreen.vert", std::string(f.name) + ".frag", error);
        if (!*f.slot) return false;
    }
    return true;
}

bool GlPostEffect::beginScreenPass(RendAPI::ITexture* dst, const Math::Vector4f* rect) {
    if (!dst) return false;
    GlRenderApi& api = m_device.api();
    api.setRenderTargets(dst, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    const Math::Vector4f& r = orWhole(rect);
    api.setViewport(0, 0, std::max(1, int(dst->getWidth() * r.z + 0.5f)), std::max(1, int(dst->getHeight() * r.w + 0.5f)));
    if (!api.bindDrawTargets()) {
        endScreenPass();
        return false;
    }
    GlDevice::screenPassState();
    return true;
}

void GlPostEffect::endScreenPass() {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_BLEND);
    m_device.api().resetDepthSurface();
    m_device.api().resetRenderTarget();
}

void GlPostEffect::detectEdges(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                               RendAPI::ITexture* edges, const Math::Vector4f* dstRect, float threshold, float scale) {
    if (!normals || !depth || !beginScreenPass(edges, dstRect)) return;
    GlShader& program = *m_screen.edges;
    program.setTexture("u_normals", normals);
    program.setTexture("u_depth", depth);
    setRect(program, "u_source", orWhole(srcRect));
    program.set("u_threshold", threshold);
    program.set("u_scale", scale);
    program.use(m_device.api());
    m_device.drawFullscreen();
    endScreenPass();
}

void GlPostEffect::combine(RendAPI::ITexture* src, const Math::Vector4f* srcRect, RendAPI::ITexture* dst,
                           const Math::Vector4f* dstRect, const Math::Vector4f* channelMask, int mode) {
    if (!src || src == dst || !channelMask || !beginScreenPass(dst, dstRect)) return;
    const Math::Vector4f& m = *channelMask;
    glColorMask(m.x != 0.0f, m.y != 0.0f, m.z != 0.0f, m.w != 0.0f);
    if (mode != 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    GlShader& program = *m_screen.combine;
    program.setTexture("u_source", src);
    setRect(program, "u_sourceRect", orWhole(srcRect));
    program.use(m_device.api());
    m_device.drawFullscreen();
    endScreenPass();
}

void GlPostEffect::computeSSAO(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                               RendAPI::ITexture* out, const Math::Vector4f* outRect, int samples, float radius) {
    if (!normals || !depth || !beginScreenPass(out, outRect)) return;
    GlShader& program = *m_screen.ssao;
    program.setTexture("u_normals", normals);
    program.setTexture("u_depth", depth);
    setRect(program, "u_source", orWhole(srcRect));
    setViewSpace(program);
    program.set("u_samples", std::max(samples, 0));
    program.set("u_radius", radius);
    program.use(m_device.api());
    m_device.drawFullscreen();
    endScreenPass();
}

void GlPostEffect::depthGuidedFilter(RendAPI::ITexture* src, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                                     RendAPI::ITexture* out, const Math::Vector4f* outRect) {
    if (!src || !depth || src == out || !beginScreenPass(out, outRect)) return;
    GlShader& program = *m_screen.filter;
    program.setTexture("u_source", src);
    program.setTexture("u_depth", depth);
    setRect(program, "u_depthRect", orWhole(srcRect));
    setRect(program, "u_sourceRect", orWhole(outRect));
    program.use(m_device.api());
    m_device.drawFullscreen();
    endScreenPass();
}

}  // namespace glhost
