// The reference renderer as the module's tests rely on it: reference counts and the leak report,
// the strict target stacks, creation rules, and the pixels that clears and copies write.
#include "refhost/RefRenderApi.h"

#include <gtest/gtest.h>

#include <cmath>

#include "enviro/host/RenderApi.h"

using refhost::RefRenderApi;

TEST(RefRenderApi, ReferenceCountsAndLeakReport) {
    RefRenderApi api;
    RendAPI::IRenderTarget* first = api.createRenderTarget("rt", 4, 2, RendAPI::FMT_A8R8G8B8, 1);
    EXPECT_EQ(api.refCount("rt"), 1);  // the registry's own reference
    EXPECT_TRUE(api.leakedObjects().empty());
    first->acquire();  // a holder keeps the object alive when the registry replaces it
    RendAPI::IRenderTarget* second = api.createRenderTarget("rt", 8, 8, RendAPI::FMT_R32F, 1);
    EXPECT_EQ(api.find("rt"), second);
    EXPECT_EQ(first->getWidth(), 4);
    EXPECT_EQ(api.liveObjectCount(), 3);  // both and the default texture
    EXPECT_EQ(api.leakedObjects(), std::vector<std::string>{"rt"});
    first->release();  // the last reference: it dies
    EXPECT_EQ(api.liveObjectCount(), 2);
    EXPECT_TRUE(api.leakedObjects().empty());
    first->release();  // one release too many, and a use after death: protocol errors, not crashes
    first->acquire();
    EXPECT_EQ(api.protocolErrors(), 2);
    {
        graphics::RenderTarget holder(second), copy(holder);  // counted references
        EXPECT_EQ(api.refCount("rt"), 3);
        EXPECT_EQ(api.leakedObjects(), std::vector<std::string>{"rt"});
    }
    EXPECT_EQ(api.refCount("rt"), 1);
    api.getDefaultTexture()->acquire();  // a held default texture is a leak too
    EXPECT_EQ(api.leakedObjects().size(), 1u);
    api.getDefaultTexture()->release();
    EXPECT_TRUE(api.leakedObjects().empty());
}

TEST(RefRenderApi, StrictStacksRestoreTargetsAndViewportAndCountProtocolErrors) {
    RefRenderApi api;
    auto* a = api.createRenderTarget("a", 8, 4, 21, 1);
    auto* b = api.createRenderTarget("b", 2, 2, 21, 1);
    auto* d = api.createDepthSurface("d", 8, 4, 77, 0);
    api.setViewport(1, 2, 3, 4);
    api.setRenderTargets(a, nullptr, b);
    EXPECT_TRUE(api.currentTarget(2) == b && api.getViewport().width == 8);  // the whole first target
    api.setRenderTarget("b");
    EXPECT_TRUE(api.currentTarget(0) == b && api.currentTarget(2) == nullptr);
    api.setRenderTarget("unknown");  // pushes an empty entry: the reset below still balances
    EXPECT_TRUE(api.currentTarget(0) == nullptr && api.renderTargetDepth() == 3);
    api.resetRenderTarget();
    api.resetRenderTarget();
    EXPECT_TRUE(api.currentTarget(0) == a && api.getViewport().width == 8);
    api.resetRenderTarget();
    const RendAPI::Viewport v = api.getViewport();  // back to the viewport before the first set
    EXPECT_EQ(std::vector<int>({v.x, v.y, v.width, v.height}), std::vector<int>({1, 2, 3, 4}));

    api.setDepthSurface(d);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));  // "no depth surface" is a set too
    EXPECT_EQ(api.depthSurfaceDepth(), 2);
    api.resetDepthSurface();
    EXPECT_EQ(api.currentDepthSurface(), d);
    api.resetDepthSurface();
    EXPECT_EQ(api.renderTargetDepth() + api.depthSurfaceDepth() + api.protocolErrors(), 0);
    api.resetRenderTarget();  // nothing to undo
    api.resetDepthSurface();
    EXPECT_EQ(api.protocolErrors(), 2);
}

