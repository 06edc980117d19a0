#include "enviro/astro/EphemerisMath.h"

namespace Astro {

double hoursFromHMS(double d, double m, double s) {
    const double value = std::fabs(d) + std::fabs(m) / 60.0 + std::fabs(s) / 3600.0;
    return (d < 0.0 || m < 0.0 || s < 0.0) ? -value : value;
}

}  // namespace Astro
