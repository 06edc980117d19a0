#pragma once
// The per-direction part of the sky model, written once for a scalar and for four lanes (see
// SkyLaneMath.h): the one-direction calls run it on floats, the batch calls on Float4, and both
// produce the same bits.
#include "enviro/sky/SkyLaneMath.h"

namespace enviro {
class Sky;

namespace detail {

// What the per-direction part reads: the sun's unit vector and the coefficient block.
template <class F>
struct SkyTerms {
    F sunX, sunY, sunZ;
    F perezY[5], perezCx[5], perezCy[5];
    F normLum, normCx, normCy, lumAngleScale;
};

// The terms of sky's coefficient block with the sun's unit direction (sunX, sunY, sunZ).
SkyTerms<float> skyTermsOf(const Sky& sky, float sunX, float sunY, float sunZ);

// The same terms in every lane of F.
template <class F>
inline SkyTerms<F> splatTerms(const SkyTerms<float>& t) {
    SkyTerms<F> v;
    v.sunX = splat<F>(t.sunX);
    v.sunY = splat<F>(t.sunY);
    v.sunZ = splat<F>(t.sunZ);
    for (int i = 0; i < 5; ++i) {
        v.perezY[i] = splat<F>(t.perezY[i]);
        v.perezCx[i] = splat<F>(t.perezCx[i]);
        v.perezCy[i] = splat<F>(t.perezCy[i]);
    }
    v.normLum = splat<F>(t.normLum);
    v.normCx = splat<F>(t.normCx);
    v.normCy = splat<F>(t.normCy);
    v.lumAngleScale = splat<F>(t.lumAngleScale);
    return v;
}

// (1 + A e^(B / cosTheta)) (1 + C e^(D gamma) + E cosGamma^2) with cosGamma = cos gamma given, so
// that distributions at the same angle share it; 0 / 0 in the first exponent is taken as 0 and a
// NaN result as 0.
template <class F>
inline F perezCosLanes(const F* c, F cosTheta, F gamma, F cosGamma) {
    F q = c[1] / cosTheta;
    q = select(q != q, splat<F>(0.0f), q);
    const F r = (1.0f + c[0] * expLanes(q)) * (1.0f + c[2] * expLanes(c[3] * gamma) + c[4] * cosGamma * cosGamma);
    return select(r != r, splat<F>(0.0f), r);
}

// The Perez distribution with coefficients c[0..4] = A..E.
template <class F>
inline F perezLanes(const F* c, F cosTheta, F gamma) {
    return perezCosLanes(c, cosTheta, gamma, cosLanes(gamma));
}

// Lane mask of F: bool for a float, an integer vector for Float4.
template <class F>
using MaskOf = decltype(F() < 0.0f);

// First stage of a direction: whether it points below the horizon, its y once flattened onto the
// horizon and normalised, and its angle to the sun (acos of the dot product; rounding can take the
// dot product of two unit vectors just past 1, which acosLanes treats as 1).
// A non-finite component makes the angle NaN, which the second stage turns into (0, 0, 0).
template <class F>
inline void viewAngleLanes(const SkyTerms<F>& t, F dx, F dy, F dz, MaskOf<F>& below, F& outDy, F& outGamma) {
    const F zero = splat<F>(0.0f);
    below = dy < 0.0f;
    dy = select(below, zero, dy);
    F len = sqrtLanes(dx * dx + dy * dy + dz * dz);
    len = select(len > 0.0f, len, splat<F>(1.0f));  // a zero vector stays as it is (x / 1 = x)
    dx = dx / len;
    dy = dy / len;
    dz = dz / len;
    outDy = dy;
    outGamma = acosLanes(dx * t.sunX + dy * t.sunY + dz * t.sunZ);
}

// Second stage, luminance: Y from the first stage's results (below the horizon 8 percent).
template <class F>
inline F skyLuminanceLanes(const SkyTerms<F>& t, MaskOf<F> below, F dy, F gamma) {
    const F lum = perezLanes(t.perezY, t.lumAngleScale * dy, 0.3f * gamma) * t.normLum;
    return select(below, lum * 0.08f, lum);
}

// Second stage, chromaticity: x and y from the first stage's results, completing (x, y, Y).
// Distributions that overflow (only possible with extreme multipliers) give (0, 0, 0).
template <class F>
inline void skyChromaLanes(const SkyTerms<F>& t, F dy, F gamma, F lum, F& outX, F& outY, F& outLum) {
    const F cosGamma = cosLanes(gamma);
    const F x = perezCosLanes(t.perezCx, dy, gamma, cosGamma) * t.normCx;
    const F y = perezCosLanes(t.perezCy, dy, gamma, cosGamma) * t.normCy;
    // One test for the three: a sum is finite when its terms are (or, at worst, when finite terms
    // near the float limit overflow together, which is treated as an overflow too).
    const auto ok = finiteLanes(x + y + lum);
    const F zero = splat<F>(0.0f);
    outX = select(ok, x, zero);
    outY = select(ok, y, zero);
    outLum = select(ok, lum, zero);
}

// (x, y, Y) of the sky in the direction (dx, dy, dz), unnormalised and as the caller gave it.
template <class F>
inline void skyDirectionLanes(const SkyTerms<F>& t, F dx, F dy, F dz, F& outX, F& outY, F& outLum) {
    MaskOf<F> below;
    F flatDy, gamma;
    viewAngleLanes(t, dx, dy, dz, below, flatDy, gamma);
    skyChromaLanes(t, flatDy, gamma, skyLuminanceLanes(t, below, flatDy, gamma), outX, outY, outLum);
}

// CIE x, y, Y to linear Rec. 709 RGB (D65). A value without colour (y = 0) or an overflowing one is
// black.
template <class F>
inline void yxyToRgbLanes(F x, F y, F lum, F& outR, F& outG, F& outB) {
    const F X = (x / y) * lum;
    const F Z = ((1.0f - x - y) / y) * lum;
    const F r = 3.240479f * X - 1.53715f * lum - 0.498535f * Z;
    const F g = -0.969256f * X + 1.875992f * lum + 0.0415556f * Z;
    const F b = 0.055648f * X - 0.204043f * lum + 1.057311f * Z;
    const auto ok = finiteLanes(r + g + b);
    const F zero = splat<F>(0.0f);
    outR = select(ok, r, zero);
    outG = select(ok, g, zero);
    outB = select(ok, b, zero);
}

}  // namespace detail
}  // namespace enviro
