#pragma once
// Dates and times as the user writes them (ISO 8601 with an explicit UTC offset) and as the
// module takes them.
//
// The module's time convention: AstroManager::setDateTime takes a local civil time and always
// subtracts exactly one hour to get universal time (its configured time zone takes no part).
// So for an instant t the program passes the calendar date and clock time of t + 1 h (UT).
#include <cstdint>
#include <string>

#include "refhost/RefCalendar.h"

namespace skytool {

// A calendar date and clock time with the seconds as a float, as setDateTime takes them.
struct ModuleDateTime {
    int year, month, day, hour, minute;
    float second;
};

// A date and time written with its offset from UTC.
struct CivilTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0;
    double second = 0.0;
    int offsetMinutes = 0;  // local time minus UTC

    // "YYYY-MM-DDTHH:MM[:SS[.s]]" followed by "Z" or "+HH:MM" / "-HH:MM" ("T" may be a space).
    // False, with the reason in error, for a malformed text or an impossible date or time.
    static bool parse(const std::string& text, CivilTime& out, std::string& error);

    // Seconds since 1970-01-01T00:00:00 UTC.
    double toUnixSeconds() const;
    // The instant written in the given offset.
    static CivilTime fromUnixSeconds(double seconds, int offsetMinutes);
    // "YYYY-MM-DDTHH:MM:SS+HH:MM".
    std::string toString() const;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
// Days since 1970-01-01 of a proleptic Gregorian date, and back.
using refhost::civilFromDays;
using refhost::daysFromCivil;

// "UTC+02:00" for an offset in minutes.
std::string utcOffsetName(int offsetMinutes);

// The date and time to give setDateTime for an instant (seconds since 1970 UTC): UT + 1 h.
ModuleDateTime moduleTimeFor(double unixSeconds);

// A duration such as "30", "30m", "90s", "1.5h" (minutes when no unit); false when malformed or
// not positive.
bool parseDuration(const std::string& text, double& seconds);

}  // namespace skytool
