// The spherical-harmonic helpers: stratified samples on the sphere, the basis against its
// closed-form polynomials, and the projection of a cosine lobe whose coefficients are known.
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
    const double s3 = std::sqrt(3.0 / (4.0 * kPi)), s15 = std::sqrt(15.0 / kPi), s35 = std::sqrt(35.0 / (2.0 * kPi));
    const double s21 = std::sqrt(21.0 / (2.0 * kPi));
    return {0.5 / std::sqrt(kPi), s3 * y, s3 * z, s3 * x, 0.5 * s15 * x * y, 0.5 * s15 * y * z,
            0.25 * std::sqrt(5.0 / kPi) * (3.0 * z * z - 1.0), 0.5 * s15 * x * z, 0.25 * s15 * (x * x - y * y),
            0.25 * s35 * y * (3.0 * x * x - y * y), 0.5 * std::sqrt(105.0 / kPi) * x * y * z,
            0.25 * s21 * y * (5.0 * z * z - 1.0), 0.25 * std::sqrt(7.0 / kPi) * z * (5.0 * z * z - 3.0),
            0.25 * s21 * x * (5.0 * z * z - 1.0), 0.25 * std::sqrt(105.0 / kPi) * z * (x * x - y * y),
            0.25 * s35 * x * (x * x - 3.0 * y * y)};
}

// max(n . dir, 0): a clamped cosine lobe around n.
class CosineLobe : public SH::SphericalFunction {
public:
    explicit CosineLobe(const Math::Vector3f& n) : m_n(n) {}
    float getValue(const SH::SampleSphere& s) const override { return std::max(0.0f, Math::dot(m_n, s.vDir)); }

private:
    Math::Vector3f m_n;
};

TEST(SphericalHarmonics, EvalBasisMatchesTheClosedForms) {
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
}

TEST(SphericalHarmonics, StratifiedSamplesCoverTheSphereAndProjectACosineLobe) {
    std::vector<SH::Sample2D> square(kCount);
    std::vector<SH::SampleSphere> sphere(kCount);
    ASSERT_TRUE(SH::GenerateSamples2D_Stratified(square.data(), kGrid));
    ASSERT_TRUE(SH::Project2Sphere(sphere.data(), square.data(), kCount));
    for (int i = 0; i < kCount; ++i) {  // one jittered sample in each cell of the grid
        ASSERT_GE(square[i].u, float(i / kGrid) / kGrid);
        ASSERT_LT(square[i].u, float(i / kGrid + 1) / kGrid);
        ASSERT_GE(square[i].v, float(i % kGrid) / kGrid);
        ASSERT_LT(square[i].v, float(i % kGrid + 1) / kGrid);
        ASSERT_NEAR(Math::length(sphere[i].vDir), 1.0f, 1e-6f);
        ASSERT_FLOAT_EQ(sphere[i].fSolidAngle, float(4.0 * kPi / kCount));
    }

    // The lobe around n: c_l^m = sqrt(4 pi / (2l + 1)) * zonal_l * y_l^m(n), with the zonal
    // coefficients of max(z, 0): sqrt(pi)/2, sqrt(pi/3), sqrt(5 pi)/8, 0.
    const double zonal[4] = {std::sqrt(kPi) / 2.0, std::sqrt(kPi / 3.0), std::sqrt(5.0 * kPi) / 8.0, 0.0};
    const Math::Vector3f n = Math::normalizeOrKeep(Math::Vector3f(0.3f, -0.8f, 0.5f));
    SH::MonoCoeffList c;
    ASSERT_TRUE(SH::Spherical2SH(CosineLobe(n), sphere.data(), kCount, c));
    const std::vector<double> yn = closedFormBasis(n.x, n.y, n.z);
    for (int l = 0; l < SH::kBands; ++l)
        for (int m = -l; m <= l; ++m) {
            const int i = l * (l + 1) + m;
            EXPECT_NEAR(c[i], std::sqrt(4.0 * kPi / (2 * l + 1)) * zonal[l] * yn[i], 3e-3) << i;
        }
}

TEST(SphericalHarmonics, BadArgumentsFailAndLeaveTheOutputAlone) {
    SH::Sample2D square[4];
    SH::SampleSphere sphere[4];
    SH::MonoCoeffList c;
    c[0] = 7.0f;
    const CosineLobe lobe(Math::Vector3f(0, 0, 1));
    EXPECT_FALSE(SH::GenerateSamples2D_Stratified(nullptr, 2) || SH::GenerateSamples2D_Stratified(square, 0));
    EXPECT_FALSE(SH::Project2Sphere(sphere, nullptr, 4) || SH::Project2Sphere(sphere, square, 0));
    EXPECT_FALSE(SH::Spherical2SH(lobe, nullptr, 4, c) || SH::Spherical2SH(lobe, sphere, -1, c));
    EXPECT_EQ(c[0], 7.0f);
    float basis[SH::kCoeffs];
    SH::EvalBasis(Math::Vector3f(std::nanf(""), 0.0f, std::nanf("")), basis);  // documented: the pole
    for (float b : basis) EXPECT_TRUE(std::isfinite(b));
}

}  // namespace
