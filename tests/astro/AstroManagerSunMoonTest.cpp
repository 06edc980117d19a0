// The manager's sun and moon: the sun offset, the moon against ERFA, the phase and the lit side.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/EphemerisMath.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"
#include "tests/astro/Oracles.h"

namespace {

using Astro::AstroManager;
using Astro::AstroManagerProbe;
using Vector3f = Math::Vector<3, float>;

constexpr double kPi = 3.141592653589793;

class AstroManagerSunMoon : public astrotest::AstroHostTest {
protected:
    void SetUp() override {
        AstroHostTest::SetUp();
        writeConfig("Lattidue = 52\nLongtidue = 13.5\n");
        ASSERT_TRUE(m.Init());
    }
    void at(int year, int month, int day, int hour, int minute) {
        m.setDateTime(year, month, day, hour, minute, 0.0f);
        m.setPos(0, 0, 0);
    }
    AstroManager m;
};

float elevation(const Vector3f& v) { return std::asin(v.y); }
float azimuth(const Vector3f& v) { return std::atan2(v.z, v.x); }

TEST_F(AstroManagerSunMoon, SunOffsetDeadZoneRaiseAndClamp) {
    at(2021, 4, 10, 9, 0);
    const Vector3f plain = m.getSunPos();
    m.setSunOffset(0.005f);  // within the dead zone: ignored
    EXPECT_EQ(m.getSunPos(), plain);
    EXPECT_EQ(m.getSunOffset(), 0.005f);

    m.setSunOffset(0.02f);
    const Vector3f raised = m.getSunPos();
    EXPECT_NEAR(elevation(raised), elevation(plain) + 0.02f, 2e-6f);
    EXPECT_NEAR(azimuth(raised), azimuth(plain), 2e-6f);

    m.setSunOffset(-0.02f);
    EXPECT_NEAR(elevation(m.getSunPos()), elevation(plain) - 0.02f, 2e-6f);

    m.setSunOffset(3.0f);  // past the zenith: held at single-precision π/2
    const Vector3f top = m.getSunPos();
    EXPECT_FLOAT_EQ(top.y, std::sin(1.5707964f));
    EXPECT_NEAR(top.x, 0.0f, 1e-6f);
    m.setSunOffset(-3.0f);
    EXPECT_FLOAT_EQ(m.getSunPos().y, -1.0f);
}

TEST_F(AstroManagerSunMoon, MoonAgreesWithErfaAndIsCached) {
    for (int year = 1905; year <= 2095; year += 19) {
        at(year, 5, 17, 23, 10);
        const Vector3f moon = m.getMoonPos();
        // Geocentric, true equator of date: compare the right ascension and declination that the
        // world direction implies with ERFA's moon, through the pole and the sidereal time.
        const double lat = 52.0 * Astro::Rad, lon = 13.5 * Astro::Rad;
        double jd0, jd1;
        eraCal2jd(year, 5, 17, &jd0, &jd1);
        const double jd = jd0 + jd1 + (22.0 + 10.0 / 60.0) / 24.0;
        double pv[2][3], rnpb[3][3], v[3];
        eraMoon98(jd, 0.0, pv);
        eraPnm06a(jd, 0.0, rnpb);
        eraRxp(rnpb, pv[0], v);
        double ra, dec, az, el;
        eraC2s(v, &ra, &dec);
        eraHd2ae(eraGst06a(jd, 0.0, jd, 0.0) + lon - ra, dec, lat, &az, &el);
        const Vector3f expected(static_cast<float>(std::cos(el) * std::cos(az)), static_cast<float>(std::sin(el)),
                                static_cast<float>(std::cos(el) * std::sin(az)));
        EXPECT_LT(Math::length(moon - expected), 0.05 * Astro::Rad) << year;
    }
    const Vector3f cached = m.getMoonPos();
    m.setDateTime(2095, 5, 18, 5, 0, 0.0f);  // no setPos: still the cached value
    EXPECT_EQ(m.getMoonPos(), cached);
}

TEST_F(AstroManagerSunMoon, PhaseAtTheQuartersOfJanuary2000) {
    // Universal times of the phases; the manager takes local time, one hour later.
    at(2000, 1, 6, 19, 14);  // new moon 18:14 UT
    EXPECT_LT(m.getMoonPhase(), 0.002);
    at(2000, 1, 14, 14, 34);  // first quarter 13:34 UT
    EXPECT_NEAR(m.getMoonPhase(), 0.5, 0.002);
    at(2000, 1, 21, 5, 40);  // full moon 04:40 UT
    EXPECT_GT(m.getMoonPhase(), 0.998);
    at(2000, 1, 28, 8, 57);  // last quarter 07:57 UT
    EXPECT_NEAR(m.getMoonPhase(), 0.5, 0.002);

    // Against ERFA's sun (one light time earlier) and moon, any day: |elongation in longitude|/π.
    for (int day = 1; day <= 28; day += 3) {
        at(2031, 8, day, 3, 0);
        const double jd = 2451545.0 + 36525.0 * AstroManagerProbe::centuries(m);
        const oracle::EclipticPlace sun = oracle::sunErfa(jd - 499.0 / 86400.0);
        const oracle::EclipticPlace moon = oracle::moonErfa(jd);
        EXPECT_NEAR(m.getMoonPhase(), std::fabs(eraAnpm(sun.lon - moon.lon)) / kPi, 2e-4) << day;
    }
}

TEST_F(AstroManagerSunMoon, LitSidePointsAtTheSun) {
    // With real dates: the lit-side direction on the disc is the sun's direction projected onto
    // the disc, measured from the disc's up (towards the zenith) and right.
    for (int hour = 0; hour < 24; hour += 5) {
        at(2023, 3, 27, hour, 0);
        const Vector3f mo = m.getMoonPos(), s = m.getSunPos();
        const double alpha = 4.71238898038469 - m.getMoonAngle();  // angle from up toward right
        EXPECT_GT(m.getMoonAngle(), -kPi / 2 - 1e-6);
        EXPECT_LE(m.getMoonAngle(), 3 * kPi / 2 + 1e-6);
        const Vector3f right = Math::normalizeOrKeep(Vector3f(-mo.z, 0.0f, mo.x));
        const Vector3f up = Math::normalizeOrKeep(Math::cross(right, mo));
        EXPECT_NEAR(Math::dot(up, mo), 0.0f, 1e-6f);
        EXPECT_GT(up.y, 0.0f);  // up points to the zenith side of the disc
        const Vector3f lit = up * static_cast<float>(std::cos(alpha)) + right * static_cast<float>(std::sin(alpha));
        const Vector3f towardSun = Math::normalizeOrKeep(s - mo * Math::dot(s, mo));
        EXPECT_NEAR(Math::dot(lit, towardSun), 1.0f, 1e-5f) << hour;
    }

    // The sun straight above the moon on the disc: 3π/2; to the right: π.
    AstroManagerProbe::seedSunAndMoon(m, Vector3f(0, 1, 0), Vector3f(1, 0, 0));
    EXPECT_NEAR(m.getMoonAngle(), 3 * kPi / 2, 1e-6);
    AstroManagerProbe::seedSunAndMoon(m, Vector3f(0, 0, 1), Vector3f(1, 0, 0));
    EXPECT_NEAR(m.getMoonAngle(), kPi, 1e-6);
    // The moon at the zenith: right is the zero vector, so q2 = 0 and the angle is 3π/2 − atan2(0, q1).
    AstroManagerProbe::seedSunAndMoon(m, Vector3f(0.6f, 0.0f, 0.8f), Vector3f(0, 1, 0));
    EXPECT_NEAR(m.getMoonAngle(), 3 * kPi / 2, 1e-6);
}

TEST(AstroManagerBeforeInit, GettersGiveZerosAndEmptyLists) {
    AstroManager m;
    m.setDateTime(2020, 1, 1, 0, 0, 0.0f);
    m.setPos(0, 0, 0);
    EXPECT_EQ(m.getSunPos(), Vector3f(0, 0, 0));
    EXPECT_EQ(m.getMoonPos(), Vector3f(0, 0, 0));
    EXPECT_EQ(m.getMoonPhase(), 0.0);
    EXPECT_EQ(m.getMoonAngle(), 0.0);
    EXPECT_EQ(m.getMilkyPole(), Vector3f(0, 0, 0));
    EXPECT_EQ(m.getMilkyCenter(), Vector3f(0, 0, 0));
    ASSERT_NE(m.getStars(), nullptr);
    EXPECT_TRUE(m.getStars()->empty());
    EXPECT_FALSE(m.needStarsUpdate());
    EXPECT_EQ(m.getAmbientColor(), (Math::Vector<4, float>(0, 0, 0, 0)));
    EXPECT_EQ(m.getLightColor(), (Math::Vector<4, float>(0, 0, 0, 0)));
    m.ComputeSunlight(0.0, 0);
    m.ComputeAttenuatedSunlight(0.3, 2);
    for (int i = 0; i < 91; ++i) EXPECT_EQ(m.getSunSpectrum()[i], 0.0);
}

}  // namespace
