// "SysPostEffect"'s screen-space operations on a scene whose normals and depth the test writes
// from geometry: a floor meeting a wall in a concave corner. Edges mark the crease and nothing on
// the open planes; ambient occlusion darkens the corner and leaves the open planes within 2 %.
#include <cmath>

#include "GlEffectScene.h"

namespace glhost {
namespace {

using namespace effector;

constexpr int kWidth = 128, kHeight = 96;
constexpr float kFloor = -2.0f, kWall = 10.0f;  // floor y = -2, wall z = 10 (view space)

struct Pixel {
    float depth;        // view depth
    float cornerDistance;  // 3D distance to the crease line
};

TEST(GlScreenEffects, EdgesAndOcclusionFollowTheCorner) {
    test::GlEffectScene scene(kWidth, kHeight);
    const Math::Matrix4f proj = test::host().camera().projectionMatrix();
    std::vector<float> normals(kWidth * kHeight * 4), depths(kWidth * kHeight * 4, 0.0f);
    std::vector<Pixel> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float nx = (x + 0.5f) / kWidth * 2.0f - 1.0f, ny = 1.0f - (y + 0.5f) / kHeight * 2.0f;
            const Math::Vector3f d((nx - proj.m[2][0]) / proj.m[0][0], (ny - proj.m[2][1]) / proj.m[1][1], 1.0f);
            const float tFloor = d.y < 0.0f ? kFloor / d.y : 1e30f;
            const bool wall = kWall < tFloor;
            const float z = wall ? kWall : tFloor;
            const Math::Vector3f n = wall ? Math::Vector3f(0, 0, -1) : Math::Vector3f(0, 1, 0);
            const size_t i = size_t(y) * kWidth + x;
            for (int c = 0; c < 3; ++c) normals[i * 4 + c] = n[c] * 0.5f + 0.5f;
            normals[i * 4 + 3] = 1.0f;
            depths[i * 4] = z / PSMShadow::kScreenDepthRange;
            const float dy = d.y * z - kFloor, dz = z - kWall;
            pixels[i] = Pixel{z, std::sqrt(dy * dy + dz * dz)};
        }
    scene.shadow->beginScreenDepth();  // the scene pass: here the test's own texels
    scene.upload(scene.object(scene.screen.m_prtScreenNormal), normals);
    scene.upload(scene.object(scene.screen.m_prtScreenDepth), depths);
    scene.shadow->endScreenDepth();
    scene.shadow->initSSAO(kWidth, kHeight);
    scene.shadow->updateSSAO(16, 1.0f);
    const std::vector<float> edges = scene.read(scene.object(scene.screen.m_prtScreenDepth));
    const std::vector<float> occlusion = scene.read(scene.shadow->getSSAOTexture());
    scene.shadow->closeSSAO();

    double corner = 0.0, open = 0.0, worstOpen = 1.0;
    int cornerCount = 0, openCount = 0, creaseEdges = 0, openEdges = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const float ao = occlusion[i * 4 + 1], edge = edges[i * 4 + 1];
        if (pixels[i].cornerDistance < 0.25f) {
            corner += ao;
            ++cornerCount;
            creaseEdges += edge > 0.0f;
        } else if (pixels[i].cornerDistance > 2.5f) {
            open += ao;
            ++openCount;
            worstOpen = std::min<double>(worstOpen, ao);
            openEdges += edge > 0.0f;
        }
    }
    ASSERT_GT(cornerCount, 20);
    ASSERT_GT(openCount, 2000);
    EXPECT_LT(corner / cornerCount, 0.8 * open / openCount);
    EXPECT_GT(open / openCount, 0.98);
    EXPECT_GT(worstOpen, 0.95);
    EXPECT_GT(creaseEdges, cornerCount / 4);
    EXPECT_EQ(openEdges, 0);
}

}  // namespace
}  // namespace glhost
