#include "enviro/astro/TimeScale.h"

#include <cmath>

#include "enviro/astro/EphemerisMath.h"

namespace Astro {

namespace {
constexpr double kSecondsPerDay = 86400.0;
constexpr long kGregorianReform = 15821004;  // last Julian-calendar date, as y·10000 + m·100 + d
}  // namespace

double modifiedJulianDate(int year, int month, int day, int hour, int minute, double second) {
    long y = year, m = month;
    if (m <= 2) {
        m += 12;
        --y;
    }
    long b;
    if (y * 10000L + m * 100L + day > kGregorianReform)
        b = y / 400 - y / 100 + y / 4;
    else
        b = (y + 4716) / 4 - 1181;
    const double mjdMidnight =
        365.0 * static_cast<double>(y) - 679004.0 + static_cast<double>(b) + std::floor(30.6001 * static_cast<double>(m + 1)) + day;
    return mjdMidnight + hoursFromHMS(hour, minute, second) / 24.0;
}

double julianCenturiesSinceJ2000(double mjd) { return (mjd - kMJDOfJ2000) / kDaysPerJulianCentury; }

double greenwichSiderealTime(double mjd) {
    const double mjd0 = std::floor(mjd);
    const double ut = kSecondsPerDay * (mjd - mjd0);
    const double t0 = (mjd0 - kMJDOfJ2000) / kDaysPerJulianCentury;
    const double t = (mjd - kMJDOfJ2000) / kDaysPerJulianCentury;
    const double gmst = 24110.54841 + 8640184.812866 * t0 + 1.0027379093 * ut + (0.093104 - 6.2e-6 * t) * t * t;
    return modulo(gmst, kSecondsPerDay) * pi2 / kSecondsPerDay;
}

}  // namespace Astro
