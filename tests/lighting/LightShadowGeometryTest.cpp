// Spot-light shadow geometry against brute-force oracles: the distance to the lit cone (a
// spherical sector) and to the axis segment; the level and bucket quantisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "enviro/lighting/LightShadowGeometry.h"

namespace {

using namespace effector;

LIGHTDESC spotAlong(Math::Vector3f pos, Math::Vector3f axis, float range, float angle, float edge) {
    LIGHTDESC l;
    std::memset(&l, 0, sizeof(l));
    l.type = LIGHT_SPOT;
    l.vPos = pos;
    const Math::Vector3f a = Math::normalizeOrKeep(axis);
    l.vDir = Math::Vector4f(-a.x, -a.y, -a.z, 0);
    l.fMaxRadius = range;
    l.fConeAngle = angle;
    l.fConeEdge = edge;
    return l;
}

// Brute force in the plane of p and the axis (the sector is symmetric about the axis, so the
// nearest point lies in that half-plane): sample the side line and the cap arc densely.
double sectorDistanceOracle(const Math::Vector3f& p, const LIGHTDESC& l) {
    const Math::Vector3d apex(l.vPos.x, l.vPos.y, l.vPos.z);
    const Math::Vector3d axis(-l.vDir.x, -l.vDir.y, -l.vDir.z);
    const Math::Vector3d v = Math::Vector3d(p.x, p.y, p.z) - apex;
    const double along = Math::dot(v, axis);
    const double across = std::sqrt(std::max(Math::dot(v, v) - along * along, 0.0));
    const double half = l.fConeAngle * (1.0 + l.fConeEdge) * 0.5;
    const double range = l.fMaxRadius;
    const double dist = std::sqrt(Math::dot(v, v));
    if (dist < range && std::atan2(across, along) < half) return 0.0;
    double best = std::numeric_limits<double>::infinity();
    const int n = 20000;
    for (int i = 0; i <= n; ++i) {
        const double r = range * i / n;  // the side line
        best = std::min(best, std::hypot(along - r * std::cos(half), across - r * std::sin(half)));
        const double psi = -half + 2.0 * half * i / n;  // the cap arc
        best = std::min(best, std::hypot(along - range * std::cos(psi), across - range * std::sin(psi)));
    }
    return best;
}

double segmentDistanceOracle(const Math::Vector3f& p, const LIGHTDESC& l) {
    double best = std::numeric_limits<double>::infinity();
    const int n = 20000;
    for (int i = 0; i <= n; ++i) {
        const double t = double(l.fMaxRadius) * i / n;
        const double dx = p.x - (l.vPos.x - l.vDir.x * t), dy = p.y - (l.vPos.y - l.vDir.y * t),
                     dz = p.z - (l.vPos.z - l.vDir.z * t);
        best = std::min(best, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
    return best;
}

TEST(LightShadowGeometry, DistancesMatchBruteForce) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-60.0f, 60.0f), unit(-1.0f, 1.0f), angle(0.05f, 1.3f),
        edge(0.0f, 1.0f), range(5.0f, 50.0f);
    for (int i = 0; i < 300; ++i) {
        const LIGHTDESC l = spotAlong({coord(rng), coord(rng), coord(rng)}, {unit(rng), unit(rng), unit(rng) + 0.01f},
                                      range(rng), angle(rng), edge(rng));
        const Math::Vector3f p(coord(rng), coord(rng), coord(rng));
        const double tolerance = 2e-3 * l.fMaxRadius;  // sampling step plus float rounding
        EXPECT_NEAR(detail::shadowDistanceCone(p, l), sectorDistanceOracle(p, l), tolerance) << i;
        EXPECT_NEAR(detail::shadowDistanceConeRay(p, l), segmentDistanceOracle(p, l), tolerance) << i;
    }
}

TEST(LightShadowGeometry, DistanceCases) {
    // Axis +z from the origin, range 10, effective half-angle 0.4 * (1 + 0.5) / 2 = 0.3.
    const LIGHTDESC l = spotAlong({0, 0, 0}, {0, 0, 1}, 10.0f, 0.4f, 0.5f);
    EXPECT_EQ(detail::shadowDistanceCone({0, 0, 5}, l), 0.0f);              // inside
    EXPECT_NEAR(detail::shadowDistanceCone({0, 0, 13}, l), 3.0f, 1e-5f);    // beyond the cap
    EXPECT_NEAR(detail::shadowDistanceCone({0, 0, -4}, l), 4.0f, 1e-5f);    // behind: the apex
    EXPECT_NEAR(detail::shadowDistanceCone({0, 7, 0}, l), 7.0f * std::cos(0.3f), 1e-4f);  // to the side line
    EXPECT_EQ(detail::shadowDistanceCone({0, 0, 0}, l), 0.0f);              // the apex
    EXPECT_NEAR(detail::shadowDistanceConeRay({0, 0, -4}, l), 4.0f, 1e-6f);
    EXPECT_NEAR(detail::shadowDistanceConeRay({3, 0, 5}, l), 3.0f, 1e-6f);
    EXPECT_NEAR(detail::shadowDistanceConeRay({0, 4, 13}, l), 5.0f, 1e-6f);
}

TEST(LightShadowGeometry, LevelAndBucketQuantisation) {
    // n = size / unit rounded, clamped to [1, maxSize]; q = maxSize / n; smallest level with
    // 2^level >= q, else 3.
    EXPECT_EQ(detail::shadowLevel(256.0f, 1.0f, 256), 0);
    EXPECT_EQ(detail::shadowLevel(1e9f, 1.0f, 256), 0);
    EXPECT_EQ(detail::shadowLevel(128.0f, 1.0f, 256), 1);   // q = 2
    EXPECT_EQ(detail::shadowLevel(127.4f, 1.0f, 256), 1);   // n = 127, q = 2
    EXPECT_EQ(detail::shadowLevel(85.6f, 1.0f, 256), 1);    // n = 86, q = 2
    EXPECT_EQ(detail::shadowLevel(85.4f, 1.0f, 256), 2);    // n = 85, q = 3
    EXPECT_EQ(detail::shadowLevel(64.0f, 1.0f, 256), 2);    // q = 4
    EXPECT_EQ(detail::shadowLevel(63.0f, 1.0f, 256), 2);    // q = 4
    EXPECT_EQ(detail::shadowLevel(51.0f, 1.0f, 256), 3);    // q = 5
    EXPECT_EQ(detail::shadowLevel(0.0f, 1.0f, 256), 3);     // n raised to 1
    // Degenerate input lands on a level, never on an undefined conversion.
    EXPECT_EQ(detail::shadowLevel(10.0f, 0.0f, 256), 0);     // infinite size: n = maxSize
    EXPECT_EQ(detail::shadowLevel(0.0f, 0.0f, 256), 3);      // NaN: n = 1
    EXPECT_EQ(detail::shadowLevel(10.0f, 1.0f, 0), 0);       // maxSize raised to 1
    EXPECT_EQ(detail::shadowBucket(0.0f), 0);
    EXPECT_EQ(detail::shadowBucket(49.99f), 4);
    EXPECT_EQ(detail::shadowBucket(2549.0f), 254);
    EXPECT_EQ(detail::shadowBucket(1e30f), 255);
    EXPECT_EQ(detail::shadowBucket(std::numeric_limits<float>::quiet_NaN()), 255);
}

}  // namespace
