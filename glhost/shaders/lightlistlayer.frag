#version 450 core
// "SysLightRender" list-layer operation: layer k of every tile's list (one texel per tile, the
// viewport is tilesX x tilesY): the first light after the tile's light of layer k - 1 whose depth
// interval in the tile (occlusion) meets the tile's depth range; (0, 0) once the list has ended
// (layout in lightlist.glsl). Layer 0 starts from light 0.
#include "lightlist.glsl"

out vec4 o_entry;

uniform int u_lightCount;
uniform sampler2D u_occlusion;   // "m_rtOcclusion"
uniform sampler2D u_depthRange;  // "m_rtDepthRange"
uniform sampler2D u_list;        // "m_rtLightsList": the layers made so far
uniform vec4 u_previous;         // layer k - 1's texel-centred corner and texel size, or 0 for k = 0
uniform vec2 u_tiles;            // tiles across and down

void main() {
    ivec2 tile = ivec2(gl_FragCoord.xy);
    ivec2 tiles = ivec2(u_tiles);
    o_entry = vec4(0.0);
    int next = 0;
    if (u_previous.z > 0.0) {
        vec2 previous = texelFetch(u_list, ivec2(u_previous.xy / u_previous.zw) + tile, 0).xy;
        if (previous.y <= 0.0) return;
        next = int(previous.x + 0.5) + 1;
    }
    vec2 range = texelFetch(u_depthRange, tile, 0).xy;
    for (int light = next; light < u_lightCount; ++light) {
        vec2 z = texelFetch(u_occlusion, gridTexel(light, tile, tiles), 0).xy;
        if (z.x <= z.y && z.x <= range.y && z.y >= range.x) {
            o_entry = vec4(float(light), 1.0, 0.0, 0.0);
            return;
        }
    }
}
