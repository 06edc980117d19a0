// LightSource::optimize: the budget, importance order, culling and the fading of lights with ids.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "refhost/ReferenceHost.h"

namespace {

using namespace effector;

// A reference host (camera at the origin looking along +z) and a manager installed as the
// module's one manager.
struct OptimizeTest : ::testing::Test {
    refhost::ReferenceHost host;
    EffectorMan man;
    LightSource* lights = nullptr;

    void SetUp() override {
        host.install();
        effectorMan = &man;
        lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
        lights->optimize(0, false);  // the fade table is module-wide: forget the ids of other tests
    }
    void TearDown() override { effectorMan = nullptr; }

    // A light tagged by vColor.w (the tag survives fading only as tag * fade, so tests read the
    // tag from vDir.w, which is never scaled).
    static LIGHTDESC light(signed char type, float tag, Math::Vector3f pos, float range, uint32_t id = 0) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.dwLightId = id;
        l.type = type;
        l.vPos = pos;
        l.vColor = Math::Vector4f(1.0f, 1.0f, 1.0f, 1.0f);
        l.vDir = Math::Vector4f(0.0f, 0.0f, 1.0f, tag);
        l.fMaxRadius = range;
        l.fConeAngle = 0.5f;
        return l;
    }

    // A frame's lights: the last frame's records go, these are stored.
    void add(std::vector<LIGHTDESC> list) {
        man.flush(EFFECTOR_LIGHT, 0);
        for (LIGHTDESC& l : list) man.addLight(&l);
    }

    // The tags of the manager's active lights in storage order.
    std::vector<float> tags() {
        std::vector<float> out;
        EffectorMan::DataList* list = man.getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0);
        for (int i = 0; i < list->count(); ++i) out.push_back(static_cast<LIGHTDESC*>((*list)[i])->vDir.w);
        return out;
    }

    // Tag -> colour scale (red channel) of the manager's active lights.
    std::map<float, float> scales() {
        std::map<float, float> out;
        EffectorMan::DataList* list = man.getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0);
        for (int i = 0; i < list->count(); ++i) {
            const LIGHTDESC* l = static_cast<LIGHTDESC*>((*list)[i]);
            out[l->vDir.w] = l->vColor.x;
            EXPECT_FLOAT_EQ(l->vColor.w, l->vColor.x);  // all four channels are scaled
        }
        return out;
    }
};

TEST_F(OptimizeTest, BudgetKeepsAmbientAndDirectionalFirstThenTheMostImportant) {
    // Ten point lights without ids at distance 10 along +z; importance = range / 10.
    const float ranges[10] = {5, 17, 3, 11, 20, 1, 9, 14, 2, 7};
    std::vector<LIGHTDESC> list;
    for (int i = 0; i < 10; ++i) list.push_back(light(LIGHT_POINT, 100.0f + i, {0, 0, 10}, ranges[i]));
    list.push_back(light(LIGHT_DIRECTIONAL, 1.0f, {0, -1, 0}, 0.0f));
    list.push_back(light(LIGHT_AMBIENT, 0.0f, {0, 0, 0}, 0.0f));
    add(list);
    lights->optimize(8, false);
    // Ambient and directional tie (1e8) and keep list order; then ranges 20, 17, 14, 11, 9, 7.
    EXPECT_EQ(tags(), (std::vector<float>{1, 0, 104, 101, 107, 103, 106, 109}));
    EXPECT_EQ(man.getRecordCount(EFFECTOR_LIGHT), 8);

    // The re-added records are fresh: no shadow slot.
    EffectorMan::DataList* kept = man.getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0);
    for (int i = 0; i < kept->count(); ++i) EXPECT_EQ(static_cast<LIGHTDESC*>((*kept)[i])->nShadowSlot, -1);

    // The budget counts ambient and directional lights too.
    man.flush(EFFECTOR_LIGHT, 0);
    add(list);
    lights->optimize(1, false);
    EXPECT_EQ(tags(), (std::vector<float>{1}));
    man.flush(EFFECTOR_LIGHT, 0);
    add(list);
    lights->optimize(0, false);
    EXPECT_TRUE(tags().empty());
    add(list);
    lights->optimize(-3, false);
    EXPECT_TRUE(tags().empty());
}

