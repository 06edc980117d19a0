// The shadows of spot lights: the distances to the lit cone and its axis against brute force, the
// level and bucket quantisation, and updateShadowData's levels, atlas slots, 30-entry limit and
// cone matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "LightPassScene.h"
#include "enviro/host/Math3D.h"
#include "enviro/lighting/LightShadowGeometry.h"

namespace {

using namespace light_test;

TEST(LightShadowData, DistancesQuantisationAndDegenerateInput) {
    // A spot at the origin along +z, range 10, effective half-angle 0.4 * (1 + 0.5) / 2 = 0.3:
    // the distance to its lit sector, and to its axis segment.
    LIGHTDESC l = makeLight(LIGHT_SPOT, {0, 0, 0}, {1, 1, 1, 1}, 10.0f);
    l.vDir = Math::Vector4f(0, 0, -1, 0), l.fConeAngle = 0.4f, l.fConeEdge = 0.5f;
    const struct { Math::Vector3f p; float toSector, toAxis; } distances[] = {
        {{0, 0, 5}, 0, 0}, {{0, 0, 0}, 0, 0},          // inside; the apex
        {{0, 0, 13}, 3, 3}, {{0, 0, -4}, 4, 4},        // beyond the cap; behind the apex
        {{0, 7, 0}, 7 * std::cos(0.3f), 7},            // beside: to the side line
        {{1, 0, 5}, 0, 1}, {{0, 4, 13}, std::sqrt(185.0f) - 10, 5}};  // in the cone off the axis; beyond the cap
    for (const auto& d : distances) {
        EXPECT_NEAR(detail::shadowDistanceCone(d.p, l), d.toSector, 1e-4f) << d.p.y << "," << d.p.z;
        EXPECT_NEAR(detail::shadowDistanceConeRay(d.p, l), d.toAxis, 1e-5f) << d.p.y << "," << d.p.z;
    }
    // n = size / unit rounded, within [1, maxSize]; q = maxSize / n; the smallest level with
    // 2^level >= q, else 3 (85.4: n = 85, q = 3; 85.6: q = 2). Degenerate input (an infinite or
    // NaN size, no maxSize) lands on a level, a distance out of range on the last bucket.
    EXPECT_EQ(std::vector<int>({detail::shadowLevel(85.4f, 1, 256), detail::shadowLevel(85.6f, 1, 256), detail::shadowLevel(10, 0, 256),
                                detail::shadowLevel(0, 0, 256), detail::shadowLevel(10, 1, 0)}), std::vector<int>({2, 1, 0, 3, 0}));
    const int buckets[3] = {detail::shadowBucket(49.99f), detail::shadowBucket(1e30f), detail::shadowBucket(std::nanf(""))};
    EXPECT_EQ(std::vector<int>(buckets, buckets + 3), std::vector<int>({4, 255, 255}));
}

// Shadow-casting spots one unit behind the camera shining along +z: the camera is inside the
// cone (cone distance 0) and on the axis (bucket 0).
struct ShadowDataTest : ::testing::Test, LightPassScene {
    static LIGHTDESC spot(float range, float angle = 0.5f, float aside = 0) {
        LIGHTDESC l = makeLight(LIGHT_SPOT, {aside, 0, -1}, {1, 1, 1, 1}, range);
        l.flags = LIGHTFLAG_SHADOW, l.fConeAngle = angle;
        return l;
    }
    // The range whose lit disc (2 sin(0.5) range) covers n texels of a map: a texel is the world
    // width of 15 pixels at distance 1 (fov pi/3, aspect 16/9).
    static float rangeForTexels(float n) { return n * 15.0f / kWidth * 2 * std::tan(3.14159265f / 6) * 16 / 9 / (2 * std::sin(0.5f)); }
    std::vector<int> fields(int i) { return {records()[i]->nShadowSlot, records()[i]->nShadowMatrix}; }
};

TEST_F(ShadowDataTest, LevelsSlotsAndTheThirtyEntryLimit) {
    setLights({spot(100.0f)});
    records()[0]->nShadowSlot = 5;
    lights->updateShadowData();  // no atlas: no matrices, the records left alone
    EXPECT_EQ(fields(0), (std::vector<int>{5, -1}));
    addAtlas();  // its width / 4 = 256 texels: the level-0 edge
    // n texels: q = 256 / n, level = the smallest of 0..2 with 2^level >= q (70 texels: q = 3,
    // level 2). Ordered by level, equal levels in list order; slots level * 32 + index.
    const struct { float texels; int slot, matrix; } rows[] = {{300, 0, 0}, {100, 32, 1}, {70, 64, 3}, {120, 33, 2}, {20, 96, 4}, {1, 97, 5}};
    std::vector<LIGHTDESC> list;
    for (const auto& r : rows) list.push_back(spot(rangeForTexels(r.texels)));
    setLights(list);
    lights->updateShadowData();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(fields(i), (std::vector<int>{rows[i].slot, rows[i].matrix})) << rows[i].texels;
    // Forty at level 0: a full level passes the light on (level 0 holds 4, level 1 8, level 2
    // 16), and the table's 30 entries end at level 3, index 1.
    setLights(std::vector<LIGHTDESC>(40, spot(100.0f)));
    lights->updateShadowData();
    ASSERT_EQ(lights->getUsedLightMatrices(), 30);
    const short full[] = {0, 1, 2, 3, 32, 33, 34, 35, 36, 37, 38, 39, 64};
    for (short i = 0; i < 13; ++i) EXPECT_EQ(lights->getLightMatrix(i)->nSlot, full[i]) << i;
    EXPECT_EQ(fields(29), (std::vector<int>{97, 29}));
    EXPECT_EQ(fields(30), (std::vector<int>{-1, -1}));
    for (short bad : {30, -1, -32768}) EXPECT_EQ(lights->getLightMatrix(bad), nullptr) << bad;
    lights->resetShadowData();
    EXPECT_EQ(lights->getUsedLightMatrices(), 0);
    EXPECT_EQ(fields(0), (std::vector<int>{-1, -1}));

    // Within the shadow range 50: narrow cones beside the axis at 45 (bucket 4: 50 > 40, kept),
    // 55 (bucket 5: 50 > 50 fails) and 5 (bucket 0, nearer: first); a point light and a spot
    // without the shadow flag have none.
    shadow->getDesc()->fShadowDistance = 50.0f;
    list = {spot(1000.0f, 0.001f, 45), spot(1000.0f, 0.001f, 55), spot(1000.0f, 0.001f, 5), spot(1000.0f), spot(1000.0f)};
    list[3].type = LIGHT_POINT, list[4].flags = LIGHTFLAG_NOCULL;
    setLights(list);
    lights->updateShadowData();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(records()[i]->nShadowMatrix, (std::vector<int>{1, -1, 0, -1, -1})[i]) << i;
}

TEST_F(ShadowDataTest, ConeMatricesLookDownTheAxisWithAMirroredPerspective) {
    addAtlas();
    LIGHTDESC l = spot(40.0f, 0.6f), down = spot(40.0f, 0.6f);
    l.vPos = Math::Vector3f(3, 4, 5);
    const Math::Vector3f axis = Math::normalizeOrKeep(Math::Vector3f(1, -2, 2));
    l.vDir = Math::Vector4f(-axis.x, -axis.y, -axis.z, 0);
    down.vDir = Math::Vector4f(0, 1, 0, 0);  // straight down: the up vector switches to x
    setLights({l, down});
    lights->updateShadowData();
    for (short e = 0; e < 2; ++e) {
        const TLightMatrixData& m = *lights->getLightMatrix(e);
        const Math::Vector3f at = m.light.vPos, dir(-m.light.vDir.x, -m.light.vDir.y, -m.light.vDir.z);
        const Math::Vector3f side(m.mView.m[0][0], m.mView.m[1][0], m.mView.m[2][0]), up(m.mView.m[0][1], m.mView.m[1][1], m.mView.m[2][1]);
        // Depth 0 at 1% of the range, 1 at the range; the cone's edge along the view's x axis
        // lands on x = -1 (the aspect of -1 mirrors x), along its y axis on y = 1.
        EXPECT_NEAR(Math::transformCoord(at + dir * 0.4f, m.mViewProj).z, 0.0f, 1e-4f);
        EXPECT_NEAR(Math::transformCoord(at + dir * 40.0f, m.mViewProj).z, 1.0f, 1e-4f);
        EXPECT_NEAR(Math::transformCoord(at + dir * 20.0f + side * (std::tan(0.6f) * 20), m.mViewProj).x, -1.0f, 1e-4f);
        EXPECT_NEAR(Math::transformCoord(at + dir * 20.0f + up * (std::tan(0.6f) * 20), m.mViewProj).y, 1.0f, 1e-4f);
    }
    EXPECT_NEAR(std::fabs(lights->getLightMatrix(1)->mView.m[0][1]), 1.0f, 1e-5f);  // the view's y axis along x
}

}  // namespace
