#pragma once
// The day chart: sun and moon elevation against the local hour over one day, with the day's
// directional light and ambient colours (after applyLighting) as bands under the curves.
#include <string>

#include "Options.h"
#include "SkyScene.h"

namespace skytool {

// Samples the local day of o.time every 10 minutes and writes the chart; false with the reason
// in error when the file cannot be written.
bool writeDayChart(SkyScene& scene, const Options& o, const std::string& path, std::string& error);

}  // namespace skytool
