#include "glhost/clients/GlCirrus.h"

#include <cmath>

#include "enviro/host/Camera.h"
#include "enviro/shadows/PSMShadow.h"
#include "glhost/GlCameraView.h"

namespace glhost {

std::unique_ptr<GlCirrus> GlCirrus::create(GlDevice& device, std::string& error) {
    GlShader* program = device.programs().load("cirrus", "fullscreen.vert", "cirrus.frag", error);
    return program ? std::unique_ptr<GlCirrus>(new GlCirrus(device, *program)) : nullptr;
}

void GlCirrus::setLayer(const CloudLayer& layer) {
    m_layer = layer;
    m_hasLayer = layer.tileSize > 0.0;
}

void GlCirrus::draw(int mode) {
    GlRenderApi& api = m_device.api();
    cam::SMCamera* camera = cam::currentCamera();
    GlCameraView view;
    if (!m_hasLayer || !camera || !currentCameraView(view) || !api.bindDrawTargets()) return;
    GlDevice::screenPassState();
    if (mode == 0) {
        glEnable(GL_BLEND);
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    }
    // The pattern under the camera's base, in double precision and reduced to one tile, so that
    // the shader works with small numbers wherever the camera is.
    double base[4];
    camera->getBasePosition(base);
    const CloudLayer& l = m_layer;
    const double u = (base[0] - l.drift.x) / l.tileSize, v = (base[2] - l.drift.z) / l.tileSize;
    const Math::Matrix4f& m = view.view;
    m_program.set("u_mode", mode);
    m_program.set("u_invRotationProj", view.rotationProjInv);
    m_program.set("u_forward", m.m[0][2], m.m[1][2], m.m[2][2]);
    m_program.set("u_eye", view.eye.x, view.eye.y, view.eye.z);
    m_program.set("u_altitude", float(l.altitude - base[1]));
    m_program.set("u_patternOrigin", float(u - std::floor(u)), float(v - std::floor(v)));
    m_program.set("u_tileSize", float(l.tileSize));
    m_program.set("u_coverage", l.coverage);
    m_program.set("u_opacity", l.opacity);
    m_program.set("u_sunColor", l.sunColor.x, l.sunColor.y, l.sunColor.z);
    m_program.set("u_skyColor", l.skyColor.x, l.skyColor.y, l.skyColor.z);
    m_program.set("u_depthScale", effector::PSMShadow::kScreenDepthRange);
    m_program.use(api);
    m_device.drawFullscreen();
    glDisable(GL_BLEND);
}

}  // namespace glhost
