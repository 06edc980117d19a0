// The astronomy manager's day lighting: colours from the light bitmap's ramps, the overcast
// split, the sun-to-moon decision and crossfade, and the two light records it stores.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/LightSource.h"
#include "tests/astro/AstroTestHost.h"

namespace Astro {

// Places the sun and moon and sets the moon phase directly, and reads the crossfade state.
class AstroManagerLightingProbe {
public:
    static void place(AstroManager& m, const Math::Vector3f& sun, const Math::Vector3f& moon, double phase) {
        m.m_vSunPos = sun;
        m.m_vMoonPos = moon;
        m.m_dMoonPhase = phase;
        m.setDirty(AstroManager::kDirtySunPos, false);
        m.setDirty(AstroManager::kDirtyMoonPos, false);
        m.setDirty(AstroManager::kDirtyMoonPhase, false);
    }
    static float moonBlend(const AstroManager& m) { return m.m_fMoonBlend; }
    static float moonBlendDir(const AstroManager& m) { return m.m_fMoonBlendDir; }
};

}  // namespace Astro

namespace {

using Astro::AstroManager;
using Astro::AstroManagerLightingProbe;
using effector::LIGHTDESC;
using Vector3f = Math::Vector3f;
using Vector4f = Math::Vector4f;
using Rgb = std::array<unsigned char, 3>;

constexpr int kWidth = 11;  // columns 0..10
constexpr int kHeight = 8;  // ramp rows: sun 1, ambient 3, ambient cube 5, moon 7
constexpr double kPi = 3.141592653589793;
constexpr float kTol = 2e-5f;

// Ramps linear in the column, so that the bilinear lookup at a fractional column is known exactly.
Vector4f sunRamp(double x) { return Vector4f(float((12 * x + 10) / 255), float((10 * x + 20) / 255), float((8 * x + 30) / 255), 0); }
Vector4f ambientRamp(double x) { return Vector4f(float((5 * x + 40) / 255), float((8 * x + 60) / 255), float((200 - 6 * x) / 255), 0); }
float cubeRamp(double x) { return float((20 * x + 5) / 255); }
Vector4f moonRamp(int column) { return Vector4f(float(15 * column / 255.0), float(15 * column / 255.0), float(7 * column / 255.0), 0); }

Rgb rampPixel(int x, int y) {
    switch (y) {
        case 1: return Rgb{static_cast<unsigned char>(12 * x + 10), static_cast<unsigned char>(10 * x + 20), static_cast<unsigned char>(8 * x + 30)};
        case 3: return Rgb{static_cast<unsigned char>(5 * x + 40), static_cast<unsigned char>(8 * x + 60), static_cast<unsigned char>(200 - 6 * x)};
        case 5: return Rgb{255, static_cast<unsigned char>(20 * x + 5), 255};
        case 7: return Rgb{static_cast<unsigned char>(15 * x), static_cast<unsigned char>(15 * x), static_cast<unsigned char>(7 * x)};
        default: return Rgb{255, 0, 255};  // rows no ramp uses: loud if read
    }
}

// The ramp column of a light source at direction.y (the published elevation mapping, in double).
double rampColumn(double y, double scale) {
    const double e = std::fmax(-0.2, std::asin(y) * scale);
    return std::sqrt((e + 0.2) / 1.2) * (kWidth - 1);
}
double sunColumn(double y) { return rampColumn(y, 2.0 / kPi); }
int moonColumn(double y) { return static_cast<int>(rampColumn(y, 0.6289308)); }

Vector3f direction(double elevation, double azimuth) {
    return Vector3f(float(std::cos(elevation) * std::cos(azimuth)), float(std::sin(elevation)),
                    float(std::cos(elevation) * std::sin(azimuth)));
}

Vector4f scaled(const Vector4f& a, float s) { return a * s; }

void expectColor(const Vector4f& actual, const Vector4f& expected, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, kTol) << what;
    EXPECT_NEAR(actual.y, expected.y, kTol) << what;
    EXPECT_NEAR(actual.z, expected.z, kTol) << what;
    EXPECT_NEAR(actual.w, expected.w, kTol) << what;
}

