#include "enviro/astro/PlanetApparentPlace.h"

#include <cmath>

#include "enviro/astro/CatalogFrame.h"
#include "enviro/astro/Frames.h"
#include "enviro/astro/Kepler.h"
#include "enviro/astro/PlanetSeries.h"

namespace Astro {

namespace {

constexpr int kLightTimeIterations = 3;  // τ changes by under 1e-9 day after the third pass

Vec3D minus(const Vec3D& a, const Vec3D& b) { return Vec3D(a.x - b.x, a.y - b.y, a.z - b.z); }
double dot(const Vec3D& a, const Vec3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

PlanetApparentPlace planetApparentPlace(int body, double t) {
    PlanetApparentPlace out{Vec3D(), 0.0, 0.0, 0.0, 0.0};
    if (body < 1 || body >= kBodyCount || body == kEarth) return out;

    const Vec3D earth = planetPosition(kEarth, t);  // heliocentric, AU, mean ecliptic of date
    Vec3D planet = planetPosition(body, t);
    Vec3D geocentric = minus(planet, earth);
    for (int i = 0; i < kLightTimeIterations; ++i) {
        const double lightTimeCenturies = geocentric.norm() / kSpeedOfLightAuPerDay / kDaysPerJulianCentury;
        planet = planetPosition(body, t - lightTimeCenturies);
        geocentric = minus(planet, earth);
    }

    out.distanceAu = geocentric.norm();
    out.sunDistanceAu = planet.norm();
    out.earthSunAu = earth.norm();
    // Seen from the planet, the Sun lies along −planet and the Earth along −geocentric.
    const double cosPhase = dot(planet, geocentric) / (out.sunDistanceAu * out.distanceAu);
    out.phaseAngle = std::acos(std::fmax(-1.0, std::fmin(1.0, cosPhase)));

    const Vec3D equatorial = eclipticToTrueEquatorMatrix(t) * (geocentric / out.distanceAu);
    const Vec3D apparent = equatorial + annualAberration(t);
    out.direction = apparent / apparent.norm();
    return out;
}

}  // namespace Astro
