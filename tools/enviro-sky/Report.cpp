#include "Report.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include <nlohmann/json.hpp>

namespace skytool {

namespace {

struct Planet {
    const char* name;
    double azimuth, elevation, magnitude;
};

std::vector<Planet> planetsAboveHorizon(const SkySnapshot& s) {
    std::vector<Planet> out;
    if (s.stars.size() < 8) return out;
    const size_t first = s.stars.size() - 8;
    for (size_t i = first; i < s.stars.size(); ++i)
        if (s.stars[i].vPos.y > 0.0f)
            out.push_back({kPlanetNames[i - first], azimuthDeg(s.stars[i].vPos), elevationDeg(s.stars[i].vPos),
                           s.stars[i].fMagnitude});
    return out;
}

std::string moduleTimeText(const ModuleDateTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%06.3f", t.year, t.month, t.day, t.hour, t.minute,
                  static_cast<double>(t.second));
    return buffer;
}

nlohmann::json colourJson(const Math::Vector<4, float>& c) { return {c.x, c.y, c.z}; }

struct NamedTime {
    const char* key;   // JSON name
    const char* text;  // text label
    const std::optional<double>& at;
};

std::vector<NamedTime> dayEvents(const DayTimes& d) {
    return {{"sunrise", "Sunrise", d.sunrise},
            {"solar_noon", "Solar noon", d.solarNoon},
            {"sunset", "Sunset", d.sunset},
            {"civil_twilight_begin", "Civil twilight begins", d.civilBegin},
            {"civil_twilight_end", "Civil twilight ends", d.civilEnd},
            {"nautical_twilight_begin", "Nautical twilight begins", d.nauticalBegin},
            {"nautical_twilight_end", "Nautical twilight ends", d.nauticalEnd},
            {"astronomical_twilight_begin", "Astronomical twilight begins", d.astronomicalBegin},
            {"astronomical_twilight_end", "Astronomical twilight ends", d.astronomicalEnd},
            {"moonrise", "Moonrise", d.moonrise},
            {"moonset", "Moonset", d.moonset}};
}

// The instant to the nearest second, in the given offset.
CivilTime nearestSecond(double unixSeconds, int offsetMinutes) {
    return CivilTime::fromUnixSeconds(std::floor(unixSeconds + 0.5), offsetMinutes);
}

const char* placementText(bool apparent) {
    return apparent ? "apparent geocentric places of date (ApparentPlanets = 1)"
                    : "the module's default: heliocentric directions, fixed magnitudes (ApparentPlanets = 0)";
}

}  // namespace

int starsAboveHorizon(const SkySnapshot& s) {
    const size_t catalogue = s.stars.size() >= 8 ? s.stars.size() - 8 : 0;
    int n = 0;
    for (size_t i = 0; i < catalogue; ++i) n += s.stars[i].vPos.y > 0.0f ? 1 : 0;
    return n;
}

std::string textReport(const Options& o, const SkySnapshot& s, const ReportContext& c, const AllSkyLayout* layout) {
    const CivilTime local = CivilTime::fromUnixSeconds(s.unixSeconds, o.time.offsetMinutes);
    const CivilTime utc = CivilTime::fromUnixSeconds(s.unixSeconds, 0);
    std::ostringstream out;
    char line[256];
    out << "Date and time:    " << local.toString() << " (UTC " << utc.toString().substr(0, 19) << ")\n";
    out << "Module time:      " << moduleTimeText(s.moduleTime) << " (setDateTime: UT + 1 h)\n";
    std::snprintf(line, sizeof line, "Observer:         latitude %.4f deg, longitude %.4f deg, altitude %.0f m\n",
                  o.latitudeDeg, o.longitudeDeg, o.altitudeM);
    out << line;
    std::snprintf(line, sizeof line, "Sun:              azimuth %.3f deg, elevation %.3f deg\n", azimuthDeg(s.sun),
                  elevationDeg(s.sun));
    out << line;
    std::snprintf(line, sizeof line, "Moon:             azimuth %.3f deg, elevation %.3f deg\n", azimuthDeg(s.moon),
                  elevationDeg(s.moon));
    out << line;
    std::snprintf(line, sizeof line, "Moon phase:       %.4f (0 new, 1 full), lit-side angle %.4f rad\n", s.moonPhase,
                  s.moonAngle);
    out << line;
    std::snprintf(line, sizeof line, "Moon lit:         %.1f %% of the disc, %.2f days after new moon\n",
                  100.0 * c.moon.illuminatedFraction, c.moon.ageDays);
    out << line;
    out << "Day of " << CivilTime::fromUnixSeconds(c.day.dayStart, o.time.offsetMinutes).toString().substr(0, 10)
        << " (local times, " << utcOffsetName(o.time.offsetMinutes) << ")"
        << (c.day.sunUpAllDay ? ": the sun stays up all day" : c.day.sunDownAllDay ? ": the sun stays down all day" : "")
        << "\n";
    for (const NamedTime& e : dayEvents(c.day)) {
        std::snprintf(line, sizeof line, "  %-30s%s\n", (std::string(e.text) + ":").c_str(),
                      e.at ? nearestSecond(*e.at, o.time.offsetMinutes).toString().substr(11, 8).c_str() : "none");
        out << line;
    }
    std::snprintf(line, sizeof line, "Ambient colour:   %.4f %.4f %.4f\n", s.ambient.x, s.ambient.y, s.ambient.z);
    out << line;
    std::snprintf(line, sizeof line, "Light colour:     %.4f %.4f %.4f\n", s.light.x, s.light.y, s.light.z);
    out << line;
    out << "Stars above the horizon: " << starsAboveHorizon(s) << " (catalogue: " << c.catalogue.stars << " stars";
    if (c.catalogue.skippedLines > 0) out << ", " << c.catalogue.skippedLines << " damaged lines skipped";
    out << ")\n";
    out << "Planets placed at:  " << placementText(c.apparentPlanets) << "\n";
    out << "Planets above the horizon:";
    const auto planets = planetsAboveHorizon(s);
    if (planets.empty()) out << " none";
    out << "\n";
    for (const Planet& p : planets) {
        std::snprintf(line, sizeof line, "  %-8s azimuth %.3f deg, elevation %.3f deg, magnitude %.2f\n", p.name,
                      p.azimuth, p.elevation, p.magnitude);
        out << line;
    }
    if (layout && !o.imagePath.empty()) {
        out << "Image:            " << o.imagePath << " (" << o.size << " x " << o.size << ")\n";
    }
    if (!o.panoramaPath.empty())
        out << "Panorama:         " << o.panoramaPath << " (" << 2 * o.mapSize << " x " << o.mapSize << ")\n";
    if (!o.cubeMapDir.empty())
        out << "Cube map:         " << o.cubeMapDir << "/{px,nx,py,ny,pz,nz}." << o.cubeMapFormat << " (" << o.mapSize
            << " x " << o.mapSize << ")\n";
    return out.str();
}

