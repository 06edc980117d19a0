// The bundled light bitmap and its generator: the committed file is what enviro-lightbmp makes, the
// reference host reads it back, and its ramps behave as daylight does when read the way the scene
// lighting reads them (bilinear lookups at x = u (W - 1) in rows H/8, 3H/8, 5H/8; the moon's
// integer lookup in row 7H/8).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "refhost/RefCommonServices.h"
#include "refhost/RefSearchPath.h"
#include "tools/enviro-lightbmp/BmpWriter.h"
#include "tools/enviro-lightbmp/DaylightPhysics.h"
#include "tools/enviro-lightbmp/ElevationMapping.h"
#include "tools/enviro-lightbmp/LightBitmap.h"
#include "tools/enviro-lightbmp/LightRamps.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

struct Texel {
    float r, g, b;
    double luminance() const { return 0.212671 * r + 0.71516 * g + 0.072169 * b; }
};

class LightBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_services.loadBitmap24(&m_bmp, "graphics\\sky\\light.bmp")) << m_services.lastBitmapError();
    }
    void TearDown() override { m_services.freeBitmap(&m_bmp); }

    // The scene lighting's column for a source at elevation h (radians), written out independently.
    float column(double h, double scale) const {
        const double e = std::max(std::asin(std::sin(h)) * scale, -0.2);
        return float(std::sqrt((e + 0.2) * 0.8333333) * (m_bmp.nWidth - 1));
    }
    Texel sample(lightbmp::LightBand band, double h) {
        Texel t{};
        m_services.getTexel(&m_bmp, column(h, 0.63661975), float((2 * band + 1) * m_bmp.nHeight / 8), &t.r, &t.g, &t.b);
        return t;
    }
    Texel moon(double h) {
        Texel t{};
        m_services.getTexel(&m_bmp, int(column(h, 0.6289308)), 7 * m_bmp.nHeight / 8, &t.r, &t.g, &t.b);
        return t;
    }

    refhost::RefSearchPath m_path{ENVIRO_SOURCE_DATA};
    refhost::RefCommonServices m_services{m_path};
    BITMAP_ m_bmp{nullptr, 0, 0, 0};
};

TEST_F(LightBitmap, CommittedFileIsTheGeneratorsOutput) {
    lightbmp::DaylightPhysics physics;
    lightbmp::RgbImage image;
    ASSERT_TRUE(lightbmp::makeLightBitmap(lightbmp::computeLightRamps(m_bmp.nWidth, physics), m_bmp.nHeight, &image));
    ASSERT_EQ(m_bmp.nWidth, 256);
    ASSERT_EQ(m_bmp.nHeight, 16);
    ASSERT_EQ(size_t(m_bmp.nSize), image.pixels.size());
    int worst = 0;  // a different compiler may round a value on the other side of a half byte
    for (size_t i = 0; i < image.pixels.size(); ++i) worst = std::max(worst, std::abs(int(m_bmp.pData[i]) - int(image.pixels[i])));
    EXPECT_LE(worst, 1);
}

TEST_F(LightBitmap, SunlightReddensTowardTheHorizon) {
    const double elevations[] = {90, 70, 50, 30, 20, 12, 8, 5};
    double previous = 0.0;
    for (double deg : elevations) {
        const Texel t = sample(lightbmp::kSunlightBand, deg * kDeg);
        ASSERT_GT(t.b, 0.0f) << deg;
        const double redOverBlue = t.r / t.b;
        EXPECT_GT(redOverBlue, previous) << "at " << deg << " degrees";
        previous = redOverBlue;
    }
    EXPECT_GT(previous, 3.0);  // a low sun is orange-red
    // Exposure: the zenith sun reads 0.5, doubled by the scene lighting to full light.
    EXPECT_NEAR(sample(lightbmp::kSunlightBand, 90 * kDeg).luminance(), 0.5, 0.01);
    // And it dims toward the horizon, where the light goes out.
    EXPECT_LT(sample(lightbmp::kSunlightBand, 5 * kDeg).luminance(), 0.3);
    EXPECT_EQ(sample(lightbmp::kSunlightBand, -1 * kDeg).luminance(), 0.0);
}

TEST_F(LightBitmap, AmbientRisesWithElevationAboveTheHorizon) {
    const int row = lightbmp::lookupRow(lightbmp::kAmbientBand, m_bmp.nHeight);
    const int horizon = int(std::ceil(column(0.0, lightbmp::kSunColumnScale)));
    for (int x = horizon + 1; x < m_bmp.nWidth; ++x)
        for (int c = 0; c < 3; ++c)
            ASSERT_GE(m_bmp.pData[(row * m_bmp.nWidth + x) * 3 + c], m_bmp.pData[(row * m_bmp.nWidth + x - 1) * 3 + c])
                << "column " << x << " channel " << c;
    const Texel low = sample(lightbmp::kAmbientBand, 1 * kDeg), high = sample(lightbmp::kAmbientBand, 60 * kDeg);
    EXPECT_GT(high.luminance(), 1.5 * low.luminance());
    EXPECT_GT(high.b, high.r);  // skylight is blue
    // The direct sun's share of the light grows with the sun, from nothing at the horizon.
    EXPECT_LT(sample(lightbmp::kCubeStrengthBand, 0.5 * kDeg).g, 0.1f);
    EXPECT_GT(sample(lightbmp::kCubeStrengthBand, 60 * kDeg).g, 0.7f);
}

