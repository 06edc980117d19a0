// The daylight sky model of enviro::Sky: its constants against the published model at turbidity 2,
// the worked cases, physical sanity over many suns, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "enviro/sky/Sky.h"
#include "enviro/sky/SkyKernel.h"

namespace {

using Math::Vector3f;
using Math::Vector4f;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTurbidity = 2.0;

Vector4f sunAt(double elevationDeg, double azimuthDeg = 30.0) {
    const double e = elevationDeg * kPi / 180.0, a = azimuthDeg * kPi / 180.0;
    return Vector4f(float(std::cos(e) * std::cos(a)), float(std::sin(e)), float(std::cos(e) * std::sin(a)), 0.0f);
}

Vector3f yxy(enviro::Sky& sky, Vector3f dir, Vector4f sun, float altitude = 0.0f) {
    Vector3f out(0.0f, 0.0f, 0.0f);
    sky.getSkyYxy(dir, sun, altitude, &out);
    return out;
}

bool sameBits(const Vector3f& a, const Vector3f& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The published model's distribution coefficients, linear in turbidity: {slope, intercept} for A..E.
const double kPaperX[5][2] = {{-0.0193, -0.2592}, {-0.0665, 0.0008}, {-0.0004, 0.2125}, {-0.0641, -0.8989},
                              {-0.0033, 0.0452}};
const double kPaperY[5][2] = {{-0.0167, -0.2608}, {-0.0950, 0.0092}, {-0.0079, 0.2102}, {-0.0441, -1.6537},
                              {-0.0109, 0.0529}};
// Zenith chromaticity: [T^2 T 1] * M * [theta^3 theta^2 theta 1]^T.
const double kPaperZenithX[3][4] = {{0.00166, -0.00375, 0.00209, 0.0},
                                    {-0.02903, 0.06377, -0.03202, 0.00394},
                                    {0.11693, -0.21196, 0.06052, 0.25886}};
const double kPaperZenithY[3][4] = {{0.00275, -0.00610, 0.00317, 0.0},
                                    {-0.04214, 0.08970, -0.04153, 0.00516},
                                    {0.15346, -0.26756, 0.06670, 0.26688}};

double paperZenithChroma(const double (&m)[3][4], double theta) {
    const double t[3] = {kTurbidity * kTurbidity, kTurbidity, 1.0};
    const double th[4] = {theta * theta * theta, theta * theta, theta, 1.0};
    double sum = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) sum += t[r] * m[r][c] * th[c];
    return sum;
}

// Zenith luminance of the published model (kcd/m^2).
double paperZenithLuminance(double theta) {
    const double chi = (4.0 / 9.0 - kTurbidity / 120.0) * (kPi - 2.0 * theta);
    return (4.0453 * kTurbidity - 4.9710) * std::tan(chi) - 0.2155 * kTurbidity + 2.4192;
}

double perez(const float* c, double cosTheta, double gamma) {
    return (1.0 + c[0] * std::exp(c[1] / cosTheta)) *
           (1.0 + c[2] * std::exp(c[3] * gamma) + c[4] * std::cos(gamma) * std::cos(gamma));
}

TEST(SkyModel, DistributionCoefficientsAreThePublishedOnesAtTurbidityTwo) {
    enviro::Sky sky;
    sky.init();
    yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(35.0));
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(sky.m_aPerezCx[i], kPaperX[i][0] * kTurbidity + kPaperX[i][1], 1e-6) << "x coefficient " << i;
        EXPECT_NEAR(sky.m_aPerezCy[i], kPaperY[i][0] * kTurbidity + kPaperY[i][1], 1e-6) << "y coefficient " << i;
    }
    EXPECT_EQ(sky.m_fLumAngleScale, 0.3f);
}

