// The manager's night sky: catalogue stars against ERFA's apparent places, the planets appended
// in order, the update protocol, the Milky Way directions; and the spectral sunlight wrappers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/PlanetSeries.h"
#include "enviro/astro/SpectralCurve.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"
#include "tests/astro/Oracles.h"

namespace {

using Astro::AstroManager;
using Astro::AstroManagerProbe;
using Vector3f = Math::Vector<3, float>;

constexpr double kLatDeg = 47.25, kLonDeg = -122.5;

class AstroManagerStars : public astrotest::AstroHostTest {
protected:
    void SetUp() override {
        AstroHostTest::SetUp();
        writeConfig("Lattidue = 47.25\nLongtidue = -122.5\nEquinox = 2000\nEpoch = 2000\n"
                    "MinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
        writeCatalogue(std::string(astrotest::kSiriusLine) + astrotest::kVegaLine + astrotest::kPolarisLine);
        ASSERT_TRUE(m.Init());
    }
    // Local date and time; returns the Julian Date (UT) of the instant.
    double at(int year, int month, int day, int hour) {
        m.setDateTime(year, month, day, hour, 0, 0.0f);
        m.setPos(0, 0, 0);
        double jd0, jd1;
        eraCal2jd(year, month, day, &jd0, &jd1);
        return jd0 + jd1 + (hour - 1.0) / 24.0;
    }
    AstroManager m;
};

// World direction of a J2000 catalogue position (radians; proper motion in radians per century
// applied linearly, as the catalogue defines it) by ERFA: annual aberration from the Earth's
// barycentric velocity, precession-nutation, apparent sidereal time (or the mean one, as the
// manager uses), horizon.
Vector3f erfaStarDirection(double jd, double ra, double dec, double pmRa, double pmDec, bool aberration,
                           bool meanSiderealTime = false) {
    const double dt = (jd - oracle::kJD2000) / 36525.0;
    double p[3], pa[3], rnpb[3][3], v[3], pvh[2][3], pvb[2][3];
    eraS2c(ra + pmRa * dt, dec + pmDec * dt, p);
    eraEpv00(jd, 0.0, pvh, pvb);
    double vel[3];
    eraSxp(ERFA_AULT / ERFA_DAYSEC, pvb[1], vel);
    if (aberration)
        eraAb(p, vel, eraPm(pvh[0]), std::sqrt(1.0 - eraPm(vel) * eraPm(vel)), pa);
    else
        eraCp(p, pa);
    eraPnm06a(jd, 0.0, rnpb);
    eraRxp(rnpb, pa, v);
    double r, d, az, el;
    eraC2s(v, &r, &d);
    const double siderealTime = meanSiderealTime ? eraGmst06(jd, 0.0, jd, 0.0) : eraGst06a(jd, 0.0, jd, 0.0);
    eraHd2ae(siderealTime + kLonDeg * ERFA_DD2R - r, d, kLatDeg * ERFA_DD2R, &az, &el);
    return Vector3f(static_cast<float>(std::cos(el) * std::cos(az)), static_cast<float>(std::sin(el)),
                    static_cast<float>(std::cos(el) * std::sin(az)));
}

double separationDeg(const Vector3f& a, const Vector3f& b) {
    return std::atan2(Math::length(Math::cross(a, b)), Math::dot(a, b)) * ERFA_DR2D;
}

TEST_F(AstroManagerStars, StarsLandWhereErfaPutsThem) {
    for (int year : {1901, 1950, 2000, 2049, 2099}) {
        const double jd = at(year, 11, 3, 4);
        const std::vector<Astro::STARDESC>& sky = *m.getStars();
        ASSERT_EQ(sky.size(), 3u + 8u);
        for (size_t i = 0; i < 3; ++i) {
            const Astro::StarRecord& s = *AstroManagerProbe::starRecord(m, i);
            const Vector3f expected = erfaStarDirection(jd, s.dRA, s.dDec, s.dPmRA, s.dPmDec, true);
            EXPECT_LT(separationDeg(sky[i].vPos, expected), 0.05) << year << " star " << i;
            EXPECT_NEAR(Math::length(sky[i].vPos), 1.0f, 1e-6f);
            EXPECT_EQ(sky[i].fMagnitude, static_cast<float>(s.dMagnitude));
            EXPECT_EQ(sky[i].vColor.x, s.vColor[0]);
            EXPECT_EQ(sky[i].vColor.w, s.vColor[3]);
        }
        // Polaris stands within a degree of the observer's latitude, nearly due north.
        EXPECT_NEAR(std::asin(sky[2].vPos.y) * ERFA_DR2D, kLatDeg, 1.0);
        EXPECT_GT(sky[2].vPos.x, 0.6f);
    }
    // Aberration is applied: without it the places differ by up to 20". (With the mean sidereal
    // time, as the manager uses it, the rest agrees to an arcsecond or two.)
    const double jd = at(2000, 3, 20, 12);
    const Astro::StarRecord& vega = *AstroManagerProbe::starRecord(m, 1);
    const Vector3f with = erfaStarDirection(jd, vega.dRA, vega.dDec, vega.dPmRA, vega.dPmDec, true, true);
    const Vector3f without = erfaStarDirection(jd, vega.dRA, vega.dDec, vega.dPmRA, vega.dPmDec, false, true);
    EXPECT_LT(separationDeg((*m.getStars())[1].vPos, with), 2.0 / 3600.0);
    EXPECT_GT(separationDeg((*m.getStars())[1].vPos, without), 10.0 / 3600.0);
}

TEST_F(AstroManagerStars, ProperMotionRunsFromTheEpochAndPrecessionFromTheEquinox) {
    // Two fast movers of the bundled catalogue (61 Cyg A, number 2061, and Groombridge 1830, number
    // 8040: about 5" and 7" a year), J2000 places and proper motions in its units, written back
    // to a catalogue of epoch 1950 (equinox 2000).
    const struct { int number; double raSeconds, decArcsec, pmRa, pmDec; } stars[] = {
        {2061, (21 * 60 + 6) * 60 + 53.95, (38 * 60 + 44) * 60 + 57.9, 35.5186, 325.89},
        {8040, (11 * 60 + 52) * 60 + 58.77, (37 * 60 + 43) * 60 + 7.2, 33.7427, -581.30}};
    std::string catalogue;
    for (const auto& s : stars) {
        const double ra = s.raSeconds - 0.5 * s.pmRa, dec = s.decArcsec - 0.5 * s.pmDec;
        char line[160];
        std::snprintf(line, sizeof line, "%7d             6.00 K5 %02d %02d %05.2f  +%02d %02d %04.1f     %7.4f  %7.2f\n",
                      s.number, int(ra / 3600), int(std::fmod(ra, 3600) / 60), std::fmod(ra, 60), int(dec / 3600),
                      int(std::fmod(dec, 3600) / 60), std::fmod(dec, 60), s.pmRa, s.pmDec);
        catalogue += line;
    }
    writeCatalogue(catalogue);
    writeConfig("Lattidue = 47.25\nLongtidue = -122.5\nEquinox = 2000\nEpoch = 1950\nMaxStarsMagnitude = 7\n");
    std::remove("PPMbin.dat");
    AstroManager split;
    ASSERT_TRUE(split.Init());
    for (int year : {1900, 2100}) {
        split.setDateTime(year, 5, 17, 9, 0, 0.0f);
        split.setPos(0, 0, 0);
        double jd0, jd1;
        eraCal2jd(year, 5, 17, &jd0, &jd1);
        for (int i = 0; i < 2; ++i) {
            const double toRad = ERFA_DAS2R;
            const Vector3f expected = erfaStarDirection(jd0 + jd1 + 8.0 / 24.0, stars[i].raSeconds * 15 * toRad,
                                                        stars[i].decArcsec * toRad, stars[i].pmRa * 15 * toRad,
                                                        stars[i].pmDec * toRad, true, true);
            EXPECT_LT(separationDeg((*split.getStars())[i].vPos, expected) * 3600.0, 2.0) << year << " star " << i;
        }
    }
}

TEST_F(AstroManagerStars, PlanetsComeLastInTableOrder) {
    at(2012, 6, 6, 2);
    const std::vector<Astro::STARDESC>& sky = *m.getStars();
    ASSERT_EQ(sky.size(), 11u);
    struct Expected {
        int body;
        float magnitude, r, g, b;
    };
    const Expected planets[] = {{1, 0, 0.77f, 0.88f, 0.1f}, {2, 0, 1.0f, 0.89f, 0.77f}, {4, 0, 1.0f, 0.6f, 0.55f},
                                {5, 0, 1.0f, 0.92f, 0.83f}, {6, 0, 1.0f, 0.95f, 0.69f}, {7, 3, 0.79f, 0.95f, 0.74f},
                                {8, 5, 0.44f, 0.88f, 0.88f}, {9, 5, 1.0f, 1.0f, 1.0f}};
    const double t = AstroManagerProbe::centuries(m);
    for (int i = 0; i < 8; ++i) {
        const Astro::STARDESC& d = sky[3 + i];
        EXPECT_EQ(d.fMagnitude, planets[i].magnitude) << i;
        EXPECT_EQ(d.vColor, (Math::Vector<4, float>(planets[i].r, planets[i].g, planets[i].b, 0.0f))) << i;
        // The heliocentric ecliptic vector, taken to the world frame as it is.
        EXPECT_EQ(d.vPos, AstroManagerProbe::coordsToPlane(m, Astro::planetPosition(planets[i].body, t))) << i;
    }
    EXPECT_EQ(AstroManagerProbe::planetSlot(m, 3), Vector3f(0, -1, 0));
    EXPECT_EQ(AstroManagerProbe::planetSlot(m, 0), m.getSunPos());
}

TEST_F(AstroManagerStars, ListIsRebuiltOnlyAfterAFrameRebuild) {
    EXPECT_TRUE(m.getStars()->empty());  // initialised, but no frame yet
    EXPECT_FALSE(m.needStarsUpdate());
    at(2005, 2, 2, 20);
    EXPECT_TRUE(AstroManagerProbe::planetsDirty(m));
    std::vector<Astro::STARDESC>* sky = m.getStars();
    EXPECT_FALSE(AstroManagerProbe::planetsDirty(m));
    EXPECT_TRUE(m.needStarsUpdate());  // exactly once
    EXPECT_FALSE(m.needStarsUpdate());

    (*sky)[0].fMagnitude = 42.0f;  // untouched by a call without a rebuild
    EXPECT_EQ(m.getStars(), sky);
    EXPECT_EQ((*sky)[0].fMagnitude, 42.0f);
    m.setPos(400, 0, -400);  // a short walk: no rebuild
    EXPECT_EQ((*m.getStars())[0].fMagnitude, 42.0f);
    EXPECT_FALSE(m.needStarsUpdate());

    m.setPos(0, 0, 0);  // back at the origin, but 500 m is not exceeded either: still nothing
    at(2005, 2, 2, 21);  // a new hour: rebuilt
    EXPECT_TRUE(m.needStarsUpdate());
    EXPECT_EQ(m.getStars(), sky);
    EXPECT_EQ((*sky)[0].fMagnitude, -1.44f);
}

TEST_F(AstroManagerStars, MilkyWayDirections) {
    for (int year : {1920, 2000, 2080}) {
        const double jd = at(year, 8, 15, 23);
        // Fixed catalogue directions (mean equator J2000): precession and nutation only.
        const Vector3f centre = erfaStarDirection(jd, (17 + 45 / 60.0 + 30 / 3600.0) * 15 * ERFA_DD2R,
                                                  -(28 + 56 / 60.0) * ERFA_DD2R, 0, 0, false);
        const Vector3f pole = erfaStarDirection(jd, (12 + 51 / 60.0 + 24 / 3600.0) * 15 * ERFA_DD2R,
                                                (27 + 7 / 60.0) * ERFA_DD2R, 0, 0, false);
        EXPECT_LT(separationDeg(m.getMilkyPole(), centre), 0.05) << year;  // named pole: the galactic centre
        EXPECT_LT(separationDeg(m.getMilkyCenter(), pole), 0.05) << year;  // named centre: the galactic pole
        EXPECT_NEAR(Math::dot(m.getMilkyPole(), m.getMilkyCenter()), 0.0f, 0.002f);  // 90° apart
    }
}

TEST_F(AstroManagerStars, SpectralSunlightWrappers) {
    m.ComputeSunlight(1.0, 7);  // arguments unused
    const double* s = m.getSunSpectrum();
    EXPECT_NEAR(s[0], 1.655, 1e-12);   // 350 nm: the first value held below 380 nm
    EXPECT_NEAR(s[6], 1.655, 1e-12);   // 380 nm
    EXPECT_NEAR(s[80], 1.826, 1e-12);  // 750 nm
    EXPECT_NEAR(s[90], 1.826, 1e-12);  // 800 nm
    const Astro::UniformCurve* curve = AstroManagerProbe::sunlightCurve(m);
    ASSERT_NE(curve, nullptr);
    EXPECT_NEAR(curve->value(400.0), s[10], 1e-12);  // the curve follows the spectrum
    const double unattenuated = s[60];                // 650 nm

    m.ComputeAttenuatedSunlight(0.0, 1);
    EXPECT_LT(s[60], unattenuated);
    EXPECT_GT(s[60], 0.8 * unattenuated);
    EXPECT_NEAR(s[82] / s[80], 0.74, 0.03);  // 760 nm: the oxygen band of the mixed gases
    EXPECT_NEAR(AstroManagerProbe::sunlightCurve(m)->value(760.0), s[82], 1e-12);
    m.ComputeAttenuatedSunlight(1.2, 4);  // low sun, hazy: much dimmer, redder
    EXPECT_LT(s[20] / s[60], 0.7);

    double flat[91], xyz[3];
    for (double& v : flat) v = 1.0;
    m.get_tristim(flat, xyz);
    EXPECT_NEAR(xyz[1], 100.0, 1e-9);
}

}  // namespace
