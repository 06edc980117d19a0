#include "Timelapse.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "OutputFile.h"

namespace skytool {

namespace fs = std::filesystem;

namespace {

void showProgress(int done, int total) {
    constexpr int kBarWidth = 40;
    const int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::fprintf(stderr, "\r[%.*s%*s] %d/%d", filled, "========================================", kBarWidth - filled, "",
                 done, total);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

// The frames of the folder: sky-NNNN.png with their index.
std::vector<std::pair<int, fs::path>> framesIn(const std::string& folder) {
    static const std::regex kFrame("sky-([0-9]{4,})\\.png");
    std::vector<std::pair<int, fs::path>> frames;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::smatch m;
        const std::string name = it->path().filename().string();
        if (std::regex_match(name, m, kFrame)) frames.emplace_back(std::stoi(m[1].str()), it->path());
    }
    return frames;
}

int frameCount(const Options& o) {
    const double from = o.timelapseFrom.toUnixSeconds(), to = o.timelapseTo.toUnixSeconds();
    return static_cast<int>(std::floor((to - from) / o.timelapseStepS + 1e-9)) + 1;
}

}  // namespace

std::vector<std::string> imageStamp(const Options& o, double unixSeconds) {
    char place[96];
    std::snprintf(place, sizeof place, "%.4f %c  %.4f %c", std::fabs(o.latitudeDeg), o.latitudeDeg < 0 ? 'S' : 'N',
                  std::fabs(o.longitudeDeg), o.longitudeDeg < 0 ? 'W' : 'E');
    const std::string when = CivilTime::fromUnixSeconds(unixSeconds, o.time.offsetMinutes).toString();
    return {place, when.substr(0, 10) + " " + when.substr(11, 8) + " " + utcOffsetName(o.time.offsetMinutes)};
}

bool checkTimelapseFolder(const Options& o, std::string& error) {
    if (!checkOutputFolder(o.outDir, error)) return false;
    const auto frames = framesIn(o.outDir);
    if (frames.empty() || o.force) return true;
    error = "the folder \"" + o.outDir + "\" already holds " + std::to_string(frames.size()) +
            " frame(s) sky-NNNN.png of an earlier timelapse; give --force to replace them, or another --out-dir";
    return false;
}

int writeTimelapse(SkyScene& scene, AllSkyRenderer& renderer, const Options& o, std::string& error) {
    std::error_code ec;
    fs::create_directories(o.outDir, ec);
    if (ec) {
        error = "cannot make the folder \"" + o.outDir + "\": " + ec.message();
        return -1;
    }
    const double from = o.timelapseFrom.toUnixSeconds();
    const int total = frameCount(o);
    showProgress(0, total);
    for (int i = 0; i < total; ++i) {
        const double t = from + i * o.timelapseStepS;
        const SkySnapshot s = scene.observe(t, o.latitudeDeg, o.longitudeDeg, o.altitudeM);
        AllSkyLayout layout;
        const Canvas image = renderer.render(s, layout, imageStamp(o, t));
        char name[32];
        std::snprintf(name, sizeof name, "sky-%04d.png", i);
        if (!image.savePng((fs::path(o.outDir) / name).string(), error)) return -1;
        showProgress(i + 1, total);
    }
    for (const auto& frame : framesIn(o.outDir))  // frames of an earlier, longer run (--force)
        if (frame.first >= total) fs::remove(frame.second, ec);
    return total;
}

}  // namespace skytool
