#version 450 core
// "SysLightRender" occlusion operation: for up to 16 lights (first .. first + count - 1) and every
// tile, the view-depth interval the light's sphere (position, range) covers inside the tile's
// frustum, or an empty interval where it misses it (layout in lightlist.glsl). The viewport holds
// the lights' blocks side by side: count x tilesX texels across, tilesY down.
// The test is conservative: a sphere is kept when it reaches inside each of the tile's four side
// planes (so a few spheres near a tile's corner are kept though they miss it), and its interval
// is its whole depth extent.
#include "lightlist.glsl"

out vec4 o_interval;

uniform sampler2D u_records;  // "m_rtLights"
uniform int u_first;          // index of the first light of the draw
uniform vec2 u_origin;        // the viewport's top-left texel
uniform vec2 u_tiles;         // tiles across and down
uniform vec2 u_tileNdc;       // a tile's width and height in normalised device coordinates
uniform mat4 u_view;          // drawing frame -> view space (+z forward)
uniform vec4 u_projection;    // the projection's x and y scales and offsets: P00, P11, P20, P21

// Does the sphere (c, r) reach the inner side of the plane through the eye where the projected
// coordinate (scale * x / z + offset) equals edge? side is +1 for a lower and -1 for an upper edge.
bool insidePlane(vec2 cxz, float r, float scale, float offset, float edge, float side) {
    vec2 n = side * vec2(scale, offset - edge);
    return dot(n, cxz) >= -r * length(n);
}

void main() {
    vec2 local = floor(gl_FragCoord.xy - u_origin);
    int light = u_first + int(local.x / u_tiles.x);
    vec2 tile = vec2(mod(local.x, u_tiles.x), local.y);
    vec4 position = texelFetch(u_records, ivec2(light, 0), 0);
    float range = texelFetch(u_records, ivec2(light, 3), 0).x;
    o_interval = vec4(1.0, 0.0, 0.0, 0.0);
    if (position.w < 1.5 || !(range > 0.0)) return;  // directional, or no range

    vec3 c = (u_view * vec4(position.xyz, 1.0)).xyz;
    float x0 = -1.0 + tile.x * u_tileNdc.x, x1 = x0 + u_tileNdc.x;
    float y1 = 1.0 - tile.y * u_tileNdc.y, y0 = y1 - u_tileNdc.y;  // row 0 is the top
    bool touches = insidePlane(c.xz, range, u_projection.x, u_projection.z, x0, 1.0) &&
                   insidePlane(c.xz, range, u_projection.x, u_projection.z, x1, -1.0) &&
                   insidePlane(c.yz, range, u_projection.y, u_projection.w, y0, 1.0) &&
                   insidePlane(c.yz, range, u_projection.y, u_projection.w, y1, -1.0);
    float zNear = c.z - range, zFar = c.z + range;
    if (!touches || zFar <= 0.0) return;
    o_interval = vec4(max(zNear, 0.0) * (1.0 - kHalfWiden), zFar * (1.0 + kHalfWiden), 0.0, 0.0);
}
