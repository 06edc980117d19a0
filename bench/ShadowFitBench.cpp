// The shadow fit (calcVertices + fitPerspective) for 200 three-level casters in view, beside a loop
// that only transforms every box corner of every caster by its model-view matrix. The ratio of the
// two is reported as the counter "fitPerCornerLoop".
#include <benchmark/benchmark.h>

#include <chrono>

#include "tests/shadows/ShadowFitTestScene.h"

namespace {

using namespace shadowfit_test;

struct Scene {
    CameraSetup camera;
    Vector3f light = Math::normalizeOrKeep(Vector3f(0.3f, -1.0f, 0.4f));
    CasterSet casters{200};
    Scene() {
        camera.view = lookAt(Vector3f(0, 0, 0), Vector3f(0, -0.3f, 1));
        camera.nearDist = 1.0f, camera.farDist = 700.0f, camera.fov = 1.2f, camera.aspect = 1.6f;
        camera.groundLevel = 0.0f, camera.cameraHeight = 10.0;
        for (int i = 0; i < 200; ++i) {  // a grid in front of the camera, every caster in view
            const Vector3f pos(-90.0f + 9.0f * static_cast<float>(i % 20), -6.0f, 20.0f + 15.0f * static_cast<float>(i / 20));
            casters.add(threeLevelNodes(Vector3f(2, 4, 2)), pos);
        }
    }
};

double runFit(Scene& s, fit::PointList* points, fit::PointList* proj) {
    points->clear();
    fit::calcVertices(s.casters.list(), points, &s.light, &s.camera.view, s.camera.nearDist, s.camera.farDist,
                      s.camera.fov, s.camera.aspect, false, s.camera.groundLevel, s.camera.cameraHeight);
    Matrix4f ls, inv;
    char front;
    fit::fitPerspective(*points, proj, perspectiveInput(s.camera, s.light), &ls, &inv, &front);
    return ls.m[0][0];
}

double runCorners(Scene& s) {
    float sum = 0.0f;
    for (auto& r : s.casters.records()) {
        Matrix4f mv;
        Math::multiply(&mv, &r.mWorld, &s.camera.view);
        for (int n = 0; n < r.pModel->getNodeCount(); ++n) {
            const model::Node* node = r.pModel->getNode(n);
            for (int k = 0; k < 8; ++k) {
                const Vector3f c((k & 1) ? node->vMax.x : node->vMin.x, (k & 2) ? node->vMax.y : node->vMin.y,
                                 (k & 4) ? node->vMax.z : node->vMin.z);
                sum += Math::transformCoord(c, mv).z;
            }
        }
    }
    return sum;
}

void BM_ShadowFitVersusCornerLoop(benchmark::State& state) {
    Scene scene;
    fit::PointList points, proj;
    double fitSeconds = 0.0, cornerSeconds = 0.0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(runFit(scene, &points, &proj));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(runCorners(scene));
        auto t2 = Clock::now();
        fitSeconds += std::chrono::duration<double>(t1 - t0).count();
        cornerSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["fit_us"] = 1e6 * fitSeconds / n;
    state.counters["cornerLoop_us"] = 1e6 * cornerSeconds / n;
    state.counters["fitPerCornerLoop"] = cornerSeconds > 0.0 ? fitSeconds / cornerSeconds : 0.0;
    state.counters["points"] = points.count();
}
BENCHMARK(BM_ShadowFitVersusCornerLoop)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
