#pragma once
// A scratch working directory with the reference host installed and an astronomy manager m, which
// releases what it holds while the host is still installed: the configuration, the text catalogue
// and the light bitmap are written there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "enviro/astro/AstroManager.h"
#include "refhost/ReferenceHost.h"

namespace astrotest {

// Three catalogue lines of the bundled catalogue's format (J2000 positions and epoch).
constexpr const char* kSiriusLine =
    "      1  alp CMa   -1.44 A0 06 45 08.92  -16 42 58.0     -3.8006  -122.31    0.01   379.2  Sirius\n";
constexpr const char* kVegaLine =
    "      5  alp Lyr    0.03 A0 18 36 56.34  +38 47 01.3      1.7190    28.75   -0.00   128.9  Vega\n";
constexpr const char* kPolarisLine =
    "     47  alp UMi    1.97 F7 02 31 49.09  +89 15 50.8     22.9432    -1.17    0.64     7.6  Polaris\n";

class AstroHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/astro_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        m_host.install();
    }
    void TearDown() override {
        m = Astro::AstroManager();
        m_host.uninstall();
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    void writeFile(const std::string& name, const std::string& text) {
        const std::filesystem::path path = std::filesystem::path(m_dir) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    void writeConfig(const std::string& text) { writeFile("LuaScripts/Astro.cfg", text); }
    void writeCatalogue(const std::string& text) { writeFile("PPM.dat", text); }
    // A 24-bit bottom-up BMP of the given size, every pixel (r, g, b).
    void writeLightBitmap(int width, int height, unsigned char r, unsigned char g, unsigned char b) {
        const int rowBytes = (width * 3 + 3) & ~3, size = rowBytes * height;
        std::string file(54 + size, '\0');
        const int header[][2] = {{2, 54 + size}, {10, 54}, {14, 40}, {18, width}, {22, height}, {26, 1}, {28, 24}, {34, size}};
        for (const auto& field : header)  // little-endian, in order (the two-byte fields are followed by zeros)
            for (int i = 0; i < 4; ++i) file[field[0] + i] = char(field[1] >> (8 * i));
        file[0] = 'B', file[1] = 'M';
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) file.replace(54 + y * rowBytes + x * 3, 3, {char(b), char(g), char(r)});
        writeFile("graphics/sky/light.bmp", file);
    }

    refhost::ReferenceHost m_host{""};
    Astro::AstroManager m;
    std::string m_dir;
    std::filesystem::path m_previous;
};

}  // namespace astrotest
