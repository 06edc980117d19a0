// The daylight sky of enviro::Sky against the published analytic model at turbidity 2, with the
// sky's own additions; the multiplier table, the colour conversion and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "enviro/sky/Sky.h"
#include "enviro/sky/SkyKernel.h"

namespace {

using Math::Vector3f;
using Math::Vector4f;
constexpr double kPi = 3.14159265358979323846, kT = 2.0;  // turbidity

Vector4f dirAt(double elevationDeg, double azimuthDeg) {
    const double e = elevationDeg * kPi / 180.0, a = azimuthDeg * kPi / 180.0;
    return Vector4f(float(std::cos(e) * std::cos(a)), float(std::sin(e)), float(std::cos(e) * std::sin(a)), 0.0f);
}

Vector3f yxy(enviro::Sky& sky, Vector3f dir, Vector4f sun, float altitude = 0.0f) {
    Vector3f out(-1.0f, -1.0f, -1.0f);
    sky.getSkyYxy(dir, sun, altitude, &out);
    return out;
}

double perez(const double (&c)[5], double cosTheta, double gamma) {
    return (1 + c[0] * std::exp(c[1] / cosTheta)) * (1 + c[2] * std::exp(c[3] * gamma) + c[4] * std::cos(gamma) * std::cos(gamma));
}

// Zenith chromaticity of the published model: [T^2 T 1] M [theta^3 theta^2 theta 1]^T.
double zenithChroma(const double (&m)[3][4], double theta) {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i) sum += std::pow(kT, 2 - i / 4) * m[i / 4][i % 4] * std::pow(theta, 3 - i % 4);
    return sum;
}

// (x, y, Y) of the published model (distributions of x and y linear in turbidity, zenith values),
// with the sky's documented additions: multipliers m[1..17], a luminance distribution of its own
// seen at 0.3 of the view's zenith cosine and of its angle to the sun, the zenith luminance scaled
// by 0.095, limited to 0.49, dimmed at night and with altitude, 8 % of the horizon below it.
Vector3f referenceSky(Vector4f sun, Vector3f view, double altitude, const double* m) {
    const double sunLength = std::sqrt(sun.x * sun.x + sun.y * sun.y + sun.z * sun.z + sun.w * sun.w);
    const double sx = sun.x / sunLength, sy = sun.y / sunLength, sz = sun.z / sunLength;
    const double ts = sy < 0 ? kPi / 2 : std::acos(sy), night = std::fmax(0.0, sy < 0 ? 1 + 4 * sy : 1);
    const double h = std::fmin(35000.0, std::fmax(0.0, std::isnan(altitude) ? 0.0 : altitude)) * 2e-5;
    const double chi = (4.0 / 9.0 - kT / 120.0) * (kPi - 2 * ts);
    const double zenithY = std::fmin(0.49, ((4.0453 * kT - 4.9710) * std::tan(chi) - 0.2155 * kT + 2.4192) * 0.095 * night) *
                           std::pow(1 - h, 3);
    const double mx[3][4] = {{0.00166, -0.00375, 0.00209, 0}, {-0.02903, 0.06377, -0.03202, 0.00394}, {0.11693, -0.21196, 0.06052, 0.25886}};
    const double my[3][4] = {{0.00275, -0.00610, 0.00317, 0}, {-0.04214, 0.08970, -0.04153, 0.00516}, {0.15346, -0.26756, 0.06670, 0.26688}};
    const double zenithX = zenithChroma(mx, ts) * m[16];
    const double zenithYc = zenithChroma(my, ts) * m[17] * (1 - 0.05 * std::pow(std::hypot(sx, sz), 3));
    const double px[5][2] = {{-0.0193, -0.2592}, {-0.0665, 0.0008}, {-0.0004, 0.2125}, {-0.0641, -0.8989}, {-0.0033, 0.0452}};
    const double py[5][2] = {{-0.0167, -0.2608}, {-0.0950, 0.0092}, {-0.0079, 0.2102}, {-0.0441, -1.6537}, {-0.0109, 0.0529}};
    double cx[5], cy[5];
    for (int i = 0; i < 5; ++i) cx[i] = (px[i][0] * kT + px[i][1]) * m[1 + i], cy[i] = (py[i][0] * kT + py[i][1]) * m[6 + i];
    const double cl[5] = {-0.55 * (1 + 2.51 * std::log(1 + h) - std::pow(h, 2.21)), -0.121 * m[12], 1.7 * m[13],
                          -22.0 * m[14], 0.1 * m[15]};
    const bool below = view.y < 0;
    const double vy = below ? 0.0 : view.y, length = std::sqrt(view.x * view.x + vy * vy + view.z * view.z);
    const double dx = length > 0 ? view.x / length : 0, dy = length > 0 ? vy / length : 0, dz = length > 0 ? view.z / length : 0;
    const double gamma = std::acos(std::fmin(1.0, dx * sx + dy * sy + dz * sz));
    const double lum = perez(cl, 0.3 * dy, 0.3 * gamma) / perez(cl, 1, ts) * zenithY * (below ? 0.08 : 1.0);
    return Vector3f(float(perez(cx, dy, gamma) / perez(cx, 1, ts) * zenithX), float(perez(cy, dy, gamma) / perez(cy, 1, ts) * zenithYc),
                    float(lum));
}

