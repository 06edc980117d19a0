#pragma once
// "SysBackCube" on the GPU: draws a cube target as seen from the current camera through the colour
// target in force (a face of another cube, usually), as if the cube were painted on a box around
// the camera with the given world matrix: each pixel takes the cube's texel in its view direction
// turned into the box's frame, times the weight (shaders/backcube.frag). Mode 1 adds the result
// to the target (the ambient cube's blur sums 16 weighted copies), other modes replace it.
// Nothing is drawn without a camera, a cube or a target.
#include <memory>
#include <string>

#include "enviro/host/RenderClients.h"
#include "glhost/GlDevice.h"

namespace glhost {

class GlBackCube final : public renderBase::ISysBackCube {
public:
    static std::unique_ptr<GlBackCube> create(GlDevice& device, std::string& error);

    const char* getClientName() const override { return kName; }
    void drawCube(RendAPI::ITexture* cube, const Math::Vector4f* weight, const Math::Matrix4f* world,
                  int mode) override;

private:
    GlBackCube(GlDevice& device, GlShader& program) : m_device(device), m_program(program) {}

    GlDevice& m_device;
    GlShader& m_program;
};

}  // namespace glhost