TEST(SkyModel, ZenithValuesFollowThePublishedFormulasAtTurbidityTwo) {
    enviro::Sky sky;
    sky.init();
    for (double elevation = 1.0; elevation <= 90.0; elevation += 7.0) {
        const Vector4f sun = sunAt(elevation, 200.0);
        const Vector3f zenith = yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sun);
        const double theta = (90.0 - elevation) * kPi / 180.0;
        const double horizontal = std::sqrt(double(sun.x) * sun.x + double(sun.z) * sun.z);
        // At the zenith, normalisation times distribution gives back the zenith value.
        EXPECT_NEAR(sky.m_fNormCx * perez(sky.m_aPerezCx, 1.0, theta), paperZenithChroma(kPaperZenithX, theta), 2e-6);
        EXPECT_NEAR(sky.m_fNormCy * perez(sky.m_aPerezCy, 1.0, theta),
                    paperZenithChroma(kPaperZenithY, theta) * (1.0 - 0.05 * std::pow(horizontal, 3.0)), 2e-6);
        const double lum = std::min(paperZenithLuminance(theta) * 0.095, 0.49);
        EXPECT_NEAR(sky.m_fNormLum * perez(sky.m_aPerezY, 1.0, theta), lum, 2e-6 * lum + 1e-7);
        // The zenith view sees the zenith chromaticity (its gamma is the sun's zenith angle).
        EXPECT_NEAR(zenith.x, paperZenithChroma(kPaperZenithX, theta), 1e-5) << elevation;
    }
}

TEST(SkyModel, LuminanceCoefficientsFollowAltitudeAndMultipliers) {
    enviro::Sky sky;
    sky.init();
    for (float altitude : {0.0f, 1000.0f, 12000.0f, 35000.0f}) {
        yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(60.0), altitude);
        const double h = double(altitude * 2.0e-5f);
        EXPECT_NEAR(sky.m_aPerezY[0], -0.55 * (1.0 + 2.51 * std::log(1.0 + h) - std::pow(h, 2.21)), 1e-6);
    }
    // Distinct multipliers in row 0 (sun at 85 degrees uses it alone) pin which multiplier scales what.
    for (int c = 1; c < 18; ++c) sky.m_aSkyTable[0][c] = 1.0f + 0.01f * c;
    yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(85.0));
    auto m = [&](int c) { return sky.m_aSkyTable[0][c]; };
    const float expectedX[5] = {-0.2978f * m(1), -0.1322f * m(2), 0.2117f * m(3), -1.0271f * m(4), 0.0386f * m(5)};
    const float expectedY[5] = {-0.2942f * m(6), -0.1808f * m(7), 0.1944f * m(8), -1.7419f * m(9), 0.0311f * m(10)};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sky.m_aPerezCx[i], expectedX[i]);
        EXPECT_EQ(sky.m_aPerezCy[i], expectedY[i]);
    }
    EXPECT_EQ(sky.m_aPerezY[1], -0.121f * m(12));
    EXPECT_EQ(sky.m_aPerezY[2], 1.7f * m(13));
    EXPECT_EQ(sky.m_aPerezY[3], -22.0f * m(14));
    EXPECT_EQ(sky.m_aPerezY[4], 0.1f * m(15));
    const double theta = 5.0 * kPi / 180.0;
    EXPECT_NEAR(sky.m_fNormCx * perez(sky.m_aPerezCx, 1.0, theta), paperZenithChroma(kPaperZenithX, theta) * m(16),
                2e-6);
    // Element 11 is not read.
    const Vector3f before = yxy(sky, Vector3f(0.3f, 0.5f, 0.2f), sunAt(85.0));
    sky.m_aSkyTable[0][11] = 123.0f;
    EXPECT_TRUE(sameBits(before, yxy(sky, Vector3f(0.3f, 0.5f, 0.2f), sunAt(85.0))));
}

TEST(SkyModel, ZenithSunAndZenithView) {
    enviro::Sky sky;
    sky.init();
    const Vector3f v = yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), Vector4f(0.0f, 1.0f, 0.0f, 0.0f));
    const double zenithLum = std::min((3.1196 * std::tan(0.42777777 * kPi) - 0.431 + 2.4192) * 0.095, 0.49);
    const double expected = perez(sky.m_aPerezY, 0.3, 0.0) / perez(sky.m_aPerezY, 1.0, 0.0) * zenithLum;
    EXPECT_NEAR(v.z, expected, 1e-6 * expected);
    EXPECT_EQ(zenithLum, 0.49);  // a zenith sun is limited
    EXPECT_NEAR(v.x, 0.26674, 1e-6);  // theta_s = 0: the constant terms of the cubics
    EXPECT_NEAR(v.y, 0.2772, 1e-6);
}

