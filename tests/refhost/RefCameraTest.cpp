#include "refhost/RefCamera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "enviro/host/Math3D.h"

using refhost::RefCamera;

namespace {

const double kPi = 3.14159265358979323846;

// Clip-space coordinates of p after the divide by w.
Math::Vector3f project(RefCamera& cam, const Math::Vector3f& p) {
    return Math::transformCoord(p, cam.getView()->mViewProj);
}

// Depth of a point at distance d in front of a left-handed perspective camera (0 at near, 1 at far).
double expectedDepth(double d, double zn, double zf) { return zf / (zf - zn) * (1.0 - zn / d); }

}  // namespace

TEST(RefCamera, ViewProjectionMapsPointsToClipCoordinates) {
    RefCamera cam;
    EXPECT_FLOAT_EQ(cam.getFov(), static_cast<float>(kPi / 3));
    EXPECT_FLOAT_EQ(cam.getAspect(), 16.0f / 9.0f);
    EXPECT_FLOAT_EQ(cam.getNear(), 1.0f);
    EXPECT_FLOAT_EQ(cam.getFar(), 10000.0f);

    // Straight ahead (+z): the centre of the screen, at the analytic depth.
    Math::Vector3f c = project(cam, Math::Vector3f(0, 0, 10));
    EXPECT_NEAR(c.x, 0.0f, 1e-6);
    EXPECT_NEAR(c.y, 0.0f, 1e-6);
    EXPECT_NEAR(c.z, expectedDepth(10, 1, 10000), 1e-6);
    // One unit right and up at distance 10.
    const double yScale = 1.0 / std::tan(kPi / 6);
    c = project(cam, Math::Vector3f(1, 1, 10));
    EXPECT_NEAR(c.x, 0.1 * yScale / (16.0 / 9.0), 1e-6);
    EXPECT_NEAR(c.y, 0.1 * yScale, 1e-6);
    EXPECT_NEAR(project(cam, Math::Vector3f(0, 0, 1)).z, 0.0f, 1e-6);       // near plane
    EXPECT_NEAR(project(cam, Math::Vector3f(0, 0, 10000)).z, 1.0f, 1e-5);  // far plane

    // Turned to look along +x (rows: forward = +x, up = +y, right = -z).
    Math::Matrix4f o = Math::Matrix4f::identity();
    o.m[2][2] = -1;
    cam.setOrientation(&o);
    c = project(cam, Math::Vector3f(10, 0, 0));
    EXPECT_NEAR(c.x, 0.0f, 1e-6);
    EXPECT_NEAR(c.z, expectedDepth(10, 1, 10000), 1e-6);
    c = project(cam, Math::Vector3f(10, 0, -1));  // to the camera's right
    EXPECT_NEAR(c.x, 0.1 * yScale / (16.0 / 9.0), 1e-6);

    // The position places the camera in the drawing frame (it is vPos); the base does not enter
    // the matrices.
    double pos[4] = {1000, 2000, 3000, 1}, base[4] = {5, 6, 7, 0};
    cam.setPosition(pos);
    cam.setBasePosition(base);
    EXPECT_EQ(cam.getView()->vPos, Math::Vector3f(1000, 2000, 3000));
    c = project(cam, Math::Vector3f(1010, 2000, 2999));  // 10 ahead, 1 to the right
    EXPECT_NEAR(c.x, 0.1 * yScale / (16.0 / 9.0), 1e-4);  // float translation at 3000
    EXPECT_NEAR(c.z, expectedDepth(10, 1, 10000), 1e-5);

    EXPECT_NEAR(cam.getViewWidthFactor(), 2.0 * std::tan(kPi / 6) * 16.0 / 9.0, 1e-6);
}

TEST(RefCamera, OverridesAndTheirEnd) {
    RefCamera cam;
    Math::Matrix4f plainViewProj = cam.getView()->mViewProj;

    Math::Matrix4f v = Math::Matrix4f::identity();
    v.m[1][1] = -1;  // a mirror
    cam.overrideView(&v);
    EXPECT_EQ(cam.getView()->mView, v);
    Math::Matrix4f expected, proj = cam.projectionMatrix();
    Math::multiply(&expected, &v, &proj);
    EXPECT_EQ(cam.getView()->mViewProj, expected);
    Math::Matrix4f o = cam.getOrientation();
    cam.setOrientation(&o);  // setting the orientation ends the view override
    EXPECT_FALSE(cam.state().viewOverride);
    EXPECT_EQ(cam.getView()->mViewProj, plainViewProj);

    Math::Matrix4f ortho;
    _3DMath::matrixOrthoLH(100, 100, 1, 10000, &ortho);
    cam.overrideProjection(true, &ortho);
    EXPECT_EQ(cam.getView()->mViewProj, ortho);  // identity view times the override
    cam.setFov(1.0f);                            // has no say while overridden
    EXPECT_EQ(cam.getView()->mViewProj, ortho);
    cam.overrideProjection(true, nullptr);  // ignored
    EXPECT_TRUE(cam.state().projectionOverride);
    cam.overrideProjection(false, nullptr);
    Math::Matrix4f fov1;
    _3DMath::matrixPerspectiveFovLH(1.0f, 16.0f / 9.0f, 1.0f, 10000.0f, &fov1);
    EXPECT_EQ(cam.getView()->mViewProj, fov1);
    cam.overrideView(nullptr);
    EXPECT_FALSE(cam.state().viewOverride);
}

