// The parts of enviro-sky driven directly on a started module: the day's times against the NOAA
// solar formulas (an independent algorithm, written out below), the moon's age and illuminated
// fraction against known lunations, and the HDR sky maps read back with the libraries that wrote
// them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include <stb_image.h>
#include <tinyexr.h>

#include "DayTimes.h"
#include "SkyMaps.h"
#include "SkyScene.h"
#include "enviro/sky/Sky.h"

namespace fs = std::filesystem;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

class SkyToolParts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_previous = fs::current_path();
        s_dir = fs::temp_directory_path() / ("sky-tool-parts-" + std::to_string(::getpid()));
        fs::remove_all(s_dir);
        fs::create_directories(s_dir);
        fs::copy(ENVIRO_SOURCE_DATA, s_dir, fs::copy_options::recursive);
        s_scene = new skytool::SkyScene;
        std::string error;
        ASSERT_TRUE(s_scene->start(s_dir.string(), error)) << error;
    }
    static void TearDownTestSuite() {
        delete s_scene;
        fs::current_path(s_previous);
        fs::remove_all(s_dir);
    }
    static skytool::SkyScene* s_scene;
    static fs::path s_dir, s_previous;
};

skytool::SkyScene* SkyToolParts::s_scene = nullptr;
fs::path SkyToolParts::s_dir, SkyToolParts::s_previous;

// The NOAA solar calculator's formulas: declination (deg) and equation of time (minutes) at an
// instant, and the UTC moment (seconds since 1970) the sun's centre reaches zenith angle z on the
// rising or setting side, iterated at the event; NaN when it does not.
void noaaSun(double unixSeconds, double& declination, double& equationOfTime) {
    const double t = (unixSeconds / 86400.0 + 2440587.5 - 2451545.0) / 36525.0;
    const double l0 = std::fmod(280.46646 + t * (36000.76983 + 0.0003032 * t), 360.0) * kDeg;
    const double m = (357.52911 + t * (35999.05029 - 0.0001537 * t)) * kDeg;
    const double e = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double c = std::sin(m) * (1.914602 - t * (0.004817 + 0.000014 * t)) + std::sin(2 * m) * (0.019993 - 0.000101 * t) +
                     std::sin(3 * m) * 0.000289;
    const double omega = (125.04 - 1934.136 * t) * kDeg;
    const double lambda = (l0 / kDeg + c - 0.00569 - 0.00478 * std::sin(omega)) * kDeg;
    const double eps0 = 23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0;
    const double eps = (eps0 + 0.00256 * std::cos(omega)) * kDeg;
    declination = std::asin(std::sin(eps) * std::sin(lambda)) / kDeg;
    const double y = std::tan(eps / 2) * std::tan(eps / 2);
    equationOfTime = 4.0 / kDeg *
                     (y * std::sin(2 * l0) - 2 * e * std::sin(m) + 4 * e * y * std::sin(m) * std::cos(2 * l0) -
                      0.5 * y * y * std::sin(4 * l0) - 1.25 * e * e * std::sin(2 * m));
}

double noaaEvent(double utcMidnight, double lat, double lon, double zenithDeg, int side) {
    double at = utcMidnight + 43200.0;
    for (int i = 0; i < 6; ++i) {
        double dec, eot;
        noaaSun(at, dec, eot);
        const double cosH = std::cos(zenithDeg * kDeg) / (std::cos(lat * kDeg) * std::cos(dec * kDeg)) -
                            std::tan(lat * kDeg) * std::tan(dec * kDeg);
        if (side != 0 && std::fabs(cosH) > 1.0) return NAN;
        const double hourAngle = side == 0 ? 0.0 : std::acos(cosH) / kDeg;
        at = utcMidnight + 60.0 * (720.0 - 4.0 * lon - eot + side * 4.0 * hourAngle);
    }
    return at;
}

// The sun's elevation rate (degrees per second) near an instant, by the same formulas.
double noaaElevationRate(double unixSeconds, double lat, double lon) {
    auto elevation = [&](double t) {
        double dec, eot;
        noaaSun(t, dec, eot);
        const double minutes = std::fmod(t, 86400.0) / 60.0;
        const double hourAngle = (minutes + eot + 4.0 * lon) / 4.0 - 180.0;
        return std::asin(std::sin(lat * kDeg) * std::sin(dec * kDeg) +
                         std::cos(lat * kDeg) * std::cos(dec * kDeg) * std::cos(hourAngle * kDeg)) / kDeg;
    };
    return std::fabs(elevation(unixSeconds + 60.0) - elevation(unixSeconds - 60.0)) / 120.0;
}

