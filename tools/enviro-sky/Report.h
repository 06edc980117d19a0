#pragma once
// The report of one instant and place: as text for people and as JSON for programs. Both come
// from the same figures.
#include <string>

#include "AllSkyRenderer.h"
#include "DayTimes.h"
#include "Options.h"
#include "SkyScene.h"

namespace skytool {

// What the report adds to the snapshot: the day's times, the moon in words, how the planets were
// placed and the catalogue the module read.
struct ReportContext {
    DayTimes day;
    MoonFacts moon;
    bool apparentPlanets = false;
    CatalogueStatus catalogue;
};

// Text times are the local clock time ("none" when the event does not happen that day); JSON
// times are ISO 8601 with the offset, or null.
std::string textReport(const Options& o, const SkySnapshot& s, const ReportContext& c, const AllSkyLayout* layout);
std::string jsonReport(const Options& o, const SkySnapshot& s, const ReportContext& c, const AllSkyLayout* layout);

// Stars of the catalogue above the horizon (the planets not counted).
int starsAboveHorizon(const SkySnapshot& s);

}  // namespace skytool
