// The receiver volume's worked cases and bad input to the whole fit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/shadows/ShadowFitTestScene.h"

namespace {

using namespace shadowfit_test;

const float kRightAngle = 1.5707963f;

// Camera at the origin looking straight down, 90-degree field of view, far 700.
CameraSetup downCamera(double height) {
    CameraSetup c;
    c.view = lookAt(Vector3f(0, 0, 0), Vector3f(0, -1, 0), Vector3f(0, 0, 1));
    c.nearDist = 1.0f, c.farDist = 700.0f, c.fov = kRightAngle, c.aspect = 1.0f;
    c.groundLevel = 0.0f, c.cameraHeight = height;
    return c;
}

void runVertices(CasterSet* casters, const CameraSetup& c, const Vector3f& light, bool ortho, fit::PointList* out) {
    fit::calcVertices(casters->list(), out, &light, &c.view, c.nearDist, c.farDist, c.fov, c.aspect, ortho,
                      c.groundLevel, c.cameraHeight);
}

TEST(ShadowFitVolume, GroundShortensTheShadowDistanceOnlyForACameraAboveIt) {
    const Vector3f down(0, -1, 0);
    for (double height : {100.0, 0.05}) {
        CasterSet casters(2);
        auto* near = casters.add({makeNode({-1, -1, -1}, {1, 1, 1})}, Vector3f(0, -130, 0));  // 1.3 x height
        auto* far = casters.add({makeNode({-1, -1, -1}, {1, 1, 1})}, Vector3f(0, -170, 0));   // 1.7 x height
        fit::PointList out;
        runVertices(&casters, downCamera(height), down, false, &out);
        EXPECT_EQ(near->bInShadow, 1);
        // High above flat ground: the distance is cut to 1.5 x 100; at ground + 0.05 it stays 700.
        EXPECT_EQ(far->bInShadow, height > 1.0 ? 0 : 1) << height;
    }
    // The four ground points are the side edges' hits on the ground, 100 below.
    CasterSet none(0);
    fit::PointList out;
    runVertices(&none, downCamera(100.0), down, false, &out);
    ASSERT_EQ(out.count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(out[i].y, -100.0f, 1e-3f);
        EXPECT_NEAR(std::fabs(out[i].x), 100.0f, 1e-2f);
        EXPECT_NEAR(std::fabs(out[i].z), 100.0f, 1e-2f);
    }
}

TEST(ShadowFitVolume, TheVolumeReachesTowardTheLightWithinItsSilhouette) {
    // Looking along +z (90 degrees, far 100, the ground far below); the light travels down and
    // toward +x. A caster's shadow reaches the view exactly when it lies in the view swept back
    // along the light.
    CameraSetup c = downCamera(1000.0);
    c.view = lookAt(Vector3f(0, 0, 0), Vector3f(0, 0, 1));
    c.farDist = 100.0f;
    const Vector3f light = Math::normalizeOrKeep(Vector3f(1, -1, 0));
    const struct { Vector3f at; unsigned char inRange; } cases[] = {
        {{0, 0, 50}, 1},       // in view
        {{-80, 40, 50}, 1},    // out of view toward the light: its shadow falls into the view
        {{-150, -40, 50}, 0},  // toward the light, beside the swept view: its shadow passes below
        {{80, -40, 50}, 0},    // out of view away from the light
    };
    CasterSet casters(4);
    for (const auto& k : cases) casters.add({makeNode({-2, -2, -2}, {2, 2, 2})}, k.at);
    fit::PointList out;
    runVertices(&casters, c, light, false, &out);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(casters.records()[i].bInShadow, cases[i].inRange) << i;
}

TEST(ShadowFitVolume, NoGroundCrossingGivesFourZeroPointsThatDoNotCountForTheFit) {
    CameraSetup c = downCamera(1000.0);
    c.farDist = 50.0f;  // the ground lies far beyond the view
    c.view = lookAt(Vector3f(0, 0, 0), Vector3f(0, 0, 1));
    CasterSet casters(1);
    casters.add(threeLevelNodes(Vector3f(2, 2, 2)), Vector3f(0, 0, 20));
    fit::PointList out, proj;
    const Vector3f light = Math::normalizeOrKeep(Vector3f(0.3f, -1, 0.2f));
    runVertices(&casters, c, light, false, &out);
    ASSERT_EQ(out.count(), 4 + 24);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], Vector3f(0, 0, 0));
    Matrix4f ls, inv;
    char front = 0;
    ASSERT_TRUE(fit::fitPerspective(out, &proj, perspectiveInput(c, light), &ls, &inv, &front));
    // Moving the placeholders changes nothing in x and y: they feed neither centroid nor slopes.
    Matrix4f ls2, inv2;
    for (int i = 0; i < 4; ++i) out[i] = Vector3f(0, 0, 0.5f * static_cast<float>(i));
    ASSERT_TRUE(fit::fitPerspective(out, &proj, perspectiveInput(c, light), &ls2, &inv2, &front));
    for (int i = 4; i < out.count(); ++i) {
        const Math::Vector3f a = Math::transformCoord(out[i], ls), b = Math::transformCoord(out[i], ls2);
        EXPECT_NEAR(a.x, b.x, 1e-3f);
        EXPECT_NEAR(a.y, b.y, 1e-3f);
    }
}