void expectDirection(const Vector3f& actual, const Vector3f& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

Vector3f unit(const Vector3f& v) { return v * (1.0f / Math::length(v)); }

class AstroManagerLighting : public astrotest::AstroHostTest {
protected:
    void SetUp() override {
        AstroHostTest::SetUp();
        writeConfig("Lattidue = 52\n");
        writeLightBitmap(kWidth, kHeight, 0, 0, 0);  // the size SetLightBMP(BITMAP_*) accepts
        ASSERT_TRUE(m.Init());
        installBitmap(rampPixel);
        effector::effectorMan = new effector::EffectorMan;
        m_host.os().setTicks(5000);
    }
    void TearDown() override {
        delete effector::effectorMan;
        effector::effectorMan = nullptr;
        m_owner.reset();
        AstroHostTest::TearDown();
    }

    void installBitmap(const refhost::RefCommonServices::PixelFunction& fn) {
        BITMAP_ bmp;
        ASSERT_TRUE(refhost::RefCommonServices::makeBitmap(&bmp, kWidth, kHeight, fn));
        m.SetLightBMP(&bmp);
        m_host.services().freeBitmap(&bmp);
    }
    static Rgb uniformRows(int y, Rgb sun, Rgb moon) {
        if (y == 1) return sun;
        if (y == 7) return moon;
        return Rgb{100, 100, 100};
    }
    effector::FogEffector* fog() {
        return static_cast<effector::FogEffector*>(effector::effectorMan->getEffectorInstance(effector::EFFECTOR_FOG));
    }
    effector::LightSource* lightEffector() {
        return static_cast<effector::LightSource*>(effector::effectorMan->getEffectorInstance(effector::EFFECTOR_LIGHT));
    }
    // Runs one frame of lighting with a fresh light container and returns the stored records.
    std::vector<LIGHTDESC> lightFrame() {
        effector::effectorMan->flush(effector::EFFECTOR_LIGHT, 0);
        m.applyLighting(0.0f);
        std::vector<LIGHTDESC> lights;
        auto* list = effector::effectorMan->getEffectorDataList(effector::EFFECTOR_LIGHT, 1, nullptr, 0);
        for (int i = 0; i < list->count(); ++i) lights.push_back(*static_cast<LIGHTDESC*>((*list)[i]));
        return lights;
    }

    // Destroyed in TearDown, while the host that loaded its bitmap is still installed.
    std::unique_ptr<AstroManager> m_owner = std::make_unique<AstroManager>();
    AstroManager& m = *m_owner;
};

// Sun at 30° (column 6.67), moon 5° below the horizon (column 3), full moon, no overcast.
TEST_F(AstroManagerLighting, ClearSkyColoursAndLightRecords) {
    const Vector3f sun = direction(30 * kPi / 180, 0.7), moon = direction(-5 * kPi / 180, 2.0);
    AstroManagerLightingProbe::place(m, sun, moon, 1.0);
    LIGHTDESC hostLight{};
    hostLight.type = effector::LIGHT_POINT;
    ASSERT_GE(effector::effectorMan->addEffectorData(effector::EFFECTOR_LIGHT, &hostLight, sizeof hostLight, 0), 0);
    m.applyLighting(123.0f);

    const double x = sunColumn(sun.y);
    ASSERT_NEAR(x, 6.6667, 1e-3);  // sqrt((1/3 + 0.2) / 1.2) * 10
    ASSERT_EQ(moonColumn(moon.y), 3);
    const float f = float((1.0 + kPi / 2) / kPi);  // full moon: about 0.818
    const Vector4f light = scaled(sunRamp(x) + scaled(moonRamp(3), f * f), 2.0f);
    expectColor(m.getAmbientColor(), scaled(ambientRamp(x), 2.0f), "ambient");
    expectColor(m.getLightColor(), light, "light");
    EXPECT_NEAR(lightEffector()->getAmbientCubeEffect(), cubeRamp(x), kTol);

    // Both records in state 1, after the host's own light (whose state 0 became 1 as well).
    const auto* list = effector::effectorMan->getEffectorDataList(effector::EFFECTOR_LIGHT, 1, nullptr, 0);
    ASSERT_EQ(list->count(), 3);
    const LIGHTDESC& ambient = *static_cast<LIGHTDESC*>((*list)[1]);
    const LIGHTDESC& directional = *static_cast<LIGHTDESC*>((*list)[2]);
    EXPECT_EQ(ambient.type, effector::LIGHT_AMBIENT);
    expectColor(ambient.vColor, m.getAmbientColor(), "ambient record");
    EXPECT_EQ(directional.type, effector::LIGHT_DIRECTIONAL);
    expectColor(directional.vColor, m.getLightColor(), "directional record");
    expectDirection(directional.vPos, -sun);  // sun ramp clearly brighter: the sun leads
    EXPECT_EQ(directional.fMaxRadius, 1.0f);
    EXPECT_EQ(directional.fAttenK, 0.0f);
    EXPECT_EQ(directional.nShadowMatrix, -1);
    EXPECT_EQ(directional.nShadowSlot, -1);
    EXPECT_EQ(directional.dwLightId, 0u);

    // The zenith reads the last column; 18° or more below the horizon the first; a new moon
    // weighs 0.25 and a phase beyond 1 is held at weight 1.
    AstroManagerLightingProbe::place(m, Vector3f(0, 1, 0), direction(-0.9, 0), 0.0);
    m.applyLighting(0);
    expectColor(m.getLightColor(), scaled(sunRamp(10), 2.0f), "zenith, moon column 0");
    AstroManagerLightingProbe::place(m, direction(-0.4, 0), direction(-5 * kPi / 180, 0), 0.0);
    m.applyLighting(0);
    expectColor(m.getAmbientColor(), scaled(ambientRamp(0), 2.0f), "sun 23° down");
    expectColor(m.getLightColor(), scaled(sunRamp(0) + scaled(moonRamp(3), 0.25f), 2.0f), "new moon");
    AstroManagerLightingProbe::place(m, direction(-0.4, 0), direction(-5 * kPi / 180, 0), 7.0);
    m.applyLighting(0);
    expectColor(m.getLightColor(), scaled(sunRamp(0) + moonRamp(3), 2.0f), "phase held at 1");
}

// Visibility 6000 under the cloud layer: overcast 0.5, turbidity 0.6, clear-sky factor 0.4.
TEST_F(AstroManagerLighting, OvercastDesaturatesAndMovesLightIntoAmbient) {
    const Vector3f sun = direction(30 * kPi / 180, 0.7), moon = direction(-5 * kPi / 180, 2.0);
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);
    fog()->SetFogDistance(6000.0f);
    ASSERT_FLOAT_EQ(fog()->GetOvercastDensity(), 0.5f);
    const float c = 0.4f;
    const double x = sunColumn(sun.y);
    const Vector4f directLight = scaled(sunRamp(x) + scaled(moonRamp(3), 0.25f), 2.0f * c);
    Vector4f ambient = scaled(ambientRamp(x), 2.0f);
    const float grey = (ambient.x + ambient.y + ambient.z) * 0.3333f;
    ambient = Vector4f(ambient.x + (1 - c) * (grey - ambient.x), ambient.y + (1 - c) * (grey - ambient.y),
                       ambient.z + (1 - c) * (grey - ambient.z), 0);
    const std::vector<LIGHTDESC> lights = lightFrame();
    expectColor(m.getAmbientColor(), ambient + scaled(directLight, 1 - c), "ambient");
    expectColor(m.getLightColor(), scaled(directLight, c), "light");
    ASSERT_EQ(lights.size(), 2u);
    expectColor(lights[0].vColor, m.getAmbientColor(), "ambient record");
    expectColor(lights[1].vColor, m.getLightColor(), "directional record");

    // Visibility 0: fully overcast, no direct light, the ambient fully grey.
    fog()->SetFogDistance(0.0f);
    m.applyLighting(0);
    const Vector4f a = scaled(ambientRamp(x), 2.0f);
    const float g = (a.x + a.y + a.z) * 0.3333f;
    expectColor(m.getLightColor(), Vector4f(0, 0, 0, 0), "light under full overcast");
    expectColor(m.getAmbientColor(), Vector4f(g, g, g, 0), "grey ambient");
}

