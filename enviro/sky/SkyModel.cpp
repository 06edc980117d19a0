// The one-direction evaluation of the sky model: the sun-dependent coefficient block, then the
// per-direction distributions.
#include <cmath>

#include "enviro/sky/Sky.h"
#include "enviro/sky/SkyKernel.h"

namespace enviro {

namespace {

// num / den when that is finite, else 0 (a distribution that vanishes at the zenith has no scale).
float finiteRatio(float num, float den) {
    const float r = num / den;
    return (r - r) == 0.0f ? r : 0.0f;
}

bool isFinite4(const Math::Vector<4, float>& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

}  // namespace

namespace detail {

SkyTerms<float> skyTermsOf(const Sky& sky, float sunX, float sunY, float sunZ) {
    SkyTerms<float> t;
    t.sunX = sunX;
    t.sunY = sunY;
    t.sunZ = sunZ;
    for (int i = 0; i < 5; ++i) {
        t.perezY[i] = sky.m_aPerezY[i];
        t.perezCx[i] = sky.m_aPerezCx[i];
        t.perezCy[i] = sky.m_aPerezCy[i];
    }
    t.normLum = sky.m_fNormLum;
    t.normCx = sky.m_fNormCx;
    t.normCy = sky.m_fNormCy;
    t.lumAngleScale = sky.m_fLumAngleScale;
    return t;
}

}  // namespace detail

float Sky::getRadiance(float A, float B, float C, float D, float E, float cosTheta, float gamma) {
    const float c[5] = {A, B, C, D, E};
    return detail::perezLanes(c, cosTheta, gamma);
}

void Sky::blendMultipliers(float elevation, float* m) const {
    if (!(elevation < 80.0f)) {
        for (int c = 1; c < kTableColumns; ++c) m[c] = m_aSkyTable[0][c];
        return;
    }
    if (elevation <= -35.0f) {
        for (int c = 1; c < kTableColumns; ++c) m[c] = m_aSkyTable[kTableRows - 1][c];
        return;
    }
    // Rows 5 degrees apart from -35 (row 23) up; t counts 5-degree steps above -35. Rounding can
    // take t to 23 just below 80 degrees: the index is kept on the table and f follows it.
    const float t = (elevation + 35.0f) * 0.2f;
    int step = int(std::floor(t));
    if (step > kTableRows - 2) step = kTableRows - 2;
    if (step < 0) step = 0;
    const float f = t - float(step);
    const float* lower = m_aSkyTable[kTableRows - 1 - step];
    const float* upper = m_aSkyTable[kTableRows - 2 - step];
    for (int c = 1; c < kTableColumns; ++c) m[c] = lower[c] * (1.0f - f) + upper[c] * f;
}

void Sky::computeSunTerms(const Math::Vector<4, float>& sun, float altitude, Math::Vector<3, float>* sunDir) {
    Math::Vector<4, float> s = isFinite4(sun) ? sun : Math::Vector<4, float>(0.0f, 0.0f, 0.0f, 0.0f);
    const float sunLength = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z + s.w * s.w);
    if (sunLength > 0.0f) {
        s.x /= sunLength;
        s.y /= sunLength;
        s.z /= sunLength;
        s.w /= sunLength;
    }
    const float sunHorizontal = std::sqrt(s.x * s.x + s.z * s.z);

    float m[kTableColumns];
    blendMultipliers(std::asin(s.y) * 57.2957763671875f, m);

    // Sun zenith angle, night factor.
    float cos2 = 1.0f - s.y * s.y;
    if (cos2 < 0.0f) cos2 = 0.0f;
    float thetaS = std::atan2(std::sqrt(cos2), s.y);
    float night = 1.0f;
    if (s.y < 0.0f) {
        thetaS = 1.5707963705062866f;
        night = 1.0f + 4.0f * s.y;
        if (!(night > 0.0f)) night = 0.0f;
    }

