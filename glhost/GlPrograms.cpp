#include "glhost/GlPrograms.h"

#include <epoxy/gl.h>

#include <vector>

#include "glhost/GlObjects.h"

namespace glhost {

namespace {

std::string infoLog(GLuint object, bool program) {
    GLint length = 0;
    if (program)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(std::max(length, 1)), '\0');
    if (program)
        glGetProgramInfoLog(object, length, nullptr, log.data());
    else
        glGetShaderInfoLog(object, length, nullptr, log.data());
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    return log;
}

// One compiled stage, or 0 with the error.
GLuint compileStage(GLenum stage, const std::string& file, ShaderLookup lookup, std::string& error) {
    std::string source;
    std::vector<std::string> files;
    if (!expandShaderSource(file, lookup, source, files, error)) return 0;
    GLuint shader = gl::createShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        error = "shader does not compile:\n" + describeShaderLog(infoLog(shader, false), files);
        gl::deleteObject(gl::ObjectType::Shader, shader);
    }
    return shader;
}

}  // namespace

std::unique_ptr<GlShader> GlPrograms::compile(const std::string& name, const std::string& vertexFile,
                                              const std::string& fragmentFile, ShaderLookup lookup,
                                              std::string& error) {
    GLuint vertex = compileStage(GL_VERTEX_SHADER, vertexFile, lookup, error);
    GLuint fragment = vertex ? compileStage(GL_FRAGMENT_SHADER, fragmentFile, lookup, error) : 0;
    if (!fragment) {
        gl::deleteObject(gl::ObjectType::Shader, vertex);
        return nullptr;
    }
    GLuint program = gl::createProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDetachShader(program, vertex);
    glDetachShader(program, fragment);
    gl::deleteObject(gl::ObjectType::Shader, vertex);
    gl::deleteObject(gl::ObjectType::Shader, fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        error = "program \"" + name + "\" (" + vertexFile + ", " + fragmentFile + ") does not link:\n" +
                infoLog(program, true);
        gl::deleteObject(gl::ObjectType::Program, program);
        return nullptr;
    }
    return std::make_unique<GlShader>(name, program);
}

GlShader* GlPrograms::load(const std::string& name, const std::string& vertexFile, const std::string& fragmentFile,
                           std::string& error) {
    if (GlShader* known = find(name)) return known;
    std::unique_ptr<GlShader> shader = compile(name, vertexFile, fragmentFile, &findEmbeddedShader, error);
    if (!shader) return nullptr;
    GlShader* raw = shader.get();
    m_programs[name] = std::move(shader);
    return raw;
}

GlShader* GlPrograms::find(const std::string& name) const {
    auto it = m_programs.find(name);
    return it == m_programs.end() ? nullptr : it->second.get();
}

}  // namespace glhost