TEST(SkyModel, AwayFromTheZenithLuminanceAndChromaTakeTheirOwnAngles) {
    // The model's steps recomputed in double precision, all multipliers 1, altitude 0: luminance
    // at (0.3 cos(theta), 0.3 gamma), chromaticity at (cos(theta), gamma), cos(theta) = d.y.
    auto f = [](const double (&c)[5], double cosTheta, double gamma) {
        return (1 + c[0] * std::exp(c[1] / cosTheta)) * (1 + c[2] * std::exp(c[3] * gamma) + c[4] * std::cos(gamma) * std::cos(gamma));
    };
    const double lum[5] = {-0.55, -0.121, 1.7, -22.0, 0.1};
    const double cx[5] = {-0.2978, -0.1322, 0.2117, -1.0271, 0.0386}, cy[5] = {-0.2942, -0.1808, 0.1944, -1.7419, 0.0311};
    const struct { double sunElevation, sunAzimuth, elevation, azimuth; } cases[] = {
        {35, 30, 20, 120}, {60, 200, 45, 10}, {10, 90, 5, 95}, {80, 0, 70, 180}};
    enviro::Sky sky;
    sky.init();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sunElevation);
        const Vector4f sun = sunAt(c.sunElevation, c.sunAzimuth);
        const Vector4f view = sunAt(c.elevation, c.azimuth);
        const Vector3f got = yxy(sky, Vector3f(view.x, view.y, view.z), sun);
        const double ts = (90 - c.sunElevation) * kPi / 180, dy = std::sin(c.elevation * kPi / 180);
        const double gamma = std::acos(double(sun.x) * view.x + double(sun.y) * view.y + double(sun.z) * view.z);
        const double zenithY = std::min((3.1196 * std::tan(0.42777777 * (kPi - 2 * ts)) - 0.431 + 2.4192) * 0.095, 0.49);
        const double xz = ((0.06551 * ts - 0.09942) * ts + 0.00484) * ts + 0.26674;
        const double yz = (((0.08018 * ts - 0.11256) * ts - 0.00368) * ts + 0.2772) * (1 - 0.05 * std::pow(std::sin(ts), 3));
        EXPECT_NEAR(got.z, f(lum, 0.3 * dy, 0.3 * gamma) / f(lum, 1, ts) * zenithY, 2e-5 * got.z);
        EXPECT_NEAR(got.x, f(cx, dy, gamma) / f(cx, 1, ts) * xz, 1e-5);
        EXPECT_NEAR(got.y, f(cy, dy, gamma) / f(cy, 1, ts) * yz, 1e-5);
    }
}

TEST(SkyModel, NightFactorDimsThenDarkens) {
    enviro::Sky sky;
    sky.init();
    const double horizonLum = (3.1196 * std::tan(0.0) - 0.431 + 2.4192) * 0.095;  // theta_s = pi / 2
    yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(-10.0));
    const double k = 1.0 - 4.0 * std::sin(10.0 * kPi / 180.0);
    EXPECT_NEAR(k, 0.305, 1e-3);
    EXPECT_NEAR(sky.m_fNormLum * perez(sky.m_aPerezY, 1.0, kPi / 2.0), horizonLum * k, 1e-6);
    // At 15 degrees below and lower the sky is black, but it keeps a chromaticity.
    for (double e : {-15.0, -30.0, -90.0}) {
        for (const Vector3f dir : {Vector3f(0.0f, 1.0f, 0.0f), Vector3f(1.0f, 0.1f, 0.0f), Vector3f(0.0f, -1.0f, 1.0f)}) {
            const Vector3f v = yxy(sky, dir, sunAt(e));
            EXPECT_EQ(v.z, 0.0f);
            EXPECT_GT(v.x, 0.2f);
            EXPECT_GT(v.y, 0.2f);
        }
    }
    // Below the horizon the zenith angle is held at pi / 2: the x scale does not change (the y scale
    // still follows the sun's horizontal part).
    yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(-2.0, 0.0));
    const float normCx = sky.m_fNormCx;
    yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(-5.0, 0.0));
    EXPECT_EQ(sky.m_fNormCx, normCx);
}

