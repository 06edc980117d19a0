// The light effector's own reckoning, worked by hand: ranges, attenuation coefficients, the
// light/sphere test and the light weight; optimize (the budget in order of importance, culling,
// the fading of lights with ids across calls); and the ambient cube (the pre-fill of a face with
// the day's ambient light, the blur into "cube_ambient" after the sixth).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "LightPassScene.h"

namespace {

using namespace light_test;
using refhost::ClientCall;
using Lights = std::vector<LIGHTDESC>;

TEST(LightAttenuation, RangeCoefficientAndWeight) {
    // The range is (B / 2)^3 * 400 + 0.1, the coefficient 9 / R^2 with R raised to 0.1.
    const float k400 = 9.0f / (400.1f * 400.1f);
    const struct { float bright, range; } ranges[] = {{0, 0.1f}, {1, 50.1f}, {2, 400.1f}, {-2, -399.9f}, {3, 1350.1f}};
    for (const auto& r : ranges) EXPECT_FLOAT_EQ(LightSource::calcAttenMaxRad(r.bright, 123.0f), r.range) << r.bright;
    const struct { float range, k; } coefficients[] = {{0, 900}, {0.05f, 900}, {-30, 900}, {3, 1}, {10, 0.09f}, {400.1f, k400}};
    for (const auto& c : coefficients) EXPECT_FLOAT_EQ(LightSource::calcAttenKMaxRad(7.0f, c.range), c.k) << c.range;
    EXPECT_FLOAT_EQ(LightSource::calcAttenKLight(2.0f), k400);
    LightSource::fillAttenMaxRad(nullptr), LightSource::fillAttenKMaxRad(nullptr);

    // Lights at (1, 1, 1) of colour (2, 1, 0) and range 10: t * B inside the range, t beyond it.
    const struct { signed char type; float range, distance, weight; } rows[] = {
        {LIGHT_POINT, 10, 0, 2}, {LIGHT_POINT, 10, 5, 1}, {LIGHT_POINT, 10, 10, 0}, {LIGHT_POINT, 10, 15, -0.5f},
        {LIGHT_POINT, 10, 30, -2}, {LIGHT_SPOT, 10, 5, 1}, {6, 10, 15, -0.5f},
        {LIGHT_POINT, 0.0009f, 0, 0}, {LIGHT_POINT, -4, 0, 0},  // no range: 0 wherever the point is
        {LIGHT_DIRECTIONAL, 0, 1e5f, 90002},                    // brightest channel, first
        {LIGHT_AMBIENT, 0, 1e5f, 100000}, {-128, 0, 1e5f, 100000}};
    LightSource source;
    for (const auto& r : rows) {
        LIGHTDESC l = makeLight(r.type, {1, 1, 1}, {2, 1, 0, 7}, r.range);
        Math::Vector3f at(1, 1 + r.distance, 1);
        EXPECT_FLOAT_EQ(source.getWeight(&l, &at, 0.0f), r.weight) << int(r.type) << " at " << r.distance;
    }
    // A null point is the origin (distance 5 here); a null record weighs 0; a NaN range gives NaN.
    LIGHTDESC l = makeLight(LIGHT_POINT, {3, 4, 0}, {2, 0, 0, 0}, 10);
    EXPECT_FLOAT_EQ(source.getWeight(&l, nullptr, 1.0f), 1.0f);
    EXPECT_EQ(source.getWeight(nullptr, nullptr, 1.0f), 0.0f);
    l.fMaxRadius = std::nanf("");
    EXPECT_TRUE(std::isnan(source.getWeight(&l, nullptr, 1.0f)));
}

TEST(LightAttenuation, WhichSpheresALightReaches) {
    // The light at (0, 10, 0); a spot shines down (vDir points back up to the light), half-angle 0.3.
    const struct { signed char type; float range, cone; Math::Vector3f at; float radius; bool reaches; } rows[] = {
        {LIGHT_AMBIENT, 1, 0.3f, {1e6f, 0, 0}, 1, true},       // lights without a position reach everything
        {LIGHT_POINT, 1, 0.3f, {1e6f, 0, 0}, 0.0009f, true},   // a sphere of (almost) no radius is always reached
        {LIGHT_POINT, 1, 0.3f, {1e6f, 0, 0}, 0.001f, false},
        {LIGHT_POINT, 10, 0.3f, {0, 10, 12.5f}, 2.6f, true},   // d - r - R < 0
        {LIGHT_POINT, 10, 0.3f, {0, 10, 12}, 2, false},        // d - r - R = 0 is outside
        {LIGHT_POINT, std::nanf(""), 0.3f, {0, 10, 0}, 1, false},  // a NaN range reaches nothing
        {LIGHT_SPOT, 15, 0.3f, {0, 0, 0}, 1, true},            // on the axis
        {LIGHT_SPOT, 15, 0.3f, {0, 20, 0}, 1, false},          // behind the light, in range
        {5, 15, 0.3f, {0, 20, 0}, 1, false},                   // types above 3 take the cone test too
        {LIGHT_SPOT, 15, 1.46f, {10, 10, 0}, 1, false},        // off the axis by pi/2 - asin(0.1) = 1.4706
        {LIGHT_SPOT, 15, 1.48f, {10, 10, 0}, 1, true},
        {LIGHT_SPOT, 15, 0.3f, {5, 0, 0}, 0.5f, false},        // off by atan(0.5) = 0.4636, asin(0.5 / 11.18) = 0.0447
        {LIGHT_SPOT, 15, 0.3f, {5, 0, 0}, 2, true},            // asin(2 / 11.18) = 0.1798 reaches into the cone
        {LIGHT_SPOT, 15, 0.3f, {0, 11, 0}, 3, true},           // the light inside the sphere
    };
    for (const auto& r : rows) {
        LIGHTDESC l = makeLight(r.type, {0, 10, 0}, {1, 1, 1, 1}, r.range);
        l.vDir = Math::Vector4f(0, 1, 0, 0);
        l.fConeAngle = r.cone;
        Math::Vector3f at = r.at;
        EXPECT_EQ(LightSource::lightCrossSphere(&at, r.radius, &l), r.reaches) << int(r.type) << " " << at.x << "," << at.y;
    }
    LIGHTDESC l = makeLight(LIGHT_POINT, {3, 4, 0}, {1, 1, 1, 1}, 5.5f);
    EXPECT_TRUE(LightSource::lightCrossSphere(nullptr, 0.01f, &l));  // a null centre is the origin
    EXPECT_FALSE(LightSource::lightCrossSphere(nullptr, 1.0f, nullptr));
}

struct OptimizeTest : ::testing::Test, LightPassScene {
    // A light ahead of the camera, tagged in vDir.w (which fading never scales).
    static LIGHTDESC light(signed char type, float tag, float range, uint32_t id = 0, float z = 10, float cone = 0.5f) {
        LIGHTDESC l = makeLight(type, {0, 0, z}, {1, 1, 1, 1}, range);
        l.dwLightId = id, l.vDir.w = tag, l.fConeAngle = cone;
        return l;
    }
    std::vector<float> tags;  // of the lights kept, in storage order
    std::map<float, float> optimized(const Lights& list, int budget, bool cull = false) {  // tag -> colour scale
        setLights(list);
        lights->optimize(budget, cull);
        std::map<float, float> scales;
        tags.clear();
        for (LIGHTDESC* l : records()) scales[l->vDir.w] = l->vColor.x, tags.push_back(l->vDir.w);
        return scales;
    }
};

TEST_F(OptimizeTest, TheBudgetKeepsTheMostImportantLights) {
    // Importance = range / distance (10 here), for spots times the half-angle over a right angle
    // (held to 0 .. 1: 1.05, 1, 0.98, 0.95, 0; NaN last); ambient and directional lights come first.
    Lights ten{light(LIGHT_DIRECTIONAL, 1, 0), light(LIGHT_AMBIENT, 0, 0)};
    const float ranges[10] = {5, 17, 3, 11, 20, 1, 9, 14, 2, 7};
    for (int i = 0; i < 10; ++i) ten.insert(ten.end() - 2, light(LIGHT_POINT, 100.0f + i, ranges[i]));
    const float quarter = 0.78539816f;
    const Lights spots = {light(LIGHT_POINT, 1, 10), light(LIGHT_SPOT, 2, 19, 0, 10, quarter), light(LIGHT_SPOT, 3, 21, 0, 10, quarter),
                          light(LIGHT_SPOT, 5, 9.8f, 0, 10, 2.5f), light(LIGHT_SPOT, 6, 1000, 0, 10, -0.5f), light(LIGHT_POINT, 7, NAN)};
    // Culling by the camera's sphere test spares directional lights and lights flagged.
    Lights behind = {light(LIGHT_POINT, 1, 10, 0, -100), light(LIGHT_POINT, 2, 5, 0, -100), light(LIGHT_POINT, 3, 10, 77, -100),
                     light(LIGHT_POINT, 4, 1, 0, 100), light(LIGHT_DIRECTIONAL, 5, 0, 0, -100)};
    behind[1].flags = LIGHTFLAG_NOCULL;
    const struct { const Lights* list; int budget; bool cull; std::vector<float> kept; } rows[] = {
        {&ten, 8, false, {1, 0, 104, 101, 107, 103, 106, 109}},  // ties keep the list's order
        {&ten, 1, false, {1}},                                    // ambient and directional count too
        {&ten, -3, false, {}},
        {&spots, 10, false, {3, 1, 5, 2, 6, 7}},
        {&behind, 10, true, {5, 2, 4}},
        {&behind, 10, false, {5, 1, 2, 4, 3}}};
    for (const auto& r : rows) {
        optimized(*r.list, r.budget, r.cull);
        EXPECT_EQ(tags, r.kept) << r.budget << " " << r.cull;
    }
}

TEST_F(OptimizeTest, LightsWithIdsFadeOutWaitAndFadeIn) {
    const LIGHTDESC a = light(LIGHT_POINT, 1, 10, 11), b = light(LIGHT_POINT, 2, 20, 22);  // b the more important
    EXPECT_EQ(optimized({a}, 1), (std::map<float, float>{{1, 1}}));  // first sight within the budget: full at once
    // b takes the only place: a fades out over 19 more calls while b waits for a free place,
    // whatever order the host adds them in.
    for (int call = 1; call <= 19; ++call) {
        const std::map<float, float> s = optimized(call % 3 ? Lights{a, b} : Lights{b, a}, 1);
        ASSERT_EQ(s.size(), 1u) << call;
        EXPECT_NEAR(s.at(1), 1.0f - 0.05f * call, 1e-5f) << call;
    }
    EXPECT_TRUE(optimized({a, b}, 1).empty());  // a reached 0; b still waits, a counted as shown at the start
    for (int call = 1; call <= 22; ++call) {     // b, seen before, fades in over 20 calls
        const std::map<float, float> s = optimized({a, b}, 1);
        ASSERT_EQ(s.size(), 1u) << call;
        EXPECT_NEAR(s.at(2), std::min(0.05f * call, 1.0f), 1e-5f) << call;
    }
    optimized({}, 1);  // lights missing for a call lose their entries: a is new again, full at once
    EXPECT_EQ(optimized({a}, 1), (std::map<float, float>{{1, 1}}));

    // Two plain lights leave one place of three to the fading lights; a and c wait.
    const LIGHTDESC amb = light(LIGHT_AMBIENT, 0, 0), sun = light(LIGHT_DIRECTIONAL, 9, 0), c = light(LIGHT_POINT, 3, 5, 33);
    optimized({}, 3);
    for (int call = 0; call < 2; ++call) {
        optimized({amb, sun, c, b, a}, 3);
        EXPECT_EQ(tags, (std::vector<float>{0, 9, 2})) << call;
    }
    optimized({}, 3);
    optimized({a, b, c}, 3);
    EXPECT_EQ(tags, (std::vector<float>{2, 1, 3}));  // first sight within the budget, by importance
    // Three fading lights shown: the plain lights get 3 - 3 = 0 places; two start fading out.
    const std::map<float, float> s = optimized({amb, sun, a, b, c}, 3);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_NEAR(s.at(1) + s.at(2) + s.at(3), 2.9f, 1e-6f);
}

TEST(LightAmbient, TheCubesFacesArePrefilledAndTheSixthBlursSixteenRotatedCopiesIntoEach) {
    LightPassScene s;
    s.setLights({makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.2f, 0.3f, 0.4f, 0.0f}), makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {1, 1, 1, 1})});
    auto bkgr = [&](const char* op) { return s.host.clients().callsOf("Bkgr", op); };
    refhost::RefRenderApi& api = s.host.renderApi();
    Math::Vector3d at(1.0, 2.0, 3.0);
    s.lights->enableAmbientCube(true);
    s.host.clients().bkgr().setMode("keep");
    s.lights->setAmbientCubeEffect(0.25f);
    ASSERT_TRUE(s.lights->beginAmbientCube(nullptr, 3, &at));
    EXPECT_EQ(api.currentTarget(0)->getName() + std::to_string(api.cubeFace()), std::string("cube_ambient_src3"));
    // The ambient record alone (the day's light split with everything direct), weighted 0.75,
    // drawn over the face in the mode "x", the client's mode put back.
    ASSERT_EQ(bkgr("setColor").size() + bkgr("drawRect").size(), 2u);
    const std::vector<double> fill = bkgr("setColor")[0].numbers;
    expectNear(Math::Vector4f(fill[0], fill[1], fill[2], fill[3]), Math::Vector4f(0.2f, 0.3f, 0.4f, 0.75f));
    EXPECT_EQ(bkgr("setMode")[1].texts[0] + bkgr("setMode")[2].texts[0], "xkeep");
    s.lights->endAmbientCube();

    s.lights->setAmbientCubeEffect(1.0f);  // no pre-fill from here
    s.host.clients().clearCalls();
    for (char face = 0; face < 6; ++face) {
        EXPECT_TRUE(s.host.clients().calls().empty());
        ASSERT_TRUE(s.lights->beginAmbientCube("m_psurfScreenDepth", face, &at));
        s.lights->endAmbientCube();
    }
    // Copies weighted 1/16 about X then Z, turned by k pi / 10 for k = -4 .. 3, scaled by 10,
    // centred on the camera; each face cleared first.
    const Math::Vector3f c = s.host.camera().getView()->vPos;
    std::vector<ClientCall> drawn = s.host.clients().callsOf("SysBackCube", "drawCube");
    ASSERT_EQ(drawn.size(), 96u);
    for (int i = 0; i < 96; ++i) {
        const int aboutZ = (i % 16) / 8;
        const double a = (i % 8 - 4) * 3.14159265358979 / 10, cs = 10 * std::cos(a), sn = 10 * std::sin(a);
        const double expected[17] = {0.0625, aboutZ ? cs : 10, aboutZ ? sn : 0, 0, 0, aboutZ ? -sn : 0, cs, aboutZ ? 0 : -sn, 0,
                                     0, aboutZ ? 0 : sn, aboutZ ? 10 : cs, 0, c.x, c.y, c.z, 1};
        EXPECT_EQ(drawn[i].targets[0] + " " + drawn[i].objects[0] + " " + std::to_string(drawn[i].face),
                  "cube_ambient cube_ambient_src " + std::to_string(i / 16));
        for (int e = 0; e < 17; ++e) EXPECT_NEAR(drawn[i].numbers[e ? 3 + e : 0], expected[e], 1e-5) << i << " " << e;
    }
    EXPECT_TRUE(api.readPixel("cube_ambient", 5, 5, 4) == Math::Vector4f(0, 0, 0, 0) && api.renderTargetDepth() == 0);
}

}  // namespace
