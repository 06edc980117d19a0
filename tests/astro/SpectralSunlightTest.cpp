// Sunlight above and through the atmosphere and tristimulus values, against the published tables
// and attenuation laws (which also read the curves between their samples).
#include "enviro/astro/SpectralSunlight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using namespace Astro;

TEST(SpectralSunlight, AboveAndThroughTheAtmosphere) {
    std::unique_ptr<UniformCurve> solar(makeSolarCurve());
    double out[kSpectrumSamples];
    computeSunlight(*solar, out);
    // The published solar table in hundredths, held below 380 and above 750 nm.
    const struct { int sample; double value; } table[] = {{0, 1.655}, {6, 1.655}, {7, 1.639}, {30, 2.871}, {80, 1.826}, {90, 1.826}};
    for (const auto& c : table) EXPECT_DOUBLE_EQ(out[c.sample], c.value) << c.sample;
    // Kasten and Young's air mass: 1.994 at 60 degrees, 5.60 at 80; held at the horizon below it.
    EXPECT_NEAR(relativeOpticalMass(60.0 * M_PI / 180.0), 1.994, 0.002);
    EXPECT_NEAR(relativeOpticalMass(80.0 * M_PI / 180.0), 5.6, 0.05);
    EXPECT_TRUE(relativeOpticalMass(M_PI / 2) > 30.0 && relativeOpticalMass(2.0) == relativeOpticalMass(M_PI / 2));
    EXPECT_EQ(relativeOpticalMass(std::nan("")), relativeOpticalMass(0.0));
    std::unique_ptr<SampledCurve> ozone(makeOzoneCurve()), gas(makeGasCurve()), water(makeWaterCurve());
    const SampledCurve none(nullptr, nullptr, 0);
    // Against the same sky without the one absorber, the ratio is its transmittance, with k at the
    // wavelength from the published tables (795 and 625 nm halfway between rows).
    const double m = relativeOpticalMass(1.0);
    auto vapour = [m](double k) { return std::exp(-0.477 * k * m / std::pow(1 + 40.14 * k * m, 0.45)); };
    auto ozoneLaw = [m](double k) { return std::exp(-0.35 * k * m); };
    auto gasLaw = [m](double k) { return std::exp(-1.41 * k * m / std::pow(1 + 118.93 * k * m, 0.45)); };
    double all[kSpectrumSamples], noWater[kSpectrumSamples], noOzone[kSpectrumSamples], noGas[kSpectrumSamples];
    computeAttenuatedSunlight(1.0, 2, *solar, *ozone, *gas, *water, all);
    computeAttenuatedSunlight(1.0, 2, *solar, *ozone, *gas, none, noWater);
    computeAttenuatedSunlight(1.0, 2, *solar, none, *gas, *water, noOzone);
    computeAttenuatedSunlight(1.0, 2, *solar, *ozone, none, *water, noGas);
    const struct { double nm, transmittance; const double* without; } cases[] = {
        {720, vapour(1.0), noWater},    {730, vapour(0.87), noWater},   {700, vapour(0.024), noWater},
        {795, vapour(0.02675), noWater}, {350, ozoneLaw(0.007), noOzone}, {575, ozoneLaw(0.122), noOzone},
        {605, ozoneLaw(0.13), noOzone},  {625, ozoneLaw(0.0975), noOzone}, {760, gasLaw(3.0), noGas},
        {755, 1.0, noGas},               {775, 1.0, noGas},               // the oxygen band only
    };
    for (const auto& c : cases) EXPECT_NEAR(all[int(c.nm - 350) / 5] / c.without[int(c.nm - 350) / 5], c.transmittance, 1e-12) << c.nm;

    // Clear air (turbidity below 1 counts as 1), sun at the zenith, 500 nm: Rayleigh optical depth
    // 0.008735 * 0.5^-4.08, aerosols almost nil (beta = 0.00022), ozone k_o(500) = 0.03.
    double clear[kSpectrumSamples];
    computeAttenuatedSunlight(0.0, 0, *solar, *ozone, *gas, *water, clear);
    const double m0 = relativeOpticalMass(0.0), beta = 0.0460836582205 - 0.04586025928522;
    EXPECT_NEAR(clear[30], 2.871 * std::exp(-m0 * (0.008735 * std::pow(0.5, -4.08) + beta * std::pow(0.5, -1.3) + 0.35 * 0.03)), 1e-12);
    computeAttenuatedSunlight(0.0, 1, *solar, *ozone, *gas, *water, nullptr);  // no output: no effect
}

TEST(Tristimulus, EqualEnergyIsWhiteAndOutsideTheTableIsBlack) {
    double flat[kSpectrumSamples], outside[kSpectrumSamples] = {}, xyz[3];
    for (int i = 0; i < kSpectrumSamples; ++i) flat[i] = 1.0, outside[i] = i < 6 || i >= 86 ? 5.0 : 0.0;
    getTristimulus(flat, xyz);  // Y scaled to 100; X = Z = Y up to the table's rounding
    EXPECT_NEAR(xyz[1], 100.0, 1e-12);
    EXPECT_NEAR(xyz[0], 100.0, 0.01);
    EXPECT_NEAR(xyz[2], 100.0, 0.01);
    getTristimulus(outside, xyz);  // light only below 380 nm, and from 780 nm where the table is 0
    EXPECT_EQ(xyz[0] + xyz[1] + xyz[2], 0.0);
    getTristimulus(nullptr, xyz);  // no spectrum: black; no output: no effect
    EXPECT_EQ(xyz[0], 0.0);
    getTristimulus(flat, nullptr);
}

}  // namespace
