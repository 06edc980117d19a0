// Binding lights to 1000 objects per frame against 256 stored lights: LightSource::setLight
// (weighted query, sphere tests, encoding, constants set on the reference host's shader) beside a
// loop that does only the same weighted queries. The ratio of the two is the cost of the binding
// itself.
#include <benchmark/benchmark.h>

#include <cstring>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "refhost/RefShader.h"
#include "refhost/ReferenceHost.h"

namespace {

using namespace effector;

constexpr int kLights = 256;
constexpr int kObjects = 1000;

struct Scene {
    refhost::ReferenceHost host;
    EffectorMan man;
    LightSource* source;
    refhost::RefShader shader;

    Scene() {
        host.install();
        effectorMan = &man;
        source = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
        // An ambient light, a sun and a 16 x 16 grid of points and spots over a 300 x 300 area.
        for (int i = 0; i < kLights; ++i) {
            LIGHTDESC l;
            std::memset(&l, 0, sizeof(l));
            l.type = static_cast<signed char>(i < 2 ? i : (i % 3 ? LIGHT_POINT : LIGHT_SPOT));
            l.vPos = i == 1 ? Math::Vector3f(0.0f, -1.0f, 0.0f)
                            : Math::Vector3f(float(i % 16) * 20.0f - 150.0f, 3.0f, float(i / 16) * 20.0f - 150.0f);
            l.vColor = Math::Vector4f(1.0f, 0.9f, 0.8f, 1.0f);
            l.vDir = Math::Vector4f(0.0f, 1.0f, 0.0f, 0.1f);
            l.fMaxRadius = 15.0f + float(i % 11) * 3.0f;
            l.fConeAngle = 0.6f;
            LightSource::fillAttenKMaxRad(&l);
            man.addLight(&l);
        }
    }
    ~Scene() { effectorMan = nullptr; }

    static Math::Vector3f objectPos(int i) {
        return Math::Vector3f(float(i % 40) * 7.5f - 150.0f, 1.0f, float(i / 40) * 12.0f - 150.0f);
    }
};

void BM_SetLightFor1000Objects(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) {
            Math::Vector3f pos = Scene::objectPos(i);
            scene.source->setLight(&scene.shader, &pos, 2.0f, nullptr, nullptr, 8);
        }
    }
    benchmark::DoNotOptimize(scene.shader.vector("lightCount"));
}
BENCHMARK(BM_SetLightFor1000Objects)->Unit(benchmark::kMicrosecond);

void BM_WeightedQueriesOnlyFor1000Objects(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) {
            Math::Vector3f pos = Scene::objectPos(i);
            benchmark::DoNotOptimize(scene.man.getWeightedEffectorList(&pos, EFFECTOR_LIGHT, 1));
        }
    }
}
BENCHMARK(BM_WeightedQueriesOnlyFor1000Objects)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
