// The Kepler solver, the ellipse and the mean orbits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "enviro/astro/CatalogFrame.h"
#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Kepler.h"
#include "tests/astro/Oracles.h"

namespace {

using namespace Astro;

TEST(Kepler, EccentricAnomaly) {
    testing::internal::CaptureStderr();
    EXPECT_NEAR(EccAnom(7.0, 0.0), 7.0 - pi2, 1e-14);  // e = 0: M reduced to [0, 2π)
    EXPECT_NEAR(EccAnom(-1.0, 0.0), pi2 - 1.0, 1e-14);
    for (double e : {0.1, 0.5, 0.79, 0.8, 0.95, 0.999})
        for (double m = 0.05; m < pi2; m += 0.5) {
            const double E = EccAnom(m, e);
            EXPECT_NEAR(E - e * std::sin(E), m, 1e-12) << "e " << e << " M " << m;
        }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // No convergence within 15 steps: the message, then the last iterate.
    testing::internal::CaptureStderr();
    const double E = EccAnom(1.0, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), " Convergence problems in EccAnom\n");
    EXPECT_TRUE(std::isnan(E));
}

TEST(Kepler, EllipseAndMeanOrbits) {
    // Perihelion of a unit ellipse: distance a(1 − e), speed √(GM/a)·√((1+e)/(1−e)).
    const OrbitalState s = keplerEllipse(GM_Sun, 0.0, 1.0, 0.5);
    EXPECT_NEAR(s.position.x, 0.5, 1e-15);
    EXPECT_NEAR(s.position.y, 0.0, 1e-15);
    EXPECT_NEAR(s.velocity.y, std::sqrt(GM_Sun) * std::sqrt(3.0), 1e-15);

    // The Earth at J2000 is near perihelion.
    EXPECT_NEAR(keplerState(kEarth, 0.0).position.norm(), 0.9833, 0.0005);
    EXPECT_EQ(keplerState(0, 0.3).position.norm(), 0.0);
    EXPECT_EQ(keplerState(10, 0.3).velocity.norm(), 0.0);
    EXPECT_EQ(keplerState(-1, 0.3).velocity.norm(), 0.0);

    // The Earth's Keplerian velocity against ERFA's ephemeris (rotated to the ecliptic of date):
    // within 1.5 % (the moon alone moves the Earth by about 1 %).
    for (double t = -1.0; t <= 1.0; t += 0.137) {
        const double jd = oracle::kJD2000 + 36525.0 * t;
        double pvh[2][3], pvb[2][3], rm[3][3], v[3];
        eraEpv00(jd, 0.0, pvh, pvb);
        eraEcm06(jd, 0.0, rm);
        eraRxp(rm, pvh[1], v);
        const Vec3D k = keplerVelocity(kEarth, t);
        const double diff = std::sqrt((k.x - v[0]) * (k.x - v[0]) + (k.y - v[1]) * (k.y - v[1]) + (k.z - v[2]) * (k.z - v[2]));
        EXPECT_LT(diff / eraPm(v), 0.015) << t;
    }
}

TEST(Kepler, CatalogueFrameAberrationAndPrecession) {
    updateCatalogFrame(0.1);
    // Annual aberration: about 20.5" of arc (v/c ≈ 1e-4), in the equator of date.
    EXPECT_NEAR(g_vAberration.norm() * Arcs, 20.5, 0.5);
    EXPECT_DOUBLE_EQ(g_dCatalogT, 0.1);
    // The velocity is perpendicular to the sun's direction, within the eccentricity.
    double pvh[2][3], pvb[2][3], rnpb[3][3], v[3];
    const double jd = oracle::kJD2000 + 3652.5;
    eraEpv00(jd, 0.0, pvh, pvb);
    eraPnm80(jd, 0.0, rnpb);
    eraRxp(rnpb, pvh[1], v);
    const Vec3D a = g_vAberration;
    const double cosAngle = (a.x * v[0] + a.y * v[1] + a.z * v[2]) / (a.norm() * eraPm(v));
    EXPECT_GT(cosAngle, std::cos(1.5 * Rad));  // same direction as ERFA's velocity, within 1.5°
}

}  // namespace
