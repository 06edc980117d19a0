// The astronomy manager: Init with its configuration, catalogue and light bitmap, the time and place
// protocol with the star list's updates, the sun offset, the moon's phase and lit side, and the
// colour points. (Copies are tested with the allocation failures, see AstroAllocationTest.)
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/CatalogFrame.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"

namespace {

using Astro::AstroManager;
using Astro::AstroManagerProbe;
using Vector3f = Math::Vector<3, float>;

constexpr double kPi = 3.141592653589793, kRad = kPi / 180.0;

class AstroManagerTest : public astrotest::AstroHostTest {
protected:
    void initWith(const char* config) {
        writeConfig(config);
        ASSERT_TRUE(m.Init());
    }
    void at(int year, int month, int day, int hour, int minute) {
        m.setDateTime(year, month, day, hour, minute, 0.0f);
        m.setPos(0, 0, 0);
    }
};

TEST_F(AstroManagerTest, ConfigurationKeysAreReadExactlyAsSpelledAndTyped) {
    writeCatalogue(astrotest::kSiriusLine);
    const struct { const char* config; bool ready; double latitude, longitude, epochT, equinoxT; float timezone; } cases[] = {
        {nullptr, false, 0, 0, 0, 0, 0}, {"-- nothing here\n", false, 0, 0, 0, 0, 0},  // no file, no entries,
        {"Lattidue = \n", false, 0, 0, 0, 0, 0},                                     // a syntax error
        {"Lattidue = 55.75\nLongtidue = -3.5\nTimezone = 3\nEpoch = 1991.25\nEquinox = 1950\n", true, 55.75, -3.5, -0.0875, -0.5, 3},
        {"Latitude = 10\nLongitude = 20\n", true, 0, 0, -20, -20, 0},  // the usual spellings are not the keys; year 0
        {"Longtidue = 'east'\nTimezone = 2.5\nEpoch = true\n", true, 0, 0, -20, -20, 0},      // wrong types: absent
        {"Lattidue = 0/0\nLongtidue = 1e300\nEpoch = 1/0\nEquinox = -1/0\n", true, 0, 0, -20, -20, 0},  // not finite
    };
    for (const auto& c : cases) {
        m = AstroManager();
        if (c.config) writeConfig(c.config);
        ASSERT_EQ(m.Init(), c.ready) << (c.config ? c.config : "no file");
        EXPECT_TRUE(c.ready || !std::filesystem::exists("PPMbin.dat"));  // a failed Init builds no catalogue cache
        if (!c.ready) continue;
        m.setDateTime(2000, 1, 1, 13, 0, 0.0f);  // the time zone is stored only: UT + 1 h either way
        EXPECT_TRUE(std::fabs(AstroManagerProbe::baseLatitude(m) - c.latitude * kRad) < 1e-9 &&
                    std::fabs(AstroManagerProbe::baseLongitude(m) - c.longitude * kRad) < 1e-9 &&
                    std::fabs(Astro::g_dEpochT - c.epochT) < 1e-9 && std::fabs(Astro::g_dEquinoxT - c.equinoxT) < 1e-9 &&
                    AstroManagerProbe::timezone(m) == c.timezone && std::fabs(AstroManagerProbe::mjd(m) - 51544.5) < 1e-9)
            << c.config;
    }
    initWith("Lattidue = 10\n");  // a second Init changes nothing; the cache was closed after loading
    EXPECT_TRUE(AstroManagerProbe::baseLatitude(m) == 0 && m_host.packages().openFileCount() == 0);
    EXPECT_EQ(m.getSunPos(), Vector3f(0, 0, 0));  // the frame is built by the first setPos
}

TEST_F(AstroManagerTest, CatalogueCacheIsBuiltOnceWithTheConfiguredBounds) {
    std::string zero = astrotest::kVegaLine;
    writeCatalogue(std::string(astrotest::kSiriusLine) + zero.replace(zero.find(" 0.03 "), 6, " 0.00 ") + astrotest::kPolarisLine);
    initWith("Lattidue = 5\n");  // built with the default bounds 0..0: magnitude 0 only
    ASSERT_EQ(AstroManagerProbe::starRecordCount(m), 1u);
    EXPECT_EQ(AstroManagerProbe::starRecord(m, 0)->dMagnitude, 0.0);
    std::remove("PPM.dat");
    m = AstroManager();
    initWith("MinStarsMagnitude = -2\nMaxStarsMagnitude = 9\n");  // ignored: the cache exists
    EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 1u);
    std::remove("PPMbin.dat");  // no text catalogue either: an empty sky with the planets
    m = AstroManager();
    initWith("Lattidue = 5\n");
    m.setPos(0, 0, 0);
    EXPECT_EQ(m.getStars()->size(), 8u);
}

