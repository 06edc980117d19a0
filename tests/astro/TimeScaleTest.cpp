// Modified Julian Date and sidereal time against ERFA.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/TimeScale.h"
#include "tests/astro/Oracles.h"

namespace {

using namespace Astro;

TEST(TimeScale, ModifiedJulianDate) {
    EXPECT_DOUBLE_EQ(modifiedJulianDate(2000, 1, 1, 12, 0, 0), 51544.5);  // J2000
    EXPECT_DOUBLE_EQ(julianCenturiesSinceJ2000(51544.5), 0.0);
    EXPECT_DOUBLE_EQ(julianCenturiesSinceJ2000(51544.5 + 36525.0), 1.0);
    // The calendar switch: 1582-10-04 (Julian) was followed by 1582-10-15 (Gregorian).
    EXPECT_DOUBLE_EQ(modifiedJulianDate(1582, 10, 4, 0, 0, 0), -100841.0);
    EXPECT_DOUBLE_EQ(modifiedJulianDate(1582, 10, 15, 0, 0, 0), -100840.0);
    // 1582-10-05 already counts as Gregorian (ten days before 10-15), 1582-10-04 as Julian.
    EXPECT_DOUBLE_EQ(modifiedJulianDate(1582, 10, 5, 0, 0, 0), -100850.0);
    EXPECT_DOUBLE_EQ(modifiedJulianDate(1000, 1, 1, 0, 0, 0), 2086307.5 - 2400000.5);  // Julian calendar
    // January and February count as months 13 and 14 of the previous year.
    EXPECT_DOUBLE_EQ(modifiedJulianDate(1900, 3, 1, 0, 0, 0) - modifiedJulianDate(1900, 2, 28, 0, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(modifiedJulianDate(2000, 3, 1, 0, 0, 0) - modifiedJulianDate(2000, 2, 28, 0, 0, 0), 2.0);
    // Time of day, with negative parts negating the whole.
    EXPECT_DOUBLE_EQ(modifiedJulianDate(2000, 1, 1, 18, 0, 0), 51544.75);
    EXPECT_DOUBLE_EQ(modifiedJulianDate(2000, 1, 1, 0, -30, 0), 51544.0 - 0.5 / 24.0);

    // Gregorian dates against ERFA.
    for (int year = 1600; year <= 2400; year += 37)
        for (int month = 1; month <= 12; month += 5) {
            double mjd0, mjd;
            ASSERT_EQ(eraCal2jd(year, month, 17, &mjd0, &mjd), 0);
            EXPECT_DOUBLE_EQ(modifiedJulianDate(year, month, 17, 6, 0, 0), mjd + 0.25) << year << "-" << month;
        }
}

TEST(TimeScale, SiderealTimeMatchesErfa) {
    for (double mjd = 15020.3; mjd < 88070.0; mjd += 731.37) {
        const double gmst = greenwichSiderealTime(mjd);
        EXPECT_GE(gmst, 0.0);
        EXPECT_LT(gmst, 2 * ERFA_DPI);
        // Same IAU 1982 expression; ERFA takes UT1 as the only time.
        EXPECT_NEAR(eraAnpm(gmst - eraGmst82(2400000.5, mjd)), 0.0, 1e-9) << mjd;
    }
}

}  // namespace
