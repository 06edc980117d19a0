// Star catalogue: text reader, spectral colours, 60-byte cache records, cache build and load.
#include "enviro/astro/StarCatalog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Astro::StarEntry;

constexpr double kDeg = 0.017453292519943295;  // radians per degree

// Lines of the catalogue format (from the bundled catalogue).
const char* const kSirius =
    "      1  alp CMa   -1.44 A0 06 45 08.92  -16 42 58.0     -3.8006  -122.31    0.01   379.2  Sirius";
const char* const kArcturus =
    "      3  alp Boo   -0.05 K2 14 15 39.67  +19 10 56.7     -7.7186  -199.94    1.24    88.8  Arcturus";
const char* const kPolaris =
    "     47  alp UMi    1.97 F7 02 31 49.09  +89 15 50.8     22.9432    -1.17    0.64     7.6  Polaris";
const char* const kMintaka =
    "     74  del Ori    2.25 O9 05 32 00.40  -00 17 56.7      0.0113     0.06   -0.17     3.6  Mintaka";

// A line with the given number, magnitude and spectral type; position and motion fixed.
std::string starLine(int number, const char* magnitude, const char* spectral = "G2") {
    char line[128];
    std::snprintf(line, sizeof line, " %6d  %-9s %5s %2s 01 02 03.00  +04 05 06.0      0.1000     0.20", number,
                  "", magnitude, spectral);
    return line;
}

std::vector<StarEntry> readAll(std::istream& in) {
    std::vector<StarEntry> entries;
    StarEntry e{};
    while (Astro::readStarEntry(in, e)) entries.push_back(e);
    return entries;
}

std::vector<StarEntry> readAll(const std::string& text) {
    std::istringstream in(text);
    return readAll(in);
}

// A packaged file over bytes in memory, as a host's package manager would serve it.
class MemoryPackageFile : public CPackageFile {
public:
    explicit MemoryPackageFile(std::vector<unsigned char> bytes) : m_bytes(std::move(bytes)) {}
    long tell() override { return m_pos; }
    int seek(long offset, int origin) override {
        long base = origin == 0 ? 0 : origin == 1 ? m_pos : static_cast<long>(m_bytes.size());
        if (base + offset < 0) return -1;
        m_pos = base + offset;
        return 0;
    }
    size_t read(void* dst, size_t count, int) override {
        long size = static_cast<long>(m_bytes.size());
        size_t left = m_pos < size ? static_cast<size_t>(size - m_pos) : 0;
        size_t n = count < left ? count : left;
        if (n) std::memcpy(dst, m_bytes.data() + m_pos, n);
        m_pos += static_cast<long>(n);
        return n;
    }

private:
    std::vector<unsigned char> m_bytes;
    long m_pos = 0;
};

// A broken host file: claims a size but never moves; its read delivers nothing, or claims to
// deliver what was asked without doing so.
class StuckPackageFile : public CPackageFile {
public:
    explicit StuckPackageFile(bool claimsBytes) : m_bClaimsBytes(claimsBytes) {}
    long tell() override { return m_pos; }
    int seek(long offset, int origin) override {
        m_pos = origin == 2 ? 120 + offset : offset;
        return 0;
    }
    size_t read(void*, size_t count, int) override { return m_bClaimsBytes ? count : 0; }

private:
    bool m_bClaimsBytes;
    long m_pos = 0;
};

std::vector<StarEntry> loadAll(CPackageFile& file) {
    std::vector<StarEntry> entries;
    StarEntry e{};
    while (Astro::loadStarEntry(&file, e) && entries.size() < 10'000'000) entries.push_back(e);
    return entries;
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "enviro_starcat_" + std::to_string(getpid()) + "_" + name;
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// The bundled catalogue, data/PPM.dat of the source tree.
std::string bundledCatalogue() {
    std::string source = __FILE__;
    std::string path = source.substr(0, source.rfind("/tests/astro/")) + "/data/PPM.dat";
    return std::ifstream(path).good() ? path : "";
}

void expectSameEntry(const StarEntry& a, const StarEntry& b) {
    EXPECT_EQ(a.nNumber, b.nNumber);
    EXPECT_EQ(a.dRA, b.dRA);
    EXPECT_EQ(a.dDec, b.dDec);
    EXPECT_EQ(a.dPmRA, b.dPmRA);
    EXPECT_EQ(a.dPmDec, b.dPmDec);
    EXPECT_EQ(a.dMagnitude, b.dMagnitude);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a.vColor[i], b.vColor[i]) << "channel " << i;
}

