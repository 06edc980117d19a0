// Dates against published values, and the Kepler equation over the whole range of
// eccentricities. (Sidereal time, the frames and the Earth's orbit show in where the stars stand,
// see SkyPlacesTest.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "enviro/astro/Kepler.h"
#include "enviro/astro/TimeScale.h"

namespace {

using namespace Astro;

TEST(TimeScale, ModifiedJulianDate) {
    const struct { int year, month, day, hour, minute; double mjd; } cases[] = {
        {1582, 10, 4, 0, 0, -100841.0},                // the last Julian day ...
        {1582, 10, 15, 0, 0, -100840.0},               // ... and the first Gregorian one
        {1582, 10, 5, 0, 0, -100850.0},                // already Gregorian: ten days before the 15th
        {1000, 1, 1, 0, 0, 2086307.5 - 2400000.5},     // Julian calendar
        {1900, 2, 28, 0, 0, 15078.0}, {1900, 3, 1, 0, 0, 15079.0},  // 1900 had no 29 February ...
        {2000, 2, 29, 0, 0, 51603.0}, {2000, 3, 1, 0, 0, 51604.0},  // ... 2000 had
        {2000, 1, 1, 0, -30, 51544.0 - 0.5 / 24.0},    // a negative part negates the time of day
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(modifiedJulianDate(c.year, c.month, c.day, c.hour, c.minute, 0), c.mjd) << c.year;
}

TEST(Kepler, EccentricAnomalyOverTheWholeRangeOfEccentricities) {
    testing::internal::CaptureStderr();
    EXPECT_NEAR(EccAnom(7.0, 0.0), 7.0 - 2 * M_PI, 1e-14);  // e = 0: M reduced to [0, 2π)
    for (double e : {0.1, 0.5, 0.79, 0.8, 0.95, 0.999})
        for (double m = 0.05; m < 2 * M_PI; m += 0.5) EXPECT_NEAR(EccAnom(m, e) - e * std::sin(EccAnom(m, e)), m, 1e-12) << e;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();  // no convergence within 15 steps: the message, the last iterate
    EXPECT_TRUE(std::isnan(EccAnom(1.0, std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), " Convergence problems in EccAnom\n");
}

}  // namespace
