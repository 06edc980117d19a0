#pragma once
// The module's format codes (Direct3D 9 values) and the OpenGL formats that hold them: one table.
#include <epoxy/gl.h>

namespace glhost {

struct GlFormat {
    int code;               // the module's format code
    GLenum internalFormat;  // GL storage
    GLenum pixelFormat;     // what glReadPixels / glGetTextureImage read it as
    GLenum pixelType;
    int channels;           // channels the module's code names (X8R8G8B8 and R5G6B5: 3)
    bool depth;
};

// The entry for code, or null for a code the host does not know.
//   21 A8R8G8B8 -> RGBA8       22 X8R8G8B8 -> RGBA8 (alpha unused)   23 R5G6B5 -> RGB565
//   31 A2B10G10R10 -> RGB10_A2 77 D24X8 -> DEPTH_COMPONENT24         80 D16 -> DEPTH_COMPONENT16
//   111 R16F -> R16F           112 G16R16F -> RG16F                  114 R32F -> R32F
//   116 A32B32G32R32F -> RGBA32F
const GlFormat* findFormat(int code);

}  // namespace glhost
