// 24-bit bitmaps: loading, refusals of what is not one (forged sizes included), and the bounds of
// both GetTexel forms.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <array>
#include <cmath>

#include "RefTestFiles.h"
#include "enviro/host/CommonServices.h"
#include "refhost/ReferenceHost.h"

namespace {

// Pixel (x, y) of the test images: distinct bytes in every channel.
std::array<unsigned char, 3> pattern(int x, int y) {
    return {static_cast<unsigned char>(10 + 40 * x), static_cast<unsigned char>(20 + 50 * y), static_cast<unsigned char>(200 - 10 * x - 20 * y)};
}

std::array<float, 3> expected(int x, int y) { return {pattern(x, y)[0] / 255.0f, pattern(x, y)[1] / 255.0f, pattern(x, y)[2] / 255.0f}; }

template <class Coordinate>
std::array<float, 3> texel(const BITMAP_* b, Coordinate x, Coordinate y) {
    std::array<float, 3> c{-1, -1, -1};
    GetTexel(b, x, y, &c[0], &c[1], &c[2]);
    return c;
}

}  // namespace

TEST(RefBitmap, LoadsOnly24BitImagesAndReadsTexelsWithinBounds) {
    reftest::TempDir dir;
    refhost::ReferenceHost host(dir.path());
    host.install();
    std::vector<unsigned char> pixels;  // 3 x 2, written by an independent encoder
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const auto p = pattern(x, y);
            pixels.insert(pixels.end(), p.begin(), p.end());
        }
    ASSERT_NE(stbi_write_bmp(dir.file("light.bmp").c_str(), 3, 2, 3, pixels.data()), 0);
    ASSERT_NE(stbi_write_png(dir.file("light.png").c_str(), 3, 2, 3, pixels.data(), 9), 0);
    dir.write("graphics/sky/top_down.bmp", reftest::makeBmp(3, 2, 24, true, pattern));
    for (const char* name : {"light.bmp", "light.png", "graphics\\sky\\top_down.bmp"}) {
        BITMAP_ bmp{};
        ASSERT_TRUE(LoadBitmap24(&bmp, name)) << host.services().lastBitmapError();
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(texel(&bmp, x, y), expected(x, y)) << name << " " << x << "," << y;
        FreeBitmap(&bmp);
        EXPECT_TRUE(bmp.pData == nullptr && bmp.nSize == 0);
    }
    BITMAP_ bmp{};
    ASSERT_TRUE(refhost::RefCommonServices::makeBitmap(&bmp, 3, 2, pattern));
    const auto a = expected(0, 0), b = expected(1, 0);
    const struct { float x, y; std::array<float, 3> texel; } reads[] = {  // integer coordinates are pixel centres
        {-5, -5, a}, {100, 1, expected(2, 1)}, {1, 100, expected(1, 1)},  // clamped to the edges
        {0.25f, 0, {a[0] * 0.75f + b[0] * 0.25f, a[1], a[2] * 0.75f + b[2] * 0.25f}},  // bilinear
        {-3.2f, 99, expected(0, 1)}, {2.7f, 0, expected(2, 0)}, {std::nanf(""), 0, a},  // nothing beyond the edge
    };
    for (const auto& r : reads) {
        const auto got = texel(&bmp, r.x, r.y);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], r.texel[c], 1e-6f) << r.x << "," << r.y;
        EXPECT_TRUE(r.x != std::floor(r.x) || r.y != std::floor(r.y) || texel(&bmp, int(r.x), int(r.y)) == r.texel);  // the integer form
    }
    FreeBitmap(&bmp);
    EXPECT_EQ(texel(&bmp, 0, 0), (std::array<float, 3>{0, 0, 0}));  // an empty record reads black
    BITMAP_ liar{bmp.pData, 100, 100, 3};  // sizes larger than its data
    EXPECT_EQ(texel(&liar, 5, 5), (std::array<float, 3>{0, 0, 0}));

    // What is not a 24-bit image is refused with a message, the record cleared.
    const std::string good = reftest::makeBmp(4, 4, 24, false, pattern);
    auto forged = [&good](uint32_t width, uint32_t height) {  // sizes whose byte count overflows 64 bits
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) bytes[18 + i] = static_cast<char>(width >> (8 * i)), bytes[22 + i] = static_cast<char>(height >> (8 * i));
        return bytes;
    };
    const unsigned char rgba[4] = {1, 2, 3, 4};
    ASSERT_NE(stbi_write_png(dir.file("rgba.png").c_str(), 1, 1, 4, rgba, 4), 0);
    ASSERT_NE(stbi_write_png(dir.file("rgb.png").c_str(), 1, 1, 3, rgba, 3), 0);
    std::ifstream in(dir.file("rgb.png"), std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const struct { const char* name; std::string bytes; const char* error; } files[] = {
        {"truncated.bmp", good.substr(0, good.size() - 10), "truncated"}, {"header.bmp", good.substr(0, 20), ""},
        {"bits32.bmp", reftest::makeBmp(2, 2, 32, false, pattern), "24-bit"}, {"text.bmp", "not an image", ""},
        {"empty.bmp", "", ""}, {"huge.bmp", forged(0x7fffffffu, 0x7fffffffu), "truncated"},
        {"huge_top_down.bmp", forged(0x7fffffffu, 0x80000000u), "truncated"}, {"missing.bmp", "", ""}, {"rgba.png", "", ""},
        {"cut.png", png.substr(0, png.size() / 2), ""},
        {"forged.png", png.substr(0, 33) + std::string("\x7f\xff\xff\xf0IDAT", 8) + "xyz", "truncated"},  // a 2 GB chunk
    };
    for (const auto& f : files) {
        if (f.bytes.size() || f.name == std::string("empty.bmp")) dir.write(f.name, f.bytes);
        BITMAP_ bmp{reinterpret_cast<unsigned char*>(&dir), 7, 7, 7};  // garbage to be cleared
        EXPECT_FALSE(LoadBitmap24(&bmp, f.name)) << f.name;
        EXPECT_TRUE(bmp.pData == nullptr && bmp.nWidth == 0 && bmp.nSize == 0) << f.name;
        EXPECT_NE(host.services().lastBitmapError().find(f.error), std::string::npos) << f.name;
    }
    EXPECT_FALSE(LoadBitmap24(nullptr, "header.bmp"));
    host.uninstall();
    BITMAP_ none{};
    EXPECT_FALSE(LoadBitmap24(&none, "header.bmp"));  // no services installed
}
