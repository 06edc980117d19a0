// The solar, lunar and planetary series against independent theories (ERFA, libnova) at 300
// instants spread over 1900-2099, in the mean ecliptic and equinox of date. Each body has a
// tolerance on the largest difference and on the largest difference left after removing a
// quadratic drift in time (the series and the references drift slowly apart; a missing periodic
// term does not). The second test proves the tolerances are tight: dropping any single term of
// more than 3 arcseconds from a table makes the comparison fail.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "enviro/astro/Frames.h"
#include "enviro/astro/LunarSeries.h"
#include "enviro/astro/PlanetSeries.h"
#include "enviro/astro/SeriesEvaluator.h"
#include "enviro/astro/SolarSeries.h"
#include "tests/astro/Oracles.h"

namespace {

using namespace Astro;

constexpr int kInstants = 300;
constexpr double kFirstJD = 2415020.5;  // 1900-01-01 0h TT
constexpr double kLastJD = 2488068.5;   // 2099-12-31 0h TT
constexpr double kLargeTermArcsec = 3.0;

double instantJD(int k) { return kFirstJD + (kLastJD - kFirstJD) * (k + 0.37) / kInstants; }

struct Tolerance {
    double lonMax, lonDetrendedRms;  // arcseconds
    double latMax, latDetrendedRms;  // arcseconds
    double distMax;                  // AU or km
};

struct Comparison {
    double lonMax = 0, lonDetrendedRms = 0, latMax = 0, latDetrendedRms = 0, distMax = 0;
    bool within(const Tolerance& t) const {
        return lonMax <= t.lonMax && lonDetrendedRms <= t.lonDetrendedRms && latMax <= t.latMax &&
               latDetrendedRms <= t.latDetrendedRms && distMax <= t.distMax;
    }
    std::string describe() const {
        char text[200];
        std::snprintf(text, sizeof text, "lon max %.2f\" rms %.2f\", lat max %.2f\" rms %.2f\", dist %.3g", lonMax,
                      lonDetrendedRms, latMax, latDetrendedRms, distMax);
        return text;
    }
};

// Root mean square of the residuals of d after a least-squares fit of c0 + c1·t + c2·t².
double rmsAfterQuadraticFit(const std::vector<double>& t, const std::vector<double>& d) {
    double a[3][4] = {};
    for (size_t k = 0; k < t.size(); ++k) {
        const double p[3] = {1.0, t[k], t[k] * t[k]};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) a[i][j] += p[i] * p[j];
            a[i][3] += p[i] * d[k];
        }
    }
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            const double f = a[j][i] / a[i][i];
            for (int c = i; c < 4; ++c) a[j][c] -= f * a[i][c];
        }
    double x[3];
    for (int i = 2; i >= 0; --i) {
        double s = a[i][3];
        for (int j = i + 1; j < 3; ++j) s -= a[i][j] * x[j];
        x[i] = s / a[i][i];
    }
    double sum = 0.0;
    for (size_t k = 0; k < t.size(); ++k) {
        const double residual = d[k] - (x[0] + (x[1] + x[2] * t[k]) * t[k]);
        sum += residual * residual;
    }
    return std::sqrt(sum / static_cast<double>(t.size()));
}

using OracleFn = std::function<oracle::EclipticPlace(double jd)>;
using SeriesFn = std::function<PolarAngles(double t)>;

struct Reference {
    std::vector<double> t;
    std::vector<oracle::EclipticPlace> place;
};

Reference makeReference(const OracleFn& fn) {
    Reference r;
    for (int k = 0; k < kInstants; ++k) {
        r.t.push_back(oracle::centuriesFromJD(instantJD(k)));
        r.place.push_back(fn(instantJD(k)));
    }
    return r;
}