TEST(ShadowFitVolume, LightBehindTheVirtualCameraGivesReversedDepth) {
    CameraSetup c = downCamera(10.0);
    c.view = lookAt(Vector3f(0, 0, 0), Vector3f(0, 0, 1));
    CasterSet casters(1);
    casters.add(threeLevelNodes(Vector3f(3, 3, 3)), Vector3f(0, -7, 40));
    for (const Vector3f light : {Vector3f(0, -0.6f, 0.8f), Vector3f(0, -0.6f, -0.8f)}) {
        fit::PointList out, proj;
        runVertices(&casters, c, light, false, &out);
        ASSERT_GT(out.count(), 4);
        Matrix4f ls, inv;
        char front = 9;
        ASSERT_TRUE(fit::fitPerspective(out, &proj, perspectiveInput(c, light), &ls, &inv, &front));
        // Travelling along the view (from behind the camera): negative w, front side 0.
        EXPECT_EQ(front, light.z > 0 ? 0 : 1);
        EXPECT_TRUE(fit::detail::isFinite(ls) && fit::detail::isFinite(inv));
        for (int i = 0; i < proj.count(); ++i) EXPECT_TRUE(proj[i].z >= 0.0f && proj[i].z <= 1.0f);
    }
}

TEST(ShadowFitVolume, BadInputGivesFiniteMatricesOrTheDocumentedEarlyReturn) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    CameraSetup c = downCamera(20.0);
    c.view = lookAt(Vector3f(0, 0, 0), Vector3f(0.2f, -0.3f, 1));
    CasterSet casters(8);
    auto* noModel = casters.addRecord(nullptr, Matrix4f::identity());
    noModel->bInShadow = 1;
    auto* emptyModel = casters.add({}, Vector3f(0, 0, 20));
    auto* nanBox = casters.add({makeNode({nan, 0, 0}, {1, 1, 1})}, Vector3f(0, 0, 20));
    auto* flat = casters.add({makeNode({-1, 0, -1}, {1, 0, 1})}, Vector3f(0, -5, 20));
    Matrix4f nanWorld = translation(Vector3f(0, 0, 20));
    nanWorld.m[3][1] = nan;
    auto* nanPlaced = casters.addRecord(flat->pModel, nanWorld);
    auto* good = casters.add(threeLevelNodes(Vector3f(2, 4, 2)), Vector3f(3, -16, 30));

    const Vector3f lights[] = {Vector3f(0, -1, 0),                                   // exactly overhead
                               Math::normalizeOrKeep(Vector3f(0.2f, -0.3f, 1)),      // along the view
                               Math::normalizeOrKeep(Vector3f(-0.2f, 0.3f, -1)),     // into the view
                               Vector3f(0, 0, 1), Vector3f(0, 0, 0)};                 // along z; zero
    for (const Vector3f& light : lights) {
        for (bool ortho : {false, true}) {
            fit::PointList out, proj;
            runVertices(&casters, c, light, ortho, &out);
            EXPECT_EQ(noModel->bInShadow, 0);
            EXPECT_EQ(emptyModel->bInShadow, 0);
            EXPECT_EQ(nanBox->bInShadow, 0);
            EXPECT_EQ(nanPlaced->bInShadow, 0);
            EXPECT_EQ(good->bInShadow, 1);
            for (int i = 0; i < out.count(); ++i) ASSERT_TRUE(fit::detail::isFinite(out[i]));
            Matrix4f ls = Matrix4f::identity(), inv = Matrix4f::identity();
            char front = 5;
            const bool fitted = ortho ? fit::fitOrtho(out, light, &ls, &inv, &front)
                                      : fit::fitPerspective(out, &proj, perspectiveInput(c, light), &ls, &inv, &front);
            const bool zeroLight = light == Vector3f(0, 0, 0);
            EXPECT_EQ(fitted, !(ortho && zeroLight));
            EXPECT_TRUE(fit::detail::isFinite(ls) && fit::detail::isFinite(inv));
            if (!fitted) {
                EXPECT_EQ(ls, Matrix4f::identity());
            }
        }
    }
    // Too few points, empty lists, null outputs, a broken camera: outputs untouched.
    fit::PointList four, proj;
    for (int i = 0; i < 4; ++i) four.append(Vector3f(1, 2, 3));
    Matrix4f ls = Matrix4f::identity(), inv = Matrix4f::identity();
    char front = 5;
    EXPECT_FALSE(fit::fitPerspective(four, &proj, perspectiveInput(c, Vector3f(0, -1, 0)), &ls, &inv, &front));
    EXPECT_FALSE(fit::fitOrtho(fit::PointList(), Vector3f(0, -1, 0), &ls, &inv, &front));
    EXPECT_FALSE(fit::fitOrtho(four, Vector3f(0, -1, 0), nullptr, &inv, &front));
    EXPECT_EQ(ls, Matrix4f::identity());
    EXPECT_EQ(front, 5);
    EXPECT_TRUE(fit::fitOrtho(four, Vector3f(0, -1, 0), &ls, &inv, &front));  // a single place: finite
    EXPECT_TRUE(fit::detail::isFinite(ls));
    CameraSetup broken = c;
    broken.view.m[0][0] = nan;
    fit::PointList out;
    runVertices(&casters, broken, Vector3f(0, -1, 0), false, &out);
    EXPECT_EQ(out.count(), 0);
    broken = c;
    broken.aspect = 0.0f;
    runVertices(&casters, broken, Vector3f(0, -1, 0), false, &out);
    EXPECT_EQ(out.count(), 0);
    fit::calcVertices(nullptr, &out, &lights[0], &c.view, 1, 100, 1, 1, false, 0, 20.0);
    EXPECT_EQ(out.count(), 4);
}

}  // namespace
