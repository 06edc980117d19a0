#include "DemoOptions.h"

#include <cstdio>
#include <vector>

#include <CLI/CLI.hpp>

#include "DemoCameras.h"
#include "DemoPresets.h"

namespace demotool {

namespace {

const char* const kDescription =
    "enviro-demo: renders a small town through the enviro module on the GPU (OpenGL 4.5, headless\n"
    "through EGL): the sky dome with sun, moon, stars and Milky Way, the day's light, the sun's\n"
    "perspective shadow map and the fog; after dark 256 street lamps and headlights through the tiled\n"
    "light list with their shadows; ambient occlusion, the ambient cube, clouds and their shadows,\n"
    "the lake's reflection and motion blur; at any place and instant, as PNG frames (and a video with\n"
    "ffmpeg). A single frame is written as OUT-DIR/NAME.png, a time-lapse as OUT-DIR/NAME-0000.png, ...\n"
    "\n"
    "Time and place as in enviro-sky: a date and time with its UTC offset, latitude and longitude\n"
    "in degrees. The data folder (--data) must be writable: the star cache is written there.";

bool parseTime(const std::string& text, skytool::CivilTime& out, const char* option) {
    std::string error;
    if (!skytool::CivilTime::parse(text, out, error)) throw CLI::ValidationError(option, error);
    return true;
}

// "960x540" -> 960, 540.
void parseSize(const std::string& text, int& w, int& h) {
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X'))
        throw CLI::ValidationError("--size", "\"" + text + "\" is not WIDTHxHEIGHT");
    if (w < 16 || h < 16 || w > 8192 || h > 8192)
        throw CLI::ValidationError("--size", "\"" + text + "\": each side must be 16 .. 8192 pixels");
}

}  // namespace

int parseDemoOptions(int argc, char** argv, const std::string& defaultDataDir, DemoOptions& out) {
    CLI::App app(kDescription, "enviro-demo");
    app.get_formatter()->column_width(34);
    std::string timeText = "2024-06-21T12:00:00+02:00", size = "960x540";
    std::vector<std::string> timelapse;
    out.dataDir = defaultDataDir;

    app.add_option("-t,--time", timeText, "Date and time with UTC offset")->capture_default_str();
    app.add_option("--lat", out.latitudeDeg, "Latitude, degrees north (-90..90)")
        ->check(CLI::Range(-90.0, 90.0))
        ->capture_default_str();
    app.add_option("--lon", out.longitudeDeg, "Longitude, degrees east (-180..180)")
        ->check(CLI::Range(-180.0, 180.0))
        ->capture_default_str();
    app.add_option("--visibility", out.visibilityM, "Fog visibility, metres (1..1000000)")
        ->check(CLI::Range(1.0, 1000000.0))
        ->capture_default_str();
    app.add_option("-s,--size", size, "Frame size WIDTHxHEIGHT")->capture_default_str();
    app.add_option("--camera", out.camera, "Camera preset: " + cameraPresetNames())
        ->check(CLI::IsMember(cameraPresetList()))
        ->capture_default_str();
    app.add_option("--out-dir", out.outDir, "Folder for the frames (made if missing)")->capture_default_str();
    app.add_option("--name", out.name, "File name of the frames, without .png")
        ->check([](const std::string& n) {
            return n.empty() || n.find('/') != std::string::npos ? std::string("a file name without '/'") : std::string();
        })
        ->capture_default_str();
    app.add_option("--timelapse", timelapse, "One frame per STEP from FROM to TO (STEP: 30, 90s, 15m, 1h)")
        ->expected(3)
        ->type_name("FROM TO STEP");
    app.add_option("--video", out.video, "Also a video of the frames (needs ffmpeg)");
    app.add_option("--data", out.dataDir, "Writable data folder (Astro.cfg, PPM.dat, light bitmap)")
        ->capture_default_str();
    app.add_flag("--window", out.window, "Show the frames in a window (needs a display)");
    app.add_option("--repeat", out.repeat, "Frames rendered per instant (1..1000)")->check(CLI::Range(1, 1000));
    app.add_flag("--timings", out.timings, "Print CPU and per-pass GPU times (GL timer queries)");
    app.add_option("--shadow-map", out.shadowMapSize, "Shadow map side, pixels (256..8192)")
        ->check(CLI::Range(256, 8192))
        ->capture_default_str();
    std::string presets;
    for (const ScenePreset& p : scenePresets()) presets += std::string("\n  ") + p.name + ": " + p.description;
    app.add_option("--preset", out.preset, "A named scene (its time, camera and repeat):" + presets)
        ->check(CLI::IsMember(scenePresetList()));
    try {
        app.parse(argc, argv);
        if (const ScenePreset* preset = findScenePreset(out.preset)) {
            if (app.count("--time") == 0) timeText = preset->time;
            if (app.count("--camera") == 0) out.camera = preset->camera;
            if (app.count("--repeat") == 0) out.repeat = preset->repeat;
        }
        parseTime(timeText, out.time, "--time");
        parseSize(size, out.width, out.height);
        if (!timelapse.empty()) {
            parseTime(timelapse[0], out.from, "--timelapse");
            parseTime(timelapse[1], out.to, "--timelapse");
            if (!skytool::parseDuration(timelapse[2], out.stepS))
                throw CLI::ValidationError("--timelapse", "step \"" + timelapse[2] + "\" is not a positive duration");
            if (out.to.toUnixSeconds() < out.from.toUnixSeconds())
                throw CLI::ValidationError("--timelapse", "TO is before FROM");
            if ((out.to.toUnixSeconds() - out.from.toUnixSeconds()) / out.stepS > 10000)
                throw CLI::ValidationError("--timelapse", "more than 10000 frames");
            out.timelapse = true;
        }
        if (!out.video.empty() && !out.timelapse)
            throw CLI::ValidationError("--video", "needs --timelapse");
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "enviro-demo: %s\nRun with --help for the options.\n", e.what());
        return 2;
    }
    return -1;
}

}  // namespace demotool