TEST_F(LightBitmap, NightColumnsAreDark) {
    for (double deg = -90; deg <= -15; deg += 5) {
        for (lightbmp::LightBand band : {lightbmp::kSunlightBand, lightbmp::kAmbientBand, lightbmp::kCubeStrengthBand})
            EXPECT_EQ(sample(band, deg * kDeg).luminance(), 0.0) << "band " << band << " at " << deg;
    }
    for (double deg = -90; deg < 0; deg += 3) EXPECT_EQ(moon(deg * kDeg).luminance(), 0.0) << deg;
    // Twilight: no sun, but the sky still lights the ground a little.
    EXPECT_GT(sample(lightbmp::kAmbientBand, -5 * kDeg).luminance(), 0.0);
    EXPECT_LT(sample(lightbmp::kAmbientBand, -5 * kDeg).luminance(), sample(lightbmp::kAmbientBand, 0.0).luminance());
    // A high moon: sunlight times the moon's albedo.
    const Texel fullMoon = moon(80 * kDeg);
    EXPECT_NEAR(fullMoon.luminance(), 0.5 * lightbmp::kMoonAlbedo, 0.01);
}

TEST(LightBitmapLayout, ColumnsInvertTheLookupAndBandsHoldTheLookupRows) {
    for (int width : {2, 64, 256}) {
        for (int x = 0; x < width; ++x) {
            const double h = lightbmp::sunElevationOfColumn(x, width);
            if (h > -0.2 / lightbmp::kSunColumnScale + 1e-9) {  // column 0 stands for every lower sun
                const double back = std::sqrt((h * lightbmp::kSunColumnScale + 0.2) * 0.8333333) * (width - 1);
                ASSERT_NEAR(back, x, 1e-4) << width << " " << x;
            }
            const double hm = lightbmp::moonElevationOfColumn(x, width);
            if (hm >= lightbmp::kHalfPi) continue;  // the moon's lookup stops short of the last columns
            const double um = std::sqrt((std::max(hm * lightbmp::kMoonColumnScale, -0.2) + 0.2) * 0.8333333);
            ASSERT_EQ(int(um * (width - 1)), x) << width << " " << x;
        }
    }
    for (int height : {4, 8, 16, 40})
        for (int band = 0; band < lightbmp::kBandCount; ++band)
            EXPECT_EQ(lightbmp::lookupRow(lightbmp::LightBand(band), height) / (height / 4), band) << height;
    lightbmp::LightRamps ramps;
    ramps.sunlight = ramps.ambient = ramps.cubeStrength = ramps.moonlight = {{0, 0, 0}, {1, 1, 1}};
    lightbmp::RgbImage image;
    EXPECT_FALSE(lightbmp::makeLightBitmap(ramps, 6, &image));
    ramps.moonlight.pop_back();
    EXPECT_FALSE(lightbmp::makeLightBitmap(ramps, 8, &image));
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(lightbmp::quantize(std::nan("")), 0);
    EXPECT_EQ(lightbmp::quantize(2.0), 255);
    EXPECT_EQ(lightbmp::quantize(0.5), 128);
}

TEST(LightBitmapBmp, ReferenceHostReadsBackWhatTheWriterWrote) {
    lightbmp::RgbImage image;
    image.width = 5;  // 15 bytes a row: one byte of padding
    image.height = 3;
    for (int i = 0; i < 5 * 3 * 3; ++i) image.pixels.push_back(uint8_t(i * 17 + 3));
    const std::string path = ::testing::TempDir() + "lightbmp-roundtrip.bmp";
    std::string error;
    ASSERT_TRUE(lightbmp::writeBmp24(image, path, &error)) << error;
    refhost::RefSearchPath searchPath;
    refhost::RefCommonServices services(searchPath);
    BITMAP_ bmp{nullptr, 0, 0, 0};
    ASSERT_TRUE(services.loadBitmap24(&bmp, path.c_str())) << services.lastBitmapError();
    EXPECT_EQ(bmp.nWidth, 5);
    EXPECT_EQ(bmp.nHeight, 3);
    ASSERT_EQ(size_t(bmp.nSize), image.pixels.size());
    EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), bmp.pData));
    services.freeBitmap(&bmp);
    std::remove(path.c_str());

    image.pixels.pop_back();
    EXPECT_TRUE(lightbmp::encodeBmp24(image).empty());
    EXPECT_FALSE(lightbmp::writeBmp24(image, path, &error));
    EXPECT_FALSE(lightbmp::writeBmp24(lightbmp::RgbImage{}, path, &error));
}

}  // namespace
