#pragma once
// Layout of the coefficient tables of the analytic series (sun, moon, planets). The tables
// themselves are generated into generated/*.cpp by tools/gen_astro_tables.py; every angle
// argument there is 2π·frac(c0 + c1·T) with T in Julian centuries since J2000.

namespace Astro {
namespace series {

// A mean anomaly or argument: 2π·frac(c0Rev + c1RevPerCy·T) radians.
struct MeanArgument {
    double c0Rev;       // revolutions
    double c1RevPerCy;  // revolutions per Julian century
};

// One perturbation term of a sun or planet series: argument I·M + i·m (+ the group's phase),
// contributions (cos·cos(arg) + sin·sin(arg))·T^timePower.
struct PerturbationTerm {
    int ownMultiple;        // I, multiple of the body's own anomaly M
    int perturberMultiple;  // i, multiple of the perturber's anomaly m
    int timePower;          // 0 to 3
    double dlCos, dlSin;    // longitude, arcseconds
    double drCos, drSin;    // radius, in the series' radius unit (drUnitAu)
    double dbCos, dbSin;    // latitude, arcseconds
};

// The terms of one perturber, a contiguous run of the series' term list.
struct PerturbationGroup {
    int ownArgument;          // index of M in the series' argument list
    int perturberArgument;    // index of m
    int phaseArgument;        // index of the phase argument, −1 when the group has no phase
    int phaseMultiple;        // phase = phaseMultiple·argument[phaseArgument]
    int minOwnMultiple, maxOwnMultiple;              // range of I over the group (contains 0)
    int minPerturberMultiple, maxPerturberMultiple;  // range of i over the group (contains 0)
    int firstTerm;
    int termCount;
};

enum SeriesTarget { kLongitude = 0, kRadius = 1, kLatitude = 2 };

// An irregular term: arg = 2π·(phaseRev + rateRevPerCy·T) + Σ multiple[k]·argument[k];
// target += (cosAmp·cos(arg) + sinAmp·sin(arg))·T^timePower, in the target's unit.
struct ExtraTerm {
    int target;  // SeriesTarget
    double phaseRev;
    double rateRevPerCy;
    int timePower;
    double cosAmp, sinAmp;
    int argumentCount;  // 0..3
    int argument[3];
    int multiple[3];
};

// A complete sun or planet series. Final form (all sums in arcseconds except dr):
//   L = 2π·frac(l0Rev + M/2π + ((s + q·T)·T + dl + p0 + p1·T + p2·T²)/1296000)
//   R = r0 + r1·T + r2·T² + dr·drUnitAu
//   B = (b0 + b1·T + b2·T² + db)/Arcs
struct PerturbationSeries {
    const char* name;
    const MeanArgument* arguments;
    int argumentCount;
    const PerturbationGroup* groups;
    int groupCount;
    const PerturbationTerm* terms;
    int termCount;
    const ExtraTerm* extras;
    int extraCount;
    int ownArgument;              // index of the body's own mean anomaly M
    double l0Rev;                 // revolutions
    double sArcsecPerCy;          // arcseconds per century
    double qArcsecPerCy2;         // arcseconds per century²
    double dlPolyArcsec[3];       // p0, p1, p2
    double rPolyAu[3];            // r0, r1, r2
    double drUnitAu;              // AU per unit of dr
    double bPolyArcsec[3];        // b0, b1, b2
};

// Largest argument count and multiple of any series (checked by the generator).
constexpr int kMaxSeriesArguments = 8;
constexpr int kMaxSeriesMultiple = 16;

extern const PerturbationSeries kSunSeries;
extern const PerturbationSeries kMercurySeries;
extern const PerturbationSeries kVenusSeries;
extern const PerturbationSeries kMarsSeries;
extern const PerturbationSeries kJupiterSeries;
extern const PerturbationSeries kSaturnSeries;
extern const PerturbationSeries kUranusSeries;
extern const PerturbationSeries kNeptuneSeries;
extern const PerturbationSeries kPlutoSeries;
// Epoch of Pluto's series frame (mean ecliptic and equinox of B1950), Julian centuries since J2000.
extern const double kPlutoFrameEpochT;

// ---- Moon ----

// Long-period correction Sk = sin(2π·(phaseRev + rateRevPerCy·T)) and its coefficients
// (arcseconds) in the mean longitude L0, the anomalies l and ls and the argument of latitude F.
struct LunarLongPeriodTerm {
    double phaseRev, rateRevPerCy;
    double dL0, dl, dls, dF;
};

// Solar perturbation term: arg = p·l + q·ls + r·F + s·D, amplitudes in arcseconds.
struct LunarSolarTerm {
    int p, q, r, s;
    double dlambdaSin;  // longitude, × sin(arg)
    double dSSin;       // argument S of the latitude, × sin(arg)
    double gam1CCos;    // latitude factor γ1·C, × cos(arg)
    double sinPiCos;    // parallax, × cos(arg)
};

// Latitude term N: N += nSin·sin(p·l + q·ls + r·F + s·D), arcseconds.
struct LunarLatitudeTerm {
    int p, q, r, s;
    double nSin;
};

// Sinusoid amp·sin(2π·(phaseRev + rateRevPerCy·T)): planetary terms of the longitude
// (arcseconds) and the long-period terms Δγ of the latitude factor (dimensionless).
struct LunarSinusoid {
    double amp;
    double phaseRev, rateRevPerCy;
};

// Amplitude factor f = constant + perT·T + perDGamma·Δγ of the first multiple of an argument.
struct LunarAmplitudeFactor {
    double constant, perT, perDGamma;
};

// Rows of LunarTheory::meanArgumentsRev.
enum LunarArgument { kMoonL0 = 0, kMoonAnomaly = 1, kSunAnomaly = 2, kMoonLatitudeArg = 3, kMoonElongation = 4 };
// Rows of LunarTheory::factors.
enum LunarFactor { kFactorMoonAnomaly = 0, kFactorSunAnomaly = 1, kFactorLatitudeArg = 2, kFactorElongation = 3 };

struct LunarTheory {
    double meanArgumentsRev[5][3];          // L0, l, ls, F, D: c0 + c1·T + c2·T², revolutions
    LunarAmplitudeFactor factors[4];        // l, ls, F, D
    const LunarLongPeriodTerm* longPeriod;
    int longPeriodCount;
    const LunarSinusoid* dGamma;
    int dGammaCount;
    const LunarSolarTerm* solar;
    int solarCount;
    const LunarLatitudeTerm* latitudeN;
    int latitudeNCount;
    const LunarSinusoid* planetary;
    int planetaryCount;
    double initialSinPiArcsec;               // starting value of the parallax sum
    double latitudeConstArcsec;              // main latitude coefficient, two parts
    double latitudeConst2Arcsec;
    double latitudeSin3SArcsec;
    double sinPiFactor;                      // parallax scale in the distance formula
    double earthRadiusKm;
};

constexpr int kMaxLunarMultiple = 6;

extern const LunarTheory kLunarTheory;

}  // namespace series
}  // namespace Astro
