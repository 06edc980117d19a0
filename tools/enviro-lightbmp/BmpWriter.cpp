// A 24-bit BMP writer: 14-byte file header, 40-byte info header, bottom-up BGR rows.
#include "tools/enviro-lightbmp/BmpWriter.h"

#include <cstdint>
#include <fstream>

namespace lightbmp {

namespace {

void put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

constexpr uint32_t kHeaderBytes = 14 + 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi

}  // namespace

std::string encodeBmp24(const RgbImage& image) {
    const uint64_t w = image.width > 0 ? uint64_t(image.width) : 0;
    const uint64_t h = image.height > 0 ? uint64_t(image.height) : 0;
    if (w == 0 || h == 0 || image.pixels.size() != w * h * 3) return {};
    const uint64_t stride = (w * 3 + 3) / 4 * 4;
    if (kHeaderBytes + stride * h > 0x7FFFFFFFu) return {};
    const uint32_t imageBytes = uint32_t(stride * h);

    std::string s;
    s.reserve(kHeaderBytes + imageBytes);
    s += "BM";
    put32(s, kHeaderBytes + imageBytes);  // file size
    put32(s, 0);                          // reserved
    put32(s, kHeaderBytes);               // offset of the pixels
    put32(s, 40);                         // info header size
    put32(s, uint32_t(w));
    put32(s, uint32_t(h));                // positive: rows bottom-up
    put16(s, 1);                          // planes
    put16(s, 24);                         // bits per pixel
    put32(s, 0);                          // BI_RGB, uncompressed
    put32(s, imageBytes);
    put32(s, kPixelsPerMetre);
    put32(s, kPixelsPerMetre);
    put32(s, 0);  // palette colours
    put32(s, 0);  // important colours
    for (uint64_t y = h; y-- > 0;) {
        const uint8_t* row = &image.pixels[y * w * 3];
        for (uint64_t x = 0; x < w; ++x) {
            s.push_back(char(row[3 * x + 2]));
            s.push_back(char(row[3 * x + 1]));
            s.push_back(char(row[3 * x + 0]));
        }
        s.append(size_t(stride - w * 3), '\0');
    }
    return s;
}

bool writeBmp24(const RgbImage& image, const std::string& path, std::string* error) {
    const std::string bytes = encodeBmp24(image);
    if (bytes.empty()) {
        if (error) *error = "the image is empty or inconsistent";
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace lightbmp
