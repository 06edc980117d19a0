#include "CatalogueCheck.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "OutputFile.h"
#include "enviro/astro/StarCatalog.h"

namespace skytool {

namespace fs = std::filesystem;

namespace {

const char* const kText = "PPM.dat";
const char* const kCache = "PPMbin.dat";
constexpr size_t kLinesNamed = 10;  // skipped line numbers kept for the message
constexpr double kTwoPi = 6.283185307179586, kHalfPi = 1.5707963267948966;

// A record the module can place: finite, on the sphere, a magnitude a star can have.
bool plausible(const Astro::StarEntry& e) {
    const bool finite = std::isfinite(e.dRA) && std::isfinite(e.dDec) && std::isfinite(e.dPmRA) &&
                        std::isfinite(e.dPmDec) && std::isfinite(e.dMagnitude);
    if (!finite || e.dRA < 0.0 || e.dRA >= kTwoPi || std::fabs(e.dDec) > kHalfPi) return false;
    if (e.dMagnitude < -30.0 || e.dMagnitude > 30.0 || std::fabs(e.dPmRA) > 1.0 || std::fabs(e.dPmDec) > 1.0)
        return false;
    for (float c : e.vColor)
        if (!std::isfinite(c)) return false;
    return true;
}

// The cache's catalogue numbers, or the count of implausible records (a cut-off last record
// counts as one).
int readCache(const std::string& bytes, std::vector<int>& numbers) {
    int bad = bytes.size() % Astro::kStarRecordBytes ? 1 : 0;
    numbers.clear();
    for (size_t at = 0; at + Astro::kStarRecordBytes <= bytes.size(); at += Astro::kStarRecordBytes) {
        Astro::StarEntry e;
        Astro::decodeStarRecord(reinterpret_cast<const unsigned char*>(bytes.data() + at), e);
        if (!plausible(e)) ++bad;
        numbers.push_back(e.nNumber);
    }
    return bad;
}

std::string readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The proper name of a catalogue line: whatever follows the 89 columns of the fields, trimmed.
std::string nameOf(const std::string& line) {
    constexpr size_t kFieldColumns = 89;
    if (line.size() <= kFieldColumns) return "";
    const size_t first = line.find_first_not_of(" \t", kFieldColumns);
    const size_t last = line.find_last_not_of(" \t\r");
    return first == std::string::npos || last < first ? "" : line.substr(first, last - first + 1);
}

// Rebuilds the cache from the text catalogue, one line at a time, skipping damaged lines.
bool rebuild(float minMagnitude, float maxMagnitude, CatalogueStatus& s, std::string& error) {
    std::ifstream in(kText);
    std::string out, line;
    s.numbers.clear();
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::istringstream one(line);
        Astro::StarEntry e;
        if (!Astro::readStarEntry(one, e) || !plausible(e)) {
            if (s.skippedLineNumbers.size() < kLinesNamed) s.skippedLineNumbers.push_back(number);
            ++s.skippedLines;
            continue;
        }
        const float magnitude = static_cast<float>(e.dMagnitude);
        if (magnitude < minMagnitude || magnitude > maxMagnitude) continue;
        unsigned char record[Astro::kStarRecordBytes];
        Astro::encodeStarRecord(e, record);
        out.append(reinterpret_cast<const char*>(record), sizeof record);
        s.numbers.push_back(e.nNumber);
    }
    if (!writeFileAtomically(kCache, out.data(), out.size(), error)) {
        error = "the star cache cannot be written: " + error;
        return false;
    }
    return true;
}

void readNames(CatalogueStatus& s) {
    std::ifstream in(kText);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream one(line);
        int number = 0;
        if (!(one >> number)) continue;
        const std::string name = nameOf(line);
        if (!name.empty()) s.names[number] = name;
    }
}

}  // namespace

bool checkCatalogue(float minMagnitude, float maxMagnitude, CatalogueStatus& s, std::string& error) {
    std::error_code ec;
    const bool haveText = fs::is_regular_file(kText, ec);
    const bool haveCache = fs::is_regular_file(kCache, ec);
    if (!haveText && !haveCache) {
        error = "the star catalogue \"PPM.dat\" is missing (and there is no star cache \"PPMbin.dat\")";
        return false;
    }
    if (haveCache) {
        const int bad = readCache(readAll(kCache), s.numbers);
        if (bad > 0)
            s.rebuiltBecause = "the star cache \"PPMbin.dat\" was damaged (" + std::to_string(bad) + " of " +
                               std::to_string(s.numbers.size()) + " records unusable)";
        else if (haveText && fs::last_write_time(kText, ec) > fs::last_write_time(kCache, ec))
            s.rebuiltBecause = "the star cache \"PPMbin.dat\" was older than \"PPM.dat\"";
    } else {
        s.rebuiltBecause = "there was no star cache \"PPMbin.dat\"";
        s.cacheWasMissing = true;
    }
    if (!s.rebuiltBecause.empty()) {
        if (!haveText) {
            error = s.rebuiltBecause + " and there is no \"PPM.dat\" to rebuild it from";
            return false;
        }
        if (!rebuild(minMagnitude, maxMagnitude, s, error)) return false;
    }
    if (haveText) readNames(s);
    s.stars = static_cast<int>(s.numbers.size());
    return true;
}

}  // namespace skytool
