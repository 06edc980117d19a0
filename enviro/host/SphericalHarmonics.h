#pragma once
// Rendering library: spherical-harmonic projection of functions on the unit sphere.
//
// Monte Carlo projection onto the real spherical-harmonic basis with 4 bands (16 coefficients):
//   1. GenerateSamples2D_Stratified: jittered samples on a regular n x n grid of the unit square;
//   2. Project2Sphere: their area-preserving map onto the sphere, with the basis values at each sample;
//   3. Spherical2SH: c_i = sum over samples of f(s) * y_i(s) * (solid angle of s).
//
// Conventions: a direction with polar angle theta (from +z) and azimuth phi (from +x towards +y) is
// (sin theta cos phi, sin theta sin phi, cos theta). Coefficient i = l * (l + 1) + m for band l and
// order m = -l..l. The basis is the orthonormal real one:
//   y_l^m = sqrt(2) K_l^m cos(m phi) P_l^m(cos theta)      for m > 0,
//   y_l^m = sqrt(2) K_l^|m| sin(|m| phi) P_l^|m|(cos theta) for m < 0,
//   y_l^0 = K_l^0 P_l^0(cos theta),
// K_l^m = sqrt((2l + 1) / (4 pi) * (l - m)! / (l + m)!), P_l^m the associated Legendre functions
// without the Condon-Shortley phase (so y_1^1 = +sqrt(3 / (4 pi)) x).
#include <cstdint>

#include "enviro/host/MathVector.h"

namespace SH {

constexpr int kBands = 4;
constexpr int kCoeffs = kBands * kBands;

// One sample of the unit square, both coordinates in [0, 1). 8 bytes.
struct Sample2D {
    float u;  // becomes the polar angle: cos theta = 1 - 2u
    float v;  // becomes the azimuth: phi = 2 pi v
};

// One sample of the unit sphere. 88 bytes.
struct SampleSphere {
    float fTheta;                 // polar angle from +z, radians, [0, pi]   (offset 0)
    float fPhi;                   // azimuth from +x towards +y, radians, [0, 2 pi)  (offset 4)
    Math::Vector<3, float> vDir;  // unit direction  (offset 8)
    float afBasis[kCoeffs];       // y_i at vDir, i = l(l+1)+m  (offset 20)
    float fSolidAngle;            // steradians this sample stands for: 4 pi / sample count  (offset 84)
};

// The 16 projection coefficients of one scalar function. 64 bytes.
struct MonoCoeffList {
    float afCoeffs[kCoeffs];
    float& operator[](int i) { return afCoeffs[i]; }
    const float& operator[](int i) const { return afCoeffs[i]; }
};

static_assert(sizeof(Sample2D) == 8, "Sample2D is two floats");
static_assert(sizeof(SampleSphere) == 88, "SampleSphere is 22 floats");
static_assert(sizeof(MonoCoeffList) == 64, "MonoCoeffList is 16 floats");

// A function on the unit sphere, evaluated at projection samples.
class SphericalFunction {
public:
    virtual ~SphericalFunction() = default;
    // Scalar value at one sample (what Spherical2SH projects).
    virtual float getValue(const SampleSphere& sample) const = 0;
    // Colour value at one sample; by default the scalar value in all three channels.
    virtual Math::Vector<3, float> getColor(const SampleSphere& sample) const;
};

// Fills out[0 .. n*n-1] with one uniformly jittered sample in each cell of an n x n grid of the
// unit square: out[i*n + j] lies in [i/n, (i+1)/n) x [j/n, (j+1)/n). The jitter comes from a
// fixed-seed generator, so equal calls give equal samples. Returns false (writing nothing) when
// out is null or n is not in 1..4096.
bool GenerateSamples2D_Stratified(Sample2D* out, int n);

// Maps count square samples onto the sphere (cos theta = 1 - 2u, phi = 2 pi v, which carries a
// uniform density on the square to a uniform density on the sphere), evaluates the basis there and
// gives each sample the solid angle 4 pi / count. Returns false (writing nothing) when a pointer is
// null or count is not positive. Coordinates outside [0, 1] are clamped.
bool Project2Sphere(SampleSphere* out, const Sample2D* in, int count);

// Projects f onto the basis: out[i] = sum_s f.getValue(s) * s.afBasis[i] * s.fSolidAngle over the
// count samples (accumulated in double precision), overwriting out. Returns false (leaving out as it
// was) when samples is null or count is not positive.
bool Spherical2SH(const SphericalFunction& f, const SampleSphere* samples, int count, MonoCoeffList& out);

// The 16 basis values at the unit direction (x, y, z), written to out[0..15] (nothing when out is
// null). Only z and the azimuth of (x, y) are used; NaN components count as the +z pole.
void EvalBasis(const Math::Vector<3, float>& dir, float* out);

}  // namespace SH
