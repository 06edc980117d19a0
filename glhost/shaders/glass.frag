#version 450 core
// The transparent object: glass that mirrors the probe cube by its Fresnel factor and lets the
// scene show through, blended over the lit scene (alpha: how much it covers). It places itself
// against the cloud layer with the exclusion volumes' constants (TransparentExclusion):
// - where the cloud targets ("g_tVolumeDepth", "g_tVolumeAlpha", "g_vExVolumeRect") hold a cloud
//   nearer than the glass, the glass is hidden behind it by the cloud's opacity,
// - except inside the exclusion volumes (entries 1..3 of u_exLayer / u_exParams: centre in the
//   drawing frame, radius in x), which keep the clouds out, with an edge as sharp as
//   "g_vExVolumeSettings".x says (1 soft .. 1000 hard),
// - and the overcast layer's half on the camera's side (entry 0: 1 / its quarter depth in x, the
//   height of its middle in y, both relative to the camera's base) greys the glass by the share
//   of that half the sight line crosses.
in vec3 v_position;
in vec3 v_normal;
in vec3 v_albedo;
in vec3 v_horizon;
out vec4 o_color;

uniform vec3 u_eye;
uniform vec3 u_viewAxis;           // the camera's forward axis
uniform samplerCube u_probe;
uniform sampler2D g_tVolumeDepth;  // "m_rtCloudDepth": view depth / u_depthScale
uniform sampler2D g_tVolumeAlpha;  // "m_rtCloudVol"
uniform vec4 g_vExVolumeSettings;
uniform vec4 g_vExVolumeRect;
uniform vec4 u_exLayer[4];
uniform vec4 u_exParams[4];
uniform vec2 u_screenSize;
uniform float u_depthScale;

void main() {
    vec3 n = normalize(v_normal);
    vec3 toEye = u_eye - v_position;
    vec3 v = -normalize(toEye);
    if (dot(n, v) > 0.0) n = -n;
    float cosine = clamp(-dot(n, v), 0.0, 1.0);
    float fresnel = 0.04 + 0.96 * pow(1.0 - cosine, 5.0);
    vec3 color = texture(u_probe, reflect(v, n)).rgb * fresnel + v_albedo * 0.02;
    float alpha = mix(0.12, 1.0, fresnel);

    // The overcast's half-layer: the share of it between the eye and the glass, in height.
    if (u_exLayer[0].x != 0.0) {
        float halfDepth = 1.0 / abs(u_exLayer[0].x), middle = u_exLayer[0].y;
        float lo = min(u_eye.y, v_position.y), hi = max(u_eye.y, v_position.y);
        float inside = max(min(hi, middle + halfDepth) - max(lo, middle - halfDepth), 0.0) / (2.0 * halfDepth);
        color = mix(color, v_horizon, clamp(inside, 0.0, 1.0));
    }

    // A cloud in front of the glass hides it, outside the exclusion volumes.
    vec2 uv = gl_FragCoord.xy / u_screenSize * g_vExVolumeRect.zw;
    float cloudDepth = texture(g_tVolumeDepth, uv).x * u_depthScale;
    float glassDepth = dot(-toEye, u_viewAxis);
    float cloud = cloudDepth < glassDepth ? texture(g_tVolumeAlpha, uv).a : 0.0;
    float shows = 1.0;
    for (int i = 1; i < 4; ++i) {
        float radius = u_exParams[i].x;
        if (radius <= 0.0 || u_exLayer[i].w != 0.0) continue;
        float outside = (distance(v_position, u_exLayer[i].xyz) - radius) / radius;
        shows = min(shows, clamp(outside * max(g_vExVolumeSettings.x, 1.0), 0.0, 1.0));
    }
    o_color = vec4(color, alpha * (1.0 - cloud * shows));
}
