// The town at night on the GL host, 1280 x 720, its 256 street lamps and headlights (16 with atlas
// shadows) and 500 shadow-casting objects, every pass of the module on:
// - NightFrameTiled / NightFrameBruteForce: the same frame lit from the tile lists and with a loop
//   over every light, GPU time per frame from GL timer queries (all passes; "shading_ms" is the
//   light lists and the lit scene alone);
// - NightFrameCpu: the module's own CPU time per frame (inside its calls; the host's drawing
//   between them excluded; the GL work of the render clients it calls included) beside the whole
//   frame's, both as wall time (GPU waits included) and as the render thread's CPU time.
// Each case is labelled with the GL device it ran on.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "GlTownBench.h"
#include "enviro/astro/AstroManager.h"
#include "glhost/scene/DemoLights.h"

namespace {

using namespace glhost;

constexpr int kObjects = 500;

SceneRenderer::Settings frameSize() {
    SceneRenderer::Settings settings;
    settings.width = 1280;
    settings.height = 720;
    settings.shadowMapSize = 2048;
    return settings;
}

struct Night : benchtown::GlTown {
    SceneFrame frame;

    Night() : GlTown(frameSize(), kObjects) {
        frame.time = ModuleTime{2024, 6, 21, 23, 30, 0.0f};
        frame.eye = Math::Vector3d(-70.0, 34.0, -60.0);
        frame.target = Math::Vector3d(0.0, 0.0, 10.0);
        frame.fovY = 1.05f;
        if (!ok) return;
        g_AstroManager->setDateTime(2024, 6, 21, 23, 30, 0.0f);
        DemoLights::update(0.0, g_AstroManager->getSunPos().y, renderer->effects().lights());
        host->services().os().setTicks(1000);  // the same moonlight every frame
        for (int i = 0; i < 2; ++i) renderer->renderFrame(frame);  // warm: programs, probe
        glFinish();
    }
};

Night& night() {
    static Night n;
    return n;
}

void gpuFrames(benchmark::State& state, bool tiled) {
    Night& n = night();
    if (!n.ok) {
        state.SkipWithError("no GL 4.5 context or the module did not start");
        return;
    }
    state.SetLabel(n.host->context().deviceName());
    n.renderer->effects().settings().tiledLights = tiled;
    GpuTimer& timer = n.renderer->gpuTimer();
    timer.setEnabled(true);
    double gpu = 0.0, shading = 0.0;
    for (auto _ : state) {
        timer.reset();
        n.renderer->renderFrame(n.frame);
        double frameMs = 0.0, shadingMs = 0.0;
        for (const GpuTimer::Pass& p : timer.passes()) {
            frameMs += p.totalMs;
            if (p.name == "lists" || p.name == "scene") shadingMs += p.totalMs;
        }
        gpu += frameMs;
        shading += shadingMs;
        state.SetIterationTime(frameMs / 1e3);
    }
    timer.setEnabled(false);
    n.renderer->effects().settings().tiledLights = true;
    state.counters["gpu_ms"] = gpu / double(state.iterations());
    state.counters["shading_ms"] = shading / double(state.iterations());
    state.counters["lights"] = n.renderer->effects().lastFrame().lights;
    state.counters["objects"] = double(n.town.objects.size());
}

void BM_NightFrameTiled(benchmark::State& state) { gpuFrames(state, true); }
void BM_NightFrameBruteForce(benchmark::State& state) { gpuFrames(state, false); }

void BM_NightFrameCpu(benchmark::State& state) { benchtown::cpuFrames(state, night(), night().frame, false); }

BENCHMARK(BM_NightFrameTiled)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NightFrameBruteForce)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NightFrameCpu)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
