// Light ranges, attenuation coefficients, the light/sphere test and the light weight.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "enviro/lighting/LightSource.h"

namespace {

using effector::LIGHTDESC;
using effector::LightSource;

LIGHTDESC lightOf(signed char type, Math::Vector3f pos, Math::Vector3f color, float maxRadius) {
    LIGHTDESC light;
    std::memset(&light, 0, sizeof(light));
    light.type = type;
    light.vPos = pos;
    light.vColor = Math::Vector4f(color.x, color.y, color.z, 1000.0f);  // the fourth channel never counts
    light.vDir = Math::Vector4f(0.0f, 1.0f, 0.0f, 0.0f);
    light.fMaxRadius = maxRadius;
    return light;
}

// The range formula evaluated independently, in double precision as the module does.
float rangeOracle(float bright) { return static_cast<float>(std::pow(bright * 0.5, 3.0) * 400.0 + 0.1); }

TEST(LightAttenuation, RangeFromBrightness) {
    EXPECT_FLOAT_EQ(LightSource::calcAttenMaxRad(0.0f, 123.0f), 0.1f);
    EXPECT_FLOAT_EQ(LightSource::calcAttenMaxRad(1.0f, 0.0f), 50.1f);
    EXPECT_FLOAT_EQ(LightSource::calcAttenMaxRad(2.0f, -5.0f), 400.1f);
    EXPECT_FLOAT_EQ(LightSource::calcAttenMaxRad(-2.0f, 0.0f), -399.9f);
    // Double-precision powers: exact agreement with the oracle over a range of brightnesses.
    for (float b = 0.01f; b < 6.0f; b += 0.173f) EXPECT_EQ(LightSource::calcAttenMaxRad(b, 0.0f), rangeOracle(b)) << b;
}

TEST(LightAttenuation, CoefficientFromRange) {
    EXPECT_FLOAT_EQ(LightSource::calcAttenKMaxRad(7.0f, 0.0f), 900.0f);  // the range is raised to 0.1
    EXPECT_FLOAT_EQ(LightSource::calcAttenKMaxRad(0.0f, 0.05f), 900.0f);
    EXPECT_FLOAT_EQ(LightSource::calcAttenKMaxRad(0.0f, -30.0f), 900.0f);
    EXPECT_FLOAT_EQ(LightSource::calcAttenKMaxRad(0.0f, 0.1f), 900.0f);
    EXPECT_FLOAT_EQ(LightSource::calcAttenKMaxRad(-1.0f, 3.0f), 1.0f);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> range(0.1f, 5000.0f);
    for (int i = 0; i < 200; ++i) {
        const float r = range(rng);
        const double k = LightSource::calcAttenKMaxRad(0.0f, r);
        EXPECT_NEAR(k * r * r, 9.0, 9.0 * 1e-6) << r;  // K * R^2 = 9
    }
    EXPECT_FLOAT_EQ(LightSource::calcAttenKLight(2.0f), static_cast<float>(9.0 / (400.1 * 400.1)));
    EXPECT_FLOAT_EQ(LightSource::calcAttenKLight(0.0f), 900.0f);
    EXPECT_EQ(LightSource::calcAttenKLight(1.3f), LightSource::calcAttenKMaxRad(0.0f, rangeOracle(1.3f)));
    EXPECT_EQ(LightSource::getColorLightRatio(), 2.0f);
}

TEST(LightAttenuation, FillUsesBrightestChannelAndType) {
    const Math::Vector3f colors[] = {{1.0f, 0.2f, 0.3f}, {0.2f, 2.0f, 0.3f}, {0.2f, 0.3f, 1.5f}, {-1.0f, -2.0f, -0.5f}};
    const float brightest[] = {1.0f, 2.0f, 1.5f, -0.5f};
    for (int i = 0; i < 4; ++i) {
        LIGHTDESC light = lightOf(effector::LIGHT_POINT, Math::Vector3f(0, 0, 0), colors[i], 0.0f);
        LightSource::fillAttenMaxRad(&light);
        EXPECT_EQ(light.fMaxRadius, rangeOracle(brightest[i])) << i;
        LightSource::fillAttenKMaxRad(&light);
        EXPECT_EQ(light.fAttenK, LightSource::calcAttenKMaxRad(0.0f, light.fMaxRadius)) << i;
    }
    // Ambient, directional and negative types get 1.0 whatever their range; other types
    // (spot, and values above 3) take it from the range.
    for (signed char type : {-4, 0, 1}) {
        LIGHTDESC light = lightOf(type, Math::Vector3f(0, 0, 0), Math::Vector3f(1, 1, 1), 7.0f);
        LightSource::fillAttenKMaxRad(&light);
        EXPECT_EQ(light.fAttenK, 1.0f) << int(type);
    }
    for (signed char type : {2, 3, 9}) {
        LIGHTDESC light = lightOf(type, Math::Vector3f(0, 0, 0), Math::Vector3f(1, 1, 1), 3.0f);
        LightSource::fillAttenKMaxRad(&light);
        EXPECT_FLOAT_EQ(light.fAttenK, 1.0f) << int(type);
        light.fMaxRadius = 10.0f;
        LightSource::fillAttenKMaxRad(&light);
        EXPECT_FLOAT_EQ(light.fAttenK, 0.09f) << int(type);
    }
}

TEST(LightAttenuation, SphereTestForLightsWithoutPosition) {
    Math::Vector3f far(1e6f, 0, 0);
    for (signed char type : {-1, 0, 1}) {
        LIGHTDESC light = lightOf(type, Math::Vector3f(0, 0, 0), Math::Vector3f(1, 1, 1), 1.0f);
        EXPECT_TRUE(LightSource::lightCrossSphere(&far, 1.0f, &light)) << int(type);
    }
    // A sphere of (almost) no radius is always reached.
    LIGHTDESC point = lightOf(effector::LIGHT_POINT, Math::Vector3f(0, 0, 0), Math::Vector3f(1, 1, 1), 1.0f);
    EXPECT_TRUE(LightSource::lightCrossSphere(&far, 0.0009f, &point));
    EXPECT_TRUE(LightSource::lightCrossSphere(&far, -5.0f, &point));
    EXPECT_FALSE(LightSource::lightCrossSphere(&far, 0.001f, &point));
}

TEST(LightAttenuation, SphereTestForPointLights) {
    LIGHTDESC light = lightOf(effector::LIGHT_POINT, Math::Vector3f(1, 2, 3), Math::Vector3f(1, 1, 1), 10.0f);
    Math::Vector3f c(1, 2, 3 + 12);  // d = 12
    EXPECT_TRUE(LightSource::lightCrossSphere(&c, 2.5f, &light));
    EXPECT_FALSE(LightSource::lightCrossSphere(&c, 2.0f, &light));  // d - r - R = 0 is outside
    EXPECT_FALSE(LightSource::lightCrossSphere(&c, 1.0f, &light));
    Math::Vector3f inside(1, 2, 3);
    EXPECT_TRUE(LightSource::lightCrossSphere(&inside, 1.0f, &light));
    // Spot axis and cone play no part for point lights.
    light.vDir = Math::Vector4f(0, 0, -1, 0);
    light.fConeAngle = 0.0f;
    EXPECT_TRUE(LightSource::lightCrossSphere(&c, 2.5f, &light));
}

TEST(LightAttenuation, SphereTestForSpotLights) {
    // A spot at height 10 shining down (vDir points back up to the light), cone half-angle 0.3.
    LIGHTDESC spot = lightOf(effector::LIGHT_SPOT, Math::Vector3f(0, 10, 0), Math::Vector3f(1, 1, 1), 15.0f);
    spot.vDir = Math::Vector4f(0, 1, 0, 0);
    spot.fConeAngle = 0.3f;
    Math::Vector3f below(0, 0, 0), above(0, 20, 0), side(10, 10, 0);
    EXPECT_TRUE(LightSource::lightCrossSphere(&below, 1.0f, &spot));
    EXPECT_FALSE(LightSource::lightCrossSphere(&above, 1.0f, &spot));  // behind the light, in range
    EXPECT_FALSE(LightSource::lightCrossSphere(&side, 1.0f, &spot));   // off axis by pi/2 - asin(0.1)
    spot.fConeAngle = 1.48f;  // > pi/2 - asin(0.1) = 1.4706
    EXPECT_TRUE(LightSource::lightCrossSphere(&side, 1.0f, &spot));
    spot.fConeAngle = 1.46f;
    EXPECT_FALSE(LightSource::lightCrossSphere(&side, 1.0f, &spot));
    // A large sphere beside the cone reaches into it through its angular radius.
    spot.fConeAngle = 0.3f;
    Math::Vector3f beside(5, 0, 0);  // off axis by atan(5/10) = 0.4636
    EXPECT_FALSE(LightSource::lightCrossSphere(&beside, 0.5f, &spot));  // asin(0.5/11.18) = 0.0447
    EXPECT_TRUE(LightSource::lightCrossSphere(&beside, 2.0f, &spot));   // asin(2/11.18) = 0.1798
    // The light inside the sphere, or at its centre: reached whatever the cone.
    Math::Vector3f around(0, 11, 0);
    EXPECT_TRUE(LightSource::lightCrossSphere(&around, 3.0f, &spot));
    Math::Vector3f at(0, 10, 0);
    EXPECT_TRUE(LightSource::lightCrossSphere(&at, 0.5f, &spot));
    // Out of range wins over the cone.
    Math::Vector3f deep(0, -20, 0);
    EXPECT_FALSE(LightSource::lightCrossSphere(&deep, 1.0f, &spot));
    // Types above 3 take the cone test as well (only type 2 skips it).
    spot.type = 5;
    EXPECT_FALSE(LightSource::lightCrossSphere(&above, 1.0f, &spot));
    spot.type = effector::LIGHT_POINT;
    EXPECT_TRUE(LightSource::lightCrossSphere(&above, 1.0f, &spot));
}

TEST(LightAttenuation, WeightOfPositionedLights) {
    LightSource source;
    for (signed char type : {2, 3, 6}) {
        LIGHTDESC light = lightOf(type, Math::Vector3f(1, 1, 1), Math::Vector3f(2, 1, 0), 10.0f);
        const float distances[] = {0.0f, 5.0f, 10.0f, 15.0f, 30.0f};
        const float weights[] = {2.0f, 1.0f, 0.0f, -0.5f, -2.0f};  // t * B inside, t beyond
        for (int i = 0; i < 5; ++i) {
            Math::Vector3f pos(1.0f, 1.0f + distances[i], 1.0f);
            EXPECT_FLOAT_EQ(source.getWeight(&light, &pos, 1.0f), weights[i]) << int(type) << " at " << distances[i];
            EXPECT_FLOAT_EQ(source.getWeight(&light, &pos, 0.0f), weights[i]);  // scale is unused
        }
        light.fMaxRadius = 0.0009f;  // no range: weight 0 wherever the point is
        Math::Vector3f pos(1, 1, 1);
        EXPECT_EQ(source.getWeight(&light, &pos, 1.0f), 0.0f);
        light.fMaxRadius = -4.0f;
        EXPECT_EQ(source.getWeight(&light, &pos, 1.0f), 0.0f);
    }
}

TEST(LightAttenuation, WeightOfAmbientAndDirectionalLights) {
    LightSource source;
    EXPECT_TRUE(source.isDirectionalFirst());
    Math::Vector3f pos(1e5f, 3, -7);
    LIGHTDESC sun = lightOf(effector::LIGHT_DIRECTIONAL, Math::Vector3f(0, -1, 0), Math::Vector3f(0.5f, 0.5f, 0.5f), 0.0f);
    EXPECT_EQ(source.getWeight(&sun, &pos, 1.0f), 90000.5f);
    source.setDirectionalFirst(false);
    EXPECT_EQ(source.getWeight(&sun, &pos, 1.0f), 0.5f);
    source.setDirectionalFirst(true);
    for (signed char type : {0, -1, -128}) {
        LIGHTDESC ambient = lightOf(type, Math::Vector3f(0, 0, 0), Math::Vector3f(0, 0, 0), 0.0f);
        EXPECT_EQ(source.getWeight(&ambient, &pos, 1.0f), 100000.0f) << int(type);
    }
    EXPECT_EQ(source.getDataSize(), 72);
}

}  // namespace

