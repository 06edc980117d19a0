// The GL render API against what the module relies on: formats hold what is cleared into them,
// stacks and viewports nest, clears stay in the viewport, copies scale and clip, cube faces are
// separate, the clip plane reaches geometry, and counts and leaks are reported.
#include <cmath>

#include "GlTestHost.h"

namespace glhost {
namespace {

using test::host;

Math::Vector4f texel(GlRenderApi& api, RendAPI::ITexture* t, int x, int y, int face = 0) {
    const std::vector<float> p = api.readTexels(t, face);
    const size_t i = (size_t(y) * t->getWidth() + x) * 4;
    return Math::Vector4f(p[i], p[i + 1], p[i + 2], p[i + 3]);
}

TEST(GlRenderApi, FormatsHoldTheirChannelsAndPrecision) {
    GlRenderApi& api = host().renderApi();
    struct Case {
        int format;
        float value;      // cleared into every channel
        float expected[4];  // read back
    } cases[] = {
        {RendAPI::FMT_A8R8G8B8, 0.25f, {64 / 255.f, 64 / 255.f, 64 / 255.f, 64 / 255.f}},
        {RendAPI::FMT_R5G6B5, 0.4f, {12 / 31.f, 25 / 63.f, 12 / 31.f, 1.0f}},
        {RendAPI::FMT_R16F, 1.0f / 3.0f, {0.333251953f, 0.0f, 0.0f, 1.0f}},
        {RendAPI::FMT_G16R16F, 1.0f / 3.0f, {0.333251953f, 0.333251953f, 0.0f, 1.0f}},
        {RendAPI::FMT_R32F, 1.0f / 3.0f, {1.0f / 3.0f, 0.0f, 0.0f, 1.0f}},
        {RendAPI::FMT_A32B32G32R32F, -7.25f, {-7.25f, -7.25f, -7.25f, -7.25f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        RendAPI::ITexture* t = api.createRenderTarget("fmt", 4, 2, c.format, 1);
        ASSERT_NE(t, nullptr);
        api.setRenderTargets(t, nullptr, nullptr);
        api.clearColor(c.value, c.value, c.value, c.value);
        api.resetRenderTarget();
        const Math::Vector4f v = texel(api, t, 3, 1);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(v[k], c.expected[k], 1e-6f) << k;
    }
    EXPECT_EQ(api.createRenderTarget("bad", 4, 4, RendAPI::FMT_D16, 1), nullptr);
    EXPECT_EQ(api.createDepthSurface("bad", 4, 4, RendAPI::FMT_R32F, 0), nullptr);
    EXPECT_EQ(api.createRenderTarget("bad", 4, 4, 99, 1), nullptr);
    EXPECT_EQ(api.createRenderTarget("bad", 0, 4, RendAPI::FMT_R32F, 1), nullptr);
    EXPECT_EQ(api.find("bad"), nullptr);
}

TEST(GlRenderApi, StacksViewportsClearsAndCopies) {
    GlRenderApi& api = host().renderApi();
    RendAPI::ITexture* a = api.createRenderTarget("a", 8, 8, RendAPI::FMT_A32B32G32R32F, 1);
    RendAPI::ITexture* b = api.createRenderTarget("b", 4, 4, RendAPI::FMT_A32B32G32R32F, 1);
    RendAPI::ITexture* cube = api.createCubeTarget("cube", 4, RendAPI::FMT_A32B32G32R32F);
    RendAPI::ITexture* depth = api.createDepthSurface("depth", 8, 8, RendAPI::FMT_D16, 0);
    const int errors = api.protocolErrors();

    api.setRenderTargets(a, nullptr, nullptr);
    api.setDepthSurface(depth);
    api.clearColor(1, 2, 3, 4);
    api.clearDepth(0.25f);
    api.setViewport(2, 4, 3, 2);  // a 3 x 2 block from column 2, row 4 (rows from the top)
    api.clearColor(9, 9, 9, 9);
    api.setRenderTarget("b");     // nested: the whole of b, then a's viewport again
    EXPECT_EQ(api.getViewport().width, 4);
    api.clearColor(5, 6, 7, 8);
    api.resetRenderTarget();
    EXPECT_EQ(api.getViewport().x, 2);
    EXPECT_EQ(api.getViewport().y, 4);
    api.resetDepthSurface();
    api.resetRenderTarget();
    EXPECT_EQ(texel(api, a, 2, 4).x, 9.0f);
    EXPECT_EQ(texel(api, a, 4, 5).x, 9.0f);
    EXPECT_EQ(texel(api, a, 5, 5).x, 1.0f);  // outside the viewport
    EXPECT_EQ(texel(api, a, 2, 3).x, 1.0f);
    EXPECT_NEAR(texel(api, depth, 7, 7).x, 0.25f, 1e-4f);
    EXPECT_EQ(texel(api, b, 0, 0).z, 7.0f);

    // Copies: b's 4 x 4 doubled into a, clipped where the destination leaves the image.
    const RendAPI::Rect from{0, 0, 2, 2}, to{6, 6, 10, 10};
    api.copyRect(b, a, 0, &from, &to);
    EXPECT_EQ(texel(api, a, 7, 7).y, 6.0f);
    EXPECT_EQ(texel(api, a, 5, 7).y, 2.0f);

    // Cube faces are separate images.
    api.setCubeFace("cube", 3);
    api.clearColor(3, 3, 3, 3);
    api.resetRenderTarget();
    EXPECT_EQ(texel(api, cube, 1, 1, 3).x, 3.0f);
    EXPECT_EQ(texel(api, cube, 1, 1, 2).x, 0.0f);

    // Misuse is counted, not crashed on.
    api.resetRenderTarget();
    api.resetDepthSurface();
    EXPECT_EQ(api.protocolErrors(), errors + 2);
    EXPECT_EQ(api.renderTargetDepth(), 0);
}

TEST(GlRenderApi, DebugOutputCountsEveryError) {
    GlContext& context = host().context();
    const int before = context.errorCount();
    glBindTexture(GL_TEXTURE_2D, 0xFFFFFF);  // not a texture name
    glEnable(GL_TEXTURE_2D);                 // not a core capability
    test::provokedErrors += 2;
    EXPECT_EQ(context.errorCount(), before + 2);
}

TEST(GlRenderApi, ReferenceCountsAndLeakReport) {
    GlRenderApi& api = host().renderApi();
    RendAPI::ITexture* held = api.createRenderTarget("held", 2, 2, RendAPI::FMT_R32F, 1);
    held->acquire();
    EXPECT_EQ(api.refCount("held"), 2);
    // Replacing the name: the old object lives on while held, and is then a leak.
    RendAPI::ITexture* again = api.createRenderTarget("held", 2, 2, RendAPI::FMT_R32F, 1);
    EXPECT_NE(again, held);
    const auto leaks = api.leakedObjects();
    EXPECT_EQ(std::count(leaks.begin(), leaks.end(), "held"), 1);
    const int live = api.liveObjectCount();
    held->release();
    EXPECT_EQ(api.liveObjectCount(), live - 1);
    const int errors = api.protocolErrors();
    held->release();  // a release too many is a protocol error, never a crash
    EXPECT_EQ(api.protocolErrors(), errors + 1);
    EXPECT_TRUE(api.leakedObjects().empty());
}

}  // namespace
}  // namespace glhost
