#pragma once
// A linked GLSL program as the module sees a shader: parameters by name, set as uniforms.
//
// - Handles are 1, 2, 3, ... over the program's active uniforms outside blocks; an array is found
//   by its plain name ("g_FogDesc", not "g_FogDesc[0]"). A name the program does not use is 0,
//   and the module then skips it.
// - setVector writes as many components as the uniform has (float, vec2, vec3, vec4); a vector
//   array writes at most the array's length; setMatrix a mat4. A setter of the wrong kind for the
//   uniform, or on handle 0, is ignored.
// - Matrices: the module's matrices are row-major for row vectors (p * M). They are uploaded as
//   they lie in memory, so GLSL sees their transpose, and the GLSL product M * v is the module's
//   v * M: shaders write `u_viewProj * vec4(p, 1.0)`.
// - Textures: each sampler has its own texture unit (in declaration order); setTexture keeps the
//   render object (no reference taken), use() binds it. Null, a dead or a foreign object binds the
//   1 x 1 white default.
#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "enviro/host/Shader.h"

namespace glhost {

class GlRenderApi;

class GlShader final : public graphics::Shader {
public:
    // Takes ownership of a linked program.
    GlShader(std::string name, GLuint program);
    ~GlShader() override;
    GlShader(const GlShader&) = delete;
    GlShader& operator=(const GlShader&) = delete;

    Handle getParameterByName(Handle parent, const char* name) override;
    void setVector(Handle h, const Math::Vector4f* v) override;
    void setVectorArray(Handle h, const Math::Vector4f* v, int count) override;
    void setMatrix(Handle h, const Math::Matrix4f* m) override;
    void setTexture(Handle h, RendAPI::ITexture* texture) override;

    // The host's own settings by name (no effect when the program lacks the name).
    void set(const char* name, float x, float y = 0.0f, float z = 0.0f, float w = 0.0f);
    void set(const char* name, const Math::Matrix4f& m);
    void set(const char* name, int value);
    void setArray(const char* name, const float* values, int count);
    void setTexture(const char* name, RendAPI::ITexture* texture);
    // Binds a GL texture of the host's own (not a render object) to a sampler.
    void setGlTexture(const char* name, GLuint texture);

    // glUseProgram and the sampler bindings.
    void use(GlRenderApi& api);
    const std::string& name() const { return m_name; }
    GLuint program() const { return m_program; }

private:
    struct Parameter {
        std::string name;
        GLint location;
        GLenum type;
        GLint size;                  // array length (1 for plain uniforms)
        int unit = -1;               // texture unit of a sampler
        RendAPI::ITexture* texture = nullptr;
        GLuint glTexture = 0;        // a host texture instead of a render object
    };

    Parameter* byHandle(Handle h);
    static bool isSampler(GLenum type);

    std::string m_name;
    GLuint m_program;
    std::vector<Parameter> m_params;  // handle = index + 1
};

}  // namespace glhost
