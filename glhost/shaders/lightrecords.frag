#version 450 core
// "SysLightRender" record and shadow-record operations: up to 16 lights written into their
// columns of "m_rtLights" (layout in lightlist.glsl). The viewport is the block being written
// (columns first .. first + count - 1, four rows); u_rows holds its texels, four per light.
out vec4 o_texel;

uniform vec4 u_rows[64];   // light c's row r at c * 4 + r
uniform vec2 u_origin;     // the viewport's top-left texel

void main() {
    ivec2 local = ivec2(gl_FragCoord.xy - u_origin);
    o_texel = u_rows[local.x * 4 + local.y];
}
