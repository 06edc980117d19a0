#version 450 core
// "SkySphere": the sky dome behind everything, one full-screen pass.
// Mode 0: the sky of the model (skyColor) in every pixel's view direction.
// Mode 2: the same with the sun's disc and glow, the moon lit by its phase and the angle of its
// lit side, and the Milky Way; the stars are points drawn after it (stars.vert).
// Output: linear HDR radiance (the scene's unit: the sky model's) in the colour target.
#include "skymodel.glsl"

in vec2 v_ndc;
out vec4 o_color;

uniform mat4 u_invViewProj;   // inverse of the camera's rotation x projection
uniform int u_mode;
uniform vec4 u_sunDisc;       // sun direction (unit), cosine of its angular radius
uniform vec3 u_sunColor;      // radiance of the disc
uniform vec4 u_moonDisc;      // moon direction (unit), angular radius (radians)
uniform vec4 u_moonLight;     // light direction on the moon (world), brightness
uniform vec3 u_galNorth;      // north galactic pole (unit)
uniform vec4 u_galCentre;     // galactic centre (unit), brightness of the band

vec3 viewDirection() {
    vec4 a = u_invViewProj * vec4(v_ndc, 0.0, 1.0);
    vec4 b = u_invViewProj * vec4(v_ndc, 1.0, 1.0);
    return normalize(b.xyz / b.w - a.xyz / a.w);
}

float hash(vec3 p) {
    p = fract(p * 0.3183099 + 0.1);
    p *= 17.0;
    return fract(p.x * p.y * p.z * (p.x + p.y + p.z));
}

// Smooth value noise on the direction sphere, a few octaves: the band's dust and star clouds.
float clouds(vec3 d) {
    float sum = 0.0, amp = 0.5;
    vec3 p = d * 16.0;
    for (int i = 0; i < 4; ++i) {
        vec3 i0 = floor(p), f = fract(p);
        f = f * f * (3.0 - 2.0 * f);
        float n = mix(mix(mix(hash(i0), hash(i0 + vec3(1, 0, 0)), f.x),
                          mix(hash(i0 + vec3(0, 1, 0)), hash(i0 + vec3(1, 1, 0)), f.x), f.y),
                      mix(mix(hash(i0 + vec3(0, 0, 1)), hash(i0 + vec3(1, 0, 1)), f.x),
                          mix(hash(i0 + vec3(0, 1, 1)), hash(i0 + vec3(1, 1, 1)), f.x), f.y), f.z);
        sum += amp * n;
        amp *= 0.5;
        p *= 2.1;
    }
    return sum;
}

vec3 milkyWay(vec3 d) {
    float b = dot(d, u_galNorth);                     // sine of the galactic latitude
    float band = exp(-b * b / 0.008);
    float core = pow(max(dot(d, u_galCentre.xyz), 0.0), 3.0);
    float dust = clouds(d);
    float dark = clamp(limitingMagnitude(dot(skyColor(d), vec3(0.2126, 0.7152, 0.0722))) - 5.5, 0.0, 1.0);
    return vec3(0.85, 0.9, 1.0) * u_galCentre.w * band * (0.4 + 1.6 * core) * (0.3 + 0.7 * dust * dust) * dark;
}

vec3 sun(vec3 d) {
    float c = dot(d, u_sunDisc.xyz);
    float disc = smoothstep(u_sunDisc.w - 2e-5, u_sunDisc.w + 2e-5, c);
    float glow = pow(max(c, 0.0), 600.0) * 0.02;
    return u_sunColor * (disc + glow);
}

vec3 moon(vec3 d) {
    vec3 m = u_moonDisc.xyz;
    float r = u_moonDisc.w;
    vec3 q = d - m * dot(d, m);                       // offset in the disc's plane
    float rho = length(q) / r;
    if (dot(d, m) <= 0.0 || rho >= 1.0) return vec3(0.0);
    vec3 normal = q / r - m * sqrt(1.0 - rho * rho);  // the sphere's normal, facing us
    float lit = max(dot(normal, u_moonLight.xyz), 0.0);
    float edge = smoothstep(1.0, 0.9, rho);
    return vec3(1.0, 0.97, 0.92) * u_moonLight.w * (lit + 0.02) * edge;
}

void main() {
    vec3 d = viewDirection();
    vec3 c = skyColor(d);
    if (u_mode == 2 && d.y > -0.05) c += milkyWay(d) + moon(d) + sun(d);
    o_color = vec4(c, 1.0);
}
