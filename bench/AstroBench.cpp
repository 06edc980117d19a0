// Astronomy manager: the cost of one full sky rebuild for a new instant and place, side by side
// with ERFA computing the sun, the moon and the eight planets for an instant; and the cost per
// star of getStars, side by side with a bare loop over a flat array doing the same arithmetic
// per star, for the bundled catalogue and a generated catalogue of 500 000 stars. The ratios are
// printed after the runs (targets: rebuild / ERFA at most 0.25, getStars / bare loop at most 1.5).
//
// The bundled catalogue is data/PPM.dat of the source tree;
// ENVIRO_PPM names another file.
#include <benchmark/benchmark.h>
#include <erfa.h>
#include <erfam.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/StarCatalog.h"
#include "refhost/ReferenceHost.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGeneratedStars = 500000;
const char* const kConfig =
    "Lattidue = 48.25\nLongtidue = 11.5\nEquinox = 2000\nEpoch = 2000\n"
    "MinStarsMagnitude = -2\nMaxStarsMagnitude = 9\n";

fs::path bundledCatalogue() {
    if (const char* env = std::getenv("ENVIRO_PPM")) return env;
    const fs::path root = fs::path(__FILE__).parent_path().parent_path();
    return root / "data" / "PPM.dat";
}

// A scratch directory holding a configuration and (optionally) a catalogue, in which one manager
// is initialised. The reference host stays installed for the whole run.
class ScratchSky {
public:
    explicit ScratchSky(const char* tag) {
        m_dir = fs::temp_directory_path() / ("enviro_astrobench_" + std::to_string(getpid()) + "_" + tag);
        fs::create_directories(m_dir / "LuaScripts");
        std::ofstream(m_dir / "LuaScripts" / "Astro.cfg") << kConfig;
    }
    ~ScratchSky() {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    const fs::path& dir() const { return m_dir; }
    // Initialises the manager in this directory; false when Init fails.
    bool init(Astro::AstroManager& m) {
        const fs::path previous = fs::current_path();
        fs::current_path(m_dir);
        const bool ok = m.Init();
        fs::current_path(previous);
        return ok;
    }

private:
    fs::path m_dir;
};

refhost::ReferenceHost& host() {
    static refhost::ReferenceHost h("");
    if (!h.isInstalled()) h.install();
    return h;
}

// The manager with no stars: a rebuild is the horizon, sun, moon, phase, angle, planets, Milky Way.
Astro::AstroManager* planetsOnlySky() {
    static ScratchSky scratch("planets");
    static std::unique_ptr<Astro::AstroManager> m = [] {
        host();
        auto p = std::make_unique<Astro::AstroManager>();
        return scratch.init(*p) ? std::move(p) : nullptr;
    }();
    return m.get();
}

Astro::AstroManager* bundledSky() {
    static ScratchSky scratch("bundled");
    static std::unique_ptr<Astro::AstroManager> m = [] {
        host();
        std::error_code error;
        fs::copy_file(bundledCatalogue(), scratch.dir() / "PPM.dat", error);
        auto p = std::make_unique<Astro::AstroManager>();
        return !error && scratch.init(*p) ? std::move(p) : nullptr;
    }();
    return m.get();
}

// A cache of kGeneratedStars random records, written directly in the binary layout.
Astro::AstroManager* generatedSky() {
    static ScratchSky scratch("generated");
    static std::unique_ptr<Astro::AstroManager> m = [] {
        host();
        std::FILE* f = std::fopen((scratch.dir() / "PPMbin.dat").c_str(), "wb");
        if (!f) return std::unique_ptr<Astro::AstroManager>();
        std::mt19937 rng(2024);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int n = 0; n < kGeneratedStars; ++n) {
            Astro::StarEntry e{n, unit(rng) * 2 * ERFA_DPI, std::asin(2 * unit(rng) - 1), (unit(rng) - 0.5) * 1e-5,
                               (unit(rng) - 0.5) * 1e-5, -1.5 + 10 * unit(rng), {1.0f, 0.9f, 0.8f, 1.0f}};
            Astro::writeStarEntry(e, f);
        }
        std::fclose(f);
        auto p = std::make_unique<Astro::AstroManager>();
        return scratch.init(*p) ? std::move(p) : nullptr;
    }();
    return m.get();
}

