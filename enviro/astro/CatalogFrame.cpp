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
    const Vec3D earthVelocity = keplerVelocity(kEarth, t);  // AU/day, ecliptic of date
    g_vAberration = (eclipticToEquatorialMatrix(t) * earthVelocity) / kSpeedOfLightAuPerDay;
}

Vec3D catalogDirectionToDate(double rightAscension, double declination) {
    return g_mCatalogToDate * Vec3D(PolarAngles{rightAscension, declination, 1.0});
}

}  // namespace Astro
