// The fog effector against the reference host: its model (overcast, visibility, turbidity, vapour,
// haze, ground fog) worked by hand from the default layer (1000 .. 1400), the shader constant
// "g_FogDesc", "cld_shadows", the screen-sized cloud targets, the top-down cloud-shadow pass and
// the cloud-shadow matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "FogTestHost.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefShader.h"

namespace {

using namespace effector;
using fogtest::FogScene;
using V = Math::Vector3f;

Math::Vector4f fogAlong(const FogEffector& fog, V from, V to) {
    Math::Vector4f out(0, 0, 0, 0);
    fog.GetFogK(&from, &to, &out);
    return out;
}

// The haze law 1 - exp(-(density u)^exponent), and an equal-channel haze after the pull towards
// its grey (r + g + b) * 0.3333 by a quarter (at visibility 30000).
double hazeOf(double density, double u, double exponent) { return 1.0 - std::exp(-std::pow(density * u, exponent)); }
double greyed(double c) { return c + (3 * c * 0.3333 - c) * 0.25; }

TEST(FogEffector, TheCameraHeightThroughTheOvercastDrivesVisibility) {
    const float in = 1.0f - 10 * 6.666667e-5f;  // turbidity at the complex distance 10
    // Camera height = position + base; the overcast fade follows the base alone.
    const struct { float visibility; double positionY, baseY; float distance, turbidity, vapour, density, alpha; } rows[] = {
        {15000, 1100, 100, 15000, 0, 0, 0, 0},             // from 15000 the camera has no say
        {6000, 1100, 100, 10, in, in * 0.5f, 0.5f, 0},     // the middle: k = 0.5
        {6000, 1200, 100, 17505, 0, 0, 0.5f, 0},           // k = 0.25: 35000 - 0.5 * 34990
        {6000, 1300, 200, 35000, 0, 0, 0.5f, 0},           // above the top
        {6000, 0, 975, 6000, 0.6f, 0.6f, 0.5f, 0.5f},      // fading in (900 .. 1050)
        {6000, 0, 1200, 10, in, in * 0.5f, 0.5f, 1},       // fully inside
        {6000, 0, 1425, 35000, 0, 0, 0.5f, 0.5f},          // fading out (1350 .. 1500)
        {6000, 850, 50, 6000, 0.6f, 0.6f, 0.5f, 0},        // below the layer
    };
    FogScene s;
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.visibility << " at " << r.positionY << " + " << r.baseY);
        s.fog->SetFogDistance(r.visibility);
        s.placeCamera(r.positionY, r.baseY);
        EXPECT_FLOAT_EQ(s.fog->GetFogComplexDistance(), r.distance);
        EXPECT_NEAR(s.fog->GetTurbidityK(), r.turbidity, 1e-6);
        EXPECT_NEAR(s.fog->GetVapor(), r.vapour, 1e-6);
        EXPECT_FLOAT_EQ(s.fog->GetOvercastDensity(), r.density);
        EXPECT_NEAR(s.fog->GetOvercastIntensity().w, r.alpha, 1e-5);
    }
    const Math::Vector4f p = s.fog->GetDistanceParam();  // below the layer, visibility 6000
    EXPECT_EQ(Math::Vector4f(p.x, p.y, p.z, 0), Math::Vector4f(1.0f / 6000, 1.0f / 750, 5250, 0));

    // The host's clouds merge with the overcast: alpha is the larger, the colour is weighted by
    // alpha and lit by the day (black without an astronomy manager).
    Math::Vector4f clouds(0.2f, 0.4f, 0.6f, 0.5f);
    s.fog->SetCloudIntensity(&clouds);
    s.placeCamera(0, 1200);
    EXPECT_EQ(s.fog->GetCloudIntensity(), Math::Vector4f(0, 0, 0, 1));
    s.placeCamera(0, 0);
    EXPECT_EQ(s.fog->GetCloudIntensity(), Math::Vector4f(0, 0, 0, 0.5f));
}

