#version 450 core
// The frame's display pass: the HDR scene through the exposure, the tone curve and the sRGB
// encoding (tonemap.glsl) into the 8-bit output.
#include "tonemap.glsl"

in vec2 v_uv;
out vec4 o_color;

uniform sampler2D u_scene;
uniform float u_exposure;

void main() {
    o_color = vec4(toneMap(texture(u_scene, v_uv).rgb, u_exposure), 1.0);
}
