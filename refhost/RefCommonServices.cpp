// The reference host's common services: configuration readers and 24-bit bitmaps.
#include "refhost/RefCommonServices.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace refhost {

namespace {

const size_t kMaxImageFileBytes = 256u << 20;
const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t le32(const std::vector<unsigned char>& d, size_t at) {
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 3]) << 24;
}
uint16_t le16(const std::vector<unsigned char>& d, size_t at) { return uint16_t(d[at] | d[at + 1] << 8); }

bool readBytes(const std::string& path, std::vector<unsigned char>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxImageFileBytes) return false;
    in.seekg(0, std::ios::beg);
    out->resize(static_cast<size_t>(size));
    return size == 0 || static_cast<bool>(in.read(reinterpret_cast<char*>(out->data()), size));
}

// Checks that a BMP is uncompressed 24-bit and that the file holds all of its rows (the image
// decoder would quietly read missing bytes as zero). "" when it is, else why not.
std::string checkBmp24(const std::vector<unsigned char>& d) {
    if (d.size() < 26) return "truncated BMP header";
    const uint32_t pixelOffset = le32(d, 10);
    const uint32_t headerSize = le32(d, 14);
    long long width, height;
    unsigned bits, compression = 0;
    if (headerSize == 12) {  // the old core header: 16-bit sizes
        width = le16(d, 18);
        height = static_cast<int16_t>(le16(d, 20));
        bits = le16(d, 24);
    } else {
        if (headerSize < 40 || d.size() < 34) return "truncated BMP header";
        width = static_cast<int32_t>(le32(d, 18));
        height = static_cast<int32_t>(le32(d, 22));
        bits = le16(d, 28);
        compression = le32(d, 30);
    }
    if (bits != 24) return "not a 24-bit BMP";
    if (compression != 0) return "compressed BMP";
    if (width < 1 || height == 0) return "BMP without pixels";
    const long long rows = height < 0 ? -height : height;
    const long long stride = (width * 3 + 3) & ~3LL;
    // Compared by division: stride * rows of a forged header overflows even 64 bits.
    const long long pixelBytes = static_cast<long long>(d.size()) - static_cast<long long>(pixelOffset);
    if (pixelBytes < 0 || rows > pixelBytes / stride) return "truncated BMP";
    return "";
}

uint32_t be32(const std::vector<unsigned char>& d, size_t at) {
    return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | uint32_t(d[at + 3]);
}

// Whether every chunk of a PNG, up to IEND, lies inside the file. The decoder reserves a chunk's
// stated length before reading it, so a few forged bytes could make it ask for gigabytes.
bool pngChunksInside(const std::vector<unsigned char>& d) {
    size_t at = 8;  // after the signature
    while (d.size() - at >= 12) {  // length, type, CRC
        const uint32_t length = be32(d, at);
        if (length > d.size() - at - 12) return false;
        const bool last = std::memcmp(&d[at + 4], "IEND", 4) == 0;
        at += 12 + static_cast<size_t>(length);
        if (last) return true;
    }
    return false;
}

// PNG with three 8-bit channels: "" when it is, else why not.
std::string checkPngRgb8(const std::vector<unsigned char>& d) {
    if (!pngChunksInside(d)) return "truncated PNG";
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(d.data(), static_cast<int>(d.size()), &w, &h, &channels)) return "damaged PNG";
    if (channels != 3) return "PNG without exactly three channels";
    if (stbi_is_16_bit_from_memory(d.data(), static_cast<int>(d.size()))) return "16-bit PNG";
    return "";
}

bool isValidBitmap(const BITMAP_* b) {
    return b && b->pData && b->nWidth > 0 && b->nHeight > 0 &&
           static_cast<long long>(b->nSize) >= 3LL * b->nWidth * b->nHeight;
}

void texelBytes(const BITMAP_* b, int x, int y, float out[3]) {
    x = std::min(std::max(x, 0), b->nWidth - 1);
    y = std::min(std::max(y, 0), b->nHeight - 1);
    const unsigned char* p = b->pData + (static_cast<size_t>(y) * b->nWidth + x) * 3;
    for (int i = 0; i < 3; ++i) out[i] = p[i] / 255.0f;
}

void store(const float c[3], float* r, float* g, float* b) {
    if (r) *r = c[0];
    if (g) *g = c[1];
    if (b) *b = c[2];
}

