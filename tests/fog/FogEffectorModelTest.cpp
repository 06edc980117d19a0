// The fog model: overcast, effective visibility, turbidity, vapour, haze and ground fog.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FogTestHost.h"

using effector::FOGDESC;
using effector::FogEffector;
using fogtest::FogHost;

namespace {

FOGDESC descWithDistance(float distance) {
    FOGDESC d;
    d.fFogDistance = distance;
    return d;
}

// Fog on the straight path from the camera along +z over the given distance.
Math::Vector4f fogAlongZ(const FogEffector& fog, float distance) {
    Math::Vector3f from(0, 0, 0), to(0, 0, distance);
    Math::Vector4f out(0, 0, 0, 0);
    fog.GetFogK(&from, &to, &out);
    return out;
}

float layerFog(const FogEffector& fog, Math::Vector3f from, Math::Vector3f to) {
    Math::Vector4f out(0, 0, 0, 0);
    fog.GetFogK(&from, &to, &out);
    return out.w;
}

double hazeOf(double density, double u, double exponent) { return 1.0 - std::exp(-std::pow(density * u, exponent)); }

// A grey haze after the pull towards its grey (r + g + b) * 0.3333 by s (0.25 at visibility 30000).
double greyed(double c, double s = 0.25) { return c + (3 * c * 0.3333 - c) * s; }

}  // namespace

