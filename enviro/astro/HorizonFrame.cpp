#include "enviro/astro/HorizonFrame.h"

#include <cmath>

#include "enviro/astro/EphemerisMath.h"

namespace Astro {

namespace {
constexpr double kPi = 3.141592653589793;
}  // namespace

void buildHorizonMatrix(double gmst, double latitude, double longitude, float out[9]) {
    double lst = gmst + longitude;  // local sidereal time, radians
    if (lst > pi2) lst -= pi2;
    const float sinLat = static_cast<float>(std::sin(latitude));
    const float cosLat = static_cast<float>(std::cos(latitude));
    const float sinColat = static_cast<float>(std::sin(kPi / 2 - latitude));
    const float cosColat = static_cast<float>(std::cos(kPi / 2 - latitude));

    const Math::Vector<3, float> north = Math::normalizeOrKeep(Math::Vector<3, float>(
        static_cast<float>(std::cos(lst + kPi)) * sinLat, static_cast<float>(std::sin(lst + kPi)) * sinLat, cosLat));
    const Math::Vector<3, float> up = Math::normalizeOrKeep(Math::Vector<3, float>(
        static_cast<float>(std::cos(lst)) * sinColat, static_cast<float>(std::sin(lst)) * sinColat, cosColat));
    const Math::Vector<3, float> east = Math::normalizeOrKeep(Math::cross(north, up));
    const Math::Vector<3, float> rows[3] = {north, up, east};
    for (int r = 0; r < 3; ++r) {
        out[3 * r + 0] = rows[r].x;
        out[3 * r + 1] = rows[r].y;
        out[3 * r + 2] = rows[r].z;
    }
}

Math::Vector<3, float> horizonDirection(const float m[9], const Vec3D& v) {
    const Math::Vector<3, float> u =
        Math::normalizeOrKeep(Math::Vector<3, float>(static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)));
    return Math::Vector<3, float>(m[0] * u.x + m[1] * u.y + m[2] * u.z, m[3] * u.x + m[4] * u.y + m[5] * u.z,
                                  m[6] * u.x + m[7] * u.y + m[8] * u.z);
}

}  // namespace Astro
