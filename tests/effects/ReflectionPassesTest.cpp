// The planar reflection and cube-map passes, checked through the reference camera's matrices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "enviro/effects/ReflectionEffector.h"
#include "enviro/host/Math3D.h"
#include "refhost/ReferenceHost.h"

using effector::ReflectionEffector;

namespace {

// A camera away from the origin, pitched down by 20 degrees and turned by 30 degrees.
void placeCamera(refhost::RefCamera& camera) {
    const double pos[4] = {100, 50, 200, 1}, rot[4] = {0.1, 0.2, 0.3, 0.4};
    camera.setPosition(pos);
    camera.setRotation(rot);
    camera.setFov(1.1f);
    camera.setAspect(1.5f);
    const float pitch = 0.349f, yaw = 0.5236f;
    Math::Matrix4f rx = Math::Matrix4f::identity(), ry = Math::Matrix4f::identity(), o;
    rx.m[1][1] = std::cos(pitch); rx.m[1][2] = -std::sin(pitch);
    rx.m[2][1] = std::sin(pitch); rx.m[2][2] = std::cos(pitch);
    ry.m[0][0] = std::cos(yaw); ry.m[0][2] = -std::sin(yaw);
    ry.m[2][0] = std::sin(yaw); ry.m[2][2] = std::cos(yaw);
    Math::multiply(&o, &rx, &ry);
    camera.setOrientation(&o);
}

Math::Vector3d mirrorInPlane(const Math::Vector3d& w, const Math::Vector3d& origin, const Math::Vector3d& n) {
    const double d = (w.x - origin.x) * n.x + (w.y - origin.y) * n.y + (w.z - origin.z) * n.z;
    return Math::Vector3d(w.x - 2 * d * n.x, w.y - 2 * d * n.y, w.z - 2 * d * n.z);
}

Math::Vector3f relativeTo(const Math::Vector3d& w, const double c[4]) {
    return Math::Vector3f(static_cast<float>(w.x - c[0]), static_cast<float>(w.y - c[1]), static_cast<float>(w.z - c[2]));
}

float dot4(const Math::Vector4f& a, const Math::Vector4f& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

void expectNear(const Math::Vector4f& a, const Math::Vector4f& b, float tolerance) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "component " << i;
}

void expectNear(const Math::Matrix4f& a, const Math::Matrix4f& b, float tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << r << "," << c;
}

struct PassHost {
    refhost::ReferenceHost host;
    PassHost() {
        host.install();
        placeCamera(host.camera());
    }
};

}  // namespace

