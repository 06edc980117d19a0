#include "glhost/GlShader.h"

#include <algorithm>
#include <cstring>

#include "glhost/GlObjects.h"
#include "glhost/GlRenderApi.h"

namespace glhost {

GlShader::GlShader(std::string name, GLuint program) : m_name(std::move(name)), m_program(program) {
    GLint count = 0;
    glGetProgramInterfaceiv(program, GL_UNIFORM, GL_ACTIVE_RESOURCES, &count);
    const GLenum props[] = {GL_NAME_LENGTH, GL_TYPE, GL_ARRAY_SIZE, GL_LOCATION, GL_BLOCK_INDEX};
    int units = 0;
    for (GLint i = 0; i < count; ++i) {
        GLint values[5] = {};
        glGetProgramResourceiv(program, GL_UNIFORM, GLuint(i), 5, props, 5, nullptr, values);
        if (values[4] != -1 || values[3] < 0) continue;  // in a block, or not a plain uniform
        std::string n(size_t(std::max(values[0], 1)), '\0');
        glGetProgramResourceName(program, GL_UNIFORM, GLuint(i), values[0], nullptr, n.data());
        n.resize(std::strlen(n.c_str()));
        if (n.size() > 3 && n.compare(n.size() - 3, 3, "[0]") == 0) n.resize(n.size() - 3);
        Parameter p{n, values[3], GLenum(values[1]), values[2]};
        if (isSampler(p.type)) {
            p.unit = units++;
            glProgramUniform1i(program, p.location, p.unit);
        }
        m_params.push_back(p);
    }
}

GlShader::~GlShader() { gl::deleteObject(gl::ObjectType::Program, m_program); }

bool GlShader::isSampler(GLenum type) {
    return type == GL_SAMPLER_2D || type == GL_SAMPLER_CUBE || type == GL_SAMPLER_2D_SHADOW;
}

graphics::Shader::Handle GlShader::getParameterByName(Handle parent, const char* name) {
    if (parent != 0 || !name) return 0;
    for (size_t i = 0; i < m_params.size(); ++i)
        if (m_params[i].name == name) return Handle(i + 1);
    return 0;
}

GlShader::Parameter* GlShader::byHandle(Handle h) {
    return h >= 1 && h <= m_params.size() ? &m_params[h - 1] : nullptr;
}

void GlShader::setVector(Handle h, const Math::Vector4f* v) {
    Parameter* p = byHandle(h);
    if (!p || !v) return;
    switch (p->type) {
        case GL_FLOAT: glProgramUniform1f(m_program, p->location, v->x); break;
        case GL_FLOAT_VEC2: glProgramUniform2f(m_program, p->location, v->x, v->y); break;
        case GL_FLOAT_VEC3: glProgramUniform3f(m_program, p->location, v->x, v->y, v->z); break;
        case GL_FLOAT_VEC4: glProgramUniform4f(m_program, p->location, v->x, v->y, v->z, v->w); break;
        default: break;
    }
}

void GlShader::setVectorArray(Handle h, const Math::Vector4f* v, int count) {
    Parameter* p = byHandle(h);
    if (!p || !v || count < 1 || p->type != GL_FLOAT_VEC4) return;
    glProgramUniform4fv(m_program, p->location, std::min(count, p->size), &v->x);
}

void GlShader::setMatrix(Handle h, const Math::Matrix4f* m) {
    Parameter* p = byHandle(h);
    if (!p || !m || p->type != GL_FLOAT_MAT4) return;
    glProgramUniformMatrix4fv(m_program, p->location, 1, GL_FALSE, &m->m[0][0]);
}

void GlShader::setTexture(Handle h, RendAPI::ITexture* texture) {
    Parameter* p = byHandle(h);
    if (!p || p->unit < 0) return;
    p->texture = texture;
    p->glTexture = 0;
}

void GlShader::set(const char* name, float x, float y, float z, float w) {
    const Math::Vector4f v(x, y, z, w);
    setVector(getParameterByName(0, name), &v);
}

void GlShader::set(const char* name, const Math::Matrix4f& m) { setMatrix(getParameterByName(0, name), &m); }

void GlShader::set(const char* name, int value) {
    Parameter* p = byHandle(getParameterByName(0, name));
    if (p && p->type == GL_INT) glProgramUniform1i(m_program, p->location, value);
}

void GlShader::setArray(const char* name, const float* values, int count) {
    Parameter* p = byHandle(getParameterByName(0, name));
    if (p && p->type == GL_FLOAT && values && count > 0)
        glProgramUniform1fv(m_program, p->location, std::min(count, p->size), values);
}

void GlShader::setTexture(const char* name, RendAPI::ITexture* texture) {
    setTexture(getParameterByName(0, name), texture);
}

void GlShader::setGlTexture(const char* name, GLuint texture) {
    Parameter* p = byHandle(getParameterByName(0, name));
    if (!p || p->unit < 0) return;
    p->texture = nullptr;
    p->glTexture = texture;
}

void GlShader::use(GlRenderApi& api) {
    glUseProgram(m_program);
    for (const Parameter& p : m_params)
        if (p.unit >= 0) glBindTextureUnit(GLuint(p.unit), p.glTexture ? p.glTexture : api.glTextureOf(p.texture));
}

}  // namespace glhost
