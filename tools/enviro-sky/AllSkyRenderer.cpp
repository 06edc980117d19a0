#include "AllSkyRenderer.h"

#include <algorithm>
#include <cmath>

#include "ToneMap.h"
#include "enviro/sky/Sky.h"

namespace skytool {

namespace {

constexpr Rgb kBackground{0.06f, 0.06f, 0.07f};
constexpr Rgb kSunColour{1.0f, 0.97f, 0.86f};
constexpr Rgb kMoonLit{0.93f, 0.92f, 0.86f};
constexpr Rgb kMoonDark{0.16f, 0.16f, 0.19f};
constexpr Rgb kRingColour{0.75f, 0.75f, 0.78f};
constexpr float kPi = 3.14159265358979f;
constexpr float kFaintestMagnitude = 6.5f;
constexpr float kNamedMagnitude = 1.6f;  // stars at least this bright are named
constexpr Rgb kStarLabel{0.75f, 0.85f, 1.0f};
constexpr Rgb kPlanetLabel{1.0f, 0.85f, 0.55f};
constexpr Rgb kLegendInk{0.85f, 0.85f, 0.88f};

Math::Vector<3, float> normalized(const Math::Vector<3, float>& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.0f ? Math::Vector<3, float>(v.x / l, v.y / l, v.z / l) : v;
}

float dot(const Math::Vector<3, float>& a, const Math::Vector<3, float>& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Math::Vector<3, float> cross(const Math::Vector<3, float>& a, const Math::Vector<3, float>& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

AllSkyRenderer::AllSkyRenderer(enviro::Sky& sky, int size)
    : m_sky(sky), m_size(size), m_fisheye(size, std::max(14.0f, size * 0.035f)),
      m_discRadius(std::max(4.0f, size / 90.0f)) {
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Math::Vector<3, float> d;
            if (!m_fisheye.toDirection(x + 0.5f, y + 0.5f, d)) continue;
            m_dirs.push_back(d);
            m_pixelOf.push_back(y * size + x);
        }
}

Canvas AllSkyRenderer::render(const SkySnapshot& s, AllSkyLayout& layout, const std::vector<std::string>& stamp) {
    Canvas canvas(m_size, m_size, kBackground);
    layout = AllSkyLayout{};
    layout.discRadius = m_discRadius;
    drawSky(canvas, s, layout);
    drawMilkyWay(canvas, s);
    drawStars(canvas, s);
    drawSun(canvas, s, layout);
    drawMoon(canvas, s, layout);
    drawHorizon(canvas);
    drawLegend(canvas, stamp);
    return canvas;
}

// One batch evaluation of the sky for every pixel inside the horizon circle.
void AllSkyRenderer::drawSky(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout) {
    std::vector<Math::Vector<3, float>> colours(m_dirs.size());
    const Math::Vector<4, float> sun(s.sun.x, s.sun.y, s.sun.z, 0.0f);
    m_sky.getSkyColorArray(m_dirs.data(), static_cast<int>(m_dirs.size()), sun, s.altitudeM, colours.data());
    const ToneMap tone;
    layout.exposure = tone.exposure();
    m_limitingMagnitude.assign(static_cast<size_t>(m_size) * m_size, 0.0f);
    for (size_t i = 0; i < colours.size(); ++i) {
        const int p = m_pixelOf[i];
        c.set(p % m_size, p / m_size, tone.map(colours[i]));
        m_limitingMagnitude[p] = ToneMap::limitingMagnitude(ToneMap::luminance(colours[i]));
    }
}

float AllSkyRenderer::limitingMagnitudeAt(float px, float py) const {
    const int x = std::clamp(static_cast<int>(px), 0, m_size - 1), y = std::clamp(static_cast<int>(py), 0, m_size - 1);
    return m_limitingMagnitude[static_cast<size_t>(y) * m_size + x];
}

// A soft band along the galactic equator, brighter toward the galactic centre.
void AllSkyRenderer::drawMilkyWay(Canvas& c, const SkySnapshot& s) {
    const Math::Vector<3, float> pole = normalized(s.galacticNorthPole);
    const Math::Vector<3, float> centre = normalized(s.galacticCentre);
    const Rgb glow{0.75f, 0.8f, 1.0f};
    for (size_t i = 0; i < m_dirs.size(); ++i) {
        const int p = m_pixelOf[i];
        const float v = std::clamp((m_limitingMagnitude[p] - 4.5f) / 2.0f, 0.0f, 1.0f);
        if (v <= 0.0f) continue;
        const float b = dot(m_dirs[i], pole) / 0.12f;
        const float band = std::exp(-b * b) * (0.45f + 0.55f * std::max(0.0f, dot(m_dirs[i], centre)));
        c.add(p % m_size, p / m_size, glow, 0.16f * band * v);
    }
}

// Stars and planets: size and brightness from the magnitude, their own colour, faded by the sky.
void AllSkyRenderer::drawStars(Canvas& c, const SkySnapshot& s) {
    const size_t firstPlanet = s.stars.size() >= 8 ? s.stars.size() - 8 : s.stars.size();
    for (size_t i = 0; i < s.stars.size(); ++i) {
        const Astro::STARDESC& star = s.stars[i];
        float px, py;
        if (!m_fisheye.toPixel(normalized(star.vPos), px, py)) continue;
        const float v = std::clamp((limitingMagnitudeAt(px, py) - star.fMagnitude) / 1.5f, 0.0f, 1.0f);
        const bool planet = i >= firstPlanet;
        if (v <= 0.0f) continue;
        const float brightness = std::clamp((kFaintestMagnitude + 0.5f - star.fMagnitude) / 6.0f, 0.08f, 1.6f);
        const float radius = starRadius(star.fMagnitude);
        const float maxChannel = std::max({star.vColor.x, star.vColor.y, star.vColor.z, 1e-3f});
        // Half-way to white: the catalogue colours are saturated for a point of light.
        Rgb colour{0.5f + 0.5f * star.vColor.x / maxChannel, 0.5f + 0.5f * star.vColor.y / maxChannel,
                   0.5f + 0.5f * star.vColor.z / maxChannel};
        if (planet) colour = {1.0f, 0.93f, 0.75f};
        const float alpha = std::min(1.0f, 0.35f + 0.65f * brightness) * v;
        c.disc(px, py, radius, colour, alpha);
        const std::string name = planet ? kPlanetNames[i - firstPlanet]
                                 : (i < m_starNames.size() && star.fMagnitude <= kNamedMagnitude ? m_starNames[i] : "");
        if (!name.empty() && m_size >= 384 && v > 0.3f)
            c.text(static_cast<int>(px + radius + 3), static_cast<int>(py - Canvas::textHeight(labelScale()) / 2), name,
                   planet ? kPlanetLabel : kStarLabel, labelScale());
    }
}

void AllSkyRenderer::drawSun(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout) {
    float px, py;
    if (!m_fisheye.toPixel(normalized(s.sun), px, py)) return;
    layout.sunVisible = true;
    layout.sunX = px;
    layout.sunY = py;
    c.disc(px, py, m_discRadius * 2.2f, kSunColour, 0.25f);  // glow
    c.disc(px, py, m_discRadius, kSunColour);
}

// The moon as a lit sphere: the sun seen from the moon lies at the phase angle pi (1 - phase)
// from the line of sight, toward getMoonAngle - pi measured from the disc's right through its up.
void AllSkyRenderer::drawMoon(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout) {
    const Math::Vector<3, float> m = normalized(s.moon);
    float px, py;
    if (!m_fisheye.toPixel(m, px, py)) return;
    layout.moonVisible = true;
    layout.moonX = px;
    layout.moonY = py;

    // The disc's right and up as seen from the ground, and where they point in the image.
    Math::Vector<3, float> right = normalized(Math::Vector<3, float>(-m.z, 0.0f, m.x));
    if (right.x == 0.0f && right.z == 0.0f) right = Math::Vector<3, float>(0.0f, 0.0f, -1.0f);
    const Math::Vector<3, float> up = normalized(cross(right, m));
    const float eps = 0.01f;
    float rx, ry, ux, uy;
    if (!m_fisheye.toPixel(normalized(m + right * eps), rx, ry) || !m_fisheye.toPixel(normalized(m + up * eps), ux, uy)) {
        // At the horizon "up" may leave the visible sky: mirror the step instead.
        m_fisheye.toPixel(normalized(m + right * eps), rx, ry);
        m_fisheye.toPixel(normalized(m - up * eps), ux, uy);
        ux = 2 * px - ux;
        uy = 2 * py - uy;
    }
    float ex[2] = {rx - px, ry - py}, ey[2] = {ux - px, uy - py};
    const float det = ex[0] * ey[1] - ex[1] * ey[0];

    const float phaseAngle = kPi * (1.0f - static_cast<float>(s.moonPhase));
    const float theta = static_cast<float>(s.moonAngle) - kPi;
    const float lx = std::sin(phaseAngle) * std::cos(theta), ly = std::sin(phaseAngle) * std::sin(theta);
    const float lz = std::cos(phaseAngle);

    const float r = m_discRadius;
    for (int y = static_cast<int>(py - r - 1); y <= static_cast<int>(py + r + 1); ++y)
        for (int x = static_cast<int>(px - r - 1); x <= static_cast<int>(px + r + 1); ++x) {
            const float dx = x + 0.5f - px, dy = y + 0.5f - py;
            const float d = std::hypot(dx, dy);
            const float cover = std::clamp(r + 0.5f - d, 0.0f, 1.0f);
            if (cover <= 0.0f || det == 0.0f) continue;
            // Disc coordinates (u right, v up) of the pixel, on the unit disc.
            float u = (dx * ey[1] - dy * ey[0]) / det, v = (ex[0] * dy - ex[1] * dx) / det;
            const float n = std::hypot(u, v);
            const float k = n > 0.0f ? std::min(1.0f, d / r) / n : 0.0f;
            u *= k;
            v *= k;
            const float w = std::sqrt(std::max(0.0f, 1.0f - u * u - v * v));
            const float lit = std::clamp((u * lx + v * ly + w * lz) * r * 0.7f + 0.5f, 0.0f, 1.0f);
            const Rgb colour{kMoonDark.r + (kMoonLit.r - kMoonDark.r) * lit, kMoonDark.g + (kMoonLit.g - kMoonDark.g) * lit,
                             kMoonDark.b + (kMoonLit.b - kMoonDark.b) * lit};
            c.blend(x, y, colour, cover);
        }
}

int AllSkyRenderer::labelScale() const { return std::max(1, m_size / 512); }

float AllSkyRenderer::starRadius(float magnitude) const {
    const float brightness = std::clamp((kFaintestMagnitude + 0.5f - magnitude) / 6.0f, 0.08f, 1.6f);
    return std::max(0.6f, (0.4f + 1.6f * brightness) * m_size / 1024.0f);
}

// The stamp in the top-left corner, the magnitude scale in the bottom-left one.
void AllSkyRenderer::drawLegend(Canvas& c, const std::vector<std::string>& stamp) {
    const int scale = labelScale(), line = Canvas::textHeight(scale) + 3 * scale, margin = 4 * scale;
    for (size_t i = 0; i < stamp.size(); ++i) c.text(margin, margin + static_cast<int>(i) * line, stamp[i], kLegendInk, scale);
    if (m_size < 256) return;
    const int step = std::max(14, m_size / 40), labelY = m_size - margin - Canvas::textHeight(scale);
    const float discY = static_cast<float>(labelY) - starRadius(0.0f) - 3.0f * scale;
    c.text(margin, static_cast<int>(discY - starRadius(0.0f)) - line, "magnitude", kLegendInk, scale);
    for (int m = 0; m <= 6; ++m) {
        const float x = margin + step * (m + 0.5f);
        c.disc(x, discY, starRadius(static_cast<float>(m)), {1, 1, 1});
        const std::string label = std::to_string(m);
        c.text(static_cast<int>(x) - Canvas::textWidth(label, scale) / 2, labelY, label, kLegendInk, scale);
    }
}

void AllSkyRenderer::drawHorizon(Canvas& c) {
    const float cx = m_fisheye.centre(), R = m_fisheye.radius();
    const int steps = static_cast<int>(R * 8);
    for (int ring = 0; ring < 3; ++ring) {  // the horizon, then 30 and 60 degrees of elevation
        const float rr = R * (3 - ring) / 3.0f;
        const float alpha = ring == 0 ? 0.9f : 0.18f;
        for (int i = 0; i < steps; ++i) {
            const float a = 2 * kPi * i / steps;
            c.blend(static_cast<int>(cx + rr * std::cos(a)), static_cast<int>(cx + rr * std::sin(a)), kRingColour, alpha);
        }
    }
    const int scale = std::max(1, m_size / 400);
    for (int elevation : {30, 60}) {  // the altitude rings' labels, on the south-east diagonal
        const float rr = R * (90 - elevation) / 90.0f;
        const std::string label = std::to_string(elevation) + " deg";
        c.text(static_cast<int>(cx - rr * 0.7071f) + 2, static_cast<int>(cx + rr * 0.7071f) + 2, label, kRingColour,
               labelScale());
    }
    const float tick = std::max(6.0f, R * 0.03f);
    struct Mark { const char* name; float dx, dy; };
    const Mark marks[] = {{"N", 0, -1}, {"S", 0, 1}, {"E", -1, 0}, {"W", 1, 0}};  // east on the left
    for (const Mark& m : marks) {
        c.line(cx + m.dx * (R - tick), cx + m.dy * (R - tick), cx + m.dx * R, cx + m.dy * R, kRingColour);
        const float gap = R + tick * 0.4f + Canvas::textHeight(scale) * 0.8f;
        const int tx = static_cast<int>(cx + m.dx * gap - Canvas::textWidth(m.name, scale) / 2.0f);
        const int ty = static_cast<int>(cx + m.dy * gap - Canvas::textHeight(scale) / 2.0f);
        c.text(tx, ty, m.name, {0.95f, 0.95f, 0.95f}, scale);
    }
}

}  // namespace skytool
