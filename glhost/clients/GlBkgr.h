#pragma once
// "Bkgr" on the GPU: fills a rectangle of the colour target in slot 0 (the current face of a cube
// target) with its colour, times the texture when one is given. As in the reference host: the
// rectangle is in target texels and ignores the viewport; right = -1 stands for the target's
// width and bottom = -1 for its height; in mode "x" (the blending pre-fill) the colour is blended
// over the texels with its fourth component as weight (t = c a + t (1 - a)), in every other mode
// it replaces them. Default colour (1, 1, 1, 1), mode "".
#include <memory>
#include <string>

#include "enviro/host/RenderClients.h"
#include "glhost/GlDevice.h"

namespace glhost {

class GlBkgr final : public renderBase::IBkgr {
public:
    static std::unique_ptr<GlBkgr> create(GlDevice& device, std::string& error);

    const char* getClientName() const override { return kName; }
    void setColor(const Math::Vector4f* color) override;
    Math::Vector4f getColor() override { return m_color; }
    void setMode(const char* mode) override { m_mode = mode ? mode : ""; }
    const char* getMode() override { return m_mode.c_str(); }
    void drawRect(int left, int top, int right, int bottom, RendAPI::ITexture* texture) override;

private:
    GlBkgr(GlDevice& device, GlShader& program) : m_device(device), m_program(program) {}

    GlDevice& m_device;
    GlShader& m_program;
    Math::Vector4f m_color{1.0f, 1.0f, 1.0f, 1.0f};
    std::string m_mode;
};

}  // namespace glhost
