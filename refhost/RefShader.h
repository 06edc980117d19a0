#pragma once
// The reference host's shader: a parameter store, so that tests can read back every constant
// and texture the module bound.
// - Handles are 1, 2, 3, ... in the order names are first asked for; 0 means "no such parameter".
// - By default every name is declared. With a declared list, getParameterByName returns 0 for
//   any other name (the module then skips that constant). A parent other than 0 (nested
//   parameters) is not supported and gives 0.
// - Setters on handle 0 or an unknown handle, and null vectors or matrices, are ignored. A vector
//   array keeps count vectors (count below 1 stores an empty array; at most 65536 are kept).
// - Textures are stored as pointers without taking a reference; their names are kept too.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "enviro/host/Shader.h"

namespace refhost {

class RefShader final : public graphics::Shader {
public:
    enum class Kind { None, Vector, VectorArray, Matrix, Texture };
    struct Parameter {
        std::string name;
        Kind kind = Kind::None;            // what was set last
        std::vector<Math::Vector4f> vectors;  // Vector: one; VectorArray: count
        Math::Matrix4f matrix = Math::Matrix4f::identity();
        RendAPI::ITexture* texture = nullptr;
        std::string textureName;           // "" for null
        int setCount = 0;                  // how many times a value was set
    };

    RefShader() = default;
    explicit RefShader(const std::vector<std::string>& declared) { declareOnly(declared); }
    void declareOnly(const std::vector<std::string>& names);
    void declareAll();

    Handle getParameterByName(Handle parent, const char* name) override;
    void setVector(Handle h, const Math::Vector4f* v) override;
    void setVectorArray(Handle h, const Math::Vector4f* v, int count) override;
    void setMatrix(Handle h, const Math::Matrix4f* m) override;
    void setTexture(Handle h, RendAPI::ITexture* texture) override;

    // ---- Read-back for tests (values of a name never set: zeros, identity, null, empty).
    const Parameter* parameter(const char* name) const;
    bool isSet(const char* name) const;
    Math::Vector4f vector(const char* name) const;
    std::vector<Math::Vector4f> vectorArray(const char* name) const;
    Math::Matrix4f matrix(const char* name) const;
    RendAPI::ITexture* texture(const char* name) const;
    std::string textureName(const char* name) const;
    int setCount(const char* name) const;
    // Names that have been given a value, in handle order.
    std::vector<std::string> setNames() const;
    // Forgets the values (handles stay valid).
    void clearValues();

private:
    Parameter* byHandle(Handle h);

    std::vector<Parameter> m_params;  // handle = index + 1
    std::map<std::string, Handle, std::less<>> m_handles;  // looked up by const char* without a copy
    bool m_declaredAll = true;
    std::set<std::string, std::less<>> m_declared;
};

}  // namespace refhost