// Local instant number k: a new hour and minute every time (the sidereal time always moves on).
void setInstant(Astro::AstroManager& m, int64_t k) {
    const int minutes = static_cast<int>(k % 500000) * 67;
    m.setDateTime(1950 + static_cast<int>(k % 150), 1 + minutes / 40320 % 12, 1 + minutes / 1440 % 28, minutes / 60 % 24,
                  minutes % 60, 0.0f);
}

void BM_SkyRebuild(benchmark::State& state) {
    Astro::AstroManager* m = planetsOnlySky();
    if (!m) return state.SkipWithError("manager did not initialise");
    int64_t k = 0;
    for (auto _ : state) {
        setInstant(*m, ++k);
        m->setPos(static_cast<double>(k % 7) * 1000.0, 0.0, static_cast<double>(k % 5) * -1000.0);
        benchmark::DoNotOptimize(m->getSunPos());
        benchmark::DoNotOptimize(m->getMoonPos());
        benchmark::DoNotOptimize(m->getMoonPhase());
        benchmark::DoNotOptimize(m->getMoonAngle());
        benchmark::DoNotOptimize(m->getStars()->data());  // the eight planets
        benchmark::DoNotOptimize(m->getMilkyPole());
        benchmark::DoNotOptimize(m->getMilkyCenter());
    }
}
BENCHMARK(BM_SkyRebuild);

void BM_ErfaSunMoonPlanets(benchmark::State& state) {
    double jd = 2433282.5;
    for (auto _ : state) {
        jd += 0.0465;
        double pvh[2][3], pvb[2][3], moon[2][3], planet[2][3];
        eraEpv00(jd, 0.0, pvh, pvb);
        eraMoon98(jd, 0.0, moon);
        for (int n = 1; n <= 8; ++n) eraPlan94(jd, 0.0, n, planet);
        benchmark::DoNotOptimize(pvh);
        benchmark::DoNotOptimize(moon);
        benchmark::DoNotOptimize(planet);
    }
}
BENCHMARK(BM_ErfaSunMoonPlanets);

