#include "refhost/RefImage.h"

#include <cmath>
#include <cstring>
#include <new>

#include "enviro/host/RenderApi.h"

namespace refhost {

namespace {

using RendAPI::FormatCode;

// Unsigned normalised channel of maxValue steps: clamp, NaN to 0, round to nearest.
uint32_t toUnorm(float v, uint32_t maxValue) {
    if (!(v > 0.0f)) return 0;  // also catches NaN
    if (v >= 1.0f) return maxValue;
    return static_cast<uint32_t>(std::lround(static_cast<double>(v) * maxValue));
}

float fromUnorm(uint32_t bits, uint32_t maxValue) {
    return static_cast<float>(static_cast<double>(bits) / maxValue);
}

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }
uint16_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, sizeof v); }
float loadFloat(const uint8_t* p, int index) {
    float v;
    std::memcpy(&v, p + index * sizeof(float), sizeof v);
    return v;
}
void storeFloat(uint8_t* p, int index, float v) { std::memcpy(p + index * sizeof(float), &v, sizeof v); }

void encode(int format, const Math::Vector4f& c, uint8_t* p) {
    switch (format) {
        case RendAPI::FMT_A8R8G8B8:
        case RendAPI::FMT_X8R8G8B8:
            p[0] = static_cast<uint8_t>(toUnorm(c.x, 255));
            p[1] = static_cast<uint8_t>(toUnorm(c.y, 255));
            p[2] = static_cast<uint8_t>(toUnorm(c.z, 255));
            p[3] = format == RendAPI::FMT_A8R8G8B8 ? static_cast<uint8_t>(toUnorm(c.w, 255)) : 255;
            break;
        case RendAPI::FMT_R5G6B5:
            store16(p, static_cast<uint16_t>((toUnorm(c.x, 31) << 11) | (toUnorm(c.y, 63) << 5) | toUnorm(c.z, 31)));
            break;
        case RendAPI::FMT_A2B10G10R10:
            store32(p, toUnorm(c.x, 1023) | (toUnorm(c.y, 1023) << 10) | (toUnorm(c.z, 1023) << 20) |
                           (toUnorm(c.w, 3) << 30));
            break;
        case RendAPI::FMT_D24X8: store32(p, toUnorm(c.x, 0xFFFFFF)); break;
        case RendAPI::FMT_D16: store16(p, static_cast<uint16_t>(toUnorm(c.x, 0xFFFF))); break;
        case RendAPI::FMT_R16F:
        case RendAPI::FMT_R32F: storeFloat(p, 0, c.x); break;
        case RendAPI::FMT_G16R16F:
            storeFloat(p, 0, c.x);
            storeFloat(p, 1, c.y);
            break;
        case RendAPI::FMT_A32B32G32R32F:
            for (int i = 0; i < 4; ++i) storeFloat(p, i, c[i]);
            break;
        default: break;
    }
}

Math::Vector4f decode(int format, const uint8_t* p) {
    switch (format) {
        case RendAPI::FMT_A8R8G8B8:
            return Math::Vector4f(fromUnorm(p[0], 255), fromUnorm(p[1], 255), fromUnorm(p[2], 255),
                                  fromUnorm(p[3], 255));
        case RendAPI::FMT_X8R8G8B8:
            return Math::Vector4f(fromUnorm(p[0], 255), fromUnorm(p[1], 255), fromUnorm(p[2], 255), 1.0f);
        case RendAPI::FMT_R5G6B5: {
            uint16_t v = load16(p);
            return Math::Vector4f(fromUnorm(v >> 11, 31), fromUnorm((v >> 5) & 63, 63), fromUnorm(v & 31, 31), 1.0f);
        }
        case RendAPI::FMT_A2B10G10R10: {
            uint32_t v = load32(p);
            return Math::Vector4f(fromUnorm(v & 1023, 1023), fromUnorm((v >> 10) & 1023, 1023),
                                  fromUnorm((v >> 20) & 1023, 1023), fromUnorm(v >> 30, 3));
        }
        case RendAPI::FMT_D24X8: return Math::Vector4f(fromUnorm(load32(p) & 0xFFFFFF, 0xFFFFFF), 1, 1, 1);
        case RendAPI::FMT_D16: return Math::Vector4f(fromUnorm(load16(p), 0xFFFF), 1, 1, 1);
        case RendAPI::FMT_R16F:
        case RendAPI::FMT_R32F: return Math::Vector4f(loadFloat(p, 0), 1, 1, 1);
        case RendAPI::FMT_G16R16F: return Math::Vector4f(loadFloat(p, 0), loadFloat(p, 1), 1, 1);
        case RendAPI::FMT_A32B32G32R32F:
            return Math::Vector4f(loadFloat(p, 0), loadFloat(p, 1), loadFloat(p, 2), loadFloat(p, 3));
        default: return Math::Vector4f(0, 0, 0, 0);
    }
}

}  // namespace

