#pragma once
// The moon: the condensed improved lunar ephemeris. T in Julian centuries since J2000 (TT).
#include "enviro/astro/SeriesTables.h"
#include "enviro/astro/Vec3D.h"

namespace Astro {

// Geocentric ecliptic longitude λ, latitude β (radians) and distance r (km) of the moon, mean
// ecliptic and equinox of date (light time included in the series). Remembers its last result in
// static storage (render thread only, like the rest of the module).
PolarAngles lunarEclipticPolar(double tCenturies);

// The theory evaluated from the given tables (kLunarTheory for the moon of the sky).
PolarAngles evaluateLunarTheory(const series::LunarTheory& theory, double tCenturies);

// The same as a vector built from (λ, β, r): km, mean ecliptic of date.
Vec3D lunarEclipticPosition(double tCenturies);

// Geocentric moon in the true equator and equinox of date, km.
Vec3D moonEquatorial(double tCenturies);

}  // namespace Astro
