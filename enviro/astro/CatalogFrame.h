#pragma once
// The per-date frame of the star catalogue, shared by every star computation: the rotation from
// the catalogue's mean equator and equinox to the true equator of date, and the annual
// aberration. Set by the manager when the date moves (updateCatalogFrame).
#include <cmath>

#include "enviro/astro/Matrix3D.h"
#include "enviro/astro/StarRecord.h"

namespace Astro {

extern double g_dCatalogT;         // Julian centuries since J2000 of the date last set
extern double g_dEquinoxT;         // equinox of the catalogue, Julian centuries since J2000
extern double g_dEpochT;           // epoch of the catalogue positions, Julian centuries since J2000
extern Matrix3D g_mCatalogToDate;  // nutation(T)·precession(equinox → T)
extern Vec3D g_vAberration;        // Earth's velocity / speed of light, true equator of date

// Sets the globals above for the date T (Julian centuries since J2000). The Earth's velocity is
// that of its mean Keplerian orbit.
void updateCatalogFrame(double tCenturies);

// The Earth's velocity over the speed of light at T, mean equator of date: the annual aberration
// added to a unit direction. The velocity is that of the Earth's mean Keplerian orbit.
Vec3D annualAberration(double tCenturies);

// Unit direction (true equator of date) of a catalogue position given by right ascension and
// declination (radians, catalogue equinox): no proper motion, no aberration.
Vec3D catalogDirectionToDate(double rightAscension, double declination);

// Apparent direction of a star at the catalogue date: proper motion from the catalogue epoch,
// precession and nutation to the true equator of date, annual aberration; a unit vector.
inline Vec3D starApparentDirection(const StarRecord& star) {
    const double dt = g_dCatalogT - g_dEpochT;
    const double ra = star.dRA + star.dPmRA * dt;
    const double dec = star.dDec + star.dPmDec * dt;
    const Vec3D v = g_mCatalogToDate * Vec3D(PolarAngles{ra, dec, 1.0}) + g_vAberration;
    return v / v.norm();
}

}  // namespace Astro
