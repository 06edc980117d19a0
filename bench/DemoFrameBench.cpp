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

void BM_DemoFrameModuleCpu(benchmark::State& state) { benchtown::cpuFrames(state, demo(), demo().frame, true); }
void BM_DemoFrameWhole(benchmark::State& state) { benchtown::cpuFrames(state, demo(), demo().frame, false); }

BENCHMARK(BM_DemoFrameModuleCpu)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DemoFrameWhole)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