// A fractional coordinate clamped to [0, size - 1]; NaN becomes 0.
float clampCoordinate(float v, int size) {
    if (!(v > 0.0f)) return 0.0f;
    return std::min(v, static_cast<float>(size - 1));
}

}  // namespace

common::IConfigReader* RefCommonServices::openConfig(const char* path) {
    const std::string shown = path ? path : "";
    const std::string file = resolvePath(path);
    std::unique_ptr<RefConfigReader> reader = file.empty()
                                                  ? RefConfigReader::failed("cannot open " + shown + ": not found")
                                                  : RefConfigReader::fromFile(file, file, m_configLimits);
    m_configError = reader->getError();
    return reader.release();
}

bool RefCommonServices::failBitmap(BITMAP_* bitmap, const std::string& why) {
    *bitmap = BITMAP_{nullptr, 0, 0, 0};
    m_bitmapError = why;
    return false;
}

bool RefCommonServices::loadBitmap24(BITMAP_* bitmap, const char* path) {
    if (!bitmap) return false;
    const std::string file = resolvePath(path);
    const std::string shown = path ? path : "";
    std::vector<unsigned char> bytes;
    if (file.empty() || !readBytes(file, &bytes)) return failBitmap(bitmap, "cannot open " + shown);

    std::string problem;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        problem = checkBmp24(bytes);
    else if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
        problem = checkPngRgb8(bytes);
    else
        problem = "not a BMP or PNG image";
    if (!problem.empty()) return failBitmap(bitmap, shown + ": " + problem);

    // The decoder's pixels are freed on every way out, an exception from a failed allocation included.
    int w = 0, h = 0, channels = 0;
    const std::unique_ptr<unsigned char, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 3), stbi_image_free);
    if (!pixels) return failBitmap(bitmap, shown + ": " + stbi_failure_reason());
    const long long size = 3LL * w * h;
    if (w < 1 || h < 1 || size > INT_MAX) return failBitmap(bitmap, shown + ": image too large");
    unsigned char* data = new unsigned char[static_cast<size_t>(size)];
    std::memcpy(data, pixels.get(), static_cast<size_t>(size));
    *bitmap = BITMAP_{data, w, h, static_cast<int>(size)};
    m_bitmapError.clear();
    return true;
}

void RefCommonServices::freeBitmap(BITMAP_* bitmap) {
    if (!bitmap) return;
    delete[] bitmap->pData;
    *bitmap = BITMAP_{nullptr, 0, 0, 0};
}

void RefCommonServices::getTexel(const BITMAP_* bitmap, int x, int y, float* r, float* g, float* b) {
    float c[3] = {0, 0, 0};
    if (isValidBitmap(bitmap)) texelBytes(bitmap, x, y, c);
    store(c, r, g, b);
}

void RefCommonServices::getTexel(const BITMAP_* bitmap, float x, float y, float* r, float* g, float* b) {
    float c[3] = {0, 0, 0};
    if (isValidBitmap(bitmap)) {
        x = clampCoordinate(x, bitmap->nWidth);
        y = clampCoordinate(y, bitmap->nHeight);
        const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
        const float fx = x - x0, fy = y - y0;
        float c00[3], c10[3], c01[3], c11[3];
        texelBytes(bitmap, x0, y0, c00);
        texelBytes(bitmap, x0 + 1, y0, c10);
        texelBytes(bitmap, x0, y0 + 1, c01);
        texelBytes(bitmap, x0 + 1, y0 + 1, c11);
        for (int i = 0; i < 3; ++i) {
            float top = c00[i] + (c10[i] - c00[i]) * fx;
            float bottom = c01[i] + (c11[i] - c01[i]) * fx;
            c[i] = top + (bottom - top) * fy;
        }
    }
    store(c, r, g, b);
}

bool RefCommonServices::makeBitmap(BITMAP_* bitmap, int width, int height, const PixelFunction& fn) {
    if (!bitmap) return false;
    *bitmap = BITMAP_{nullptr, 0, 0, 0};
    if (width < 1 || height < 1 || 3LL * width * height > INT_MAX) return false;
    const int size = 3 * width * height;
    unsigned char* data = new unsigned char[static_cast<size_t>(size)];
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::array<unsigned char, 3> rgb = fn ? fn(x, y) : std::array<unsigned char, 3>{0, 0, 0};
            std::memcpy(data + (static_cast<size_t>(y) * width + x) * 3, rgb.data(), 3);
        }
    *bitmap = BITMAP_{data, width, height, size};
    return true;
}

}  // namespace refhost
