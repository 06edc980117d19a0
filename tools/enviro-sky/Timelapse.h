#pragma once
// The timelapse: one all-sky image per step, named by its index, with a progress bar on the
// standard error stream.
#include <string>

#include "AllSkyRenderer.h"
#include "Options.h"

namespace skytool {

// Writes DIR/sky-0000.png ... ; returns the number written, or -1 with the reason in error.
int writeTimelapse(SkyScene& scene, AllSkyRenderer& renderer, const Options& o, std::string& error);

}  // namespace skytool
