#pragma once
// Rendering library: the shader parameter interface the module binds constants through.
#include "enviro/host/MathMatrix.h"
#include "enviro/host/RenderApi.h"

namespace graphics {

class Shader {
public:
    using Handle = unsigned long;  // 0 = no such parameter

    virtual ~Shader() = default;
    // The parameter named name under parent (the module always passes 0), or 0 when absent.
    virtual Handle getParameterByName(Handle parent, const char* name) = 0;
    virtual void setVector(Handle h, const Math::Vector4f* v) = 0;
    virtual void setVectorArray(Handle h, const Math::Vector4f* v, int count) = 0;
    virtual void setMatrix(Handle h, const Math::Matrix4f* m) = 0;
    // A null texture unbinds.
    virtual void setTexture(Handle h, RendAPI::ITexture* texture) = 0;
};

// A texture object of the engine as materials hold it.
class Texture {
public:
    virtual ~Texture() = default;
    // The file name the texture was loaded from, with its path ('\\' separated); never null.
    virtual const char* getFileName() = 0;
};

}  // namespace graphics
