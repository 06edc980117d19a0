#include "DayTimes.h"

#include <cmath>
#include <vector>

namespace skytool {

namespace {

constexpr double kStepS = 600.0;             // bracketing samples
constexpr double kPrecisionS = 0.25;         // bisection stops at this bracket width
constexpr double kSynodicMonthDays = 29.530589;
constexpr double kNewMoonWindowDays = 2.0;   // the mean-motion guess is within about half a day
constexpr double kAgePrecisionS = 30.0;
constexpr double kPi = 3.14159265358979323846;

struct Sample {
    double sunElevation, moonElevation;  // degrees
    double sunEast;                      // east component of the sun's direction
};

class Observer {
public:
    Observer(SkyScene& scene, double lat, double lon, double alt) : m_scene(scene), m_lat(lat), m_lon(lon), m_alt(alt) {}
    Sample at(double t) {
        const SunAndMoon s = m_scene.sunAndMoon(t, m_lat, m_lon, m_alt);
        return {elevationDeg(s.sun), elevationDeg(s.moon), s.sun.z};
    }
    SunAndMoon bodies(double t) { return m_scene.sunAndMoon(t, m_lat, m_lon, m_alt); }

private:
    SkyScene& m_scene;
    double m_lat, m_lon, m_alt;
};

using Quantity = double (*)(const Sample&);

// The moment in (lo, hi) where q changes sign, q(lo) and q(hi) having opposite signs.
double bisect(Observer& o, Quantity q, double lo, double hi) {
    const bool rising = q(o.at(lo)) < 0.0;
    while (hi - lo > kPrecisionS) {
        const double mid = 0.5 * (lo + hi);
        ((q(o.at(mid)) < 0.0) == rising ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// First upward and first downward crossing of q over the samples.
void crossings(Observer& o, const std::vector<double>& t, const std::vector<Sample>& s, Quantity q,
               std::optional<double>& up, std::optional<double>& down) {
    for (size_t i = 1; i < s.size(); ++i) {
        const double a = q(s[i - 1]), b = q(s[i]);
        if (a < 0.0 && b >= 0.0 && !up) up = bisect(o, q, t[i - 1], t[i]);
        if (a >= 0.0 && b < 0.0 && !down) down = bisect(o, q, t[i - 1], t[i]);
    }
}

double aboveSunrise(const Sample& x) { return x.sunElevation - kSunriseAltitudeDeg; }
double aboveCivil(const Sample& x) { return x.sunElevation + 6.0; }
double aboveNautical(const Sample& x) { return x.sunElevation + 12.0; }
double aboveAstronomical(const Sample& x) { return x.sunElevation + 18.0; }
double aboveMoonrise(const Sample& x) { return x.moonElevation - kMoonriseAltitudeDeg; }
double westOfMeridian(const Sample& x) { return -x.sunEast; }

}  // namespace

DayTimes findDayTimes(SkyScene& scene, const CivilTime& instant, double lat, double lon, double alt) {
    CivilTime midnight = instant;
    midnight.hour = midnight.minute = 0;
    midnight.second = 0.0;
    DayTimes d;
    d.dayStart = midnight.toUnixSeconds();
    d.dayEnd = d.dayStart + 86400.0;
    Observer o(scene, lat, lon, alt);
    std::vector<double> t;
    std::vector<Sample> s;
    for (double at = d.dayStart; at <= d.dayEnd; at += kStepS) {
        t.push_back(at);
        s.push_back(o.at(at));
    }
    crossings(o, t, s, aboveSunrise, d.sunrise, d.sunset);
    crossings(o, t, s, aboveCivil, d.civilBegin, d.civilEnd);
    crossings(o, t, s, aboveNautical, d.nauticalBegin, d.nauticalEnd);
    crossings(o, t, s, aboveAstronomical, d.astronomicalBegin, d.astronomicalEnd);
    crossings(o, t, s, aboveMoonrise, d.moonrise, d.moonset);
    // Upper transit: the sun crosses the meridian from east to west (the lower one, west to east).
    std::optional<double> lowerTransit;
    crossings(o, t, s, westOfMeridian, d.solarNoon, lowerTransit);
    if (!d.sunrise && !d.sunset) {
        d.sunUpAllDay = aboveSunrise(s.front()) >= 0.0;
        d.sunDownAllDay = !d.sunUpAllDay;
    }
    return d;
}

MoonFacts findMoonFacts(SkyScene& scene, double unixSeconds, double lat, double lon, double alt) {
    Observer o(scene, lat, lon, alt);
    const SunAndMoon now = o.bodies(unixSeconds);
    const double cosAngle = double(now.sun.x) * now.moon.x + double(now.sun.y) * now.moon.y + double(now.sun.z) * now.moon.z;
    MoonFacts f;
    f.illuminatedFraction = 0.5 * (1.0 - std::fmax(-1.0, std::fmin(1.0, cosAngle)));

    // Elongation from the phase, waxing while the phase grows; then the mean synodic motion
    // guesses the last new moon, and a golden-section search finds the phase's minimum near it.
    const bool waxing = o.bodies(unixSeconds + 3600.0).moonPhase >= now.moonPhase;
    const double elongation = waxing ? now.moonPhase * kPi : 2.0 * kPi - now.moonPhase * kPi;
    double guess = unixSeconds - elongation / (2.0 * kPi) * kSynodicMonthDays * 86400.0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        double lo = guess - kNewMoonWindowDays * 86400.0, hi = guess + kNewMoonWindowDays * 86400.0;
        const double g = 0.5 * (std::sqrt(5.0) - 1.0);
        double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
        double f1 = o.bodies(x1).moonPhase, f2 = o.bodies(x2).moonPhase;
        while (hi - lo > kAgePrecisionS) {
            if (f1 < f2) {
                hi = x2, x2 = x1, f2 = f1;
                x1 = hi - g * (hi - lo), f1 = o.bodies(x1).moonPhase;
            } else {
                lo = x1, x1 = x2, f1 = f2;
                x2 = lo + g * (hi - lo), f2 = o.bodies(x2).moonPhase;
            }
        }
        const double newMoon = 0.5 * (lo + hi);
        if (newMoon <= unixSeconds) {
            f.ageDays = (unixSeconds - newMoon) / 86400.0;
            break;
        }
        guess = newMoon - kSynodicMonthDays * 86400.0;  // the guess fell after the instant
    }
    return f;
}

}  // namespace skytool