TEST(FogEffector, HazeAndGroundFogAlongAPath) {
    const double h84 = hazeOf(2, 0.84, 1);
    // Visibility 30000: t = distance / 30000.
    const struct { Math::Vector4f haze; float kneeDist, kneeValue, distance; double red; } rows[] = {
        {{2, 2, 2, 1}, 0.5f, 0.2f, 7500, greyed(hazeOf(2, 0.1, 1))},   // before the knee: u = 0.2 / 0.5 t
        {{2, 2, 2, 1}, 0.5f, 0.2f, 22500, greyed(hazeOf(2, 0.6, 1))},  // after: 0.2 + 0.25 * 0.8 / 0.5
        {{2, 2, 2, 1}, 0.5f, 0.2f, 27000, greyed(0.5 * (1 - h84) + h84)},  // past 0.8: blended up to 1 ...
        {{2, 2, 2, 1}, 0.5f, 0.2f, 90000, greyed(1)},                  // ... at the end of the visibility
        {{1, 1, 1, 2}, 0, 0, 15000, greyed(hazeOf(1, 0.5, 2))},        // the exponent, no knee
        // Unequal channels are pulled towards their grey by a quarter.
        {{3, 0, 0, 1}, 0, 0, 15000, hazeOf(3, 0.5, 1) * (1 - 0.25 + 0.3333 * 0.25)},
    };
    FogScene s;
    for (const auto& r : rows) {
        s.editDesc([&](FOGDESC& d) { d.vFogColor = r.haze, d.fHazeKneeDist = r.kneeDist, d.fHazeKneeValue = r.kneeValue; });
        EXPECT_NEAR(fogAlong(*s.fog, V(0, 0, 0), V(0, 0, r.distance)).x, r.red, 1e-5) << r.distance << " " << r.haze.x;
    }

    const double e = 2.718;  // the shaders' base of the extinction law; intensity 0.1, plane 200, depth 300
    // The plane is taken against the camera base.
    const struct { double positionY, baseY; V from, to; double fog; } paths[] = {
        {0, 0, {0, 300, 0}, {10, 250, 0}, 0},                                          // both above
        {0, 0, {0, 190, 0}, {30, 180, 0}, std::pow(e, -0.1 * std::sqrt(1000.0)) - 1},  // inside: negative
        {0, 0, {0, 190, 0}, {10, 210, 0}, std::pow(e, -0.1 * std::sqrt(500.0) / 2) - 1},  // up through the plane
        {0, 0, {0, 300, 0}, {0, -500, 0}, 1 - std::pow(e, -30.0)},                     // down: 300 deep at most
        {0, 0, {0, 250, 0}, {40, 170, 0}, 1 - std::pow(e, -0.1 * 30 * std::sqrt(8000.0) / 80)},
        {0, 150, {0, 60, 0}, {0, 40, 0}, 1 - std::pow(e, -1.0)},                       // base 150: plane at 50
        {150, 0, {0, 60, 0}, {0, 40, 0}, std::pow(e, -2.0) - 1},                       // the position does not move it
    };
    s.editDesc([](FOGDESC& d) { d.fLayerFogIntensity = 0.1f; });
    for (const auto& r : paths) {
        s.placeCamera(r.positionY, r.baseY);
        EXPECT_NEAR(fogAlong(*s.fog, r.from, r.to).w, r.fog, 1e-6) << r.from.y << " -> " << r.to.y << " base " << r.baseY;
    }
}

TEST(FogEffector, DegenerateSettingsGiveNoNaNOrInfinity) {
    FogScene s;
    // An overcast layer without depth and no room after the haze knee, for a faint haze.
    for (float distance : {0.0f, -5.0f, 6000.0f})
        for (double height : {-1e4, 1000.0, 1001.0}) {
            s.editDesc([&](FOGDESC& d) { d = FOGDESC{{2e-4f, 2e-4f, 2e-4f, 1}, {1, 1, 1, 1}, distance, 1000, 0, 0.5f, 200, 300, 1, 1, 0.3f}; });
            s.placeCamera(height * 0.5, height * 0.5);
            const Math::Vector4f k = fogAlong(*s.fog, V(0, 0, 0), V(0, 0, 0)) + fogAlong(*s.fog, V(0, 0, 0), V(0, -1e6f, 1e6f)) +
                                     s.fog->GetDistanceParam() + s.fog->GetCloudIntensity();
            EXPECT_TRUE(std::isfinite(k.x + k.y + k.z + k.w + s.fog->GetVapor())) << distance << " " << height;
        }
}

std::vector<Math::Vector4f> fogDescOf(FogEffector& fog, bool ignoreReflection) {
    refhost::RefShader shader;
    fog.applyFogParams(&shader, ignoreReflection);
    return shader.vectorArray("g_FogDesc");
}

