// The ambient cube: the ambient pre-fill of a face, and the blur of the source cube into
// "cube_ambient" after the sixth face.
#include <gtest/gtest.h>

#include <cmath>

#include "LightPassScene.h"

namespace {

using namespace light_test;
using refhost::ClientCall;

struct AmbientCubeTest : ::testing::Test, LightPassScene {
    Math::Vector3d at{1.0, 2.0, 3.0};
    AmbientCubeTest() {
        LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.2f, 0.3f, 0.4f, 0.0f});
        LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {1, 1, 1, 1});
        man.addLight(&ambient);
        man.addLight(&sun);
        lights->enableAmbientCube(true);
    }
    std::vector<ClientCall> bkgr(const char* op) { return host.clients().callsOf("Bkgr", op); }
    std::vector<ClientCall> copies() { return host.clients().callsOf("SysBackCube", "drawCube"); }
};

TEST_F(AmbientCubeTest, SwitchedOffThereIsNoCube) {
    lights->enableAmbientCube(false);
    EXPECT_EQ(lights->getAmbientCube(true), nullptr);
    EXPECT_FALSE(lights->beginAmbientCube("depth", 0, &at));
    lights->endAmbientCube();  // nothing open: nothing happens
    EXPECT_TRUE(host.clients().calls().empty());
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);

    lights->enableAmbientCube(true);
    EXPECT_STREQ(lights->getAmbientCube(true)->getName(), "cube_ambient_src");
    EXPECT_STREQ(lights->getAmbientCube(false)->getName(), "cube_ambient");
    EXPECT_EQ(lights->getAmbientCube(false)->getWidth(), 16);
    EXPECT_EQ(lights->getAmbientCube(false)->getFormat(), 31);
}

TEST_F(AmbientCubeTest, PrefillWeighsTheDaysAmbientByOneMinusTheEffect) {
    host.clients().bkgr().setMode("keep");
    lights->setAmbientCubeEffect(1.0f);
    ASSERT_TRUE(lights->beginAmbientCube(nullptr, 2, &at));
    EXPECT_TRUE(bkgr("drawRect").empty());
    EXPECT_EQ(host.renderApi().cubeFace(), 2);
    EXPECT_STREQ(host.renderApi().currentTarget(0)->getName(), "cube_ambient_src");
    lights->endAmbientCube();

    lights->setAmbientCubeEffect(0.25f);
    ASSERT_TRUE(lights->beginAmbientCube(nullptr, 3, &at));
    std::vector<ClientCall> modes = bkgr("setMode"), colors = bkgr("setColor"), rects = bkgr("drawRect");
    ASSERT_EQ(rects.size(), 1u);
    ASSERT_EQ(colors.size(), 1u);
    // The ambient record alone: the day's light split with everything direct.
    EXPECT_NEAR(colors[0].numbers[0], 0.2, 1e-6);
    EXPECT_NEAR(colors[0].numbers[2], 0.4, 1e-6);
    EXPECT_EQ(colors[0].numbers[3], 0.75);
    EXPECT_EQ(rects[0].objects[0], "");  // no texture
    EXPECT_EQ(rects[0].numbers, (std::vector<double>{0, 0, -1, -1}));
    EXPECT_EQ(rects[0].face, 3);
    ASSERT_EQ(modes.size(), 3u);  // ours, "x", back
    EXPECT_EQ(modes[1].texts[0], "x");
    EXPECT_EQ(modes[2].texts[0], "keep");
    lights->endAmbientCube();
    EXPECT_EQ(host.renderApi().protocolErrors(), 0);
}

TEST_F(AmbientCubeTest, TheSixthFaceBlursSixteenRotatedCopiesIntoEachFace) {
    lights->setAmbientCubeEffect(1.0f);
    for (char face = 0; face < 5; ++face) {
        ASSERT_TRUE(lights->beginAmbientCube("m_psurfScreenDepth", face, &at));
        lights->endAmbientCube();
    }
    EXPECT_TRUE(copies().empty());
    // The copies are centred on the camera in the camera-relative frame.
    const Math::Vector3f c = host.camera().getView()->vPos;
    const Math::Matrix4f orientation = host.camera().getOrientation();
    ASSERT_TRUE(lights->beginAmbientCube("m_psurfScreenDepth", 5, &at));
    lights->endAmbientCube();

    std::vector<ClientCall> drawn = copies();
    ASSERT_EQ(drawn.size(), 96u);
    const double pi = 3.14159265358979;
    for (int i = 0; i < 96; ++i) {
        const ClientCall& call = drawn[i];
        const int face = i / 16, axis = (i % 16) / 8, k = i % 8 - 4;
        SCOPED_TRACE(i);
        EXPECT_EQ(call.face, face);
        EXPECT_EQ(call.targets[0], "cube_ambient");
        EXPECT_EQ(call.objects[0], "cube_ambient_src");
        EXPECT_EQ(call.numbers[0], 0.0625);  // weight
        const double* w = &call.numbers[4];  // world matrix, row by row
        const double a = k * pi / 10, cs = 10 * std::cos(a), sn = 10 * std::sin(a);
        // About X the x axis stays; about Z the z axis stays.
        const double expected[12] = {axis ? cs : 10, axis ? sn : 0, 0, 0,
                                     axis ? -sn : 0, cs, axis ? 0 : -sn, 0,
                                     0, axis ? 0 : sn, axis ? 10 : cs, 0};
        for (int e = 0; e < 12; ++e) EXPECT_NEAR(w[e], expected[e], 1e-5) << e;
        EXPECT_NEAR(w[12], c.x, 1e-6);
        EXPECT_NEAR(w[13], c.y, 1e-6);
        EXPECT_NEAR(w[14], c.z, 1e-6);
        EXPECT_EQ(w[15], 1.0);
        EXPECT_EQ(call.numbers[20], 1);
    }
    // Each face was cleared to zero before its copies (the renderer's copies add nothing here).
    EXPECT_EQ(host.renderApi().readPixel("cube_ambient", 5, 5, 4), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(host.camera().getOrientation().m[0][0], orientation.m[0][0]);
    EXPECT_EQ(host.renderApi().protocolErrors(), 0);
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
}

}  // namespace