// Moon ramp brighter by more than 0.1: the light jumps to the moon, whose column uses the
// moon's own elevation scale (column 8 at 1.22 rad, where the sun's scale would give 9).
TEST_F(AstroManagerLighting, BrighterMoonTakesTheLightAtOnce) {
    installBitmap([](int x, int y) {
        const unsigned char v = static_cast<unsigned char>(20 * x + 40);
        return uniformRows(y, Rgb{10, 10, 10}, Rgb{v, v, static_cast<unsigned char>(v / 2)});
    });
    const Vector3f sun = direction(-0.5, 1.0), moon = direction(1.22, -2.0);
    ASSERT_EQ(moonColumn(moon.y), 8);
    ASSERT_EQ(static_cast<int>(rampColumn(moon.y, 2.0 / kPi)), 9);
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);
    const std::vector<LIGHTDESC> lights = lightFrame();
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 1.0f);
    ASSERT_EQ(lights.size(), 2u);
    expectDirection(lights[1].vPos, -moon);
    const Vector4f moonColor(200 / 255.0f, 200 / 255.0f, 100 / 255.0f, 0);
    expectColor(m.getLightColor(), scaled(Vector4f(10 / 255.0f, 10 / 255.0f, 10 / 255.0f, 0) + scaled(moonColor, 0.25f), 2.0f),
                "sunlight plus weighted moonlight");

    // The sun ramp brighter again by more than 0.1: straight back to the sun, which stands below
    // the horizon, so its light is laid flat along the ground.
    installBitmap([](int, int y) { return uniformRows(y, Rgb{200, 200, 200}, Rgb{20, 20, 20}); });
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);  // a new bitmap makes the sun position stale
    const std::vector<LIGHTDESC> back = lightFrame();
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 0.0f);
    ASSERT_EQ(back.size(), 2u);
    const Vector3f flat = unit(Vector3f(-sun.x, 0, -sun.z));
    expectDirection(back[1].vPos, flat);

    // The threshold is 0.1 of ramp brightness: 0.098 only turns the drift (the clock stands
    // still here), 0.122 switches.
    installBitmap([](int, int y) { return uniformRows(y, Rgb{100, 100, 100}, Rgb{125, 125, 125}); });
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);
    m.applyLighting(0);
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 0.0f);
    EXPECT_EQ(AstroManagerLightingProbe::moonBlendDir(m), 1.0f);
    installBitmap([](int, int y) { return uniformRows(y, Rgb{100, 100, 100}, Rgb{131, 131, 131}); });
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);
    m.applyLighting(0);
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 1.0f);
}

