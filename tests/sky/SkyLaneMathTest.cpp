// The sky's own float exp, cos and acos: accuracy against double precision over their ranges,
// special values, and the scalar bits from the 4-lane forms (which a compiler that fuses
// multiply-adds in one form and not the other would break).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "enviro/sky/SkyLaneMath.h"

namespace {

using enviro::detail::acosLanes;
using enviro::detail::cosLanes;
using enviro::detail::expLanes;

// Distance in units in the last place of the float nearest to the exact value.
double ulpError(float got, double exact) {
    const float nearest = float(exact);
    return std::fabs(double(got) - exact) / (double(std::nextafter(std::fabs(nearest), INFINITY)) - std::fabs(nearest));
}

TEST(SkyLaneMath, AccurateOverTheDocumentedRanges) {
    const struct { const char* name; float (*fn)(float); double (*exact)(double); float from, to, step; bool ulp; double limit; } cases[] = {
        {"exp", expLanes, std::exp, -86.6f, 88.72f, 0.00731f, true, 2.0},
        {"exp of the Perez terms", expLanes, std::exp, -25.0f, 0.5f, 0.0001f, true, 2.0},
        {"cos", cosLanes, std::cos, -8192.0f, 8192.0f, 0.0371f, false, 4e-7},
        {"cos of view-to-sun angles", cosLanes, std::cos, 0.0f, 3.2f, 1e-5f, false, 4e-7},
        {"acos", acosLanes, std::acos, -1.0f, 1.0f, 1.7e-6f, false, 3.5e-7},
        {"acos near the pole", acosLanes, std::acos, 0.999f, 1.0f, 1e-8f, false, 3.5e-7},
    };
    for (const auto& c : cases) {
        double worst = 0.0;
        for (float x = c.from; x <= c.to; x = std::fmax(x + c.step, std::nextafter(x, INFINITY))) {
            const double exact = c.exact(double(x));
            worst = std::fmax(worst, c.ulp ? ulpError(c.fn(x), exact) : std::fabs(c.fn(x) - exact));
        }
        EXPECT_LE(worst, c.limit) << c.name;
    }
}

TEST(SkyLaneMath, SpecialValues) {
    const float inf = INFINITY, nan = std::nanf("");
    EXPECT_TRUE(expLanes(-inf) == 0.0f && expLanes(-86.65f) == 0.0f && expLanes(89.0f) == inf);  // flushed; overflow
    EXPECT_TRUE(cosLanes(1e30f) == 1.0f);                                   // beyond the range counts as 0
    EXPECT_TRUE(acosLanes(1.0000001f) == 0.0f && acosLanes(-1.0000001f) == acosLanes(-1.0f));  // rounding past the ends
    EXPECT_TRUE(std::isnan(expLanes(nan)) && std::isnan(cosLanes(nan)) && std::isnan(acosLanes(nan)));
    // The ends of exp's range: 2^128 is not a float, so the scaling must be split; at the bottom
    // still a normal number, without a garbage exponent.
    EXPECT_LE(ulpError(expLanes(88.72283172607421875f), std::exp(88.72283172607421875)), 2.0);
    EXPECT_NEAR(expLanes(-86.6433525f) / std::exp(double(-86.6433525f)), 1.0, 1e-6);
}

TEST(SkyLaneMath, VectorLanesHaveTheScalarBits) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> wide(-100.0f, 100.0f), unit(-1.0f, 1.0f);
    auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (int i = 0; i < 50000; ++i) {
        enviro::detail::Float4 a, b;
        for (int k = 0; k < 4; ++k) a[k] = i % 97 == 0 && k == i % 4 ? std::nanf("") : wide(rng), b[k] = unit(rng);
        const enviro::detail::Float4 e = expLanes(a), c = cosLanes(a), t = acosLanes(b);
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(same(e[k], expLanes(float(a[k]))) && same(c[k], cosLanes(float(a[k]))) && same(t[k], acosLanes(float(b[k]))))
                << a[k] << " " << b[k];
    }
}

}  // namespace
