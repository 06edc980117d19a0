// 24-bit bitmaps: loading through the search path, refusals, and both GetTexel forms.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <array>

#include "RefTestFiles.h"
#include "enviro/host/CommonServices.h"
#include "refhost/ReferenceHost.h"

namespace {

// Pixel (x, y) of the test images: distinct bytes in every channel.
std::array<unsigned char, 3> pattern(int x, int y) {
    return {static_cast<unsigned char>(10 + 40 * x), static_cast<unsigned char>(20 + 50 * y),
            static_cast<unsigned char>(200 - 10 * x - 20 * y)};
}

std::array<float, 3> texelInt(const BITMAP_* b, int x, int y) {
    std::array<float, 3> c{-1, -1, -1};
    GetTexel(b, x, y, &c[0], &c[1], &c[2]);
    return c;
}

std::array<float, 3> texelFloat(const BITMAP_* b, float x, float y) {
    std::array<float, 3> c{-1, -1, -1};
    GetTexel(b, x, y, &c[0], &c[1], &c[2]);
    return c;
}

std::array<float, 3> expected(int x, int y) {
    auto p = pattern(x, y);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

void expectNear(const std::array<float, 3>& a, const std::array<float, 3>& b) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-6f) << "channel " << i;
}

class RefBitmapTest : public ::testing::Test {
protected:
    void SetUp() override { host.install(); }
    // Writes a 3 x 2 RGB image with stb_image_write (an independent encoder).
    std::string writeWithStb(const std::string& name, bool png, int channels) {
        std::vector<unsigned char> pixels;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                auto p = pattern(x, y);
                pixels.insert(pixels.end(), p.begin(), p.end());
                if (channels == 4) pixels.push_back(255);
            }
        std::string path = dir.file(name);
        int ok = png ? stbi_write_png(path.c_str(), 3, 2, channels, pixels.data(), 3 * channels)
                     : stbi_write_bmp(path.c_str(), 3, 2, channels, pixels.data());
        EXPECT_NE(ok, 0);
        return path;
    }

    reftest::TempDir dir;
    refhost::ReferenceHost host{dir.path()};
};

}  // namespace

TEST_F(RefBitmapTest, LoadsA24BitBmpRowsFromTheTop) {
    writeWithStb("light.bmp", false, 3);
    BITMAP_ bmp{};
    ASSERT_TRUE(LoadBitmap24(&bmp, "light.bmp")) << host.services().lastBitmapError();
    EXPECT_EQ(bmp.nWidth, 3);
    EXPECT_EQ(bmp.nHeight, 2);
    EXPECT_EQ(bmp.nSize, 18);
    auto p = pattern(2, 1);
    EXPECT_EQ(bmp.pData[(1 * 3 + 2) * 3 + 0], p[0]);  // row 1 from the top, column 2, red
    EXPECT_EQ(bmp.pData[(1 * 3 + 2) * 3 + 2], p[2]);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) expectNear(texelInt(&bmp, x, y), expected(x, y));
    FreeBitmap(&bmp);
    EXPECT_EQ(bmp.pData, nullptr);
    EXPECT_EQ(bmp.nSize, 0);
}

TEST_F(RefBitmapTest, HandMadeTopDownAndBackslashPath) {
    dir.write("graphics/sky/light.bmp", reftest::makeBmp(3, 2, 24, true, pattern));
    BITMAP_ bmp{};
    ASSERT_TRUE(LoadBitmap24(&bmp, "graphics\\sky\\light.bmp")) << host.services().lastBitmapError();
    expectNear(texelInt(&bmp, 0, 1), expected(0, 1));
    expectNear(texelInt(&bmp, 2, 0), expected(2, 0));
    FreeBitmap(&bmp);
}

