#pragma once
// Independent references for the astronomy tests: ERFA (the sun, the moon, sidereal time, frames,
// aberration) and libnova (VSOP87 planets, ELP2000 moon, Pluto). Ecliptic places are referred to
// the mean ecliptic and equinox of date; world directions are those of the manager's frame
// (X north, Y up, Z east) for an observer at a latitude and east longitude in radians.
#include <erfa.h>
#include <erfam.h>
#include <libnova/libnova.h>

#include <cmath>

#include "enviro/host/MathVector.h"

namespace oracle {

struct EclipticPlace { double lon, lat, dist; };  // radians (longitude in [0, 2π)); AU, or km for the moon

constexpr double kJD2000 = 2451545.0;

inline double centuriesFromJD(double jdTT) { return (jdTT - kJD2000) / 36525.0; }

// A vector of the ICRS axes to the mean ecliptic and equinox of date.
inline EclipticPlace icrsToEclipticOfDate(double jdTT, const double p[3]) {
    double rm[3][3], e[3], pp[3] = {p[0], p[1], p[2]};
    EclipticPlace out;
    eraEcm06(jdTT, 0.0, rm);
    eraRxp(rm, pp, e);
    eraP2s(e, &out.lon, &out.lat, &out.dist);
    return EclipticPlace{eraAnp(out.lon), out.lat, out.dist};
}

// A vector of the mean ecliptic and equinox of J2000 to the ICRS axes.
inline void icrsOfJ2000Ecliptic(double e[3], double out[3]) {
    double rm[3][3];
    eraEcm06(kJD2000, 0.0, rm);
    eraTrxp(rm, e, out);
}

// Geocentric geometric sun and moon (ICRS axes, AU): ERFA's Earth ephemeris and short lunar theory.
inline void sunVector(double jd, double out[3]) {
    double pvh[2][3], pvb[2][3];
    eraEpv00(jd, 0.0, pvh, pvb);
    eraSxp(-1.0, pvh[0], out);
}
inline void moonVector(double jd, double out[3]) {
    double pv[2][3];
    eraMoon98(jd, 0.0, pv);
    eraCp(pv[0], out);
}

// ERFA's sun (AU) and libnova's ELP2000-82B moon (km) in ecliptic places.
inline EclipticPlace sunErfa(double jdTT) {
    double p[3];
    sunVector(jdTT, p);
    return icrsToEclipticOfDate(jdTT, p);
}
inline EclipticPlace moonElp(double jdTT) {
    ln_rect_posn m;
    ln_get_lunar_geo_posn(jdTT, &m, 0.0);
    double e[3] = {m.X, m.Y, m.Z}, p[3];
    icrsOfJ2000Ecliptic(e, p);
    return icrsToEclipticOfDate(jdTT, p);
}

// Heliocentric planet (ICRS axes, AU), body 1 Mercury … 9 Pluto (not 3): libnova's VSOP87 and,
// for Pluto, its Chapront series, both referred to the ecliptic of J2000.
inline void planetVector(int body, double jdTT, double out[3]) {
    using Series = void (*)(double, ln_helio_posn*);
    static const Series kSeries[10] = {nullptr, ln_get_mercury_helio_coords, ln_get_venus_helio_coords, nullptr,
                                       ln_get_mars_helio_coords, ln_get_jupiter_helio_coords, ln_get_saturn_helio_coords,
                                       ln_get_uranus_helio_coords, ln_get_neptune_helio_coords, ln_get_pluto_helio_coords};
    ln_helio_posn h{};
    kSeries[body](jdTT, &h);
    double e[3];
    eraS2p(h.L * ERFA_DD2R, h.B * ERFA_DD2R, h.R, e);
    icrsOfJ2000Ecliptic(e, out);
}
inline EclipticPlace planetLibnova(int body, double jdTT) {
    double p[3];
    planetVector(body, jdTT, p);
    return icrsToEclipticOfDate(jdTT, p);
}

// Annual aberration of a geocentric direction, from the Earth's barycentric velocity.
inline void aberrated(double jd, const double p[3], double out[3]) {
    double pvh[2][3], pvb[2][3], u[3], v[3], r;
    eraEpv00(jd, 0.0, pvh, pvb);
    eraPn(const_cast<double*>(p), &r, u);
    eraSxp(ERFA_AULT / ERFA_DAYSEC, pvb[1], v);
    eraAb(u, v, eraPm(pvh[0]), std::sqrt(1.0 - eraPdp(v, v)), out);
}

// Geocentric apparent direction of a planet (ICRS axes): light time, then annual aberration.
inline void apparentPlanetVector(int body, double jd, double out[3]) {
    double pvh[2][3], pvb[2][3], geo[3] = {0, 0, 0}, helio[3], tau = 0.0;
    eraEpv00(jd, 0.0, pvh, pvb);
    for (int i = 0; i < 4; ++i, tau = eraPm(geo) * ERFA_AULT / ERFA_DAYSEC) {
        planetVector(body, jd - tau, helio);
        eraPmp(helio, pvh[0], geo);
    }
    aberrated(jd, geo, out);
}

// World direction of a geocentric vector of the ICRS axes at jd (UT taken as TT): precession-
// nutation of date, the mean sidereal time (by which the manager defines its horizon), horizon.
inline Math::Vector<3, float> worldDirection(double jd, const double icrs[3], double latitude, double longitude) {
    double rnpb[3][3], v[3], p[3] = {icrs[0], icrs[1], icrs[2]}, ra, dec, az, el;
    eraPnm06a(jd, 0.0, rnpb);
    eraRxp(rnpb, p, v);
    eraC2s(v, &ra, &dec);
    eraHd2ae(eraGmst06(jd, 0.0, jd, 0.0) + longitude - ra, dec, latitude, &az, &el);
    return Math::Vector<3, float>(float(std::cos(el) * std::cos(az)), float(std::sin(el)), float(std::cos(el) * std::sin(az)));
}

// Angle between two directions, arcseconds.
inline double separationArcsec(const Math::Vector<3, float>& a, const Math::Vector<3, float>& b) {
    return std::atan2(Math::length(Math::cross(a, b)), Math::dot(a, b)) * ERFA_DR2AS;
}

// Signed difference a − b of two angles, arcseconds, in (−648000, 648000].
inline double angleDiffArcsec(double a, double b) { return eraAnpm(a - b) * ERFA_DR2AS; }

}  // namespace oracle
