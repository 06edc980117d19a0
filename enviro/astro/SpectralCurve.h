#pragma once
// Spectral curves: amplitudes sampled at ascending wavelengths (nm), evaluated by linear
// interpolation with constant extrapolation beyond both ends.
//
// Storage: one heap array of (wavelength, amplitude) pairs, 16 bytes per sample. Allocation
// uses std::nothrow; when it fails the curve is empty (count 0) and evaluates to 0.

namespace Astro {

class SpectralCurve {
public:
    virtual ~SpectralCurve();
    SpectralCurve(const SpectralCurve& other);
    SpectralCurve& operator=(const SpectralCurve& other);

    // Amplitude at lambda (nm): 0 for an empty curve; the first amplitude up to the first
    // sample's wavelength, the last amplitude from the last sample's wavelength on (NaN too);
    // between samples linear interpolation between the sample below and the first sample
    // above lambda (found by a linear scan). Exactly at a sample the result is its amplitude.
    double value(double lambda) const;
    int count() const { return m_nCount; }
    double wavelength(int index) const;  // nm; 0 out of range
    double amplitude(int index) const;   // 0 out of range

protected:
    SpectralCurve() = default;
    // Reserves n samples (n <= 0 or a failed allocation leaves the curve empty); returns
    // whether the storage exists. The caller then fills every sample with setSample.
    bool allocate(int n);
    void setSample(int index, double wavelength, double amplitude);

private:
    struct Sample {
        double dWavelength;  // nm
        double dAmplitude;
    };
    Sample* m_pSamples = nullptr;
    int m_nCount = 0;
};

// A curve with samples at irregular wavelengths, given in ascending order. Null arrays or
// n <= 0 give an empty curve.
class SampledCurve : public SpectralCurve {
public:
    SampledCurve(const double* wavelengths, const double* amplitudes, int n);
};

// A curve of n amplitudes spread evenly from lambdaMin to lambdaMax (nm), step
// (lambdaMax - lambdaMin) / (n - 1); a single amplitude sits at lambdaMin. A null array or
// n <= 0 gives an empty curve.
class UniformCurve : public SpectralCurve {
public:
    UniformCurve(double lambdaMin, double lambdaMax, const double* amplitudes, int n);
};

}  // namespace Astro
