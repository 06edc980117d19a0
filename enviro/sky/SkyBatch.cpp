// Batch evaluation of the sky model: the sun-dependent part once, then the per-direction part four
// directions at a time in vector lanes (the same operations as the one-direction calls, so the same
// bits), the remainder one by one.
#include <cstring>

#include "enviro/sky/Sky.h"
#include "enviro/sky/SkyKernel.h"

namespace enviro {

namespace {

using detail::Float4;
using detail::Uint4;
constexpr int kLanes = 4;

// Lane i of the result is lane i0..i3 of the eight lanes of a followed by b (the two compilers
// spell the two-vector shuffle differently).
#if defined(__clang__)
#define ENVIRO_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shufflevector(a, b, i0, i1, i2, i3)
#else
#define ENVIRO_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shuffle(a, b, Uint4{i0, i1, i2, i3})
#endif

struct Lanes {
    Float4 a, b, c;
};

// The components of four consecutive vectors (12 floats: x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3),
// regrouped by component, and back.
Lanes load(const Math::Vector<3, float>* v) {
    static_assert(sizeof(Math::Vector<3, float>) == 12, "vectors are packed floats");
    Float4 m0, m1, m2;
    std::memcpy(&m0, &v[0], 16);
    std::memcpy(&m1, reinterpret_cast<const char*>(v) + 16, 16);
    std::memcpy(&m2, reinterpret_cast<const char*>(v) + 32, 16);
    const Float4 x = ENVIRO_SHUFFLE(ENVIRO_SHUFFLE(m0, m1, 0, 3, 6, 0), m2, 0, 1, 2, 5);
    const Float4 y = ENVIRO_SHUFFLE(ENVIRO_SHUFFLE(m0, m1, 1, 4, 7, 0), m2, 0, 1, 2, 6);
    const Float4 z = ENVIRO_SHUFFLE(ENVIRO_SHUFFLE(m0, m1, 2, 5, 0, 0), m2, 0, 1, 4, 7);
    return Lanes{x, y, z};
}

void store(const Lanes& l, Math::Vector<3, float>* v) {
    const Float4 m0 = ENVIRO_SHUFFLE(ENVIRO_SHUFFLE(l.a, l.b, 0, 4, 0, 1), l.c, 0, 1, 4, 3);
    const Float4 m1 = ENVIRO_SHUFFLE(ENVIRO_SHUFFLE(l.a, l.b, 0, 5, 2, 6), l.c, 1, 5, 2, 3);
    const Float4 m2 = ENVIRO_SHUFFLE(ENVIRO_SHUFFLE(l.a, l.b, 0, 3, 7, 0), l.c, 6, 1, 2, 7);
    std::memcpy(&v[0], &m0, 16);
    std::memcpy(reinterpret_cast<char*>(v) + 16, &m1, 16);
    std::memcpy(reinterpret_cast<char*>(v) + 32, &m2, 16);
}

// Directions go through the stages of the model block by block: all view angles of a block, then
// all luminances, then all chromaticities. Each stage is a short chain of dependent operations, so the processor
// overlaps the chains of neighbouring groups, which it cannot do within one long chain.
constexpr int kBlockGroups = 16;

template <bool kToRgb>
void evaluateBlock(const detail::SkyTerms<Float4>& wide, const Math::Vector<3, float>* dirs, int groups,
                   Math::Vector<3, float>* out) {
    detail::MaskOf<Float4> below[kBlockGroups];
    Float4 flatDy[kBlockGroups], gamma[kBlockGroups];
    for (int g = 0; g < groups; ++g) {
        const Lanes d = load(dirs + g * kLanes);
        detail::viewAngleLanes(wide, d.a, d.b, d.c, below[g], flatDy[g], gamma[g]);
    }
    Float4 lum[kBlockGroups];
    for (int g = 0; g < groups; ++g) lum[g] = detail::skyLuminanceLanes(wide, below[g], flatDy[g], gamma[g]);
    for (int g = 0; g < groups; ++g) {
        Lanes r;
        detail::skyChromaLanes(wide, flatDy[g], gamma[g], lum[g], r.a, r.b, r.c);
        if (kToRgb) detail::yxyToRgbLanes(r.a, r.b, r.c, r.a, r.b, r.c);
        store(r, out + g * kLanes);
    }
}

template <bool kToRgb>
void evaluate(const detail::SkyTerms<float>& terms, const Math::Vector<3, float>* dirs, int count,
              Math::Vector<3, float>* out) {
    const detail::SkyTerms<Float4> wide = detail::splatTerms<Float4>(terms);
    const int groups = count / kLanes;
    for (int g = 0; g < groups; g += kBlockGroups) {
        const int n = groups - g < kBlockGroups ? groups - g : kBlockGroups;
        evaluateBlock<kToRgb>(wide, dirs + g * kLanes, n, out + g * kLanes);
    }
    for (int i = groups * kLanes; i < count; ++i) {
        float x, y, lum;
        detail::skyDirectionLanes(terms, dirs[i].x, dirs[i].y, dirs[i].z, x, y, lum);
        if (kToRgb) detail::yxyToRgbLanes(x, y, lum, x, y, lum);
        out[i] = Math::Vector<3, float>(x, y, lum);
    }
}

}  // namespace

bool Sky::getSkyYxyArray(const Math::Vector<3, float>* dirs, int count, const Math::Vector<4, float>& sun,
                         float altitude, Math::Vector<3, float>* out) {
    if (count < 0 || (count > 0 && (!dirs || !out))) return false;
    if (count == 0) return true;
    Math::Vector<3, float> s;
    computeSunTerms(sun, altitude, &s);
    evaluate<false>(detail::skyTermsOf(*this, s.x, s.y, s.z), dirs, count, out);
    return true;
}

bool Sky::getSkyColorArray(const Math::Vector<3, float>* dirs, int count, const Math::Vector<4, float>& sun,
                           float altitude, Math::Vector<3, float>* out) {
    if (count < 0 || (count > 0 && (!dirs || !out))) return false;
    if (count == 0) return true;
    Math::Vector<3, float> s;
    computeSunTerms(sun, altitude, &s);
    evaluate<true>(detail::skyTermsOf(*this, s.x, s.y, s.z), dirs, count, out);
    return true;
}

}  // namespace enviro
