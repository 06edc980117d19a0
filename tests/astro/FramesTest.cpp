// Obliquity, nutation, precession and the orbital orientation against ERFA.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/Frames.h"
#include "tests/astro/Oracles.h"

namespace {

using namespace Astro;

double jdOf(double t) { return oracle::kJD2000 + 36525.0 * t; }

// Largest element difference, in arcseconds of rotation.
double maxDifferenceArcsec(const Matrix3D& a, const double b[3][3]) {
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) worst = std::fmax(worst, std::fabs(a(i, j) - b[i][j]));
    return worst * ERFA_DR2AS;
}

TEST(Frames, ObliquityAndEquatorialPrecessionAreTheIau1976Ones) {
    for (double t = -1.5; t <= 1.5; t += 0.25) {
        EXPECT_NEAR(meanObliquity(t), eraObl80(jdOf(t), 0.0), 1e-9) << t;
        double p[3][3];
        eraPmat76(jdOf(t), 0.0, p);
        EXPECT_LT(maxDifferenceArcsec(precessionMatrixEquatorial(0.0, t), p), 1e-4) << t;
    }
    // Precession between two arbitrary epochs composes through J2000.
    double p1[3][3], p2[3][3], p12[3][3], p1t[3][3];
    eraPmat76(jdOf(-0.5), 0.0, p1);
    eraPmat76(jdOf(0.4), 0.0, p2);
    eraTr(p1, p1t);
    eraRxr(p2, p1t, p12);
    EXPECT_LT(maxDifferenceArcsec(precessionMatrixEquatorial(-0.5, 0.4), p12), 1e-3);

    // Ecliptic to equator: a point on the ecliptic at longitude 90° rises to declination ε.
    const Vec3D v = eclipticToEquatorialMatrix(0.0) * Vec3D(0, 1, 0);
    EXPECT_NEAR(v.polar(kTheta), meanObliquity(0.0), 1e-15);
}

TEST(Frames, NutationWithinAnArcsecondOfIau1980) {
    for (double t = -1.0; t <= 1.0; t += 0.0731) {
        double n[3][3];
        eraNutm80(jdOf(t), 0.0, n);
        EXPECT_LT(maxDifferenceArcsec(nutationMatrix(t), n), 1.0) << t;
    }
}

TEST(Frames, EclipticPrecessionAgreesWithIau2006) {
    // B1950 (Pluto's frame) to dates over two centuries: the ecliptic of date relative to the
    // ecliptic of B1950, from ERFA's equator-to-ecliptic matrices.
    const double t1 = -0.500002108;
    for (double t2 = -1.0; t2 <= 1.0; t2 += 0.25) {
        double e1[3][3], e2[3][3], e1t[3][3], e12[3][3];
        eraEcm06(jdOf(t1), 0.0, e1);
        eraEcm06(jdOf(t2), 0.0, e2);
        eraTr(e1, e1t);
        eraRxr(e2, e1t, e12);
        EXPECT_LT(maxDifferenceArcsec(precessionMatrixEcliptic(t1, t2), e12), 0.5) << t2;
    }
}

TEST(Frames, GaussVectorsPlaceThePerihelion) {
    const double node = 0.8, inclination = 0.3, perihelion = 1.1;
    const Matrix3D pqr = gaussVectors(node, inclination, perihelion);
    // The ascending node lies on the ecliptic at longitude Ω; perihelion is ω past it, raised by i.
    const Vec3D nodeDirection = pqr * Vec3D(std::cos(-perihelion), std::sin(-perihelion), 0.0);
    EXPECT_NEAR(nodeDirection.polar(kPhi), node, 1e-12);
    EXPECT_NEAR(nodeDirection.polar(kTheta), 0.0, 1e-12);
    const Vec3D p = pqr * Vec3D(1, 0, 0);
    EXPECT_NEAR(p.polar(kTheta), std::asin(std::sin(inclination) * std::sin(perihelion)), 1e-12);
    const Vec3D normal = pqr * Vec3D(0, 0, 1);
    EXPECT_NEAR(std::acos(normal.z), inclination, 1e-12);
}

}  // namespace
