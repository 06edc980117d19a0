// The manager's time and place: instants, thresholds, the geographic mapping and the world frame
// (the sun against ERFA, the celestial pole).
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/HorizonFrame.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"
#include "tests/astro/Oracles.h"

namespace {

using Astro::AstroManager;
using Astro::AstroManagerProbe;
using Vector3f = Math::Vector<3, float>;

constexpr double kMetresPerRadian = 111319.49079327357;
constexpr double kDeg = 180.0 / 3.141592653589793;

// World direction (X north, Y up, Z east) of a geocentric ICRS vector for an observer at the given
// latitude and east longitude (radians), at universal time jdUT: ERFA's precession-nutation,
// apparent sidereal time and horizon conversion.
Vector3f erfaWorldDirection(double jdUT, const double icrs[3], double latitude, double longitude) {
    double rnpb[3][3], v[3], p[3] = {icrs[0], icrs[1], icrs[2]};
    eraPnm06a(jdUT, 0.0, rnpb);
    eraRxp(rnpb, p, v);
    double ra, dec, az, el;
    eraC2s(v, &ra, &dec);
    const double ha = eraGst06a(jdUT, 0.0, jdUT, 0.0) + longitude - ra;
    eraHd2ae(ha, dec, latitude, &az, &el);
    return Vector3f(static_cast<float>(std::cos(el) * std::cos(az)), static_cast<float>(std::sin(el)),
                    static_cast<float>(std::cos(el) * std::sin(az)));
}

double elevationDeg(const Vector3f& v) { return std::asin(v.y) * kDeg; }
double separationDeg(const Vector3f& a, const Vector3f& b) {
    return std::atan2(Math::length(Math::cross(a, b)), Math::dot(a, b)) * kDeg;
}

struct LocalTime {
    int year, month, day, hour, minute;
    float second;
};

double jdUTOfLocal(const LocalTime& t) {
    double jd0, jd1;
    eraCal2jd(t.year, t.month, t.day, &jd0, &jd1);
    return jd0 + jd1 + (t.hour + t.minute / 60.0 + t.second / 3600.0 - 1.0) / 24.0;
}

class AstroManagerTime : public astrotest::AstroHostTest {
protected:
    void initWith(AstroManager& m, const char* config) {
        writeConfig(config);
        ASSERT_TRUE(m.Init());
    }
};

TEST_F(AstroManagerTime, InstantAndDateTimeRoundTrip) {
    AstroManager m;
    initWith(m, "Lattidue = 0\n");
    m.setDateTime(2000, 1, 1, 13, 0, 0.0f);  // local time: one hour ahead of universal time
    EXPECT_DOUBLE_EQ(AstroManagerProbe::mjd(m), 51544.5);
    EXPECT_DOUBLE_EQ(AstroManagerProbe::centuries(m), 0.0);

    m.setDateTime(2000, 13, 40, 25, 61, 75.5f);  // stored as given, however out of range
    int y, mo, d, h, mi;
    float s;
    m.getDateTime(y, mo, d, h, mi, s);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(mo, 13);
    EXPECT_EQ(d, 40);
    EXPECT_EQ(h, 25);
    EXPECT_EQ(mi, 61);
    EXPECT_EQ(s, 75.5f);

    // A second that is no number leaves the instant as it was.
    const double before = AstroManagerProbe::mjd(m);
    m.setDateTime(2010, 1, 1, 0, 0, std::nanf(""));
    EXPECT_EQ(AstroManagerProbe::mjd(m), before);
}

TEST_F(AstroManagerTime, SiderealAndDistanceThresholds) {
    AstroManager m;
    initWith(m, "Lattidue = 45\n");
    m.setDateTime(2024, 6, 1, 22, 0, 0.0f);
    m.setPos(0, 0, 0);
    EXPECT_TRUE(m.needStarsUpdate());
    const double gmst = AstroManagerProbe::gmst(m);

    // 13 s of time is 0.00095 rad of sidereal time: below the threshold, nothing moves.
    m.setDateTime(2024, 6, 1, 22, 0, 13.0f);
    EXPECT_EQ(AstroManagerProbe::gmst(m), gmst);
    EXPECT_FALSE(AstroManagerProbe::updateAll(m));
    m.setPos(0, 0, 0);
    EXPECT_FALSE(m.needStarsUpdate());
    // 14 s from the last accepted instant is 0.00102 rad: the frame is rebuilt at the next setPos.
    m.setDateTime(2024, 6, 1, 22, 0, 14.0f);
    EXPECT_NE(AstroManagerProbe::gmst(m), gmst);
    EXPECT_TRUE(AstroManagerProbe::updateAll(m));
    EXPECT_FALSE(m.needStarsUpdate());  // the date alone changes nothing yet
    m.setPos(0, 0, 0);
    EXPECT_TRUE(m.needStarsUpdate());

    // Moves of exactly 500 m on each axis change nothing; 500.001 m on one axis rebuilds.
    m.setPos(500, -500, 500);
    EXPECT_FALSE(m.needStarsUpdate());
    m.setPos(0, 0, 500.001);
    EXPECT_TRUE(m.needStarsUpdate());
    EXPECT_DOUBLE_EQ(AstroManagerProbe::longitude(m), 500.001 / kMetresPerRadian);
    m.setPos(0, 600, 500.001);  // the height counts for the test only
    EXPECT_TRUE(m.needStarsUpdate());
    EXPECT_DOUBLE_EQ(AstroManagerProbe::latitude(m), 45.0 * 3.141592653589793 / 180.0);
    m.setPos(std::nan(""), 0, 0);  // ignored
    m.setPos(0, 600, 500.001);
    EXPECT_FALSE(m.needStarsUpdate());
}

TEST_F(AstroManagerTime, GeographicMappingRoundTrips) {
    AstroManager m;
    initWith(m, "Lattidue = 55.75\nLongtidue = 37.5\n");
    const Math::Vector<3, double> p(12345.678, -7.0, -98765.4321);
    double longitude, latitude;
    m.plane2polar(longitude, latitude, p);
    EXPECT_NEAR(latitude, 55.75 / kDeg + p.x / kMetresPerRadian, 1e-15);
    EXPECT_NEAR(longitude, 37.5 / kDeg + p.z / kMetresPerRadian, 1e-15);
    Math::Vector<3, double> back(0.0, 42.0, 0.0);
    m.polar2plane(longitude, latitude, back);
    EXPECT_NEAR(back.x, p.x, 1e-9);
    EXPECT_NEAR(back.z, p.z, 1e-9);
    EXPECT_EQ(back.y, 42.0);  // not written
}

TEST_F(AstroManagerTime, CelestialPoleMapsToTheObserversLatitude) {
    for (double lat : {-1.2, -0.3, 0.0, 0.6, 1.5})
        for (double gmst : {0.0, 1.0, 4.0, 6.2}) {
            float horizon[9];
            Astro::buildHorizonMatrix(gmst, lat, 0.7, horizon);
            const Vector3f pole = Astro::horizonDirection(horizon, Astro::Vec3D(0, 0, 2.0));
            EXPECT_NEAR(pole.x, std::cos(lat), 1e-6);
            EXPECT_NEAR(pole.y, std::sin(lat), 1e-6);
            EXPECT_NEAR(pole.z, 0.0, 1e-6);
            // The frame is right-handed: north × up = east.
            const Vector3f north(horizon[0], horizon[1], horizon[2]), up(horizon[3], horizon[4], horizon[5]);
            const Vector3f east = Math::cross(north, up);
            EXPECT_NEAR(east.x, horizon[6], 1e-6);
            EXPECT_NEAR(east.z, horizon[8], 1e-6);
        }
    float horizon[9];
    Astro::buildHorizonMatrix(1.0, 0.5, 0.2, horizon);
    const Vector3f zero = Astro::horizonDirection(horizon, Astro::Vec3D());
    EXPECT_EQ(zero, Vector3f(0, 0, 0));

    // The same through the manager, at an observer 30 km north of the origin.
    AstroManager m;
    initWith(m, "Lattidue = 40\n");
    m.setDateTime(2015, 3, 20, 12, 0, 0.0f);
    m.setPos(30000.0, 0, 0);
    const double lat = 40.0 / kDeg + 30000.0 / kMetresPerRadian;
    const Vector3f pole = AstroManagerProbe::coordsToPlane(m, Astro::Vec3D(0, 0, 1));
    EXPECT_NEAR(pole.x, std::cos(lat), 1e-6);
    EXPECT_NEAR(pole.y, std::sin(lat), 1e-6);
    EXPECT_NEAR(pole.z, 0.0, 1e-6);
}

// The sun of getSunPos against ERFA (its sun, precession-nutation and sidereal time) for
// observers around the world over two centuries, at universal time = local time − 1 h.
TEST_F(AstroManagerTime, SunAgreesWithErfaInTheWorldFrame) {
    struct Place {
        const char* config;
        double baseLatDeg, baseLonDeg;
    };
    const Place places[] = {{"Lattidue = 48.5\nLongtidue = 11.25\n", 48.5, 11.25},
                            {"Lattidue = -33.875\nLongtidue = -70.625\n", -33.875, -70.625},
                            {"Lattidue = 64.125\nLongtidue = 170.5\n", 64.125, 170.5}};
    const double offsets[][2] = {{0, 0}, {-40000, 25000}, {15000, -90000}, {-80000, 150000}};  // x north, z east
    const LocalTime times[] = {{1900, 1, 1, 12, 0, 0},   {1932, 6, 21, 6, 30, 0}, {1969, 7, 20, 21, 17, 40},
                               {1999, 12, 31, 23, 59, 59}, {2000, 3, 20, 8, 35, 0}, {2024, 9, 22, 16, 44, 0},
                               {2061, 7, 28, 3, 0, 0},   {2099, 12, 31, 18, 0, 0}};
    int compared = 0;
    for (const Place& place : places) {
        AstroManager m;
        initWith(m, place.config);
        for (const LocalTime& t : times)
            for (const auto& o : offsets) {
                m.setDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
                m.setPos(o[0], 0.0, o[1]);
                const Vector3f sun = m.getSunPos();
                const double lat = place.baseLatDeg / kDeg + o[0] / kMetresPerRadian;
                const double lon = place.baseLonDeg / kDeg + o[1] / kMetresPerRadian;
                const double jd = jdUTOfLocal(t);
                double pvh[2][3], pvb[2][3];
                eraEpv00(jd, 0.0, pvh, pvb);
                const double sunIcrs[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
                const Vector3f expected = erfaWorldDirection(jd, sunIcrs, lat, lon);
                EXPECT_NEAR(elevationDeg(sun), elevationDeg(expected), 0.05) << place.config << t.year;
                EXPECT_LT(separationDeg(sun, expected), 0.05) << place.config << t.year;  // azimuth too
                EXPECT_NEAR(Math::length(sun), 1.0f, 1e-6f);
                ++compared;
            }
    }
    EXPECT_EQ(compared, 96);
}

TEST_F(AstroManagerTime, DateTakesEffectAtTheNextSetPos) {
    AstroManager m;
    initWith(m, "Lattidue = 10\n");
    m.setDateTime(2020, 1, 1, 12, 0, 0.0f);
    m.setPos(0, 0, 0);
    const Vector3f noon = m.getSunPos();
    m.setDateTime(2020, 1, 1, 18, 0, 0.0f);
    EXPECT_EQ(m.getSunPos(), noon);
    m.setPos(0, 0, 0);
    EXPECT_NE(m.getSunPos(), noon);
}

}  // namespace
