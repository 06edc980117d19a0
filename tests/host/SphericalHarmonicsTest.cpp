// The spherical-harmonic helpers: stratified samples, their map onto the sphere, the basis against
// its closed-form polynomials, and projections of functions with known coefficients.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "enviro/host/SphericalHarmonics.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kGrid = 100;
constexpr int kCount = kGrid * kGrid;

// The orthonormal real basis as polynomials in the unit direction (no Condon-Shortley phase).
std::vector<double> closedFormBasis(double x, double y, double z) {
    const double s = std::sqrt(1.0 / kPi);
    return {0.5 * s,
            std::sqrt(3.0 / (4.0 * kPi)) * y,
            std::sqrt(3.0 / (4.0 * kPi)) * z,
            std::sqrt(3.0 / (4.0 * kPi)) * x,
            0.5 * std::sqrt(15.0 / kPi) * x * y,
            0.5 * std::sqrt(15.0 / kPi) * y * z,
            0.25 * std::sqrt(5.0 / kPi) * (3.0 * z * z - 1.0),
            0.5 * std::sqrt(15.0 / kPi) * x * z,
            0.25 * std::sqrt(15.0 / kPi) * (x * x - y * y),
            0.25 * std::sqrt(35.0 / (2.0 * kPi)) * y * (3.0 * x * x - y * y),
            0.5 * std::sqrt(105.0 / kPi) * x * y * z,
            0.25 * std::sqrt(21.0 / (2.0 * kPi)) * y * (5.0 * z * z - 1.0),
            0.25 * std::sqrt(7.0 / kPi) * z * (5.0 * z * z - 3.0),
            0.25 * std::sqrt(21.0 / (2.0 * kPi)) * x * (5.0 * z * z - 1.0),
            0.25 * std::sqrt(105.0 / kPi) * z * (x * x - y * y),
            0.25 * std::sqrt(35.0 / (2.0 * kPi)) * x * (x * x - 3.0 * y * y)};
}

class Constant : public SH::SphericalFunction {
public:
    float getValue(const SH::SampleSphere&) const override { return 1.0f; }
};

// max(n . dir, 0): a clamped cosine lobe around n.
class CosineLobe : public SH::SphericalFunction {
public:
    explicit CosineLobe(const Math::Vector3f& n) : m_n(n) {}
    float getValue(const SH::SampleSphere& s) const override { return std::max(0.0f, Math::dot(m_n, s.vDir)); }

private:
    Math::Vector3f m_n;
};

class SphericalHarmonics : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SH::GenerateSamples2D_Stratified(square.data(), kGrid));
        ASSERT_TRUE(SH::Project2Sphere(sphere.data(), square.data(), kCount));
    }
    std::vector<SH::Sample2D> square = std::vector<SH::Sample2D>(kCount);
    std::vector<SH::SampleSphere> sphere = std::vector<SH::SampleSphere>(kCount);
};

TEST_F(SphericalHarmonics, StratifiedSamplesFillEveryCellOnceAndRepeat) {
    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            const SH::Sample2D& s = square[i * kGrid + j];
            ASSERT_GE(s.u, float(i) / kGrid);
            ASSERT_LT(s.u, float(i + 1) / kGrid);
            ASSERT_GE(s.v, float(j) / kGrid);
            ASSERT_LT(s.v, float(j + 1) / kGrid);
        }
    }
    // Jittered, not the cell corners or centres.
    EXPECT_NE(square[0].u, 0.0f);
    EXPECT_NE(square[0].u, square[1].u);
    std::vector<SH::Sample2D> again(kCount);
    SH::GenerateSamples2D_Stratified(again.data(), kGrid);
    EXPECT_EQ(again[4321].u, square[4321].u);
    EXPECT_EQ(again[4321].v, square[4321].v);
    EXPECT_FALSE(SH::GenerateSamples2D_Stratified(nullptr, kGrid));
    EXPECT_FALSE(SH::GenerateSamples2D_Stratified(again.data(), 0));
}

TEST_F(SphericalHarmonics, SphereSamplesAreUniformAndCarryTheBasis) {
    double mean[3] = {0, 0, 0};
    int upper = 0;
    for (const SH::SampleSphere& s : sphere) {
        ASSERT_NEAR(Math::length(s.vDir), 1.0f, 1e-6f);
        ASSERT_FLOAT_EQ(s.fSolidAngle, float(4.0 * kPi / kCount));
        mean[0] += s.vDir.x;
        mean[1] += s.vDir.y;
        mean[2] += s.vDir.z;
        upper += s.vDir.z > 0.0f;
    }
    for (double m : mean) EXPECT_NEAR(m / kCount, 0.0, 2e-3);
    EXPECT_EQ(upper, kCount / 2);  // the strata split the sphere at the equator exactly
    // cos theta = 1 - 2u, phi = 2 pi v.
    EXPECT_NEAR(sphere[1234].vDir.z, 1.0f - 2.0f * square[1234].u, 1e-6f);
    EXPECT_NEAR(sphere[1234].fPhi, 2.0 * kPi * square[1234].v, 1e-5);
    for (int k : {0, 17, 5000, 9999}) {
        const SH::SampleSphere& s = sphere[k];
        const std::vector<double> expected = closedFormBasis(s.vDir.x, s.vDir.y, s.vDir.z);
        for (int i = 0; i < SH::kCoeffs; ++i) EXPECT_NEAR(s.afBasis[i], expected[i], 2e-6) << k << " " << i;
    }
    EXPECT_FALSE(SH::Project2Sphere(sphere.data(), nullptr, kCount));
    EXPECT_FALSE(SH::Project2Sphere(sphere.data(), square.data(), 0));
}

