#include "CivilTime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace skytool {

namespace {

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

namespace {

// Reads exactly n digits at pos into value and moves pos past them.
bool readDigits(const std::string& text, size_t& pos, int n, int& value) {
    if (pos + n > text.size()) return false;
    value = 0;
    for (int i = 0; i < n; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    pos += n;
    return true;
}

bool readChar(const std::string& text, size_t& pos, const char* allowed) {
    if (pos >= text.size() || !std::strchr(allowed, text[pos])) return false;
    ++pos;
    return true;
}

// "YYYY-MM-DD", "T" or " ", "HH:MM", optional ":SS" and fraction, then the offset.
bool readFields(const std::string& text, CivilTime& t, std::string& offsetText) {
    size_t pos = 0;
    int whole = 0;
    if (!readDigits(text, pos, 4, t.year) || !readChar(text, pos, "-") || !readDigits(text, pos, 2, t.month) ||
        !readChar(text, pos, "-") || !readDigits(text, pos, 2, t.day) || !readChar(text, pos, "T ") ||
        !readDigits(text, pos, 2, t.hour) || !readChar(text, pos, ":") || !readDigits(text, pos, 2, t.minute))
        return false;
    t.second = 0.0;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!readDigits(text, pos, 2, whole)) return false;
        t.second = whole;
        if (pos < text.size() && text[pos] == '.') {
            double scale = 0.1;
            ++pos;
            const size_t first = pos;
            for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, scale *= 0.1)
                t.second += (text[pos] - '0') * scale;
            if (pos == first) return false;
        }
    }
    offsetText = text.substr(pos);
    if (offsetText == "Z") {
        t.offsetMinutes = 0;
        return true;
    }
    int hours = 0, minutes = 0;
    const char sign = pos < text.size() ? text[pos] : '\0';
    if (!readChar(text, pos, "+-") || !readDigits(text, pos, 2, hours)) return false;
    if (pos < text.size() && text[pos] == ':') ++pos;
    if (!readDigits(text, pos, 2, minutes) || minutes > 59 || pos != text.size()) return false;
    t.offsetMinutes = (sign == '-' ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

}  // namespace

bool CivilTime::parse(const std::string& text, CivilTime& out, std::string& error) {
    CivilTime t;
    std::string offsetText;
    if (!readFields(text, t, offsetText)) {
        error = "\"" + text + "\" is not a date and time with a UTC offset (YYYY-MM-DDTHH:MM[:SS]+HH:MM or ...Z)";
        return false;
    }
    if (t.offsetMinutes > 14 * 60 || t.offsetMinutes < -14 * 60) {
        error = "UTC offset " + offsetText + " is outside -14:00..+14:00";
        return false;
    }
    if (t.year < 1000 || t.year > 3000) {
        error = "year " + std::to_string(t.year) + " is outside 1000..3000";
        return false;
    }
    if (t.month < 1 || t.month > 12) {
        error = "month " + std::to_string(t.month) + " does not exist";
        return false;
    }
    const int lastDay = daysInMonth(t.year, t.month);
    if (t.day < 1 || t.day > lastDay) {
        error = std::string(kMonthNames[t.month - 1]) + " " + std::to_string(t.year) + " has " +
                std::to_string(lastDay) + " days, not " + std::to_string(t.day);
        return false;
    }
    if (t.hour > 23 || t.minute > 59 || t.second >= 60.0) {
        error = "time " + text.substr(11) + " is not a clock time (00:00:00..23:59:59)";
        return false;
    }
    out = t;
    return true;
}

double CivilTime::toUnixSeconds() const {
    return static_cast<double>(daysFromCivil(year, month, day)) * kSecondsPerDay + hour * 3600.0 + minute * 60.0 +
           second - offsetMinutes * 60.0;
}

CivilTime CivilTime::fromUnixSeconds(double seconds, int offsetMinutes) {
    const double local = seconds + offsetMinutes * 60.0;
    const double dayNumber = std::floor(local / kSecondsPerDay);
    double secondsOfDay = local - dayNumber * kSecondsPerDay;
    CivilTime t;
    civilFromDays(static_cast<int64_t>(dayNumber), t.year, t.month, t.day);
    secondsOfDay = std::round(secondsOfDay * 1000.0) / 1000.0;  // keep whole seconds whole
    t.hour = static_cast<int>(secondsOfDay / 3600.0);
    t.minute = static_cast<int>((secondsOfDay - t.hour * 3600.0) / 60.0);
    t.second = secondsOfDay - t.hour * 3600.0 - t.minute * 60.0;
    if (t.hour > 23) {  // rounding reached midnight
        return fromUnixSeconds(std::ceil(seconds), offsetMinutes);
    }
    t.offsetMinutes = offsetMinutes;
    return t;
}

std::string CivilTime::toString() const {
    char buffer[64];
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", year, month, day, hour, minute,
                  static_cast<int>(second), offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return buffer;
}

std::string utcOffsetName(int offsetMinutes) {
    char text[16];
    const int m = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(text, sizeof text, "UTC%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', m / 60, m % 60);
    return text;
}

ModuleDateTime moduleTimeFor(double unixSeconds) {
    const CivilTime t = CivilTime::fromUnixSeconds(unixSeconds + 3600.0, 0);  // UT + 1 h
    return {t.year, t.month, t.day, t.hour, t.minute, static_cast<float>(t.second)};
}

bool parseDuration(const std::string& text, double& seconds) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const std::string unit(end);
    if (unit != "" && unit != "s" && unit != "m" && unit != "h") return false;
    seconds = value * (unit == "s" ? 1.0 : unit == "h" ? 3600.0 : 60.0);
    return std::isfinite(seconds) && seconds > 0.0;
}

}  // namespace skytool