TEST_F(AstroManagerTest, TheFrameMovesWithTheSiderealTimeAndThePlace) {
    writeCatalogue(astrotest::kSiriusLine);
    initWith("Lattidue = 45\nLongtidue = 37.5\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
    EXPECT_TRUE(m.getStars()->empty());  // initialised, but no frame yet
    at(2024, 6, 1, 22, 0);
    const Vector3f sun = m.getSunPos();
    std::vector<Astro::STARDESC>* stars = m.getStars();
    EXPECT_TRUE(m.needStarsUpdate() && !m.needStarsUpdate());  // once per rebuild
    (*stars)[0].fMagnitude = 42.0f;  // left alone until the next rebuild
    // 13 s is 0.00095 rad of sidereal time, below the threshold: nothing moves; 14 s (0.00102 rad
    // from the last accepted instant) moves the frame at the next setPos, not before.
    m.setDateTime(2024, 6, 1, 22, 0, 13.0f);
    m.setPos(0, 0, 0);
    EXPECT_TRUE(!m.needStarsUpdate() && m.getStars()->at(0).fMagnitude == 42.0f);
    m.setDateTime(2024, 6, 1, 22, 0, 14.0f);
    EXPECT_EQ(m.getSunPos(), sun);
    m.setPos(0, 0, 0);
    EXPECT_TRUE(m.needStarsUpdate() && m.getSunPos() != sun);
    EXPECT_TRUE(m.getStars() == stars && (*stars)[0].fMagnitude == -1.44f);  // rebuilt in the same list
    // Moves of exactly 500 m on each axis change nothing; 500.001 m on one axis rebuilds. The
    // height counts for the test only; a NaN is ignored.
    const struct { double x, y, z; bool rebuilds; } moves[] = {
        {500, -500, 500, false}, {0, 0, 500.001, true}, {0, 600, 500.001, true}, {NAN, 0, 0, false}, {0, 600, 500.001, false}};
    for (const auto& move : moves) {
        m.setPos(move.x, move.y, move.z);
        EXPECT_EQ(m.needStarsUpdate(), move.rebuilds) << move.x << " " << move.y << " " << move.z;
    }
    const double mjd = AstroManagerProbe::mjd(m);
    m.setDateTime(2010, 1, 1, 0, 0, std::nanf(""));  // a second that is no number: ignored
    EXPECT_EQ(AstroManagerProbe::mjd(m), mjd);
}

TEST_F(AstroManagerTest, SunOffsetMoonPhaseAndLitSide) {
    // The sun offset raises the sun outside its dead zone.
    initWith("Lattidue = 52\nLongtidue = 13.5\n");
    at(2021, 4, 10, 9, 0);
    const Vector3f plain = m.getSunPos();
    auto elevation = [](const Vector3f& v) { return std::asin(v.y); };
    const struct { float offset, elevation; } cases[] = {
        {0.005f, elevation(plain)}, {0.02f, elevation(plain) + 0.02f}, {-0.02f, elevation(plain) - 0.02f},
        {3.0f, 1.5707964f}, {-3.0f, -1.5707964f}};  // within the dead zone: ignored; held at ±π/2
    for (const auto& c : cases) {
        m.setSunOffset(c.offset);
        const Vector3f sun = m.getSunPos();
        EXPECT_NEAR(elevation(sun), c.elevation, 1e-5f) << c.offset;
        EXPECT_TRUE(std::fabs(c.offset) > 1 || std::fabs(std::atan2(sun.z, sun.x) - std::atan2(plain.z, plain.x)) < 2e-6f);  // azimuth kept
    }
    // The phases of January 2000 (UT; the manager takes local time, one hour later).
    const struct { int day, hour, minute; double phase; } quarters[] = {{6, 19, 14, 0}, {14, 14, 34, 0.5}, {21, 5, 40, 1}, {28, 8, 57, 0.5}};
    for (const auto& q : quarters) {
        at(2000, 1, q.day, q.hour, q.minute);
        EXPECT_NEAR(m.getMoonPhase(), q.phase, 0.002) << q.day;
    }
    // The lit side's angle on the disc: 3π/2 for a sun straight above the moon (also for a moon at
    // the zenith, whose disc has no right), π for a sun to its right.
    const struct { Vector3f sun, moon; double angle; } sides[] = {
        {{0, 1, 0}, {1, 0, 0}, 3 * kPi / 2}, {{0.6f, 0, 0.8f}, {0, 1, 0}, 3 * kPi / 2}, {{0, 0, 1}, {1, 0, 0}, kPi}};
    for (const auto& side : sides) {
        AstroManagerProbe::place(m, side.sun, side.moon);
        EXPECT_NEAR(m.getMoonAngle(), side.angle, 1e-6) << side.angle;
    }
}

TEST_F(AstroManagerTest, BeforeInitEverythingIsZeroOrEmpty) {
    at(2020, 1, 1, 0, 0);
    EXPECT_TRUE(m.getSunPos() == Vector3f(0, 0, 0) && m.getMoonPos() == Vector3f(0, 0, 0) && m.getMilkyPole() == Vector3f(0, 0, 0));
    EXPECT_TRUE(m.getMoonPhase() == 0.0 && m.getMoonAngle() == 0.0 && m.getStars()->empty() && !m.needStarsUpdate());
    m.ComputeSunlight(0.0, 0);
    m.ComputeAttenuatedSunlight(0.3, 2);
    for (int i = 0; i < 91; ++i) EXPECT_EQ(m.getSunSpectrum()[i], 0.0);
}

TEST(AstroManagerColorPoints, ListsKeepOrderAndIgnoreBadIndices) {
    AstroManager m;
    AstroManager::Colorpoint p{0.0f, {1, 2, 3, 4}}, all[3] = {};
    const struct { float key; bool list; int index; } adds[] = {{0.5f, true, 0}, {0.1f, true, 1}, {0.9f, false, 0}, {0.7f, true, 2}};
    for (const auto& a : adds) {
        p.fKey = a.key;
        EXPECT_EQ(m.addPoint(&p, a.list), a.index);  // appended, not sorted by key; the record copied
    }
    EXPECT_EQ(m.addPoint(nullptr, true), -1);
    m.delPoint(1, true);  // the later point moves down; the other list is untouched
    p.fKey = 4.0f;
    for (int bad : {-1, 2, 1000, -2147483647 - 1}) m.delPoint(bad, true), m.setPointByNum(bad, &p, true), m.getPointByNum(bad, all, true);
    EXPECT_EQ(all[0].fKey, 0.0f);  // nothing read at a bad index
    m.setPointByNum(1, &p, true);
    m.setPointByNum(0, nullptr, true);
    m.getPointByNum(0, &all[2], false);
    EXPECT_EQ(m.getAllPoints(all, 1, true) + m.getAllPoints(nullptr, 2, true) + m.getAllPoints(all, -5, true), 0);  // too small
    ASSERT_EQ(m.getAllPoints(all, 2, true), 2);
    EXPECT_TRUE(all[0].fKey == 0.5f && all[1].fKey == 4.0f && all[1].vColor == Math::Vector4f(1, 2, 3, 4) && all[2].fKey == 0.9f);
}

}  // namespace