TEST(StarCatalog, SpectralTemperatures) {
    EXPECT_EQ(Astro::spectralTemperature('M', '0'), 0);
    EXPECT_EQ(Astro::spectralTemperature('K', '5'), 4250);
    EXPECT_EQ(Astro::spectralTemperature('G', '2'), 5200);
    EXPECT_EQ(Astro::spectralTemperature(' ', ' '), 6000);  // blank is F0
    EXPECT_EQ(Astro::spectralTemperature(' ', '4'), 6600);
    EXPECT_EQ(Astro::spectralTemperature('G', ' '), 5000);
    EXPECT_EQ(Astro::spectralTemperature('O', '9'), 47500);
    EXPECT_EQ(Astro::spectralTemperature('B', '3'), 15200);
    EXPECT_EQ(Astro::spectralTemperature('A', '7'), 9950);
    EXPECT_EQ(Astro::spectralTemperature('M', '9'), 3150);
    EXPECT_EQ(Astro::spectralTemperature('F', 'p'), 6000);  // non-digit subclass counts as 0
    EXPECT_EQ(Astro::spectralTemperature('W', '5'), 0);     // unknown class
    EXPECT_EQ(Astro::spectralTemperature('g', '2'), 0);
}

TEST(StarCatalog, ColourFromTemperature) {
    // Reference values computed independently (double precision, the published CIE table).
    struct Case {
        double t;
        float r, g, b;
    } cases[] = {{4250, 1.0f, 0.9705364f, 0.7910878f},
                 {5200, 1.0f, 0.9841675f, 0.9061561f},
                 {25000, 0.6400606f, 0.7341056f, 0.9917321f},
                 {1000, 1.0f, 0.1738279f, -0.2537802f}};  // out of gamut: blue keeps its sign
    for (const Case& c : cases) {
        float rgba[4];
        Astro::starColorFromTemperature(c.t, rgba);
        EXPECT_NEAR(rgba[0], c.r, 2e-6) << c.t;
        EXPECT_NEAR(rgba[1], c.g, 2e-6) << c.t;
        EXPECT_NEAR(rgba[2], c.b, 2e-6) << c.t;
        EXPECT_EQ(rgba[3], 1.0f);
    }
    // Degenerate temperatures stay finite: M0 (0 K) and the like give opaque red.
    for (double t : {0.0, -100.0, 1e-300, 10.0, std::nan(""), HUGE_VAL, 30.0, 1e12}) {
        float rgba[4] = {-9, -9, -9, -9};
        Astro::starColorFromTemperature(t, rgba);
        for (float c : rgba) {
            EXPECT_TRUE(std::isfinite(c)) << t;
            EXPECT_LE(c, 1.0f) << t;
        }
        EXPECT_EQ(rgba[3], 1.0f);
    }
    float red[4];
    Astro::starColorFromTemperature(0.0, red);
    EXPECT_EQ(red[0], 1.0f);
    EXPECT_EQ(red[1], 0.0f);
    EXPECT_EQ(red[2], 0.0f);
    // Hotter is bluer: the blue/red ratio rises through the classes.
    double previous = 0.0;
    for (double t = 2000; t <= 40000; t += 1000) {
        float rgba[4];
        Astro::starColorFromTemperature(t, rgba);
        double ratio = rgba[2] / rgba[0];
        EXPECT_GT(ratio, previous) << t;
        previous = ratio;
    }
}

