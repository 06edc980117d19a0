// The batch evaluation of enviro::Sky: the bits of the one-direction calls over thousands of random
// directions and suns, the coefficient block they leave, in place or not, and the argument rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "enviro/sky/Sky.h"
#include "enviro/sky/SkyKernel.h"

namespace {

using Math::Vector3f;
using Math::Vector4f;

bool sameBits(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// The coefficient block, from the first distribution to the luminance scale.
bool sameBlock(const enviro::Sky& a, const enviro::Sky& b) {
    return sameBits(a.m_aPerezY, b.m_aPerezY, sizeof a.m_aPerezY * 3) && sameBits(&a.m_fNormCx, &b.m_fNormCx, sizeof(float) * 4);
}

TEST(SkyBatch, ArraysGiveTheBitsOfTheSingleCalls) {
    std::mt19937 rng(31337);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), multiplier(0.5f, 1.5f), height(-1000.0f, 60000.0f);
    enviro::Sky single, batch;
    for (int s = 0; s < 60; ++s) {
        if (s == 30)  // host-tuned multipliers in the second half
            for (int r = 0; r < 24; ++r)
                for (int c = 1; c < 18; ++c) single.m_aSkyTable[r][c] = batch.m_aSkyTable[r][c] = multiplier(rng);
        const Vector4f edgeSuns[] = {{0, 1, 0, 0}, {0, 0, 0, 0}, {0, std::nanf(""), 0, 0}};  // zenith, zero, NaN
        Vector4f sun = s >= 7 && s <= 9 ? edgeSuns[s - 7] : Vector4f(unit(rng), unit(rng), unit(rng), s % 3 ? 0.0f : unit(rng));
        const float altitude = s == 10 ? std::nanf("") : height(rng);
        const int count = 1000 + s % 7;  // lengths that leave a remainder after groups of four
        std::vector<Vector3f> dirs(count);
        const float awkward[] = {0.0f, std::nanf(""), INFINITY, 1e-30f, 1e30f};
        for (int i = 0; i < count; ++i) {  // the whole sphere, with the awkward directions mixed in
            dirs[i] = Vector3f(unit(rng), unit(rng), unit(rng)) * (i % 53 < 5 ? awkward[i % 53] : 1.0f);
            if (i % 53 == 5) dirs[i].y = 0.0f;
        }
        std::vector<Vector3f> yxyOut(count), rgbOut = dirs;  // the colours replace the directions
        ASSERT_TRUE(batch.getSkyYxyArray(dirs.data(), count, sun, altitude, yxyOut.data()));
        enviro::Sky afterYxy = batch;
        ASSERT_TRUE(batch.getSkyColorArray(rgbOut.data(), count, sun, altitude, rgbOut.data()));
        for (int i = 0; i < count; ++i) {
            Vector3f d = dirs[i], v, rgb, converted;
            single.getSkyYxy(d, sun, altitude, &v);
            single.getSkyColor(d, sun, altitude, &rgb);
            enviro::detail::yxyToRgbLanes(v.x, v.y, v.z, converted.x, converted.y, converted.z);  // the colour of the value
            ASSERT_TRUE(sameBits(&v, &yxyOut[i], sizeof v) && sameBits(&rgb, &rgbOut[i], sizeof rgb) &&
                        sameBits(&rgb, &converted, sizeof rgb) && sameBits(&d, &dirs[i], sizeof d))  // d is not changed
                << "sun " << s << " direction " << i;
        }
        ASSERT_TRUE(sameBlock(single, afterYxy) && sameBlock(single, batch)) << s;
    }
}

TEST(SkyBatch, ArgumentRules) {
    enviro::Sky sky;
    const Vector4f sun(0, 1, 0, 0);
    Vector3f dir(0, 1, 0), out(-1, -1, -1);
    sky.m_fNormLum = 42.0f;
    // Nothing to do: true; null arrays or a negative count: false. Either way nothing is written.
    EXPECT_TRUE(sky.getSkyYxyArray(&dir, 0, sun, 0.0f, &out) && sky.getSkyColorArray(nullptr, 0, sun, 0.0f, nullptr));
    EXPECT_FALSE(sky.getSkyYxyArray(nullptr, 1, sun, 0.0f, &out) || sky.getSkyYxyArray(&dir, 1, sun, 0.0f, nullptr));
    EXPECT_FALSE(sky.getSkyColorArray(&dir, -4, sun, 0.0f, &out) || sky.getSkyColorArray(nullptr, 3, sun, 0.0f, &out));
    EXPECT_TRUE(out.x == -1.0f && sky.m_fNormLum == 42.0f);
    EXPECT_TRUE(sky.getSkyYxyArray(&dir, 1, sun, 0.0f, &out) && out.z > 0.0f);  // one direction, no group of four
}

}  // namespace
