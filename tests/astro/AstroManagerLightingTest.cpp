// The astronomy manager's day and night lighting: colours from the light bitmap's ramps at the sun's
// and moon's elevations, the overcast, the sun-or-moon choice and its crossfade, the two light
// records it stores, and replacing the bitmap.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/LightSource.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"

namespace {

using Astro::AstroManagerProbe;
using effector::LIGHTDESC;
using Vector3f = Math::Vector3f;
using Vector4f = Math::Vector4f;
using Rgb = std::array<unsigned char, 3>;

constexpr int kWidth = 11, kHeight = 8;  // columns 0..10; ramp rows: sun 1, ambient 3, ambient cube 5, moon 7

// Ramps linear in the column (c0 + c1·x per channel), so that a lookup between columns is known.
constexpr int kRamps[8][6] = {{}, {10, 12, 20, 10, 30, 8}, {}, {40, 5, 60, 8, 200, -6}, {}, {255, 0, 5, 20, 255, 0}, {}, {0, 15, 0, 15, 0, 7}};
Vector4f ramp(int row, double x) {
    const int* r = kRamps[row];
    return Vector4f(float((r[0] + r[1] * x) / 255), float((r[2] + r[3] * x) / 255), float((r[4] + r[5] * x) / 255), 0) * 2.0f;
}
Rgb rampPixel(int x, int y) {  // rows no ramp uses are magenta, loud if read
    const Vector4f c = y % 2 ? ramp(y, x) * 127.5f : Vector4f(255, 0, 255, 0);
    return Rgb{(unsigned char)std::lround(c.x), (unsigned char)std::lround(c.y), (unsigned char)std::lround(c.z)};
}

Vector3f direction(double elevationDeg, double azimuth) {
    const double e = elevationDeg * 3.141592653589793 / 180;
    return Vector3f(float(std::cos(e) * std::cos(azimuth)), float(std::sin(e)), float(std::cos(e) * std::sin(azimuth)));
}

void expectNear(const Vector4f& a, const Vector4f& b, const char* what) {
    EXPECT_LT(std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) + std::fabs(a.w - b.w), 4e-5f) << what;
}

class AstroManagerLighting : public astrotest::AstroHostTest {
protected:
    void SetUp() override {
        AstroHostTest::SetUp();
        writeConfig("Lattidue = 52\n");
        writeLightBitmap(kWidth, kHeight, 0, 0, 0);  // the size SetLightBMP(BITMAP_*) accepts
        ASSERT_TRUE(m.Init());
        install(rampPixel);
        effector::effectorMan = new effector::EffectorMan;
        m_host.os().setTicks(5000);
    }
    void TearDown() override {
        delete effector::effectorMan;
        effector::effectorMan = nullptr;
        AstroHostTest::TearDown();
    }
    void install(const refhost::RefCommonServices::PixelFunction& fn) {
        BITMAP_ bmp;
        ASSERT_TRUE(refhost::RefCommonServices::makeBitmap(&bmp, kWidth, kHeight, fn));
        m.SetLightBMP(&bmp);
        m_host.services().freeBitmap(&bmp);
    }
    // Uniform ramps: the sun's and the moon's grey levels, 100 elsewhere.
    void installGreys(unsigned char sun, unsigned char moon) {
        install([sun, moon](int, int y) { return y == 1 ? Rgb{sun, sun, sun} : y == 7 ? Rgb{moon, moon, moon} : Rgb{100, 100, 100}; });
    }
    // One frame with a fresh light container: the records it stores.
    std::vector<LIGHTDESC> lightFrame() {
        effector::effectorMan->flush(effector::EFFECTOR_LIGHT, 0);
        m.applyLighting(0.0f);
        std::vector<LIGHTDESC> lights;
        auto* list = effector::effectorMan->getEffectorDataList(effector::EFFECTOR_LIGHT, 1, nullptr, 0);
        for (int i = 0; i < list->count(); ++i) lights.push_back(*static_cast<LIGHTDESC*>((*list)[i]));
        return lights;
    }
};

