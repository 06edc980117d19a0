#pragma once
// Reference frames of the ephemeris code and the rotations between them. T arguments are Julian
// centuries since J2000; angles are radians.
#include "enviro/astro/Matrix3D.h"

namespace Astro {

// Mean obliquity of the ecliptic at T, radians.
double meanObliquity(double tCenturies);

// Mean ecliptic and equinox of date → mean equator and equinox of date.
Matrix3D eclipticToEquatorialMatrix(double tCenturies);

// Mean equator and equinox of date → true equator and equinox of date (nutation, short series).
Matrix3D nutationMatrix(double tCenturies);

// Mean ecliptic and equinox of date → true equator and equinox of date: nutationMatrix(T) ·
// eclipticToEquatorialMatrix(T). Remembers the last T in static storage (render thread only).
Matrix3D eclipticToTrueEquatorMatrix(double tCenturies);

// Mean equator and equinox of epoch T1 → of epoch T2.
Matrix3D precessionMatrixEquatorial(double t1Centuries, double t2Centuries);

// Mean ecliptic and equinox of epoch T1 → of epoch T2.
Matrix3D precessionMatrixEcliptic(double t1Centuries, double t2Centuries);

// Orbital plane (x toward perihelion) → ecliptic, from the longitude of the ascending node
// Omega, the inclination i and the argument of perihelion omega (radians).
Matrix3D gaussVectors(double nodeLongitude, double inclination, double perihelionArgument);

}  // namespace Astro