Comparison compare(const Reference& ref, const SeriesFn& series) {
    Comparison c;
    std::vector<double> dLon, dLat;
    for (size_t k = 0; k < ref.t.size(); ++k) {
        const PolarAngles p = series(ref.t[k]);
        dLon.push_back(oracle::angleDiffArcsec(p.phi, ref.place[k].lon));
        dLat.push_back(oracle::angleDiffArcsec(p.theta, ref.place[k].lat));
        c.lonMax = std::fmax(c.lonMax, std::fabs(dLon.back()));
        c.latMax = std::fmax(c.latMax, std::fabs(dLat.back()));
        c.distMax = std::fmax(c.distMax, std::fabs(p.r - ref.place[k].dist));
    }
    c.lonDetrendedRms = rmsAfterQuadraticFit(ref.t, dLon);
    c.latDetrendedRms = rmsAfterQuadraticFit(ref.t, dLat);
    return c;
}

// Longitude, latitude and distance of a vector of the ecliptic of date.
PolarAngles polarOf(const Vec3D& v) { return PolarAngles{v.polar(kPhi), v.polar(kTheta), v.polar(kRadius)}; }

// A sun or planet series evaluated from the given tables, in the ecliptic of date.
SeriesFn seriesFromTables(const series::PerturbationSeries& s, bool isPluto) {
    return [&s, isPluto](double t) {
        const PolarAngles p = evaluatePerturbationSeries(s, t);
        if (!isPluto) return p;
        return polarOf(precessionMatrixEcliptic(series::kPlutoFrameEpochT, t) * Vec3D(p));
    };
}

struct PerturbationBody {
    const char* name;
    const series::PerturbationSeries* tables;
    int body;  // 0 the sun, 1..9 the planets
    Tolerance tolerance;
};

// Tolerances (largest |difference|, detrended RMS; arcseconds, then distance in AU). The worst
// differences measured when the tables were published, over 1950-2050, were: Sun 2.1", Mercury
// 1.2", Venus 0.9", Mars 0.9", Jupiter 1.6", Saturn 3.3", Uranus 6.2", Neptune 17.3", Pluto 3.7".
// This span is twice as long (Pluto reaches 16" by 2099). Each limit sits 15 to 50 % above what
// the series reach here, which keeps every term above 3" visible (see the sensitivity test).
const PerturbationBody kPerturbationBodies[] = {
    {"sun", &series::kSunSeries, 0, {4.0, 0.6, 1.0, 0.3, 6e-6}},
    {"mercury", &series::kMercurySeries, 1, {3.5, 1.35, 2.5, 1.0, 5e-6}},
    {"venus", &series::kVenusSeries, 2, {2.5, 0.8, 2.0, 0.75, 5e-6}},
    {"mars", &series::kMarsSeries, 4, {3.0, 0.85, 1.5, 0.5, 2.5e-5}},
    {"jupiter", &series::kJupiterSeries, 5, {6.5, 1.6, 2.5, 0.85, 1.5e-4}},
    {"saturn", &series::kSaturnSeries, 6, {7.0, 2.3, 3.0, 0.8, 2.5e-4}},
    {"uranus", &series::kUranusSeries, 7, {9.0, 2.2, 2.5, 0.9, 5e-4}},
    {"neptune", &series::kNeptuneSeries, 8, {22.0, 0.9, 2.5, 0.75, 1.5e-3}},
    {"pluto", &series::kPlutoSeries, 9, {20.0, 1.1, 3.0, 1.05, 2e-3}},
};

// The moon (distance in km) against ELP2000, the finer reference (measured 3.8", 1.1", 15 km),
// and against ERFA's short theory (11.9", 3.4", 18 km; itself good to about 10").
const Tolerance kMoonToleranceElp = {5.5, 1.3, 2.0, 0.6, 22.0};
const Tolerance kMoonToleranceErfa = {15.0, 4.0, 5.0, 1.5, 30.0};

