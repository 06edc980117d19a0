// The sky model of enviro::Sky evaluated per direction from its coefficient block (the Perez
// coefficients, the zenith normalisations), which the host copies from the sky after one
// evaluation for the frame's sun and altitude: the dome then agrees with getSkyColor.
uniform float u_perezY[5];   // luminance distribution A..E
uniform float u_perezX[5];   // x chromaticity distribution
uniform float u_perezYc[5];  // y chromaticity distribution
uniform vec4 u_skyNorm;      // normCx, normCy, lumAngleScale, normLum
uniform vec3 u_skySun;       // the sun direction over its four-component length

float perez(float c[5], float cosTheta, float gamma) {
    // cos(theta) reaches 0 at the horizon, where B / cos(theta) is -infinity for the model's
    // negative B: a tiny floor gives the same 0 without dividing by zero.
    float cg = cos(gamma);
    return (1.0 + c[0] * exp(c[1] / max(cosTheta, 1e-6))) * (1.0 + c[2] * exp(c[3] * gamma) + c[4] * cg * cg);
}

// Linear Rec. 709 RGB of the sky in direction dir (any length), as getSkyColor gives it.
vec3 skyColor(vec3 dir) {
    bool below = dir.y < 0.0;
    vec3 d = vec3(dir.x, max(dir.y, 0.0), dir.z);
    float len = length(d);
    if (len > 0.0) d /= len;
    float gamma = acos(clamp(dot(d, u_skySun), -1.0, 1.0));
    float Y = perez(u_perezY, u_skyNorm.z * d.y, 0.3 * gamma) * u_skyNorm.w;
    float x = perez(u_perezX, d.y, gamma) * u_skyNorm.x;
    float y = perez(u_perezYc, d.y, gamma) * u_skyNorm.y;
    if (below) Y *= 0.08;
    if (!(y != 0.0)) return vec3(0.0);
    float X = x / y * Y;
    float Z = (1.0 - x - y) / y * Y;
    return vec3(3.240479 * X - 1.53715 * Y - 0.498535 * Z,
                -0.969256 * X + 1.875992 * Y + 0.0415556 * Z,
                0.055648 * X - 0.204043 * Y + 1.057311 * Z);
}

// The faintest magnitude seen against a sky of this luminance: 6.5 on a dark sky (below 0.003),
// 1.0 in deep twilight (0.15), falling on log-linearly toward negative magnitudes by day.
float limitingMagnitude(float luminance) {
    if (!(luminance > 0.003)) return 6.5;
    return 6.5 - 5.5 * log(luminance / 0.003) / log(0.15 / 0.003);
}
