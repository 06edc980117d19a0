#pragma once
// Scratch files for the reference-host tests: a temporary directory removed afterwards, and a
// BMP writer that makes the odd files (top-down, other bit depths) an image library won't.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace reftest {

class TempDir {
public:
    TempDir() : m_path(std::filesystem::temp_directory_path() / ("refhost-test-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device()()))) {
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string path() const { return m_path.string(); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    // Writes bytes to name (subdirectories are made); returns the full path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories((m_path / name).parent_path());
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return file(name);
    }

private:
    std::filesystem::path m_path;
};

// An uncompressed BMP of w x h pixels at bits per pixel (24 or 32), pixel (x, y) = rgb(x, y),
// rows stored bottom-up unless topDown.
template <class Fn>
std::string makeBmp(int w, int h, int bits, bool topDown, Fn rgb) {
    const int bytesPerPixel = bits / 8, stride = (w * bytesPerPixel + 3) & ~3;
    std::string out(54 + static_cast<size_t>(stride) * h, '\0');
    auto put32 = [&out](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (8 * i));
    };
    out[0] = 'B', out[1] = 'M', out[26] = 1, out[28] = static_cast<char>(bits);
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(topDown ? -h : h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto c = rgb(x, y);
            const size_t at = 54 + static_cast<size_t>(topDown ? y : h - 1 - y) * stride + static_cast<size_t>(x) * bytesPerPixel;
            out[at] = static_cast<char>(c[2]), out[at + 1] = static_cast<char>(c[1]), out[at + 2] = static_cast<char>(c[0]);  // b, g, r
            if (bytesPerPixel == 4) out[at + 3] = static_cast<char>(255);
        }
    return out;
}

}  // namespace reftest