// Terms above 3" whose removal the references cannot see over two centuries:
// - Neptune (I 2, i -1) against Uranus, 4.3": its period is about 4300 years, so over the span it
//   is part of the slow drift, and dropping it brings the series closer to VSOP87;
// - Uranus (I 3, i -4) against Neptune, 5.1": VSOP87 does not confirm it either (the detrended
//   RMS grows by 0.1" only when it is dropped).
struct KnownBlindTerm {
    const char* body;
    int index, ownMultiple, perturberMultiple;
};
const KnownBlindTerm kBlindTerms[] = {{"neptune", 21, 2, -1}, {"uranus", 47, 3, -4}};

bool isBlindTerm(const char* body, size_t index, const series::PerturbationTerm& term) {
    for (const KnownBlindTerm& b : kBlindTerms)
        if (std::string(body) == b.body && static_cast<int>(index) == b.index) {
            EXPECT_EQ(term.ownMultiple, b.ownMultiple) << body << " " << index;
            EXPECT_EQ(term.perturberMultiple, b.perturberMultiple) << body << " " << index;
            return true;
        }
    return false;
}

const Reference& referenceFor(int body) {
    static std::vector<Reference> cache(10);
    static std::vector<bool> made(10, false);
    if (!made[body]) {
        cache[body] = body == 0 ? makeReference(oracle::sunErfa)
                                : makeReference([body](double jd) { return oracle::planetLibnova(body, jd); });
        made[body] = true;
    }
    return cache[body];
}

const Reference& moonReferenceElp() {
    static const Reference r = makeReference(oracle::moonElp);
    return r;
}

TEST(SeriesOracle, SunAndPlanetsAgreeWithErfaAndVsop87) {
    for (const PerturbationBody& b : kPerturbationBodies) {
        const Comparison c = compare(referenceFor(b.body), seriesFromTables(*b.tables, b.body == 9));
        EXPECT_TRUE(c.within(b.tolerance)) << b.name << ": " << c.describe();
    }
    // The public entry points evaluate the same tables, in the frames they document.
    const double t = 0.2417;
    EXPECT_NEAR(solarEclipticPosition(t).polar(kPhi), solarEclipticPolar(t).phi, 1e-12);
    const Vec3D pluto = plutoPosition(t), expected = Vec3D(seriesFromTables(series::kPlutoSeries, true)(t));
    EXPECT_NEAR(pluto.x, expected.x, 1e-9);
    EXPECT_NEAR(pluto.z, expected.z, 1e-9);
    const Vec3D earth = planetPosition(3, t), sun = solarEclipticPosition(t);
    EXPECT_DOUBLE_EQ(earth.x, -sun.x);
    EXPECT_EQ(planetPosition(10, t).norm(), 0.0);
}

TEST(SeriesOracle, MoonAgreesWithElp2000AndErfa) {
    const Comparison elp = compare(moonReferenceElp(), lunarEclipticPolar);
    EXPECT_TRUE(elp.within(kMoonToleranceElp)) << "ELP2000: " << elp.describe();
    const Comparison erfa = compare(makeReference(oracle::moonErfa), lunarEclipticPolar);
    EXPECT_TRUE(erfa.within(kMoonToleranceErfa)) << "moon98: " << erfa.describe();
}

// ---- sensitivity: every large term matters ----

double termAmplitude(double c, double s) { return std::hypot(c, s); }

