#version 450 core
// The scene's geometry in the drawing frame (world minus the camera's base), lit in scene.frag.
// The haze's colour, the sky at the horizon in the direction of the vertex, varies slowly over
// the screen: it is evaluated here and interpolated.
#include "host.glsl"
#include "skymodel.glsl"

layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec3 a_albedo;

uniform mat4 u_world;     // model -> drawing frame (rotation and translation only)
uniform mat4 u_viewProj;  // the camera's view x projection
uniform vec3 u_eye;       // camera position, drawing frame

out vec3 v_position;  // drawing frame
out vec3 v_normal;
out vec3 v_albedo;
out vec3 v_horizon;   // the sky at the horizon toward the vertex

void main() {
    vec4 p = u_world * vec4(a_position, 1.0);
    v_position = p.xyz;
    v_normal = (u_world * vec4(a_normal, 0.0)).xyz;
    v_albedo = a_albedo;
    vec3 view = p.xyz - u_eye;
    v_horizon = skyColor(vec3(view.x, max(view.y, 0.0), view.z));
    gl_Position = u_viewProj * p;
    gl_ClipDistance[0] = dot(gl_Position, u_clipPlane);
}
