// Sunlight and skylight of a clear day from the module's spectral sunlight and sky model.
#include "tools/enviro-lightbmp/DaylightPhysics.h"

#include <cmath>

#include "enviro/astro/Cie1931.h"
#include "enviro/astro/SpectralSunlight.h"
#include "tools/enviro-lightbmp/ElevationMapping.h"

namespace lightbmp {

namespace {

constexpr double kLuminousEfficacy = 683.0;  // lm/W at 555 nm
constexpr int kElevationSteps = 90;          // 1 degree
constexpr int kAzimuthSteps = 180;           // 2 degrees

// Linear Rec. 709 RGB of CIE XYZ, the same matrix the sky model uses.
Rgb rgbOfXyz(double X, double Y, double Z) {
    return Rgb{3.240479 * X - 1.53715 * Y - 0.498535 * Z, -0.969256 * X + 1.875992 * Y + 0.0415556 * Z,
               0.055648 * X - 0.204043 * Y + 1.057311 * Z};
}

// Lux per unit of getTristimulus' Y: Y = 100 sum(ybar S) / sum(ybar), and the illuminance is
// 683 * 5 nm * sum(ybar S).
double luxPerTristimulusY() {
    double sumY = 0.0;
    for (const Astro::CieRow& row : Astro::kCie1931) sumY += row.y;
    return kLuminousEfficacy * Astro::kSpectrumStepNm * sumY / 100.0;
}

}  // namespace

DaylightPhysics::DaylightPhysics()
    : m_pSolar(Astro::makeSolarCurve()),
      m_pOzone(Astro::makeOzoneCurve()),
      m_pGas(Astro::makeGasCurve()),
      m_pWater(Astro::makeWaterCurve()) {
    const double dA = kHalfPi / kElevationSteps;
    const double dPhi = 2.0 * 3.14159265358979323846 / kAzimuthSteps;
    for (int i = 0; i < kElevationSteps; ++i) {
        const double a = (i + 0.5) * dA;
        // The cosine-weighted solid angle of the cell, integrated exactly over its elevations.
        const double weight = 0.5 * (std::sin((i + 1) * dA) * std::sin((i + 1) * dA) -
                                     std::sin(i * dA) * std::sin(i * dA)) * dPhi;
        for (int j = 0; j < kAzimuthSteps; ++j) {
            const double phi = (j + 0.5) * dPhi;
            m_vDirections.emplace_back(float(std::cos(a) * std::cos(phi)), float(std::sin(a)),
                                       float(std::cos(a) * std::sin(phi)));
            m_vWeights.push_back(weight);
        }
    }
    m_vColors.resize(m_vDirections.size());
}

Rgb DaylightPhysics::directSunlight(double elevation) const {
    if (!(elevation > 0.0) || !m_pSolar || !m_pOzone || !m_pGas || !m_pWater) return Rgb{0, 0, 0};
    double spectrum[Astro::kSpectrumSamples];
    const double zenithAngle = kHalfPi - elevation;
    Astro::computeAttenuatedSunlight(zenithAngle, kTurbidity, *m_pSolar, *m_pOzone, *m_pGas, *m_pWater, spectrum);
    double xyz[3];
    Astro::getTristimulus(spectrum, xyz);
    static const double toKilolux = luxPerTristimulusY() / 1000.0;
    return rgbOfXyz(xyz[0] * toKilolux, xyz[1] * toKilolux, xyz[2] * toKilolux);
}

Rgb DaylightPhysics::skyIrradiance(double elevation) {
    const Math::Vector<4, float> sun(float(std::cos(elevation)), float(std::sin(elevation)), 0.0f, 0.0f);
    m_sky.getSkyColorArray(m_vDirections.data(), int(m_vDirections.size()), sun, float(kAltitude),
                           m_vColors.data());
    Rgb sum{0, 0, 0};
    for (size_t i = 0; i < m_vColors.size(); ++i) {
        sum.r += m_vWeights[i] * m_vColors[i].x;
        sum.g += m_vWeights[i] * m_vColors[i].y;
        sum.b += m_vWeights[i] * m_vColors[i].z;
    }
    const double toKilolux = 1.0 / kSkyLuminanceScale;
    return Rgb{sum.r * toKilolux, sum.g * toKilolux, sum.b * toKilolux};
}

}  // namespace lightbmp
