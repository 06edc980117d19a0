#version 450 core
// The scene's geometry in the screen-depth pass (PSMShadow::beginScreenDepth .. endScreenDepth):
// what screendepth.frag writes into the normal, depth and velocity targets.
#include "host.glsl"

layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;

uniform mat4 u_world;               // model -> drawing frame
uniform mat4 u_viewProj;
uniform mat4 u_view;
uniform mat4 g_mPrevObjViewProj;    // KinematicEffector: the object's points as last frame projected them

out vec3 v_viewNormal;
out float v_viewDepth;
out vec4 v_clip;
out vec4 v_previousClip;

void main() {
    vec4 p = u_world * vec4(a_position, 1.0);
    v_viewNormal = mat3(u_view) * mat3(u_world) * a_normal;
    v_viewDepth = (u_view * p).z;
    v_clip = u_viewProj * p;
    v_previousClip = g_mPrevObjViewProj * p;
    gl_Position = v_clip;
    gl_ClipDistance[0] = dot(gl_Position, u_clipPlane);
}
