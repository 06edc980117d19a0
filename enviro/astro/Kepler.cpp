#include "enviro/astro/Kepler.h"

#include <cmath>
#include <cstdio>

#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Frames.h"

namespace Astro {

namespace {

constexpr int kMaxKeplerIterations = 15;
constexpr double kKeplerTolerance = 100.0 * kMachineEpsilon;

// Mean orbit at J2000: angles in degrees, mean motion in degrees per Julian century.
struct MeanOrbit {
    double semiMajorAxisAu;
    double eccentricity;
    double inclinationDeg;
    double nodeDeg;
    double perihelionLongitudeDeg;
    double meanAnomalyDeg;
    double meanMotionDegPerCy;
};

constexpr MeanOrbit kMeanOrbits[kBodyCount] = {
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},  // the Sun itself
    {0.387099, 0.205634, 7.0048, 48.331, 77.4552, 174.7947, 149472.6738},
    {0.723332, 0.006773, 3.3946, 76.68, 131.5718, 50.4071, 58517.8149},
    {1.0, 0.016709, 0.0, 174.876, 102.94, 357.5256, 35999.372},
    {1.523692, 0.093405, 1.8496, 49.557, 336.059, 19.3879, 19140.3023},
    {5.204267, 0.048775, 1.3046, 100.4908, 15.5576, 18.8185, 3033.6272},
    {9.582018, 0.055723, 2.4852, 113.6427, 89.6567, 320.3477, 1213.8664},
    {19.229412, 0.044406, 0.7726, 73.9893, 170.531, 142.9559, 426.9282},
    {30.103658, 0.011214, 1.768, 131.7942, 37.4435, 267.7649, 217.9599},
    {39.26423, 0.244672, 17.1514, 110.2867, 224.0499, 15.0233, 146.3183},
};

// Precession of the node in longitude, degrees per Julian century.
constexpr double kNodePrecessionDegPerCy = 1.397;

}  // namespace

double EccAnom(double meanAnomaly, double e) {
    const double m = modulo(meanAnomaly, pi2);
    double E = (e < 0.8) ? m : 3.141592653589793;
    for (int iteration = 1;; ++iteration) {
        const double f = E - e * std::sin(E) - m;
        E = E - f / (1.0 - e * std::cos(E));
        if (iteration >= kMaxKeplerIterations) {
            std::fputs(" Convergence problems in EccAnom\n", stderr);
            break;
        }
        if (std::fabs(f) <= kKeplerTolerance) break;
    }
    return E;
}

OrbitalState keplerEllipse(double gm, double meanAnomaly, double a, double e) {
    const double k = std::sqrt(gm / a);
    const double E = EccAnom(meanAnomaly, e);
    const double cosE = std::cos(E), sinE = std::sin(E);
    const double fac = std::sqrt((1.0 - e) * (1.0 + e));
    const double rho = 1.0 - e * cosE;
    OrbitalState s;
    s.position = Vec3D(a * (cosE - e), a * fac * sinE, 0.0);
    s.velocity = Vec3D(-k * sinE / rho, k * fac * cosE / rho, 0.0);
    return s;
}

OrbitalState keplerState(int body, double t) {
    if (body <= 0 || body >= kBodyCount) return OrbitalState();
    const MeanOrbit& o = kMeanOrbits[body];
    const double m = Rad * (o.meanAnomalyDeg + o.meanMotionDegPerCy * t);
    const OrbitalState plane = keplerEllipse(GM_Sun, m, o.semiMajorAxisAu, o.eccentricity);
    const Matrix3D pqr = gaussVectors(Rad * (o.nodeDeg + kNodePrecessionDegPerCy * t), Rad * o.inclinationDeg,
                                      Rad * (o.perihelionLongitudeDeg - o.nodeDeg));
    OrbitalState s;
    s.position = pqr * plane.position;
    s.velocity = pqr * plane.velocity;
    return s;
}

Vec3D keplerVelocity(int body, double t) { return keplerState(body, t).velocity; }

}  // namespace Astro
