#version 450 core
// "SysPostEffect" ambient occlusion: the share of a hemisphere of `radius` world units around each
// pixel's surface point (oriented by its normal) that the scene's depth does not hide, 1 for an
// open surface, toward 0 in creases. u_samples points per pixel, spread over the hemisphere by a
// per-pixel rotation of a fixed set (a 4 x 4 pattern the depth-guided filter smooths out). A
// point counts as hidden when the scene at its screen position lies in front of it by more than
// the depth precision, but not farther in front than the radius (a distant foreground object
// does not darken the background). Pixels without geometry are open (1).
#include "screenspace.glsl"

in vec2 v_uv;
out vec4 o_occlusion;

uniform sampler2D u_normals;
uniform sampler2D u_depth;
uniform vec4 u_source;    // the source rectangle (half texel, used fraction)
uniform int u_samples;
uniform float u_radius;

const float kGoldenAngle = 2.39996323;

void main() {
    vec2 uv = v_uv * u_source.zw;
    vec4 nt = texture(u_normals, uv);
    float z = texture(u_depth, uv).x;
    o_occlusion = vec4(1.0);
    if (nt.a < 0.5 || z > kBackgroundDepth || u_samples < 1) return;
    z *= u_depthScale;
    vec3 p = viewPosition(ndcOf(v_uv), z);
    vec3 n = decodeNormal(nt);
    vec3 t = normalize(abs(n.y) < 0.9 ? cross(n, vec3(0, 1, 0)) : cross(n, vec3(1, 0, 0)));
    vec3 b = cross(n, t);
    ivec2 cell = ivec2(gl_FragCoord.xy) & 3;
    float rotation = float(cell.x * 4 + cell.y) * (6.2831853 / 16.0);
    float tolerance = z * (1.0 / 512.0) + 0.002 * u_radius;
    float hidden = 0.0;
    for (int i = 0; i < u_samples; ++i) {
        float f = (float(i) + 0.5) / float(u_samples);
        float a = float(i) * kGoldenAngle + rotation;
        float up = 0.2 + 0.8 * fract(f * 7.0 + 0.37);  // never in the tangent plane
        float r = sqrt(1.0 - up * up);
        vec3 dir = t * (cos(a) * r) + b * (sin(a) * r) + n * up;
        vec3 s = p + dir * (u_radius * (0.15 + 0.85 * f));
        if (s.z <= 0.0) continue;
        float sceneZ = texture(u_depth, screenOf(s) * u_source.zw).x * u_depthScale;
        float inFront = s.z - sceneZ;
        hidden += float(inFront > tolerance && inFront < u_radius);
    }
    o_occlusion = vec4(1.0 - hidden / float(u_samples));
}