// Ramps within 0.1 of each other: the light drifts at 1/120 per second of the tick counter.
TEST_F(AstroManagerLighting, CrossfadeDriftsWithTheTickCounter) {
    installBitmap([](int, int y) { return uniformRows(y, Rgb{128, 128, 128}, Rgb{150, 150, 150}); });
    const Vector3f sun = direction(0.6, 0.3), moon = direction(0.4, 2.5);
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);

    // First call, just before the counter wraps: no time has passed, nothing moves.
    m_host.os().setTicks(0xFFFFFFFFu - 9999u);
    std::vector<LIGHTDESC> lights = lightFrame();
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 0.0f);
    EXPECT_EQ(AstroManagerLightingProbe::moonBlendDir(m), 1.0f);
    expectDirection(lights[1].vPos, -sun);

    // 30 s later, across the wrap: a quarter of the way to the moon.
    m_host.os().setTicks(20000u);
    lights = lightFrame();
    EXPECT_NEAR(AstroManagerLightingProbe::moonBlend(m), 0.25f, 1e-5f);
    expectDirection(lights[1].vPos, unit(-sun * 0.75f - moon * 0.25f));

    m_host.os().advance(120000);  // held at the moon
    lightFrame();
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 1.0f);

    // Sun ramp now slightly brighter: back toward the sun at the same rate, held at 0.
    installBitmap([](int, int y) { return uniformRows(y, Rgb{128, 128, 128}, Rgb{110, 110, 110}); });
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);
    m_host.os().advance(60000);
    lightFrame();
    EXPECT_NEAR(AstroManagerLightingProbe::moonBlend(m), 0.5f, 1e-5f);
    EXPECT_EQ(AstroManagerLightingProbe::moonBlendDir(m), -1.0f);
    m_host.os().advance(600000);
    lightFrame();
    EXPECT_EQ(AstroManagerLightingProbe::moonBlend(m), 0.0f);
}

