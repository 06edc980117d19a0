// The reflection effector's configuration, targets, copies and settings.
#include "enviro/effects/ReflectionEffector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "enviro/effector/EffectorType.h"
#include "refhost/RefTestFiles.h"
#include "refhost/ReferenceHost.h"

using effector::ReflectionEffector;

TEST(ReflectionEffector, StartupConfigChoosesTheTargetSize) {
    struct Case {
        const char* file;  // null: no "startup.cfg"
        int quality;
        int height;
    };
    const Case cases[] = {
        {"graphics = { reflection = 2 }", 2, 512},
        {"graphics = { reflection = 5, other = 1 }", 5, 512},
        {"graphics = { reflection = 1 }", 1, 256},
        {"graphics = { reflection = -3 }", -3, 256},
        {"graphics = { }", 0, 256},
        {"graphics = { reflection = 'high' }", 0, 256},  // not an integer
        {"reflection = 2", 0, 256},                       // a plain key, outside the block
        {"video = { reflection = 2 }", 0, 256},           // another block
        {"a = 1\nvideo = { reflection = 1 }\ngraphics = { reflection = 3 }", 3, 512},
        {"graphics = { reflection = ", 0, 256},  // broken
        {nullptr, 0, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(no file)");
        reftest::TempDir dir;
        if (c.file) dir.write("startup.cfg", c.file);
        refhost::ReferenceHost host(dir.path());
        host.install();
        EXPECT_EQ(effector::readReflectionQuality(), c.quality);

        ReflectionEffector reflection;
        EXPECT_EQ(reflection.getType(), effector::EFFECTOR_REFLECTION);
        EXPECT_EQ(reflection.getDataSize(), 0);
        RendAPI::IRenderTarget* color = reflection.getColorTarget();
        RendAPI::IDepthSurface* depth = reflection.getDepthSurface();
        ASSERT_NE(color, nullptr);
        ASSERT_NE(depth, nullptr);
        EXPECT_EQ(color, host.renderApi().find("reflection_color"));
        EXPECT_EQ(depth, host.renderApi().find("reflection_depth"));
        EXPECT_EQ(color->getWidth(), 512);
        EXPECT_EQ(color->getHeight(), c.height);
        EXPECT_EQ(color->getFormat(), RendAPI::FMT_X8R8G8B8);
        EXPECT_EQ(depth->getWidth(), 512);
        EXPECT_EQ(depth->getHeight(), c.height);
        EXPECT_EQ(depth->getFormat(), RendAPI::FMT_D16);
        EXPECT_EQ(reflection.getCurrentRenderCube(), nullptr);
    }
}

TEST(ReflectionEffector, CopiesShareTheTargetsAndReleaseThem) {
    refhost::ReferenceHost host;
    host.install();
    refhost::RefRenderApi& api = host.renderApi();
    {
        ReflectionEffector a;
        EXPECT_EQ(api.refCount("reflection_color"), 2);
        EXPECT_EQ(api.refCount("reflection_depth"), 2);
        a.setReflectionRange(300);
        ReflectionEffector b(a);
        EXPECT_EQ(b.getColorTarget(), a.getColorTarget());
        EXPECT_EQ(b.getReflectionRange(), 300.0f);
        EXPECT_EQ(api.refCount("reflection_color"), 3);
        ReflectionEffector c;  // new targets replace the registry's; a's live on
        c = a;
        EXPECT_EQ(c.getDepthSurface(), a.getDepthSurface());
        c = c;
        EXPECT_EQ(c.getDepthSurface(), a.getDepthSurface());
    }
    EXPECT_EQ(api.refCount("reflection_color"), 1);
    EXPECT_EQ(api.refCount("reflection_depth"), 1);
    EXPECT_TRUE(api.leakedObjects().empty());

    // A target the renderer refuses stays null.
    api.setFailCreation("reflection_color", true);
    ReflectionEffector failed;
    EXPECT_EQ(failed.getColorTarget(), nullptr);
    EXPECT_NE(failed.getDepthSurface(), nullptr);
}

TEST(ReflectionEffector, PlaneAndRangeSetters) {
    refhost::ReferenceHost host;
    host.install();
    ReflectionEffector r;
    EXPECT_EQ(r.getReflectionRange(), 1000.0f);
    EXPECT_EQ(r.getPlaneNormal(), Math::Vector3f(0, 1, 0));
    r.setReflectionRange(0.5f);
    EXPECT_EQ(r.getReflectionRange(), 1.0f);
    r.setReflectionRange(250);
    EXPECT_EQ(r.getReflectionRange(), 250.0f);
    r.setReflectionRange(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(r.getReflectionRange(), 1.0f);

    Math::Vector3d origin(1e7, 20.5, -3e6);
    Math::Vector3f normal(0, 2, 0);
    r.setReflectionPlane(&origin, &normal);
    EXPECT_EQ(r.getPlaneOrigin(), origin);
    EXPECT_EQ(r.getPlaneNormal(), Math::Vector3f(0, 1, 0));
    normal = Math::Vector3f(3, 0, 4);
    r.setReflectionPlane(nullptr, &normal);
    EXPECT_EQ(r.getPlaneOrigin(), origin);
    EXPECT_NEAR(r.getPlaneNormal().x, 0.6f, 1e-7);
    EXPECT_NEAR(r.getPlaneNormal().z, 0.8f, 1e-7);
    normal = Math::Vector3f(0, 0, 0);
    r.setReflectionPlane(nullptr, &normal);
    EXPECT_EQ(r.getPlaneNormal(), Math::Vector3f(0, 0, 0));  // kept as given
}