TEST(FogEffector, ShaderConstantAndItsReflectionPassVariant) {
    FogScene s;
    s.editDesc([](FOGDESC& d) { d = FOGDESC{{0.1f, 0.2f, 0.3f, 1.5f}, {0.7f, 0.8f, 0.9f, 1}, 20000, 1000, 400, 0.02f, 120, 80, 1, 0.3f, 0.6f}; });
    s.placeCamera(500, 40);
    const std::vector<Math::Vector4f> normal = fogDescOf(*s.fog, false);
    // The haze knee, the ground fog's plane, colour and settings, the haze, the distance parameters.
    EXPECT_EQ(normal, (std::vector<Math::Vector4f>{{0.3f, 0.6f, 0, 0}, {0, 1, 0, 40 - 120}, {0.7f, 0.8f, 0.9f, 1},
                                                   {0.02f, 80, 0.0125f, 1}, {0.1f, 0.2f, 0.3f, 1.5f}, s.fog->GetDistanceParam()}));

    // A reflection pass draws a flat grey haze without knee, at the reflection range.
    auto* reflection = static_cast<ReflectionEffector*>(s.man.getEffectorInstance(EFFECTOR_REFLECTION));
    reflection->setReflectionRange(250);
    reflection->beginReflection("reflection_color", "reflection_depth", &s.host.camera());
    EXPECT_EQ(fogDescOf(*s.fog, false), (std::vector<Math::Vector4f>{{0, 0, 0, 0}, normal[1], normal[2], normal[3], {0.5f, 0.5f, 0.5f, 1},
                                                                     {1.0f / 250, normal[5].y, normal[5].z, normal[5].w}}));
    EXPECT_EQ(fogDescOf(*s.fog, true), normal);  // the caller asked for the plain fog
    reflection->endReflection();
    EXPECT_EQ(fogDescOf(*s.fog, false), normal);
    s.fog->applyFogParams(nullptr, false);
}

std::string sizeOf(const RendAPI::IRenderTarget* rt) {
    return rt ? std::to_string(rt->getWidth()) + "x" + std::to_string(rt->getHeight()) : "none";
}

TEST(FogEffector, SizesFollowTheScreenDepthTargetAndTheLevel) {
    FogScene s;
    FogEffector& fog = *s.fog;
    auto sizes = [&] { return sizeOf(fog.getCloudsRT()) + " " + sizeOf(fog.getCloudsDepth()) + " " + sizeOf(fog.getShadowsRT()); };
    SSDTextures set;
    set.init(1280, 720, false);
    auto* shadow = static_cast<PSMShadow*>(s.man.getEffectorInstance(EFFECTOR_PSMSHADOW));
    shadow->setScreenDepthSrc(&set);
    set.m_vRect = Math::Vector4f(0, 0, 0.7f, 0.33f);
    const std::pair<short, std::string> levels[] = {{1, "640x360"}, {2, "1280x720"}, {7, "1280x720"}, {-3, "320x180"}};
    for (const auto& l : levels) {
        fog.initCloudsRT(l.first);
        EXPECT_EQ(sizes(), l.second + " " + l.second + " " + l.second) << l.first;
    }
    // Half a cloud texel, and the used part rounded to whole cloud texels (0.33 * 180 = 59.4).
    EXPECT_EQ(fog.getScreenRect(), Math::Vector4f(0.5f / 320, 0.5f / 180, 224.0f / 320, 59.0f / 180));
    RendAPI::IRenderTarget* vol = fog.getCloudsRT();
    set.m_vRect = Math::Vector4f(0, 0, 1, 1);
    fog.initCloudsRT(0);  // the same size again: nothing is made, the rectangle is kept
    EXPECT_EQ(fog.getCloudsRT(), vol);
    EXPECT_FLOAT_EQ(fog.getScreenRect().w, 59.0f / 180);
    for (const char* name : {"m_rtCloudVol", "m_rtCloudDepth", "m_rtCloudShadowVol"}) s.api.writePixel(name, 10, 20, {1, 1, 1, 1});
    fog.clearCloudsRT();  // colour and depth only: 0 + 0 + 1
    EXPECT_EQ(s.api.readPixel("m_rtCloudVol", 10, 20).w + s.api.readPixel("m_rtCloudDepth", 10, 20).x +
                  s.api.readPixel("m_rtCloudShadowVol", 10, 20).w, 1.0f);
    fog.uninitCloudsRT();
    for (const std::string& name : s.api.leakedObjects()) EXPECT_EQ(name.find("m_rtCloud"), std::string::npos) << name;

    // A set without its depth target: 256 x 256, the set's rectangle all the same; a refused
    // cloud target stays null.
    set.uninit();
    s.api.setFailCreation("m_prtScreenDepth", true);
    s.api.setFailCreation("m_rtCloudDepth", true);
    set.init(1280, 720, false);
    set.m_vRect = Math::Vector4f(0, 0, 0.7f, 0.33f);
    fog.initCloudsRT(1);
    EXPECT_EQ(sizes(), "256x256 none 256x256");
    EXPECT_EQ(fog.getScreenRect(), Math::Vector4f(0.5f / 256, 0.5f / 256, 179.0f / 256, 84.0f / 256));
    shadow->setScreenDepthSrc(nullptr);
    set.uninit();
}

