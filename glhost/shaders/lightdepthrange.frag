#version 450 core
// "SysLightRender" depth-range operation: for each tile (one texel each, the viewport is
// tilesX x tilesY) the nearest and farthest scene depth over the screen-depth texels under the
// tile, in world units, widened against 16-bit rounding (layout in lightlist.glsl). Every texel
// under the tile is read, so the range holds every pixel's depth.
#include "lightlist.glsl"

out vec4 o_range;

uniform sampler2D u_depth;       // "m_prtScreenDepth": view depth / u_depthScale in x
uniform vec2 u_texelsPerTile;    // screen-depth texels under one tile, across and down
uniform vec2 u_used;             // texels of the screen-depth target the screen covers
uniform float u_depthScale;      // world units of one unit of screen depth

const int kMaxTexels = 128;      // per side of a tile (the screen depth is at most 4096 wide)

void main() {
    vec2 tile = floor(gl_FragCoord.xy);
    ivec2 lo = ivec2(floor(tile * u_texelsPerTile));
    ivec2 hi = ivec2(min(ceil((tile + 1.0) * u_texelsPerTile), u_used));
    hi = min(hi, lo + kMaxTexels);
    float nearest = 1.0 / 0.0, farthest = 0.0;
    for (int y = lo.y; y < hi.y; ++y)
        for (int x = lo.x; x < hi.x; ++x) {
            float d = texelFetch(u_depth, ivec2(x, y), 0).x * u_depthScale;
            nearest = min(nearest, d);
            farthest = max(farthest, d);
        }
    o_range = vec4(nearest * (1.0 - kHalfWiden), farthest * (1.0 + kHalfWiden), 0.0, 0.0);
}
