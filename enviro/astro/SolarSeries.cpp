#include "enviro/astro/SolarSeries.h"

#include "enviro/astro/Frames.h"
#include "enviro/astro/SeriesEvaluator.h"

namespace Astro {

PolarAngles solarEclipticPolar(double t) { return evaluatePerturbationSeries(series::kSunSeries, t); }

Vec3D solarEclipticPosition(double t) { return Vec3D(solarEclipticPolar(t)); }

Vec3D sunEquatorial(double t) {
    return eclipticToTrueEquatorMatrix(t) * solarEclipticPosition(t);
}

}  // namespace Astro