// Without a manager, or after it closed (no fog, no light kind), the colours are still
// computed, as under a clear sky, and nothing is stored.
TEST_F(AstroManagerLighting, MissingManagerOrFogStillComputesColours) {
    const Vector3f sun = direction(30 * kPi / 180, 0.7), moon = direction(-5 * kPi / 180, 2.0);
    AstroManagerLightingProbe::place(m, sun, moon, 0.0);
    const double x = sunColumn(sun.y);
    const Vector4f ambient = scaled(ambientRamp(x), 2.0f);
    const Vector4f light = scaled(sunRamp(x) + scaled(moonRamp(3), 0.25f), 2.0f);

    fog()->SetFogDistance(0.0f);  // would be full overcast, but the fog goes with the manager
    effector::effectorMan->close();
    m.applyLighting(0);
    expectColor(m.getAmbientColor(), ambient, "closed manager");
    expectColor(m.getLightColor(), light, "closed manager");
    EXPECT_EQ(effector::effectorMan->getRecordCount(effector::EFFECTOR_LIGHT), 0);

    effector::EffectorMan* manager = effector::effectorMan;
    effector::effectorMan = nullptr;
    m.applyLighting(0);
    effector::effectorMan = manager;
    expectColor(m.getAmbientColor(), ambient, "no manager");
    expectColor(m.getLightColor(), light, "no manager");
}

TEST_F(AstroManagerLighting, LightBitmapReplacement) {
    // A bitmap of another byte size, a null one, and one claiming a size without pixels are
    // ignored; one of the right size replaces the pixels and makes the sun position stale.
    m.setDateTime(2021, 6, 21, 12, 0, 0.0f);
    m.setPos(0, 0, 0);
    const Vector3f realSun = m.getSunPos();
    const Vector3f fakeSun = direction(30 * kPi / 180, 0.7);
    AstroManagerLightingProbe::place(m, fakeSun, direction(-5 * kPi / 180, 2.0), 0.0);
    m.applyLighting(0);
    const Vector4f before = m.getAmbientColor();

    BITMAP_ wrong;
    ASSERT_TRUE(refhost::RefCommonServices::makeBitmap(&wrong, kWidth + 1, kHeight, [](int, int) { return Rgb{255, 255, 255}; }));
    m.SetLightBMP(&wrong);
    m_host.services().freeBitmap(&wrong);
    m.SetLightBMP(static_cast<BITMAP_*>(nullptr));
    BITMAP_ hollow{nullptr, kWidth, kHeight, kWidth * kHeight * 3};
    m.SetLightBMP(&hollow);
    EXPECT_EQ(m.getSunPos(), fakeSun);
    m.applyLighting(0);
    expectColor(m.getAmbientColor(), before, "ignored bitmaps");

    installBitmap([](int, int) { return Rgb{51, 51, 51}; });
    EXPECT_EQ(m.getSunPos(), realSun);
    m.applyLighting(0);
    expectColor(m.getAmbientColor(), Vector4f(0.4f, 0.4f, 0.4f, 0), "replaced pixels");

    // By name: the file is loaded whatever its size; a missing file leaves an empty bitmap that
    // reads black, and the name is kept either way.
    EXPECT_STREQ(m.getLightBMPFileName(), "");
    writeFile("graphics/sky/other.bmp", "");
    writeLightBitmap(3, 16, 102, 102, 102);  // overwrites light.bmp with a 3 x 16 grey bitmap
    m.SetLightBMP("graphics\\sky\\light.bmp");
    EXPECT_STREQ(m.getLightBMPFileName(), "graphics\\sky\\light.bmp");
    m.applyLighting(0);
    expectColor(m.getAmbientColor(), Vector4f(0.8f, 0.8f, 0.8f, 0), "loaded by name");
    m.SetLightBMP("graphics\\sky\\other.bmp");
    EXPECT_STREQ(m.getLightBMPFileName(), "graphics\\sky\\other.bmp");
    m.applyLighting(0);
    expectColor(m.getAmbientColor(), Vector4f(0, 0, 0, 0), "empty file");
    expectColor(m.getLightColor(), Vector4f(0, 0, 0, 0), "empty file");
    m.SetLightBMP(static_cast<const char*>(nullptr));
    EXPECT_STREQ(m.getLightBMPFileName(), "graphics\\sky\\other.bmp");

    // An empty bitmap matches an empty one: nothing to copy, no crash.
    BITMAP_ empty{nullptr, 0, 0, 0};
    m.SetLightBMP(&empty);
    const std::vector<LIGHTDESC> lights = lightFrame();
    EXPECT_EQ(lights.size(), 2u);
}

}  // namespace
