#pragma once
// Setting shader constants by name: look the parameter up (parent none) and set it when the
// shader has it; a parameter the shader lacks is skipped.
#include "enviro/host/Shader.h"

namespace graphics {

inline void setShaderVector(Shader* shader, const char* name, const Math::Vector4f& v) {
    if (Shader::Handle h = shader->getParameterByName(0, name)) shader->setVector(h, &v);
}

inline void setShaderVectorArray(Shader* shader, const char* name, const Math::Vector4f* v, int count) {
    if (Shader::Handle h = shader->getParameterByName(0, name)) shader->setVectorArray(h, v, count);
}

inline void setShaderTexture(Shader* shader, const char* name, RendAPI::ITexture* texture) {
    if (Shader::Handle h = shader->getParameterByName(0, name)) shader->setTexture(h, texture);
}

}  // namespace graphics
