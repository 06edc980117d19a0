#include "Timelapse.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace skytool {

namespace {

void showProgress(int done, int total) {
    constexpr int kBarWidth = 40;
    const int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::fprintf(stderr, "\r[%.*s%*s] %d/%d", filled, "========================================", kBarWidth - filled, "",
                 done, total);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace

int writeTimelapse(SkyScene& scene, AllSkyRenderer& renderer, const Options& o, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(o.outDir, ec);
    if (ec) {
        error = "cannot make the folder \"" + o.outDir + "\": " + ec.message();
        return -1;
    }
    const double from = o.timelapseFrom.toUnixSeconds(), to = o.timelapseTo.toUnixSeconds();
    const int total = static_cast<int>(std::floor((to - from) / o.timelapseStepS + 1e-9)) + 1;
    showProgress(0, total);
    for (int i = 0; i < total; ++i) {
        const SkySnapshot s = scene.observe(from + i * o.timelapseStepS, o.latitudeDeg, o.longitudeDeg, o.altitudeM);
        AllSkyLayout layout;
        const Canvas image = renderer.render(s, layout);
        char name[32];
        std::snprintf(name, sizeof name, "sky-%04d.png", i);
        if (!image.savePng((std::filesystem::path(o.outDir) / name).string(), error)) return -1;
        showProgress(i + 1, total);
    }
    return total;
}

}  // namespace skytool
