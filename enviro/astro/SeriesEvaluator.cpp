#include "enviro/astro/SeriesEvaluator.h"

#include <cmath>

#include "enviro/astro/EphemerisMath.h"

namespace Astro {

namespace {

using Multiples = AngleMultiples<series::kMaxSeriesMultiple>;

struct SeriesSums {
    double dl = 0.0;  // arcseconds
    double dr = 0.0;  // radius unit of the series
    double db = 0.0;  // arcseconds
};

// Cosine and sine of each mean argument, computed once per evaluation.
struct ArgumentAngles {
    double angle[series::kMaxSeriesArguments];
    double cosine[series::kMaxSeriesArguments];
    double sine[series::kMaxSeriesArguments];
};

// Cosine and sine of k·X from those of X, by repeated addAngles (|k| is small).
void multipleOf(double c1, double s1, int k, double& c, double& s) {
    if (k < 0) {
        s1 = -s1;
        k = -k;
    }
    c = 1.0;
    s = 0.0;
    for (int n = 0; n < k; ++n) addAngles(c, s, c1, s1, c, s);
}

// Range of the own anomaly's multiples over all groups of the series.
void ownMultipleRange(const series::PerturbationSeries& s, int& lo, int& hi) {
    lo = -1;
    hi = 1;
    for (int g = 0; g < s.groupCount; ++g) {
        if (s.groups[g].minOwnMultiple < lo) lo = s.groups[g].minOwnMultiple;
        if (s.groups[g].maxOwnMultiple > hi) hi = s.groups[g].maxOwnMultiple;
    }
}

void addGroup(const series::PerturbationSeries& s, const series::PerturbationGroup& g, const Multiples& own,
              const ArgumentAngles& args, const double* timePowers, SeriesSums& sums) {
    Multiples perturber;
    perturber.fill(args.cosine[g.perturberArgument], args.sine[g.perturberArgument], g.minPerturberMultiple,
                   g.maxPerturberMultiple);
    const bool hasPhase = g.phaseArgument >= 0;
    double cosPhase = 1.0, sinPhase = 0.0;
    if (hasPhase)
        multipleOf(args.cosine[g.phaseArgument], args.sine[g.phaseArgument], g.phaseMultiple, cosPhase, sinPhase);

    double dl = 0.0, dr = 0.0, db = 0.0;  // local sums: kept in registers through the loop
    const series::PerturbationTerm* term = s.terms + g.firstTerm;
    for (int n = 0; n < g.termCount; ++n, ++term) {
        double u, v;
        addAngles(own.cosOf(term->ownMultiple), own.sinOf(term->ownMultiple), perturber.cosOf(term->perturberMultiple),
                  perturber.sinOf(term->perturberMultiple), u, v);
        if (hasPhase) addAngles(u, v, cosPhase, sinPhase, u, v);
        const double k = timePowers[term->timePower];
        dl += (term->dlCos * u + term->dlSin * v) * k;
        dr += (term->drCos * u + term->drSin * v) * k;
        db += (term->dbCos * u + term->dbSin * v) * k;
    }
    sums.dl += dl;
    sums.dr += dr;
    sums.db += db;
}

void addExtraTerms(const series::PerturbationSeries& s, const ArgumentAngles& args, const double* timePowers, double t,
                   SeriesSums& sums) {
    for (int n = 0; n < s.extraCount; ++n) {
        const series::ExtraTerm& e = s.extras[n];
        double c = 1.0, sn = 0.0;
        if (e.phaseRev != 0.0 || e.rateRevPerCy != 0.0) {
            const double phase = pi2 * (e.phaseRev + e.rateRevPerCy * t);
            c = std::cos(phase);
            sn = std::sin(phase);
        }
        for (int a = 0; a < e.argumentCount; ++a) {
            double ca, sa;
            multipleOf(args.cosine[e.argument[a]], args.sine[e.argument[a]], e.multiple[a], ca, sa);
            addAngles(c, sn, ca, sa, c, sn);
        }
        const double value = (e.cosAmp * c + e.sinAmp * sn) * timePowers[e.timePower];
        double& target = e.target == series::kLongitude ? sums.dl : (e.target == series::kRadius ? sums.dr : sums.db);
        target += value;
    }
}

}  // namespace

PolarAngles evaluatePerturbationSeries(const series::PerturbationSeries& s, double t) {
    ArgumentAngles args;
    for (int a = 0; a < s.argumentCount; ++a) {
        args.angle[a] = revolutionsToRadians(s.arguments[a].c0Rev, s.arguments[a].c1RevPerCy, t);
        args.cosine[a] = std::cos(args.angle[a]);
        args.sine[a] = std::sin(args.angle[a]);
    }
    const double timePowers[4] = {1.0, t, t * t, t * t * t};

    int lo, hi;
    ownMultipleRange(s, lo, hi);
    Multiples own;
    own.fill(args.cosine[s.ownArgument], args.sine[s.ownArgument], lo, hi);

    SeriesSums sums;
    for (int g = 0; g < s.groupCount; ++g) addGroup(s, s.groups[g], own, args, timePowers, sums);
    addExtraTerms(s, args, timePowers, t, sums);

    const double dl = sums.dl + s.dlPolyArcsec[0] + (s.dlPolyArcsec[1] + s.dlPolyArcsec[2] * t) * t;
    const double ownRev = args.angle[s.ownArgument] / pi2;
    PolarAngles out;
    out.phi = pi2 * frac(s.l0Rev + ownRev + ((s.sArcsecPerCy + s.qArcsecPerCy2 * t) * t + dl) / kArcsecPerTurn);
    out.r = s.rPolyAu[0] + (s.rPolyAu[1] + s.rPolyAu[2] * t) * t + sums.dr * s.drUnitAu;
    out.theta = (s.bPolyArcsec[0] + (s.bPolyArcsec[1] + s.bPolyArcsec[2] * t) * t + sums.db) / Arcs;
    return out;
}

}  // namespace Astro