TEST(SkyModel, AltitudeIsLimitedAndNegativeAltitudeIsSeaLevel) {
    enviro::Sky sky;
    sky.init();
    const Vector3f dir(0.4f, 0.6f, -0.2f);
    const Vector4f sun = sunAt(40.0);
    EXPECT_TRUE(sameBits(yxy(sky, dir, sun, 50000.0f), yxy(sky, dir, sun, 35000.0f)));
    EXPECT_TRUE(sameBits(yxy(sky, dir, sun, INFINITY), yxy(sky, dir, sun, 35000.0f)));
    EXPECT_FALSE(sameBits(yxy(sky, dir, sun, 30000.0f), yxy(sky, dir, sun, 35000.0f)));
    // Dimming with height: (1 - h)^3 on the zenith value.
    yxy(sky, dir, sun, 20000.0f);
    const double theta = 50.0 * kPi / 180.0;
    const double lum0 = paperZenithLuminance(theta) * 0.095;
    EXPECT_NEAR(sky.m_fNormLum * perez(sky.m_aPerezY, 1.0, theta), lum0 * std::pow(1.0 - 0.4, 3.0), 1e-6);
    // Negative and NaN altitudes are documented as 0.
    const Vector3f ground = yxy(sky, dir, sun, 0.0f);
    EXPECT_TRUE(sameBits(yxy(sky, dir, sun, -500.0f), ground));
    EXPECT_TRUE(sameBits(yxy(sky, dir, sun, -INFINITY), ground));
    EXPECT_TRUE(sameBits(yxy(sky, dir, sun, std::nanf("")), ground));
}

TEST(SkyModel, TableRowsBlendByElevation) {
    enviro::Sky sky;
    sky.init();
    for (int r = 0; r < 24; ++r) sky.m_aSkyTable[r][1] = 1.0f + 0.1f * r;  // scales A of the x distribution
    auto multiplierAt = [&](double elevationDeg) {
        yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), sunAt(elevationDeg));
        return sky.m_aPerezCx[0] / -0.2978f;
    };
    EXPECT_NEAR(multiplierAt(80.0), 1.0f, 1e-5);
    EXPECT_FLOAT_EQ(multiplierAt(85.0), 1.0f);
    EXPECT_FLOAT_EQ(multiplierAt(90.0), 1.0f);
    EXPECT_NEAR(multiplierAt(-35.0), 1.0f + 0.1f * 23, 1e-5);
    EXPECT_FLOAT_EQ(multiplierAt(-50.0), 1.0f + 0.1f * 23);
    EXPECT_NEAR(multiplierAt(42.5), 0.5 * (1.7 + 1.8), 1e-5);  // rows 7 and 8 half and half
    EXPECT_NEAR(multiplierAt(41.0), 0.2 * 1.7 + 0.8 * 1.8, 1e-5);
    EXPECT_NEAR(multiplierAt(-10.0), 1.0f + 0.1f * 18, 1e-5);
    // Just below 80 degrees the blend stays on the table and tends to row 0.
    Vector4f nearTop = sunAt(79.99999);
    Vector3f out;
    Vector3f up(0.0f, 1.0f, 0.0f);
    sky.getSkyYxy(up, nearTop, 0.0f, &out);
    EXPECT_NEAR(sky.m_aPerezCx[0] / -0.2978f, 1.0f, 1e-4);
}

TEST(SkyModel, BelowTheHorizonIsTheDimmedHorizon) {
    enviro::Sky sky;
    sky.init();
    const Vector4f sun = sunAt(25.0, 80.0);
    for (const Vector3f below : {Vector3f(0.6f, -0.3f, 0.8f), Vector3f(-0.2f, -5.0f, 0.1f), Vector3f(1.0f, -1e-7f, 0.0f)}) {
        const Vector3f flat = yxy(sky, Vector3f(below.x, 0.0f, below.z), sun);
        const Vector3f v = yxy(sky, below, sun);
        EXPECT_EQ(v.x, flat.x);
        EXPECT_EQ(v.y, flat.y);
        EXPECT_EQ(v.z, flat.z * 0.08f);
    }
    // Straight down has no horizontal part: the horizon at 90 degrees from the sun... of a zero vector.
    const Vector3f down = yxy(sky, Vector3f(0.0f, -1.0f, 0.0f), sun);
    EXPECT_EQ(down.z, yxy(sky, Vector3f(0.0f, 0.0f, 0.0f), sun).z * 0.08f);
}