TEST_F(SkyToolParts, DayTimesAgreeWithTheNoaaFormulas) {
    struct Place {
        const char* name;
        const char* date;  // local midnight with its offset
        double lat, lon;
    };
    const Place places[] = {
        {"45 N in summer", "2024-08-10T00:00+02:00", 45.0, 7.0},
        {"Sydney in winter", "2024-06-21T00:00+10:00", -33.87, 151.21},
        {"Quito at the equinox", "2024-03-20T00:00-05:00", -0.18, -78.47},
        {"Reykjavik", "2024-03-01T00:00Z", 64.15, -21.94},
        {"Svalbard, polar day", "2024-06-21T00:00+02:00", 78.22, 15.65},
        {"Svalbard, polar night", "2024-12-21T00:00+01:00", 78.22, 15.65},
    };
    for (const Place& p : places) {
        skytool::CivilTime day;
        std::string error;
        ASSERT_TRUE(skytool::CivilTime::parse(p.date, day, error)) << error;
        const skytool::DayTimes d = skytool::findDayTimes(*s_scene, day, p.lat, p.lon, 0.0);
        const double utcMidnight = std::floor(d.dayStart / 86400.0 + 0.5) * 86400.0;  // the UTC date of the day
        const struct {
            const std::optional<double>& found;
            double zenith;
            int side;
        } events[] = {{d.sunrise, 90.833, -1},       {d.sunset, 90.833, 1},         {d.solarNoon, 90.0, 0},
                      {d.civilBegin, 96.0, -1},      {d.civilEnd, 96.0, 1},         {d.nauticalBegin, 102.0, -1},
                      {d.nauticalEnd, 102.0, 1},     {d.astronomicalBegin, 108.0, -1}, {d.astronomicalEnd, 108.0, 1}};
        for (const auto& e : events) {
            const double expected = noaaEvent(utcMidnight, p.lat, p.lon, e.zenith, e.side);
            ASSERT_EQ(e.found.has_value(), !std::isnan(expected)) << p.name << ", zenith " << e.zenith << " side " << e.side;
            if (!e.found) continue;
            // 5 s, and more where the sun crosses the altitude slowly (0.002 degree of elevation);
            // the two agree to 2 s.
            const double tolerance = e.side == 0 ? 5.0 : 5.0 + 0.002 / noaaElevationRate(expected, p.lat, p.lon);
            EXPECT_NEAR(*e.found, expected, tolerance) << p.name << ", zenith " << e.zenith << " side " << e.side;
        }
        // Every rise and set is the module's own crossing to the second.
        const struct {
            const std::optional<double>& at;
            double altitude;
            bool moon;
        } crossings[] = {{d.sunrise, -0.833, false}, {d.sunset, -0.833, false}, {d.civilBegin, -6.0, false},
                         {d.moonrise, 0.125, true},  {d.moonset, 0.125, true}};
        for (const auto& c : crossings) {
            if (!c.at) continue;
            const auto elevation = [&](double t) {
                const skytool::SunAndMoon b = s_scene->sunAndMoon(t, p.lat, p.lon, 0.0);
                return skytool::elevationDeg(c.moon ? b.moon : b.sun) - c.altitude;
            };
            EXPECT_LT(elevation(*c.at - 1.0) * elevation(*c.at + 1.0), 0.0) << p.name << " at altitude " << c.altitude;
        }
        EXPECT_EQ(d.sunUpAllDay, std::string(p.name) == "Svalbard, polar day") << p.name;
        EXPECT_EQ(d.sunDownAllDay, std::string(p.name) == "Svalbard, polar night") << p.name;
    }
}

TEST_F(SkyToolParts, MoonAgeAndIlluminatedFraction) {
    // Published lunations (UTC): new moon 2024-07-05 22:57, full moon 2024-06-22 01:08, first
    // quarter 2024-06-14 05:18.
    const struct {
        double unixSeconds, ageDays, fraction, fractionTolerance;
    } cases[] = {
        {1720220220.0 + 5 * 86400.0, 5.0, 0.0, 1.0},  // five days after new moon (fraction not checked)
        {1719018480.0, 15.52, 1.0, 0.01},             // full: 15.52 days after the new moon of 2024-06-06 12:38
        {1718342280.0, 7.7, 0.5, 0.03},               // first quarter, half lit
    };
    for (const auto& c : cases) {
        const skytool::MoonFacts f = skytool::findMoonFacts(*s_scene, c.unixSeconds, 45.0, 0.0, 0.0);
        EXPECT_NEAR(f.ageDays, c.ageDays, 0.05) << c.unixSeconds;
        EXPECT_NEAR(f.illuminatedFraction, c.fraction, c.fractionTolerance) << c.unixSeconds;
    }
}

