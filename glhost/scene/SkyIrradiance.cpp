#include "glhost/scene/SkyIrradiance.h"

#include "enviro/sky/Sky.h"

namespace glhost {

namespace {

constexpr float kPi = 3.14159265358979f;
// The cosine lobe's factor per band (irradiance from radiance).
constexpr float kLobe[SH::kBands] = {kPi, 2.0f * kPi / 3.0f, kPi / 4.0f, 0.0f};
const Math::Vector3f kAxes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

// One channel of the sampled colours, as a function on the sphere.
class Channel final : public SH::SphericalFunction {
public:
    Channel(const std::vector<SH::SampleSphere>& samples, const std::vector<Math::Vector3f>& colors, int channel)
        : m_samples(samples), m_colors(colors), m_channel(channel) {}
    float getValue(const SH::SampleSphere& s) const override {
        return m_colors[size_t(&s - m_samples.data())][m_channel];
    }

private:
    const std::vector<SH::SampleSphere>& m_samples;
    const std::vector<Math::Vector3f>& m_colors;
    int m_channel;
};

}  // namespace

SkyIrradiance::SkyIrradiance()
    : m_square(kGrid * kGrid), m_sphere(kGrid * kGrid), m_directions(kGrid * kGrid), m_colors(kGrid * kGrid) {
    SH::GenerateSamples2D_Stratified(m_square.data(), kGrid);
    SH::Project2Sphere(m_sphere.data(), m_square.data(), kGrid * kGrid);
    for (size_t i = 0; i < m_sphere.size(); ++i) m_directions[i] = m_sphere[i].vDir;
    for (Math::Vector3f& a : m_axes) a = Math::Vector3f(1.0f, 1.0f, 1.0f);
}

void SkyIrradiance::update(const Math::Vector4f& sun, float altitude) {
    for (Math::Vector3f& a : m_axes) a = Math::Vector3f(1.0f, 1.0f, 1.0f);
    if (!enviro::sky) return;
    enviro::sky->getSkyColorArray(m_directions.data(), int(m_directions.size()), sun, altitude, m_colors.data());
    float basis[SH::kCoeffs];
    Math::Vector3f irradiance[6];
    for (int c = 0; c < 3; ++c) {
        SH::MonoCoeffList coeffs;
        SH::Spherical2SH(Channel(m_sphere, m_colors, c), m_sphere.data(), int(m_sphere.size()), coeffs);
        float mean = 0.0f;
        for (int a = 0; a < 6; ++a) {
            SH::EvalBasis(kAxes[a], basis);
            float e = 0.0f;
            for (int i = 0; i < SH::kCoeffs; ++i) e += kLobe[i < 1 ? 0 : i < 4 ? 1 : i < 9 ? 2 : 3] * coeffs[i] * basis[i];
            irradiance[a][c] = e > 0.0f ? e : 0.0f;
            mean += irradiance[a][c] / 6.0f;
        }
        if (!(mean > 0.0f)) continue;
        for (int a = 0; a < 6; ++a) m_axes[a][c] = irradiance[a][c] / mean;
    }
}

}  // namespace glhost
