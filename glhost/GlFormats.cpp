#include "glhost/GlFormats.h"

#include "enviro/host/RenderApi.h"

namespace glhost {

namespace {

const GlFormat kFormats[] = {
    {RendAPI::FMT_A8R8G8B8, GL_RGBA8, GL_RGBA, GL_FLOAT, 4, false},
    {RendAPI::FMT_X8R8G8B8, GL_RGBA8, GL_RGBA, GL_FLOAT, 3, false},
    {RendAPI::FMT_R5G6B5, GL_RGB565, GL_RGBA, GL_FLOAT, 3, false},
    {RendAPI::FMT_A2B10G10R10, GL_RGB10_A2, GL_RGBA, GL_FLOAT, 4, false},
    {RendAPI::FMT_D24X8, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_FLOAT, 1, true},
    {RendAPI::FMT_D16, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_FLOAT, 1, true},
    {RendAPI::FMT_R16F, GL_R16F, GL_RGBA, GL_FLOAT, 1, false},
    {RendAPI::FMT_G16R16F, GL_RG16F, GL_RGBA, GL_FLOAT, 2, false},
    {RendAPI::FMT_R32F, GL_R32F, GL_RGBA, GL_FLOAT, 1, false},
    {RendAPI::FMT_A32B32G32R32F, GL_RGBA32F, GL_RGBA, GL_FLOAT, 4, false},
};

}  // namespace

const GlFormat* findFormat(int code) {
    for (const GlFormat& f : kFormats)
        if (f.code == code) return &f;
    return nullptr;
}

}  // namespace glhost
