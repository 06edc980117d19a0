#pragma once
// The command line of enviro-sky: parsed with CLI11, checked, and turned into what the module
// expects.
#include <string>

#include "CivilTime.h"

namespace skytool {

struct Options {
    CivilTime time;             // the instant, with the offset the user wrote it in
    double latitudeDeg = 45.0;  // north positive
    double longitudeDeg = 7.0;  // east positive
    double altitudeM = 0.0;     // observer height above sea level, metres (-500..35000)
    double visibilityM = 50000.0;  // fog visibility, metres
    int size = 1024;            // image width and height, pixels
    std::string imagePath = "sky.png";  // "" writes no image
    std::string dataDir;        // writable data folder
    bool json = false;
    std::string dayChartPath;   // "" writes no chart
    bool timelapse = false;
    CivilTime timelapseFrom, timelapseTo;
    double timelapseStepS = 0.0;
    std::string outDir;
    bool force = false;         // a timelapse may replace the frames already in outDir
    std::string panoramaPath;   // "" writes no panorama (.hdr or .exr)
    std::string cubeMapDir;     // "" writes no cube map
    std::string cubeMapFormat = "hdr";  // "hdr" or "exr"
    int mapSize = 1024;         // panorama height (width twice that) and cube face size, pixels
};

// Parses argv into options. Returns -1 to go on, or the exit code to leave with: 0 after --help,
// 2 after an invalid command line (the message, naming the option, is on standard error).
int parseOptions(int argc, char** argv, const std::string& defaultDataDir, Options& out);

}  // namespace skytool