TEST_F(SphericalHarmonics, EvalBasisMatchesTheClosedForms) {
    std::mt19937 rng(3);
    std::normal_distribution<double> g;
    for (int k = 0; k < 200; ++k) {
        double x = g(rng), y = g(rng), z = g(rng);
        const double n = std::sqrt(x * x + y * y + z * z);
        x /= n, y /= n, z /= n;
        float basis[SH::kCoeffs];
        SH::EvalBasis(Math::Vector3f(float(x), float(y), float(z)), basis);
        const std::vector<double> expected = closedFormBasis(x, y, z);
        for (int i = 0; i < SH::kCoeffs; ++i) ASSERT_NEAR(basis[i], expected[i], 3e-6) << i;
    }
    float basis[SH::kCoeffs];
    SH::EvalBasis(Math::Vector3f(std::nanf(""), 0.0f, std::nanf("")), basis);  // documented: the pole
    for (float b : basis) EXPECT_TRUE(std::isfinite(b));
}

TEST_F(SphericalHarmonics, SamplesIntegrateTheBasisOrthonormally) {
    double worst = 0.0;
    for (int i = 0; i < SH::kCoeffs; ++i) {
        for (int j = i; j < SH::kCoeffs; ++j) {
            double sum = 0.0;
            for (const SH::SampleSphere& s : sphere) sum += double(s.afBasis[i]) * s.afBasis[j] * s.fSolidAngle;
            worst = std::max(worst, std::fabs(sum - (i == j ? 1.0 : 0.0)));
        }
    }
    EXPECT_LT(worst, 5e-3);
}

TEST_F(SphericalHarmonics, ProjectsAConstant) {
    SH::MonoCoeffList c;
    ASSERT_TRUE(SH::Spherical2SH(Constant(), sphere.data(), kCount, c));
    EXPECT_NEAR(c[0], 2.0 * std::sqrt(kPi), 1e-5);  // integral of y_0^0 over the sphere
    for (int i = 1; i < SH::kCoeffs; ++i) EXPECT_NEAR(c[i], 0.0, 2e-3) << i;
}

TEST_F(SphericalHarmonics, ProjectsCosineLobesInAnyDirection) {
    // Zonal coefficients of max(z, 0): sqrt(pi)/2, sqrt(pi/3), sqrt(5 pi)/8, 0.
    const double zonal[4] = {std::sqrt(kPi) / 2.0, std::sqrt(kPi / 3.0), std::sqrt(5.0 * kPi) / 8.0, 0.0};
    SH::MonoCoeffList c;
    ASSERT_TRUE(SH::Spherical2SH(CosineLobe(Math::Vector3f(0.0f, 0.0f, 1.0f)), sphere.data(), kCount, c));
    EXPECT_NEAR(c[0], zonal[0], 2e-3);
    EXPECT_NEAR(c[2], zonal[1], 2e-3);
    EXPECT_NEAR(c[6], zonal[2], 2e-3);
    EXPECT_NEAR(c[12], 0.0, 2e-3);
    // Rotated to n: c_l^m = sqrt(4 pi / (2l + 1)) * zonal_l * y_l^m(n).
    const Math::Vector3f n = Math::normalizeOrKeep(Math::Vector3f(0.3f, -0.8f, 0.5f));
    ASSERT_TRUE(SH::Spherical2SH(CosineLobe(n), sphere.data(), kCount, c));
    const std::vector<double> yn = closedFormBasis(n.x, n.y, n.z);
    for (int l = 0; l < SH::kBands; ++l) {
        for (int m = -l; m <= l; ++m) {
            const int i = l * (l + 1) + m;
            EXPECT_NEAR(c[i], std::sqrt(4.0 * kPi / (2 * l + 1)) * zonal[l] * yn[i], 3e-3) << i;
        }
    }
}

TEST_F(SphericalHarmonics, BadArgumentsLeaveTheListAlone) {
    SH::MonoCoeffList c;
    for (int i = 0; i < SH::kCoeffs; ++i) c[i] = 7.0f;
    EXPECT_FALSE(SH::Spherical2SH(Constant(), nullptr, kCount, c));
    EXPECT_FALSE(SH::Spherical2SH(Constant(), sphere.data(), -1, c));
    EXPECT_EQ(c[0], 7.0f);
    // The default colour is the scalar value in every channel.
    EXPECT_TRUE(Constant().getColor(sphere[0]) == Math::Vector3f(1.0f, 1.0f, 1.0f));
}

}  // namespace
