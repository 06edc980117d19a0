// The fog effector's constants "g_FogDesc" (FogEffector::applyFogParams) turned into the fog of
// one path, the same steps as FogEffector::GetFogK:
//   [0] haze knee (distance, value), [1] ground-fog top plane (0, 1, 0, -its height in the
//   drawing frame), [2] ground-fog colour, [3] ground fog (extinction, depth, -, on),
//   [4] haze densities per channel and exponent, [5] (1 / visibility, ..., ..., desaturation).
uniform vec4 g_FogDesc[6];

// The haze factor per channel over a path of normalised length t (0..1).
vec3 hazeFactor(float t) {
    vec2 knee = g_FogDesc[0].xy;
    vec4 density = g_FogDesc[4];
    float u = knee.x > t ? knee.y / knee.x * t : (t - knee.x) * (1.0 - knee.y) / max(1.0 - knee.x, 1e-6) + knee.y;
    vec3 k = 1.0 - exp(-pow(max(density.rgb * u, vec3(0.0)), vec3(density.a)));
    if (t > 0.8 && density.r + density.g + density.b > 0.001) k = (1.0 - k) * (t - 0.8) * 5.0 + k;
    float grey = (k.r + k.g + k.b) * 0.3333;
    return k + (grey - k) * g_FogDesc[5].w;
}

// The ground fog between two points of the drawing frame: negative when the path starts in the
// layer, positive when it starts above it; its size is the fog's opacity.
float layerFog(vec3 from, vec3 to) {
    vec4 s = g_FogDesc[3];
    if (s.w < 0.5) return 0.0;
    float top = -g_FogDesc[1].w;
    float d1 = from.y - top, d2 = to.y - top;
    vec3 v = from - to;
    if (d1 < 0.0) {
        float len;
        if (d2 >= 0.0) {
            vec3 n = normalize(v);
            len = abs(n.y) > 1e-4 ? d1 / n.y : n.y;
            if (len < 1e-4) return 0.0;
        } else {
            len = length(v);
        }
        return pow(2.718, -s.x * len) - 1.0;
    }
    float m = max(d2, -s.y);
    if (m >= 0.0) return 0.0;
    vec3 n = normalize(v);
    if (abs(n.y) <= 1e-4) return 0.0;
    float len = (d1 - m) / n.y - d1 / n.y;
    if (len < 1e-4) return 0.0;
    return 1.0 - pow(2.718, -s.x * len);
}

// A surface colour seen from `from` at `to`, through the ground fog (towards its colour, lit by
// `light`) and the haze (towards the sky at the horizon in that direction, `horizon`).
vec3 applyFog(vec3 color, vec3 from, vec3 to, vec3 horizon, vec3 light) {
    float layer = abs(layerFog(from, to));
    color = mix(color, g_FogDesc[2].rgb * light, layer);
    vec3 k = hazeFactor(clamp(length(to - from) * g_FogDesc[5].x, 0.0, 1.0));
    return color * (1.0 - k) + horizon * k;
}