TEST(SkyModel, InputsAreCopiedNotChanged) {
    enviro::Sky sky;
    sky.init();
    Vector3f dir(3.0f, -2.0f, 1.0f);
    Vector4f sun(0.0f, 5.0f, 5.0f, 1.0f);
    Vector3f out;
    sky.getSkyColor(dir, sun, 100.0f, &out);
    EXPECT_TRUE(dir == Vector3f(3.0f, -2.0f, 1.0f));
    EXPECT_TRUE(sun == Vector4f(0.0f, 5.0f, 5.0f, 1.0f));
    // The fourth component counts in the sun's length: (0, 1, 0, 1) is a sun 45 degrees high.
    yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), Vector4f(0.0f, 1.0f, 0.0f, 1.0f));
    EXPECT_NEAR(sky.m_fNormCx * perez(sky.m_aPerezCx, 1.0, kPi / 4.0), paperZenithChroma(kPaperZenithX, kPi / 4.0),
                2e-6);
}

TEST(SkyModel, ColourIsTheRec709ConversionOfTheSkyValue) {
    enviro::Sky sky;
    sky.init();
    Vector3f dir(0.2f, 0.3f, 0.9f);
    Vector4f sun = sunAt(20.0);
    Vector3f v, rgb;
    sky.getSkyYxy(dir, sun, 0.0f, &v);
    sky.getSkyColor(dir, sun, 0.0f, &rgb);
    const double X = v.x / v.y * v.z, Y = v.z, Z = (1.0 - v.x - v.y) / v.y * v.z;
    EXPECT_NEAR(rgb.x, 3.240479 * X - 1.53715 * Y - 0.498535 * Z, 1e-6);
    EXPECT_NEAR(rgb.y, -0.969256 * X + 1.875992 * Y + 0.0415556 * Z, 1e-6);
    EXPECT_NEAR(rgb.z, 0.055648 * X - 0.204043 * Y + 1.057311 * Z, 1e-6);

    // Equal-energy white: X = Y = Z, so each channel is Y times its row sum (1.2048, 0.9483, 0.9089).
    float r, g, b;
    enviro::detail::yxyToRgbLanes(1.0f / 3.0f, 1.0f / 3.0f, 0.5f, r, g, b);
    EXPECT_NEAR(r, 0.5 * 1.204794, 1e-6);
    EXPECT_NEAR(g, 0.5 * 0.9482916, 1e-6);
    EXPECT_NEAR(b, 0.5 * 0.908916, 1e-6);
    // D65 white is the neutral of this matrix: R = G = B = Y.
    enviro::detail::yxyToRgbLanes(0.3127f, 0.3290f, 0.5f, r, g, b);
    EXPECT_NEAR(r, 0.5, 1e-3);
    EXPECT_NEAR(g, 0.5, 1e-3);
    EXPECT_NEAR(b, 0.5, 1e-3);
    // No chromaticity, no colour.
    enviro::detail::yxyToRgbLanes(0.0f, 0.0f, 0.0f, r, g, b);
    EXPECT_EQ(r + g + b, 0.0f);
    enviro::detail::yxyToRgbLanes(0.3f, 0.0f, 1.0f, r, g, b);
    EXPECT_EQ(r + g + b, 0.0f);
}

