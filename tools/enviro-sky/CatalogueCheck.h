#pragma once
// The star catalogue of the data folder, checked before the module reads it. The module builds
// its binary cache from the text catalogue only when the cache is missing, stops at the first
// line it cannot number and trusts every cache record. So the program keeps the cache in order
// itself: it rebuilds it (skipping and counting damaged lines) when it is missing, older than the
// text catalogue beside it, or damaged, and it names the stars from the text catalogue.
#include <map>
#include <string>
#include <vector>

namespace skytool {

struct CatalogueStatus {
    int stars = 0;                // records in the cache the module loads
    int skippedLines = 0;         // damaged lines of the text catalogue left out of a rebuild
    std::vector<int> skippedLineNumbers;  // the first few of them (1-based)
    std::string rebuiltBecause;   // "" when the cache was used as it was
    bool cacheWasMissing = false; // the rebuild was the first start's
    std::vector<int> numbers;     // catalogue number of each cache record, in load order
    std::map<int, std::string> names;  // proper names from the text catalogue, by number
};

// Checks "PPMbin.dat" against "PPM.dat" in the working directory and rebuilds it when needed,
// keeping the magnitudes minMagnitude..maxMagnitude. False with the reason in error when there
// is no usable catalogue or the cache cannot be written.
bool checkCatalogue(float minMagnitude, float maxMagnitude, CatalogueStatus& status, std::string& error);

}  // namespace skytool
