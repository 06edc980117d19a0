// Cube passes on the GPU: a face drawn through the reflection effector's cube pass holds what GL
// samples in that face's directions (so "SysBackCube" copies a cube texel for texel), and the
// ambient cube's blur of 16 weighted copies keeps a uniform source's level and its bright side.
#include <cmath>

#include "GlEffectScene.h"
#include "enviro/effects/ReflectionEffector.h"
#include "glhost/clients/GlBackCube.h"

namespace glhost {
namespace {

using namespace effector;

constexpr int kEdge = 8;

// GL's direction through texel (i, j) (row j from the top) of a cube face.
Math::Vector3f cubeDirection(int face, int i, int j) {
    const float s = (i + 0.5f) / kEdge * 2.0f - 1.0f, t = (j + 0.5f) / kEdge * 2.0f - 1.0f;
    const Math::Vector3f d[6] = {{1, -t, -s}, {-1, -t, s}, {s, 1, t}, {s, -1, -t}, {s, -t, 1}, {-s, -t, -1}};
    return d[face];
}

std::vector<float> faceTexels(GlRenderApi& api, RendAPI::ITexture* cube, int face) {
    return api.readTexels(cube, face);
}

TEST(GlCube, FacesMatchGlCubeDirectionsAndTheBlurKeepsLevels) {
    test::GlEffectScene scene(64, 64);
    GlRenderApi& api = test::host().renderApi();
    auto* reflection = effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION);
    RendAPI::ITexture* source = api.createCubeTarget("directions", kEdge, RendAPI::FMT_A32B32G32R32F);
    api.createCubeTarget("copy", kEdge, RendAPI::FMT_A32B32G32R32F);
    for (int face = 0; face < 6; ++face) {
        std::vector<float> texels;
        for (int j = 0; j < kEdge; ++j)
            for (int i = 0; i < kEdge; ++i) {
                const Math::Vector3f d = cubeDirection(face, i, j);
                texels.insert(texels.end(), {d.x, d.y, d.z, 1.0f});
            }
        glTextureSubImage3D(api.glTextureOf(source), 0, 0, 0, face, kEdge, kEdge, 1, GL_RGBA, GL_FLOAT, texels.data());
    }
    auto* backCube = test::host().clients().get<GlBackCube>();
    const Math::Vector4f one(1, 1, 1, 1);
    const Math::Matrix4f identity = Math::Matrix4f::identity();
    for (char face = 0; face < 6; ++face) {
        reflection->beginCubeTarget("copy", nullptr, face, nullptr, 0);
        backCube->drawCube(source, &one, &identity, 0);
        reflection->endCubeTarget();
    }
    for (int face = 0; face < 6; ++face) {
        const std::vector<float> copy = faceTexels(api, api.find("copy"), face);
        for (int j = 0; j < kEdge; ++j)
            for (int i = 0; i < kEdge; ++i) {
                const Math::Vector3f d = cubeDirection(face, i, j);
                const float* c = &copy[(j * kEdge + i) * 4];
                ASSERT_NEAR(c[0], d.x, 1e-4f) << "face " << face << " texel " << i << ", " << j;
                ASSERT_NEAR(c[1], d.y, 1e-4f) << "face " << face << " texel " << i << ", " << j;
                ASSERT_NEAR(c[2], d.z, 1e-4f) << "face " << face << " texel " << i << ", " << j;
            }
    }

    // The ambient cube: the source drawn 0.5 everywhere but the +y face (1.0): the blur keeps the
    // level of the sides and puts the brightest light up and the darkest down.
    scene.lights->enableAmbientCube(true);
    scene.lights->setAmbientCubeEffect(1.0f);  // no ambient pre-fill
    Math::Vector3d centre(0.0, 0.0, 0.0);
    for (char face = 0; face < 6; ++face) {
        ASSERT_TRUE(scene.lights->beginAmbientCube(nullptr, face, &centre));
        const float v = face == 2 ? 1.0f : 0.5f;
        api.clearColor(v, v, v, 1.0f);
        scene.lights->endAmbientCube();
    }
    float mean[6] = {};
    for (int face = 0; face < 6; ++face) {
        const std::vector<float> t = faceTexels(api, scene.lights->getAmbientCube(false), face);
        for (int i = 0; i < int(t.size()); i += 4) mean[face] += t[i] / (t.size() / 4);
    }
    EXPECT_GT(mean[2], 0.6f);
    EXPECT_NEAR(mean[3], 0.5f, 0.02f);
    for (int side : {0, 1, 4, 5}) EXPECT_GT(mean[side], mean[3] + 0.01f) << side;
    for (int side : {0, 1, 4, 5}) EXPECT_LT(mean[side], mean[2]) << side;
}

}  // namespace
}  // namespace glhost
