#pragma once
// The command line of enviro-demo, with enviro-sky's conventions: CLI11, dates with an explicit
// UTC offset, place in degrees, exit code 2 and a message naming the option for a bad command
// line.
#include <string>

#include "CivilTime.h"

namespace demotool {

struct DemoOptions {
    skytool::CivilTime time;        // the instant of a single frame
    double latitudeDeg = 45.0;
    double longitudeDeg = 7.0;
    double visibilityM = 20000.0;   // fog visibility, metres
    int width = 960, height = 540;
    std::string camera = "town";    // a preset of DemoCameras.h
    std::string outDir = ".";
    std::string name = "frame";     // file name: NAME.png, or NAME-0000.png ... for a time-lapse
    std::string dataDir;
    bool timelapse = false;
    skytool::CivilTime from, to;
    double stepS = 0.0;
    std::string video;              // "" for none
    bool window = false;
    int repeat = 1;                 // frames rendered per instant (timings, checks)
    bool timings = false;           // per-pass GPU times and CPU times on standard error
    int shadowMapSize = 2048;
    std::string preset;             // a scene of DemoPresets.h, or ""
};

// Parses argv. Returns -1 to go on, or the exit code to leave with: 0 after --help, 2 after an
// invalid command line (the message, naming the option, on standard error).
int parseDemoOptions(int argc, char** argv, const std::string& defaultDataDir, DemoOptions& out);

}  // namespace demotool
