// Programs as the module's shaders: compile errors name the file and line, parameters reach the
// GPU as uniforms (matrices in the module's row-vector convention), and the embedded programs
// all compile.
#include <cstring>
#include <map>

#include "GlTestHost.h"

namespace glhost {
namespace {

using test::host;

const std::map<std::string, const char*> kFiles = {
    {"ok.vert", "#version 450 core\nout vec2 v_uv;\nvoid main() { v_uv = vec2(0.0); gl_Position = vec4(0.0); }\n"},
    {"broken.frag", "#version 450 core\nout vec4 o;\n\nvoid main() { o = undefinedThing; }\n"},
    {"inc.frag", "#version 450 core\n#include \"part.glsl\"\nout vec4 o;\nvoid main() { o = vec4(f()); }\n"},
    {"part.glsl", "float f() {\n  return 1.0\n}\n"},  // missing semicolon: part.glsl line 3
    {"missing.frag", "#version 450 core\n#include \"nowhere.glsl\"\n"},
    // The uniform test: writes u_m * u_p (the module's p * M) and u_v.
    {"quad.vert", "#version 450 core\nvoid main() { vec2 c = vec2(float((gl_VertexID & 1) << 2) - 1.0, "
                  "float((gl_VertexID & 2) << 1) - 1.0); gl_Position = vec4(c, 0.0, 1.0); }\n"},
    {"uniforms.frag", "#version 450 core\nuniform mat4 u_m; uniform vec4 u_p; uniform vec4 u_v[2];\n"
                      "layout(location = 0) out vec4 o0; layout(location = 1) out vec4 o1;\n"
                      "void main() { o0 = u_m * u_p; o1 = u_v[1]; }\n"},
};

const char* lookup(const std::string& name) {
    auto it = kFiles.find(name);
    return it == kFiles.end() ? nullptr : it->second;
}

TEST(GlShader, CompileErrorsNameFileAndLine) {
    host();
    const struct {
        const char* fragment;
        const char* place;
    } cases[] = {
        {"broken.frag", "glhost/shaders/broken.frag:4:"},
        {"inc.frag", "glhost/shaders/part.glsl:3:"},
        {"missing.frag", "glhost/shaders/missing.frag:2: no shader file \"nowhere.glsl\""},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(GlPrograms::compile("t", "ok.vert", c.fragment, &lookup, error), nullptr);
        EXPECT_NE(error.find(c.place), std::string::npos) << error;
    }
}

TEST(GlShader, ParametersReachTheGpuInTheModulesConvention) {
    GlHost& h = host();
    GlRenderApi& api = h.renderApi();
    std::string error;
    auto shader = GlPrograms::compile("uniforms", "quad.vert", "uniforms.frag", &lookup, error);
    ASSERT_NE(shader, nullptr) << error;
    Math::Matrix4f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = float(r * 4 + c + 1);
    const Math::Vector4f p(1, -2, 0.5f, 1), v[2] = {{0, 0, 0, 0}, {7, 8, 9, 10}};
    shader->setMatrix(shader->getParameterByName(0, "u_m"), &m);
    shader->setVector(shader->getParameterByName(0, "u_p"), &p);
    shader->setVectorArray(shader->getParameterByName(0, "u_v"), v, 2);
    EXPECT_EQ(shader->getParameterByName(0, "g_notThere"), 0u);

    RendAPI::ITexture* o0 = api.createRenderTarget("u0", 1, 1, RendAPI::FMT_A32B32G32R32F, 1);
    RendAPI::ITexture* o1 = api.createRenderTarget("u1", 1, 1, RendAPI::FMT_A32B32G32R32F, 1);
    api.setRenderTargets(o0, o1, nullptr);
    ASSERT_TRUE(api.bindDrawTargets());
    GlDevice::screenPassState();
    shader->use(api);
    h.device().drawFullscreen();
    api.resetRenderTarget();
    const std::vector<float> a = api.readTexels(o0), b = api.readTexels(o1);
    for (int c = 0; c < 4; ++c) {
        float expected = 0;  // p * M, by hand
        for (int r = 0; r < 4; ++r) expected += p[r] * m.m[r][c];
        EXPECT_FLOAT_EQ(a[size_t(c)], expected) << c;
        EXPECT_FLOAT_EQ(b[size_t(c)], v[1][c]);
    }
}

}  // namespace
}  // namespace glhost