    // Zenith luminance at turbidity 2, scaled, limited, dimmed with altitude.
    const float chi = 0.42777777f * (3.14159265f - 2.0f * thetaS);
    const float zenithLum = 3.1196f * std::tan(chi) - 0.431f + 2.4192f;
    float lum1 = zenithLum * night * 0.095f;
    if (lum1 > 0.49f) lum1 = 0.49f;
    float a = altitude;
    if (!(a > 0.0f)) a = 0.0f;
    if (a > 35000.0f) a = 35000.0f;
    const float h = a * 2.0e-5f;
    float lum2 = float(lum1 * std::pow(1.0 - double(h), 3.0));
    if (lum2 < 0.0f) lum2 = 0.0f;

    m_aPerezY[0] = float(-0.55 * (1.0 + 2.51 * std::log(1.0 + double(h)) - std::pow(double(h), 2.21)));
    m_aPerezY[1] = -0.121f * m[12];
    m_aPerezY[2] = 1.7f * m[13];
    m_aPerezY[3] = -22.0f * m[14];
    m_aPerezY[4] = 0.1f * m[15];
    m_fNormLum = finiteRatio(lum2, detail::perezLanes(m_aPerezY, 1.0f, thetaS));

    m_aPerezCx[0] = -0.2978f * m[1];
    m_aPerezCx[1] = -0.1322f * m[2];
    m_aPerezCx[2] = 0.2117f * m[3];
    m_aPerezCx[3] = -1.0271f * m[4];
    m_aPerezCx[4] = 0.0386f * m[5];
    m_aPerezCy[0] = -0.2942f * m[6];
    m_aPerezCy[1] = -0.1808f * m[7];
    m_aPerezCy[2] = 0.1944f * m[8];
    m_aPerezCy[3] = -1.7419f * m[9];
    m_aPerezCy[4] = 0.0311f * m[10];

    // Zenith chromaticity at turbidity 2 (cubics in the sun's zenith angle).
    const float zenithX = (((0.06551f * thetaS - 0.09942f) * thetaS + 0.00484f) * thetaS + 0.26674f) * m[16];
    const float zenithY = (((0.08018f * thetaS - 0.11256f) * thetaS - 0.00368f) * thetaS + 0.2772f) *
                          (1.0f - 0.05f * (sunHorizontal * sunHorizontal * sunHorizontal)) * m[17];
    m_fNormCx = finiteRatio(zenithX, detail::perezLanes(m_aPerezCx, 1.0f, thetaS));
    m_fNormCy = finiteRatio(zenithY, detail::perezLanes(m_aPerezCy, 1.0f, thetaS));
    m_fLumAngleScale = 0.3f;

    *sunDir = Math::Vector<3, float>(s.x, s.y, s.z);
}

void Sky::getSkyYxy(Math::Vector<3, float>& dir, Math::Vector<4, float>& sun, float altitude,
                    Math::Vector<3, float>* out) {
    if (!out) return;
    Math::Vector<3, float> s;
    computeSunTerms(sun, altitude, &s);
    const detail::SkyTerms<float> terms = detail::skyTermsOf(*this, s.x, s.y, s.z);
    float x, y, lum;
    detail::skyDirectionLanes(terms, dir.x, dir.y, dir.z, x, y, lum);
    *out = Math::Vector<3, float>(x, y, lum);
}

void Sky::getSkyColor(Math::Vector<3, float>& dir, Math::Vector<4, float>& sun, float altitude,
                      Math::Vector<3, float>* out) {
    if (!out) return;
    Math::Vector<3, float> xyY(0.0f, 0.0f, 0.0f);
    getSkyYxy(dir, sun, altitude, &xyY);
    float r, g, b;
    detail::yxyToRgbLanes(xyY.x, xyY.y, xyY.z, r, g, b);
    *out = Math::Vector<3, float>(r, g, b);
}

}  // namespace enviro
