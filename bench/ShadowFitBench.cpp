// The shadow fit (calcVertices + fitPerspective), and the whole directional depth pass
// (PSMShadow::renderDepth, fit and caster drawing included, on the reference host with its
// recording off), for 200 three-level casters in view, each beside a loop that only transforms
// every box corner of every caster by its model-view matrix. The ratios are reported as the
// counters "fitPerCornerLoop" and "renderDepthPerCornerLoop".
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/shadows/PSMShadow.h"
#include "refhost/RefModel.h"
#include "refhost/ReferenceHost.h"
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

// The module running as a host drives it: the same 200 casters stored as shadow-caster records.
struct DepthPassScene {
    refhost::ReferenceHost host;
    std::unique_ptr<effector::EffectorMan> manager;
    effector::PSMShadow* shadow = nullptr;
    refhost::RefModel model{threeLevelNodes(Vector3f(2, 4, 2))};
    refhost::RefModelInstance instance;
    std::vector<Matrix4f> worlds;

    DepthPassScene() {
        host.install();
        host.renderApi().setMaxTextureSize(256, 256);
        host.renderMan().setRecording(false);
        host.clients().setRecording(false);
        model.setRecording(false);
        manager = std::make_unique<effector::EffectorMan>();
        effector::effectorMan = manager.get();
        shadow = static_cast<effector::PSMShadow*>(manager->getEffectorInstance(effector::EFFECTOR_PSMSHADOW));
        shadow->initShadows(4, 0);
        shadow->enable(true);
        const double position[4] = {0.0, 10.0, 0.0, 1.0};
        host.camera().setPosition(position);
        effector::LIGHTDESC sun;
        std::memset(&sun, 0, sizeof(sun));
        sun.type = effector::LIGHT_DIRECTIONAL;
        sun.vPos = Math::normalizeOrKeep(Vector3f(0.3f, -1.0f, 0.4f));
        sun.vColor = Math::Vector4f(1, 1, 1, 0);
        manager->addLight(&sun);
        for (int i = 0; i < 200; ++i) {
            effector::SHADOWCASTERDESC c;
            std::memset(&c, 0, sizeof(c));
            c.pModel = &model;
            c.pInstance = &instance;
            c.mWorld.set(1.0f);
            c.mWorld.m[3][0] = -90.0f + 9.0f * static_cast<float>(i % 20);
            c.mWorld.m[3][1] = -6.0f;
            c.mWorld.m[3][2] = 20.0f + 15.0f * static_cast<float>(i / 20);
            worlds.push_back(c.mWorld);
            manager->addEffectorData(effector::EFFECTOR_SHADOWCASTER, &c, sizeof(c), 1);
        }
    }
    ~DepthPassScene() {
        shadow->uninitShadows();
        manager.reset();
        effector::effectorMan = nullptr;
    }
    double corners() {
        const Matrix4f view = host.camera().viewMatrix();
        float sum = 0.0f;
        for (const Matrix4f& world : worlds) {
            Matrix4f mv;
            Math::multiply(&mv, &world, &view);
            for (int n = 0; n < model.getNodeCount(); ++n) {
                const model::Node* node = model.getNode(n);
                for (int k = 0; k < 8; ++k) {
                    const Vector3f c((k & 1) ? node->vMax.x : node->vMin.x, (k & 2) ? node->vMax.y : node->vMin.y,
                                     (k & 4) ? node->vMax.z : node->vMin.z);
                    sum += Math::transformCoord(c, mv).z;
                }
            }
        }
        return sum;
    }
};

void BM_RenderDepthVersusCornerLoop(benchmark::State& state) {
    DepthPassScene scene;
    double passSeconds = 0.0, cornerSeconds = 0.0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto t0 = Clock::now();
        scene.shadow->renderDepth();
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(scene.corners());
        auto t2 = Clock::now();
        passSeconds += std::chrono::duration<double>(t1 - t0).count();
        cornerSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    if (!scene.shadow->isActive()) state.SkipWithError("the depth pass drew nothing");
    const double n = static_cast<double>(state.iterations());
    state.counters["renderDepth_us"] = 1e6 * passSeconds / n;
    state.counters["cornerLoop_us"] = 1e6 * cornerSeconds / n;
    state.counters["renderDepthPerCornerLoop"] = cornerSeconds > 0.0 ? passSeconds / cornerSeconds : 0.0;
}
BENCHMARK(BM_RenderDepthVersusCornerLoop)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