std::string jsonReport(const Options& o, const SkySnapshot& s, const ReportContext& c, const AllSkyLayout* layout) {
    const CivilTime local = CivilTime::fromUnixSeconds(s.unixSeconds, o.time.offsetMinutes);
    const CivilTime utc = CivilTime::fromUnixSeconds(s.unixSeconds, 0);
    nlohmann::json j;
    j["time"] = {{"local", local.toString()},
                 {"utc", utc.toString()},
                 {"module", {{"year", s.moduleTime.year},
                             {"month", s.moduleTime.month},
                             {"day", s.moduleTime.day},
                             {"hour", s.moduleTime.hour},
                             {"minute", s.moduleTime.minute},
                             {"second", s.moduleTime.second}}}};
    j["observer"] = {{"latitude_deg", o.latitudeDeg}, {"longitude_deg", o.longitudeDeg}, {"altitude_m", o.altitudeM},
                     {"visibility_m", o.visibilityM}};
    j["sun"] = {{"azimuth_deg", azimuthDeg(s.sun)}, {"elevation_deg", elevationDeg(s.sun)}};
    j["moon"] = {{"azimuth_deg", azimuthDeg(s.moon)},
                 {"elevation_deg", elevationDeg(s.moon)},
                 {"phase", s.moonPhase},
                 {"angle_rad", s.moonAngle},
                 {"illuminated_fraction", c.moon.illuminatedFraction},
                 {"age_days", c.moon.ageDays}};
    nlohmann::json day = {{"date", CivilTime::fromUnixSeconds(c.day.dayStart, o.time.offsetMinutes).toString().substr(0, 10)},
                          {"utc_offset", utcOffsetName(o.time.offsetMinutes)},
                          {"sun_up_all_day", c.day.sunUpAllDay},
                          {"sun_down_all_day", c.day.sunDownAllDay}};
    for (const NamedTime& e : dayEvents(c.day))
        day[e.key] = e.at ? nlohmann::json(nearestSecond(*e.at, o.time.offsetMinutes).toString()) : nlohmann::json();
    j["day"] = day;
    j["catalogue"] = {{"stars", c.catalogue.stars},
                      {"skipped_lines", c.catalogue.skippedLines},
                      {"rebuilt", !c.catalogue.rebuiltBecause.empty()}};
    j["planets_placement"] = c.apparentPlanets ? "apparent" : "default";
    j["lighting"] = {{"ambient", colourJson(s.ambient)}, {"light", colourJson(s.light)}};
    j["stars_above_horizon"] = starsAboveHorizon(s);
    nlohmann::json planets = nlohmann::json::array();
    for (const Planet& p : planetsAboveHorizon(s))
        planets.push_back({{"name", p.name}, {"azimuth_deg", p.azimuth}, {"elevation_deg", p.elevation},
                           {"magnitude", p.magnitude}});
    j["planets_above_horizon"] = planets;
    if (layout && !o.imagePath.empty()) {
        nlohmann::json image = {{"path", o.imagePath}, {"size", o.size}, {"disc_radius_px", layout->discRadius},
                                {"exposure", layout->exposure}};
        if (layout->sunVisible) image["sun_px"] = {layout->sunX, layout->sunY};
        if (layout->moonVisible) image["moon_px"] = {layout->moonX, layout->moonY};
        j["image"] = image;
    }
    if (!o.panoramaPath.empty()) j["panorama"] = {{"path", o.panoramaPath}, {"width", 2 * o.mapSize}, {"height", o.mapSize}};
    if (!o.cubeMapDir.empty()) j["cubemap"] = {{"folder", o.cubeMapDir}, {"format", o.cubeMapFormat}, {"size", o.mapSize}};
    return j.dump(2) + "\n";
}

}  // namespace skytool
