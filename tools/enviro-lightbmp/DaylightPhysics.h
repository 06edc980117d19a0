#pragma once
// The light of a clear day from the module's own models, in kilolux and linear Rec. 709 RGB
// (D65 white; the Y of the colour is the illuminance):
// - direct sunlight: the solar spectrum attenuated along the sun's path through the air
//   (Astro::computeAttenuatedSunlight, the model behind AstroManager::ComputeAttenuatedSunlight)
//   turned into CIE XYZ (Astro::getTristimulus, behind AstroManager::get_tristim) and into lux
//   with the luminous efficacy 683 lm/W (the solar table is in W m^-2 nm^-1 after its 0.01 scale);
// - skylight: the illuminance of the clear sky on a horizontal surface, the cosine-weighted
//   integral of enviro::Sky::getSkyColor over the upper hemisphere. The sky model's luminance is
//   in kcd/m^2 times its display scale 0.095, which is divided out.
// Both use the sky model's turbidity 2.
#include <memory>
#include <vector>

#include "enviro/astro/SpectralCurve.h"
#include "enviro/host/MathVector.h"
#include "enviro/sky/Sky.h"

namespace lightbmp {

struct Rgb {
    double r, g, b;
    double average() const { return (r + g + b) / 3.0; }
};

class DaylightPhysics {
public:
    static constexpr int kTurbidity = 2;
    static constexpr double kSkyLuminanceScale = 0.095;  // sky model unit per kcd/m^2
    static constexpr double kAltitude = 0.0;             // observer at sea level

    DaylightPhysics();

    // Sunlight on a surface facing the sun at the given elevation (radians), kilolux. The path
    // through the air is only defined for a sun above the horizon: 0 at and below it.
    Rgb directSunlight(double elevation) const;
    // Skylight on a horizontal surface for a sun at the given elevation, kilolux. Below the
    // horizon the sky model's night factor fades it out (dark from about 14.5 degrees down).
    Rgb skyIrradiance(double elevation);

private:
    std::unique_ptr<Astro::SpectralCurve> m_pSolar, m_pOzone, m_pGas, m_pWater;
    enviro::Sky m_sky;
    // The hemisphere's sample directions (midpoints of an elevation-azimuth grid) and their solid
    // angle times cosine; the weights add up to pi.
    std::vector<Math::Vector<3, float>> m_vDirections;
    std::vector<double> m_vWeights;
    std::vector<Math::Vector<3, float>> m_vColors;  // scratch for the sky batch
};

}  // namespace lightbmp
