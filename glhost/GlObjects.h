#pragma once
// Every OpenGL object the GL host makes goes through these functions, so that the host can say
// how many it holds: gl::liveObjectCount() is 0 once everything is released (the shutdown check).
#include <epoxy/gl.h>

namespace glhost::gl {

enum class ObjectType { Texture, Framebuffer, Buffer, VertexArray, Program, Shader, Query };

GLuint createTexture(GLenum target);
GLuint createFramebuffer();
GLuint createBuffer();
GLuint createVertexArray();
GLuint createProgram();
GLuint createShader(GLenum stage);
GLuint createQuery(GLenum target);
// Deletes the object (0 is ignored) and sets the name to 0.
void deleteObject(ObjectType type, GLuint& name);

// Objects made and not yet deleted, all types together and by type.
int liveObjectCount();
int liveObjectCount(ObjectType type);

}  // namespace glhost::gl
