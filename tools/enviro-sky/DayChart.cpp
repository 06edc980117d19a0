#include "DayChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "Canvas.h"

namespace skytool {

namespace {

constexpr int kWidth = 960, kHeight = 540;
constexpr int kLeft = 56, kRight = 24, kTop = 46;
constexpr int kPlotHeight = 340, kBandHeight = 36, kBandGap = 10;
constexpr int kSamples = 24 * 6 + 1;  // every 10 minutes, both midnights included
constexpr Rgb kPaper{0.08f, 0.09f, 0.11f};
constexpr Rgb kGrid{0.35f, 0.37f, 0.42f};
constexpr Rgb kInk{0.9f, 0.9f, 0.92f};
constexpr Rgb kSunCurve{1.0f, 0.8f, 0.25f};
constexpr Rgb kMoonCurve{0.65f, 0.75f, 1.0f};
// Background by the sun's elevation: day, civil, nautical, astronomical twilight, night.
constexpr Rgb kSkyShades[5] = {{0.22f, 0.30f, 0.42f}, {0.17f, 0.21f, 0.32f}, {0.13f, 0.15f, 0.24f},
                               {0.10f, 0.11f, 0.17f}, {0.08f, 0.09f, 0.11f}};
constexpr double kShadeLimits[4] = {-0.833, -6.0, -12.0, -18.0};

struct Sample {
    double sunElevation, moonElevation;
    Math::Vector<4, float> light, ambient;
};

float xOfHour(double hour) { return kLeft + static_cast<float>(hour / 24.0) * (kWidth - kLeft - kRight); }
float yOfElevation(double deg) { return kTop + static_cast<float>((90.0 - deg) / 180.0) * kPlotHeight; }

Rgb displayColour(const Math::Vector<4, float>& c) {
    return {std::clamp(c.x, 0.0f, 1.0f), std::clamp(c.y, 0.0f, 1.0f), std::clamp(c.z, 0.0f, 1.0f)};
}

void drawAxes(Canvas& c, const std::string& title) {
    c.text(kLeft, 12, title, kInk, 2);
    for (int deg = -90; deg <= 90; deg += 30) {
        const float y = yOfElevation(deg);
        c.line(kLeft, y, kWidth - kRight, y, kGrid, deg == 0 ? 0.9f : 0.4f);
        const std::string label = std::to_string(deg);
        c.text(kLeft - 8 - Canvas::textWidth(label), static_cast<int>(y) - 3, label, kInk);
    }
    for (int h = 0; h <= 24; h += 3) {
        const float x = xOfHour(h);
        c.line(x, kTop, x, kTop + kPlotHeight, kGrid, 0.4f);
        const std::string label = (h < 10 ? "0" : "") + std::to_string(h) + ":00";
        const int labelY = kTop + kPlotHeight + 2 * (kBandHeight + kBandGap) + 8;
        c.text(static_cast<int>(x) - Canvas::textWidth(label) / 2, labelY, label, kInk);
    }
    c.text(4, kTop - 12, "elev. (deg)", kInk);
}

void drawCurve(Canvas& c, const std::vector<Sample>& samples, bool sun) {
    for (size_t i = 1; i < samples.size(); ++i) {
        const double a = sun ? samples[i - 1].sunElevation : samples[i - 1].moonElevation;
        const double b = sun ? samples[i].sunElevation : samples[i].moonElevation;
        const float x0 = xOfHour((i - 1) / 6.0), x1 = xOfHour(i / 6.0);
        for (int w = -1; w <= 1; ++w)
            c.line(x0, yOfElevation(a) + w, x1, yOfElevation(b) + w, sun ? kSunCurve : kMoonCurve);
    }
}

void drawBands(Canvas& c, const std::vector<Sample>& samples) {
    const int top[2] = {kTop + kPlotHeight + kBandGap, kTop + kPlotHeight + kBandGap * 2 + kBandHeight};
    for (int x = kLeft; x <= kWidth - kRight; ++x) {
        const double hour = (x - kLeft) * 24.0 / (kWidth - kLeft - kRight);
        const Sample& s = samples[std::min<size_t>(samples.size() - 1, static_cast<size_t>(std::lround(hour * 6.0)))];
        c.rect(x, top[0], x, top[0] + kBandHeight - 1, displayColour(s.light));
        c.rect(x, top[1], x, top[1] + kBandHeight - 1, displayColour(s.ambient));
    }
    c.text(kLeft + 4, top[0] + 3, "light", kInk);
    c.text(kLeft + 4, top[1] + 3, "ambient", kInk);
}

// The sky's state behind the plot, column by column from the sun's elevation.
void drawTwilight(Canvas& c, const std::vector<Sample>& samples) {
    for (int x = kLeft; x <= kWidth - kRight; ++x) {
        const double at = (x - kLeft) * 24.0 / (kWidth - kLeft - kRight) * 6.0;
        const size_t i = std::min<size_t>(samples.size() - 2, static_cast<size_t>(at));
        const double f = std::min(1.0, at - i);
        const double e = samples[i].sunElevation * (1.0 - f) + samples[i + 1].sunElevation * f;
        int shade = 0;
        while (shade < 4 && e < kShadeLimits[shade]) ++shade;
        c.rect(x, kTop, x, kTop + kPlotHeight, kSkyShades[shade]);
    }
}

// Sunrise and sunset as labelled lines.
void drawSunEvents(Canvas& c, const DayTimes& t, int offsetMinutes) {
    const struct {
        const std::optional<double>& at;
        const char* name;
    } events[] = {{t.sunrise, "sunrise"}, {t.sunset, "sunset"}};
    for (const auto& e : events) {
        if (!e.at) continue;
        const double hour = (*e.at - t.dayStart) / 3600.0;
        const float x = xOfHour(hour);
        c.line(x, kTop, x, kTop + kPlotHeight, kSunCurve, 0.6f);
        const std::string label = std::string(e.name) + " " + CivilTime::fromUnixSeconds(*e.at, offsetMinutes).toString().substr(11, 5);
        c.text(static_cast<int>(x) + 3, kTop + 4, label, kInk);
    }
}

void drawLegend(Canvas& c) {
    const char* const shades[5] = {"day", "civil", "nautical", "astronomical", "night"};
    int sx = kLeft;
    const int sy = kHeight - 18;
    c.text(sx, sy, "twilight:", kInk);
    sx += Canvas::textWidth("twilight:") + 8;
    for (int i = 0; i < 5; ++i) {
        c.rect(sx, sy - 1, sx + 12, sy + 7, kSkyShades[i]);
        c.text(sx + 16, sy, shades[i], kInk);
        sx += 16 + Canvas::textWidth(shades[i]) + 14;
    }
    const int y = 16, x = kWidth - kRight - 150;
    c.rect(x, y, x + 16, y + 2, kSunCurve);
    c.text(x + 22, y - 3, "sun", kInk);
    c.rect(x + 70, y, x + 86, y + 2, kMoonCurve);
    c.text(x + 92, y - 3, "moon", kInk);
}

}  // namespace

bool writeDayChart(SkyScene& scene, const Options& o, const DayTimes& times, const std::string& path,
                   std::string& error) {
    const CivilTime midnight = CivilTime::fromUnixSeconds(times.dayStart, o.time.offsetMinutes);
    const double start = times.dayStart;
    std::vector<Sample> samples;
    for (int i = 0; i < kSamples; ++i) {
        const SkySnapshot s = scene.observe(start + i * 600.0, o.latitudeDeg, o.longitudeDeg, o.altitudeM, false);
        samples.push_back({elevationDeg(s.sun), elevationDeg(s.moon), s.light, s.ambient});
    }
    Canvas canvas(kWidth, kHeight, kPaper);
    char title[160];
    std::snprintf(title, sizeof title, "%s   lat %.2f  lon %.2f   hours in %s", midnight.toString().substr(0, 10).c_str(),
                  o.latitudeDeg, o.longitudeDeg, utcOffsetName(o.time.offsetMinutes).c_str());
    drawTwilight(canvas, samples);
    drawAxes(canvas, title);
    drawSunEvents(canvas, times, o.time.offsetMinutes);
    drawBands(canvas, samples);
    drawCurve(canvas, samples, false);
    drawCurve(canvas, samples, true);
    drawLegend(canvas);
    return canvas.savePng(path, error);
}

}  // namespace skytool
