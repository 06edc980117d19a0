#pragma once
// The demo's town on the GL host for the benchmarks: the host, the module started on the build
// tree's writable copy of data/ (ENVIRO_BENCH_DATA) and a scene renderer started on the town.
// ok is false when there is no GL 4.5 context or the module or the renderer does not start.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>

#include "glhost/GlHost.h"
#include "glhost/scene/DemoTown.h"
#include "glhost/scene/ModuleSession.h"
#include "glhost/scene/SceneRenderer.h"

namespace benchtown {

struct GlTown {
    std::unique_ptr<glhost::GlHost> host;
    glhost::ModuleSession session;
    glhost::SceneContent town;
    std::unique_ptr<glhost::SceneRenderer> renderer;
    bool ok = false;

    // The town, with garden sheds on the slopes round it until it has `objects` shadow casters.
    explicit GlTown(const glhost::SceneRenderer::Settings& settings, int objects = 0) {
        std::string error;
        if (chdir(ENVIRO_BENCH_DATA) != 0) return;
        host = glhost::GlHost::create(glhost::GlHost::Options{".", {}}, error);
        if (!host) return;
        host->install();
        if (!session.start(error)) return;
        renderer = std::make_unique<glhost::SceneRenderer>(*host, town, settings);
        town = glhost::DemoTown::build(*renderer);
        for (int i = 0; int(town.objects.size()) < objects; ++i) {
            const float a = 0.37f * float(i), r = 230.0f + 2.1f * float(i % 97);
            const float x = r * std::cos(a), z = r * std::sin(a);
            const Math::Vector3f lo(-2.0f, 0.0f, -1.5f), hi(2.0f, 2.5f, 1.5f);
            glhost::MeshData shed;
            shed.addBox(lo, hi, Math::Vector3f(0.4f, 0.32f, 0.25f));
            town.objects.push_back({std::make_unique<glhost::GlModel>(shed, std::vector<model::Node>{{{-1, -1}, lo, hi}},
                                                                      *renderer),
                                    Math::Vector3d(x, glhost::DemoTown::groundHeight(x, z), z)});
        }
        ok = renderer->start(error);
    }
};

// Renders frame once per iteration and waits for the GPU; the iteration's time is the module's
// CPU time or the whole frame's (moduleOnly), and the counters give both, as wall time (GPU
// waits included) and as the render thread's CPU time (waits not counted).
inline void cpuFrames(benchmark::State& state, GlTown& t, const glhost::SceneFrame& frame, bool moduleOnly) {
    if (!t.ok) {
        state.SkipWithError("no GL 4.5 context or the module did not start");
        return;
    }
    state.SetLabel(t.host->context().deviceName());
    glhost::SceneRenderer::CpuTimes sum;
    for (auto _ : state) {
        t.renderer->renderFrame(frame);
        glFinish();
        const glhost::SceneRenderer::CpuTimes& c = t.renderer->lastCpuTimes();
        sum.moduleSeconds += c.moduleSeconds;
        sum.frameSeconds += c.frameSeconds;
        sum.moduleThreadSeconds += c.moduleThreadSeconds;
        sum.frameThreadSeconds += c.frameThreadSeconds;
        state.SetIterationTime(moduleOnly ? c.moduleSeconds : c.frameSeconds);
    }
    const double n = double(state.iterations());
    state.counters["module_ms"] = 1e3 * sum.moduleSeconds / n;
    state.counters["frame_ms"] = 1e3 * sum.frameSeconds / n;
    state.counters["module_share"] = sum.frameSeconds > 0.0 ? sum.moduleSeconds / sum.frameSeconds : 0.0;
    state.counters["module_thread_ms"] = 1e3 * sum.moduleThreadSeconds / n;
    state.counters["frame_thread_ms"] = 1e3 * sum.frameThreadSeconds / n;
    state.counters["thread_share"] = sum.frameThreadSeconds > 0.0 ? sum.moduleThreadSeconds / sum.frameThreadSeconds : 0.0;
}

}  // namespace benchtown
