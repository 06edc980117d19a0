// Vec3D, Matrix3D and the numeric helpers of the ephemeris code.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Matrix3D.h"
#include "enviro/astro/Vec3D.h"

namespace {

using namespace Astro;

TEST(EphemerisMath, NumericHelpers) {
    EXPECT_DOUBLE_EQ(frac(2.25), 0.25);
    EXPECT_DOUBLE_EQ(frac(-0.25), 0.75);  // toward minus infinity, not toward zero
    EXPECT_DOUBLE_EQ(modulo(-1.0, pi2), pi2 - 1.0);
    EXPECT_DOUBLE_EQ(modulo(7.0, 3.0), 1.0);

    double c, s;
    addAngles(std::cos(0.3), std::sin(0.3), std::cos(1.1), std::sin(1.1), c, s);
    EXPECT_NEAR(c, std::cos(1.4), 1e-15);
    EXPECT_NEAR(s, std::sin(1.4), 1e-15);

    EXPECT_DOUBLE_EQ(hoursFromHMS(12, 30, 36), 12.51);
    // Any negative part makes the whole value negative; magnitudes are summed.
    EXPECT_DOUBLE_EQ(hoursFromHMS(-12, 30, 36), -12.51);
    EXPECT_DOUBLE_EQ(hoursFromHMS(0, -30, 0), -0.5);
    EXPECT_DOUBLE_EQ(hoursFromHMS(0, 0, -36), -0.01);
    EXPECT_DOUBLE_EQ(hoursFromHMS(1, -30, 0), -1.5);

    EXPECT_DOUBLE_EQ(Arcs, 3600.0 * Deg);
    EXPECT_DOUBLE_EQ(Rad * Deg, 1.0);
}

TEST(EphemerisMath, PolarAnglesRoundTripAndSpecialCases) {
    const Vec3D v(PolarAngles{4.0, -0.5, 2.5});
    EXPECT_NEAR(v.polar(kPhi), 4.0, 1e-14);  // past π: returned in [0, 2π)
    EXPECT_NEAR(v.polar(kTheta), -0.5, 1e-14);
    EXPECT_NEAR(v.polar(kRadius), 2.5, 1e-14);
    EXPECT_NEAR(v.norm(), 2.5, 1e-14);

    const Vec3D zero;
    EXPECT_EQ(zero.polar(kPhi), 0.0);
    EXPECT_EQ(zero.polar(kTheta), 0.0);
    EXPECT_EQ(zero.polar(kRadius), 0.0);
    const Vec3D pole(0.0, 0.0, -3.0);
    EXPECT_EQ(pole.polar(kPhi), 0.0);
    EXPECT_DOUBLE_EQ(pole.polar(kTheta), -pi2 / 4);

    // Results of arithmetic compute their angles afresh.
    const Vec3D sum = Vec3D(1, 0, 0) + Vec3D(0, 1, 0);
    EXPECT_DOUBLE_EQ(sum.polar(kPhi), pi2 / 8);
    EXPECT_DOUBLE_EQ((sum / 2.0)[1], 0.5);
}

TEST(EphemerisMath, RotationsTurnTheFrameNotTheVector) {
    const double a = 0.4;
    const Vec3D x = rotZ(a) * Vec3D(1, 0, 0);
    EXPECT_NEAR(x.x, std::cos(a), 1e-15);
    EXPECT_NEAR(x.y, -std::sin(a), 1e-15);  // the axes turn by +a, the vector appears turned by −a
    const Vec3D y = rotX(a) * Vec3D(0, 1, 0);
    EXPECT_NEAR(y.z, -std::sin(a), 1e-15);
    const Vec3D z = rotY(a) * Vec3D(0, 0, 1);
    EXPECT_NEAR(z.x, -std::sin(a), 1e-15);

    const Matrix3D m = rotZ(0.3) * rotX(-1.2) * rotY(2.0);
    const Matrix3D identity = m * m.transpose();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(identity(i, j), i == j ? 1.0 : 0.0, 1e-15);
    EXPECT_NEAR((rotZ(0.3) * rotZ(0.5))(0, 1), std::sin(0.8), 1e-15);
}

}  // namespace
