#version 450 core
// Shadow casters into a depth map: the camera in force is the light's (its projection the
// module's light-space matrix).
#include "host.glsl"

layout(location = 0) in vec3 a_position;

uniform mat4 u_world;
uniform mat4 u_viewProj;

void main() {
    gl_Position = u_viewProj * (u_world * vec4(a_position, 1.0));
    gl_ClipDistance[0] = dot(gl_Position, u_clipPlane);
}
