#version 450 core
// The lit scene: the day's light as the module binds it (LightSource::setLight: "ambient" and
// the directional light in "g_avLightPos"/"g_avLightColor"), the directional shadow of the
// perspective shadow map (PSMShadow: light-space matrix, map, front side), then the fog
// (fog.glsl). Under the ambient light lies a faint floor of the renderer's own (starlight and
// airglow: a moonless night is not black). The dynamic lights, the ambient light's shape, the
// occlusion and the cloud shadows come from scenelights.glsl. Water is its dark albedo plus, by
// Fresnel, its mirror image (the planar reflection pass) or, without one, the sky it mirrors.
// Output: linear HDR radiance, the sky model's unit.
#include "skymodel.glsl"
#include "fog.glsl"
#include "scenelights.glsl"

in vec3 v_position;
in vec3 v_normal;
in vec3 v_albedo;
in vec3 v_horizon;
out vec4 o_color;

uniform vec3 u_eye;  // camera position, drawing frame
uniform vec4 ambient;
uniform vec3 u_nightGlow;        // the renderer's own floor under the module's ambient light
uniform vec4 g_avLightPos[8];    // xyz: direction the light travels (directional), w: type
uniform vec4 g_avLightColor[8];
uniform vec4 lightCount;
uniform mat4 u_lightSpace;       // drawing frame -> shadow map's post-perspective space
uniform sampler2D u_shadowMap;   // "psm_depth": depth of the nearest caster (R32F)
uniform vec4 u_shadow;           // on, front side (1: nearer is smaller), texel size, depth bias
uniform float u_water;
uniform sampler2D u_reflection;  // the water's mirror image, as the frame's pixels see it
uniform float u_reflectionOn;

// Lit fraction of the directional light at p: 3 x 3 comparisons around its place in the map.
float shadowFactor(vec3 p, vec3 n, vec3 toLight) {
    if (u_shadow.x < 0.5) return 1.0;
    float facing = max(dot(n, toLight), 0.0);
    vec4 c = u_lightSpace * vec4(p + n * (0.05 + 0.15 * (1.0 - facing)), 1.0);
    if (c.w <= 0.0) return 1.0;
    vec3 q = c.xyz / c.w;
    vec2 uv = vec2(q.x * 0.5 + 0.5, 0.5 - q.y * 0.5);
    if (any(lessThan(uv, vec2(0.0))) || any(greaterThan(uv, vec2(1.0)))) return 1.0;
    float lit = 0.0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            float stored = texture(u_shadowMap, uv + vec2(i, j) * u_shadow.z).r;
            lit += u_shadow.y > 0.5 ? float(q.z <= stored + u_shadow.w) : float(q.z >= stored - u_shadow.w);
        }
    return lit / 9.0;
}

void main() {
    vec3 n = normalize(v_normal);
    vec3 surrounding = sceneAmbient(ambient.rgb + u_nightGlow, n, true);
    vec3 color = v_albedo * surrounding;
    vec3 light = surrounding;
    int count = int(lightCount.x);
    bool shadowed = false;
    for (int i = 0; i < count && i < 8; ++i) {
        if (int(g_avLightPos[i].w) != 1) continue;  // the day light is the directional one
        vec3 toLight = -normalize(g_avLightPos[i].xyz);
        float s = shadowed ? 1.0 : shadowFactor(v_position, n, toLight) * cloudShadow(v_position);
        shadowed = true;
        vec3 direct = g_avLightColor[i].rgb * max(dot(n, toLight), 0.0) * s;
        color += v_albedo * direct;
        light += g_avLightColor[i].rgb * 0.5;
    }
    color += v_albedo * dynamicLights(v_position, n);
    vec3 view = normalize(v_position - u_eye);
    if (u_water > 0.5) {
        vec3 r = reflect(view, vec3(0.0, 1.0, 0.0));
        float fresnel = 0.02 + 0.98 * pow(1.0 - max(-view.y, 0.0), 5.0);
        // Small waves move the mirror image sideways by a few pixels.
        vec2 wave = vec2(sin(v_position.x * 0.9 + v_position.z * 0.4), sin(v_position.z * 1.1 - v_position.x * 0.3));
        vec2 uv = gl_FragCoord.xy / u_screenSize + wave * 0.002;
        color += (u_reflectionOn > 0.5 ? texture(u_reflection, uv).rgb : skyColor(r)) * fresnel;
    }
    o_color = vec4(applyFog(color, u_eye, v_position, v_horizon, light), 1.0);
}
