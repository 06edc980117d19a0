// Spectral sunlight attenuation and tristimulus values.
#include "enviro/astro/SpectralSunlight.h"

#include <cmath>
#include <new>

#include "enviro/astro/Cie1931.h"

namespace Astro {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kHalfPi = 1.5707963267948966;

// Extraterrestrial solar spectral irradiance, 380..750 nm in 10 nm steps.
constexpr int kSolarCount = 38;
constexpr double kSolarAmplitudes[kSolarCount] = {
    165.5, 162.3, 211.2, 258.8, 258.2, 242.3, 267.6, 296.6, 305.4, 300.6, 306.6, 288.3, 287.1,
    278.2, 271.0, 272.3, 263.6, 255.0, 250.6, 253.1, 253.5, 251.3, 246.3, 241.7, 236.8, 232.1,
    228.2, 223.4, 219.7, 215.3, 211.0, 207.3, 202.4, 198.7, 194.3, 190.7, 186.3, 182.6};

// Ozone absorption coefficient k_o (1/cm).
constexpr int kOzoneCount = 64;
constexpr double kOzoneWavelengths[kOzoneCount] = {
    300, 305, 310, 315, 320, 325, 330, 335, 340, 345, 350, 355,
    445, 450, 455, 460, 465, 470, 475, 480, 485, 490, 495, 500, 505, 510, 515, 520, 525, 530,
    535, 540, 545, 550, 555, 560, 565, 570, 575, 580, 585, 590, 595, 600, 605, 610,
    620, 630, 640, 650, 660, 670, 680, 690, 700, 710, 720, 730, 740, 750, 760, 770, 780, 790};
constexpr double kOzoneAmplitudes[kOzoneCount] = {
    10.0, 4.8, 2.7, 1.35, 0.8, 0.38, 0.16, 0.075, 0.04, 0.019, 0.007, 0.0,
    0.003, 0.003, 0.004, 0.006, 0.008, 0.009, 0.012, 0.014, 0.017, 0.021, 0.025, 0.03, 0.035,
    0.04, 0.045, 0.048, 0.057, 0.063, 0.07, 0.075, 0.08, 0.085, 0.095, 0.103, 0.11, 0.12, 0.122,
    0.12, 0.118, 0.115, 0.12, 0.125, 0.13, 0.12,
    0.105, 0.09, 0.079, 0.067, 0.057, 0.048, 0.036, 0.028, 0.023, 0.018, 0.014, 0.011, 0.01,
    0.009, 0.007, 0.004, 0.0, 0.0};

// Uniformly mixed gases absorption coefficient k_g (1/km): the oxygen A band.
constexpr int kGasCount = 4;
constexpr double kGasWavelengths[kGasCount] = {759, 760, 770, 771};
constexpr double kGasAmplitudes[kGasCount] = {0.0, 3.0, 0.21, 0.0};

// Water vapour absorption coefficient k_wa (1/km).
constexpr int kWaterCount = 13;
constexpr double kWaterWavelengths[kWaterCount] = {689, 690, 700, 710, 720, 730, 740, 750, 760, 770, 780, 790, 800};
constexpr double kWaterAmplitudes[kWaterCount] = {0.0, 0.016, 0.024, 0.0125, 1.0, 0.87, 0.061,
                                                  0.001, 0.00001, 0.00001, 0.0006, 0.0175, 0.036};

// Returns the curve, or null when it (or its storage) could not be allocated.
template <class Curve>
Curve* keepComplete(Curve* curve, int expectedCount) {
    if (curve && curve->count() != expectedCount) {
        delete curve;
        return nullptr;
    }
    return curve;
}

double gridWavelength(int i) { return kSpectrumFirstNm + kSpectrumStepNm * i; }

// Colour-matching functions on the 350..800 nm grid: the CIE rows for 380..780 nm, else zero.
constexpr int kCieGridOffset = static_cast<int>((kCie1931FirstNm - kSpectrumFirstNm) / kSpectrumStepNm);
CieRow cieOnGrid(int i) {
    int row = i - kCieGridOffset;
    return (row >= 0 && row < kCie1931Rows) ? kCie1931[row] : CieRow{0.0, 0.0, 0.0};
}

}  // namespace