TEST(SeriesOracle, DroppingAnyLargeTermBreaksTheComparison) {
    int checked = 0;
    for (const PerturbationBody& b : kPerturbationBodies) {
        std::vector<series::PerturbationTerm> terms(b.tables->terms, b.tables->terms + b.tables->termCount);
        std::vector<series::ExtraTerm> extras(b.tables->extras, b.tables->extras + b.tables->extraCount);
        series::PerturbationSeries mutated = *b.tables;
        mutated.terms = terms.data();
        mutated.extras = extras.data();
        const Reference& ref = referenceFor(b.body);

        for (size_t n = 0; n < terms.size(); ++n) {
            const series::PerturbationTerm saved = terms[n];
            if (std::fmax(termAmplitude(saved.dlCos, saved.dlSin), termAmplitude(saved.dbCos, saved.dbSin)) <=
                    kLargeTermArcsec ||
                isBlindTerm(b.name, n, saved))
                continue;
            terms[n] = series::PerturbationTerm{saved.ownMultiple, saved.perturberMultiple, saved.timePower, 0, 0, 0, 0, 0, 0};
            EXPECT_FALSE(compare(ref, seriesFromTables(mutated, b.body == 9)).within(b.tolerance))
                << b.name << " term " << n << " (I " << saved.ownMultiple << ", i " << saved.perturberMultiple << ")";
            terms[n] = saved;
            ++checked;
        }
        for (size_t n = 0; n < extras.size(); ++n) {
            const series::ExtraTerm saved = extras[n];
            if (saved.target == series::kRadius || termAmplitude(saved.cosAmp, saved.sinAmp) <= kLargeTermArcsec) continue;
            extras[n].cosAmp = extras[n].sinAmp = 0.0;
            EXPECT_FALSE(compare(ref, seriesFromTables(mutated, b.body == 9)).within(b.tolerance))
                << b.name << " extra term " << n;
            extras[n] = saved;
            ++checked;
        }
    }

    // The moon: solar terms (longitude, latitude argument, latitude factor, parallax), the
    // latitude terms N and the long-period corrections.
    const series::LunarTheory& base = series::kLunarTheory;
    std::vector<series::LunarSolarTerm> solar(base.solar, base.solar + base.solarCount);
    std::vector<series::LunarLatitudeTerm> latitude(base.latitudeN, base.latitudeN + base.latitudeNCount);
    std::vector<series::LunarLongPeriodTerm> longPeriod(base.longPeriod, base.longPeriod + base.longPeriodCount);
    series::LunarTheory mutated = base;
    mutated.solar = solar.data();
    mutated.latitudeN = latitude.data();
    mutated.longPeriod = longPeriod.data();
    const SeriesFn moon = [&mutated](double t) { return evaluateLunarTheory(mutated, t); };
    // A change dS of the latitude argument moves the latitude by up to 18520"·dS/Arcs.
    const double latitudePerArgument = 18519.7 / Arcs;
    for (size_t n = 0; n < solar.size(); ++n) {
        const series::LunarSolarTerm saved = solar[n];
        const double largest = std::fmax(std::fmax(std::fabs(saved.dlambdaSin), std::fabs(saved.gam1CCos)),
                                         std::fmax(std::fabs(saved.sinPiCos), std::fabs(saved.dSSin) * latitudePerArgument));
        if (largest <= kLargeTermArcsec) continue;
        solar[n] = series::LunarSolarTerm{saved.p, saved.q, saved.r, saved.s, 0, 0, 0, 0};
        EXPECT_FALSE(compare(moonReferenceElp(), moon).within(kMoonToleranceElp)) << "moon solar term " << n;
        solar[n] = saved;
        ++checked;
    }
    for (size_t n = 0; n < latitude.size(); ++n) {
        const series::LunarLatitudeTerm saved = latitude[n];
        if (std::fabs(saved.nSin) <= kLargeTermArcsec) continue;
        latitude[n].nSin = 0.0;
        EXPECT_FALSE(compare(moonReferenceElp(), moon).within(kMoonToleranceElp)) << "moon latitude term " << n;
        latitude[n] = saved;
        ++checked;
    }
    for (size_t n = 0; n < longPeriod.size(); ++n) {
        const series::LunarLongPeriodTerm saved = longPeriod[n];
        if (std::fmax(std::fabs(saved.dL0), std::fabs(saved.dF) * latitudePerArgument) <= kLargeTermArcsec) continue;
        longPeriod[n].dL0 = longPeriod[n].dl = longPeriod[n].dls = longPeriod[n].dF = 0.0;
        EXPECT_FALSE(compare(moonReferenceElp(), moon).within(kMoonToleranceElp)) << "moon long-period term " << n;
        longPeriod[n] = saved;
        ++checked;
    }
    EXPECT_GE(checked, 200);  // 212 terms above 3" with the published tables
}

}  // namespace
