#include "enviro/astro/Frames.h"

#include <cmath>

#include "enviro/astro/EphemerisMath.h"

namespace Astro {

double meanObliquity(double t) {
    return (23.43929111 - (46.8150 + (0.00059 - 0.001813 * t) * t) * t / 3600.0) * Rad;
}

Matrix3D eclipticToEquatorialMatrix(double t) { return rotX(meanObliquity(t)).transpose(); }

Matrix3D nutationMatrix(double t) {
    // Mean arguments: sun's anomaly, moon's elongation, argument of latitude, node of the moon.
    const double ls = pi2 * frac(0.993133 + 99.997306 * t);
    const double d = pi2 * frac(0.827362 + 1236.853087 * t);
    const double f = pi2 * frac(0.259089 + 1342.227826 * t);
    const double n = pi2 * frac(0.347346 - 5.372447 * t);

    const double dpsi = (-17.200 * std::sin(n) - 1.319 * std::sin(2 * (f - d + n)) - 0.227 * std::sin(2 * (f + n)) +
                         0.206 * std::sin(2 * n) + 0.143 * std::sin(ls)) /
                        Arcs;
    const double deps = (9.203 * std::cos(n) + 0.574 * std::cos(2 * (f - d + n)) + 0.098 * std::cos(2 * (f + n)) -
                         0.090 * std::cos(2 * n)) /
                        Arcs;
    const double eps = 0.4090928 - 2.2696e-4 * t;
    return rotX(-eps - deps) * rotZ(-dpsi) * rotX(eps);
}

Matrix3D eclipticToTrueEquatorMatrix(double t) {
    // The sun and the moon ask for the same instant in every rebuild.
    static double lastT = std::nan("");
    static Matrix3D last;
    if (t != lastT) {
        last = nutationMatrix(t) * eclipticToEquatorialMatrix(t);
        lastT = t;
    }
    return last;
}

Matrix3D precessionMatrixEquatorial(double t1, double t2) {
    const double dt = t2 - t1;
    const double zeta = ((2306.2181 + (1.39656 - 0.000139 * t1) * t1) + ((0.30188 - 0.000344 * t1) + 0.017998 * dt) * dt) * dt / Arcs;
    const double z = zeta + ((0.79280 + 0.000411 * t1) + 0.000205 * dt) * dt * dt / Arcs;
    const double theta =
        ((2004.3109 - (0.85330 + 0.000217 * t1) * t1) - ((0.42665 + 0.000217 * t1) + 0.041833 * dt) * dt) * dt / Arcs;
    return rotZ(-z) * rotY(theta) * rotZ(-zeta);
}

Matrix3D precessionMatrixEcliptic(double t1, double t2) {
    const double dt = t2 - t1;
    const double bigPi =
        174.876383889 * Rad + (((3289.4789 + 0.60622 * t1) * t1) + ((-869.8089 - 0.50491 * t1) + 0.03536 * dt) * dt) / Arcs;
    const double smallPi =
        ((47.0029 - (0.06603 - 0.000598 * t1) * t1) + ((-0.03302 + 0.000598 * t1) + 0.000060 * dt) * dt) * dt / Arcs;
    const double pA =
        ((5029.0966 + (2.22226 - 0.000042 * t1) * t1) + ((1.11113 - 0.000042 * t1) - 0.000006 * dt) * dt) * dt / Arcs;
    return rotZ(-(bigPi + pA)) * rotX(smallPi) * rotZ(bigPi);
}

Matrix3D gaussVectors(double nodeLongitude, double inclination, double perihelionArgument) {
    return rotZ(-nodeLongitude) * rotX(-inclination) * rotZ(-perihelionArgument);
}

}  // namespace Astro