namespace {

TEST(LightAttenuation, BadInputGivesTheFallbacks) {
    LightSource source;
    LIGHTDESC light = lightOf(effector::LIGHT_POINT, Math::Vector3f(3, 4, 0), Math::Vector3f(2, 0, 0), 10.0f);
    // A null point is the origin (distance 5 here); a null record weighs 0 and reaches nothing.
    EXPECT_FLOAT_EQ(source.getWeight(&light, nullptr, 1.0f), 1.0f);
    EXPECT_EQ(source.getWeight(nullptr, nullptr, 1.0f), 0.0f);
    EXPECT_TRUE(LightSource::lightCrossSphere(nullptr, 1.0f, &light));
    Math::Vector3f origin(0, 0, 0);
    EXPECT_FALSE(LightSource::lightCrossSphere(&origin, 1.0f, nullptr));
    LightSource::fillAttenMaxRad(nullptr);
    LightSource::fillAttenKMaxRad(nullptr);
    // A NaN range is not below anything: the sphere is not reached, the weight is NaN.
    light.fMaxRadius = std::nanf("");
    EXPECT_FALSE(LightSource::lightCrossSphere(&origin, 1.0f, &light));
    EXPECT_TRUE(std::isnan(source.getWeight(&light, &origin, 1.0f)));
}

}  // namespace
