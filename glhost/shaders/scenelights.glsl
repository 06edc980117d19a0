// The scene's light beyond the day's directional light, as the module binds it:
// - the frame's dynamic lights through the tiled light list (LightSource::setSSLight: the list,
//   the light records, the layout rows of "g_LightListSettings"), each with its attenuation, its
//   spot cone and, when it has an atlas slot, its shadow from "m_rtLightsDepth";
// - the ambient light: the module's ambient colour, shaped by where the light comes from: the
//   sky's spherical harmonics (their irradiance on the six axes) and the ambient cube
//   ("cube_ambient": the surroundings seen from the probe, blurred), blended by the module's
//   ambient-cube strength; darkened by the screen-space ambient occlusion;
// - the cloud shadows: the fog effector's shadow matrix into "cld_shadows".
// Layouts of the light textures: lightlist.glsl.
#include "lightlist.glsl"

uniform sampler2D g_tLightsList;      // "m_rtLightsList"
uniform sampler2D g_tLightsInfo;      // "m_rtLights"
uniform sampler2D g_tLightsShadows;   // "m_rtLightsDepth" (post-projection depth of the nearest caster)
uniform vec4 g_LightListSettings[6];
uniform vec4 g_vDefLightDir;          // w: the number of rendered lights
uniform int u_lightMode;              // 0 no dynamic lights, 1 from the tile's list, 2 every light
uniform int u_lightLimit;             // mode 2: at most this many (the first in the module's order)
uniform vec2 u_lightShadowBias;       // the module's per-light bias: depth share, normal offset (texels)
uniform int u_lightShadows;           // 0: the lights' atlas shadows are not looked up

uniform samplerCube u_ambientCube;    // "cube_ambient"
uniform vec3 u_ambientCubeMean;       // its mean texel (the shape is a texel over it); 0: no cube
uniform float u_ambientCubeWeight;    // how much the cube's shape replaces the sky's (0 .. 1)
uniform vec4 u_skyIrradiance[6];      // rgb: the sky's irradiance shape on +x, -x, +y, -y, +z, -z (mean 1)

uniform sampler2D u_occlusion;        // "m_prtSSAO"
uniform vec4 u_occlusionRect;         // PSMShadow::getSSAORect: zero while occlusion is off
uniform vec2 u_screenSize;            // pixels of the frame (occlusion and lists follow it)

uniform sampler2D u_cloudShadows;     // "cld_shadows"
uniform mat4 u_cloudShadowMatrix;     // FogEffector::getShadowMatrix; zero: no cloud shadows

const float kShaderTagRed = 100.0;

// Lit share (0 .. 1) of a light with an atlas slot at p: 3 x 3 comparisons in its map.
float lightShadow(int light, float slot, vec3 p, vec3 n, vec3 toLight, float range) {
    vec4 atlas = g_LightListSettings[5];
    if (slot < 0.0 || atlas.x <= 0.0 || u_lightShadows == 0) return 1.0;
    int level = int(slot) >> 5, index = int(slot) & 31;
    float mapWidth = g_LightListSettings[3][level], mapHeight = g_LightListSettings[4][level];
    float texel = 1.0 / (mapWidth * atlas.x);  // of the light's map, in its 0..1 coordinates
    float distance = length(p - texelFetch(g_tLightsInfo, ivec2(light, 0), 0).xyz);
    // The map covers 2 tan(half-angle) d across at distance d: one texel is that over its size.
    float cosHalf = texelFetch(g_tLightsInfo, ivec2(light, 3), 0).y;
    float spread = 2.0 * sqrt(max(1.0 - cosHalf * cosHalf, 0.0)) / max(cosHalf, 0.05) * texel;
    vec3 q = p + n * (u_lightShadowBias.y * spread * distance * (1.0 - 0.5 * max(dot(n, toLight), 0.0)));
    vec4 c = q.x * texelFetch(g_tLightsInfo, ivec2(light, 4), 0) + q.y * texelFetch(g_tLightsInfo, ivec2(light, 5), 0) +
             q.z * texelFetch(g_tLightsInfo, ivec2(light, 6), 0) + texelFetch(g_tLightsInfo, ivec2(light, 7), 0);
    if (c.w <= 0.0) return 1.0;
    vec2 uv = vec2(c.x / c.w * 0.5 + 0.5, 0.5 - c.y / c.w * 0.5);
    if (any(lessThan(uv, vec2(0.0))) || any(greaterThan(uv, vec2(1.0)))) return 1.0;
    // Post-projection depth back to distance along the light's axis (near 0.01 R, far R).
    float zn = 0.01 * range, zf = range;
    float receiver = c.w * (1.0 - u_lightShadowBias.x);
    vec2 corner = vec2(float(index) * mapWidth, g_LightListSettings[2][level]);
    float lit = 0.0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            vec2 at = clamp(uv + vec2(i, j) * texel, vec2(0.5 * texel), vec2(1.0 - 0.5 * texel));
            float stored = texture(g_tLightsShadows, corner + at * vec2(mapWidth, mapHeight)).x;
            float casterDistance = zn * zf / max(zf - stored * (zf - zn), 1e-6);
            lit += float(receiver <= casterDistance);
        }
    return lit / 9.0;
}

