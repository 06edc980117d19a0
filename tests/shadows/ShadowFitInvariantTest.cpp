// The fit's own invariant over many random cameras, lights and caster layouts: every fitted caster
// point, taken through the light-space matrix, lands inside the shadow map's clip volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/shadows/ShadowFitTestScene.h"

namespace {

using namespace shadowfit_test;

// How far a clip-space point lies outside [-1,1] x [-1,1] x [0,1] (0 when inside).
float clipExcess(const Math::Vector4f& h) {
    const float x = h.x / h.w, y = h.y / h.w, z = h.z / h.w;
    float e = std::max(std::fabs(x) - 1.0f, std::fabs(y) - 1.0f);
    e = std::max(e, std::max(-z, z - 1.0f));
    return std::max(e, 0.0f);
}

bool finite(const Matrix4f& m) { return effector::shadowfit::detail::isFinite(m); }

TEST(ShadowFitInvariant, PerspectiveFitKeepsEveryCasterPointInsideTheMap) {
    std::mt19937 rng(20240611);
    int fitted = 0;
    float worst = 0.0f;
    for (int trial = 0; trial < 400; ++trial) {
        const CameraSetup cam = randomCamera(rng);
        const Vector3f light = randomLight(rng);
        CasterSet casters(40);
        addRandomCasters(rng, cam, 40, 250.0f, &casters);
        fit::PointList points, projected;
        fit::calcVertices(casters.list(), &points, &light, &cam.view, cam.nearDist, cam.farDist, cam.fov,
                          cam.aspect, false, cam.groundLevel, cam.cameraHeight);
        ASSERT_GE(points.count(), 4);
        if (points.count() <= 4) continue;
        Matrix4f lightSpace, inverse;
        char front = 7;
        ASSERT_TRUE(fit::fitPerspective(points, &projected, perspectiveInput(cam, light), &lightSpace, &inverse,
                                        &front))
            << "trial " << trial;
        ASSERT_TRUE(finite(lightSpace) && finite(inverse)) << "trial " << trial;
        ASSERT_TRUE(front == 0 || front == 1);
        ASSERT_EQ(projected.count(), points.count());
        ++fitted;
        for (int i = 4; i < points.count(); ++i) {
            const float e = clipExcess(Math::transformPoint(points[i], lightSpace));
            worst = std::max(worst, e);
            ASSERT_LE(e, 1e-3f) << "trial " << trial << " point " << i;
        }
    }
    EXPECT_GT(fitted, 300);
    RecordProperty("worstExcess", std::to_string(worst));
}

TEST(ShadowFitInvariant, OrthographicFitKeepsEveryPointInsideTheMap) {
    std::mt19937 rng(77);
    int fitted = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const CameraSetup cam = randomCamera(rng);
        const Vector3f light = randomLight(rng);
        CasterSet casters(30);
        addRandomCasters(rng, cam, 30, 250.0f, &casters);
        fit::PointList points;
        fit::calcVertices(casters.list(), &points, &light, &cam.view, cam.nearDist, cam.farDist, cam.fov,
                          cam.aspect, true, cam.groundLevel, cam.cameraHeight);
        Matrix4f lightSpace, inverse;
        char front = 7;
        const bool ok = fit::fitOrtho(points, light, &lightSpace, &inverse, &front);
        ASSERT_EQ(ok, points.count() > 0);
        if (!ok) continue;
        ++fitted;
        ASSERT_TRUE(finite(lightSpace) && finite(inverse));
        EXPECT_EQ(front, 1);
        for (int i = 0; i < points.count(); ++i) {
            const Math::Vector4f h = Math::transformPoint(points[i], lightSpace);
            ASSERT_NEAR(h.w, 1.0f, 1e-5f);
            ASSERT_LE(clipExcess(h), 1e-3f) << "trial " << trial << " point " << i;
        }
        // The box is tight: some point touches each side of the map in x and y.
        float xmin = 1, xmax = -1;
        for (int i = 0; i < points.count(); ++i) {
            const float x = Math::transformPoint(points[i], lightSpace).x;
            xmin = std::min(xmin, x), xmax = std::max(xmax, x);
        }
        EXPECT_NEAR(xmin, -1.0f, 1e-3f);
        EXPECT_NEAR(xmax, 1.0f, 1e-3f);
    }
    EXPECT_GT(fitted, 300);
}

}  // namespace
