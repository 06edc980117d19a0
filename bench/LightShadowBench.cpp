// A frame of light trimming and shadow assignment for 1000 lights (store the lights,
// optimize(64, true), updateShadowData()) against a plain loop that only computes every
// light's importance; and the same frame without culling. The storing of the lights alone is measured too, so that the cost of
// optimize and updateShadowData can be told apart from it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "refhost/ReferenceHost.h"

namespace {

using namespace effector;

constexpr int kLights = 1000;

// A 40 x 25 grid of lights in front of the camera (which looks along +z from the origin),
// every seventh one behind it; points and spots, most with ids, every other spot casting a
// shadow.
std::vector<LIGHTDESC> makeLights() {
    std::vector<LIGHTDESC> lights;
    for (int i = 0; i < kLights; ++i) {
        LIGHTDESC l;
        std::memset(&l, 0, sizeof(l));
        l.dwLightId = i % 50 == 0 ? 0 : static_cast<uint32_t>(i + 1);
        l.type = static_cast<signed char>(i < 2 ? i : (i % 2 ? LIGHT_SPOT : LIGHT_POINT));
        l.flags = static_cast<unsigned char>(i % 4 == 1 ? LIGHTFLAG_SHADOW : 0);
        l.vPos = Math::Vector3f(float(i % 40) * 5.0f - 100.0f, 2.0f, i % 7 == 0 ? -80.0f : float(i / 40) * 8.0f + 5.0f);
        l.vColor = Math::Vector4f(1.0f, 0.9f, 0.7f, 1.0f);
        l.vDir = Math::Vector4f(0.0f, 0.4f, -0.9165f, 0.0f);
        l.fMaxRadius = 12.0f + float((i * 7) % 31);
        l.fConeAngle = 0.3f + float(i % 6) * 0.15f;
        lights.push_back(l);
    }
    return lights;
}

struct Scene {
    refhost::ReferenceHost host;
    EffectorMan man;
    LightSource* source;
    std::vector<LIGHTDESC> lights = makeLights();

    Scene() {
        host.install();
        effectorMan = &man;
        source = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
        host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1);
        host.renderApi().setViewport(0, 0, 1920, 1080);
    }
    ~Scene() { effectorMan = nullptr; }

    void storeLights() {
        man.flush(EFFECTOR_LIGHT, 0);
        for (LIGHTDESC& l : lights) man.addLight(&l);
    }
};

// state.range(0): cull by the camera's sphere test (the reference camera's test is most of
// the cost; without it the module's own work remains).
void BM_OptimizeAndShadowData(benchmark::State& state) {
    Scene scene;
    const bool cull = state.range(0) != 0;
    for (auto _ : state) {
        scene.storeLights();
        scene.source->optimize(64, cull);
        scene.source->updateShadowData();
        benchmark::DoNotOptimize(scene.source->getUsedLightMatrices());
    }
    state.counters["shadows"] = scene.source->getUsedLightMatrices();
    state.counters["kept"] = scene.man.getRecordCount(EFFECTOR_LIGHT);
}
BENCHMARK(BM_OptimizeAndShadowData)->Arg(1)->Arg(0);

void BM_StoreLightsOnly(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        scene.storeLights();
        benchmark::DoNotOptimize(scene.man.getRecordCount(EFFECTOR_LIGHT));
    }
}
BENCHMARK(BM_StoreLightsOnly);

// The floor: range over distance for every light (spots scaled by their half-angle).
void BM_ImportanceLoop(benchmark::State& state) {
    const std::vector<LIGHTDESC> lights = makeLights();
    std::vector<float> importance(lights.size());
    const Math::Vector3f cam(0.0f, 0.0f, 0.0f);
    for (auto _ : state) {
        for (size_t i = 0; i < lights.size(); ++i) {
            const LIGHTDESC& l = lights[i];
            float v = l.fMaxRadius / Math::length(cam - l.vPos);
            if (l.type == LIGHT_SPOT) v *= std::max(0.0f, std::min(1.0f, l.fConeAngle * 0.63661975f));
            importance[i] = v;
        }
        benchmark::DoNotOptimize(importance.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ImportanceLoop);

}  // namespace

BENCHMARK_MAIN();
