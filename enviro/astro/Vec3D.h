#pragma once
// The double-precision vector of the ephemeris code, with its spherical angles computed on demand.
#include <cmath>

#include "enviro/astro/EphemerisMath.h"

namespace Astro {

// Spherical angles and length: phi azimuth (longitude, right ascension), theta elevation
// (latitude, declination), both radians; r length in the caller's unit (AU, km, 1).
struct PolarAngles {
    double phi;
    double theta;
    double r;
};

// Index of a spherical component for Vec3D::polar.
enum PolarIndex { kPhi = 0, kTheta = 1, kRadius = 2 };

class Vec3D {
public:
    Vec3D() : x(0.0), y(0.0), z(0.0), phi(0.0), theta(0.0), r(0.0), polarValid(false) {}
    Vec3D(double x_, double y_, double z_) : x(x_), y(y_), z(z_), phi(0.0), theta(0.0), r(0.0), polarValid(false) {}
    explicit Vec3D(const PolarAngles& p) : phi(0.0), theta(0.0), r(0.0), polarValid(false) {
        const double cosTheta = std::cos(p.theta);
        x = p.r * cosTheta * std::cos(p.phi);
        y = p.r * cosTheta * std::sin(p.phi);
        z = p.r * std::sin(p.theta);
    }

    // Cartesian component 0..2 (x, y, z).
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    // Spherical component (phi in [0, 2π), theta in [−π/2, π/2], r), computed on first use.
    double polar(PolarIndex i) const {
        if (!polarValid) computePolar();
        return i == kPhi ? phi : (i == kTheta ? theta : r);
    }
    double norm() const { return std::sqrt(x * x + y * y + z * z); }

    Vec3D operator+(const Vec3D& o) const { return Vec3D(x + o.x, y + o.y, z + o.z); }
    Vec3D operator/(double d) const { return Vec3D(x / d, y / d, z / d); }

    double x, y, z;

private:
    void computePolar() const {
        const double rhoSqr = x * x + y * y;
        r = std::sqrt(rhoSqr + z * z);
        phi = (x == 0.0 && y == 0.0) ? 0.0 : std::atan2(y, x);
        if (phi < 0.0) phi += pi2;
        const double rho = std::sqrt(rhoSqr);
        theta = (z == 0.0 && rho == 0.0) ? 0.0 : std::atan2(z, rho);
        polarValid = true;
    }

    mutable double phi, theta, r;
    mutable bool polarValid;
};

}  // namespace Astro
