#include "Options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <CLI/CLI.hpp>

#include "SkyMaps.h"

namespace skytool {

namespace {

const char* const kDescription =
    "enviro-sky: previews the sky and the day's light computed by the enviro module for a date, time\n"
    "and place. Writes an all-sky image (fisheye, zenith at the centre, north up, east on the left,\n"
    "as a star chart held overhead) and prints a report.\n"
    "\n"
    "Time: give the date and time with an explicit UTC offset, e.g. 2024-06-21T12:00:00+02:00 or\n"
    "2024-06-21T10:00Z. The module's own convention is that setDateTime takes a local civil time and\n"
    "always subtracts exactly one hour to get universal time (its configured time zone takes no part),\n"
    "so the program passes UT + 1 h. The report shows both the instant and what the module was given.\n"
    "\n"
    "Place: latitude and longitude in degrees are turned into a world position with polar2plane\n"
    "(relative to the origin configured in LuaScripts/Astro.cfg) and given to setPos.\n"
    "\n"
    "Data: the program changes its working directory to the data folder (--data), which must be\n"
    "writable: the star cache PPMbin.dat is written there on the first run (and rebuilt when it is\n"
    "older than PPM.dat or damaged). Output paths are taken relative to the directory the program\n"
    "was started in; every output is checked before anything is written, and each file appears\n"
    "only when complete.\n"
    "\n"
    "Sky maps: --panorama and --cubemap write linear HDR images (Radiance .hdr or OpenEXR .exr) in\n"
    "the module's world axes (X north, Y up, Z east) for a skybox or image-based light.";

// A CLI11 check that accepts a date and time with a UTC offset.
CLI::Validator civilTimeCheck() {
    return CLI::Validator(
        [](std::string& text) {
            CivilTime t;
            std::string error;
            return CivilTime::parse(text, t, error) ? std::string() : error;
        },
        "DATETIME", "");
}

// A CLI11 check for a finite number in lo..hi, naming what is wrong: not a number at all, not
// finite, or out of range.
CLI::Validator numberIn(double lo, double hi, bool integer = false) {
    return CLI::Validator(
        [lo, hi, integer](std::string& text) -> std::string {
            const char* begin = text.c_str();
            char* end = nullptr;
            const double v = integer ? static_cast<double>(std::strtol(begin, &end, 10)) : std::strtod(begin, &end);
            if (end == begin || *end != '\0')
                return "\"" + text + "\" is not " + (integer ? "a whole number" : "a number");
            if (!std::isfinite(v)) return "\"" + text + "\" is not a finite number";
            if (v < lo || v > hi) {
                char range[96];
                std::snprintf(range, sizeof range, "%g is outside %g..%g", v, lo, hi);
                return range;
            }
            return std::string();
        },
        integer ? "INT" : "NUMBER", "");
}

CivilTime parsed(const std::string& text) {
    CivilTime t;
    std::string error;
    CivilTime::parse(text, t, error);
    return t;
}

}  // namespace

int parseOptions(int argc, char** argv, const std::string& defaultDataDir, Options& out) {
    CLI::App app(kDescription, "enviro-sky");
    app.get_formatter()->column_width(34);
    std::string timeText = "2024-08-10T23:30:00+02:00";
    std::vector<std::string> timelapse;
    out.dataDir = defaultDataDir;

    app.add_option("-t,--time", timeText, "Date and time with UTC offset")
        ->check(civilTimeCheck())
        ->capture_default_str();
    app.add_option("--lat", out.latitudeDeg, "Observer latitude, degrees north (-90..90)")
        ->check(numberIn(-90.0, 90.0))
        ->capture_default_str();
    app.add_option("--lon", out.longitudeDeg, "Observer longitude, degrees east (-180..180)")
        ->check(numberIn(-180.0, 180.0))
        ->capture_default_str();
    app.add_option("--altitude", out.altitudeM, "Observer altitude above sea level, metres (-500..35000)")
        ->check(numberIn(-500.0, 35000.0))
        ->capture_default_str();
    app.add_option("--visibility", out.visibilityM, "Fog visibility, metres (1..1000000)")
        ->check(numberIn(1.0, 1000000.0))
        ->capture_default_str();
    app.add_option("-s,--size", out.size, "All-sky image width and height, pixels (64..4096)")
        ->check(numberIn(64, 4096, true))
        ->capture_default_str();
    app.add_option("-o,--out", out.imagePath, "All-sky image (PNG); empty for none")->capture_default_str();
    app.add_option("--data", out.dataDir, "Writable data folder (Astro.cfg, PPM.dat, light bitmap)")
        ->check(CLI::ExistingDirectory)
        ->capture_default_str();
    app.add_flag("--json", out.json, "Print the report as JSON");
    app.add_option("--day-chart", out.dayChartPath, "PNG plot of the day: sun and moon elevation, light colours");
    auto* lapse = app.add_option("--timelapse", timelapse, "One image per STEP from FROM to TO (STEP: 30, 90s, 15m, 1h; minutes by default)")
                      ->expected(3)
                      ->type_name("FROM TO STEP");
    auto* outDir = app.add_option("--out-dir", out.outDir, "Folder for the timelapse images (made if missing)");
    lapse->needs(outDir);
    outDir->needs(lapse);
    app.add_flag("--force", out.force, "Let a timelapse replace the sky-NNNN.png frames already in --out-dir");
    app.add_option("--panorama", out.panoramaPath, "Equirectangular HDR sky map, 2:1 (FILE.hdr or FILE.exr)")
        ->check(CLI::Validator(
            [](std::string& text) {
                return isHdrFileName(text) ? std::string() : "\"" + text + "\" does not end in .hdr or .exr";
            },
            "FILE", ""));
    app.add_option("--cubemap", out.cubeMapDir, "Folder for the six HDR cube faces px, nx, py, ny, pz, nz");
    app.add_option("--cubemap-format", out.cubeMapFormat, "Format of the cube faces: hdr or exr")
        ->check(CLI::IsMember({"hdr", "exr"}))
        ->capture_default_str();
    app.add_option("--map-size", out.mapSize, "Panorama height (its width is twice that) and cube face size, pixels (16..8192)")
        ->check(numberIn(16, 8192, true))
        ->capture_default_str();

    try {
        app.parse(argc, argv);
        if (!timelapse.empty()) {
            std::string error;
            for (int i = 0; i < 2; ++i)
                if (!CivilTime::parse(timelapse[i], i == 0 ? out.timelapseFrom : out.timelapseTo, error))
                    throw CLI::ValidationError("--timelapse", error);
            if (!parseDuration(timelapse[2], out.timelapseStepS))
                throw CLI::ValidationError("--timelapse", "step \"" + timelapse[2] + "\" is not a positive duration");
            if (out.timelapseTo.toUnixSeconds() < out.timelapseFrom.toUnixSeconds())
                throw CLI::ValidationError("--timelapse", "TO is before FROM");
            if ((out.timelapseTo.toUnixSeconds() - out.timelapseFrom.toUnixSeconds()) / out.timelapseStepS > 10000)
                throw CLI::ValidationError("--timelapse", "more than 10000 images");
            out.timelapse = true;
        }
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "enviro-sky: %s\nRun with --help for the options.\n", e.what());
        return 2;
    }
    out.time = parsed(timeText);
    return -1;
}

}  // namespace skytool