TEST(FogEffector, TheShadowPassLooksDownOnTheSquareAndItsMatrixCarriesPointsAlongTheSun) {
    FogScene s;
    refhost::RefCamera& camera = s.host.camera();
    s.fog->updateShadowMatrix(10, 20);  // before any shadow pass the size is 0: left as it is
    EXPECT_EQ(*s.fog->getShadowMatrix(), Math::Matrix4f::identity());
    std::mt19937 rng(20261206);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int trial = 0; trial < 60 && !HasFailure(); ++trial) {
        const double size = static_cast<float>(uniform(300, 6000)), bx = uniform(-2e5, 2e5), by = uniform(-500, 2500), bz = uniform(-2e5, 2e5);
        const double bottom = uniform(0, 3000), elevation = uniform(1, 90) * M_PI / 180, azimuth = uniform(0, 2 * M_PI);
        const double offX = uniform(-2000, 2000), offZ = uniform(-2000, 2000), base[4] = {bx, by, bz, 0};
        const double pos[4] = {uniform(-100, 100), uniform(0, 100), uniform(-100, 100), 1};
        camera.setBasePosition(base);
        camera.setPosition(pos);
        const refhost::RefCamera::State before = camera.state();
        s.api.writePixel("cld_shadows", 100, 200, Math::Vector4f(0, 0, 0, 0));
        s.fog->beginShadowsRT(static_cast<float>(size));
        // Into "cld_shadows", 1024 x 1024, cleared white; from the origin of the world, 5000 above
        // the middle of the square, forward down, up along -z, right along +x.
        const refhost::RefCamera::State during = camera.state();
        ASSERT_EQ(s.api.currentTarget(0), s.api.find("cld_shadows"));
        EXPECT_EQ(sizeOf(s.fog->getShadowTexture()) + (s.api.currentTarget(0) == s.fog->getShadowTexture() ? "" : " other"), "1024x1024");
        EXPECT_EQ(s.api.readPixel("cld_shadows", 100, 200).x, 1.0f);
        const float rows[3][3] = {{0, -1, 0}, {0, 0, -1}, {1, 0, 0}};
        for (int r = 0; r < 9; ++r) EXPECT_NEAR(during.orientation(r / 3, r % 3), rows[r / 3][r % 3], 1e-6) << r;
        EXPECT_EQ(std::vector<double>(during.base, during.base + 4), std::vector<double>(4, 0.0));
        EXPECT_EQ(std::vector<double>(during.position, during.position + 4), (std::vector<double>{size / 2, 5000, size / 2, 1}));
        s.fog->endShadowsRT();
        EXPECT_EQ(camera.state(), before);
        EXPECT_EQ(s.api.renderTargetDepth() + s.api.depthSurfaceDepth() + s.api.protocolErrors(), 0);

        s.editDesc([&](FOGDESC& d) { d.fLayerBottom = static_cast<float>(bottom); });
        s.man.flush(EFFECTOR_LIGHT, 0);
        LIGHTDESC sun{};
        sun.type = LIGHT_DIRECTIONAL;
        sun.vPos = Math::Vector3f(std::cos(elevation) * std::cos(azimuth), -std::sin(elevation), std::cos(elevation) * std::sin(azimuth));
        s.man.addLight(&sun);
        s.fog->updateShadowMatrix(static_cast<float>(offX), static_cast<float>(offZ));
        // Oracle: climb from p toward the sun to the plane of the layer bottom, moving back against
        // the light's horizontal travel by the slant per unit of height (at most 3, the light's
        // height counted as at least 0.1), into the square snapped toward zero.
        const double slant = std::min(std::cos(elevation) / std::max(std::sin(elevation), 0.1), 3.0);
        const double cornerX = bx - std::fmod(bx, size), cornerZ = bz - std::fmod(bz, size);
        for (int k = 0; k < 10; ++k) {
            const Math::Vector3f p(uniform(-800, 800), uniform(-800, 3000), uniform(-800, 800));
            const double climb = bottom - by - p.y;
            const double u = (p.x - climb * slant * std::cos(azimuth) + bx - cornerX - offX) / size;
            const double v = (p.z - climb * slant * std::sin(azimuth) + bz - cornerZ - offZ) / size;
            const Math::Vector3f q = Math::transformCoord(p, *s.fog->getShadowMatrix());
            EXPECT_NEAR(q.x, u, 2e-5 * (1 + std::fabs(u) + std::fabs(v))) << "trial " << trial;
            EXPECT_NEAR(q.z, v, 2e-5 * (1 + std::fabs(u) + std::fabs(v))) << "trial " << trial;
        }
    }
    s.api.setFailCreation("cld_shadows", true);  // a refused target: null
    EXPECT_EQ(FogEffector().getShadowTexture(), nullptr);
}

}  // namespace