TEST_F(OptimizeTest, SpotImportanceScalesWithHalfAngleOverRightAngle) {
    auto spot = [](float tag, float range, float angle) {
        LIGHTDESC l = light(LIGHT_SPOT, tag, {0, 0, 10}, range);
        l.fConeAngle = angle;
        return l;
    };
    add({light(LIGHT_POINT, 1, {0, 0, 10}, 10.0f),              // 1.0
         spot(2, 19.0f, 0.78539816f),                           // 1.9 / 2 = 0.95
         spot(3, 21.0f, 0.78539816f),                           // 2.1 / 2 = 1.05
         spot(4, 9.9f, 1.5707964f),                             // 0.99 (full)
         spot(5, 9.8f, 2.5f),                                   // 0.98 (clamped to full)
         spot(6, 1000.0f, -0.5f),                               // 0 (clamped)
         light(LIGHT_POINT, 7, {0, 0, 10}, NAN),                // NaN: last
         light(LIGHT_POINT, 8, {0, 0, 10}, -5.0f)});            // -0.5
    lights->optimize(10, false);
    EXPECT_EQ(tags(), (std::vector<float>{3, 1, 4, 5, 2, 6, 8, 7}));
}

TEST_F(OptimizeTest, CullingUsesTheCameraSphereTestUnlessNoCull) {
    LIGHTDESC behind = light(LIGHT_POINT, 1, {0, 0, -100}, 10.0f);
    LIGHTDESC behindNoCull = light(LIGHT_POINT, 2, {0, 0, -100}, 5.0f);
    behindNoCull.flags = LIGHTFLAG_NOCULL;
    LIGHTDESC behindWithId = light(LIGHT_POINT, 3, {0, 0, -100}, 10.0f, 77);
    const LIGHTDESC ahead = light(LIGHT_POINT, 4, {0, 0, 100}, 1.0f);
    const LIGHTDESC sun = light(LIGHT_DIRECTIONAL, 5, {0, 0, -100}, 0.0f);  // never culled
    const std::vector<LIGHTDESC> list = {behind, behindNoCull, behindWithId, ahead, sun};
    add(list);
    lights->optimize(10, true);
    EXPECT_EQ(tags(), (std::vector<float>{5, 2, 4}));
    man.flush(EFFECTOR_LIGHT, 0);
    add(list);
    lights->optimize(10, false);
    EXPECT_EQ(tags(), (std::vector<float>{5, 1, 2, 4, 3}));
}

TEST_F(OptimizeTest, FadingOutWaitingAndFadingIn) {
    const LIGHTDESC a = light(LIGHT_POINT, 1, {0, 0, 10}, 10.0f, 11);
    const LIGHTDESC b = light(LIGHT_POINT, 2, {0, 0, 10}, 20.0f, 22);  // more important than a

    // First sight within the budget: full strength at once.
    add({a});
    lights->optimize(1, false);
    EXPECT_EQ(scales(), (std::map<float, float>{{1.0f, 1.0f}}));

    // b takes the only place: a fades out over 19 more calls while b waits for a free place.
    // (The order in which the host adds them does not matter.)
    for (int call = 1; call <= 19; ++call) {
        call % 3 ? add({a, b}) : add({b, a});
        lights->optimize(1, false);
        const std::map<float, float> s = scales();
        ASSERT_EQ(s.size(), 1u) << call;
        EXPECT_NEAR(s.at(1.0f), 1.0f - 0.05f * call, 1e-5f) << call;
    }
    // a's fade reaches 0 (not shown); b still waits, since a counted as shown at the start.
    add({a, b});
    lights->optimize(1, false);
    EXPECT_TRUE(scales().empty());
    // Now b starts; it has been seen before, so it fades in over 20 calls.
    for (int call = 1; call <= 22; ++call) {
        add({a, b});
        lights->optimize(1, false);
        const std::map<float, float> s = scales();
        ASSERT_EQ(s.size(), 1u) << call;
        EXPECT_NEAR(s.at(2.0f), std::min(0.05f * call, 1.0f), 1e-5f) << call;
    }
}