void runGetStars(benchmark::State& state, Astro::AstroManager* m) {
    if (!m) return state.SkipWithError("manager did not initialise");
    int64_t k = 0;
    size_t count = 0;
    for (auto _ : state) {
        setInstant(*m, ++k);
        m->setPos(0.0, 0.0, 0.0);
        std::vector<Astro::STARDESC>* stars = m->getStars();
        count = stars->size();
        benchmark::DoNotOptimize(stars->data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
}

// The same arithmetic per star as getStars, over a flat array: proper motion, polar to Cartesian,
// the catalogue-to-date product, aberration, normalisation, the world-frame product.
struct FlatStar {
    double ra, dec, pmRa, pmDec, magnitude;
    float color[4];
};
struct FlatOut {
    float pos[3];
    float magnitude;
    float color[4];
};

void runBareLoop(benchmark::State& state, Astro::AstroManager* m) {
    if (!m) return state.SkipWithError("manager did not initialise");
    std::vector<Astro::STARDESC>* reference = m->getStars();
    const size_t n = reference->size();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<FlatStar> stars(n);
    for (FlatStar& s : stars)
        s = FlatStar{unit(rng) * 6.28, unit(rng) * 3 - 1.5, 1e-6, -1e-6, 5.0, {1, 1, 1, 1}};
    std::vector<FlatOut> out(n);
    double pn[3][3];
    eraPnm80(2458000.5, 0.0, pn);
    const double aberration[3] = {3e-5, -9e-5, -4e-5};
    const float horizon[9] = {0.3f, -0.5f, 0.8f, 0.6f, 0.7f, 0.2f, -0.7f, 0.4f, 0.5f};
    double dt = 0.1;
    for (auto _ : state) {
        dt += 1e-6;
        for (size_t i = 0; i < n; ++i) {
            const FlatStar& s = stars[i];
            const double ra = s.ra + s.pmRa * dt, dec = s.dec + s.pmDec * dt;
            const double cd = std::cos(dec), c[3] = {cd * std::cos(ra), cd * std::sin(ra), std::sin(dec)};
            double v[3];
            for (int r = 0; r < 3; ++r) v[r] = pn[r][0] * c[0] + pn[r][1] * c[1] + pn[r][2] * c[2] + aberration[r];
            const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            float u[3] = {static_cast<float>(v[0] / len), static_cast<float>(v[1] / len), static_cast<float>(v[2] / len)};
            const float ulen = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
            for (float& x : u) x /= ulen;
            FlatOut& o = out[i];
            for (int r = 0; r < 3; ++r) o.pos[r] = horizon[3 * r] * u[0] + horizon[3 * r + 1] * u[1] + horizon[3 * r + 2] * u[2];
            o.magnitude = static_cast<float>(s.magnitude);
            for (int j = 0; j < 4; ++j) o.color[j] = s.color[j];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

void BM_GetStarsBundled(benchmark::State& state) { runGetStars(state, bundledSky()); }
void BM_BareLoopBundled(benchmark::State& state) { runBareLoop(state, bundledSky()); }
void BM_GetStarsGenerated500k(benchmark::State& state) { runGetStars(state, generatedSky()); }
void BM_BareLoopGenerated500k(benchmark::State& state) { runBareLoop(state, generatedSky()); }
BENCHMARK(BM_GetStarsBundled)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareLoopBundled)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetStarsGenerated500k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLoopGenerated500k)->Unit(benchmark::kMillisecond);

// Console output, then the ratios of the pairs above: CPU nanoseconds per iteration or per star
// (the median when the runs are repeated; the machine may be shared, so CPU time is compared).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& r : reports) {
            const bool median = r.aggregate_name == "median";
            if (!median && !r.aggregate_name.empty()) continue;
            const std::string name = r.run_name.function_name;
            if (!median && m_fromMedian.count(name)) continue;
            const double cpuNs = r.GetAdjustedCPUTime() * nanosecondsPer(r.time_unit);
            const auto items = r.counters.find("items_per_second");
            const double count = items != r.counters.end() ? items->second.value * r.GetAdjustedCPUTime() /
                                                                 (1e9 / nanosecondsPer(r.time_unit))
                                                           : 1.0;
            m_nanoseconds[name] = count > 0 ? cpuNs / count : cpuNs;
            if (median) m_fromMedian.insert(name);
        }
    }
    void printRatios() const {
        ratio("sky rebuild / ERFA sun+moon+8 planets", "BM_SkyRebuild", "BM_ErfaSunMoonPlanets", 0.25);
        ratio("getStars / bare loop, bundled catalogue (per star)", "BM_GetStarsBundled", "BM_BareLoopBundled", 1.5);
        ratio("getStars / bare loop, 500 000 stars (per star)", "BM_GetStarsGenerated500k", "BM_BareLoopGenerated500k", 1.5);
    }

private:
    void ratio(const char* what, const char* a, const char* b, double target) const {
        const auto ia = m_nanoseconds.find(a), ib = m_nanoseconds.find(b);
        if (ia == m_nanoseconds.end() || ib == m_nanoseconds.end()) return;
        const double r = ia->second / ib->second;
        std::printf("%-52s %8.1f ns / %8.1f ns = %.3f (target <= %.2f) %s\n", what, ia->second, ib->second, r, target,
                    r <= target ? "ok" : "MISSED");
    }
    static double nanosecondsPer(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kSecond: return 1e9;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kMicrosecond: return 1e3;
            default: return 1.0;
        }
    }
    std::map<std::string, double> m_nanoseconds;
    std::set<std::string> m_fromMedian;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
