// LightSource::getDayLight: the sun and ambient records read back and split into direct and ambient.
#include <gtest/gtest.h>

#include <cstring>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"

namespace {

using namespace effector;

struct DayLightTest : ::testing::Test {
    EffectorMan man;
    LightSource* lights = nullptr;

    void SetUp() override {
        effectorMan = &man;
        lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
    }
    void TearDown() override { effectorMan = nullptr; }

    void add(signed char type, Math::Vector3f pos, Math::Vector4f color, int state = 1) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.type = type;
        l.vPos = pos;
        l.vColor = color;
        l.fMaxRadius = 50.0f;
        l.fAttenK = 1.0f;
        man.addEffectorData(EFFECTOR_LIGHT, &l, sizeof(l), state);
    }
};

void expectVec(const Math::Vector4f& v, float x, float y, float z, float w) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.w, w);
}

}  // namespace

TEST_F(DayLightTest, WithoutRecordsOrManagerTheLightIsStraightDownAndDark) {
    for (bool withManager : {true, false}) {
        effectorMan = withManager ? &man : nullptr;
        Math::Vector3f dir(9, 9, 9);
        Math::Vector4f color(9, 9, 9, 9), ambient(9, 9, 9, 9);
        lights->getDayLight(&dir, &color, &ambient, 0.3f);
        EXPECT_EQ(dir, Math::Vector3f(0.0f, -1.0f, 0.0f));
        EXPECT_EQ(color, Math::Vector4f(0, 0, 0, 0));
        EXPECT_EQ(ambient, Math::Vector4f(0, 0, 0, 0));
    }
}

TEST_F(DayLightTest, SplitsTheSunBetweenDirectAndAmbient) {
    add(LIGHT_DIRECTIONAL, {0.6f, -0.8f, 0.0f}, {1, 1, 1, 7});  // the alpha is not taken: it becomes 1
    add(LIGHT_AMBIENT, {0, 0, 0}, {0.2f, 0.2f, 0.2f, 0.0f});

    Math::Vector4f color;
    lights->getDayLight(nullptr, &color, nullptr, 0.5f);  // every result may be asked for alone
    expectVec(color, 0.5f, 0.5f, 0.5f, 0.5f);

    Math::Vector3f dir;
    Math::Vector4f ambient;
    lights->getDayLight(&dir, nullptr, &ambient, 0.5f);
    EXPECT_EQ(dir, Math::Vector3f(0.6f, -0.8f, 0.0f));
    expectVec(ambient, 0.7f, 0.7f, 0.7f, 0.5f);

    // All direct: the ambient is the record's; none direct: the sun is all ambient.
    lights->getDayLight(&dir, &color, &ambient, 1.0f);
    expectVec(color, 1, 1, 1, 1);
    expectVec(ambient, 0.2f, 0.2f, 0.2f, 0.0f);
    lights->getDayLight(&dir, &color, &ambient, 0.0f);
    expectVec(color, 0, 0, 0, 0);
    expectVec(ambient, 1.2f, 1.2f, 1.2f, 1.0f);
}

TEST_F(DayLightTest, TakesRecordsOfEveryStateAndStopsAfterTheFirstTwoMatches) {
    // A very bright point light at the origin weighs most of all and is passed over; then come
    // the ambient and the brightest directional light, and the walk stops there.
    add(LIGHT_DIRECTIONAL, {0, 0, 1}, {0.5f, 0.5f, 0.5f, 1}, 0);
    add(LIGHT_POINT, {0, 0, 0}, {500000, 500000, 500000, 1});
    add(LIGHT_DIRECTIONAL, {1, 0, 0}, {3, 2, 1, 1}, 5);
    add(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f}, 0);

    Math::Vector3f dir;
    Math::Vector4f color, ambient;
    lights->getDayLight(&dir, &color, &ambient, 1.0f);
    EXPECT_EQ(dir, Math::Vector3f(1, 0, 0));
    expectVec(color, 3, 2, 1, 1);
    expectVec(ambient, 0.1f, 0.2f, 0.3f, 0.4f);

    // Without an ambient record the two matches are both directional lights: the second one
    // (the dimmer) is the last written.
    man.flush(EFFECTOR_LIGHT, 0);
    add(LIGHT_DIRECTIONAL, {0, 0, 1}, {0.5f, 0.5f, 0.5f, 1});
    add(LIGHT_DIRECTIONAL, {1, 0, 0}, {3, 2, 1, 1});
    add(LIGHT_DIRECTIONAL, {0, 1, 0}, {0.1f, 0.1f, 0.1f, 1});
    lights->getDayLight(&dir, &color, &ambient, 1.0f);
    EXPECT_EQ(dir, Math::Vector3f(0, 0, 1));
    expectVec(color, 0.5f, 0.5f, 0.5f, 1);
    expectVec(ambient, 0, 0, 0, 0);
}