TEST_F(OptimizeTest, LightsMissingForACallLoseTheirFadeEntry) {
    const LIGHTDESC a = light(LIGHT_POINT, 1, {0, 0, 10}, 10.0f, 11);
    const LIGHTDESC b = light(LIGHT_POINT, 2, {0, 0, 10}, 20.0f, 22);
    add({a});
    lights->optimize(1, false);
    for (int call = 0; call < 10; ++call) {  // a fades to 0.5
        add({a, b});
        lights->optimize(1, false);
    }
    EXPECT_NEAR(scales().at(1.0f), 0.5f, 1e-5f);
    add({});
    lights->optimize(1, false);  // a and b are gone for a call: their entries go
    add({a});
    lights->optimize(1, false);
    EXPECT_EQ(scales(), (std::map<float, float>{{1.0f, 1.0f}}));  // seen as new: full, not 0.55
}

TEST_F(OptimizeTest, FadingBudgetAfterPlainLightsAndShownLightsLimitPlainOnes) {
    const LIGHTDESC amb = light(LIGHT_AMBIENT, 0, {0, 0, 0}, 0.0f);
    const LIGHTDESC sun = light(LIGHT_DIRECTIONAL, 9, {0, -1, 0}, 0.0f);
    const LIGHTDESC a = light(LIGHT_POINT, 1, {0, 0, 10}, 30.0f, 11);
    const LIGHTDESC b = light(LIGHT_POINT, 2, {0, 0, 10}, 20.0f, 22);
    const LIGHTDESC c = light(LIGHT_POINT, 3, {0, 0, 10}, 10.0f, 33);

    // Two plain lights leave one place of three for the fading lights.
    add({amb, sun, c, b, a});
    lights->optimize(3, false);
    EXPECT_EQ(tags(), (std::vector<float>{0, 9, 1}));
    add({amb, sun, c, b, a});
    lights->optimize(3, false);
    EXPECT_EQ(tags(), (std::vector<float>{0, 9, 1}));  // b and c keep waiting

    // Three fading lights shown: the plain lights get maxLights - 3 = 0 places that call.
    add({});
    lights->optimize(3, false);  // forget every id
    add({a, b, c});
    lights->optimize(3, false);
    EXPECT_EQ(tags(), (std::vector<float>{1, 2, 3}));
    add({amb, sun, a, b, c});
    lights->optimize(3, false);
    const std::map<float, float> s = scales();
    EXPECT_EQ(s.count(0.0f) + s.count(9.0f), 0u);
    EXPECT_FLOAT_EQ(s.at(1.0f), 1.0f);
    EXPECT_NEAR(s.at(2.0f), 0.95f, 1e-6f);
    EXPECT_NEAR(s.at(3.0f), 0.95f, 1e-6f);
}

TEST_F(OptimizeTest, NoManagerOrNoCameraIsSafe) {
    add({light(LIGHT_POINT, 1, {0, 0, -100}, 10.0f)});  // behind the camera
    host.uninstall();  // no camera: origin, no culling
    lights->optimize(4, true);
    EXPECT_EQ(tags(), (std::vector<float>{1}));
    effectorMan = nullptr;
    lights->optimize(4, true);  // nothing to work on
    effectorMan = &man;
    EXPECT_EQ(tags(), (std::vector<float>{1}));
}

}  // namespace
