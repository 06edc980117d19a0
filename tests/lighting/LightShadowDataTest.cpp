// LightSource::updateShadowData, resetShadowData and the light-matrix table: levels, buckets,
// atlas slots, the 30-entry limit and the spot-light matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/host/Math3D.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "refhost/ReferenceHost.h"

namespace {

using namespace effector;

// Camera at the origin looking along +z (fov pi/3, aspect 16/9), a 1000-pixel-wide viewport
// and the 1024 x 512 atlas.
struct ShadowDataTest : ::testing::Test {
    refhost::ReferenceHost host;
    EffectorMan man;
    LightSource* lights = nullptr;

    void SetUp() override {
        host.install();
        effectorMan = &man;
        lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
        createAtlas();
        host.renderApi().setViewport(0, 0, 1000, 600);
    }
    virtual void createAtlas() { host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1); }
    void TearDown() override { effectorMan = nullptr; }

    // A shadow-casting spot light one unit behind the camera shining along +z, so that the
    // camera is inside its cone (cone distance 0) and on its axis (bucket 0).
    static LIGHTDESC spot(float range, float angle = 0.5f) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.type = LIGHT_SPOT;
        l.flags = LIGHTFLAG_SHADOW;
        l.vPos = Math::Vector3f(0, 0, -1);
        l.vColor = Math::Vector4f(1, 1, 1, 1);
        l.vDir = Math::Vector4f(0, 0, -1, 0);
        l.fMaxRadius = range;
        l.fConeAngle = angle;
        return l;
    }

    LIGHTDESC* record(int i) {
        return static_cast<LIGHTDESC*>((*man.getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0))[i]);
    }
    void setShadowRange(float range) {
        static_cast<PSMShadow*>(man.getEffectorInstance(EFFECTOR_PSMSHADOW))->getDesc()->fShadowDistance = range;
    }
};

// World width of 15 pixels at distance 1: 15 / 1000 * 2 tan(pi/6) * 16/9.
const float kUnit = 15.0f / 1000.0f * 2.0f * std::tan(3.14159265f / 6.0f) * 16.0f / 9.0f;

// The range whose lit disc (2 sin(angle) range) covers n texels of a map.
float rangeForTexels(float n, float angle = 0.5f) { return n * kUnit / (2.0f * std::sin(angle)); }

