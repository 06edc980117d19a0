#pragma once
// Evaluation of a sun or planet perturbation series (tables in SeriesTables.h).
#include "enviro/astro/SeriesTables.h"
#include "enviro/astro/Vec3D.h"

namespace Astro {

// Ecliptic longitude L (radians, [0, 2π)), latitude B (radians) and distance R (AU) of the series
// at T (Julian centuries since J2000), in the series' own frame.
PolarAngles evaluatePerturbationSeries(const series::PerturbationSeries& s, double tCenturies);

// Cosines and sines of the multiples −kMax..kMax of one angle, built from its first multiple by
// repeated addAngles. The first multiple may carry an amplitude factor f (given as f·cos, f·sin);
// multiple k then carries f^|k|.
template <int kMax>
class AngleMultiples {
public:
    // Fills the multiples lo..hi (lo ≤ −1, hi ≥ 1, both within ±kMax) from the first multiple's
    // cosine and sine.
    void fill(double cos1, double sin1, int lo, int hi);
    double cosOf(int k) const { return m_c[k + kMax]; }
    double sinOf(int k) const { return m_s[k + kMax]; }

private:
    double m_c[2 * kMax + 1];
    double m_s[2 * kMax + 1];
};

template <int kMax>
void AngleMultiples<kMax>::fill(double cos1, double sin1, int lo, int hi) {
    double* c = m_c + kMax;
    double* s = m_s + kMax;
    c[0] = 1.0;
    s[0] = 0.0;
    c[1] = cos1;
    s[1] = sin1;
    c[-1] = c[1];
    s[-1] = -s[1];
    for (int k = 2; k <= hi; ++k) addAngles(c[k - 1], s[k - 1], c[1], s[1], c[k], s[k]);
    for (int k = -2; k >= lo; --k) addAngles(c[k + 1], s[k + 1], c[-1], s[-1], c[k], s[k]);
}

}  // namespace Astro
