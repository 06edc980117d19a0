#version 450 core
// "SysPostEffect" combine: the source's first channel into the destination's channels that the
// mask selects (the host sets the write mask; mode 1 replaces them, other modes add to them).
in vec2 v_uv;
out vec4 o_color;

uniform sampler2D u_source;
uniform vec4 u_sourceRect;  // half texel, used fraction of the source

void main() {
    o_color = vec4(texture(u_source, v_uv * u_sourceRect.zw).x);
}