TEST(FogModel, DefaultsGiveClearAir) {
    FogHost h;
    FogEffector fog;
    EXPECT_EQ(fog.GetOvercastDensity(), 0.0f);
    EXPECT_EQ(fog.GetFogComplexDistance(), 30000.0f);
    EXPECT_EQ(fog.GetTurbidityK(), 0.0f);
    EXPECT_EQ(fog.GetFogLayerSettings(), Math::Vector4f(0, 300, 0.0125f, 0));
    EXPECT_EQ(fog.GetOvercastIntensity(), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(fog.GetLayerMiddle(), 1200.0f);
    EXPECT_EQ(fog.GetLayerTop(), 1400.0f);
    Math::Vector4f p = fog.GetDistanceParam();
    EXPECT_FLOAT_EQ(p.x, 1.0f / 30000);
    EXPECT_FLOAT_EQ(p.y, 8.0f / 30000);
    EXPECT_FLOAT_EQ(p.z, 30000 - 3750);
    EXPECT_FLOAT_EQ(p.w, 0.25f);
    // Haze (0, 0, 0, 1) is nothing at any distance, the blend towards 1 included.
    for (float d : {1000.0f, 27000.0f, 30000.0f, 90000.0f}) {
        Math::Vector4f k = fogAlongZ(fog, d);
        EXPECT_EQ(k.x, 0.0f) << d;
        EXPECT_EQ(k.y, 0.0f) << d;
        EXPECT_EQ(k.z, 0.0f) << d;
    }
}

TEST(FogModel, VisibilityBelowInsideAndAboveTheOvercast) {
    FogHost h;
    FogEffector fog;
    FOGDESC d = descWithDistance(6000);
    fog.setFogDesc(&d);

    // 100 below the layer bottom, the height split between position and base.
    h.placeCamera(850, 50);
    EXPECT_FLOAT_EQ(fog.GetOvercastDensity(), 0.5f);
    EXPECT_FLOAT_EQ(fog.GetFogComplexDistance(), 6000.0f);
    EXPECT_NEAR(fog.GetTurbidityK(), 0.6f, 1e-6);
    EXPECT_NEAR(fog.GetVapor(), 0.6f, 1e-6);  // overcast k = 1
    Math::Vector4f p = fog.GetDistanceParam();
    EXPECT_FLOAT_EQ(p.x, 1.0f / 6000);
    EXPECT_FLOAT_EQ(p.y, 1.0f / 750);
    EXPECT_FLOAT_EQ(p.z, 5250.0f);
    EXPECT_NEAR(p.w, 0.55f, 1e-6);
    EXPECT_EQ(fog.GetFogLayerPlane(), Math::Vector4f(0, 1, 0, 50 - 200));  // base only

    h.placeCamera(1200, 0);  // the layer middle: k = 0.5
    EXPECT_FLOAT_EQ(fog.GetFogComplexDistance(), 10.0f);
    EXPECT_NEAR(fog.GetVapor(), (1 - 10 * 6.666667e-5) * 0.5, 1e-6);
    EXPECT_FLOAT_EQ(fog.GetOvercastDensity(), 0.5f);  // the density does not follow the camera

    h.placeCamera(1300, 200);  // above the top
    EXPECT_FLOAT_EQ(fog.GetFogComplexDistance(), 35000.0f);
    EXPECT_EQ(fog.GetTurbidityK(), 0.0f);
    EXPECT_EQ(fog.GetVapor(), 0.0f);

    // From 15000 up the camera has no say.
    fog.SetFogDistance(15000);
    EXPECT_EQ(fog.GetFogComplexDistance(), 15000.0f);
    EXPECT_EQ(fog.GetOvercastDensity(), 0.0f);
}

TEST(FogModel, OvercastFadeFollowsTheCameraBase) {
    FogHost h;
    FogEffector fog;
    FOGDESC d = descWithDistance(6000);
    fog.setFogDesc(&d);
    auto alphaAt = [&](double baseY) {
        h.placeCamera(0, baseY);
        Math::Vector4f o = fog.GetOvercastIntensity();
        EXPECT_EQ(o.x, 0.98f);
        return o.w;
    };
    // Fade-in 900..1050, full 1050..1350, fade-out 1350..1500 (B 1000, T 400).
    EXPECT_EQ(alphaAt(800), 0.0f);
    EXPECT_NEAR(alphaAt(975), 0.5f, 1e-5);
    EXPECT_EQ(alphaAt(1200), 1.0f);
    EXPECT_NEAR(alphaAt(1425), 0.5f, 1e-5);
    EXPECT_EQ(alphaAt(1600), 0.0f);
    h.placeCamera(1200, 0);  // only the base counts: the position alone leaves it outside
    EXPECT_EQ(fog.GetOvercastIntensity().w, 0.0f);

    // The merge with the host's clouds: alpha is the larger one, colour weighted by alpha; the
    // light and ambient colours are zero without an astronomy manager.
    Math::Vector4f clouds(0.2f, 0.4f, 0.6f, 0.5f);
    fog.SetCloudIntensity(&clouds);
    h.placeCamera(0, 1200);
    EXPECT_EQ(fog.GetCloudIntensity(), Math::Vector4f(0, 0, 0, 1));
    h.placeCamera(0, 0);
    EXPECT_EQ(fog.GetCloudIntensity(), Math::Vector4f(0, 0, 0, 0.5f));
    Math::Vector4f none(0.2f, 0.4f, 0.6f, 0.0f);
    fog.SetCloudIntensity(&none);
    EXPECT_EQ(fog.GetCloudIntensity(), Math::Vector4f(0, 0, 0, 0));
}

TEST(FogModel, DerivedValuesAreContinuousWhereTheirRegimeChanges) {
    FogHost h;
    FogEffector fog;
    FOGDESC d = descWithDistance(6000);
    fog.setFogDesc(&d);
    const double eps = 1e-3;

    // Overcast fade at its four corners, in the camera base height.
    for (double corner : {900.0, 1050.0, 1350.0, 1500.0}) {
        h.placeCamera(0, corner - eps);
        float below = fog.GetOvercastIntensity().w;
        h.placeCamera(0, corner + eps);
        EXPECT_NEAR(below, fog.GetOvercastIntensity().w, 1e-4) << corner;
    }
    // The complex distance, vapour and turbidity across the layer middle, bottom and top.
    for (double height : {1000.0, 1200.0, 1400.0}) {
        h.placeCamera(height - eps, 0);
        float dBelow = fog.GetFogComplexDistance(), vBelow = fog.GetVapor(), tBelow = fog.GetTurbidityK();
        h.placeCamera(height + eps, 0);
        EXPECT_NEAR(dBelow, fog.GetFogComplexDistance(), 0.5) << height;
        EXPECT_NEAR(vBelow, fog.GetVapor(), 1e-4) << height;
        EXPECT_NEAR(tBelow, fog.GetTurbidityK(), 1e-4) << height;
    }
    h.placeCamera(1200 + eps, 0);
    EXPECT_NEAR(fog.GetFogComplexDistance(), 10.0f, 0.5);

    // The complex distance at 15000 (below the layer, where it is the fog distance on both sides)
    // and the overcast density at 12000.
    h.placeCamera(0, 0);
    fog.SetFogDistance(14999.99f);
    float below = fog.GetFogComplexDistance();
    fog.SetFogDistance(15000.0f);
    EXPECT_NEAR(below, fog.GetFogComplexDistance(), 0.05);
    fog.SetFogDistance(11999.9f);
    float density = fog.GetOvercastDensity();
    fog.SetFogDistance(12000.1f);
    EXPECT_NEAR(density, fog.GetOvercastDensity(), 1e-4);
    EXPECT_EQ(fog.GetOvercastDensity(), 0.0f);
}

TEST(FogModel, HazeKneeRemapsDistanceOnBothSides) {
    FogHost h;
    FogEffector fog;
    FOGDESC d;  // visibility 30000: t = distance / 30000
    d.vFogColor = Math::Vector4f(2, 2, 2, 1);
    d.fHazeKneeDist = 0.5f;
    d.fHazeKneeValue = 0.2f;
    fog.setFogDesc(&d);

    EXPECT_NEAR(fogAlongZ(fog, 7500).x, greyed(hazeOf(2, 0.1, 1)), 1e-6);   // t 0.25: u = 0.2 / 0.5 * t
    EXPECT_NEAR(fogAlongZ(fog, 15000).y, greyed(hazeOf(2, 0.2, 1)), 1e-6);  // at the knee
    EXPECT_NEAR(fogAlongZ(fog, 22500).z, greyed(hazeOf(2, 0.6, 1)), 1e-6);  // t 0.75: 0.2 + 0.25 * 0.8 / 0.5
    // Past 0.8 the haze is blended up to 1 at the end of the visibility, and stays 1 beyond.
    const double h09 = hazeOf(2, 0.84, 1);
    EXPECT_NEAR(fogAlongZ(fog, 27000).x, greyed((1 - h09) * 0.5 + h09), 1e-5);
    EXPECT_NEAR(fogAlongZ(fog, 30000).x, greyed(1), 1e-6);
    EXPECT_NEAR(fogAlongZ(fog, 90000).x, greyed(1), 1e-6);
    EXPECT_EQ(fogAlongZ(fog, 0).x, 0.0f);

    // The exponent of the haze law, without a knee.
    d = FOGDESC();
    d.vFogColor = Math::Vector4f(1, 1, 1, 2);
    fog.setFogDesc(&d);
    EXPECT_NEAR(fogAlongZ(fog, 15000).x, greyed(hazeOf(1, 0.5, 2)), 1e-6);

    // Unequal channels are pulled towards their grey by the distance parameter's w (0.25 here).
    d.vFogColor = Math::Vector4f(3, 0, 0, 1);
    fog.setFogDesc(&d);
    const double red = hazeOf(3, 0.5, 1), grey = red * 0.3333;
    Math::Vector4f k = fogAlongZ(fog, 15000);
    EXPECT_NEAR(k.x, red + (grey - red) * 0.25, 1e-6);
    EXPECT_NEAR(k.y, grey * 0.25, 1e-6);
    EXPECT_NEAR(k.z, grey * 0.25, 1e-6);
}

TEST(FogModel, GroundFogPathInsideAndAboveTheLayer) {
    FogHost h;
    FogEffector fog;
    FOGDESC d;
    d.fLayerFogIntensity = 0.1f;  // plane at 200, depth 300
    fog.setFogDesc(&d);
    using V = Math::Vector3f;

    EXPECT_EQ(layerFog(fog, V(0, 300, 0), V(10, 250, 0)), 0.0f);  // both above
    // Both inside: the whole path, negative.
    EXPECT_NEAR(layerFog(fog, V(0, 190, 0), V(30, 180, 0)), std::pow(2.718, -0.1 * std::sqrt(1000.0)) - 1, 1e-6);
    // From inside up through the plane: only the part below it.
    EXPECT_NEAR(layerFog(fog, V(0, 190, 0), V(0, 210, 0)), std::pow(2.718, -1.0) - 1, 1e-6);
    EXPECT_NEAR(layerFog(fog, V(0, 190, 0), V(10, 210, 0)), std::pow(2.718, -0.1 * std::sqrt(500.0) / 2) - 1, 1e-6);
    // From above down into it: positive, counted to the depth of 300 below the plane at most.
    EXPECT_NEAR(layerFog(fog, V(0, 300, 0), V(0, -500, 0)), 1 - std::pow(2.718, -30.0), 1e-6);
    EXPECT_NEAR(layerFog(fog, V(0, 250, 0), V(40, 170, 0)), 1 - std::pow(2.718, -0.1 * 30 * std::sqrt(8000.0) / 80),
                1e-6);

    // The plane is taken against the camera base: base 150 puts it at 50 camera-relative.
    EXPECT_LT(layerFog(fog, V(0, 60, 0), V(0, 40, 0)), 0.0f);
    h.placeCamera(0, 150);
    EXPECT_NEAR(layerFog(fog, V(0, 60, 0), V(0, 40, 0)), 1 - std::pow(2.718, -1.0), 1e-6);
    h.placeCamera(150, 0);  // the position does not move it
    EXPECT_LT(layerFog(fog, V(0, 60, 0), V(0, 40, 0)), 0.0f);

    // The settings' on switch.
    EXPECT_EQ(fog.GetFogLayerSettings(), Math::Vector4f(0.1f, 300, 0.0125f, 1));
}

TEST(FogModel, DegenerateSettingsGiveNoNaNOrInfinity) {
    FogHost h;
    FogEffector fog;
    FOGDESC d;
    d.fLayerThickness = 0;  // an overcast layer without depth
    d.fHazeKneeDist = 1;    // no room after the knee
    d.fHazeKneeValue = 0.3f;
    d.fLayerFogIntensity = 0.5f;
    fog.setFogDesc(&d);
    std::vector<Math::Vector4f> colours = {Math::Vector4f(1, 1, 1, 1), Math::Vector4f(2e-4f, 2e-4f, 2e-4f, 1)};
    for (const Math::Vector4f& colour : colours) {
        for (float distance : {0.0f, -5.0f, 6000.0f, 20000.0f}) {
            for (double height : {-1e4, 999.0, 1000.0, 1001.0, 1e4}) {
                d.vFogColor = colour;
                d.fFogDistance = distance;
                fog.setFogDesc(&d);
                h.placeCamera(height * 0.5, height * 0.5);
                SCOPED_TRACE(testing::Message() << "distance " << distance << " height " << height);
                EXPECT_TRUE(std::isfinite(fog.GetFogComplexDistance()));
                EXPECT_TRUE(std::isfinite(fog.GetVapor()));
                EXPECT_TRUE(std::isfinite(fog.GetTurbidityK()));
                EXPECT_TRUE(fogtest::finite4(fog.GetDistanceParam()));
                EXPECT_TRUE(fogtest::finite4(fog.GetOvercastIntensity()));
                EXPECT_TRUE(fogtest::finite4(fog.GetCloudIntensity()));
                for (float along : {0.0f, 1.0f, 1e6f}) {
                    Math::Vector3f from(0, 0, 0), to(0, -along, along);
                    Math::Vector4f k(0, 0, 0, 0);
                    fog.GetFogK(&from, &to, &k);
                    EXPECT_TRUE(fogtest::finite4(k)) << along;
                }
            }
        }
    }
    // Zero thickness: the layer is a step at its bottom.
    d.fFogDistance = 6000;
    d.vFogColor = Math::Vector4f(2e-4f, 2e-4f, 2e-4f, 1);
    fog.setFogDesc(&d);
    h.placeCamera(1000, 0);
    EXPECT_EQ(fog.GetFogComplexDistance(), 6000.0f);
    EXPECT_EQ(fog.GetOvercastIntensity().w, 0.0f);
    h.placeCamera(1000.01, 0);
    EXPECT_EQ(fog.GetFogComplexDistance(), 35000.0f);
    // The knee at 1: the end of the visibility maps to the knee value (no blend for this
    // faint haze, whose colour sum is below 0.001).
    EXPECT_NEAR(fogAlongZ(fog, 35000).x, greyed(hazeOf(2e-4, 0.3, 1)), 1e-9);
}

TEST(FogModel, SettingsAndTheFogColourThreshold) {
    FogHost h;
    FogEffector fog;
    Math::Vector4f c(0.5f, 0.5f, 0.5f, 1.0f);
    fog.SetFogColor(&c);
    EXPECT_EQ(fog.GetFogColor(), c);
    Math::Vector4f near(0.5005f, 0.5f, 0.5f, 1.0f);
    fog.SetFogColor(&near);
    EXPECT_EQ(fog.GetFogColor(), c);  // 0.0005 away: kept
    Math::Vector4f far(0.5f, 0.5f, 0.5f, 1.002f);
    fog.SetFogColor(&far);
    EXPECT_EQ(fog.GetFogColor(), far);
    fog.SetFogColor(nullptr);
    EXPECT_EQ(fog.GetFogColor(), far);

    Math::Vector4f layer(0.1f, 0.2f, 0.3f, 0.4f);
    fog.SetLayerFogColor(&layer);
    EXPECT_EQ(fog.GetLayerFogColor(), layer);
    FOGDESC d = fog.getFogDesc();
    EXPECT_EQ(d.vFogColor, far);
    EXPECT_EQ(d.vLayerFogColor, layer);
    d.fLayerBottom = 2000;
    d.fLayerThickness = 100;
    d.fFogParam = 7;
    fog.setFogDesc(&d);
    fog.setFogDesc(nullptr);
    EXPECT_EQ(fog.getFogDesc().fFogParam, 7.0f);
    EXPECT_EQ(fog.GetLayerBottom(), 2000.0f);
    EXPECT_EQ(fog.GetLayerMiddle(), 2050.0f);
    EXPECT_EQ(fog.GetLayerTop(), 2100.0f);
    fog.SetFogDistance(1234);
    EXPECT_EQ(fog.GetFogDistance(), 1234.0f);
}
