#include "glhost/GlObjects.h"

namespace glhost::gl {

namespace {

constexpr int kTypes = 7;
int s_live[kTypes] = {};

GLuint counted(ObjectType type, GLuint name) {
    if (name) ++s_live[static_cast<int>(type)];
    return name;
}

}  // namespace

GLuint createTexture(GLenum target) {
    GLuint name = 0;
    glCreateTextures(target, 1, &name);
    return counted(ObjectType::Texture, name);
}

GLuint createFramebuffer() {
    GLuint name = 0;
    glCreateFramebuffers(1, &name);
    return counted(ObjectType::Framebuffer, name);
}

GLuint createBuffer() {
    GLuint name = 0;
    glCreateBuffers(1, &name);
    return counted(ObjectType::Buffer, name);
}

GLuint createVertexArray() {
    GLuint name = 0;
    glCreateVertexArrays(1, &name);
    return counted(ObjectType::VertexArray, name);
}

GLuint createProgram() { return counted(ObjectType::Program, glCreateProgram()); }

GLuint createShader(GLenum stage) { return counted(ObjectType::Shader, glCreateShader(stage)); }

GLuint createQuery(GLenum target) {
    GLuint name = 0;
    glCreateQueries(target, 1, &name);
    return counted(ObjectType::Query, name);
}

void deleteObject(ObjectType type, GLuint& name) {
    if (!name) return;
    switch (type) {
        case ObjectType::Texture: glDeleteTextures(1, &name); break;
        case ObjectType::Framebuffer: glDeleteFramebuffers(1, &name); break;
        case ObjectType::Buffer: glDeleteBuffers(1, &name); break;
        case ObjectType::VertexArray: glDeleteVertexArrays(1, &name); break;
        case ObjectType::Program: glDeleteProgram(name); break;
        case ObjectType::Shader: glDeleteShader(name); break;
        case ObjectType::Query: glDeleteQueries(1, &name); break;
    }
    --s_live[static_cast<int>(type)];
    name = 0;
}

int liveObjectCount() {
    int n = 0;
    for (int live : s_live) n += live;
    return n;
}

int liveObjectCount(ObjectType type) { return s_live[static_cast<int>(type)]; }

}  // namespace glhost::gl
