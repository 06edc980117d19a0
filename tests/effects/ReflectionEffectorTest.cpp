// The reflection effector: its configuration, targets and copies, and the planar reflection and
// cube-map passes, checked through the reference camera's matrices.
#include "enviro/effects/ReflectionEffector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "enviro/host/Math3D.h"
#include "refhost/RefTestFiles.h"
#include "refhost/ReferenceHost.h"

using effector::ReflectionEffector;

namespace {

// A host whose camera stands away from the origin, looking down and turned; after each test the
// camera, the stacks and the clip plane are as they were.
class ReflectionPasses : public ::testing::Test {
protected:
    void SetUp() override {
        host.install();
        const double pos[4] = {100, 50, 200, 1}, rot[4] = {0.1, 0.2, 0.3, 0.4};
        const Math::Vector3f eye(0, 0, 0), target(0.47f, -0.34f, 0.81f), up(0, 1, 0);
        Math::Matrix4f o;
        _3DMath::matrixLookAtLH(&eye, &target, &up, &o);  // looking 20 degrees down, turned by 30
        camera.setPosition(pos);
        camera.setRotation(rot);
        camera.setFov(1.1f);
        camera.setAspect(1.5f);
        camera.setOrientation(&o);
        before = camera.state();
    }
    void TearDown() override {
        EXPECT_EQ(camera.state(), before);
        EXPECT_EQ(api.renderTargetDepth() + api.depthSurfaceDepth() + api.protocolErrors(), 0);
        EXPECT_FALSE(api.isClipPlaneEnabled());
    }
    refhost::ReferenceHost host;
    refhost::RefCamera& camera = host.camera();
    refhost::RefRenderApi& api = host.renderApi();
    refhost::RefCamera::State before;
};

}  // namespace

TEST(ReflectionEffector, StartupConfigChoosesTheTargetHeight) {
    const struct { const char* file; int quality, height; } cases[] = {  // file null: no "startup.cfg"
        {"graphics = { reflection = 5, other = 1 }", 5, 512}, {"graphics = { reflection = 2 }", 2, 512},
        {"graphics = { reflection = 1 }", 1, 256}, {"reflection = 2", 0, 256}, {nullptr, 0, 256},  // a plain key; no file
        {"graphics = 1\nvideo = { reflection = 1 }\ngraphics = { reflection = 3 }", 3, 512},  // keys and other blocks are skipped
    };
    for (const auto& c : cases) {
        reftest::TempDir dir;
        if (c.file) dir.write("startup.cfg", c.file);
        refhost::ReferenceHost host(dir.path());
        host.install();
        EXPECT_EQ(effector::readReflectionQuality(), c.quality) << (c.file ? c.file : "(no file)");
        ReflectionEffector reflection;
        EXPECT_TRUE(reflection.getColorTarget()->getHeight() == c.height && reflection.getDepthSurface()->getHeight() == c.height);
    }
}

TEST_F(ReflectionPasses, CopiesShareTheTargetsAndReleaseThem) {
    {
        ReflectionEffector a;
        RendAPI::IRenderTarget* color = a.getColorTarget();
        RendAPI::IDepthSurface* depth = a.getDepthSurface();
        ASSERT_TRUE(color == api.find("reflection_color") && depth == api.find("reflection_depth"));
        EXPECT_TRUE(color->getWidth() == 512 && depth->getWidth() == 512 && depth->getHeight() == color->getHeight());
        EXPECT_TRUE(color->getFormat() == RendAPI::FMT_X8R8G8B8 && depth->getFormat() == RendAPI::FMT_D16);
        a.setReflectionRange(300);
        ReflectionEffector b(a);
        EXPECT_EQ(api.refCount("reflection_color") + api.refCount("reflection_depth"), 6);  // the registry, a and b
        ReflectionEffector c;  // new targets replace the registry's; a's live on
        c = a;
        EXPECT_TRUE(b.getColorTarget() == color && c.getDepthSurface() == depth && b.getReflectionRange() == 300.0f);
    }
    EXPECT_EQ(api.refCount("reflection_color") + api.refCount("reflection_depth"), 2);
    EXPECT_TRUE(api.leakedObjects().empty());
    api.setFailCreation("reflection_color", true);  // a target the renderer refuses stays null
    ReflectionEffector failed;
    EXPECT_TRUE(failed.getColorTarget() == nullptr && failed.getDepthSurface() != nullptr);
}

