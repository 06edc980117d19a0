#pragma once
// The timelapse: one all-sky image per step, named by its index, each stamped with its place,
// date and time, with a progress bar on the standard error stream.
#include <string>
#include <vector>

#include "AllSkyRenderer.h"
#include "Options.h"

namespace skytool {

// Checks the frame folder before anything is written: it can be made or written, and it holds
// no sky-NNNN.png frames of an earlier run, unless o.force (they are then replaced, and the
// ones past the new run's end removed). False with the reason in error.
bool checkTimelapseFolder(const Options& o, std::string& error);

// Writes DIR/sky-0000.png ... ; returns the number written, or -1 with the reason in error.
int writeTimelapse(SkyScene& scene, AllSkyRenderer& renderer, const Options& o, std::string& error);

// The stamp of an image: place, then date and time in the offset the user gave.
std::vector<std::string> imageStamp(const Options& o, double unixSeconds);

}  // namespace skytool