TEST(SkyModel, AgreesWithThePublishedModel) {
    const float nan = std::nanf("");
    const struct { Vector4f sun; Vector3f view; float altitude; bool tuned; } cases[] = {
        {dirAt(35, 30), {0, 1, 0}, 0, false}, {dirAt(35, 30), {0.49f, 0.34f, 0.8f}, 0, false},  // the zenith; away from it
        {dirAt(60, 200), {0.7f, 0.71f, 0.12f}, 0, false}, {dirAt(80, 0), {-0.34f, 0.94f, 0}, 0, false},
        {dirAt(10, 90), {0.0f, 0.09f, 1.0f}, 0, false},      // close to a low sun
        {{0, 1, 0, 0}, {0.3f, 0.5f, 0.2f}, 0, false},        // zenith sun: luminance limited
        {{0, 1, 0, 1}, {0.3f, 0.5f, 0.2f}, 0, false},        // w counts in the length: 45° high
        {dirAt(85, 40), {0.3f, 0.5f, 0.2f}, 0, true},        // each multiplier scales its own term
        {dirAt(-10, 30), {0.38f, 0.64f, 0.66f}, 0, false},   // dusk: the night factor
        {dirAt(-15, 30), {0.38f, 0.64f, 0.66f}, 0, false},   // night: black, with a chromaticity
        {dirAt(40, 30), {0.4f, 0.6f, -0.2f}, 20000, false},  // altitude dims and changes A; held at 35000
        {dirAt(40, 30), {0.4f, 0.6f, -0.2f}, 50000, false}, {dirAt(40, 30), {0.4f, 0.6f, -0.2f}, 35000, false},
        {dirAt(40, 30), {0.4f, 0.6f, -0.2f}, -500, false}, {dirAt(40, 30), {0.4f, 0.6f, -0.2f}, nan, false},  // sea level
        {dirAt(25, 80), {0.6f, -0.3f, 0.8f}, 0, false},      // below the horizon: 8 % of the horizon
        {dirAt(25, 80), {0, -1, 0}, 0, false}, {dirAt(25, 80), {0, 0, 0}, 0, false},  // zero: 90° from the sun
    };
    enviro::Sky sky;
    sky.init();
    for (const auto& c : cases) {
        double m[18];
        for (int k = 0; k < 18; ++k) m[k] = c.tuned ? 1.0 + 0.01 * k : 1.0;
        for (int k = 1; k < 18; ++k) sky.m_aSkyTable[0][k] = float(m[k]);
        const Vector3f got = yxy(sky, c.view, c.sun, c.altitude), want = referenceSky(c.sun, c.view, c.altitude, m);
        SCOPED_TRACE(testing::Message() << c.sun.y << " " << c.view.x << " " << c.view.y << " " << c.altitude);
        EXPECT_NEAR(got.x, want.x, 1e-5);
        EXPECT_NEAR(got.y, want.y, 1e-5);
        EXPECT_NEAR(got.z, want.z, 2e-5 * want.z + 1e-9);
    }
}

TEST(SkyModel, TableRowsBlendByElevation) {
    enviro::Sky sky;
    sky.init();
    for (int r = 0; r < 24; ++r) sky.m_aSkyTable[r][1] = 1.0f + 0.1f * r;  // scales A of the x distribution
    const struct { double elevation, multiplier; } cases[] = {
        {90, 1.0}, {85, 1.0}, {80, 1.0}, {79.99999, 1.0},  // row 0 at and above 80°
        {42.5, 1.75}, {41, 1.78}, {-10, 2.8},              // rows 5° apart: 7 and 8 half and half, 0.2/0.8; row 18
        {-35, 3.3}, {-50, 3.3}};                           // the last row at and below -35°
    for (const auto& c : cases) {
        yxy(sky, Vector3f(0, 1, 0), dirAt(c.elevation, 30));
        EXPECT_NEAR(sky.m_aPerezCx[0] / -0.2978f, c.multiplier, 1e-4) << c.elevation;
    }
}