// The directional light's direction: from the sun toward the moon by the blend, never upward.
Vector3f lightDirection(const Vector3f& sun, const Vector3f& moon, float blend) {
    const Vector3f d = Math::normalizeOrKeep(-sun * (1 - blend) - moon * blend);
    return d.y > 0 ? Math::normalizeOrKeep(Vector3f(d.x, 0, d.z)) : d;
}

TEST_F(AstroManagerLighting, ColoursFollowTheRampsAtTheSunsAndMoonsElevationAndTheOvercast) {
    // The ramp column is sqrt((e + 0.2) / 1.2) · 10 for the elevation e as a fraction of a right
    // angle (the moon's scale 0.6289 of it, read at a whole column); the moon weighs ((phase + π/2) / π)².
    // Visibility 6000 under the cloud layer: overcast 0.5, turbidity 0.6, clear-sky factor c = 0.4,
    // which keeps c of the direct light, moves (1 - c) of it into the ambient and greys the ambient
    // by (1 - c); visibility 0: all of it.
    const struct { double sunDeg, moonDeg, phase, sunColumn; int moonColumn; float moonWeight, visibility, clear; } cases[] = {
        {30, -5, 1.0, 6.666667, 3, 0.669631f, 1e6f, 1},  // sun at 30°, moon 5° below the horizon, full moon
        {90, -52, 0.0, 10, 0, 0.25f, 1e6f, 1},           // the zenith reads the last column; a new moon weighs 0.25
        {-23, -5, 7.0, 0, 3, 1.0f, 1e6f, 1},             // 18° or more below the horizon the first; phase held at 1
        {60, 70, 0.5, 8.498366, 8, 0.434485f, 1e6f, 1},  // moon at 70°: column 8, where the sun's scale would give 9
        {30, -5, 0.0, 6.666667, 3, 0.25f, 6000, 0.4f}, {30, -5, 0.0, 6.666667, 3, 0.25f, 0, 0},  // overcast
    };
    auto* fog = static_cast<effector::FogEffector*>(effector::effectorMan->getEffectorInstance(effector::EFFECTOR_FOG));
    auto* lightSource = static_cast<effector::LightSource*>(effector::effectorMan->getEffectorInstance(effector::EFFECTOR_LIGHT));
    for (const auto& c : cases) {
        AstroManagerProbe::place(m, direction(c.sunDeg, 0.7), direction(c.moonDeg, 2.0), c.phase);
        fog->SetFogDistance(c.visibility);
        const std::vector<LIGHTDESC> lights = lightFrame();
        const Vector4f direct = (ramp(1, c.sunColumn) + ramp(7, c.moonColumn) * c.moonWeight) * c.clear, ambient = ramp(3, c.sunColumn);
        const float grey = (ambient.x + ambient.y + ambient.z) * 0.3333f, k = 1 - c.clear;
        expectNear(m.getLightColor(), direct * c.clear, "light");
        expectNear(m.getAmbientColor(), ambient * c.clear + Vector4f(grey, grey, grey, 0) * k + direct * k, "ambient");
        EXPECT_NEAR(lightSource->getAmbientCubeEffect(), ramp(5, c.sunColumn).y / 2, 2e-5f);
        // An ambient and a directional record toward the sun (clearly brighter here; one below the
        // horizon lights along the ground).
        ASSERT_EQ(lights.size(), 2u);
        EXPECT_TRUE(lights[0].type == effector::LIGHT_AMBIENT && lights[1].type == effector::LIGHT_DIRECTIONAL && lights[1].fMaxRadius == 1);
        expectNear(lights[0].vColor + lights[1].vColor * 10, m.getAmbientColor() + m.getLightColor() * 10, "records");
        EXPECT_LT(Math::length(lights[1].vPos - lightDirection(direction(c.sunDeg, 0.7), direction(c.moonDeg, 2.0), 0)), 1e-5f);
    }
    // After the manager closed (no fog, no light kind), or without one, a clear sky's colours and
    // nothing stored.
    effector::effectorMan->close();
    effector::EffectorMan* manager = nullptr;
    for (int i = 0; i < 2; ++i, std::swap(manager, effector::effectorMan)) {
        m.applyLighting(0);
        expectNear(m.getAmbientColor(), ramp(3, 6.666667), "closed or missing manager");
    }
    EXPECT_EQ(effector::effectorMan->getRecordCount(effector::EFFECTOR_LIGHT), 0);
}

