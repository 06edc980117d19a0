// enviro-sky: a sky and day-light previewer. Starts the module on the reference host as a host
// would, moves it to a date, time and place, and writes an all-sky image, a report (text or JSON),
// optionally a day chart and a timelapse.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "AllSkyRenderer.h"
#include "DayChart.h"
#include "Options.h"
#include "Report.h"
#include "SkyScene.h"
#include "Timelapse.h"
#include "enviro/sky/Sky.h"

#ifndef ENVIRO_SKY_DEFAULT_DATA
#define ENVIRO_SKY_DEFAULT_DATA "data"
#endif

namespace {

// Output paths are relative to where the program started; it then works in the data folder.
std::string absolute(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "enviro-sky: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    skytool::Options options;
    const int exitCode = skytool::parseOptions(argc, argv, ENVIRO_SKY_DEFAULT_DATA, options);
    if (exitCode >= 0) return exitCode;

    skytool::Options resolved = options;
    resolved.imagePath = absolute(options.imagePath);
    resolved.dayChartPath = absolute(options.dayChartPath);
    resolved.outDir = absolute(options.outDir);

    std::string error;
    skytool::SkyScene scene;
    if (!scene.start(absolute(options.dataDir), error)) return fail(error);
    scene.setVisibility(static_cast<float>(options.visibilityM));

    const skytool::SkySnapshot snapshot = scene.observe(options.time.toUnixSeconds(), options.latitudeDeg,
                                                        options.longitudeDeg, options.altitudeM);
    skytool::AllSkyRenderer renderer(*enviro::sky, options.size);
    skytool::AllSkyLayout layout;
    if (!resolved.imagePath.empty()) {
        const auto begin = std::chrono::steady_clock::now();
        const skytool::Canvas image = renderer.render(snapshot, layout);
        if (!image.savePng(resolved.imagePath, error)) return fail(error);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        if (!options.json) std::fprintf(stderr, "Rendered %d x %d in %.0f ms\n", options.size, options.size, ms);
    }
    if (!resolved.dayChartPath.empty() && !skytool::writeDayChart(scene, resolved, resolved.dayChartPath, error))
        return fail(error);
    if (resolved.timelapse && skytool::writeTimelapse(scene, renderer, resolved, error) < 0) return fail(error);

    const skytool::AllSkyLayout* shown = resolved.imagePath.empty() ? nullptr : &layout;
    const std::string report = options.json ? skytool::jsonReport(options, snapshot, shown)
                                            : skytool::textReport(options, snapshot, shown);
    std::fputs(report.c_str(), stdout);
    return 0;
}
