// The sky over a 10000-vertex dome: one getSkyColor call per vertex against the batch call
// getSkyColorArray, and both against the floor of the model, a bare loop that evaluates only the
// three Perez functions and the view-to-sun angle per direction (once on scalars with the public
// getRadiance and acos, once on the same 4-lane math the batch uses).
//
// Read "ns_per_dir": the cost of one direction. The batch should cost at most a quarter of a single
// call and at most 1.5 times the floor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "enviro/sky/Sky.h"
#include "enviro/sky/SkyKernel.h"

namespace {

using Math::Vector3f;
using Math::Vector4f;
using enviro::detail::Float4;

constexpr int kRings = 100;
constexpr int kSegments = 100;
constexpr int kVertices = kRings * kSegments;

// A dome of unit directions: 100 rings from the horizon to near the zenith, 100 segments each.
std::vector<Vector3f> makeDome() {
    std::vector<Vector3f> dome;
    dome.reserve(kVertices);
    for (int r = 0; r < kRings; ++r) {
        const double elevation = (r + 0.5) / kRings * 1.5707963;
        for (int s = 0; s < kSegments; ++s) {
            const double azimuth = s * 6.283185307 / kSegments;
            dome.push_back(Vector3f(float(std::cos(elevation) * std::cos(azimuth)), float(std::sin(elevation)),
                                    float(std::cos(elevation) * std::sin(azimuth))));
        }
    }
    return dome;
}

const std::vector<Vector3f>& dome() {
    static const std::vector<Vector3f> d = makeDome();
    return d;
}

Vector4f benchSun() { return Vector4f(0.5f, 0.6f, 0.62449979f, 0.0f); }

enviro::Sky& benchSky() {
    static enviro::Sky sky;
    static bool ready = sky.init();
    (void)ready;
    return sky;
}

void perDirection(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * kVertices);
    state.counters["ns_per_dir"] =
        benchmark::Counter(double(state.iterations()) * kVertices * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SingleGetSkyColor(benchmark::State& state) {
    enviro::Sky& sky = benchSky();
    std::vector<Vector3f> dirs = dome();
    std::vector<Vector3f> out(kVertices);
    Vector4f sun = benchSun();
    for (auto _ : state) {
        for (int i = 0; i < kVertices; ++i) sky.getSkyColor(dirs[i], sun, 120.0f, &out[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    perDirection(state);
}
BENCHMARK(BM_SingleGetSkyColor);

void BM_BatchGetSkyColor(benchmark::State& state) {
    enviro::Sky& sky = benchSky();
    const std::vector<Vector3f>& dirs = dome();
    std::vector<Vector3f> out(kVertices);
    const Vector4f sun = benchSun();
    for (auto _ : state) {
        sky.getSkyColorArray(dirs.data(), kVertices, sun, 120.0f, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    perDirection(state);
}
BENCHMARK(BM_BatchGetSkyColor);

// The batch without the colour conversion.
void BM_BatchGetSkyYxy(benchmark::State& state) {
    enviro::Sky& sky = benchSky();
    const std::vector<Vector3f>& dirs = dome();
    std::vector<Vector3f> out(kVertices);
    const Vector4f sun = benchSun();
    for (auto _ : state) {
        sky.getSkyYxyArray(dirs.data(), kVertices, sun, 120.0f, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    perDirection(state);
}
BENCHMARK(BM_BatchGetSkyYxy);

// The floor on scalars: acos of the dot product and three getRadiance calls per direction.
void BM_FloorScalar(benchmark::State& state) {
    enviro::Sky& sky = benchSky();
    const std::vector<Vector3f>& dirs = dome();
    std::vector<Vector3f> out(kVertices);
    Vector4f sun = benchSun();
    Vector3f probe(0.0f, 1.0f, 0.0f), unused;
    sky.getSkyYxy(probe, sun, 120.0f, &unused);  // fills the coefficient block
    const float* y = sky.m_aPerezY;
    const float* cx = sky.m_aPerezCx;
    const float* cy = sky.m_aPerezCy;
    for (auto _ : state) {
        for (int i = 0; i < kVertices; ++i) {
            const Vector3f& d = dirs[i];
            const float gamma = std::acos(d.x * sun.x + d.y * sun.y + d.z * sun.z);
            out[i] = Vector3f(enviro::Sky::getRadiance(cx[0], cx[1], cx[2], cx[3], cx[4], d.y, gamma),
                              enviro::Sky::getRadiance(cy[0], cy[1], cy[2], cy[3], cy[4], d.y, gamma),
                              enviro::Sky::getRadiance(y[0], y[1], y[2], y[3], y[4], 0.3f * d.y, 0.3f * gamma));
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    perDirection(state);
}
BENCHMARK(BM_FloorScalar);

// The floor on four lanes: the same Perez and angle math as the batch, nothing else (directions
// already split into component arrays, no normalising, no checks, no colour conversion).
void BM_FloorLanes(benchmark::State& state) {
    enviro::Sky& sky = benchSky();
    const std::vector<Vector3f>& dirs = dome();
    std::vector<float> xs(kVertices), ys(kVertices), zs(kVertices);
    for (int i = 0; i < kVertices; ++i) xs[i] = dirs[i].x, ys[i] = dirs[i].y, zs[i] = dirs[i].z;
    std::vector<Float4> out(3 * kVertices / 4);
    Vector4f sun = benchSun();
    Vector3f probe(0.0f, 1.0f, 0.0f), unused;
    sky.getSkyYxy(probe, sun, 120.0f, &unused);
    const enviro::detail::SkyTerms<Float4> t =
        enviro::detail::splatTerms<Float4>(enviro::detail::skyTermsOf(sky, sun.x, sun.y, sun.z));
    for (auto _ : state) {
        for (int i = 0; i < kVertices; i += 4) {
            Float4 dx, dy, dz;
            __builtin_memcpy(&dx, &xs[i], sizeof dx);
            __builtin_memcpy(&dy, &ys[i], sizeof dy);
            __builtin_memcpy(&dz, &zs[i], sizeof dz);
            const Float4 c = dx * t.sunX + dy * t.sunY + dz * t.sunZ;
            const Float4 gamma = enviro::detail::acosLanes(c);
            Float4* o = &out[3 * (i / 4)];
            o[0] = enviro::detail::perezLanes(t.perezCx, dy, gamma);
            o[1] = enviro::detail::perezLanes(t.perezCy, dy, gamma);
            o[2] = enviro::detail::perezLanes(t.perezY, t.lumAngleScale * dy, 0.3f * gamma);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    perDirection(state);
}
BENCHMARK(BM_FloorLanes);

}  // namespace

BENCHMARK_MAIN();