TEST_F(RefBitmapTest, GetTexelClampsAndFiltersBilinearly) {
    BITMAP_ bmp{};
    ASSERT_TRUE(refhost::RefCommonServices::makeBitmap(&bmp, 3, 2, pattern));
    // Integer form clamps to the edges.
    expectNear(texelInt(&bmp, -5, -5), expected(0, 0));
    expectNear(texelInt(&bmp, 100, 1), expected(2, 1));
    expectNear(texelInt(&bmp, 1, 100), expected(1, 1));
    // Float form: integer coordinates are pixel centres, halfway averages two, the centre of
    // four pixels averages four.
    expectNear(texelFloat(&bmp, 1.0f, 1.0f), expected(1, 1));
    auto a = expected(0, 0), b = expected(1, 0), c = expected(0, 1), d = expected(1, 1);
    expectNear(texelFloat(&bmp, 0.5f, 0.0f), {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2});
    expectNear(texelFloat(&bmp, 0.5f, 0.5f), {(a[0] + b[0] + c[0] + d[0]) / 4, (a[1] + b[1] + c[1] + d[1]) / 4,
                                             (a[2] + b[2] + c[2] + d[2]) / 4});
    auto q = texelFloat(&bmp, 0.25f, 0.0f);
    EXPECT_NEAR(q[0], a[0] * 0.75f + b[0] * 0.25f, 1e-6f);
    // Outside the bitmap, clamped: no blending with anything beyond the edge.
    expectNear(texelFloat(&bmp, -3.2f, 99.0f), expected(0, 1));
    expectNear(texelFloat(&bmp, 2.7f, 0.0f), expected(2, 0));
    expectNear(texelFloat(&bmp, std::nanf(""), 0.0f), expected(0, 0));
    FreeBitmap(&bmp);

    // An empty record reads black; so does everything without installed services.
    expectNear(texelInt(&bmp, 0, 0), {0, 0, 0});
    expectNear(texelFloat(&bmp, 0.5f, 0.5f), {0, 0, 0});
    BITMAP_ liar{bmp.pData, 100, 100, 3};  // sizes larger than its data
    expectNear(texelInt(&liar, 5, 5), {0, 0, 0});
}

TEST_F(RefBitmapTest, RefusesWhatIsNotA24BitImage) {
    auto refused = [this](const std::string& name) {
        BITMAP_ bmp{reinterpret_cast<unsigned char*>(this), 7, 7, 7};  // garbage to be cleared
        bool ok = LoadBitmap24(&bmp, name.c_str());
        EXPECT_FALSE(ok) << name;
        EXPECT_EQ(bmp.pData, nullptr) << name;
        EXPECT_EQ(bmp.nWidth, 0) << name;
        EXPECT_EQ(bmp.nSize, 0) << name;
        if (ok) FreeBitmap(&bmp);
        return host.services().lastBitmapError();
    };
    std::string good = reftest::makeBmp(4, 4, 24, false, pattern);
    dir.write("truncated.bmp", good.substr(0, good.size() - 10));
    EXPECT_NE(refused("truncated.bmp").find("truncated"), std::string::npos);
    dir.write("header.bmp", good.substr(0, 20));
    refused("header.bmp");
    dir.write("bits32.bmp", reftest::makeBmp(2, 2, 32, false, pattern));
    EXPECT_NE(refused("bits32.bmp").find("24-bit"), std::string::npos);
    dir.write("text.bmp", "this is not an image at all");
    refused("text.bmp");
    dir.write("empty.bmp", "");
    refused("empty.bmp");
    refused("missing.bmp");
    writeWithStb("rgba.png", true, 4);
    refused("rgba.png");

    writeWithStb("rgb.png", true, 3);
    BITMAP_ png{};
    ASSERT_TRUE(LoadBitmap24(&png, "rgb.png")) << host.services().lastBitmapError();
    expectNear(texelInt(&png, 2, 1), expected(2, 1));
    FreeBitmap(&png);
    std::string damaged = dir.file("rgb.png");
    std::string bytes;
    {
        std::ifstream in(damaged, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    dir.write("cut.png", bytes.substr(0, bytes.size() / 2));
    refused("cut.png");
    // Signature and header, then a data chunk that claims 2 GB: refused before anything is
    // reserved for it.
    dir.write("forged.png", bytes.substr(0, 33) + std::string("\x7f\xff\xff\xf0IDAT", 8) + "xyz");
    EXPECT_NE(refused("forged.png").find("truncated"), std::string::npos);

    EXPECT_FALSE(LoadBitmap24(nullptr, "rgb.png"));

    // Forged sizes whose pixel-byte count does not fit in 64 bits: still found truncated.
    auto forged = [&good](uint32_t width, uint32_t height) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes[18 + i] = static_cast<char>(width >> (8 * i));
            bytes[22 + i] = static_cast<char>(height >> (8 * i));
        }
        return bytes;
    };
    dir.write("huge.bmp", forged(0x7fffffffu, 0x7fffffffu));
    EXPECT_NE(refused("huge.bmp").find("truncated"), std::string::npos);
    dir.write("huge_top_down.bmp", forged(0x7fffffffu, 0x80000000u));
    EXPECT_NE(refused("huge_top_down.bmp").find("truncated"), std::string::npos);
    host.uninstall();
    BITMAP_ none{};
    EXPECT_FALSE(LoadBitmap24(&none, "rgb.png"));  // no services installed
}
