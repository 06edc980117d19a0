// Exposure, tone curve and sRGB encoding of a linear colour: the scene's display transform.
// glhost/scene/ToneCurve.h is the same function on the CPU (tests compare the two).
// Reinhard's curve on luminance (hue kept, channels then limited to 1), then the sRGB curve.
vec3 toneMap(vec3 linear, float exposure) {
    vec3 c = max(linear, vec3(0.0)) * exposure;
    float l = dot(c, vec3(0.2126, 0.7152, 0.0722));
    if (!(l > 0.0)) return vec3(0.0);
    vec3 mapped = min(c * (1.0 / (1.0 + l)), vec3(1.0));
    vec3 low = mapped * 12.92;
    vec3 high = 1.055 * pow(mapped, vec3(1.0 / 2.4)) - 0.055;
    return mix(high, low, lessThanEqual(mapped, vec3(0.0031308)));
}