TEST(StarCatalog, ReadsKnownStars) {
    std::vector<StarEntry> stars =
        readAll(std::string(kSirius) + "\n" + kArcturus + "\n" + kPolaris + "\n" + kMintaka + "\n");
    ASSERT_EQ(stars.size(), 4u);
    const StarEntry& sirius = stars[0];
    EXPECT_EQ(sirius.nNumber, 1);
    EXPECT_DOUBLE_EQ(sirius.dMagnitude, -1.44);
    EXPECT_NEAR(sirius.dRA, (6 + 45 / 60.0 + 8.92 / 3600.0) * 15 * kDeg, 1e-15);  // 101.28717 deg
    EXPECT_NEAR(sirius.dDec, -(16 + 42 / 60.0 + 58.0 / 3600.0) * kDeg, 1e-15);
    EXPECT_NEAR(sirius.dPmRA, -3.8006 * 15 / 3600 * kDeg, 1e-18);
    EXPECT_NEAR(sirius.dPmDec, -122.31 / 3600 * kDeg, 1e-18);
    float a0[4];
    Astro::starColorFromTemperature(7500, a0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(sirius.vColor[i], a0[i]);

    // Arcturus: -7.7186 s/cy, -199.94"/cy.
    EXPECT_NEAR(stars[1].dPmRA, -7.7186 * 15.0 / 3600.0 * kDeg, 1e-18);
    EXPECT_NEAR(stars[1].dPmDec, -199.94 / 3600.0 * kDeg, 1e-18);
    // Polaris: 02 31 49.09, +89 15 50.8.
    EXPECT_EQ(stars[2].nNumber, 47);
    EXPECT_NEAR(stars[2].dRA / kDeg, 37.954541667, 1e-9);
    EXPECT_NEAR(stars[2].dDec / kDeg, 89.264111111, 1e-9);
    // Mintaka: the minus sign survives 00 degrees.
    EXPECT_NEAR(stars[3].dDec / kDeg, -0.299083333, 1e-9);
    EXPECT_NEAR(stars[3].dRA / kDeg, 83.001666667, 1e-9);
}

TEST(StarCatalog, ReadColourFollowsTheSpectralType) {
    for (char letter : std::string("OBAFGKM gX")) {
        for (char digit : std::string("0123456789 p")) {
            const char spectral[3] = {letter, digit, 0};
            std::vector<StarEntry> stars = readAll(starLine(1, "2.00", spectral));
            ASSERT_EQ(stars.size(), 1u) << spectral;
            float expected[4];
            Astro::starColorFromTemperature(Astro::spectralTemperature(letter, digit), expected);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(stars[0].vColor[i], expected[i]) << "'" << spectral << "'";
        }
    }
}

TEST(StarCatalog, BadLinesAreSkippedOrEndTheCatalogue) {
    std::string longTail(300, ' ');
    std::string text;
    text += std::string(kSirius) + "\n";
    text += "\n";                                      // empty: skipped
    text += "   \t  \n";                              // blank: skipped
    text += "      5  alp Ori    0.45 M2 05 55\n";     // short: skipped
    text += "     12\n";                              // number only: skipped
    text += starLine(6, "x.xx") + "\n";               // non-numeric magnitude: skipped
    text += starLine(7, "nan") + "\n";                // not a number: skipped
    text += starLine(8, "1e999") + "\n";              // out of range: skipped
    text += std::string(kArcturus) + longTail + kPolaris + "\n";  // over-long: tail discarded
    text += std::string(kPolaris) + "\r\n";           // CRLF line end
    text += "garbage line\n";                         // no catalogue number: the end
    text += std::string(kMintaka) + "\n";
    std::vector<StarEntry> stars = readAll(text);
    ASSERT_EQ(stars.size(), 3u);
    EXPECT_EQ(stars[0].nNumber, 1);
    EXPECT_EQ(stars[1].nNumber, 3);
    EXPECT_EQ(stars[2].nNumber, 47);

    // Last line without a line end; a failed stream reads nothing.
    EXPECT_EQ(readAll(std::string(kSirius) + "\n" + kMintaka).size(), 2u);
    std::istringstream failed(kSirius);
    failed.setstate(std::ios::failbit);
    StarEntry e{};
    e.nNumber = -7;
    EXPECT_FALSE(Astro::readStarEntry(failed, e));
    EXPECT_EQ(e.nNumber, -7);

    // A huge line without an end is consumed without hanging, and holds no star.
    EXPECT_EQ(readAll(std::string(kSirius) + "\n" + std::string(4'000'000, '9')).size(), 1u);
    EXPECT_TRUE(readAll("").empty());
}

TEST(StarCatalog, BundledCatalogueParses) {
    std::string path = bundledCatalogue();
    ASSERT_FALSE(path.empty()) << "data/PPM.dat not found";
    std::ifstream in(path);
    std::vector<StarEntry> stars = readAll(in);
    ASSERT_EQ(stars.size(), 8874u);
    int zeroKelvin = 0;
    for (size_t i = 0; i < stars.size(); ++i) {
        const StarEntry& s = stars[i];
        ASSERT_EQ(s.nNumber, static_cast<int>(i + 1));
        EXPECT_GE(s.dMagnitude, -1.44);
        EXPECT_LE(s.dMagnitude, 6.5);
        EXPECT_GE(s.dRA, 0.0);
        EXPECT_LT(s.dRA, 2 * M_PI);
        EXPECT_LE(std::fabs(s.dDec), M_PI / 2);
        for (float c : s.vColor) ASSERT_TRUE(std::isfinite(c) && c <= 1.0f) << s.nNumber;
        if (s.vColor[0] == 1.0f && s.vColor[1] == 0.0f && s.vColor[2] == 0.0f) ++zeroKelvin;
    }
    EXPECT_EQ(zeroKelvin, 124);  // the catalogue's 100 "M0" and 24 "M " stars
    // Betelgeuse, number 10: 05 55 10.31 +07 24 25.4, V 0.45.
    EXPECT_NEAR(stars[9].dRA / kDeg, 88.792958333, 1e-9);
    EXPECT_NEAR(stars[9].dDec / kDeg, 7.407055556, 1e-9);
    EXPECT_DOUBLE_EQ(stars[9].dMagnitude, 0.45);
}

TEST(StarCatalog, RecordLayoutIsLittleEndian) {
    StarEntry e{};
    e.nNumber = 0x01020304;
    e.dMagnitude = 1.0;   // 3FF0000000000000
    e.dRA = -2.0;         // C000000000000000
    e.dDec = 0.5;         // 3FE0000000000000
    e.dPmRA = 0.0;
    e.dPmDec = 1.5;       // 3FF8000000000000
    e.vColor[0] = 1.0f;   // 3F800000
    e.vColor[3] = -2.0f;  // C0000000
    unsigned char bytes[Astro::kStarRecordBytes];
    std::memset(bytes, 0xAB, sizeof bytes);
    Astro::encodeStarRecord(e, bytes);
    const unsigned char expectedHead[4] = {0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(std::memcmp(bytes, expectedHead, 4), 0);
    EXPECT_EQ(bytes[4 + 7], 0x3F);
    EXPECT_EQ(bytes[4 + 6], 0xF0);
    EXPECT_EQ(bytes[12 + 7], 0xC0);
    EXPECT_EQ(bytes[20 + 7], 0x3F);
    EXPECT_EQ(bytes[20 + 6], 0xE0);
    EXPECT_EQ(bytes[36 + 6], 0xF8);
    EXPECT_EQ(bytes[44 + 3], 0x3F);
    EXPECT_EQ(bytes[44 + 2], 0x80);
    EXPECT_EQ(bytes[56 + 3], 0xC0);
    for (int i : {4, 9, 12, 28, 35, 44, 48, 52, 56}) EXPECT_EQ(bytes[i], 0) << i;

    StarEntry back{};
    Astro::decodeStarRecord(bytes, back);
    expectSameEntry(back, e);
}

TEST(StarCatalog, CacheWrittenThenLoadedIsIdentical) {
    std::string bin = tempPath("round.bin");
    std::string catalogue = bundledCatalogue();
    ASSERT_FALSE(catalogue.empty());
    ASSERT_EQ(Astro::buildStarsCatalogFile(catalogue.c_str(), bin.c_str(), -2.0f, 6.5f), 8874);
    std::vector<unsigned char> bytes = fileBytes(bin);
    EXPECT_EQ(bytes.size(), 8874u * Astro::kStarRecordBytes);
    MemoryPackageFile file(bytes);
    std::vector<StarEntry> loaded = loadAll(file);
    std::ifstream in(catalogue);
    std::vector<StarEntry> parsed = readAll(in);
    ASSERT_EQ(loaded.size(), parsed.size());
    for (size_t i = 0; i < parsed.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameEntry(loaded[i], parsed[i]);
        if (HasFailure()) break;
    }
    std::remove(bin.c_str());
}

TEST(StarCatalog, MagnitudeBoundsAreInclusive) {
    std::string text = tempPath("bounds.txt"), bin = tempPath("bounds.bin");
    writeText(text, starLine(1, "-1.44") + "\n" + starLine(2, "0.00") + "\n" + starLine(3, "0.45") + "\n" +
                        starLine(4, "6.10") + "\n" + starLine(5, "6.11") + "\n" + starLine(6, "-1.45") + "\n");
    auto numbersKept = [&](float minMag, float maxMag) {
        std::vector<int> numbers;
        if (Astro::buildStarsCatalogFile(text.c_str(), bin.c_str(), minMag, maxMag) < 0) return numbers;
        MemoryPackageFile file(fileBytes(bin));
        for (const StarEntry& e : loadAll(file)) numbers.push_back(e.nNumber);
        return numbers;
    };
    EXPECT_EQ(numbersKept(-1.44f, 6.1f), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(numbersKept(0.0f, 0.0f), (std::vector<int>{2}));  // the defaults: exactly 0.0 only
    EXPECT_EQ(numbersKept(0.45f, 0.45f), (std::vector<int>{3}));
    EXPECT_TRUE(numbersKept(7.0f, 1.0f).empty());
    EXPECT_EQ(Astro::buildStarsCatalogFile(text.c_str(), bin.c_str(), -10.0f, 10.0f), 6);
    std::remove(text.c_str());
    std::remove(bin.c_str());
}

TEST(StarCatalog, BuildFailures) {
    std::string bin = tempPath("missing.bin");
    // Missing text: an empty cache, no stars.
    EXPECT_EQ(Astro::buildStarsCatalogFile(tempPath("no-such-catalogue.txt").c_str(), bin.c_str(), -2, 7), 0);
    std::ifstream cache(bin, std::ios::binary | std::ios::ate);
    ASSERT_TRUE(cache.good());
    EXPECT_EQ(cache.tellg(), 0);
    MemoryPackageFile empty(fileBytes(bin));
    StarEntry e{};
    EXPECT_FALSE(Astro::loadStarEntry(&empty, e));
    std::remove(bin.c_str());
    // A cache that cannot be created.
    std::string catalogue = bundledCatalogue();
    EXPECT_EQ(Astro::buildStarsCatalogFile(catalogue.c_str(), "/nonexistent-dir/PPMbin.dat", -2, 7), -1);
    EXPECT_EQ(Astro::buildStarsCatalogFile(nullptr, bin.c_str(), -2, 7), -1);
    EXPECT_EQ(Astro::buildStarsCatalogFile(catalogue.c_str(), nullptr, -2, 7), -1);
    EXPECT_FALSE(Astro::writeStarEntry(e, nullptr));
}

TEST(StarCatalog, PartialLastRecordIsZeroFilled) {
    // Two full records with no zero byte, then the first 30 bytes of a third.
    StarEntry full{};
    full.nNumber = 0x11223344;
    full.dMagnitude = full.dRA = full.dDec = full.dPmRA = full.dPmDec = -3.3;
    for (float& c : full.vColor) c = 0.7f;
    std::vector<unsigned char> bytes(2 * Astro::kStarRecordBytes + 30);
    Astro::encodeStarRecord(full, bytes.data());
    Astro::encodeStarRecord(full, bytes.data() + Astro::kStarRecordBytes);
    unsigned char third[Astro::kStarRecordBytes] = {};
    StarEntry partial = full;
    partial.nNumber = 99;
    Astro::encodeStarRecord(partial, third);
    std::memcpy(bytes.data() + 2 * Astro::kStarRecordBytes, third, 30);

    MemoryPackageFile file(bytes);
    std::vector<StarEntry> loaded = loadAll(file);
    ASSERT_EQ(loaded.size(), 3u);
    expectSameEntry(loaded[1], full);
    std::memset(third + 30, 0, sizeof third - 30);  // what the loader must have completed
    StarEntry expected{};
    Astro::decodeStarRecord(third, expected);
    expectSameEntry(loaded[2], expected);
    EXPECT_EQ(loaded[2].dDec, -3.3);  // bytes 20..27 are whole
    EXPECT_EQ(loaded[2].vColor[3], 0.0f);

    // A null file, a file past its end, and files that never move.
    StarEntry e{};
    EXPECT_FALSE(Astro::loadStarEntry(nullptr, e));
    MemoryPackageFile past(bytes);
    past.seek(10, 2);
    EXPECT_FALSE(Astro::loadStarEntry(&past, e));
    StuckPackageFile silent(false), lying(true);
    EXPECT_FALSE(Astro::loadStarEntry(&silent, e));
    EXPECT_FALSE(Astro::loadStarEntry(&lying, e));
}

}  // namespace
