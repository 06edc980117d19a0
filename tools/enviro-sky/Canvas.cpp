#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <stb_image_write.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_easy_font.h>
#pragma GCC diagnostic pop

#include "OutputFile.h"

namespace skytool {

namespace {

uint8_t toByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

}  // namespace

Canvas::Canvas(int width, int height, Rgb fill)
    : m_width(std::max(1, width)), m_height(std::max(1, height)),
      m_pixels(static_cast<size_t>(m_width) * m_height * 3) {
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) set(x, y, fill);
}

Rgb Canvas::get(int x, int y) const {
    if (!contains(x, y)) return {0, 0, 0};
    const uint8_t* p = &m_pixels[(static_cast<size_t>(y) * m_width + x) * 3];
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

void Canvas::set(int x, int y, Rgb c) {
    if (!contains(x, y)) return;
    uint8_t* p = &m_pixels[(static_cast<size_t>(y) * m_width + x) * 3];
    p[0] = toByte(c.r);
    p[1] = toByte(c.g);
    p[2] = toByte(c.b);
}

void Canvas::blend(int x, int y, Rgb c, float alpha) {
    if (!contains(x, y) || !(alpha > 0.0f)) return;
    alpha = std::min(alpha, 1.0f);
    const Rgb o = get(x, y);
    set(x, y, {o.r + (c.r - o.r) * alpha, o.g + (c.g - o.g) * alpha, o.b + (c.b - o.b) * alpha});
}

void Canvas::add(int x, int y, Rgb c, float alpha) {
    if (!contains(x, y) || !(alpha > 0.0f)) return;
    const Rgb o = get(x, y);
    set(x, y, {o.r + c.r * alpha, o.g + c.g * alpha, o.b + c.b * alpha});
}

void Canvas::disc(float cx, float cy, float radius, Rgb c, float alpha) {
    const int x0 = static_cast<int>(std::floor(cx - radius - 1)), x1 = static_cast<int>(std::ceil(cx + radius + 1));
    const int y0 = static_cast<int>(std::floor(cy - radius - 1)), y1 = static_cast<int>(std::ceil(cy + radius + 1));
    for (int y = std::max(0, y0); y <= std::min(m_height - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(m_width - 1, x1); ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float cover = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
            blend(x, y, c, cover * alpha);
        }
}

void Canvas::rect(int x0, int y0, int x1, int y1, Rgb c, float alpha) {
    for (int y = std::max(0, std::min(y0, y1)); y <= std::min(m_height - 1, std::max(y0, y1)); ++y)
        for (int x = std::max(0, std::min(x0, x1)); x <= std::min(m_width - 1, std::max(x0, x1)); ++x)
            blend(x, y, c, alpha);
}

void Canvas::line(float x0, float y0, float x1, float y1, Rgb c, float alpha) {
    const float length = std::hypot(x1 - x0, y1 - y0);
    const int steps = std::max(1, static_cast<int>(std::ceil(length * 2.0f)));
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) / steps;
        blend(static_cast<int>(x0 + (x1 - x0) * t), static_cast<int>(y0 + (y1 - y0) * t), c, alpha);
    }
}

void Canvas::text(int x, int y, const std::string& s, Rgb c, int scale) {
    // The font builds glyphs from quads of 16-byte vertices (x, y, z floats and a colour).
    std::vector<char> copy(s.begin(), s.end());
    copy.push_back('\0');
    std::vector<char> vertices(s.size() * 1200 + 64);  // a glyph takes at most about 1 kB
    unsigned char colour[4] = {255, 255, 255, 255};
    const int quads = stb_easy_font_print(0, 0, copy.data(), colour, vertices.data(), static_cast<int>(vertices.size()));
    for (int q = 0; q < quads; ++q) {
        float v0[2], v2[2];
        std::memcpy(v0, &vertices[(q * 4 + 0) * 16], sizeof v0);
        std::memcpy(v2, &vertices[(q * 4 + 2) * 16], sizeof v2);
        rect(x + static_cast<int>(v0[0]) * scale, y + static_cast<int>(v0[1]) * scale,
             x + static_cast<int>(v2[0]) * scale - 1, y + static_cast<int>(v2[1]) * scale - 1, c);
    }
}

int Canvas::textWidth(const std::string& s, int scale) {
    std::vector<char> copy(s.begin(), s.end());
    copy.push_back('\0');
    return stb_easy_font_width(copy.data()) * scale;
}

int Canvas::textHeight(int scale) { return 7 * scale; }

bool Canvas::savePng(const std::string& path, std::string& error) const {
    std::vector<unsigned char> png;
    const auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<unsigned char>*>(context);
        out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &png, m_width, m_height, 3, m_pixels.data(), m_width * 3)) {
        error = "cannot encode the PNG image \"" + path + "\"";
        return false;
    }
    return writeFileAtomically(path, png.data(), png.size(), error);
}

}  // namespace skytool