TEST(SkyModel, GetRadianceIsThePerezFunctionWithItsLimits) {
    const float A = -1.1f, B = -0.28f, C = 5.3f, D = -2.3f, E = 0.24f;
    for (float cosTheta : {0.05f, 0.3f, 1.0f}) {
        for (float gamma : {0.0f, 0.4f, 1.5f, 3.1f}) {
            const double expected = (1.0 + A * std::exp(double(B) / cosTheta)) *
                                    (1.0 + C * std::exp(double(D) * gamma) + E * std::pow(std::cos(double(gamma)), 2));
            EXPECT_NEAR(enviro::Sky::getRadiance(A, B, C, D, E, cosTheta, gamma), expected, 2e-6 * std::fabs(expected));
        }
    }
    // The horizon: e^(B / 0) is 0 for B < 0, 1 for B = 0 (the limit); 0 * infinity gives 0.
    EXPECT_FLOAT_EQ(enviro::Sky::getRadiance(A, B, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(enviro::Sky::getRadiance(A, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f), 1.0f + A);
    EXPECT_EQ(enviro::Sky::getRadiance(0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f), 0.0f);
}

// The CIE 1931 spectral locus, 380 to 700 nm, closed by the line of purples.
const float kLocus[][2] = {{0.1741f, 0.0050f}, {0.1733f, 0.0048f}, {0.1714f, 0.0051f}, {0.1644f, 0.0109f},
                           {0.1440f, 0.0297f}, {0.1241f, 0.0578f}, {0.0913f, 0.1327f}, {0.0454f, 0.2950f},
                           {0.0082f, 0.5384f}, {0.0139f, 0.7502f}, {0.0743f, 0.8338f}, {0.1547f, 0.8059f},
                           {0.2296f, 0.7543f}, {0.3016f, 0.6923f}, {0.3731f, 0.6245f}, {0.4441f, 0.5547f},
                           {0.5125f, 0.4866f}, {0.5752f, 0.4242f}, {0.6270f, 0.3725f}, {0.6658f, 0.3340f},
                           {0.6915f, 0.3083f}, {0.7190f, 0.2809f}, {0.7347f, 0.2653f}};

bool insideLocus(float x, float y) {
    const int n = int(sizeof kLocus / sizeof kLocus[0]);
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const float xi = kLocus[i][0], yi = kLocus[i][1], xj = kLocus[j][0], yj = kLocus[j][1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

TEST(SkyModel, PhysicallySaneOverManySuns) {
    enviro::Sky sky;
    sky.init();
    ASSERT_TRUE(insideLocus(0.3127f, 0.3290f));
    ASSERT_FALSE(insideLocus(0.1f, 0.1f));
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> altitude(0.0f, 40000.0f);
    for (int s = 0; s < 300; ++s) {
        Vector4f sun(unit(rng), unit(rng), unit(rng), 0.0f);
        const float alt = altitude(rng);
        for (int d = 0; d < 100; ++d) {
            const Vector3f v = yxy(sky, Vector3f(unit(rng), unit(rng), unit(rng)), sun, alt);
            ASSERT_GE(v.z, 0.0f);
            ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
            ASSERT_TRUE(insideLocus(v.x, v.y)) << v.x << ", " << v.y;
        }
    }
}

TEST(SkyModel, AHighSunIsTheBrightestPartOfTheSky) {
    enviro::Sky sky;
    sky.init();
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (double elevation = 30.0; elevation <= 90.0; elevation += 10.0) {
        const Vector4f sun = sunAt(elevation, 360.0 * unit(rng));
        const float atSun = yxy(sky, Vector3f(sun.x, sun.y, sun.z), sun).z;
        double brightestAngle = 0.0;
        float brightest = 0.0f;
        for (int i = 0; i < 4000; ++i) {
            const double z = unit(rng), phi = 2.0 * kPi * unit(rng), r = std::sqrt(1.0 - z * z);
            const Vector3f dir(float(r * std::cos(phi)), float(z), float(r * std::sin(phi)));
            const float lum = yxy(sky, dir, sun).z;
            if (lum > brightest) {
                brightest = lum;
                brightestAngle = std::acos(std::min(1.0, double(dir.x) * sun.x + double(dir.y) * sun.y +
                                                             double(dir.z) * sun.z));
            }
        }
        EXPECT_GE(atSun * 1.02f, brightest) << elevation;
        EXPECT_LT(brightestAngle, 8.0 * kPi / 180.0) << elevation;
    }
}

TEST(SkyModel, BadInputGivesTheDocumentedFiniteResults) {
    enviro::Sky sky;
    sky.init();
    const float nan = std::nanf(""), inf = INFINITY;
    const Vector4f sun = sunAt(30.0);
    // The zero direction is the horizon at 90 degrees from the sun.
    const Vector3f zeroDir = yxy(sky, Vector3f(0.0f, 0.0f, 0.0f), sun);
    const Vector3f sideways = yxy(sky, Vector3f(-sun.z, 0.0f, sun.x), sun);
    EXPECT_NEAR(zeroDir.x, sideways.x, 1e-6f);
    EXPECT_NEAR(zeroDir.z, sideways.z, 1e-6f);
    // A direction with a NaN or infinite component gives (0, 0, 0), and black.
    const Vector3f zero(0.0f, 0.0f, 0.0f);
    for (const Vector3f bad : {Vector3f(nan, 1.0f, 0.0f), Vector3f(0.0f, inf, 0.0f), Vector3f(-inf, 0.5f, 0.0f),
                               Vector3f(0.0f, nan, 0.0f), Vector3f(1.0f, -1.0f, nan)}) {
        EXPECT_TRUE(yxy(sky, bad, sun) == zero);
        Vector3f d = bad, rgb;
        Vector4f s = sun;
        sky.getSkyColor(d, s, 0.0f, &rgb);
        EXPECT_TRUE(rgb == zero);
    }
    // y = -infinity is below the horizon like any negative y.
    EXPECT_EQ(yxy(sky, Vector3f(1.0f, -inf, 0.0f), sun).z, yxy(sky, Vector3f(1.0f, 0.0f, 0.0f), sun).z * 0.08f);
    // A zero or non-finite sun is a sun on the horizon, 90 degrees from every view.
    const Vector3f zeroSun = yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), Vector4f(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(std::isfinite(zeroSun.x) && std::isfinite(zeroSun.y) && zeroSun.z > 0.0f);
    EXPECT_TRUE(sameBits(yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), Vector4f(nan, 1.0f, 0.0f, 0.0f)), zeroSun));
    EXPECT_TRUE(sameBits(yxy(sky, Vector3f(0.0f, 1.0f, 0.0f), Vector4f(0.0f, 0.0f, 0.0f, -inf)), zeroSun));
    // Tiny and huge finite vectors stay finite.
    for (const float scale : {1e-30f, 1e-20f, 1e20f, 3e38f}) {
        const Vector3f v = yxy(sky, Vector3f(scale, scale, -scale), Vector4f(scale, scale, 0.0f, scale));
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) << scale;
        Vector3f dir(scale, scale, -scale), rgb;
        Vector4f s(scale, scale, 0.0f, scale);
        sky.getSkyColor(dir, s, 0.0f, &rgb);
        EXPECT_TRUE(std::isfinite(rgb.x) && std::isfinite(rgb.y) && std::isfinite(rgb.z)) << scale;
    }
    // Multipliers that break the model give finite output and a finite block.
    for (float m : {0.0f, -1.0f, 1e30f}) {
        for (int r = 0; r < 24; ++r)
            for (int c = 1; c < 18; ++c) sky.m_aSkyTable[r][c] = m;
        for (const Vector3f dir : {Vector3f(0.0f, 0.0f, 1.0f), Vector3f(0.0f, 1.0f, 0.0f), Vector3f(1.0f, -1.0f, 0.0f)}) {
            Vector3f d = dir, rgb;
            Vector4f s = sun;
            sky.getSkyColor(d, s, 0.0f, &rgb);
            EXPECT_TRUE(std::isfinite(rgb.x) && std::isfinite(rgb.y) && std::isfinite(rgb.z)) << m;
            const Vector3f v = yxy(sky, dir, sun);
            EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) << m;
            EXPECT_TRUE(std::isfinite(sky.m_fNormLum) && std::isfinite(sky.m_fNormCx) && std::isfinite(sky.m_fNormCy));
        }
    }
    // A null output is ignored.
    Vector3f dir(0.0f, 1.0f, 0.0f);
    Vector4f s = sun;
    sky.getSkyYxy(dir, s, 0.0f, nullptr);
    sky.getSkyColor(dir, s, 0.0f, nullptr);
}

}  // namespace
