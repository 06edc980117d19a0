#include "enviro/astro/PlanetMagnitude.h"

#include <cmath>

#include "enviro/astro/EphemerisMath.h"

namespace Astro {

namespace {

// a0 + a1·x + a2·x² + … for the n coefficients a.
double polynomial(const double* a, int n, double x) {
    double sum = 0.0;
    for (int i = n - 1; i >= 0; --i) sum = sum * x + a[i];
    return sum;
}

// Magnitude at 1 AU from the Sun and the Earth, V(1, α), with α the phase angle in degrees.
// Coefficients of Mercury to Neptune: A. Mallama and J. L. Hilton, "Computing apparent planetary
// magnitudes for The Astronomical Almanac", Astronomy and Computing 25 (2018) 10-24, the
// formulas for the phase angles seen from the Earth. Uranus leaves out the term in the
// planetographic latitude of the sub-Earth and sub-solar points (at most 0.07 magnitude), Saturn
// its rings (globe alone). Pluto: V(1, 0) = -1.01 and 0.041 magnitude per degree of phase, the
// Astronomical Almanac's values before 2018.
double reducedMagnitude(int body, double a, double year) {
    switch (body) {
        case 1: {
            static const double c[] = {-0.613, 6.3280e-02, -1.6336e-03, 3.3644e-05, -3.4265e-07, 1.6893e-09,
                                       -3.0334e-12};
            return polynomial(c, 7, a);
        }
        case 2: {
            static const double small[] = {-4.384, -1.044e-03, 3.687e-04, -2.814e-06, 8.938e-09};
            static const double large[] = {236.05828, -2.81914, 8.39034e-03};
            return a <= 163.7 ? polynomial(small, 5, a) : polynomial(large, 3, a);
        }
        case 4: {
            static const double small[] = {-1.601, 2.267e-02, -1.302e-04};
            static const double large[] = {-0.367, -0.02573, 3.445e-04};
            return a <= 50.0 ? polynomial(small, 3, a) : polynomial(large, 3, a);
        }
        case 5: {
            static const double small[] = {-9.395, -3.7e-04, 6.16e-04};
            static const double large[] = {1.0, -1.507, -0.363, -0.062, 2.809, -1.876};
            return a <= 12.0 ? polynomial(small, 3, a) : -9.428 - 2.5 * std::log10(polynomial(large, 6, a / 180.0));
        }
        case 6: {
            static const double small[] = {-8.95, -3.7e-04, 6.16e-04};
            static const double large[] = {-8.94, 2.446e-04, 2.672e-04, -1.505e-06, 4.767e-09};
            return a <= 6.0 ? polynomial(small, 3, a) : polynomial(large, 5, a);
        }
        case 7: {
            static const double c[] = {-7.110, 6.587e-03, 1.045e-04};
            return polynomial(c, 3, a);
        }
        case 8: {
            // -6.89 up to 1980, -7.00 from 2000 on, linear between.
            const double v10 = year <= 1980.0 ? -6.89 : (year >= 2000.0 ? -7.00 : -6.89 - 0.0055 * (year - 1980.0));
            static const double c[] = {0.0, 7.944e-03, 9.617e-05};
            return v10 + polynomial(c, 3, a);
        }
        case 9: return -1.01 + 0.041 * a;
        default: return 0.0;
    }
}

}  // namespace

double planetMagnitude(int body, double r, double delta, double phaseAngle, double year) {
    if (body < 1 || body > 9 || body == 3 || !(r > 0.0) || !(delta > 0.0)) return 0.0;
    return 5.0 * std::log10(r * delta) + reducedMagnitude(body, phaseAngle * Deg, year);
}

}  // namespace Astro