TEST(ReflectionPasses, PlanarReflectionMirrorsAndClipsBelowThePlane) {
    PassHost h;
    refhost::RefCamera& camera = h.host.camera();
    refhost::RefRenderApi& api = h.host.renderApi();
    ReflectionEffector r;
    const Math::Vector3d origin(30, 10, -20);
    const Math::Vector3f normalIn(0.2f, 1.0f, 0.1f);
    Math::Vector3f n = normalIn;
    r.setReflectionPlane(const_cast<Math::Vector3d*>(&origin), &n);
    const Math::Vector3d unit(r.getPlaneNormal().x, r.getPlaneNormal().y, r.getPlaneNormal().z);

    api.writePixel("reflection_color", 3, 3, Math::Vector4f(1, 1, 1, 1));
    api.writePixel("reflection_depth", 3, 3, Math::Vector4f(0.25f, 0, 0, 0));
    const refhost::RefCamera::State before = camera.state();
    const Math::Matrix4f viewProjBefore = camera.viewProjMatrix();
    const int flushesBefore = h.host.renderMan().flushCount();

    r.beginReflection("reflection_color", "reflection_depth", &camera);
    EXPECT_EQ(api.currentTarget(0), api.find("reflection_color"));
    EXPECT_EQ(api.currentDepthSurface(), api.find("reflection_depth"));
    EXPECT_EQ(api.readPixel("reflection_color", 3, 3).x, 0.0f);
    EXPECT_EQ(api.readDepth("reflection_depth", 3, 3), 1.0f);
    EXPECT_TRUE(api.isClipPlaneEnabled());
    EXPECT_TRUE(camera.state().viewOverride);
    EXPECT_EQ(camera.getOrientation(), before.orientation);

    const Math::Matrix4f viewProj = camera.getView()->mViewProj;
    const Math::Vector4f clip = api.clipPlane(0);
    const Math::Vector3d points[] = {{120, 30, 260}, {90, 60, 300}, {40, 10.5, -10}, {110, -5, 250}, {0, -80, 400}};
    for (const Math::Vector3d& w : points) {
        SCOPED_TRACE(testing::Message() << w.x << " " << w.y << " " << w.z);
        // Drawn with the override (in the drawing frame, world - base), a point lands where its
        // mirror image lands without it.
        const Math::Vector4f mirrored = Math::transformPoint(relativeTo(w, before.base), viewProj);
        const Math::Vector4f image =
            Math::transformPoint(relativeTo(mirrorInPlane(w, origin, unit), before.base), viewProjBefore);
        expectNear(mirrored, image, 2e-3f);
        // The clip plane, in clip space, measures the point's signed height above the plane.
        const double height = (w.x - origin.x) * unit.x + (w.y - origin.y) * unit.y + (w.z - origin.z) * unit.z;
        // (Float inverse of a 1 : 10000 perspective: about 1e-3 relative.)
        EXPECT_NEAR(dot4(mirrored, clip), height, 2e-3 + 2e-3 * std::fabs(height));
        EXPECT_EQ(dot4(mirrored, clip) > 0, height > 0);
    }

    r.endReflection();
    EXPECT_EQ(camera.state(), before);
    EXPECT_EQ(api.renderTargetDepth(), 0);
    EXPECT_EQ(api.depthSurfaceDepth(), 0);
    EXPECT_FALSE(api.isClipPlaneEnabled());
    ASSERT_EQ(h.host.renderMan().flushCount(), flushesBefore + 1);
    EXPECT_EQ(h.host.renderMan().calls().back().mode, 1);
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(ReflectionPasses, PlanarReflectionWithoutAGivenCamera) {
    PassHost h;
    refhost::RefRenderApi& api = h.host.renderApi();
    ReflectionEffector r;
    const refhost::RefCamera::State before = h.host.camera().state();
    r.beginReflection("reflection_color", "reflection_depth", nullptr);  // the current camera
    EXPECT_TRUE(h.host.camera().state().viewOverride);
    r.endReflection();
    EXPECT_EQ(h.host.camera().state(), before);

    cam::CameraManager* installed = cam::cameraManager;
    cam::cameraManager = nullptr;  // no camera at all: targets and clip plane only, balanced
    r.beginReflection("reflection_color", "reflection_depth", nullptr);
    EXPECT_TRUE(api.isClipPlaneEnabled());
    r.endReflection();
    cam::cameraManager = installed;
    EXPECT_EQ(h.host.camera().state(), before);
    EXPECT_EQ(api.renderTargetDepth(), 0);
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(ReflectionPasses, CubeFacesSetTheCameraAndRestoreIt) {
    PassHost h;
    refhost::RefCamera& camera = h.host.camera();
    refhost::RefRenderApi& api = h.host.renderApi();
    RendAPI::ITexture* cube = api.createCubeTarget("cube", 32, RendAPI::FMT_A8R8G8B8);
    RendAPI::ITexture* depth = api.createDepthSurface("cube_depth", 32, 32, RendAPI::FMT_D16, 0);
    ReflectionEffector r;
    const refhost::RefCamera::State before = camera.state();
    // The first row of each face's orientation runs through the six axes in face order.
    const Math::Vector3f axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        api.writePixel("cube", 2, 2, Math::Vector4f(0, 0, 0, 0), face);
        Math::Vector3d pos(1, 2, 3);
        r.beginCubeTarget("cube", "cube_depth", static_cast<char>(face), &pos, 0x07);

        const refhost::RefCamera::State s = camera.state();
        EXPECT_EQ(s.fov, 1.5707964f);
        EXPECT_EQ(s.aspect, 1.0f);
        EXPECT_EQ(s.position[0], 1.0);
        EXPECT_EQ(s.position[2], 3.0);
        EXPECT_EQ(s.position[3], before.position[3]);
        EXPECT_EQ(s.rotation[0], 0.0);
        EXPECT_EQ(s.rotation[3], 0.0);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(s.orientation.m[0][c], axes[face][c], 1e-6) << c;
        for (int row = 0; row < 3; ++row) {  // every row is a unit axis: an axis-aligned frame
            float largest = 0, sum = 0;
            for (int c = 0; c < 3; ++c) {
                largest = std::max(largest, std::fabs(s.orientation.m[row][c]));
                sum += std::fabs(s.orientation.m[row][c]);
            }
            EXPECT_NEAR(largest, 1.0f, 1e-6) << row;
            EXPECT_NEAR(sum, 1.0f, 1e-6) << row;
        }
        // The view in force is the camera's own view of that orientation, x mirrored.
        refhost::RefCamera plain;
        plain.setOrientation(&s.orientation);
        plain.setPosition(s.position);
        Math::Matrix4f expected = plain.viewMatrix();
        for (int row = 0; row < 4; ++row) expected.m[row][0] = -expected.m[row][0];
        ASSERT_TRUE(s.viewOverride);
        expectNear(s.view, expected, 1e-6f);
        // Through the camera's real matrices, a point along the face's axis lands at the centre of
        // the face, in front of the camera.
        const Math::Vector3f eye(1, 2, 3);
        const Math::Vector3f ahead = Math::transformCoord(eye + axes[face] * 10.0f, camera.viewProjMatrix());
        EXPECT_NEAR(ahead.x, 0.0f, 1e-5f);
        EXPECT_NEAR(ahead.y, 0.0f, 1e-5f);
        EXPECT_GT(ahead.z, 0.0f);
        EXPECT_LT(ahead.z, 1.0f);

        EXPECT_EQ(api.cubeFace(), face);
        EXPECT_EQ(api.currentTarget(0), cube);
        EXPECT_EQ(api.currentDepthSurface(), depth);
        expectNear(api.readPixel("cube", 2, 2, face), Math::Vector4f(1, 0, 0, 1), 1e-6f);
        EXPECT_EQ(api.readDepth("cube_depth", 2, 2), 1.0f);
        EXPECT_EQ(api.lastStencilClear(), 0);
        EXPECT_EQ(r.getCurrentRenderCube(), cube);
        EXPECT_TRUE(api.isClipPlaneEnabled());

        r.endCubeTarget();
        EXPECT_EQ(camera.state(), before);
        EXPECT_EQ(api.renderTargetDepth(), 0);
        EXPECT_EQ(api.depthSurfaceDepth(), 0);
        EXPECT_EQ(r.getCurrentRenderCube(), nullptr);
        EXPECT_FALSE(api.isClipPlaneEnabled());
    }
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(ReflectionPasses, CubeFaceClampFlagsAndOptionalArguments) {
    PassHost h;
    refhost::RefCamera& camera = h.host.camera();
    refhost::RefRenderApi& api = h.host.renderApi();
    api.createCubeTarget("cube", 8, RendAPI::FMT_A8R8G8B8);
    api.createDepthSurface("cube_depth", 8, 8, RendAPI::FMT_D16, 0);
    ReflectionEffector r;
    const refhost::RefCamera::State before = camera.state();

    // Face 9 draws face 5; flags 0 clear nothing; no position keeps position and rotation; no
    // depth name sets no depth surface.
    api.writePixel("cube", 1, 1, Math::Vector4f(0, 1, 0, 1), 5);
    api.writePixel("cube_depth", 1, 1, Math::Vector4f(0.5f, 0, 0, 0));
    r.beginCubeTarget("cube", nullptr, 9, nullptr, 0);
    EXPECT_EQ(api.cubeFace(), 5);
    EXPECT_EQ(api.currentDepthSurface(), nullptr);
    EXPECT_EQ(api.depthSurfaceDepth(), 1);
    expectNear(api.readPixel("cube", 1, 1, 5), Math::Vector4f(0, 1, 0, 1), 1e-6f);
    EXPECT_NEAR(api.readDepth("cube_depth", 1, 1), 0.5f, 1e-4);  // 16-bit depth
    EXPECT_EQ(camera.state().position[0], before.position[0]);
    EXPECT_EQ(camera.state().rotation[2], before.rotation[2]);
    r.endCubeTarget();
    EXPECT_EQ(camera.state(), before);

    // Each flag on its own.
    api.clearStencil(7);
    r.beginCubeTarget("cube", "cube_depth", 5, nullptr, 0x02);
    expectNear(api.readPixel("cube", 1, 1, 5), Math::Vector4f(0, 1, 0, 1), 1e-6f);
    EXPECT_EQ(api.readDepth("cube_depth", 1, 1), 1.0f);
    EXPECT_EQ(api.lastStencilClear(), 7);
    r.endCubeTarget();
    r.beginCubeTarget("cube", "cube_depth", 5, nullptr, 0x04);
    EXPECT_EQ(api.lastStencilClear(), 0);
    r.endCubeTarget();
    r.beginCubeTarget("cube", "cube_depth", -1, nullptr, 0x01);  // below 0: face 0
    EXPECT_EQ(api.cubeFace(), 0);
    expectNear(api.readPixel("cube", 1, 1, 0), Math::Vector4f(1, 0, 0, 1), 1e-6f);
    r.endCubeTarget();

    // An unknown cube name: nothing to draw into, but the pass still balances.
    r.beginCubeTarget("nope", "cube_depth", 1, nullptr, 0x07);
    EXPECT_EQ(r.getCurrentRenderCube(), nullptr);
    r.endCubeTarget();
    EXPECT_EQ(camera.state(), before);
    EXPECT_EQ(api.renderTargetDepth(), 0);
    EXPECT_EQ(api.protocolErrors(), 0);
}
