// The module's own CPU time for the largest frame the demo draws, on the reference host (whose
// render clients do no per-texel work and record nothing here, so the frame's time is the
// module's): 256 lights (16 with atlas shadows), 500 shadow casters, every pass in every frame.
// The same frame on the GL host, with the GPU's work, is NightLightsBench.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "refhost/RefFrameDriver.h"

namespace {

void BM_LargestFrameModuleOnReferenceHost(benchmark::State& state) {
    if (chdir(ENVIRO_BENCH_DATA) != 0) {
        state.SkipWithError("no data folder");
        return;
    }
    refhost::ReferenceHost host(".");
    host.install();
    refhost::RefFrameDriver driver(host, refhost::RefFrameDriver::Settings::largestFrame());
    if (!driver.startUp()) {
        state.SkipWithError("the module did not start");
        return;
    }
    driver.setRecording(false);
    for (int i = 0; i < 5; ++i) driver.runFrame();
    for (auto _ : state) {
        driver.runFrame();
        state.SetIterationTime(driver.lastFrameSeconds());
    }
    state.counters["lights"] = driver.lastFrame().renderedLights;
    state.counters["shadow_maps"] = driver.lastFrame().lightShadowMaps;
    driver.shutDown();
}

BENCHMARK(BM_LargestFrameModuleOnReferenceHost)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