TEST(RefCamera, SphereVisibilityAgainstTheSixPlanes) {
    RefCamera cam;
    Math::Vector3f p(0, 0, 10);
    EXPECT_TRUE(cam.isSphereVisible(&p, 1));
    p = Math::Vector3f(0, 0, -10);
    EXPECT_FALSE(cam.isSphereVisible(&p, 1));  // behind
    p = Math::Vector3f(0, 0, 0.5f);
    EXPECT_TRUE(cam.isSphereVisible(&p, 1));   // reaches past the near plane (z = 1)
    p = Math::Vector3f(0, 0, -0.5f);
    EXPECT_FALSE(cam.isSphereVisible(&p, 1));  // ends at z = 0.5, before it
    p = Math::Vector3f(0, 0, 10000.5f);
    EXPECT_TRUE(cam.isSphereVisible(&p, 1));
    p = Math::Vector3f(0, 0, 10002);
    EXPECT_FALSE(cam.isSphereVisible(&p, 1));

    // Beside the view: distance to the right side plane, half-angle from tan(fov/2) * aspect.
    const double halfAngle = std::atan(std::tan(kPi / 6) * 16.0 / 9.0);
    auto distance = [&](double x, double z) { return x * std::cos(halfAngle) - z * std::sin(halfAngle); };
    ASSERT_LT(distance(11.5, 10), 1.0);
    ASSERT_GT(distance(12.0, 10), 1.0);
    p = Math::Vector3f(11.5f, 0, 10);
    EXPECT_TRUE(cam.isSphereVisible(&p, 1));
    p = Math::Vector3f(12.0f, 0, 10);
    EXPECT_FALSE(cam.isSphereVisible(&p, 1));
    p = Math::Vector3f(-12.0f, 0, 10);
    EXPECT_FALSE(cam.isSphereVisible(&p, 1));
    p = Math::Vector3f(0, 7.0f, 10);  // above: vertical half-angle is pi/6, tan = 0.577
    EXPECT_FALSE(cam.isSphereVisible(&p, 0.5f));
    EXPECT_FALSE(cam.isSphereVisible(nullptr, 1));
}

TEST(RefCamera, StateComparesEveryValue) {
    RefCamera cam;
    const RefCamera::State initial = cam.state();
    EXPECT_EQ(cam.state(), initial);

    // Saving through the getters and restoring through the setters gives the same state.
    float fov = cam.getFov(), aspect = cam.getAspect(), zn = cam.getNear(), zf = cam.getFar();
    double pos[4], base[4], rot[4];
    cam.getPosition(pos);
    cam.getBasePosition(base);
    cam.getRotation(rot);
    Math::Matrix4f o = cam.getOrientation();
    unsigned char flag = cam.getShadowPassFlag();

    cam.setFov(0.5f);
    cam.setAspect(1.0f);
    cam.setNear(0.1);
    cam.setFar(50.0);
    double other[4] = {1, 2, 3, 4};
    cam.setPosition(other);
    cam.setBasePosition(other);
    cam.setRotation(other);
    Math::Matrix4f m = Math::Matrix4f::identity();
    m.m[0][1] = 0.5f;
    cam.setOrientation(&m);
    cam.overrideView(&m);
    cam.overrideProjection(true, &m);
    cam.setShadowPassFlag(1);
    EXPECT_NE(cam.state(), initial);

    cam.setFov(fov);
    cam.setAspect(aspect);
    cam.setNear(zn);
    cam.setFar(zf);
    cam.setPosition(pos);
    cam.setBasePosition(base);
    cam.setRotation(rot);
    cam.setOrientation(&o);  // also ends the view override
    cam.overrideProjection(false, nullptr);
    EXPECT_NE(cam.state(), initial);  // the flag alone still differs
    cam.setShadowPassFlag(flag);
    EXPECT_EQ(cam.state(), initial);

    // Each value on its own makes a difference.
    RefCamera::State s = initial;
    s.rotation[3] = 1e-9;
    EXPECT_NE(s, initial);
    s = initial;
    s.base[1] = -1;
    EXPECT_NE(s, initial);
    s = initial;
    s.projection.m[2][3] = 2;
    EXPECT_NE(s, initial);
}
