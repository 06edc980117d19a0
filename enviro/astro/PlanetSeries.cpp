#include "enviro/astro/PlanetSeries.h"

#include "enviro/astro/Frames.h"
#include "enviro/astro/SeriesEvaluator.h"
#include "enviro/astro/SolarSeries.h"

namespace Astro {

namespace {
Vec3D position(const series::PerturbationSeries& s, double t) { return Vec3D(evaluatePerturbationSeries(s, t)); }
}  // namespace

Vec3D mercuryPosition(double t) { return position(series::kMercurySeries, t); }
Vec3D venusPosition(double t) { return position(series::kVenusSeries, t); }
Vec3D marsPosition(double t) { return position(series::kMarsSeries, t); }
Vec3D jupiterPosition(double t) { return position(series::kJupiterSeries, t); }
Vec3D saturnPosition(double t) { return position(series::kSaturnSeries, t); }
Vec3D uranusPosition(double t) { return position(series::kUranusSeries, t); }
Vec3D neptunePosition(double t) { return position(series::kNeptuneSeries, t); }

Vec3D plutoPosition(double t) {
    return precessionMatrixEcliptic(series::kPlutoFrameEpochT, t) * position(series::kPlutoSeries, t);
}

Vec3D planetPosition(int body, double t) {
    switch (body) {
        case 1: return mercuryPosition(t);
        case 2: return venusPosition(t);
        case 3: {
            const Vec3D sun = solarEclipticPosition(t);
            return Vec3D(-sun.x, -sun.y, -sun.z);
        }
        case 4: return marsPosition(t);
        case 5: return jupiterPosition(t);
        case 6: return saturnPosition(t);
        case 7: return uranusPosition(t);
        case 8: return neptunePosition(t);
        case 9: return plutoPosition(t);
        default: return Vec3D();
    }
}

}  // namespace Astro
