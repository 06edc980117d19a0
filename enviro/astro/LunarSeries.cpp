#include "enviro/astro/LunarSeries.h"

#include <cmath>

#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Frames.h"
#include "enviro/astro/SeriesEvaluator.h"
#include "enviro/astro/SeriesTables.h"

namespace Astro {

namespace {

using Multiples = AngleMultiples<series::kMaxLunarMultiple>;

// Long-period corrections of the mean arguments, arcseconds, and of the latitude factor.
struct LongPeriodCorrections {
    double dL0 = 0.0, dl = 0.0, dls = 0.0, dF = 0.0, dD = 0.0;
    double dGamma = 0.0;
};

double sinusoidSum(const series::LunarSinusoid* terms, int count, double t) {
    double sum = 0.0;
    for (int n = 0; n < count; ++n) sum += terms[n].amp * std::sin(pi2 * (terms[n].phaseRev + terms[n].rateRevPerCy * t));
    return sum;
}

LongPeriodCorrections longPeriodCorrections(const series::LunarTheory& theory, double t) {
    LongPeriodCorrections c;
    for (int n = 0; n < theory.longPeriodCount; ++n) {
        const series::LunarLongPeriodTerm& lp = theory.longPeriod[n];
        const double s = std::sin(pi2 * (lp.phaseRev + lp.rateRevPerCy * t));
        c.dL0 += lp.dL0 * s;
        c.dl += lp.dl * s;
        c.dls += lp.dls * s;
        c.dF += lp.dF * s;
    }
    c.dD = c.dL0 - c.dls;
    c.dGamma = sinusoidSum(theory.dGamma, theory.dGammaCount, t);
    return c;
}

// Mean argument (radians) with its long-period correction (arcseconds).
double meanArgument(const series::LunarTheory& theory, int which, double t, double correctionArcsec) {
    const double* c = theory.meanArgumentsRev[which];
    return pi2 * frac(c[0] + (c[1] + c[2] * t) * t) + correctionArcsec / Arcs;
}

double amplitudeFactor(const series::LunarTheory& theory, int which, double t, double dGamma) {
    const series::LunarAmplitudeFactor& f = theory.factors[which];
    return f.constant + f.perT * t + f.perDGamma * dGamma;
}

// Multiples −6..6 of an argument whose first multiple carries the amplitude factor f.
void fillScaled(Multiples& m, double angle, double f) {
    m.fill(f * std::cos(angle), f * std::sin(angle), -series::kMaxLunarMultiple, series::kMaxLunarMultiple);
}

// Scaled cosine and sine of p·l + q·ls + r·F + s·D.
struct ArgumentTables {
    Multiples l, ls, F, D;
    void term(int p, int q, int r, int s, double& x, double& y) const {
        x = l.cosOf(p);
        y = l.sinOf(p);
        addAngles(x, y, ls.cosOf(q), ls.sinOf(q), x, y);
        addAngles(x, y, F.cosOf(r), F.sinOf(r), x, y);
        addAngles(x, y, D.cosOf(s), D.sinOf(s), x, y);
    }
};

}  // namespace

PolarAngles evaluateLunarTheory(const series::LunarTheory& theory, double t) {
    const LongPeriodCorrections lp = longPeriodCorrections(theory, t);
    const double L0 = meanArgument(theory, series::kMoonL0, t, lp.dL0);
    const double l = meanArgument(theory, series::kMoonAnomaly, t, lp.dl);
    const double ls = meanArgument(theory, series::kSunAnomaly, t, lp.dls);
    const double F = meanArgument(theory, series::kMoonLatitudeArg, t, lp.dF);
    const double D = meanArgument(theory, series::kMoonElongation, t, lp.dD);
    const double fF = amplitudeFactor(theory, series::kFactorLatitudeArg, t, lp.dGamma);

    ArgumentTables tables;
    fillScaled(tables.l, l, amplitudeFactor(theory, series::kFactorMoonAnomaly, t, lp.dGamma));
    fillScaled(tables.ls, ls, amplitudeFactor(theory, series::kFactorSunAnomaly, t, lp.dGamma));
    fillScaled(tables.F, F, fF);
    fillScaled(tables.D, D, amplitudeFactor(theory, series::kFactorElongation, t, lp.dGamma));

    double dlambda = 0.0, dS = 0.0, gam1C = 0.0, sinPi = theory.initialSinPiArcsec, n = 0.0;
    for (int k = 0; k < theory.solarCount; ++k) {
        const series::LunarSolarTerm& term = theory.solar[k];
        double x, y;
        tables.term(term.p, term.q, term.r, term.s, x, y);
        dlambda += term.dlambdaSin * y;
        dS += term.dSSin * y;
        gam1C += term.gam1CCos * x;
        sinPi += term.sinPiCos * x;
    }
    for (int k = 0; k < theory.latitudeNCount; ++k) {
        const series::LunarLatitudeTerm& term = theory.latitudeN[k];
        double x, y;
        tables.term(term.p, term.q, term.r, term.s, x, y);
        n += term.nSin * y;
    }
    dlambda += sinusoidSum(theory.planetary, theory.planetaryCount, t);

    const double S = F + dS / Arcs;
    PolarAngles out;
    out.phi = modulo(L0 + dlambda / Arcs, pi2);
    out.theta = (fF * (theory.latitudeConstArcsec + theory.latitudeConst2Arcsec + gam1C) * std::sin(S) +
                 theory.latitudeSin3SArcsec * std::sin(3.0 * S) + n) /
                Arcs;
    out.r = theory.earthRadiusKm * Arcs / (sinPi * theory.sinPiFactor);
    return out;
}

PolarAngles lunarEclipticPolar(double t) {
    // The sky asks for the same instant twice per rebuild (direction, then phase): keep the last.
    static double lastT = std::nan("");
    static PolarAngles last{0.0, 0.0, 0.0};
    if (t != lastT) {
        last = evaluateLunarTheory(series::kLunarTheory, t);
        lastT = t;
    }
    return last;
}

Vec3D lunarEclipticPosition(double t) { return Vec3D(lunarEclipticPolar(t)); }

Vec3D moonEquatorial(double t) {
    return eclipticToTrueEquatorMatrix(t) * lunarEclipticPosition(t);
}

}  // namespace Astro
