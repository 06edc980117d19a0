// enviro-sky: a sky and day-light previewer. Starts the module on the reference host as a host
// would, moves it to a date, time and place, and writes an all-sky image, a report (text or JSON)
// with the day's times, optionally a day chart, HDR sky maps and a timelapse.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "AllSkyRenderer.h"
#include "DayChart.h"
#include "DayTimes.h"
#include "Options.h"
#include "OutputFile.h"
#include "Report.h"
#include "SkyMaps.h"
#include "SkyScene.h"
#include "Timelapse.h"
#include "enviro/sky/Sky.h"
#include "tools/common/DataFolder.h"

namespace {

// Output paths are relative to where the program started; it then works in the data folder.
std::string absolute(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "enviro-sky: %s\n", message.c_str());
    return 1;
}

// Every output is checked before anything is written.
bool checkOutputs(const skytool::Options& o, std::string& error) {
    for (const std::string* file : {&o.imagePath, &o.dayChartPath, &o.panoramaPath})
        if (!file->empty() && !skytool::checkOutputFile(*file, error)) return false;
    if (!o.cubeMapDir.empty() && !skytool::checkOutputFolder(o.cubeMapDir, error)) return false;
    return !o.timelapse || skytool::checkTimelapseFolder(o, error);
}

std::vector<std::string> starNames(const skytool::CatalogueStatus& c) {
    std::vector<std::string> names;
    for (int number : c.numbers) {
        const auto it = c.names.find(number);
        names.push_back(it == c.names.end() ? std::string() : it->second);
    }
    return names;
}

bool writeCubeMap(const skytool::SkySnapshot& s, const skytool::Options& o, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(o.cubeMapDir, ec);
    if (ec) {
        error = "cannot make the folder \"" + o.cubeMapDir + "\": " + ec.message();
        return false;
    }
    const auto faces = skytool::renderCubeMap(*enviro::sky, s, o.mapSize);
    for (int f = 0; f < 6; ++f) {
        const std::string file = (std::filesystem::path(o.cubeMapDir) / skytool::kCubeFaceNames[f]).string() + "." +
                                 o.cubeMapFormat;
        if (!skytool::writeHdrImage(faces[f], file, error)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    skytool::Options options;
    const int exitCode = skytool::parseOptions(argc, argv, tools::defaultDataFolder(), options);
    if (exitCode >= 0) return exitCode;

    skytool::Options resolved = options;
    resolved.imagePath = absolute(options.imagePath);
    resolved.dayChartPath = absolute(options.dayChartPath);
    resolved.outDir = absolute(options.outDir);
    resolved.panoramaPath = absolute(options.panoramaPath);
    resolved.cubeMapDir = absolute(options.cubeMapDir);

    std::string error;
    if (!checkOutputs(resolved, error)) return fail(error);
    skytool::SkyScene scene;
    const bool started = scene.start(absolute(options.dataDir), error);
    for (const std::string& warning : scene.warnings()) std::fprintf(stderr, "enviro-sky: warning: %s\n", warning.c_str());
    if (!started) return fail("cannot start: " + error);
    scene.setVisibility(static_cast<float>(options.visibilityM));

    const double instant = options.time.toUnixSeconds();
    skytool::ReportContext context;
    context.day = skytool::findDayTimes(scene, options.time, options.latitudeDeg, options.longitudeDeg, options.altitudeM);
    context.moon = skytool::findMoonFacts(scene, instant, options.latitudeDeg, options.longitudeDeg, options.altitudeM);
    context.apparentPlanets = scene.apparentPlanets();
    context.catalogue = scene.catalogue();
    const skytool::SkySnapshot snapshot =
        scene.observe(instant, options.latitudeDeg, options.longitudeDeg, options.altitudeM);

    skytool::AllSkyRenderer renderer(*enviro::sky, options.size);
    renderer.setStarNames(starNames(scene.catalogue()));
    skytool::AllSkyLayout layout;
    if (!resolved.imagePath.empty()) {
        const auto begin = std::chrono::steady_clock::now();
        const skytool::Canvas image = renderer.render(snapshot, layout, skytool::imageStamp(options, instant));
        if (!image.savePng(resolved.imagePath, error)) return fail(error);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        if (!options.json) std::fprintf(stderr, "Rendered %d x %d in %.0f ms\n", options.size, options.size, ms);
    }
    if (!resolved.dayChartPath.empty() &&
        !skytool::writeDayChart(scene, resolved, context.day, resolved.dayChartPath, error))
        return fail(error);
    if (!resolved.panoramaPath.empty() &&
        !skytool::writeHdrImage(skytool::renderPanorama(*enviro::sky, snapshot, options.mapSize), resolved.panoramaPath,
                                error))
        return fail(error);
    if (!resolved.cubeMapDir.empty() && !writeCubeMap(snapshot, resolved, error)) return fail(error);
    if (resolved.timelapse && skytool::writeTimelapse(scene, renderer, resolved, error) < 0) return fail(error);

    const skytool::AllSkyLayout* shown = resolved.imagePath.empty() ? nullptr : &layout;
    const std::string report = options.json ? skytool::jsonReport(options, snapshot, context, shown)
                                            : skytool::textReport(options, snapshot, context, shown);
    if (std::fputs(report.c_str(), stdout) < 0 || std::fflush(stdout) != 0) return fail("cannot write the report");
    return 0;
}
