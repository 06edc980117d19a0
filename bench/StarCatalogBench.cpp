// Star catalogue: building the binary cache from the text catalogue, and loading the cache back
// record by record through a packaged file, for a generated catalogue of 500 000 stars. The load
// is measured twice: through a stdio-backed file (the loader's position/size check seeks on every
// record, which a stdio host pays for) and from memory (the loader's own cost).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "enviro/astro/StarCatalog.h"

namespace {

constexpr int kStars = 500000;

std::string benchPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/enviro_starbench_" + std::to_string(getpid()) + "_" + name;
}

// Writes kStars lines in the catalogue's column layout with random positions, motions,
// magnitudes and spectral types.
const std::string& syntheticCatalogue() {
    static const std::string path = [] {
        std::string p = benchPath("PPM.dat");
        std::FILE* f = std::fopen(p.c_str(), "w");
        if (!f) return p;
        std::mt19937 rng(12345);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const char* classes = "OBAFGKM ";
        for (int n = 1; n <= kStars; ++n) {
            double magnitude = -1.5 + 10.0 * unit(rng);
            int raSeconds100 = static_cast<int>(unit(rng) * 86400.0 * 100.0);
            int decSeconds10 = static_cast<int>(unit(rng) * 90.0 * 36000.0);
            char sign = unit(rng) < 0.5 ? '-' : '+';
            std::fprintf(f, " %6d  %-9s %5.2f %c%c %02d %02d %05.2f  %c%02d %02d %04.1f  %10.4f %8.2f %7.2f %7.1f\n",
                         n, "", magnitude, classes[rng() % 8], static_cast<char>('0' + rng() % 10),
                         raSeconds100 / 360000, raSeconds100 / 6000 % 60, (raSeconds100 % 6000) / 100.0, sign,
                         decSeconds10 / 36000, decSeconds10 / 600 % 60, (decSeconds10 % 600) / 10.0,
                         (unit(rng) - 0.5) * 20.0, (unit(rng) - 0.5) * 400.0, unit(rng) * 2.0, unit(rng) * 100.0);
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

// A packaged file read from disk through stdio, as a host's package manager may serve it.
class StdioPackageFile : public CPackageFile {
public:
    explicit StdioPackageFile(const char* path) : m_pFile(std::fopen(path, "rb")) {}
    ~StdioPackageFile() override {
        if (m_pFile) std::fclose(m_pFile);
    }
    bool isOpen() const { return m_pFile != nullptr; }
    long tell() override { return std::ftell(m_pFile); }
    int seek(long offset, int origin) override {
        return std::fseek(m_pFile, offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
    }
    size_t read(void* dst, size_t count, int) override { return std::fread(dst, 1, count, m_pFile); }

private:
    std::FILE* m_pFile;
};

// A packaged file held in memory: the loader's own cost, without the host's file access.
class MemoryPackageFile : public CPackageFile {
public:
    explicit MemoryPackageFile(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}
    long tell() override { return m_pos; }
    int seek(long offset, int origin) override {
        m_pos = (origin == 0 ? 0 : origin == 1 ? m_pos : static_cast<long>(m_bytes.size())) + offset;
        return 0;
    }
    size_t read(void* dst, size_t count, int) override {
        size_t left = m_pos < static_cast<long>(m_bytes.size()) ? m_bytes.size() - static_cast<size_t>(m_pos) : 0;
        size_t n = count < left ? count : left;
        std::memcpy(dst, m_bytes.data() + m_pos, n);
        m_pos += static_cast<long>(n);
        return n;
    }

private:
    const std::vector<unsigned char>& m_bytes;
    long m_pos = 0;
};

// Loads every record of the file; returns the count.
int loadAll(CPackageFile& file) {
    Astro::StarEntry entry{};
    int loaded = 0;
    double sum = 0.0;
    while (Astro::loadStarEntry(&file, entry)) {
        sum += entry.dMagnitude;
        ++loaded;
    }
    benchmark::DoNotOptimize(sum);
    return loaded;
}

void setPerStar(benchmark::State& state, int stars) {
    state.counters["stars"] = stars;
    state.counters["time_per_star"] = benchmark::Counter(static_cast<double>(kStars) * state.iterations(),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

bool buildCache(const std::string& bin) {
    return Astro::buildStarsCatalogFile(syntheticCatalogue().c_str(), bin.c_str(), -2.0f, 99.0f) == kStars;
}

void BM_BuildCache(benchmark::State& state) {
    const std::string& text = syntheticCatalogue();
    const std::string bin = benchPath("PPMbin.dat");
    int written = 0;
    for (auto _ : state) {
        written = Astro::buildStarsCatalogFile(text.c_str(), bin.c_str(), -2.0f, 99.0f);
    }
    if (written != kStars) state.SkipWithError("the cache does not hold every star");
    setPerStar(state, written);
}
BENCHMARK(BM_BuildCache)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadCacheFromFile(benchmark::State& state) {
    const std::string bin = benchPath("PPMbin.dat");
    if (!buildCache(bin)) {
        state.SkipWithError("could not build the cache");
        return;
    }
    int loaded = 0;
    for (auto _ : state) {
        StdioPackageFile file(bin.c_str());
        loaded = loadAll(file);
    }
    if (loaded != kStars) state.SkipWithError("not every star was loaded");
    setPerStar(state, loaded);
}
BENCHMARK(BM_LoadCacheFromFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadCacheFromMemory(benchmark::State& state) {
    const std::string bin = benchPath("PPMbin.dat");
    if (!buildCache(bin)) {
        state.SkipWithError("could not build the cache");
        return;
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(kStars) * Astro::kStarRecordBytes);
    std::FILE* f = std::fopen(bin.c_str(), "rb");
    size_t got = f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
    if (f) std::fclose(f);
    if (got != bytes.size()) {
        state.SkipWithError("could not read the cache");
        return;
    }
    int loaded = 0;
    for (auto _ : state) {
        MemoryPackageFile file(bytes);
        loaded = loadAll(file);
    }
    if (loaded != kStars) state.SkipWithError("not every star was loaded");
    setPerStar(state, loaded);
}
BENCHMARK(BM_LoadCacheFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// Removes the generated files when the program ends.
struct Cleanup {
    ~Cleanup() {
        std::remove(benchPath("PPM.dat").c_str());
        std::remove(benchPath("PPMbin.dat").c_str());
    }
} g_cleanup;

}  // namespace

BENCHMARK_MAIN();
