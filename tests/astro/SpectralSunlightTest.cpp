// Spectral curves, sunlight attenuation and tristimulus values.
#include "enviro/astro/SpectralSunlight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "enviro/astro/Cie1931.h"

namespace {

using namespace Astro;

double gridNm(int i) { return 350.0 + 5.0 * i; }

TEST(SpectralCurve, InterpolatesAndHoldsEnds) {
    std::unique_ptr<SampledCurve> ozone(makeOzoneCurve());
    ASSERT_TRUE(ozone);
    ASSERT_EQ(ozone->count(), 64);
    for (int i = 0; i < ozone->count(); ++i) {
        EXPECT_EQ(ozone->value(ozone->wavelength(i)), ozone->amplitude(i)) << ozone->wavelength(i);
    }
    EXPECT_EQ(ozone->value(300.0), 10.0);
    EXPECT_EQ(ozone->value(100.0), 10.0);                // held below the first sample
    EXPECT_EQ(ozone->value(2000.0), 0.0);                // held above the last
    EXPECT_DOUBLE_EQ(ozone->value(302.5), 7.4);          // halfway 10.0 .. 4.8
    EXPECT_DOUBLE_EQ(ozone->value(400.0), 0.0015);       // 355 nm 0.0 .. 445 nm 0.003
    EXPECT_TRUE(std::isfinite(ozone->value(std::nan(""))));

    const double waves[] = {400.0, 500.0, 500.0, 600.0};  // a step at 500 nm
    const double amps[] = {1.0, 2.0, 5.0, 6.0};
    SampledCurve step(waves, amps, 4);
    EXPECT_EQ(step.value(450.0), 1.5);
    EXPECT_EQ(step.value(500.0), 5.0);
    EXPECT_NEAR(step.value(499.999999), 2.0, 2e-8);

    SampledCurve empty(nullptr, amps, 4);
    EXPECT_EQ(empty.count(), 0);
    EXPECT_EQ(empty.value(500.0), 0.0);
    UniformCurve none(350.0, 800.0, amps, 0);
    EXPECT_EQ(none.value(500.0), 0.0);
    UniformCurve single(350.0, 800.0, amps, 1);
    EXPECT_EQ(single.value(10.0), 1.0);
    EXPECT_EQ(single.value(1000.0), 1.0);

    SampledCurve copy(step);
    step = SampledCurve(waves, amps, 2);
    EXPECT_EQ(copy.value(550.0), 5.5);
    EXPECT_EQ(step.value(550.0), 2.0);
}

TEST(SpectralCurve, BuiltInTables) {
    std::unique_ptr<UniformCurve> solar(makeSolarCurve());
    std::unique_ptr<SampledCurve> gas(makeGasCurve()), water(makeWaterCurve());
    ASSERT_TRUE(solar && gas && water);
    EXPECT_EQ(solar->count(), 38);
    EXPECT_EQ(solar->wavelength(37), 750.0);
    EXPECT_EQ(solar->value(560.0), 250.6);
    EXPECT_EQ(gas->count(), 4);
    EXPECT_EQ(gas->value(760.0), 3.0);
    EXPECT_DOUBLE_EQ(gas->value(765.0), 1.605);
    EXPECT_EQ(water->count(), 13);
    EXPECT_EQ(water->value(720.0), 1.0);

    double spectrum[kSpectrumSamples];
    for (int i = 0; i < kSpectrumSamples; ++i) spectrum[i] = 0.5 * i;
    std::unique_ptr<UniformCurve> sunlight(makeSunlightCurve(spectrum));
    ASSERT_TRUE(sunlight);
    for (int i = 0; i < kSpectrumSamples; ++i) EXPECT_EQ(sunlight->value(gridNm(i)), spectrum[i]);
    EXPECT_EQ(makeSunlightCurve(nullptr), nullptr);
}

TEST(SpectralSunlight, UnattenuatedSpectrum) {
    std::unique_ptr<UniformCurve> solar(makeSolarCurve());
    double out[kSpectrumSamples];
    computeSunlight(*solar, out);
    for (int i = 0; i <= 6; ++i) EXPECT_DOUBLE_EQ(out[i], 1.655) << gridNm(i);  // 350..380 nm
    for (int i = 80; i < kSpectrumSamples; ++i) EXPECT_DOUBLE_EQ(out[i], 1.826) << gridNm(i);  // 750..800
    EXPECT_DOUBLE_EQ(out[7], 1.639);   // 385 nm: halfway 165.5 .. 162.3
    EXPECT_DOUBLE_EQ(out[30], 2.871);  // 500 nm
    computeSunlight(*solar, nullptr);  // no effect
}

TEST(SpectralSunlight, OpticalMass) {
    EXPECT_NEAR(relativeOpticalMass(0.0), 1.0 / (1.0 + 0.15 * std::pow(93.885, -1.253)), 1e-15);
    EXPECT_NEAR(relativeOpticalMass(0.0), 0.99949, 5e-6);
    // Kasten and Young's air mass: 1.994 at 60 degrees, 5.60 at 80 degrees.
    EXPECT_NEAR(relativeOpticalMass(60.0 * M_PI / 180.0), 1.994, 0.002);
    EXPECT_NEAR(relativeOpticalMass(80.0 * M_PI / 180.0), 5.6, 0.05);
    double horizon = relativeOpticalMass(M_PI / 2);
    EXPECT_TRUE(std::isfinite(horizon));
    EXPECT_GT(horizon, 30.0);
    EXPECT_EQ(relativeOpticalMass(2.0), horizon);  // below the horizon: clamped
    EXPECT_EQ(relativeOpticalMass(-0.3), relativeOpticalMass(0.0));
    EXPECT_EQ(relativeOpticalMass(std::nan("")), relativeOpticalMass(0.0));
}

class Attenuation : public testing::Test {
protected:
    void compute(double theta, int turbidity, const SpectralCurve& gasCurve, double* out) {
        computeAttenuatedSunlight(theta, turbidity, *solar, *ozone, gasCurve, *water, out);
    }
    std::unique_ptr<UniformCurve> solar{makeSolarCurve()};
    std::unique_ptr<SampledCurve> ozone{makeOzoneCurve()}, gas{makeGasCurve()}, water{makeWaterCurve()};
    SampledCurve noGas{nullptr, nullptr, 0};
};

TEST_F(Attenuation, GasBandDipsOnlyInsideIt) {
    double with[kSpectrumSamples], without[kSpectrumSamples];
    compute(0.0, 2, *gas, with);
    compute(0.0, 2, noGas, without);
    for (int i = 0; i < kSpectrumSamples; ++i) {
        double nm = gridNm(i);
        if (nm > 759.0 && nm < 771.0) {
            EXPECT_LT(with[i], 0.95 * without[i]) << nm;
        } else {
            EXPECT_EQ(with[i], without[i]) << nm;
        }
    }
    // At 760 nm, k_g = 3: tau_G = exp(-1.41 * 3 m / (1 + 118.93 * 3 m)^0.45).
    double m = relativeOpticalMass(0.0);
    EXPECT_NEAR(with[82] / without[82], std::exp(-1.41 * 3 * m / std::pow(1 + 118.93 * 3 * m, 0.45)), 1e-12);
}

TEST_F(Attenuation, WaterVapourAndOzoneBandsFollowThePublishedLaws) {
    // Against the same sky without the one absorber: the ratio is that absorber's transmittance,
    // with k at the wavelength from the published tables (795 and 625 nm halfway between rows).
    const double m = relativeOpticalMass(1.0);
    auto vapour = [m](double k) { return std::exp(-0.477 * k * m / std::pow(1 + 40.14 * k * m, 0.45)); };
    auto ozoneLaw = [m](double k) { return std::exp(-0.35 * k * m); };
    double all[kSpectrumSamples], noWater[kSpectrumSamples], noOzone[kSpectrumSamples];
    computeAttenuatedSunlight(1.0, 2, *solar, *ozone, *gas, *water, all);
    computeAttenuatedSunlight(1.0, 2, *solar, *ozone, *gas, noGas, noWater);
    computeAttenuatedSunlight(1.0, 2, *solar, noGas, *gas, *water, noOzone);
    const struct { double nm, transmittance; const double* without; } cases[] = {
        {720, vapour(1.0), noWater}, {730, vapour(0.87), noWater}, {700, vapour(0.024), noWater},
        {795, vapour(0.02675), noWater}, {350, ozoneLaw(0.007), noOzone}, {575, ozoneLaw(0.122), noOzone},
        {605, ozoneLaw(0.13), noOzone}, {625, ozoneLaw(0.0975), noOzone}};
    for (const auto& c : cases) {
        const int i = static_cast<int>((c.nm - 350) / 5);
        EXPECT_NEAR(all[i] / c.without[i], c.transmittance, 1e-12) << c.nm;
        EXPECT_LT(c.transmittance, 0.999) << c.nm;
    }
}

TEST_F(Attenuation, DimsWithZenithAndTurbidity) {
    double sun[kSpectrumSamples], clear[kSpectrumSamples], hazy[kSpectrumSamples], low[kSpectrumSamples];
    computeSunlight(*solar, sun);
    compute(0.0, 1, *gas, clear);
    compute(0.0, 6, *gas, hazy);
    compute(1.4, 1, *gas, low);
    for (int i = 0; i < kSpectrumSamples; ++i) {
        EXPECT_GT(clear[i], 0.0);
        EXPECT_LT(clear[i], sun[i]);
        EXPECT_LT(hazy[i], clear[i]);
        EXPECT_LT(low[i], clear[i]);
    }
    // Rayleigh scattering removes blue first: a low sun is redder.
    EXPECT_LT(low[10] / low[70], clear[10] / clear[70]);
    // Clear air, sun at the zenith: Rayleigh optical depth 0.008735 * 0.5^-4.08 at 500 nm,
    // aerosols almost nil (beta = 0.00022), ozone k_o(500) = 0.03.
    double m = relativeOpticalMass(0.0);
    double beta = 0.0460836582205 - 0.04586025928522;
    double expected = 2.871 * std::exp(-m * (0.008735 * std::pow(0.5, -4.08) + beta * std::pow(0.5, -1.3) + 0.35 * 0.03));
    EXPECT_NEAR(clear[30], expected, 1e-12);
    // Turbidity below 1 counts as 1; a null output is ignored.
    double zero[kSpectrumSamples];
    compute(0.0, 0, *gas, zero);
    for (int i = 0; i < kSpectrumSamples; ++i) EXPECT_EQ(zero[i], clear[i]);
    compute(0.0, 1, *gas, nullptr);
}

TEST(Tristimulus, FlatAndOutOfRangeSpectra) {
    double flat[kSpectrumSamples];
    for (double& s : flat) s = 1.0;
    double xyz[3];
    getTristimulus(flat, xyz);
    EXPECT_NEAR(xyz[1], 100.0, 1e-12);
    // The equal-energy white: X = Y = Z up to the table's rounding.
    EXPECT_NEAR(xyz[0], 100.0, 0.01);
    EXPECT_NEAR(xyz[2], 100.0, 0.01);

    // Light only outside 380..780 nm, and at 780 nm where the table is 0, gives nothing.
    double outside[kSpectrumSamples] = {};
    for (int i = 0; i < 6; ++i) outside[i] = 5.0;
    for (int i = 86; i < kSpectrumSamples; ++i) outside[i] = 5.0;
    getTristimulus(outside, xyz);
    EXPECT_EQ(xyz[0], 0.0);
    EXPECT_EQ(xyz[1], 0.0);
    EXPECT_EQ(xyz[2], 0.0);

    // One sample at 380 nm picks the table's first row, 0.0014, 0.0000, 0.0065.
    double line[kSpectrumSamples] = {};
    line[6] = 1.0;
    getTristimulus(line, xyz);
    double sumY = 0.0;
    for (const CieRow& row : kCie1931) sumY += row.y;
    EXPECT_NEAR(xyz[0], 100.0 * 0.0014 / sumY, 1e-12);
    EXPECT_EQ(xyz[1], 0.0);
    EXPECT_NEAR(xyz[2], 100.0 * 0.0065 / sumY, 1e-12);

    getTristimulus(nullptr, xyz);
    EXPECT_EQ(xyz[0], 0.0);
    getTristimulus(flat, nullptr);
}

TEST(Tristimulus, CieTableIsThePublishedObserver) {
    EXPECT_EQ(kCie1931[0].x, 0.0014);
    EXPECT_EQ(kCie1931[0].z, 0.0065);
    EXPECT_EQ(kCie1931[35].y, 1.0);     // 555 nm, the peak of the luminosity function
    EXPECT_EQ(kCie1931[21].x, 0.0580);  // 485 nm (a copy in circulation has 0.05895 here)
    EXPECT_EQ(kCie1931[80].x, 0.0);     // 780 nm
}

}  // namespace
