#pragma once
// Single-precision exp, cos and acos for the sky model, written once for a scalar float and for a
// 4-lane float vector. Both forms perform the same IEEE operations in the same order, so a value
// computed in a lane of the vector form has exactly the bits of the scalar form: this is what lets
// the batch evaluation of the sky match the one-direction calls bit for bit. Branches are selects,
// constants are float literals (a double literal would promote the scalar form to double). The
// equality also needs multiply-adds to stay unfused, as they are on the project's x86-64 baseline
// (no FMA); a build that enables FMA should compile the sky with -ffp-contract=off.
//
// Accuracy (measured by the tests against double-precision references):
//   expLanes: within 2 ulp for x in [-86.64, 88.72]; +inf above, 0 below (results under 2^-125
//             are flushed to 0);
//   cosLanes: within 2e-7 absolute for |x| <= 8192 (arguments beyond count as 0);
//   acosLanes: within 3.5e-7 absolute (1.5 ulp at pi) on [-1, 1].
// NaN arguments give NaN.
#include <cstdint>
#include <cstring>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace enviro {
namespace detail {

typedef float Float4 __attribute__((vector_size(16)));
typedef uint32_t Uint4 __attribute__((vector_size(16)));

template <class F>
struct LaneBits;
template <>
struct LaneBits<float> {
    using Type = uint32_t;
};
template <>
struct LaneBits<Float4> {
    using Type = Uint4;
};

template <class F>
inline F splat(float v);
template <>
inline float splat<float>(float v) {
    return v;
}
template <>
inline Float4 splat<Float4>(float v) {
    return Float4{v, v, v, v};
}

inline uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}
inline Uint4 bitsOf(Float4 f) { return reinterpret_cast<Uint4>(f); }
inline float floatOf(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
inline Float4 floatOf(Uint4 u) { return reinterpret_cast<Float4>(u); }

inline float sqrtLanes(float x) { return std::sqrt(x); }
inline Float4 sqrtLanes(Float4 x) {
#if defined(__SSE2__)
    return reinterpret_cast<Float4>(_mm_sqrt_ps(reinterpret_cast<__m128>(x)));
#else
    return Float4{std::sqrt(x[0]), std::sqrt(x[1]), std::sqrt(x[2]), std::sqrt(x[3])};
#endif
}

// Lane-wise m ? a : b, where m is the result of a comparison (bool or a lane mask).
template <class M, class T>
inline T select(M m, T a, T b) {
    return m ? a : b;
}

template <class F>
inline F absLanes(F x) {
    return floatOf(bitsOf(x) & 0x7FFFFFFFu);
}

// Lanes holding a finite value (x - x is 0 exactly then, NaN otherwise).
template <class F>
inline auto finiteLanes(F x) {
    return (x - x) == 0.0f;
}

// Adding 1.5 * 2^23 rounds a float of magnitude below 2^22 to an integer; the low mantissa bits of
// the sum then hold that integer.
constexpr float kRoundMagic = 12582912.0f;

// e^x.
template <class F>
inline F expLanes(F x) {
    using U = typename LaneBits<F>::Type;
    const float kHi = 88.72283172607421875f;  // largest float whose exp is finite
    const float kLo = -86.6433525f;            // results below 2^-125 are flushed to 0
    F xc = select(kHi < x, splat<F>(kHi), x);
    xc = select(xc < kLo, splat<F>(kLo), xc);
    // x = n ln2 + r, |r| <= ln2 / 2; ln2 split so that n * 0.693359375 is exact.
    const F v = xc * 1.44269504088896341f + kRoundMagic;
    const F n = v - kRoundMagic;
    const U ni = bitsOf(v) - bitsOf(splat<F>(kRoundMagic));
    F r = xc - n * 0.693359375f;
    r = r - n * -2.12194440e-4f;
    const F r2 = r * r;
    const F p = (((((1.9875691500e-4f * r + 1.3981999507e-3f) * r + 8.3334519073e-3f) * r + 4.1665795894e-2f) * r +
                  1.6666665459e-1f) * r + 5.0000001201e-1f) * r2 + r + 1.0f;
    // 2^n for n in [-125, 128] as 2 * 2^(n-1), since 2^128 is not a float (both factors are exact).
    F result = (p * 2.0f) * floatOf((ni + 126u) << 23);
    result = select(kHi < x, splat<F>(INFINITY), result);
    return select(x < kLo, splat<F>(0.0f), result);  // NaN stays NaN
}

// cos x.
template <class F>
inline F cosLanes(F x) {
    using U = typename LaneBits<F>::Type;
    F ax = absLanes(x);
    ax = select(ax > 8192.0f, splat<F>(0.0f), ax);
    // m = the integer nearest ax * 2 / pi; z = ax - m * pi / 2 in [-pi/4, pi/4], pi/2 split in
    // three so that the first two products are exact.
    const F v = ax * 0.636619772367581343f + kRoundMagic;
    const F m = v - kRoundMagic;
    const U quadrant = (bitsOf(v) - bitsOf(splat<F>(kRoundMagic))) & 3u;
    const F z = ((ax - m * 1.5703125f) - m * 4.837512969970703125e-4f) - m * 7.54978995489188216e-8f;
    const F zz = z * z;
    const F cosPoly =
        ((2.443315711809948e-5f * zz - 1.388731625493765e-3f) * zz + 4.166664568298827e-2f) * zz * zz -
        0.5f * zz + 1.0f;
    const F sinPoly = ((-1.9515295891e-4f * zz + 8.3321608736e-3f) * zz - 1.6666654611e-1f) * zz * z + z;
    // Quadrant 0: cos z; 1: -sin z; 2: -cos z; 3: sin z.
    const F p = select((quadrant & 1u) != 0u, sinPoly, cosPoly);
    return select(((quadrant + 1u) & 2u) != 0u, -p, p);
}

// acos c for c in [-1, 1] (arguments just outside count as +-1). Through asin: for |c| <= 0.5
// acos c = pi/2 - asin c, above acos |c| = 2 asin sqrt((1 - |c|) / 2), which keeps full precision
// near the poles (the form atan2(sqrt(1 - c^2), c) loses it in 1 - c^2).
template <class F>
inline F acosLanes(F c) {
    const F a = absLanes(c);
    const auto big = a > 0.5f;
    F z = select(big, 0.5f * (1.0f - a), a * a);
    z = select(z < 0.0f, splat<F>(0.0f), z);
    const F s = select(big, sqrtLanes(z), a);
    // asin s on [0, 0.5]: s + s z P(z), z = s^2.
    const F p = ((((4.2163199048e-2f * z + 2.4181311049e-2f) * z + 4.5470025998e-2f) * z + 7.4953002686e-2f) * z +
                 1.6666752422e-1f) * z * s + s;
    const auto negative = c < 0.0f;
    const F twice = p + p;
    const F bigResult = select(negative, 3.14159265358979324f - twice, twice);
    const F smallResult = 1.57079632679489662f - select(negative, -p, p);
    return select(big, bigResult, smallResult);
}

}  // namespace detail
}  // namespace enviro
