// Where the manager puts the sun, the moon, catalogue stars, the Milky Way and the apparent planets
// in the world frame, against ERFA and libnova (see Oracles.h) over 1900-2100, for observers around
// the world and away from the origin; and the planets' magnitudes against an almanac.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tests/astro/AstroTestHost.h"
#include "tests/astro/Oracles.h"

namespace {

using Vector3f = Math::Vector<3, float>;

constexpr double kMetresPerRadian = 111319.49079327357;  // the manager's map of metres to angle

// J2000 places and proper motions (seconds of time and arcseconds per century) of stars of the
// bundled catalogue: Sirius, Vega, Polaris, and two fast movers, 61 Cyg A and Groombridge 1830.
struct CatalogueStar { int number; double raSeconds, decArcsec, pmRa, pmDec; };
const CatalogueStar kStars[] = {{1, (6 * 60 + 45) * 60 + 8.92, -((16 * 60 + 42) * 60 + 58.0), -3.8006, -122.31},
                                {5, (18 * 60 + 36) * 60 + 56.34, (38 * 60 + 47) * 60 + 1.3, 1.7190, 28.75},
                                {47, (2 * 60 + 31) * 60 + 49.09, (89 * 60 + 15) * 60 + 50.8, 22.9432, -1.17},
                                {2061, (21 * 60 + 6) * 60 + 53.95, (38 * 60 + 44) * 60 + 57.9, 35.5186, 325.89},
                                {8040, (11 * 60 + 52) * 60 + 58.77, (37 * 60 + 43) * 60 + 7.2, 33.7427, -581.30}};

// Observers (degrees), each with its configuration and catalogue (from kStars[firstStar] on). The
// fast movers are catalogued at epoch 1950: their J2000 places moved back by half a century.
struct Scene { double latitude, longitude; const char* extraConfig; std::string catalogue; int firstStar; };
const Scene kScenes[] = {
    {47.25, -122.5, "Equinox = 2000\nEpoch = 2000\n", std::string(astrotest::kSiriusLine) + astrotest::kVegaLine + astrotest::kPolarisLine, 0},
    {47.25, -122.5, "Equinox = 2000\nEpoch = 1950\n",  // epoch and equinox apart
     "   2061             6.00 K5 21 06 36.19  +38 42 15.0     35.5186   325.89\n"
     "   8040             6.00 K5 11 52 41.90  +37 47 57.9     33.7427  -581.30\n", 3},
    {-33.9, 151.2, "ApparentPlanets = 1\n", "", 0}};

// The manager names the galactic centre's direction its Milky Way pole, and the galactic pole's its centre.
enum class Body { Sun, Moon, Star, GalacticCentre, GalacticPole, Planet };

class SkyPlaces : public astrotest::AstroHostTest {
protected:
    void load(const Scene& s) {
        char config[200];
        std::snprintf(config, sizeof config, "Lattidue = %.3f\nLongtidue = %.3f\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n%s",
                      s.latitude, s.longitude, s.extraConfig);
        writeConfig(config);
        writeCatalogue(s.catalogue);
        std::remove("PPMbin.dat");
        m = Astro::AstroManager();
        ASSERT_TRUE(m.Init());
    }
    // Sets the instant given as a Julian Date (UT); the manager takes local time, UT + 1 h.
    void setJulianDate(double jd) {
        int y, mo, d;
        double fd;
        eraJd2cal(jd + 1.0 / 24.0, 0.0, &y, &mo, &d, &fd);
        const int h = int(fd * 24), mi = int(fd * 1440) % 60;
        m.setDateTime(y, mo, d, h, mi, float(fd * 86400 - h * 3600 - mi * 60));
    }
};

// The oracle's direction of a body (index: star of the scene, or planet 0 Mercury … 7 Pluto).
Vector3f expected(Body body, int index, const Scene& scene, double jd, double latitude, double longitude) {
    static const int kPlanetBodies[8] = {1, 2, 4, 5, 6, 7, 8, 9};
    double p[3];
    if (body == Body::Sun) oracle::sunVector(jd, p);
    if (body == Body::Moon) oracle::moonVector(jd, p);
    if (body == Body::Planet) oracle::apparentPlanetVector(kPlanetBodies[index], jd, p);
    if (body == Body::Star) {
        const CatalogueStar& s = kStars[scene.firstStar + index];
        const double t = oracle::centuriesFromJD(jd);
        double u[3];
        eraS2c((s.raSeconds + s.pmRa * t) * 15 * ERFA_DAS2R, (s.decArcsec + s.pmDec * t) * ERFA_DAS2R, u);
        oracle::aberrated(jd, u, p);
    }
    if (body == Body::GalacticCentre) eraS2c(266.375 * ERFA_DD2R, -(28 + 56 / 60.0) * ERFA_DD2R, p);  // 17h45m30s
    if (body == Body::GalacticPole) eraS2c(192.85 * ERFA_DD2R, (27 + 7 / 60.0) * ERFA_DD2R, p);       // 12h51m24s
    return oracle::worldDirection(jd, p, latitude, longitude);
}

TEST_F(SkyPlaces, BodiesStandWhereTheOraclesPutThem) {
    // Instants spread over 1900-2100, the observer x metres north and z east of the origin.
    const struct { int scene; Body body; int index; double toleranceArcsec; int count; double x, z; } cases[] = {
        // Arcseconds, about twice the largest difference seen (the moon's reference is good to 10").
        {0, Body::Sun, 0, 4, 24, 0, 0},        {0, Body::Sun, 0, 4, 24, -40000, 25000},
        {2, Body::Sun, 0, 4, 24, 15000, -90000}, {2, Body::Sun, 0, 4, 24, -80000, 150000},
        {0, Body::Moon, 0, 10, 24, 0, 0},      {2, Body::Moon, 0, 10, 24, 30000, 0},
        {0, Body::Star, 0, 0.5, 12, 0, 0}, {0, Body::Star, 1, 0.5, 12, 0, 0}, {0, Body::Star, 2, 0.5, 12, 0, 0},  // aberration (20") too
        {1, Body::Star, 0, 0.5, 12, 0, 0},     {1, Body::Star, 1, 0.5, 12, 0, 0},  // proper motion from the epoch
        {0, Body::GalacticCentre, 0, 0.5, 6, 0, 0}, {0, Body::GalacticPole, 0, 0.5, 6, 0, 0},
        {2, Body::Planet, 0, 5, 40, 0, 0},     {2, Body::Planet, 1, 9, 40, 0, 0},  // light time and aberration
        {2, Body::Planet, 2, 5, 40, 0, 0},     {2, Body::Planet, 3, 7, 40, 0, 0},
        {2, Body::Planet, 4, 11, 40, 0, 0},    {2, Body::Planet, 5, 16, 40, 0, 0},
        {2, Body::Planet, 6, 35, 40, 0, 0},    {2, Body::Planet, 7, 30, 40, 0, 0},
    };
    int loaded = -1;
    for (const auto& c : cases) {
        const Scene& scene = kScenes[c.scene];
        if (c.scene != loaded) load(scene);
        loaded = c.scene;
        double worst = 0.0;
        for (int k = 0; k < c.count; ++k) {
            const double jd = 2415020.5 + 73049.0 * (k + 0.37) / c.count;  // 1900-01-01 .. 2100-01-01
            setJulianDate(jd + 0.5);  // half a day away first, so that the sidereal time surely moves
            setJulianDate(jd);
            m.setPos(c.x, 0, c.z);
            const std::vector<Astro::STARDESC>& stars = *m.getStars();
            const Vector3f got = c.body == Body::Sun ? m.getSunPos() : c.body == Body::Moon ? m.getMoonPos()
                               : c.body == Body::GalacticCentre ? m.getMilkyPole() : c.body == Body::GalacticPole ? m.getMilkyCenter()
                               : c.body == Body::Star ? stars[c.index].vPos : stars[stars.size() - 8 + c.index].vPos;
            const double latitude = scene.latitude * ERFA_DD2R + c.x / kMetresPerRadian;
            const double longitude = scene.longitude * ERFA_DD2R + c.z / kMetresPerRadian;
            worst = std::fmax(worst, oracle::separationArcsec(got, expected(c.body, c.index, scene, jd, latitude, longitude)));
        }
        EXPECT_LT(worst, c.toleranceArcsec) << "scene " << c.scene << " body " << int(c.body) << " " << c.index;
    }
}

TEST_F(SkyPlaces, PlanetMagnitudesAgreeWithAnAlmanac) {
    // Visual magnitudes of the independent almanac python3-ephem 4.1 (formulas of the Explanatory
    // Supplement to the Astronomical Almanac) at 0h UT, where those older formulas still hold:
    // Mercury below 100 degrees of phase angle, Venus below 50, Saturn with its rings edge-on (1995).
    const struct { int listIndex, year, month, day; double magnitude; } cases[] = {
        {0, 2024, 3, 24, -0.17}, {1, 2019, 5, 1, -3.81}, {1, 2024, 10, 1, -3.83}, {2, 2003, 8, 28, -2.96}, {2, 2012, 3, 3, -1.15},
        {3, 2022, 9, 26, -2.79}, {4, 1995, 9, 14, 0.65}, {5, 2024, 11, 17, 5.61}, {6, 1990, 7, 1, 7.86},   {7, 2024, 7, 23, 14.37}};
    load(kScenes[2]);
    for (const auto& c : cases) {
        double jd0, jd1;
        eraCal2jd(c.year, c.month, c.day, &jd0, &jd1);
        setJulianDate(jd0 + jd1);
        m.setPos(0, 0, 0);
        EXPECT_NEAR((m.getStars()->end() - 8 + c.listIndex)->fMagnitude, c.magnitude, 0.2) << c.year << "-" << c.month;
    }
}

}  // namespace
