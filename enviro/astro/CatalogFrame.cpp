#include "enviro/astro/CatalogFrame.h"

#include "enviro/astro/EphemerisMath.h"
#include "enviro/astro/Frames.h"
#include "enviro/astro/Kepler.h"

namespace Astro {

double g_dCatalogT = 0.0;
double g_dEquinoxT = 0.0;
double g_dEpochT = 0.0;
Matrix3D g_mCatalogToDate = Matrix3D::identity();
Vec3D g_vAberration;

void updateCatalogFrame(double t) {
    g_dCatalogT = t;
    g_mCatalogToDate = nutationMatrix(t) * precessionMatrixEquatorial(g_dEquinoxT, t);
    g_vAberration = annualAberration(t);
}

Vec3D annualAberration(double t) {
    const Vec3D earthVelocity = keplerVelocity(kEarth, t);  // AU/day, ecliptic of date
    return (eclipticToEquatorialMatrix(t) * earthVelocity) / kSpeedOfLightAuPerDay;
}

Vec3D catalogDirectionToDate(double rightAscension, double declination) {
    return g_mCatalogToDate * Vec3D(PolarAngles{rightAscension, declination, 1.0});
}

}  // namespace Astro
