#pragma once
// Independent references for the astronomy tests: ERFA (the sun, the moon, sidereal time, frames)
// and libnova (VSOP87 planets, ELP2000 moon, Pluto). Positions come back as ecliptic longitude and
// latitude (radians) and distance, referred to the mean ecliptic and equinox of date.
#include <erfa.h>
#include <erfam.h>
#include <libnova/libnova.h>

#include <cmath>

namespace oracle {

struct EclipticPlace {
    double lon;   // radians, [0, 2π)
    double lat;   // radians
    double dist;  // AU (sun, planets) or km (moon)
};

constexpr double kKmPerAu = 149597870.7;
constexpr double kJD2000 = 2451545.0;

inline double centuriesFromJD(double jdTT) { return (jdTT - kJD2000) / 36525.0; }

// A vector of the ICRS axes to the mean ecliptic and equinox of date.
inline EclipticPlace icrsToEclipticOfDate(double jdTT, const double p[3]) {
    double rm[3][3], e[3], pp[3] = {p[0], p[1], p[2]};
    eraEcm06(jdTT, 0.0, rm);
    eraRxp(rm, pp, e);
    EclipticPlace out;
    eraC2s(e, &out.lon, &out.lat);
    out.lon = eraAnp(out.lon);
    out.dist = eraPm(e);
    return out;
}

// A vector of the mean ecliptic and equinox of J2000 to the mean ecliptic and equinox of date.
inline EclipticPlace j2000EclipticToEclipticOfDate(double jdTT, const double e2000[3]) {
    double rm[3][3], icrs[3], e[3] = {e2000[0], e2000[1], e2000[2]};
    eraEcm06(kJD2000, 0.0, rm);
    eraTrxp(rm, e, icrs);
    return icrsToEclipticOfDate(jdTT, icrs);
}

// Geocentric geometric sun (AU): ERFA's Earth ephemeris.
inline EclipticPlace sunErfa(double jdTT) {
    double pvh[2][3], pvb[2][3];
    eraEpv00(jdTT, 0.0, pvh, pvb);
    const double sun[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
    return icrsToEclipticOfDate(jdTT, sun);
}

// Geocentric moon (km): ERFA's short lunar theory.
inline EclipticPlace moonErfa(double jdTT) {
    double pv[2][3];
    eraMoon98(jdTT, 0.0, pv);
    EclipticPlace out = icrsToEclipticOfDate(jdTT, pv[0]);
    out.dist *= kKmPerAu;
    return out;
}

// Geocentric moon (km): libnova's ELP2000-82B (mean ecliptic and equinox of J2000).
inline EclipticPlace moonElp(double jdTT) {
    ln_rect_posn m;
    ln_get_lunar_geo_posn(jdTT, &m, 0.0);
    const double e[3] = {m.X, m.Y, m.Z};
    return j2000EclipticToEclipticOfDate(jdTT, e);
}

// Heliocentric planet (AU), body 1 Mercury … 9 Pluto (not 3): libnova's VSOP87 and, for Pluto,
// its Chapront series, both referred to the ecliptic of J2000.
inline EclipticPlace planetLibnova(int body, double jdTT) {
    ln_helio_posn h{};
    switch (body) {
        case 1: ln_get_mercury_helio_coords(jdTT, &h); break;
        case 2: ln_get_venus_helio_coords(jdTT, &h); break;
        case 4: ln_get_mars_helio_coords(jdTT, &h); break;
        case 5: ln_get_jupiter_helio_coords(jdTT, &h); break;
        case 6: ln_get_saturn_helio_coords(jdTT, &h); break;
        case 7: ln_get_uranus_helio_coords(jdTT, &h); break;
        case 8: ln_get_neptune_helio_coords(jdTT, &h); break;
        case 9: ln_get_pluto_helio_coords(jdTT, &h); break;
        default: return EclipticPlace{0, 0, 0};
    }
    const double l = h.L * ERFA_DD2R, b = h.B * ERFA_DD2R;
    const double e[3] = {h.R * std::cos(b) * std::cos(l), h.R * std::cos(b) * std::sin(l), h.R * std::sin(b)};
    return j2000EclipticToEclipticOfDate(jdTT, e);
}

// Signed difference a − b of two angles, arcseconds, in (−648000, 648000].
inline double angleDiffArcsec(double a, double b) { return eraAnpm(a - b) * ERFA_DR2AS; }

}  // namespace oracle
