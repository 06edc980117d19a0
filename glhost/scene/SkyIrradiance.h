#pragma once
// The sky's light on surfaces, from the sky model through spherical harmonics: the sky's colour
// (enviro::Sky::getSkyColorArray) at stratified directions is projected onto the four bands of
// the module's SH helpers (SH::Spherical2SH), convolved with the cosine lobe (factors pi, 2 pi / 3,
// pi / 4, 0 per band) and evaluated (SH::EvalBasis) on the six axes +x, -x, +y, -y, +z, -z.
// The result is given as a shape, scaled so that the six values average 1 per channel: the
// scene multiplies the module's ambient colour by it, so the sky decides where ambient light
// comes from and the module how strong it is. Storage is made once; update allocates nothing.
#include <vector>

#include "enviro/host/MathVector.h"
#include "enviro/host/SphericalHarmonics.h"

namespace glhost {

class SkyIrradiance {
public:
    static constexpr int kGrid = 16;  // samples: kGrid x kGrid

    SkyIrradiance();
    // From the module's sky for the sun direction (world, as getSkyColor takes it) at altitude.
    // Without enviro::sky (or with a black sky) every axis gets 1.
    void update(const Math::Vector4f& sun, float altitude);
    const Math::Vector3f* axes() const { return m_axes; }

private:
    std::vector<SH::Sample2D> m_square;
    std::vector<SH::SampleSphere> m_sphere;
    std::vector<Math::Vector3f> m_directions;
    std::vector<Math::Vector3f> m_colors;
    Math::Vector3f m_axes[6];
};

}  // namespace glhost