// An image read back with the library that wrote it: tinyexr for ".exr", stb for ".hdr".
skytool::HdrImage readBack(const std::string& path) {
    skytool::HdrImage r;
    float* data = nullptr;
    int channels = 4;
    if (path.substr(path.size() - 4) == ".exr") {
        if (LoadEXR(&data, &r.width, &r.height, path.c_str(), nullptr) != TINYEXR_SUCCESS) return r;
    } else {
        data = stbi_loadf(path.c_str(), &r.width, &r.height, &channels, 3);
        channels = 3;
    }
    for (int i = 0; data && i < r.width * r.height; ++i) r.rgb.insert(r.rgb.end(), data + channels * i, data + channels * i + 3);
    free(data);
    return r;
}

const float* pixel(const skytool::HdrImage& image, int x, int y) {
    return &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
}

TEST_F(SkyToolParts, SkyMapsReadBackWithTheSkyAtTheZenithAndTheSunInPlace) {
    // 2024-06-21 10:00 UTC at 45 N 7 E: the sun about 60 degrees up in the south-east.
    const skytool::SkySnapshot s = s_scene->observe(1718964000.0, 45.0, 7.0, 0.0);
    const std::string exr = (s_dir / "pano.exr").string(), hdr = (s_dir / "pano.hdr").string();
    const std::string up = (s_dir / "py.exr").string();
    const skytool::HdrImage panorama = skytool::renderPanorama(*enviro::sky, s, 256);
    std::string error;
    ASSERT_TRUE(skytool::writeHdrImage(panorama, exr, error)) << error;
    ASSERT_TRUE(skytool::writeHdrImage(panorama, hdr, error)) << error;
    const auto faces = skytool::renderCubeMap(*enviro::sky, s, 33);  // odd: a pixel centred on each axis
    ASSERT_TRUE(skytool::writeHdrImage(faces[2], up, error)) << error;

    // The zenith pixel of the up face is the sky's colour at the zenith.
    Math::Vector<3, float> zenith(0.0f, 1.0f, 0.0f), expected;
    Math::Vector<4, float> sun(s.sun.x, s.sun.y, s.sun.z, 0.0f);
    enviro::sky->getSkyColor(zenith, sun, 0.0f, &expected);
    const skytool::HdrImage upFace = readBack(up);
    ASSERT_EQ(upFace.width, 33);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel(upFace, 16, 16)[c], expected[c], 1e-6f * expected[c]) << c;
    EXPECT_GT(expected.z, expected.x);  // a blue daytime zenith
    // The sun lands in the cube where the faces' own directions look at it.
    double closest = 1e9;
    for (int f = 0; f < 6; ++f) {
        int best = 0;
        for (int i = 0; i < 33 * 33; ++i)
            if (faces[f].rgb[i * 3 + 1] > faces[f].rgb[best * 3 + 1]) best = i;
        const Math::Vector<3, float> d = Math::normalizeOrKeep(skytool::cubeFaceDirection(f, 33, best % 33 + 0.5f, best / 33 + 0.5f));
        if (faces[f].rgb[best * 3 + 1] > 1000.0f) closest = std::acos(Math::dot(d, Math::normalizeOrKeep(s.sun))) / kDeg;
    }
    EXPECT_LT(closest, 2.0);  // a face pixel here spans about 2.7 degrees

    // The panorama's brightest pixel is the sun, where the layout puts its azimuth and elevation;
    // its light, summed over the disc above the sky around it, is the direct sunlight of a clear
    // day at 60 degrees (the sky's unit is 1000/0.095 cd/m²).
    for (const skytool::HdrImage& image : {readBack(exr), readBack(hdr)}) {
        ASSERT_EQ(image.width, 512);
        ASSERT_EQ(image.height, 256);
        int best = 0;
        for (int i = 0; i < image.width * image.height; ++i)
            if (image.rgb[i * 3 + 1] > image.rgb[best * 3 + 1]) best = i;
        const double x = std::fmod(skytool::azimuthDeg(s.sun) / 360.0 + 0.5, 1.0) * image.width;
        const double y = (90.0 - skytool::elevationDeg(s.sun)) / 180.0 * image.height;
        EXPECT_NEAR(best % image.width + 0.5, x, 1.5);
        EXPECT_NEAR(best / image.width + 0.5, y, 1.5);
        double lux = 0.0;
        for (int py = int(y) - 4; py <= int(y) + 4; ++py)
            for (int px = int(x) - 4; px <= int(x) + 4; ++px) {
                const double el = (90.0 - 180.0 * py / image.height) * kDeg, rowHeight = kDeg * 180.0 / image.height;
                const double solidAngle = 2.0 * 3.14159265358979 / image.width * (std::sin(el) - std::sin(el - rowHeight));
                lux += (pixel(image, px, py)[1] - pixel(image, px, py + 8)[1]) * solidAngle * 1000.0 / 0.095;
            }
        EXPECT_GT(lux, 70000.0);
        EXPECT_LT(lux, 120000.0);
    }
}

}  // namespace