TEST(RefRenderApi, CreationFollowsTheFormatsSizesAndFailuresItIsGiven) {
    RefRenderApi api;
    api.setFormatSupport(111, false, false);
    api.setMaxTextureSize(4096, 2048);
    api.setFailCreation("m_prtSSAOSrc", true);
    const struct { const char* name; int width, height, format; bool made; } targets[] = {
        {"", 1, 1, 21, false}, {nullptr, 1, 1, 21, false}, {"z", 0, 1, 21, false},  // no name, no size
        {"z", 4097, 1, 21, false}, {"z", 1, 2049, 21, false}, {"z", 4096, 2048, 23, true},  // the largest size
        {"z", 1, 1, 42, false}, {"z", 1, 1, 80, false}, {"z", 1, 1, 111, false},  // unknown, depth, unsupported
        {"m_prtSSAOSrc", 4, 4, 23, false}, {"z", 4, 4, 116, true},
    };
    for (const auto& t : targets)
        EXPECT_EQ(api.createRenderTarget(t.name, t.width, t.height, t.format, 1) != nullptr, t.made) << t.width << "x" << t.height << " " << t.format;
    EXPECT_EQ(api.createDepthSurface("z", 1, 1, 21, 0), nullptr);  // a colour format
    EXPECT_EQ(api.createCubeTarget("cube", 4096, 21), nullptr);
    api.setFormatSupport(80, true, false);
    EXPECT_EQ(api.createDepthTexture("psm_depth", 16, 16, 80), nullptr);
}

TEST(RefRenderApi, ClearsAndCopiesWriteTheirPixelsOnly) {
    RefRenderApi api;
    auto* c0 = api.createRenderTarget("c0", 4, 4, RendAPI::FMT_A32B32G32R32F, 1);
    auto* c1 = api.createRenderTarget("c1", 4, 4, RendAPI::FMT_G16R16F, 1);
    api.createRenderTarget("other", 4, 4, RendAPI::FMT_A32B32G32R32F, 1);
    api.createDepthSurface("depth", 4, 4, RendAPI::FMT_D16, 0);
    api.setRenderTargets(c0, c1, nullptr);
    api.setDepthSurface("depth");
    api.clearColor(0.25f, 0.5f, 100000.0f, 1.0f);
    api.clearDepth(1.0f);
    api.setViewport(1, 1, 2, 2);
    api.clearColor(0, 0, 0, 0);
    api.clearDepth(0.5f);
    api.resetDepthSurface();
    api.resetRenderTarget();
    const Math::Vector4f first(0.25f, 0.5f, 100000.0f, 1.0f), zero(0, 0, 0, 0);
    const struct { const char* name; int x, y, face; Math::Vector4f value; } pixels[] = {
        {"c0", 3, 3, 0, first}, {"c0", 0, 0, 0, first}, {"c0", 1, 1, 0, zero}, {"c0", 2, 2, 0, zero},  // the viewport
        {"c1", 0, 0, 0, {0.25f, 0.5f, 1, 1}},  // two channels; the others read 1
        {"other", 0, 0, 0, zero},              // not in force
    };
    for (const auto& p : pixels) EXPECT_EQ(api.readPixel(p.name, p.x, p.y, p.face), p.value) << p.name << " " << p.x << "," << p.y;
    EXPECT_TRUE(api.readDepth("depth", 3, 3) == 1.0f && std::fabs(api.readDepth("depth", 1, 2) - 0.5f) <= 1.0f / 65535);

    auto* src = api.createRenderTarget("src", 4, 4, RendAPI::FMT_R32F, 1);
    auto* dst = api.createRenderTarget("dst", 8, 8, RendAPI::FMT_R32F, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) api.writePixel("src", x, y, Math::Vector4f(float(10 * y + x), 0, 0, 0));
    RendAPI::Rect s{1, 1, 3, 3}, d{5, 6, 7, 8}, far{100, 100, 200, 200};
    api.copyRect(src, dst, 0, &s, &d);  // a 2 x 2 block, same size
    api.copyRect(src, dst, 0, &s, &far);  // outside: nothing written, no overrun
    EXPECT_TRUE(api.readPixel("dst", 6, 7).x == 22.0f && api.readPixel("dst", 4, 6).x == 0.0f);
    api.copyRect(src, dst, 0, nullptr, nullptr);  // stretched: each texel covers 2 x 2
    EXPECT_TRUE(api.readPixel("dst", 2, 1).x == 1.0f && api.readPixel("dst", 7, 7).x == 33.0f);
    EXPECT_EQ(api.protocolErrors(), 0);
}
