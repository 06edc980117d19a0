#version 450 core
// "SysPostEffect" edge detection: where the screen normals or the depth change abruptly between a
// pixel and its four neighbours. Edge strength (0 .. 1) in every channel: the largest change of
// the normal (1 - cosine of the angle) or of the relative depth, less the threshold, times the
// scale. Pixels beside no geometry are edges where their neighbours are geometry.
#include "screenspace.glsl"

in vec2 v_uv;
out vec4 o_edge;

uniform sampler2D u_normals;
uniform sampler2D u_depth;
uniform vec4 u_source;      // the source rectangle (half texel, used fraction)
uniform float u_threshold;
uniform float u_scale;

void main() {
    vec2 uv = v_uv * u_source.zw;
    vec2 texel = u_source.xy * 2.0;
    vec4 n0 = texture(u_normals, uv);
    float d0 = texture(u_depth, uv).x;
    float change = 0.0;
    const vec2 offsets[4] = vec2[](vec2(1, 0), vec2(-1, 0), vec2(0, 1), vec2(0, -1));
    for (int i = 0; i < 4; ++i) {
        vec2 at = clamp(uv + offsets[i] * texel, vec2(0.0), u_source.zw - u_source.xy);
        vec4 n = texture(u_normals, at);
        float d = texture(u_depth, at).x;
        if (n.a < 0.5 || n0.a < 0.5) {
            change = max(change, abs(n.a - n0.a));
            continue;
        }
        change = max(change, 1.0 - dot(decodeNormal(n), decodeNormal(n0)));
        change = max(change, abs(d - d0) / max(min(d, d0), 1e-6));
    }
    o_edge = vec4(clamp((change - u_threshold) * u_scale, 0.0, 1.0));
}
