// The star catalogue: reading its text lines, spectral colours, the 60-byte cache records, and
// building and loading the cache.
#include "enviro/astro/StarCatalog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/RefPackageManager.h"
#include "tests/astro/AstroTestHost.h"

namespace {

using Astro::StarEntry;

constexpr double kDeg = 0.017453292519943295;  // radians per degree

// A line with the given number, magnitude and spectral type; position and motion fixed.
std::string starLine(int number, const char* magnitude, const char* spectral = "G2") {
    char line[128];
    std::snprintf(line, sizeof line, " %6d  %-9s %5s %2s 01 02 03.00  +04 05 06.0      0.1000     0.20", number, "", magnitude, spectral);
    return line;
}

std::vector<StarEntry> readAll(std::istream&& in) {
    std::vector<StarEntry> entries;
    for (StarEntry e{}; Astro::readStarEntry(in, e);) entries.push_back(e);
    return entries;
}

std::vector<StarEntry> loadAll(CPackageFile&& file) {
    std::vector<StarEntry> entries;
    for (StarEntry e{}; entries.size() < 100000 && Astro::loadStarEntry(&file, e);) entries.push_back(e);
    return entries;
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

refhost::RefPackageFile memoryFile(std::vector<unsigned char> bytes) { return {std::move(bytes), std::make_shared<int>(0)}; }

std::string tempPath(const std::string& name) { return testing::TempDir() + "enviro_starcat_" + std::to_string(getpid()) + name; }

const std::string kBundled = std::string(__FILE__).substr(0, std::string(__FILE__).rfind("/tests/astro/")) + "/data/PPM.dat";

bool sameEntry(const StarEntry& a, const StarEntry& b) {
    return a.nNumber == b.nNumber && a.dRA == b.dRA && a.dDec == b.dDec && a.dPmRA == b.dPmRA && a.dPmDec == b.dPmDec &&
           a.dMagnitude == b.dMagnitude && std::memcmp(a.vColor, b.vColor, sizeof a.vColor) == 0;
}

TEST(StarCatalog, ReadsThePublishedPlacesAndMotions) {
    // Degrees, and proper motions in seconds of time and arcseconds per century, as printed.
    const struct { std::string line; int number; double magnitude, raDeg, decDeg, pmRaSeconds, pmDecArcsec; } cases[] = {
        {astrotest::kSiriusLine, 1, -1.44, 101.287166667, -16.716111111, -3.8006, -122.31},
        {"     47  alp UMi    1.97 F7 02 31 49.09  +89 15 50.8     22.9432    -1.17    0.64     7.6  Polaris\r", 47, 1.97,
         37.954541667, 89.264111111, 22.9432, -1.17},  // a CRLF line end
        {"     74  del Ori    2.25 O9 05 32 00.40  -00 17 56.7      0.0113     0.06   -0.17     3.6  Mintaka", 74, 2.25,
         83.001666667, -0.299083333, 0.0113, 0.06},  // the minus sign survives 00 degrees
    };
    for (const auto& c : cases) {
        const std::vector<StarEntry> stars = readAll(std::istringstream(c.line));
        ASSERT_EQ(stars.size(), 1u) << c.number;
        const StarEntry& e = stars[0];
        EXPECT_TRUE(e.nNumber == c.number && e.dMagnitude == c.magnitude && std::fabs(e.dRA / kDeg - c.raDeg) < 1e-9 &&
                    std::fabs(e.dDec / kDeg - c.decDeg) < 1e-9 && std::fabs(e.dPmRA / kDeg * 3600 - c.pmRaSeconds * 15) < 1e-9 &&
                    std::fabs(e.dPmDec / kDeg * 3600 - c.pmDecArcsec) < 1e-9)
            << c.number << ": " << e.dRA / kDeg << " " << e.dDec / kDeg << " " << e.dPmRA / kDeg * 3600 << " " << e.dPmDec / kDeg * 3600;
    }
}

TEST(StarCatalog, DamagedLinesAreSkippedOrEndTheCatalogue) {
    const struct { std::string line; size_t starsAfter; } cases[] = {
        {"", 1}, {"   \t  ", 1},                              // empty and blank lines: skipped
        {"      5  alp Ori    0.45 M2 05 55", 1}, {"     12", 1},  // short: skipped
        {starLine(6, "x.xx"), 1}, {starLine(7, "nan"), 1}, {starLine(8, "1e999"), 1},  // bad magnitudes
        {starLine(9, "2.00") + std::string(300, ' ') + starLine(10, "2.00"), 2},      // over-long: the tail dropped
        {"garbage line", 0},                                   // no catalogue number: the end
    };
    for (const auto& c : cases) EXPECT_EQ(readAll(std::istringstream(c.line + "\n" + astrotest::kSiriusLine)).size(), c.starsAfter) << c.line;
    EXPECT_EQ(readAll(std::istringstream(astrotest::kSiriusLine + std::string(4'000'000, '9'))).size(), 1u);  // huge, no end
    std::istringstream failed(astrotest::kSiriusLine);
    failed.setstate(std::ios::failbit);
    EXPECT_TRUE(readAll(std::move(failed)).empty());
}

TEST(StarCatalog, ColoursFollowTheSpectralType) {
    // Blank is F0 (6000 K), a non-digit subclass counts as 0, an unknown class and M0 are 0 K.
    const struct { char letter, digit; int kelvin; } types[] = {{' ', ' ', 6000}, {'F', 'p', 6000}, {'W', '5', 0}, {'g', '2', 0}, {'M', '0', 0}};
    for (const auto& t : types) EXPECT_EQ(Astro::spectralTemperature(t.letter, t.digit), t.kelvin) << t.letter << t.digit;
    // Computed independently (double precision, the published CIE table); 1000 K is out of gamut
    // and 0 K, as for M0, an opaque red.
    const struct { double kelvin; float r, g, b; } colours[] = {
        {4250, 1.0f, 0.9705364f, 0.7910878f}, {25000, 0.6400606f, 0.7341056f, 0.9917321f}, {1000, 1.0f, 0.1738279f, -0.2537802f}, {0, 1, 0, 0}};
    for (const auto& c : colours) {
        float rgba[4];
        Astro::starColorFromTemperature(c.kelvin, rgba);
        EXPECT_TRUE(std::fabs(rgba[0] - c.r) < 2e-6 && std::fabs(rgba[1] - c.g) < 2e-6 && std::fabs(rgba[2] - c.b) < 2e-6 && rgba[3] == 1)
            << c.kelvin << ": " << rgba[0] << " " << rgba[1] << " " << rgba[2];
    }
}

TEST(StarCatalog, CacheOfTheBundledCatalogueLoadsAsParsed) {
    const std::string bin = tempPath("round.bin");
    // Both bounds inclusive: Sirius at -1.44 and 85 stars at 6.50 are the ends of the catalogue.
    ASSERT_EQ(Astro::buildStarsCatalogFile(kBundled.c_str(), bin.c_str(), -1.44f, 6.5f), 8874);
    const std::vector<StarEntry> loaded = loadAll(memoryFile(fileBytes(bin))), parsed = readAll(std::ifstream(kBundled));
    ASSERT_EQ(loaded.size(), 8874u);
    ASSERT_EQ(parsed.size(), 8874u);
    int zeroKelvin = 0;
    for (size_t i = 0; i < parsed.size(); ++i) {
        ASSERT_TRUE(sameEntry(loaded[i], parsed[i])) << i;
        ASSERT_EQ(parsed[i].nNumber, int(i + 1));
        zeroKelvin += parsed[i].vColor[0] == 1.0f && parsed[i].vColor[1] == 0.0f && parsed[i].vColor[2] == 0.0f;
    }
    EXPECT_EQ(zeroKelvin, 124);  // the catalogue's 100 "M0" and 24 "M " stars
    // Betelgeuse, number 10: 05 55 10.31 +07 24 25.4, V 0.45.
    EXPECT_NEAR(parsed[9].dRA / kDeg, 88.792958333, 1e-9);
    EXPECT_NEAR(parsed[9].dDec / kDeg, 7.407055556, 1e-9);
    std::remove(bin.c_str());
}

// A broken host file: 120 bytes long, but reading never moves it; it reads nothing, or claims to
// have read all it was asked.
class StuckFile : public CPackageFile {
public:
    explicit StuckFile(bool claims) : m_claims(claims) {}
    long tell() override { return m_pos; }
    int seek(long offset, int origin) override { return m_pos = origin == 2 ? 120 + offset : offset, 0; }
    size_t read(void*, size_t count, int) override { return m_claims ? count : 0; }
    bool m_claims;
    long m_pos = 0;
};

TEST(StarCatalog, CacheRecordsAndBadCaches) {
    // 60-byte little-endian records, read back as written.
    StarEntry e{0x01020304, -2.0, 0.5, 0.0, 1.5, 1.0, {1.0f, 0, 0, -2.0f}};
    unsigned char record[Astro::kStarRecordBytes];
    std::memset(record, 0xAB, sizeof record);
    Astro::encodeStarRecord(e, record);
    // number, magnitude 3FF0.., RA C000.., Dec 3FE0.., pmRA, pmDec 3FF8.., colour 3F800000 .. C0000000
    const struct { int at; unsigned char value; } cases[] = {
        {0, 4}, {3, 1}, {4, 0}, {11, 0x3F}, {10, 0xF0}, {19, 0xC0}, {27, 0x3F}, {26, 0xE0}, {35, 0}, {42, 0xF8}, {47, 0x3F}, {46, 0x80}, {59, 0xC0}};
    for (const auto& c : cases) EXPECT_EQ(record[c.at], c.value) << c.at;
    StarEntry back{};
    Astro::decodeStarRecord(record, back);
    EXPECT_TRUE(sameEntry(back, e));
    // A partial last record is completed with zeros; bytes 20..27 (the declination) are whole.
    StarEntry full{0x11223344, -3.3, -3.3, -3.3, -3.3, -3.3, {0.7f, 0.7f, 0.7f, 0.7f}};
    std::vector<unsigned char> bytes(3 * Astro::kStarRecordBytes);
    for (int i = 0; i < 3; ++i) Astro::encodeStarRecord(full, bytes.data() + i * Astro::kStarRecordBytes);
    bytes.resize(2 * Astro::kStarRecordBytes + 30);
    const std::vector<StarEntry> loaded = loadAll(memoryFile(bytes));
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_TRUE(loaded[2].dDec == -3.3 && loaded[2].dPmDec == 0.0 && loaded[2].vColor[3] == 0.0f);
    StuckFile silent(false), lying(true);
    EXPECT_FALSE(Astro::loadStarEntry(nullptr, back) || Astro::loadStarEntry(&silent, back) || Astro::loadStarEntry(&lying, back));
    // A missing text catalogue gives an empty cache; a cache that cannot be created, or no names, -1.
    const std::string bin = tempPath("missing.bin");
    EXPECT_EQ(Astro::buildStarsCatalogFile(tempPath("no-such-catalogue.txt").c_str(), bin.c_str(), -2, 7), 0);
    EXPECT_TRUE(fileBytes(bin).empty());
    EXPECT_EQ(Astro::buildStarsCatalogFile(kBundled.c_str(), "/nonexistent-dir/PPMbin.dat", -2, 7), -1);
    EXPECT_EQ(Astro::buildStarsCatalogFile(nullptr, bin.c_str(), -2, 7) + Astro::buildStarsCatalogFile(kBundled.c_str(), nullptr, -2, 7), -2);
    EXPECT_FALSE(Astro::writeStarEntry(e, nullptr));
    std::remove(bin.c_str());
}

}  // namespace
