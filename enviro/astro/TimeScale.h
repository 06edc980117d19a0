#pragma once
// Time scale of the ephemeris code: Modified Julian Date, Julian centuries, sidereal time.

namespace Astro {

// Modified Julian Date (days) of a calendar date and time. Dates up to 1582-10-04 are read in the
// Julian calendar, from 1582-10-05 on in the Gregorian calendar.
double modifiedJulianDate(int year, int month, int day, int hour, int minute, double second);

// Julian centuries of 36525 days since J2000 (MJD 51544.5).
double julianCenturiesSinceJ2000(double mjd);

// Greenwich mean sidereal time (radians, [0, 2π)) at the given Modified Julian Date (UT).
double greenwichSiderealTime(double mjd);

}  // namespace Astro
