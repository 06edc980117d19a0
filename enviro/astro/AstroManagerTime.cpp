// The astronomy manager's time and place: the instant, the observer, the horizon frame.
#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/CatalogFrame.h"
#include "enviro/astro/HorizonFrame.h"
#include "enviro/astro/TimeScale.h"

namespace Astro {

namespace {
// One radian of latitude or longitude per 111.3 km of world distance (0.001·Deg/6378.137 radians
// per metre: the game world is scaled so that a degree-sized step on Earth becomes a radian).
constexpr double kMetresPerRadian = 111319.49079327357;
constexpr double kRadiansPerMetre = 8.983152841195216e-06;
constexpr double kLocalTimeAheadOfUTDays = 1.0 / 24.0;      // the fixed one-hour shift
constexpr double kSiderealThreshold = 0.001;                // radians of sidereal time
constexpr double kPositionThreshold = 500.0;                // metres on any axis
}  // namespace

void AstroManager::setDateTime(int year, int month, int day, int hour, int minute, float second) {
    m_nYear = year;
    m_nMonth = month;
    m_nDay = day;
    m_nHour = hour;
    m_nMinute = minute;
    m_fSecond = second;

    const double mjd = modifiedJulianDate(year, month, day, hour, minute, second) - kLocalTimeAheadOfUTDays;
    if (!std::isfinite(mjd)) return;
    m_dMJD = mjd;
    m_dT = julianCenturiesSinceJ2000(m_dMJD);
    const double gmst = greenwichSiderealTime(m_dMJD);
    if (std::fabs(gmst - m_dGMST) > kSiderealThreshold) {
        m_dGMST = gmst;
        updateCatalogFrame(m_dT);
        m_bUpdateAll = true;
    }
}

void AstroManager::getDateTime(int& year, int& month, int& day, int& hour, int& minute, float& second) const {
    year = m_nYear;
    month = m_nMonth;
    day = m_nDay;
    hour = m_nHour;
    minute = m_nMinute;
    second = m_fSecond;
}

void AstroManager::setPos(double x, double y, double z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return;
    if (std::fabs(x - m_dLastPosX) > kPositionThreshold || std::fabs(y - m_dLastPosY) > kPositionThreshold ||
        std::fabs(z - m_dLastPosZ) > kPositionThreshold)
        m_bUpdateAll = true;
    if (!m_bUpdateAll) return;

    m_dLastPosX = x;
    m_dLastPosY = y;
    m_dLastPosZ = z;
    m_dLongitude = m_dBaseLongitude + z / kMetresPerRadian;
    m_dLatitude = m_dBaseLatitude + x / kMetresPerRadian;
    buildHorizonMatrix(m_dGMST, m_dLatitude, m_dLongitude, m_mHorizon);
    m_bUpdateAll = false;
    setAllDirty(true);
}

void AstroManager::polar2plane(double const& longitude, double const& latitude, Math::Vector<3, double>& out) {
    out.z = (longitude - m_dBaseLongitude) * kMetresPerRadian;
    out.x = (latitude - m_dBaseLatitude) * kMetresPerRadian;
}

void AstroManager::plane2polar(double& longitude, double& latitude, Math::Vector<3, double> const& in) {
    longitude = in.z * kRadiansPerMetre + m_dBaseLongitude;
    latitude = in.x * kRadiansPerMetre + m_dBaseLatitude;
}

void AstroManager::setSunOffset(float radians) {
    m_fSunOffset = radians;
    setDirty(kDirtySunPos, true);
}

Math::Vector<3, float> AstroManager::coordsToPlane(Vec3D direction) const { return horizonDirection(m_mHorizon, direction); }

}  // namespace Astro
