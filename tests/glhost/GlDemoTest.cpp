// enviro-demo's frames: 100 frames of the town from dawn to night with no GL error and every
// object given back, and as many of each scene preset with every pass of the module; and the
// program's answers to bad input: a clear message, a non-zero exit and no frame written.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "GlSceneFixture.h"
#include "glhost/scene/DemoTown.h"

namespace glhost::test {
namespace {

namespace fs = std::filesystem;

class GlDemo : public GlSceneTest {};

TEST_F(GlDemo, HundredFramesWithoutGlErrorsAndNothingLeft) {
    SceneContent town;
    SceneRenderer& renderer = startRenderer(town, 160, 90);
    town = DemoTown::build(renderer);
    const int errors = host().context().errorCount();
    for (int i = 0; i < 100; ++i) {  // 04:00 to 23:48, every 12 minutes
        SceneFrame frame;
        const int minutes = 4 * 60 + 12 * i;
        frame.time = ModuleTime{2024, 6, 21, minutes / 60, minutes % 60, 0.0f};
        frame.eye = Math::Vector3d(170.0 - i, 60.0, -190.0);
        frame.target = Math::Vector3d(-40.0, 5.0, 120.0);
        renderer.renderFrame(frame);
    }
    EXPECT_EQ(host().context().errorCount(), errors)
        << (host().context().errorMessages().empty() ? "" : host().context().errorMessages().back());
    renderer.stop();
    town = SceneContent();  // the environment's teardown counts the GL objects left
}

struct DemoRun {
    int exitCode;
    std::string output;
};

DemoRun runDemo(const std::string& environment, const std::string& arguments) {
    const std::string command = environment + " " ENVIRO_DEMO_PROGRAM " " + arguments + " 2>&1";
    DemoRun run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The default day and every scene preset, 100 frames each with every pass of the module: the
// program itself fails (exit 1) on a GL error, a GL object left or a render object leaked.
TEST(EnviroDemo, HundredFramesOfEveryPresetWithoutGlErrorsAndNothingLeft) {
    const fs::path out = fs::temp_directory_path() / ("enviro-demo-presets-" + std::to_string(getpid()));
    for (const char* preset : {"", "--preset night", "--preset sunset"}) {
        const DemoRun run = runDemo("", std::string(preset) + " --repeat 100 --size 64x36 --shadow-map 256 --out-dir " +
                                            out.string());
        EXPECT_EQ(run.exitCode, 0) << preset << "\n" << run.output;
        EXPECT_TRUE(fs::exists(out / "frame.png")) << preset;
    }
    fs::remove_all(out);
}

TEST(EnviroDemo, BadInputGetsAClearMessageAndNoFrame) {
    const fs::path out = fs::temp_directory_path() / ("enviro-demo-bad-" + std::to_string(getpid()));
    const fs::path empty = out / "empty-data";
    fs::create_directories(empty);
    const std::string to = " --size 32x18 --out-dir " + out.string();
    const struct {
        const char* environment;
        std::string arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json", to, 1, "no EGL display could be opened"},
        {"MESA_GL_VERSION_OVERRIDE=3.3", to, 1, "no OpenGL 4.5 core context"},
        {"", "--size 0x0 --out-dir " + out.string(), 2, "--size: \"0x0\": each side must be 16 .. 8192 pixels"},
        {"", "--size 32x18 --out-dir /proc/enviro-demo", 1, "folder \"/proc/enviro-demo\""},
        {"", to + " --data /nonexistent", 1, "cannot enter the data folder \"/nonexistent\""},
        {"", to + " --data " + empty.string(), 1, "the astronomy manager did not start"},
    };
    for (const auto& c : cases) {
        const DemoRun run = runDemo(c.environment, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        for (const auto& entry : fs::directory_iterator(out))
            EXPECT_TRUE(entry.is_directory()) << "written: " << entry.path();
    }
    fs::remove_all(out);
}

}  // namespace
}  // namespace glhost::test