bool RefImage::isKnownFormat(int format) { return bytesPerTexel(format) > 0; }

bool RefImage::isDepthFormat(int format) { return format == RendAPI::FMT_D24X8 || format == RendAPI::FMT_D16; }

int RefImage::channelCount(int format) {
    switch (format) {
        case RendAPI::FMT_A8R8G8B8:
        case RendAPI::FMT_X8R8G8B8:
        case RendAPI::FMT_A2B10G10R10:
        case RendAPI::FMT_A32B32G32R32F: return 4;
        case RendAPI::FMT_R5G6B5: return 3;
        case RendAPI::FMT_G16R16F: return 2;
        case RendAPI::FMT_D24X8:
        case RendAPI::FMT_D16:
        case RendAPI::FMT_R16F:
        case RendAPI::FMT_R32F: return 1;
        default: return 0;
    }
}

int RefImage::bytesPerTexel(int format) {
    switch (format) {
        case RendAPI::FMT_R5G6B5:
        case RendAPI::FMT_D16: return 2;
        case RendAPI::FMT_A8R8G8B8:
        case RendAPI::FMT_X8R8G8B8:
        case RendAPI::FMT_A2B10G10R10:
        case RendAPI::FMT_D24X8:
        case RendAPI::FMT_R16F:
        case RendAPI::FMT_R32F: return 4;
        case RendAPI::FMT_G16R16F: return 8;
        case RendAPI::FMT_A32B32G32R32F: return 16;
        default: return 0;
    }
}

RefImage::RefImage(int format, int width, int height, int faces)
    : m_format(format), m_width(width), m_height(height), m_faces(faces), m_bytesPerTexel(bytesPerTexel(format)) {
    if (width < 1 || height < 1 || faces < 1) m_bytesPerTexel = 0;
}

bool RefImage::inside(int x, int y, int face) const {
    return isValid() && x >= 0 && y >= 0 && face >= 0 && x < m_width && y < m_height && face < m_faces;
}

uint8_t* RefImage::texel(int x, int y, int face) {
    size_t index = (static_cast<size_t>(face) * m_height + y) * m_width + x;
    return m_storage.data() + index * m_bytesPerTexel;
}

const uint8_t* RefImage::texel(int x, int y, int face) const {
    size_t index = (static_cast<size_t>(face) * m_height + y) * m_width + x;
    return m_storage.data() + index * m_bytesPerTexel;
}

Math::Vector4f RefImage::read(int x, int y, int face) const {
    if (!inside(x, y, face)) return Math::Vector4f(0, 0, 0, 0);
    if (m_storage.empty()) {
        const uint8_t zero[16] = {};
        return decode(m_format, zero);
    }
    return decode(m_format, texel(x, y, face));
}

void RefImage::write(int x, int y, int face, const Math::Vector4f& value) {
    if (m_readOnly || !inside(x, y, face)) return;
    if (!ensureStorage()) return;
    encode(m_format, value, texel(x, y, face));
}

void RefImage::fill(int left, int top, int right, int bottom, int face, const Math::Vector4f& value) {
    if (m_readOnly || !isValid() || face < 0 || face >= m_faces) return;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > m_width) right = m_width;
    if (bottom > m_height) bottom = m_height;
    if (left >= right || top >= bottom) return;
    uint8_t pattern[16];
    encode(m_format, value, pattern);
    if (!ensureStorage()) return;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) std::memcpy(texel(x, y, face), pattern, m_bytesPerTexel);
}

bool RefImage::ensureStorage() {
    if (!m_storage.empty()) return true;
    try {
        m_storage.assign(static_cast<size_t>(m_width) * m_height * m_faces * m_bytesPerTexel, 0);
    } catch (const std::bad_alloc&) {
        return false;  // too large for this machine: the image keeps reading as never written
    }
    return true;
}

void RefImage::discard() {
    std::vector<uint8_t>().swap(m_storage);
}

}  // namespace refhost