TEST(SkyModel, ColourIsRec709OfTheSkyValue) {
    // D65 is the neutral of the conversion (R = G = B = Y); equal energy gives each row's sum times
    // Y; without a chromaticity, black.
    const struct { float x, y, lum, r, g, b, tolerance; } cases[] = {
        {0.3127f, 0.3290f, 0.5f, 0.5f, 0.5f, 0.5f, 1e-3f},
        {1 / 3.0f, 1 / 3.0f, 0.5f, 0.5f * 1.204794f, 0.5f * 0.9482916f, 0.5f * 0.908916f, 1e-6f}, {0, 0, 0, 0, 0, 0, 0},
        {0.3f, 0, 1, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        float r, g, b;
        enviro::detail::yxyToRgbLanes(c.x, c.y, c.lum, r, g, b);
        EXPECT_NEAR(r, c.r, c.tolerance);
        EXPECT_NEAR(g, c.g, c.tolerance);
        EXPECT_NEAR(b, c.b, c.tolerance);
    }
}

TEST(SkyModel, BadInputGivesTheDocumentedFiniteResults) {
    const float nan = std::nanf(""), inf = INFINITY;
    enviro::Sky sky;
    const Vector4f sun = dirAt(30, 30);
    auto rgbOf = [&sky](Vector3f dir, Vector4f s) {
        Vector3f rgb(-1, -1, -1);
        sky.getSkyColor(dir, s, 0.0f, &rgb);
        return rgb;
    };
    // A direction with a NaN or infinite component: (0, 0, 0) and black; y = -inf is below the horizon.
    for (const Vector3f bad : {Vector3f(nan, 1, 0), Vector3f(0, inf, 0), Vector3f(-inf, 0.5f, 0), Vector3f(1, -1, nan)})
        EXPECT_TRUE(yxy(sky, bad, sun) == Vector3f(0, 0, 0) && rgbOf(bad, sun) == Vector3f(0, 0, 0));
    EXPECT_EQ(yxy(sky, Vector3f(1, -inf, 0), sun).z, yxy(sky, Vector3f(1, 0, 0), sun).z * 0.08f);
    // A sun with a non-finite component is the zero sun: on the horizon, 90° from every view.
    const Vector3f zeroSun = yxy(sky, Vector3f(0, 1, 0), Vector4f(0, 0, 0, 0));
    EXPECT_TRUE(zeroSun.z > 0.0f && yxy(sky, Vector3f(0, 1, 0), Vector4f(nan, 1, 0, 0)) == zeroSun &&
                yxy(sky, Vector3f(0, 1, 0), Vector4f(0, 0, 0, -inf)) == zeroSun);
    // Tiny and huge vectors, and multipliers that break the model, stay finite.
    auto finite = [](const Vector3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    for (const float scale : {1e-30f, 1e-20f, 1e20f, 3e38f})
        EXPECT_TRUE(finite(rgbOf(Vector3f(scale, scale, -scale), Vector4f(scale, scale, 0, scale)))) << scale;
    for (float m : {0.0f, -1.0f, 1e30f}) {
        for (auto& row : sky.m_aSkyTable) std::fill(row + 1, row + 18, m);
        for (const Vector3f dir : {Vector3f(0, 0, 1), Vector3f(0, 1, 0), Vector3f(1, -1, 0)})
            EXPECT_TRUE(finite(rgbOf(dir, sun)) && finite(yxy(sky, dir, sun))) << m;
    }
    // The distribution's limits at the horizon: e^(B / 0) is 0 for B < 0, 1 for B = 0; 0 * inf is 0.
    EXPECT_TRUE(enviro::Sky::getRadiance(-1.1f, -0.28f, 0, 0, 0, 0, 1) == 1.0f && enviro::Sky::getRadiance(0, 1, 0, 0, 0, 0, 1) == 0.0f);
    EXPECT_FLOAT_EQ(enviro::Sky::getRadiance(-1.1f, 0, 0, 0, 0, 0, 1), -0.1f);
    Vector3f dir(0, 1, 0);
    Vector4f s = sun;
    sky.getSkyYxy(dir, s, 0.0f, nullptr);  // a null output is ignored
    sky.getSkyColor(dir, s, 0.0f, nullptr);
}

}  // namespace
