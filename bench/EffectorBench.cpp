// The weighted light query of the effector manager against a plain loop that computes the same
// 256 weights and sorts the same {index, weight} pairs with std::sort. The manager's overhead
// (kind lookup, virtual weight call, record walk, result list) is the difference.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightDesc.h"

namespace {

using namespace effector;

constexpr int kLights = 256;
constexpr int kPoints = 64;

std::vector<LIGHTDESC> makeLights() {
    std::vector<LIGHTDESC> lights;
    for (int i = 0; i < kLights; ++i) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.dwLightId = static_cast<unsigned>(i + 1);
        l.type = static_cast<signed char>(i % 5 == 0 ? LIGHT_SPOT : LIGHT_POINT);
        // A 16 x 16 grid of lights 10 units apart, ranges 12 to 40.
        l.vPos = Math::Vector3f(float(i % 16) * 10.0f, float(i % 3), float(i / 16) * 10.0f);
        l.vColor = Math::Vector4f(0.5f + float(i % 7) * 0.3f, 0.4f + float(i % 3) * 0.2f, 0.3f, 1.0f);
        l.vDir = Math::Vector4f(0, 1, 0, 0);
        l.fMaxRadius = 12.0f + float((i * 7) % 29);
        l.fConeAngle = 0.7f;
        lights.push_back(l);
    }
    return lights;
}

std::vector<Math::Vector3f> makePoints() {
    std::vector<Math::Vector3f> points;
    for (int i = 0; i < kPoints; ++i)
        points.emplace_back(float((i * 37) % 160), 1.5f, float((i * 53) % 160));
    return points;
}

// The point and spot light weight, written out: brightness falling linearly to 0 at the edge
// of the range, the bare (negative) falloff beyond it.
float plainWeight(const LIGHTDESC& l, const Math::Vector3f& pos) {
    if (l.fMaxRadius < 0.001f) return 0.0f;
    const Math::Vector3f v = pos - l.vPos;
    const float t = 1.0f - std::sqrt(Math::dot(v, v)) / l.fMaxRadius;
    const float b = std::max(l.vColor.x, std::max(l.vColor.y, l.vColor.z));
    return t >= 0.0f ? t * b : t;
}

void BM_ManagerWeightedList(benchmark::State& state) {
    std::vector<LIGHTDESC> lights = makeLights();
    const std::vector<Math::Vector3f> points = makePoints();
    EffectorMan man;
    for (LIGHTDESC& l : lights) man.addLight(&l);

    // The manager's weights must be the plain loop's, or the comparison means nothing.
    Math::Vector3f check = points[5];
    man.getWeightedEffectorList(&check, EFFECTOR_LIGHT, 1);
    const EFFCONTAINER* c = man.getContainer(EFFECTOR_LIGHT);
    for (int i = 0; i < kLights; ++i)
        if (c->records[i].weight != plainWeight(lights[i], check)) {
            state.SkipWithError("manager and plain loop weights differ");
            return;
        }

    int p = 0;
    for (auto _ : state) {
        Math::Vector3f pos = points[p];
        p = (p + 1) % kPoints;
        EffectorMan::DataList* list = man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, 1);
        benchmark::DoNotOptimize((*list)[0]);
    }
    state.SetItemsProcessed(state.iterations() * kLights);
}
BENCHMARK(BM_ManagerWeightedList);

void BM_PlainLoopWeightsAndSort(benchmark::State& state) {
    const std::vector<LIGHTDESC> lights = makeLights();
    const std::vector<Math::Vector3f> points = makePoints();
    std::vector<SORTVALUE> pairs(kLights);
    int p = 0;
    for (auto _ : state) {
        const Math::Vector3f pos = points[p];
        p = (p + 1) % kPoints;
        for (int i = 0; i < kLights; ++i) pairs[i] = SORTVALUE{i, plainWeight(lights[i], pos)};
        std::sort(pairs.begin(), pairs.end(), [](const SORTVALUE& a, const SORTVALUE& b) { return a.value > b.value; });
        benchmark::DoNotOptimize(pairs.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kLights);
}
BENCHMARK(BM_PlainLoopWeightsAndSort);

}  // namespace

BENCHMARK_MAIN();