TEST_F(ReflectionPasses, PlanarReflectionMirrorsAndClipsBelowThePlane) {
    ReflectionEffector r;
    Math::Vector3d origin(30, 10, -20);
    Math::Vector3f normal(0.2f, 1.0f, 0.1f);
    r.setReflectionPlane(&origin, &normal);
    const Math::Vector3f n = r.getPlaneNormal();
    api.writePixel("reflection_color", 3, 3, Math::Vector4f(1, 1, 1, 1));
    api.writePixel("reflection_depth", 3, 3, Math::Vector4f(0.25f, 0, 0, 0));
    const Math::Matrix4f viewProjBefore = camera.viewProjMatrix();
    const int flushes = host.renderMan().flushCount();

    r.beginReflection("reflection_color", "reflection_depth", &camera);
    EXPECT_TRUE(api.currentTarget(0) == api.find("reflection_color") && api.currentDepthSurface() == api.find("reflection_depth"));
    EXPECT_TRUE(api.readPixel("reflection_color", 3, 3).x == 0.0f && api.readDepth("reflection_depth", 3, 3) == 1.0f);  // cleared
    EXPECT_TRUE(api.isClipPlaneEnabled() && camera.state().viewOverride && camera.getOrientation() == before.orientation);
    auto drawn = [this](const Math::Vector3d& p) {  // in the drawing frame: world - base
        return Math::Vector3f(float(p.x - before.base[0]), float(p.y - before.base[1]), float(p.z - before.base[2]));
    };
    for (const Math::Vector3d& w : {Math::Vector3d(120, 30, 260), {90, 60, 300}, {40, 10.5, -10}, {110, -5, 250}, {0, -80, 400}}) {
        // Drawn with the override, a point lands where its mirror image in the plane lands without it.
        const double height = (w.x - origin.x) * n.x + (w.y - origin.y) * n.y + (w.z - origin.z) * n.z;
        const Math::Vector3d image(w.x - 2 * height * n.x, w.y - 2 * height * n.y, w.z - 2 * height * n.z);
        const Math::Vector4f mirrored = Math::transformPoint(drawn(w), camera.getView()->mViewProj);
        const Math::Vector4f expected = Math::transformPoint(drawn(image), viewProjBefore);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(mirrored[i], expected[i], 2e-3f) << w.x << " " << w.y << " " << w.z;
        // The clip plane, in clip space, measures the point's signed height above the plane (float
        // inverse of a 1 : 10000 perspective: about 1e-3 relative).
        const Math::Vector4f clip = api.clipPlane(0);
        EXPECT_NEAR(mirrored.x * clip.x + mirrored.y * clip.y + mirrored.z * clip.z + mirrored.w * clip.w, height, 2e-3 + 2e-3 * std::fabs(height));
    }
    r.endReflection();
    EXPECT_TRUE(host.renderMan().flushCount() == flushes + 1 && host.renderMan().calls().back().mode == 1);

    cam::CameraManager* installed = std::exchange(cam::cameraManager, nullptr);  // no camera at all: targets and clip plane only, balanced
    r.beginReflection("reflection_color", "reflection_depth", nullptr);
    r.endReflection();
    cam::cameraManager = installed;
}

// Each face of the cube turns the camera to that face's axis-aligned frame (given a position),
// clears what the flags name, and is undone by the end of the pass.
TEST_F(ReflectionPasses, CubeFacesSetTheCameraClearAndRestore) {
    RendAPI::ITexture* cube = api.createCubeTarget("cube", 8, RendAPI::FMT_A8R8G8B8);
    api.createDepthSurface("cube_depth", 8, 8, RendAPI::FMT_D16, 0);
    ReflectionEffector r;
    const Math::Vector3f axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};  // in face order
    const Math::Vector4f red(1, 0, 0, 1), green(0, 1, 0, 1);
    Math::Vector3d at(1, 2, 3);
    const struct { const char* depth; int face, drawn; Math::Vector3d* pos; int flags; } cases[] = {
        {"cube_depth", 0, 0, &at, 7}, {"cube_depth", 1, 1, &at, 7}, {"cube_depth", 2, 2, &at, 7},
        {"cube_depth", 3, 3, &at, 7}, {"cube_depth", 4, 4, &at, 7}, {"cube_depth", 5, 5, &at, 7},
        {nullptr, 9, 5, nullptr, 0},  // above 5: face 5; no depth surface; no position keeps position and rotation
        {"cube_depth", 5, 5, nullptr, 2}, {"cube_depth", 5, 5, nullptr, 4}, {"cube_depth", -1, 0, nullptr, 1},  // one flag each
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "face " << c.face << ", flags " << c.flags);
        api.writePixel("cube", 1, 1, green, c.drawn);
        api.writePixel("cube_depth", 1, 1, Math::Vector4f(0.5f, 0, 0, 0));
        api.clearStencil(7);
        r.beginCubeTarget("cube", c.depth, static_cast<char>(c.face), c.pos, static_cast<unsigned char>(c.flags));
        EXPECT_TRUE(api.cubeFace() == c.drawn && api.currentTarget(0) == cube && r.getCurrentRenderCube() == cube);
        EXPECT_EQ(api.currentDepthSurface(), c.depth ? api.find(c.depth) : nullptr);
        EXPECT_EQ(api.readPixel("cube", 1, 1, c.drawn), c.flags & 1 ? red : green);
        EXPECT_NEAR(api.readDepth("cube_depth", 1, 1), c.flags & 2 ? 1.0f : 0.5f, 1e-4f);
        EXPECT_EQ(api.lastStencilClear(), c.flags & 4 ? 0 : 7);
        const refhost::RefCamera::State s = camera.state();
        EXPECT_TRUE(s.fov == 1.5707964f && s.aspect == 1.0f && s.viewOverride && s.position[3] == before.position[3]);
        EXPECT_TRUE(s.position[0] == (c.pos ? 1.0 : before.position[0]) && s.rotation[2] == (c.pos ? 0.0 : before.rotation[2]));
        if (c.pos) {
            for (int c3 = 0; c3 < 3; ++c3) EXPECT_NEAR(s.orientation.m[0][c3], axes[c.face][c3], 1e-6f) << c3;  // looking along the axis
            refhost::RefCamera plain;  // the view in force is the camera's own view of that orientation, x mirrored
            plain.setOrientation(&s.orientation);
            plain.setPosition(s.position);
            const Math::Matrix4f expected = plain.viewMatrix();
            for (int i = 0; i < 16; ++i) EXPECT_NEAR(s.view.m[i / 4][i % 4], i % 4 ? expected.m[i / 4][i % 4] : -expected.m[i / 4][0], 1e-6f) << i;
        }
        r.endCubeTarget();
        EXPECT_TRUE(camera.state() == before && r.getCurrentRenderCube() == nullptr);
    }
    r.beginCubeTarget("nope", "cube_depth", 1, nullptr, 0x07);  // an unknown cube: nothing to draw into, balanced
    EXPECT_EQ(r.getCurrentRenderCube(), nullptr);
    r.endCubeTarget();
}
