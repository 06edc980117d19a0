// The reference camera as the module's tests use it: its view-projection against the analytic
// perspective, the overrides and their end, sphere culling, and a state that compares every value.
#include "refhost/RefCamera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "enviro/host/Math3D.h"

using refhost::RefCamera;

TEST(RefCamera, ProjectsAndCullsAsTheAnalyticPerspective) {
    const double pi = 3.14159265358979323846, sx = 1.0 / std::tan(pi / 6) / (16.0 / 9.0), sy = 1.0 / std::tan(pi / 6);
    auto depth = [](double d) { return 10000.0 / 9999.0 * (1.0 - 1.0 / d); };  // 0 at near (1), 1 at far (10000)
    RefCamera cam;  // 60 degrees, 16:9, looking along +z
    Math::Matrix4f alongX = Math::Matrix4f::identity();  // rows: forward +x, up +y, right -z
    alongX.m[2][2] = -1;
    const double pos[4] = {1000, 2000, 3000, 1}, base[4] = {5, 6, 7, 0};
    const struct { Math::Vector3f point; double x, y, z; } views[] = {
        {{0, 0, 10}, 0, 0, depth(10)}, {{1, 1, 10}, 0.1 * sx, 0.1 * sy, depth(10)}, {{0, 0, 1}, 0, 0, 0}, {{0, 0, 10000}, 0, 0, 1},
        {{10, 0, -1}, 0.1 * sx, 0, depth(10)},  // turned along +x: -z is to the right
        {{1010, 2000, 2999}, 0.1 * sx, 0, depth(10)},  // placed at its position; the base does not enter
    };
    for (int i = 0; i < 6; ++i) {
        if (i == 4) cam.setOrientation(&alongX);
        if (i == 5) {
            cam.setPosition(pos);
            cam.setBasePosition(base);
        }
        const Math::Vector3f c = Math::transformCoord(views[i].point, cam.getView()->mViewProj);
        EXPECT_TRUE(std::fabs(c.x - views[i].x) < 1e-4 && std::fabs(c.y - views[i].y) < 1e-4 && std::fabs(c.z - views[i].z) < 1e-5)
            << i << ": " << c.x << " " << c.y << " " << c.z;
    }
    // Beside the view, the side planes at atan(tan(30 degrees) * 16 / 9) = 45.75 degrees: the centre
    // (11.5, 0, 10) lies 0.86 outside the right one, (12, 0, 10) 1.21 (by hand).
    RefCamera ahead;
    const struct { Math::Vector3f center; float radius; bool visible; } spheres[] = {
        {{0, 0, 10}, 1, true}, {{0, 0, -10}, 1, false}, {{0, 0, 0.5f}, 1, true}, {{0, 0, -0.5f}, 1, false},  // near plane 1
        {{0, 0, 10000.5f}, 1, true}, {{0, 0, 10002}, 1, false}, {{11.5f, 0, 10}, 1, true}, {{12, 0, 10}, 1, false},
        {{-12, 0, 10}, 1, false}, {{0, 7, 10}, 0.5f, false},
    };
    for (const auto& s : spheres) EXPECT_EQ(ahead.isSphereVisible(&s.center, s.radius), s.visible) << s.center.x << " " << s.center.z;
    EXPECT_FALSE(ahead.isSphereVisible(nullptr, 1));
}

TEST(RefCamera, OverridesEndAndTheStateComparesEveryValue) {
    RefCamera cam;
    const RefCamera::State initial = cam.state();
    Math::Matrix4f mirror = Math::Matrix4f::identity(), expected, proj = cam.projectionMatrix(), ortho;
    mirror.m[1][1] = -1;
    cam.overrideView(&mirror);
    Math::multiply(&expected, &mirror, &proj);
    EXPECT_EQ(cam.getView()->mViewProj, expected);
    Math::Matrix4f o = cam.getOrientation();
    cam.setOrientation(&o);  // setting the orientation ends the view override
    EXPECT_EQ(cam.state(), initial);
    _3DMath::matrixOrthoLH(100, 100, 1, 10000, &ortho);
    cam.overrideProjection(true, &ortho);
    cam.setFov(1.0f);  // has no say while overridden
    EXPECT_EQ(cam.getView()->mViewProj, ortho);
    cam.overrideProjection(false, nullptr);
    _3DMath::matrixPerspectiveFovLH(1.0f, 16.0f / 9.0f, 1.0f, 10000.0f, &expected);
    EXPECT_EQ(cam.getView()->mViewProj, expected);

    // Each value on its own makes a difference.
    RefCamera::State s = initial;
    for (auto change : std::initializer_list<void (*)(RefCamera::State&)>{
             [](RefCamera::State& t) { t.fov = 0.5f; }, [](RefCamera::State& t) { t.aspect = 1; },
             [](RefCamera::State& t) { t.zNear = 0.1f; }, [](RefCamera::State& t) { t.zFar = 50; },
             [](RefCamera::State& t) { t.position[3] = 2; }, [](RefCamera::State& t) { t.base[1] = -1; },
             [](RefCamera::State& t) { t.rotation[3] = 1e-9; }, [](RefCamera::State& t) { t.orientation.m[0][1] = 0.5f; },
             [](RefCamera::State& t) { t.viewOverride = true; }, [](RefCamera::State& t) { t.view.m[3][0] = 1; },
             [](RefCamera::State& t) { t.projectionOverride = true; }, [](RefCamera::State& t) { t.projection.m[2][3] = 2; },
             [](RefCamera::State& t) { t.shadowFlag = 1; }}) {
        s = initial;
        change(s);
        EXPECT_NE(s, initial);
    }
}
