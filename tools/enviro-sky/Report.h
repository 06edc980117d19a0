#pragma once
// The report of one instant and place: as text for people and as JSON for programs. Both come
// from the same figures.
#include <string>

#include "AllSkyRenderer.h"
#include "Options.h"
#include "SkyScene.h"

namespace skytool {

std::string textReport(const Options& o, const SkySnapshot& s, const AllSkyLayout* layout);
std::string jsonReport(const Options& o, const SkySnapshot& s, const AllSkyLayout* layout);

// Stars of the catalogue above the horizon (the planets not counted).
int starsAboveHorizon(const SkySnapshot& s);

}  // namespace skytool
