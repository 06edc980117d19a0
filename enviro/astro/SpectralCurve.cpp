// Sampled spectral curves with linear interpolation.
#include "enviro/astro/SpectralCurve.h"

#include <new>

namespace Astro {

SpectralCurve::~SpectralCurve() { delete[] m_pSamples; }

SpectralCurve::SpectralCurve(const SpectralCurve& other) { *this = other; }

SpectralCurve& SpectralCurve::operator=(const SpectralCurve& other) {
    if (this == &other) return *this;
    if (allocate(other.m_nCount)) {
        for (int i = 0; i < m_nCount; ++i) m_pSamples[i] = other.m_pSamples[i];
    }
    return *this;
}

bool SpectralCurve::allocate(int n) {
    delete[] m_pSamples;
    m_pSamples = nullptr;
    m_nCount = 0;
    if (n <= 0) return false;
    m_pSamples = new (std::nothrow) Sample[n];
    if (!m_pSamples) return false;
    m_nCount = n;
    return true;
}

void SpectralCurve::setSample(int index, double wavelength, double amplitude) {
    if (index < 0 || index >= m_nCount) return;
    m_pSamples[index] = Sample{wavelength, amplitude};
}

double SpectralCurve::wavelength(int index) const {
    return (index >= 0 && index < m_nCount) ? m_pSamples[index].dWavelength : 0.0;
}

double SpectralCurve::amplitude(int index) const {
    return (index >= 0 && index < m_nCount) ? m_pSamples[index].dAmplitude : 0.0;
}

double SpectralCurve::value(double lambda) const {
    if (m_nCount == 0) return 0.0;
    int above = 0;
    while (above < m_nCount && !(m_pSamples[above].dWavelength > lambda)) ++above;
    if (above == 0) return m_pSamples[0].dAmplitude;
    if (above == m_nCount) return m_pSamples[m_nCount - 1].dAmplitude;
    // samples[above - 1].wavelength <= lambda < samples[above].wavelength: the span is positive.
    const Sample& lo = m_pSamples[above - 1];
    const Sample& hi = m_pSamples[above];
    double t = (lambda - lo.dWavelength) / (hi.dWavelength - lo.dWavelength);
    return lo.dAmplitude + t * (hi.dAmplitude - lo.dAmplitude);
}

SampledCurve::SampledCurve(const double* wavelengths, const double* amplitudes, int n) {
    if (!wavelengths || !amplitudes || !allocate(n)) return;
    for (int i = 0; i < n; ++i) setSample(i, wavelengths[i], amplitudes[i]);
}

UniformCurve::UniformCurve(double lambdaMin, double lambdaMax, const double* amplitudes, int n) {
    if (!amplitudes || !allocate(n)) return;
    double step = n > 1 ? (lambdaMax - lambdaMin) / (n - 1) : 0.0;
    for (int i = 0; i < n; ++i) setSample(i, lambdaMin + step * i, amplitudes[i]);
}

}  // namespace Astro
