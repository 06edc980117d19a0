// The demo's frame on the GL host: the module's own CPU time per frame (astronomy, day light,
// the shadow fit, shader constants; the host's draws inside the module's calls excluded) beside
// the whole frame's time, in one run, on the same frames (the town at 640 x 360 at noon).
// The whole frame waits for the GPU (glFinish), so on a software rasteriser it includes the
// rasterising. Each case is labelled with the device.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "GlTownBench.h"

namespace {

using namespace glhost;

SceneRenderer::Settings frameSize() {
    SceneRenderer::Settings settings;
    settings.width = 640;
    settings.height = 360;
    return settings;
}

struct Demo : benchtown::GlTown {
    SceneFrame frame;

    Demo() : GlTown(frameSize()) {
        frame.eye = Math::Vector3d(170.0, 60.0, -190.0);
        frame.target = Math::Vector3d(-40.0, 5.0, 120.0);
        for (int i = 0; ok && i < 3; ++i) renderer->renderFrame(frame);  // warm: programs, star list
        glFinish();
    }
};

Demo& demo() {
    static Demo d;
    return d;
}

// Manual time: the module's share or the whole frame.
void runFrames(benchmark::State& state, bool moduleOnly) {
    Demo& d = demo();
    if (!d.ok) {
        state.SkipWithError("no GL 4.5 context or the module did not start");
        return;
    }
    state.SetLabel(d.host->context().deviceName());
    double module = 0.0, whole = 0.0;
    for (auto _ : state) {
        d.renderer->renderFrame(d.frame);
        glFinish();
        const SceneRenderer::CpuTimes& t = d.renderer->lastCpuTimes();
        module += t.moduleSeconds;
        whole += t.frameSeconds;
        state.SetIterationTime(moduleOnly ? t.moduleSeconds : t.frameSeconds);
    }
    state.counters["module_ms"] = 1e3 * module / double(state.iterations());
    state.counters["frame_ms"] = 1e3 * whole / double(state.iterations());
    state.counters["module_share"] = whole > 0.0 ? module / whole : 0.0;
}

void BM_DemoFrameModuleCpu(benchmark::State& state) { runFrames(state, true); }
void BM_DemoFrameWhole(benchmark::State& state) { runFrames(state, false); }

BENCHMARK(BM_DemoFrameModuleCpu)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DemoFrameWhole)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
