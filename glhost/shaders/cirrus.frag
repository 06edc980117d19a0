#version 450 core
// "Cirrus": the cloud layer (cloudlayer.glsl), one full-screen pass in three modes.
// Mode 0: the clouds over the sky as the camera sees them: each view ray that meets the layer
//   takes its colour (lit by the sun and the sky's light) with the cloud's opacity as alpha, which
//   the host blends over the target; rays that miss it, and the far layer near the horizon, fade.
// Mode 1: the same into the cloud targets: target 0 ("m_rtCloudVol") colour and opacity, target 1
//   ("m_rtCloudDepth") the view depth of the layer along the ray / the screen depth range (no
//   cloud: the far background value).
// Mode 2: the cloud-shadow map ("cld_shadows"): one tile of the pattern over the whole target,
//   the sunlight that passes the layer (1 clear .. 1 - opacity under a thick cloud).
#include "cloudlayer.glsl"

in vec2 v_uv;
in vec2 v_ndc;
layout(location = 0) out vec4 o_color;
layout(location = 1) out vec4 o_depth;

uniform int u_mode;
uniform mat4 u_invRotationProj;  // inverse of the camera's rotation x projection
uniform vec3 u_forward;          // the camera's view axis (world)
uniform vec3 u_eye;              // the camera's world position, relative to u_origin
uniform float u_altitude;        // the layer's altitude relative to u_origin's height
uniform vec2 u_patternOrigin;    // pattern coordinates of the point under u_origin
uniform float u_tileSize;        // world units of one tile of the pattern
uniform vec3 u_sunColor;         // radiance the layer's lit side receives, scene units
uniform vec3 u_skyColor;         // radiance of the sky's light on the layer
uniform float u_opacity;         // the most a thick cloud hides
uniform float u_depthScale;      // the screen depth range (world units of one unit of depth)

void main() {
    if (u_mode == 2) {
        float shadow = 1.0 - cloudDensity(v_uv) * u_opacity;
        o_color = vec4(shadow, shadow, shadow, 1.0);
        o_depth = vec4(0.0);
        return;
    }
    vec4 a = u_invRotationProj * vec4(v_ndc, 0.0, 1.0);
    vec4 b = u_invRotationProj * vec4(v_ndc, 1.0, 1.0);
    vec3 d = normalize(b.xyz / b.w - a.xyz / a.w);
    float height = u_altitude - u_eye.y;
    float t = abs(d.y) > 1e-5 ? height / d.y : -1.0;
    float alpha = 0.0;
    vec3 color = vec3(0.0);
    if (t > 0.0) {
        vec2 hit = u_eye.xz + d.xz * t;
        float density = cloudDensity(u_patternOrigin + hit / u_tileSize);
        float fade = exp(-t / (u_tileSize * 6.0));
        alpha = clamp(density * u_opacity * fade, 0.0, 1.0);
        color = u_sunColor * (0.04 + 0.12 * (1.0 - density)) + u_skyColor;
    }
    o_color = vec4(color, alpha);
    float depth = t > 0.0 && alpha > 0.01 ? t * dot(d, u_forward) / u_depthScale : 100000.0;
    o_depth = vec4(depth, 0.0, 0.0, 0.0);
}
