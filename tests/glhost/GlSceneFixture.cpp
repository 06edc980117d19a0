#include "GlSceneFixture.h"

#include <unistd.h>

#include <filesystem>

#include "glhost/GlCameraView.h"

namespace glhost::test {

namespace fs = std::filesystem;

namespace {

// Each test program works in its own copy of data/ (ctest runs programs side by side).
void enterDataCopy() {
    static bool entered = false;
    if (entered) return;
    const fs::path dir = fs::temp_directory_path() / ("enviro-glhost-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::copy(ENVIRO_SOURCE_DATA, dir, fs::copy_options::recursive);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    entered = true;
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(fs::temp_directory_path() / ("enviro-glhost-" + std::to_string(getpid())), ec);
    });
}

}  // namespace

float luminance(const Math::Vector3f& c) { return 0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z; }

void GlSceneTest::SetUp() {
    host();
    enterDataCopy();
    std::string error;
    ASSERT_TRUE(m_session.start(error)) << error;
}

void GlSceneTest::TearDown() {
    if (m_renderer) m_renderer->stop();
    m_renderer.reset();
    m_session.stop();
    EXPECT_TRUE(host().renderApi().leakedObjects().empty());
}

SceneRenderer& GlSceneTest::startRenderer(SceneContent& content, int width, int height, double originCell) {
    SceneRenderer::Settings settings;
    settings.originCell = originCell;
    settings.width = m_width = width;
    settings.height = m_height = height;
    settings.shadowMapSize = 1024;
    settings.effects.enabled = m_effects;
    m_renderer = std::make_unique<SceneRenderer>(host(), content, settings);
    std::string error;
    EXPECT_TRUE(m_renderer->start(error)) << error;
    return *m_renderer;
}

std::unique_ptr<GlMesh> GlSceneTest::flatGround(float e, float albedo) {
    MeshData d;
    const Math::Vector3f up(0, 1, 0), a(albedo, albedo, albedo);
    const MeshVertex c0{{-e, 0, -e}, up, a}, c1{{-e, 0, e}, up, a}, c2{{e, 0, e}, up, a}, c3{{e, 0, -e}, up, a};
    d.addTriangle(c0, c1, c2);
    d.addTriangle(c0, c2, c3);
    return std::make_unique<GlMesh>(d);
}

std::unique_ptr<GlModel> GlSceneTest::boxModel(const Math::Vector3f& min, const Math::Vector3f& max, float albedo) {
    MeshData d;
    d.addBox(min, max, Math::Vector3f(albedo, albedo, albedo));
    return std::make_unique<GlModel>(d, std::vector<model::Node>{{{-1, -1}, min, max}}, *m_renderer);
}

Math::Vector3f GlSceneTest::pixelDirection(int x, int y) const {
    GlCameraView view;
    currentCameraView(view);
    const float nx = (x + 0.5f) / m_width * 2.0f - 1.0f, ny = 1.0f - (y + 0.5f) / m_height * 2.0f;
    auto unproject = [&](float z) {
        const float p[4] = {nx, ny, z, 1.0f};
        float q[4] = {0, 0, 0, 0};
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) q[c] += p[r] * view.rotationProjInv.m[r][c];
        return Math::Vector3f(q[0] / q[3], q[1] / q[3], q[2] / q[3]);
    };
    const Math::Vector3f d = unproject(1.0f) - unproject(0.0f);
    return d * (1.0f / std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
}

void GlSceneTest::readBack() {
    m_hdr = host().renderApi().readTexels(m_renderer->hdrTarget());
    m_frame = host().renderApi().readRgba8(m_renderer->frameTarget());
}

Math::Vector4f GlSceneTest::hdrTexel(int x, int y) {
    const size_t i = (size_t(y) * m_width + x) * 4;
    return Math::Vector4f(m_hdr[i], m_hdr[i + 1], m_hdr[i + 2], m_hdr[i + 3]);
}

Math::Vector4f GlSceneTest::frameTexel(int x, int y) {
    const size_t i = (size_t(y) * m_width + x) * 4;
    return Math::Vector4f(m_frame[i], m_frame[i + 1], m_frame[i + 2], m_frame[i + 3]);
}

}  // namespace glhost::test
