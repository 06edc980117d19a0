// The sky's own float exp, cos and acos: accuracy against double-precision references, special
// values, and identical bits in the scalar and the 4-lane forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "enviro/sky/SkyLaneMath.h"

namespace {

using enviro::detail::Float4;

// Distance in units in the last place of the float nearest to the exact value.
double ulpError(float got, double exact) {
    const float nearest = float(exact);
    const double ulp = double(std::nextafter(std::fabs(nearest), INFINITY)) - std::fabs(nearest);
    return std::fabs(double(got) - exact) / ulp;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SkyLaneMath, ExpIsWithinTwoUlpOverTheFiniteRange) {
    double worst = 0.0;
    for (float x = -86.6f; x < 88.72f; x += 0.00731f) {
        worst = std::max(worst, ulpError(enviro::detail::expLanes(x), std::exp(double(x))));
    }
    // The range the sky uses most: exponents of the Perez terms.
    for (float x = -25.0f; x < 0.5f; x += 0.0001f) {
        worst = std::max(worst, ulpError(enviro::detail::expLanes(x), std::exp(double(x))));
    }
    EXPECT_LE(worst, 2.0);
}

TEST(SkyLaneMath, ExpSpecialValues) {
    using enviro::detail::expLanes;
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(expLanes(0.0f), 1.0f);
    EXPECT_EQ(expLanes(-inf), 0.0f);  // B / 0 at the horizon
    EXPECT_EQ(expLanes(-100.0f), 0.0f);
    EXPECT_EQ(expLanes(inf), inf);
    EXPECT_EQ(expLanes(89.0f), inf);
    EXPECT_TRUE(std::isnan(expLanes(std::nanf(""))));
    // The top of the range: 2^128 is not a float, so the scaling must be split.
    const float top = 88.72283172607421875f;
    EXPECT_TRUE(std::isfinite(expLanes(top)));
    EXPECT_LE(ulpError(expLanes(top), std::exp(double(top))), 2.0);
    // The bottom: still a normal number, no garbage exponent; below it results are flushed to 0.
    const float bottom = -86.6433525f;
    EXPECT_NEAR(expLanes(bottom) / std::exp(double(bottom)), 1.0, 1e-6);
    EXPECT_EQ(expLanes(-86.65f), 0.0f);
}

TEST(SkyLaneMath, CosIsAccurateOverThe8192RadianRange) {
    double worst = 0.0;
    for (float x = -8192.0f; x <= 8192.0f; x += 0.0371f) {
        worst = std::max(worst, std::fabs(double(enviro::detail::cosLanes(x)) - std::cos(double(x))));
    }
    for (float x = 0.0f; x <= 3.2f; x += 1e-5f) {  // view-to-sun angles
        worst = std::max(worst, std::fabs(double(enviro::detail::cosLanes(x)) - std::cos(double(x))));
    }
    EXPECT_LT(worst, 4e-7);
    EXPECT_EQ(enviro::detail::cosLanes(0.0f), 1.0f);
    EXPECT_EQ(enviro::detail::cosLanes(1e30f), 1.0f);  // beyond the range: taken as 0
    EXPECT_TRUE(std::isnan(enviro::detail::cosLanes(std::nanf(""))));
}

TEST(SkyLaneMath, AcosIsAccurateOnTheWholeInterval) {
    using enviro::detail::acosLanes;
    double worst = 0.0;
    for (float c = -1.0f; c <= 1.0f; c += 1.7e-6f) {
        worst = std::max(worst, std::fabs(double(acosLanes(c)) - std::acos(double(c))));
    }
    // Near the poles, where the angle is small and a naive form loses it.
    for (float c = 1.0f; c > 0.999f; c = std::nextafter(c, 0.0f)) {
        worst = std::max(worst, std::fabs(double(acosLanes(c)) - std::acos(double(c))));
    }
    EXPECT_LT(worst, 3.5e-7);
    EXPECT_EQ(acosLanes(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(acosLanes(-1.0f), 3.14159265f);
    EXPECT_FLOAT_EQ(acosLanes(0.0f), 1.57079632f);
    EXPECT_FLOAT_EQ(acosLanes(0.5f), 1.04719755f);
    EXPECT_FLOAT_EQ(acosLanes(-0.5f), 2.09439510f);
    // Rounding past the ends counts as the end.
    EXPECT_EQ(acosLanes(1.0000001f), 0.0f);
    EXPECT_FLOAT_EQ(acosLanes(-1.0000001f), 3.14159265f);
    EXPECT_TRUE(std::isnan(acosLanes(std::nanf(""))));
}

TEST(SkyLaneMath, VectorLanesHaveTheScalarBits) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> wide(-100.0f, 100.0f);
    std::uniform_real_distribution<float> positive(0.0f, 10.0f);
    for (int i = 0; i < 50000; ++i) {
        Float4 a, b;
        for (int k = 0; k < 4; ++k) {
            a[k] = wide(rng);
            b[k] = positive(rng);
        }
        if (i % 97 == 0) a[i % 4] = std::nanf("");
        const Float4 e = enviro::detail::expLanes(a);
        const Float4 c = enviro::detail::cosLanes(a);
        const Float4 t = enviro::detail::acosLanes(b * 0.2f - 1.0f);
        for (int k = 0; k < 4; ++k) {
            ASSERT_TRUE(sameBits(e[k], enviro::detail::expLanes(float(a[k])))) << a[k];
            ASSERT_TRUE(sameBits(c[k], enviro::detail::cosLanes(float(a[k])))) << a[k];
            ASSERT_TRUE(sameBits(t[k], enviro::detail::acosLanes(float(b[k]) * 0.2f - 1.0f))) << b[k];
        }
    }
}

}  // namespace
