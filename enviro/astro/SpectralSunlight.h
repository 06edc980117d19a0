#pragma once
// Spectrum of direct sunlight at the ground: the extraterrestrial solar spectrum attenuated by
// Rayleigh scattering, aerosols (Angstrom's formula), ozone, uniformly mixed gases and water
// vapour, after the sunlight model of Preetham, Shirley and Smits, "A Practical Analytic Model
// for Daylight" (1999), with its published tables; and CIE XYZ tristimulus values of a spectrum.
//
// Spectra are 91 doubles on the grid 350, 355, ..., 800 nm (kSpectrumSamples), in the solar
// table's units scaled by 0.01.
#include "enviro/astro/SpectralCurve.h"

namespace Astro {

constexpr int kSpectrumSamples = 91;
constexpr double kSpectrumFirstNm = 350.0;  // wavelength of sample 0, nm
constexpr double kSpectrumLastNm = 800.0;   // wavelength of sample 90, nm
constexpr double kSpectrumStepNm = 5.0;

// The built-in absorption tables (wavelengths in nm) and the extraterrestrial solar spectrum.
// Each returns a new curve that the caller deletes, or null when allocation fails.
SampledCurve* makeOzoneCurve();  // k_o, 1/cm, 64 samples 300..790 nm
SampledCurve* makeGasCurve();    // k_g, 1/km, 4 samples 759..771 nm
SampledCurve* makeWaterCurve();  // k_wa, 1/km, 13 samples 689..800 nm
UniformCurve* makeSolarCurve();  // 38 values 380..750 nm, 10 nm step
// A uniform curve over 350..800 nm from 91 spectrum values; null when spectrum91 is null.
UniformCurve* makeSunlightCurve(const double* spectrum91);

// Relative optical mass of the air along a solar zenith angle theta (radians):
// 1 / (cos theta + 0.15 (93.885 - theta in degrees)^-1.253). Theta is clamped to 0..pi/2 (NaN
// counts as 0): beyond the horizon the correction term approaches its pole at 93.885 degrees.
double relativeOpticalMass(double theta);

// The unattenuated solar spectrum: out[i] = solar(350 + 5i) * 0.01, held constant outside the
// solar table's 380..750 nm. No effect when out is null.
void computeSunlight(const SpectralCurve& solar, double out[kSpectrumSamples]);

// Sunlight at the ground for a solar zenith angle theta (radians) and an atmospheric turbidity
// (1 = clear air; values below 1 count as 1, since the aerosol term would then amplify the
// light). out[i] = solar(lambda) * tauR * tauA * tauO * tauG * tauWA * 0.01, lambda = 350 + 5i.
// No effect when out is null.
void computeAttenuatedSunlight(double theta, int turbidity, const SpectralCurve& solar,
                               const SpectralCurve& ozone, const SpectralCurve& gas,
                               const SpectralCurve& water, double out[kSpectrumSamples]);

// CIE 1931 XYZ of a spectrum on the 350..800 nm grid (the colour-matching functions are zero
// outside 380..780 nm), normalised so that a spectrum of 1 everywhere has Y = 100:
// k = 100 / (5 sum ybar); X = 5k sum xbar S, Y = 5k sum ybar S, Z = 5k sum zbar S.
// No effect when xyz is null; a null spectrum gives 0, 0, 0.
void getTristimulus(const double* spectrum91, double xyz[3]);

}  // namespace Astro
