#pragma once
// The times of one local day found from the module's own sun and moon: sunrise, sunset and solar
// noon; the beginning and end of civil, nautical and astronomical twilight; moonrise and
// moonset; and the moon's illuminated fraction and age. Rise and set are the moments the centre
// of the body passes the standard altitude (-0.833 degrees for the sun, which takes in
// refraction and the sun's radius; +0.125 degrees for the geocentric moon, which also takes in
// its parallax), found by bracketing on 10-minute samples and bisection to a quarter second.
#include <optional>

#include "SkyScene.h"

namespace skytool {

struct DayTimes {
    double dayStart = 0, dayEnd = 0;  // the local midnights around the instant, seconds since 1970
    // Seconds since 1970 UTC; empty when the event does not happen that day.
    std::optional<double> sunrise, sunset, solarNoon;
    std::optional<double> civilBegin, civilEnd, nauticalBegin, nauticalEnd, astronomicalBegin, astronomicalEnd;
    std::optional<double> moonrise, moonset;
    bool sunUpAllDay = false, sunDownAllDay = false;  // no sunrise and no sunset
};

// The events of the local day (in the time's own UTC offset) that contains the instant.
DayTimes findDayTimes(SkyScene& scene, const CivilTime& instant, double latitudeDeg, double longitudeDeg,
                      double altitudeM);

struct MoonFacts {
    double illuminatedFraction = 0;  // of the disc, 0..1, from the sun–moon angle
    double ageDays = 0;              // since the last new moon (the minimum of getMoonPhase)
};

MoonFacts findMoonFacts(SkyScene& scene, double unixSeconds, double latitudeDeg, double longitudeDeg,
                        double altitudeM);

// The standard altitudes, degrees.
constexpr double kSunriseAltitudeDeg = -0.833;
constexpr double kMoonriseAltitudeDeg = 0.125;

}  // namespace skytool
