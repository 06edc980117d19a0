// The batch evaluation of enviro::Sky: the same bits as the one-direction calls over thousands of
// random directions and suns, the coefficient block left as the last single call leaves it, and the
// argument rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "enviro/sky/Sky.h"

namespace {

using Math::Vector3f;
using Math::Vector4f;

bool sameBits(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// The coefficient block, in member order.
std::vector<float> blockOf(const enviro::Sky& sky) {
    std::vector<float> b(sky.m_aPerezY, sky.m_aPerezY + 5);
    b.insert(b.end(), sky.m_aPerezCx, sky.m_aPerezCx + 5);
    b.insert(b.end(), sky.m_aPerezCy, sky.m_aPerezCy + 5);
    for (float f : {sky.m_fNormCx, sky.m_fNormCy, sky.m_fLumAngleScale, sky.m_fNormLum}) b.push_back(f);
    return b;
}

// Directions over the whole sphere, with the awkward ones mixed in.
std::vector<Vector3f> randomDirections(std::mt19937& rng, int count) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<Vector3f> dirs;
    for (int i = 0; i < count; ++i) {
        Vector3f d(unit(rng), unit(rng), unit(rng));
        switch (i % 53) {
            case 5: d = Vector3f(0.0f, 0.0f, 0.0f); break;
            case 11: d.y = 0.0f; break;
            case 17: d.x = std::nanf(""); break;
            case 23: d.z = INFINITY; break;
            case 29: d = Vector3f(d.x * 1e-30f, d.y * 1e-30f, d.z * 1e-30f); break;
            case 31: d = Vector3f(d.x * 1e30f, d.y * 1e30f, d.z * 1e30f); break;
            default: break;
        }
        dirs.push_back(d);
    }
    return dirs;
}

Vector4f randomSun(std::mt19937& rng, int i) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Vector4f s(unit(rng), unit(rng), unit(rng), (i % 3 == 0) ? unit(rng) : 0.0f);
    if (i == 7) s = Vector4f(0.0f, 1.0f, 0.0f, 0.0f);
    if (i == 8) s = Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    if (i == 9) s.y = std::nanf("");
    return s;
}

float randomAltitude(std::mt19937& rng, int i) {
    std::uniform_real_distribution<float> alt(-1000.0f, 60000.0f);
    return i == 10 ? std::nanf("") : alt(rng);
}

TEST(SkyBatch, ArraysGiveTheBitsOfTheSingleCalls) {
    std::mt19937 rng(31337);
    enviro::Sky single;
    enviro::Sky batch;
    single.init();
    batch.init();
    std::uniform_real_distribution<float> multiplier(0.5f, 1.5f);
    for (int s = 0; s < 60; ++s) {
        if (s == 30) {  // host-tuned multipliers in the second half
            for (int r = 0; r < 24; ++r)
                for (int c = 1; c < 18; ++c) single.m_aSkyTable[r][c] = batch.m_aSkyTable[r][c] = multiplier(rng);
        }
        Vector4f sun = randomSun(rng, s);
        const float altitude = randomAltitude(rng, s);
        const int count = 1000 + s % 7;  // lengths that leave a remainder after groups of four
        const std::vector<Vector3f> dirs = randomDirections(rng, count);

        std::vector<Vector3f> yxyOut(count), rgbOut(count);
        ASSERT_TRUE(batch.getSkyYxyArray(dirs.data(), count, sun, altitude, yxyOut.data()));
        const std::vector<float> batchBlock = blockOf(batch);
        ASSERT_TRUE(batch.getSkyColorArray(dirs.data(), count, sun, altitude, rgbOut.data()));
        ASSERT_EQ(blockOf(batch), batchBlock);

        for (int i = 0; i < count; ++i) {
            Vector3f d = dirs[i], v, rgb;
            single.getSkyYxy(d, sun, altitude, &v);
            single.getSkyColor(d, sun, altitude, &rgb);
            ASSERT_TRUE(sameBits(&v, &yxyOut[i], sizeof v)) << "sun " << s << " direction " << i;
            ASSERT_TRUE(sameBits(&rgb, &rgbOut[i], sizeof rgb)) << "sun " << s << " direction " << i;
        }
        const std::vector<float> singleBlock = blockOf(single);
        ASSERT_TRUE(sameBits(singleBlock.data(), batchBlock.data(), singleBlock.size() * sizeof(float))) << s;
    }
}

TEST(SkyBatch, OutputMayReplaceTheDirections) {
    std::mt19937 rng(5);
    enviro::Sky sky;
    sky.init();
    const Vector4f sun(0.2f, 0.7f, -0.4f, 0.0f);
    const std::vector<Vector3f> dirs = randomDirections(rng, 103);
    std::vector<Vector3f> separate(dirs.size()), inPlace = dirs;
    ASSERT_TRUE(sky.getSkyColorArray(dirs.data(), int(dirs.size()), sun, 0.0f, separate.data()));
    ASSERT_TRUE(sky.getSkyColorArray(inPlace.data(), int(inPlace.size()), sun, 0.0f, inPlace.data()));
    EXPECT_TRUE(sameBits(separate.data(), inPlace.data(), separate.size() * sizeof(Vector3f)));
}

TEST(SkyBatch, ArgumentRules) {
    enviro::Sky sky;
    sky.init();
    const Vector4f sun(0.0f, 1.0f, 0.0f, 0.0f);
    Vector3f dir(0.0f, 1.0f, 0.0f), out(-1.0f, -1.0f, -1.0f);
    sky.m_fNormLum = 42.0f;
    // Nothing to do: true, and the block is not touched.
    EXPECT_TRUE(sky.getSkyYxyArray(&dir, 0, sun, 0.0f, &out));
    EXPECT_TRUE(sky.getSkyColorArray(nullptr, 0, sun, 0.0f, nullptr));
    EXPECT_EQ(sky.m_fNormLum, 42.0f);
    // Null arrays or a negative count: false, nothing written.
    EXPECT_FALSE(sky.getSkyYxyArray(nullptr, 1, sun, 0.0f, &out));
    EXPECT_FALSE(sky.getSkyYxyArray(&dir, 1, sun, 0.0f, nullptr));
    EXPECT_FALSE(sky.getSkyColorArray(&dir, -4, sun, 0.0f, &out));
    EXPECT_FALSE(sky.getSkyColorArray(nullptr, 3, sun, 0.0f, &out));
    EXPECT_EQ(out.x, -1.0f);
    EXPECT_EQ(sky.m_fNormLum, 42.0f);
    // One direction (no full group of four).
    EXPECT_TRUE(sky.getSkyYxyArray(&dir, 1, sun, 0.0f, &out));
    EXPECT_GT(out.z, 0.0f);
}

}  // namespace