TEST_F(ShadowDataTest, LevelFollowsScreenSizeWithAQuarterOfTheAtlasWidthAsLevelZeroEdge) {
    // n texels of a level-0 edge of 256: q = 256 / n; level = smallest of 0..2 with 2^level >= q.
    // n = 70 gives q = 3 and level 2; an edge of 512 would give level 3 and one of 128 level 1.
    const float texels[] = {300.0f, 100.0f, 70.0f, 120.0f, 20.0f, 1.0f};
    const int levels[] = {0, 1, 2, 1, 3, 3};
    for (float n : texels) {
        LIGHTDESC l = spot(rangeForTexels(n));
        man.addLight(&l);
    }
    lights->updateShadowData();
    ASSERT_EQ(lights->getUsedLightMatrices(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(record(i)->nShadowSlot / 32, levels[i]) << texels[i];
    // Order: level 0, 1 (equal buckets: list order), 2, 3.
    const short order[] = {0, 1, 3, 2, 4, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(record(i)->nShadowMatrix, order[i]) << i;
    EXPECT_EQ(record(3)->nShadowSlot, 33);
    EXPECT_EQ(record(5)->nShadowSlot, 97);
}

TEST_F(ShadowDataTest, FiveLevelZeroKeysAndTheThirtyEntryLimit) {
    std::vector<LIGHTDESC> list(40, spot(100.0f));
    for (LIGHTDESC& l : list) man.addLight(&l);
    lights->updateShadowData();
    ASSERT_EQ(lights->getUsedLightMatrices(), 30);
    // Level 0 holds 4, level 1 8, level 2 16: the table's 30 entries end at level 3, index 1.
    const short slots[] = {0, 1, 2, 3, 32, 33, 34, 35, 36, 37, 38, 39, 64};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(record(i)->nShadowSlot, slots[i]) << i;
        EXPECT_EQ(record(i)->nShadowMatrix, i);
        EXPECT_EQ(lights->getLightMatrix(static_cast<short>(i))->nSlot, slots[i]);
    }
    EXPECT_EQ(record(29)->nShadowSlot, 97);
    for (int i = 30; i < 40; ++i) {
        EXPECT_EQ(record(i)->nShadowSlot, -1) << i;
        EXPECT_EQ(record(i)->nShadowMatrix, -1) << i;
    }
    EXPECT_EQ(lights->getLightMatrix(29), lights->getLightMatrix(0) + 29);
    EXPECT_EQ(lights->getLightMatrix(29)->nSlot, 97);
    EXPECT_EQ(lights->getLightMatrix(30), nullptr);
    EXPECT_EQ(lights->getLightMatrix(-1), nullptr);
    EXPECT_EQ(lights->getLightMatrix(-32768), nullptr);
    // The entry keeps the light as it was when the entry was made.
    EXPECT_EQ(lights->getLightMatrix(7)->light.fMaxRadius, 100.0f);

    lights->resetShadowData();
    EXPECT_EQ(lights->getUsedLightMatrices(), 0);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(record(i)->nShadowSlot + record(i)->nShadowMatrix, -2) << i;
}

TEST_F(ShadowDataTest, OnlyShadowSpotsWithinTheShadowRangeNearestBucketFirst) {
    setShadowRange(50.0f);
    // Axis distances 45 (bucket 4: 50 > 40, kept), 55 (bucket 5: 50 > 50 fails), 5 (bucket 0).
    auto aside = [](float distance) {
        LIGHTDESC l = spot(1000.0f, 0.001f);  // a narrow cone: level 3 from both distances
        l.vPos = Math::Vector3f(distance, 0, -1);
        return l;
    };
    LIGHTDESC far = aside(45.0f), tooFar = aside(55.0f), near = aside(5.0f);
    LIGHTDESC point = spot(1000.0f);
    point.type = LIGHT_POINT;
    LIGHTDESC noFlag = spot(1000.0f);
    noFlag.flags = LIGHTFLAG_NOCULL;
    for (LIGHTDESC* l : {&far, &tooFar, &near, &point, &noFlag}) man.addLight(l);
    lights->updateShadowData();
    ASSERT_EQ(lights->getUsedLightMatrices(), 2);
    const int level = record(0)->nShadowSlot / 32;
    EXPECT_EQ(record(2)->nShadowMatrix, 0);  // the nearer bucket first within the same level
    EXPECT_EQ(record(0)->nShadowMatrix, 1);
    EXPECT_EQ(record(2)->nShadowSlot / 32, level);
    for (int i : {1, 3, 4}) EXPECT_EQ(record(i)->nShadowMatrix, -1) << i;
}

struct ShadowDataNoAtlasTest : ShadowDataTest {
    void createAtlas() override {}
};

TEST_F(ShadowDataNoAtlasTest, NoAtlasNoMatricesAndTheRecordsAreLeftAlone) {
    LIGHTDESC l = spot(100.0f);
    man.addLight(&l);
    record(0)->nShadowSlot = 5;
    lights->updateShadowData();
    EXPECT_EQ(lights->getUsedLightMatrices(), 0);
    EXPECT_EQ(record(0)->nShadowSlot, 5);
    ShadowDataTest::createAtlas();
    lights->updateShadowData();
    EXPECT_EQ(lights->getUsedLightMatrices(), 1);
    EXPECT_EQ(record(0)->nShadowSlot, 0);
}

TEST_F(ShadowDataTest, ConeMatricesLookDownTheAxisWithAMirroredPerspective) {
    LIGHTDESC l = spot(40.0f, 0.6f);
    l.vPos = Math::Vector3f(3, 4, 5);
    const Math::Vector3f axis = Math::normalizeOrKeep(Math::Vector3f(1, -2, 2));
    l.vDir = Math::Vector4f(-axis.x, -axis.y, -axis.z, 0);
    LIGHTDESC down = spot(40.0f, 0.6f);
    down.vDir = Math::Vector4f(0, 1, 0, 0);  // shines straight down: the up vector switches to x
    man.addLight(&l);
    man.addLight(&down);
    lights->updateShadowData();
    ASSERT_EQ(lights->getUsedLightMatrices(), 2);
    for (int e = 0; e < 2; ++e) {
        const TLightMatrixData& m = *lights->getLightMatrix(static_cast<short>(e));
        const LIGHTDESC& src = m.light;
        const Math::Vector3f dir(-src.vDir.x, -src.vDir.y, -src.vDir.z);
        // The light sits at the view's origin and looks along +z.
        const Math::Vector3f origin = Math::transformCoord(src.vPos, m.mView);
        EXPECT_NEAR(Math::length(origin), 0.0f, 1e-4f);
        const Math::Vector3f ahead = Math::transformCoord(src.vPos + dir * 10.0f, m.mView);
        EXPECT_NEAR(ahead.x, 0.0f, 1e-4f);
        EXPECT_NEAR(ahead.y, 0.0f, 1e-4f);
        EXPECT_NEAR(ahead.z, 10.0f, 1e-4f);
        // The inverse takes view space back.
        const Math::Vector3f back = Math::transformCoord(ahead, m.mViewInv);
        EXPECT_NEAR(Math::length(back - (src.vPos + dir * 10.0f)), 0.0f, 1e-3f);
        // Near at 1% of the range maps to depth 0, the range to depth 1.
        EXPECT_NEAR(Math::transformCoord(src.vPos + dir * 0.4f, m.mViewProj).z, 0.0f, 1e-4f);
        EXPECT_NEAR(Math::transformCoord(src.vPos + dir * 40.0f, m.mViewProj).z, 1.0f, 1e-4f);
        // A point on the cone's edge, displaced along the view's x axis, lands on x = -1: the
        // projection's aspect of -1 mirrors x; y spans the half-angle.
        const Math::Vector3f side(m.mView.m[0][0], m.mView.m[1][0], m.mView.m[2][0]);
        const Math::Vector3f up(m.mView.m[0][1], m.mView.m[1][1], m.mView.m[2][1]);
        const float t = std::tan(0.6f) * 20.0f;
        EXPECT_NEAR(Math::transformCoord(src.vPos + dir * 20.0f + side * t, m.mViewProj).x, -1.0f, 1e-4f);
        EXPECT_NEAR(Math::transformCoord(src.vPos + dir * 20.0f + up * t, m.mViewProj).y, 1.0f, 1e-4f);
        EXPECT_NEAR(Math::length(side), 1.0f, 1e-5f);
        EXPECT_NEAR(Math::length(up), 1.0f, 1e-5f);
    }
    // Straight down, the up vector is x, so the view's y axis lies along x.
    const Math::Matrix4f& v = lights->getLightMatrix(1)->mView;
    EXPECT_NEAR(std::fabs(v.m[0][1]), 1.0f, 1e-5f);
}

}  // namespace