// Light arriving at p (normal n) from light `light` of the records: colour times attenuation,
// cone and shadow, times the cosine.
vec3 lightFrom(int light, vec3 p, vec3 n) {
    vec4 position = texelFetch(g_tLightsInfo, ivec2(light, 0), 0);
    if (position.w < 1.5) return vec3(0.0);  // the directional light comes through g_vDefLight*
    vec4 shape = texelFetch(g_tLightsInfo, ivec2(light, 3), 0);  // range, cone cosines, slot
    vec3 toLight = position.xyz - p;
    float d2 = dot(toLight, toLight), range2 = shape.x * shape.x;
    if (d2 >= range2) return vec3(0.0);
    vec4 color = texelFetch(g_tLightsInfo, ivec2(light, 1), 0);
    if (color.r >= kShaderTagRed) color.r -= kShaderTagRed;
    toLight *= inversesqrt(max(d2, 1e-8));
    float falloff = 1.0 - d2 / range2;
    float attenuation = falloff * falloff / (1.0 + color.w * d2);
    if (position.w > 2.5 && position.w < 3.5) {
        vec3 axis = texelFetch(g_tLightsInfo, ivec2(light, 2), 0).xyz;
        attenuation *= smoothstep(shape.y, max(shape.z, shape.y + 1e-4), dot(toLight, axis));
    }
    float cosine = max(dot(n, toLight), 0.0);
    if (attenuation * cosine <= 0.0) return vec3(0.0);
    return color.rgb * (attenuation * cosine * lightShadow(light, shape.w, p, n, toLight, shape.x));
}

// The dynamic lights at p: the lights of the pixel's tile, or every light of the frame.
vec3 dynamicLights(vec3 p, vec3 n) {
    vec3 sum = vec3(0.0);
    if (u_lightMode == 2) {
        int count = min(int(g_vDefLightDir.w), u_lightLimit);
        for (int i = 0; i < count; ++i) sum += lightFrom(i, p, n);
    } else if (u_lightMode == 1) {
        vec4 rect = g_LightListSettings[0];
        ivec2 tiles = ivec2(rect.xy / rect.zw + 0.5);
        ivec2 tile = ivec2(gl_FragCoord.xy * g_LightListSettings[1].z);
        vec2 first = texelFetch(g_tLightsList, tile, 0).xy;
        int length = int(first.y + 0.5);
        for (int k = 0; k < length; ++k) {
            int light = k == 0 ? int(first.x + 0.5) : int(texelFetch(g_tLightsList, gridTexel(k, tile, tiles), 0).x + 0.5);
            sum += lightFrom(light, p, n);
        }
    }
    return sum;
}

// The sky's light shape at n from its irradiance on the six axes (weights n^2 per axis).
vec3 skyShape(vec3 n) {
    vec3 w = n * n;
    return w.x * u_skyIrradiance[n.x >= 0.0 ? 0 : 1].rgb + w.y * u_skyIrradiance[n.y >= 0.0 ? 2 : 3].rgb +
           w.z * u_skyIrradiance[n.z >= 0.0 ? 4 : 5].rgb;
}

float ambientOcclusion() {
    if (u_occlusionRect.z <= 0.0) return 1.0;
    return texture(u_occlusion, gl_FragCoord.xy / u_screenSize * u_occlusionRect.zw).x;
}

// The ambient light at a surface of normal n: the module's ambient colour shaped by the sky and,
// by its strength, by the ambient cube; occlusion applied.
vec3 sceneAmbient(vec3 moduleAmbient, vec3 n, bool screenSpace) {
    vec3 shape = skyShape(n);
    if (all(greaterThan(u_ambientCubeMean, vec3(0.0))))
        shape = mix(shape, texture(u_ambientCube, n).rgb / u_ambientCubeMean, u_ambientCubeWeight);
    vec3 light = moduleAmbient * shape;
    return screenSpace ? light * ambientOcclusion() : light;
}

// The share of sunlight the cloud layer lets through at p (drawing frame).
float cloudShadow(vec3 p) {
    vec4 c = u_cloudShadowMatrix * vec4(p, 1.0);
    if (u_cloudShadowMatrix[3][3] == 0.0) return 1.0;
    return texture(u_cloudShadows, fract(c.xz)).x;
}
