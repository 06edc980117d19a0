#include "glhost/clients/GlBackCube.h"

#include "glhost/GlCameraView.h"

namespace glhost {

std::unique_ptr<GlBackCube> GlBackCube::create(GlDevice& device, std::string& error) {
    GlShader* program = device.programs().load("backcube", "fullscreen.vert", "backcube.frag", error);
    return program ? std::unique_ptr<GlBackCube>(new GlBackCube(device, *program)) : nullptr;
}

void GlBackCube::drawCube(RendAPI::ITexture* cube, const Math::Vector4f* weight, const Math::Matrix4f* world,
                          int mode) {
    GlRenderApi& api = m_device.api();
    GlRenderObject* object = cube ? GlRenderObject::from(cube) : nullptr;
    GlCameraView camera;
    if (!object || !object->isCube() || !currentCameraView(camera) || !api.bindDrawTargets()) return;
    GlDevice::screenPassState();
    if (mode == 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    const Math::Vector4f w = weight ? *weight : Math::Vector4f(1.0f, 1.0f, 1.0f, 1.0f);
    m_program.setTexture("u_cube", cube);
    m_program.set("u_invRotationProj", camera.rotationProjInv);
    m_program.set("u_world", world ? *world : Math::Matrix4f::identity());
    m_program.set("u_weight", w.x, w.y, w.z, w.w);
    m_program.use(api);
    m_device.drawFullscreen();
    glDisable(GL_BLEND);
}

}  // namespace glhost
