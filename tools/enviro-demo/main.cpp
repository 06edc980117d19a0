// enviro-demo: a small town rendered through the enviro module on the GPU, at any place and
// instant or as a time-lapse, into PNG frames (and a video). See --help.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "DemoCameras.h"
#include "DemoEffects.h"
#include "DemoOptions.h"
#include "DemoOutput.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "glhost/GlObjects.h"
#include "glhost/scene/DemoTown.h"
#include "glhost/scene/ModuleSession.h"
#include "glhost/scene/SceneRenderer.h"
#include "tools/common/DataFolder.h"

namespace {

using namespace demotool;

constexpr double kDegrees = 180.0 / 3.14159265358979323846;
constexpr double kFramesPerSecond = 30.0;

int fail(const std::string& message) {
    std::fprintf(stderr, "\nenviro-demo: %s\n", message.c_str());
    return 1;
}

std::string absolute(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
}

// The town's weather: haze of the given visibility, a thin ground mist over the lake basin.
void setWeather(double visibility) {
    auto* fog = effector::effectorInstance<effector::FogEffector>(effector::EFFECTOR_FOG);
    if (!fog) return;
    effector::FOGDESC desc = fog->getFogDesc();
    desc.vFogColor = Math::Vector4f(0.55f, 0.75f, 1.1f, 1.0f);
    desc.fFogDistance = static_cast<float>(visibility);
    desc.vLayerFogColor = Math::Vector4f(0.8f, 0.82f, 0.85f, 1.0f);
    desc.fLayerFogIntensity = 0.003f;
    desc.fLayerFogHeight = glhost::DemoTown::kWaterLevel + 2.0f;
    desc.fLayerFogDepth = 3.0f;
    fog->setFogDesc(&desc);
}

// The frame at an instant, the camera flown on by `flown` seconds along its preset's velocity.
glhost::SceneFrame frameAt(const DemoOptions& o, double unixSeconds, double flown) {
    glhost::SceneFrame f;
    const skytool::ModuleDateTime t = skytool::moduleTimeFor(unixSeconds);
    f.time = glhost::ModuleTime{t.year, t.month, t.day, t.hour, t.minute, t.second};
    Math::Vector<3, double> pos(0.0, 0.0, 0.0);
    g_AstroManager->polar2plane(o.longitudeDeg / kDegrees, o.latitudeDeg / kDegrees, pos);
    f.observer = pos;
    const CameraPreset& camera = *findCameraPreset(o.camera);
    f.eye = camera.eye + camera.velocity * flown;
    f.target = camera.target + camera.velocity * flown;
    f.fovY = static_cast<float>(camera.fovDeg / kDegrees);
    return f;
}

void printTimings(glhost::SceneRenderer& renderer, const glhost::SceneRenderer::CpuTimes& sum, int frames) {
    std::fprintf(stderr, "device: %s\n", renderer.host().context().deviceName().c_str());
    std::fprintf(stderr, "frames: %d at %d x %d\n", frames, renderer.settings().width, renderer.settings().height);
    std::fprintf(stderr, "CPU per frame: %.3f ms whole frame (GPU waits included), %.3f ms in the module\n",
                 1e3 * sum.frameSeconds / frames, 1e3 * sum.moduleSeconds / frames);
    std::fprintf(stderr, "render thread's CPU time per frame: %.3f ms whole frame, %.3f ms in the module\n",
                 1e3 * sum.frameThreadSeconds / frames, 1e3 * sum.moduleThreadSeconds / frames);
    double gpu = 0.0;
    for (const auto& p : renderer.gpuTimer().passes()) gpu += p.totalMs / p.frames;
    std::fprintf(stderr, "GPU per frame: %.2f ms\n", gpu);
    for (const auto& p : renderer.gpuTimer().passes())
        std::fprintf(stderr, "  %-8s %8.2f ms  %5.1f %%\n", p.name.c_str(), p.totalMs / p.frames,
                     gpu > 0 ? 100.0 * p.totalMs / p.frames / gpu : 0.0);
}

int run(const DemoOptions& options) {
    const std::string outDir = absolute(options.outDir), video = absolute(options.video);
    std::string error;
    if (!prepareOutputFolder(outDir, error)) return fail(error);
    if (!video.empty() && !haveFfmpeg()) return fail("--video needs ffmpeg, which is not installed");
    if (chdir(options.dataDir.c_str()) != 0) return fail("cannot enter the data folder \"" + options.dataDir + "\"");

    glhost::GlHost::Options hostOptions;
    hostOptions.dataRoot = ".";
    hostOptions.context.window = options.window;
    hostOptions.context.windowWidth = options.width;
    hostOptions.context.windowHeight = options.height;
    hostOptions.context.title = "enviro-demo";
    auto host = glhost::GlHost::create(hostOptions, error);
    if (!host) return fail(error);
    host->install();
    glhost::ModuleSession session;
    if (!session.start(error)) return fail(error + " (data folder \"" + options.dataDir + "\")");
    setWeather(options.visibilityM);

    glhost::SceneRenderer::Settings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.shadowMapSize = options.shadowMapSize;
    glhost::SceneContent town;
    glhost::SceneRenderer renderer(*host, town, settings);
    town = glhost::DemoTown::build(renderer);
    DemoEffects effects(renderer);
    if (!renderer.start(error)) return fail(error);
    effects.start();
    renderer.gpuTimer().setEnabled(options.timings);

    const double from = options.timelapse ? options.from.toUnixSeconds() : options.time.toUnixSeconds();
    const double to = options.timelapse ? options.to.toUnixSeconds() : from;
    const int total = options.timelapse ? static_cast<int>(std::floor((to - from) / options.stepS + 1e-9)) + 1 : 1;
    glhost::SceneRenderer::CpuTimes sum;
    if (options.timelapse) showProgress(0, total);
    for (int i = 0; i < total; ++i) {
        for (int k = 0; k < options.repeat; ++k) {
            // Frames of one instant are a thirtieth of a second apart for what moves (the camera
            // along its preset, the cars, the clouds); the sky stays at the instant.
            const double flown = (i * options.repeat + k) / kFramesPerSecond;
            const glhost::SceneFrame frame = frameAt(options, from + i * options.stepS, flown);
            effects.update(frame, from + i * options.stepS + k / kFramesPerSecond);
            renderer.renderFrame(frame);
            const glhost::SceneRenderer::CpuTimes& t = renderer.lastCpuTimes();
            sum.moduleSeconds += t.moduleSeconds;
            sum.frameSeconds += t.frameSeconds;
            sum.moduleThreadSeconds += t.moduleThreadSeconds;
            sum.frameThreadSeconds += t.frameThreadSeconds;
            if (options.window && !host->presentToWindow(renderer.frameTarget())) break;
        }
        char number[16];
        std::snprintf(number, sizeof number, "-%04d", i);
        const std::string name = options.name + (options.timelapse ? number : "") + ".png";
        const auto pixels = host->renderApi().readRgba8(renderer.frameTarget());
        if (!writePng((std::filesystem::path(outDir) / name).string(), options.width, options.height, pixels, error))
            return fail(error);
        if (options.timelapse) showProgress(i + 1, total);
    }
    if (options.timings) printTimings(renderer, sum, total * options.repeat);
    if (!video.empty() && !encodeVideo(outDir, options.name, video, error)) return fail(error);

    // Shut down as a host does, and say so when the GL or the module's objects were not all
    // given back or the GL reported an error.
    renderer.stop();
    town = glhost::SceneContent();
    effects.release();
    session.stop();
    host->uninstall();
    const auto leaked = host->renderApi().leakedObjects();
    host->releaseGlObjects();
    const int errors = host->context().errorCount(), left = glhost::gl::liveObjectCount();
    if (errors || left || !leaked.empty())
        return fail(std::to_string(errors) + " GL errors (" +
                    (errors ? host->context().errorMessages()[0] : std::string("-")) + "), " + std::to_string(left) +
                    " GL objects left, " + std::to_string(leaked.size()) + " render objects leaked");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    DemoOptions options;
    const int exitCode = parseDemoOptions(argc, argv, tools::defaultDataFolder(), options);
    if (exitCode >= 0) return exitCode;
    return run(options);
}
