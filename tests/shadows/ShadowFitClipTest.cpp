// Polygon clipping against brute force: random convex polygons and planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "enviro/shadows/ShadowFit.h"

namespace {

using Math::Vector3f;
namespace fit = effector::shadowfit;

float side(const Vector3f& v, const Vector3f& p, const Vector3f& n) { return Math::dot(v - p, n); }

TEST(ShadowFitClip, RandomConvexPolygonsKeepInsideVerticesAndLoseOutsideOnes) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    fit::Polygon poly;
    int cut = 0, unchanged = 0, emptied = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        // A convex polygon: points on a circle at sorted angles, placed in a random plane.
        const int n = 3 + static_cast<int>(rng() % 10);
        std::vector<float> angles(static_cast<size_t>(n));
        for (float& a : angles) a = (u(rng) + 1.0f) * 3.14159265f;
        std::sort(angles.begin(), angles.end());
        const Vector3f axisA = Math::normalizeOrKeep(Vector3f(u(rng), u(rng), u(rng)));
        const Vector3f axisB = Math::normalizeOrKeep(Math::cross(axisA, Vector3f(u(rng), u(rng), u(rng))));
        const Vector3f centre(u(rng), u(rng), u(rng));
        std::vector<Vector3f> original;
        poly.clear();
        for (float a : angles) {
            original.push_back(centre + axisA * (3.0f * std::cos(a)) + axisB * (3.0f * std::sin(a)));
            poly.append(original.back());
        }
        const Vector3f p(u(rng) * 2, u(rng) * 2, u(rng) * 2);
        const Vector3f normal = Math::normalizeOrKeep(Vector3f(u(rng), u(rng), u(rng)));

        const fit::ClipResult r = fit::clipPolygon(&poly, p, normal);
        int inside = 0;
        for (const Vector3f& v : original) inside += side(v, p, normal) >= 0.0f ? 1 : 0;
        if (inside == n) {
            EXPECT_EQ(r, fit::CLIP_UNCHANGED);
            ++unchanged;
        } else if (inside == 0) {
            EXPECT_EQ(r, fit::CLIP_EMPTIED);
            EXPECT_EQ(poly.count(), 0);
            ++emptied;
        } else {
            ASSERT_EQ(r, fit::CLIP_CUT);
            ++cut;
            EXPECT_LE(poly.count(), n + 1);  // one corner cut off adds one vertex at most
        }
        // Every result vertex lies inside (up to rounding), and every original inside vertex stays.
        for (int i = 0; i < poly.count(); ++i) EXPECT_GE(side(poly.vertex(i), p, normal), -1e-4f);
        for (const Vector3f& v : original) {
            if (side(v, p, normal) < 0.0f) continue;
            bool kept = false;
            for (int i = 0; i < poly.count(); ++i) kept = kept || poly.vertex(i) == v;
            EXPECT_TRUE(kept) << "trial " << trial;
        }
        // The crossings lie on the plane.
        if (r == fit::CLIP_CUT) {
            int onPlane = 0;
            for (int i = 0; i < poly.count(); ++i) onPlane += poly.outsideMark(i) ? 1 : 0;
            EXPECT_EQ(onPlane, 2);
            for (int i = 0; i < poly.count(); ++i) {
                if (poly.outsideMark(i)) {
                    EXPECT_NEAR(side(poly.vertex(i), p, normal), 0.0f, 1e-4f);
                }
            }
        }
    }
    EXPECT_GT(cut, 500);
    EXPECT_GT(unchanged, 100);
    EXPECT_GT(emptied, 100);
}

TEST(ShadowFitClip, DegenerateInputs) {
    fit::Polygon poly;
    const Vector3f origin(0, 0, 0), up(0, 1, 0);
    EXPECT_EQ(fit::clipPolygon(nullptr, origin, up), fit::CLIP_EMPTIED);
    poly.append(Vector3f(0, 1, 0));
    poly.append(Vector3f(1, 1, 0));
    EXPECT_EQ(fit::clipPolygon(&poly, origin, up), fit::CLIP_EMPTIED);  // fewer than 3 vertices
    EXPECT_EQ(poly.count(), 0);
    // A zero normal puts nothing outside; a single outside corner is doubled into two crossings.
    for (Vector3f v : {Vector3f(-1, 1, 0), Vector3f(1, 1, 0), Vector3f(1, -1, 0), Vector3f(-1, 3, 0)}) poly.append(v);
    EXPECT_EQ(fit::clipPolygon(&poly, origin, Vector3f(0, 0, 0)), fit::CLIP_UNCHANGED);
    EXPECT_EQ(fit::clipPolygon(&poly, origin, up), fit::CLIP_CUT);
    ASSERT_EQ(poly.count(), 5);
    EXPECT_EQ(poly.vertex(2), Vector3f(1, 0, 0));
    EXPECT_NEAR(poly.vertex(3).x, 0.5f, 1e-6f);  // a quarter along (1,-1)..(-1,3)
    EXPECT_NEAR(poly.vertex(3).y, 0.0f, 1e-6f);
}

TEST(ShadowFitClip, StorageGrowsByAnEighthPlusEightAndIsKept) {
    fit::Polygon poly;
    poly.append(Vector3f(0, 0, 0));
    EXPECT_EQ(poly.capacity(), 8);
    for (int i = 1; i < 9; ++i) poly.append(Vector3f(static_cast<float>(i), 0, 0));
    EXPECT_EQ(poly.capacity(), 17);  // 8 + 8/8 + 8
    poly.clear();
    for (int i = 0; i < 9; ++i) poly.append(Vector3f(0, 0, 0));
    EXPECT_EQ(poly.capacity(), 17);
}

}  // namespace