SampledCurve* makeOzoneCurve() {
    return keepComplete(new (std::nothrow) SampledCurve(kOzoneWavelengths, kOzoneAmplitudes, kOzoneCount), kOzoneCount);
}

SampledCurve* makeGasCurve() {
    return keepComplete(new (std::nothrow) SampledCurve(kGasWavelengths, kGasAmplitudes, kGasCount), kGasCount);
}

SampledCurve* makeWaterCurve() {
    return keepComplete(new (std::nothrow) SampledCurve(kWaterWavelengths, kWaterAmplitudes, kWaterCount), kWaterCount);
}

UniformCurve* makeSolarCurve() {
    return keepComplete(new (std::nothrow) UniformCurve(380.0, 750.0, kSolarAmplitudes, kSolarCount), kSolarCount);
}

UniformCurve* makeSunlightCurve(const double* spectrum91) {
    if (!spectrum91) return nullptr;
    return keepComplete(new (std::nothrow) UniformCurve(kSpectrumFirstNm, kSpectrumLastNm, spectrum91, kSpectrumSamples),
                        kSpectrumSamples);
}

double relativeOpticalMass(double theta) {
    if (!(theta > 0.0)) theta = 0.0;
    if (theta > kHalfPi) theta = kHalfPi;
    return 1.0 / (std::cos(theta) + 0.15 * std::pow(93.885 - theta * kDegreesPerRadian, -1.253));
}

void computeSunlight(const SpectralCurve& solar, double out[kSpectrumSamples]) {
    if (!out) return;
    for (int i = 0; i < kSpectrumSamples; ++i) out[i] = solar.value(gridWavelength(i)) * 0.01;
}

void computeAttenuatedSunlight(double theta, int turbidity, const SpectralCurve& solar,
                               const SpectralCurve& ozone, const SpectralCurve& gas,
                               const SpectralCurve& water, double out[kSpectrumSamples]) {
    if (!out) return;
    if (turbidity < 1) turbidity = 1;
    const double m = relativeOpticalMass(theta);
    const double beta = 0.0460836582205 * turbidity - 0.04586025928522;  // aerosol coefficient
    for (int i = 0; i < kSpectrumSamples; ++i) {
        const double lambda = gridWavelength(i);
        const double lambdaUm = lambda * 0.001;
        const double ko = ozone.value(lambda);
        const double kg = gas.value(lambda);
        const double kwa = water.value(lambda);
        const double tauR = std::exp(-0.008735 * m * std::pow(lambdaUm, -4.08));      // Rayleigh
        const double tauA = std::exp(-m * beta * std::pow(lambdaUm, -1.3));           // aerosol
        const double tauO = std::exp(-0.35 * ko * m);                                 // 0.35 cm ozone
        const double tauG = std::exp(-1.41 * kg * m / std::pow(1.0 + 118.93 * kg * m, 0.45));
        const double tauWA = std::exp(-0.477 * kwa * m / std::pow(1.0 + 40.14 * kwa * m, 0.45));  // 2 cm water
        out[i] = solar.value(lambda) * tauR * tauA * tauO * tauG * tauWA * 0.01;
    }
}

void getTristimulus(const double* spectrum91, double xyz[3]) {
    if (!xyz) return;
    xyz[0] = xyz[1] = xyz[2] = 0.0;
    if (!spectrum91) return;
    double sumY = 0.0, x = 0.0, y = 0.0, z = 0.0;
    for (int i = 0; i < kSpectrumSamples; ++i) {
        const CieRow cmf = cieOnGrid(i);
        sumY += cmf.y;
        x += cmf.x * spectrum91[i];
        y += cmf.y * spectrum91[i];
        z += cmf.z * spectrum91[i];
    }
    const double k = 100.0 / (kSpectrumStepNm * sumY);
    xyz[0] = kSpectrumStepNm * k * x;
    xyz[1] = kSpectrumStepNm * k * y;
    xyz[2] = kSpectrumStepNm * k * z;
}

}  // namespace Astro
