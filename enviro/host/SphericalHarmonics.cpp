#include "enviro/host/SphericalHarmonics.h"

#include <cmath>

namespace SH {

namespace {

constexpr double kPi = 3.14159265358979323846;

// SplitMix64: a small, fast generator with a fixed seed, so that sample sets are reproducible.
class JitterSource {
public:
    explicit JitterSource(uint64_t seed) : m_state(seed) {}
    // Uniform in [0, 1) with 53 random bits.
    double next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return double(z >> 11) * (1.0 / 9007199254740992.0);
    }

private:
    uint64_t m_state;
};

// A float inside the cell [cell/n, (cell+1)/n) of the unit interval, jitter in [0, 1).
float cellCoordinate(int cell, int n, double jitter) {
    const float lower = float(double(cell) / n);
    const float upper = float(double(cell + 1) / n);
    float c = float((cell + jitter) / n);
    if (c >= upper) c = std::nextafter(upper, 0.0f);
    if (c < lower) c = lower;
    return c;
}

float clampUnit(float t) {
    if (!(t > 0.0f)) return 0.0f;  // NaN too
    return t < 1.0f ? t : 1.0f;
}

// Associated Legendre function P_l^m(x), 0 <= m <= l, without the Condon-Shortley phase.
double legendre(int l, int m, double x) {
    double pmm = 1.0;
    if (m > 0) {
        const double sinTheta = std::sqrt((1.0 - x) * (1.0 + x));
        double odd = 1.0;
        for (int i = 1; i <= m; ++i) {
            pmm *= odd * sinTheta;
            odd += 2.0;
        }
    }
    if (l == m) return pmm;
    double pmm1 = x * (2.0 * m + 1.0) * pmm;
    if (l == m + 1) return pmm1;
    double pll = 0.0;
    for (int ll = m + 2; ll <= l; ++ll) {
        pll = ((2.0 * ll - 1.0) * x * pmm1 - (ll + m - 1.0) * pmm) / (ll - m);
        pmm = pmm1;
        pmm1 = pll;
    }
    return pll;
}

double factorial(int n) {
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// Normalisation K_l^m of the orthonormal basis.
double normalisation(int l, int m) {
    return std::sqrt((2.0 * l + 1.0) / (4.0 * kPi) * factorial(l - m) / factorial(l + m));
}

void evalBasisAngles(double cosTheta, double phi, float* out) {
    for (int l = 0; l < kBands; ++l) {
        out[l * (l + 1)] = float(normalisation(l, 0) * legendre(l, 0, cosTheta));
        for (int m = 1; m <= l; ++m) {
            const double common = std::sqrt(2.0) * normalisation(l, m) * legendre(l, m, cosTheta);
            out[l * (l + 1) + m] = float(common * std::cos(m * phi));
            out[l * (l + 1) - m] = float(common * std::sin(m * phi));
        }
    }
}

}  // namespace

Math::Vector<3, float> SphericalFunction::getColor(const SampleSphere& sample) const {
    const float v = getValue(sample);
    return Math::Vector<3, float>(v, v, v);
}

bool GenerateSamples2D_Stratified(Sample2D* out, int n) {
    if (!out || n < 1 || n > 4096) return false;
    JitterSource jitter(0x5EEDC0FFEEull);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            Sample2D& s = out[i * n + j];
            s.u = cellCoordinate(i, n, jitter.next());
            s.v = cellCoordinate(j, n, jitter.next());
        }
    }
    return true;
}

bool Project2Sphere(SampleSphere* out, const Sample2D* in, int count) {
    if (!out || !in || count < 1) return false;
    const float solidAngle = float(4.0 * kPi / count);
    for (int i = 0; i < count; ++i) {
        const double cosTheta = 1.0 - 2.0 * clampUnit(in[i].u);
        const double theta = std::acos(cosTheta);
        const double phi = 2.0 * kPi * clampUnit(in[i].v);
        const double sinTheta = std::sin(theta);
        SampleSphere& s = out[i];
        s.fTheta = float(theta);
        s.fPhi = float(phi);
        s.vDir = Math::Vector<3, float>(float(sinTheta * std::cos(phi)), float(sinTheta * std::sin(phi)),
                                        float(cosTheta));
        evalBasisAngles(cosTheta, phi, s.afBasis);
        s.fSolidAngle = solidAngle;
    }
    return true;
}

bool Spherical2SH(const SphericalFunction& f, const SampleSphere* samples, int count, MonoCoeffList& out) {
    if (!samples || count < 1) return false;
    double sum[kCoeffs] = {};
    for (int s = 0; s < count; ++s) {
        const double weighted = double(f.getValue(samples[s])) * samples[s].fSolidAngle;
        for (int i = 0; i < kCoeffs; ++i) sum[i] += weighted * samples[s].afBasis[i];
    }
    for (int i = 0; i < kCoeffs; ++i) out[i] = float(sum[i]);
    return true;
}

void EvalBasis(const Math::Vector<3, float>& dir, float* out) {
    if (!out) return;
    double z = dir.z;
    if (!(z == z)) z = 1.0;  // NaN: the pole
    if (z > 1.0) z = 1.0;
    if (z < -1.0) z = -1.0;
    const double phi = std::atan2(double(dir.y), double(dir.x));
    evalBasisAngles(z, phi == phi ? phi : 0.0, out);
}

}  // namespace SH
