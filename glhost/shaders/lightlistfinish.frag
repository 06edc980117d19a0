#version 450 core
// "SysLightRender" list-finish operation, drawn over layer 0's block of the list (the target in
// force): layer 0's second channel becomes the length of the tile's list, so that the scene reads
// it once and loops over exactly that many layers (layout in lightlist.glsl). The last layer made
// (u_last) tells a full list at once; otherwise a binary search over the layers, whose valid
// entries form a prefix, finds the length. The list is read while it is the target: each fragment
// reads its own texel once and other layers' texels, after a texture barrier.
#include "lightlist.glsl"

out vec4 o_entry;

uniform sampler2D u_list;   // "m_rtLightsList"
uniform sampler2D u_last;   // "m_rtLightsTemp": the last layer made
uniform int u_layers;       // layers made
uniform vec2 u_tiles;

bool valid(int layer, ivec2 tile, ivec2 tiles) {
    return texelFetch(u_list, gridTexel(layer, tile, tiles), 0).y > 0.0;
}

void main() {
    ivec2 tile = ivec2(gl_FragCoord.xy);
    ivec2 tiles = ivec2(u_tiles);
    vec2 first = texelFetch(u_list, tile, 0).xy;
    int length = 0;
    if (texelFetch(u_last, tile, 0).y > 0.0) {
        length = u_layers;
    } else if (first.y > 0.0) {
        int lo = 1, hi = u_layers - 1;  // layers [0, lo) are valid, [hi, layers) are not
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (valid(mid, tile, tiles)) lo = mid + 1; else hi = mid;
        }
        length = lo;
    }
    o_entry = vec4(first.x, float(length), 0.0, 0.0);
}