TEST_F(AstroManagerLighting, TheBrighterOfSunAndMoonLeadsTheLight) {
    // Ramps more than 0.1 of brightness apart switch the light at once; closer ones make it drift
    // toward the brighter at 1/120 per second of the tick counter (also across its wrap), held at
    // either end.
    m_host.os().setTicks(0xFFFFFFFFu - 9999u);
    const struct { unsigned char sunGrey, moonGrey; uint32_t advance; double sunDeg, moonDeg; float blend; } steps[] = {
        {128, 150, 0, 34, 23, 0.0f},     {128, 150, 30000, 34, 23, 0.25f}, {128, 150, 120000, 34, 23, 1.0f},
        {128, 110, 60000, 34, 23, 0.5f}, {128, 110, 600000, 34, 23, 0.0f},   // drifting, then back
        {10, 200, 0, -28.6, 70, 1.0f},   {200, 20, 0, -28.6, 70, 0.0f},      // switching at once
        {100, 125, 0, -28.6, 70, 0.0f},  {100, 131, 0, -28.6, 70, 1.0f}};    // 0.098 only turns the drift; 0.122 switches
    for (const auto& s : steps) {
        installGreys(s.sunGrey, s.moonGrey);
        AstroManagerProbe::place(m, direction(s.sunDeg, 1.0), direction(s.moonDeg, -2.0));  // a new bitmap makes the sun stale
        m_host.os().advance(s.advance);
        const std::vector<LIGHTDESC> lights = lightFrame();
        EXPECT_NEAR(AstroManagerProbe::moonBlend(m), s.blend, 1e-5f) << s.advance << " " << int(s.moonGrey);
        EXPECT_LT(Math::length(lights.at(1).vPos - lightDirection(direction(s.sunDeg, 1.0), direction(s.moonDeg, -2.0), s.blend)), 1e-5f);
    }
}

TEST_F(AstroManagerLighting, LightBitmapReplacement) {
    // A bitmap of another byte size, a null one and one claiming a size without pixels are ignored
    // (the ramps stay); a missing file by name reads black.
    AstroManagerProbe::place(m, direction(30, 0.7), direction(-5, 2.0));
    BITMAP_ wrong, hollow{nullptr, kWidth, kHeight, kWidth * kHeight * 3}, empty{nullptr, 0, 0, 0};
    ASSERT_TRUE(refhost::RefCommonServices::makeBitmap(&wrong, kWidth + 1, kHeight, [](int, int) { return Rgb{255, 255, 255}; }));
    for (BITMAP_* ignored : {&wrong, static_cast<BITMAP_*>(nullptr), &hollow}) m.SetLightBMP(ignored);
    m_host.services().freeBitmap(&wrong);
    m.applyLighting(0);
    expectNear(m.getAmbientColor(), ramp(3, 6.666667), "ignored bitmaps");
    m.SetLightBMP("graphics\\sky\\missing.bmp");
    m.SetLightBMP(static_cast<const char*>(nullptr));  // no name: ignored
    EXPECT_STREQ(m.getLightBMPFileName(), "graphics\\sky\\missing.bmp");
    m.SetLightBMP(&empty);  // an empty bitmap matches an empty one: nothing to copy
    EXPECT_EQ(lightFrame().size(), 2u);
    expectNear(m.getAmbientColor() + m.getLightColor(), Vector4f(0, 0, 0, 0), "missing file");
}

}  // namespace
