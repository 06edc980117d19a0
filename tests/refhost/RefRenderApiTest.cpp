#include "refhost/RefRenderApi.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "enviro/host/RenderApi.h"

using refhost::RefRenderApi;

namespace {

bool contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

void expectPixel(const Math::Vector4f& p, float r, float g, float b, float a, float tol = 1e-6f) {
    EXPECT_NEAR(p.x, r, tol);
    EXPECT_NEAR(p.y, g, tol);
    EXPECT_NEAR(p.z, b, tol);
    EXPECT_NEAR(p.w, a, tol);
}

}  // namespace

TEST(RefRenderApi, RegistryReplacesByNameAndKeepsHeldObjectsAlive) {
    RefRenderApi api;
    RendAPI::IRenderTarget* first = api.createRenderTarget("rt", 4, 2, RendAPI::FMT_A8R8G8B8, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(api.find("rt"), first);
    EXPECT_EQ(api.findTexture("rt"), first);
    EXPECT_EQ(api.refCount("rt"), 1);  // the registry's own reference
    EXPECT_EQ(first->getWidth(), 4);
    EXPECT_EQ(first->getHeight(), 2);
    EXPECT_EQ(first->getFormat(), RendAPI::FMT_A8R8G8B8);
    EXPECT_STREQ(first->getName(), "rt");

    first->acquire();  // a holder keeps the old object
    RendAPI::IRenderTarget* second = api.createRenderTarget("rt", 8, 8, RendAPI::FMT_R32F, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, static_cast<RendAPI::IRenderTarget*>(first));
    EXPECT_EQ(api.find("rt"), second);
    EXPECT_EQ(first->getWidth(), 4);  // still alive and intact
    EXPECT_EQ(api.liveObjectCount(), 3);  // both plus the default texture
    EXPECT_TRUE(contains(api.leakedObjects(), "rt"));  // the replaced one, still held

    first->release();  // last reference: it dies
    EXPECT_EQ(api.liveObjectCount(), 2);
    EXPECT_TRUE(api.leakedObjects().empty());
    EXPECT_EQ(api.findTexture("nothing"), nullptr);
    EXPECT_EQ(api.findTexture(nullptr), nullptr);
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(RefRenderApi, ReferenceCountsAndLeakReport) {
    RefRenderApi api;
    RendAPI::IRenderTarget* rt = api.createRenderTarget("a", 2, 2, RendAPI::FMT_R16F, 1);
    RendAPI::IDepthSurface* ds = api.createDepthSurface("b", 2, 2, RendAPI::FMT_D24X8, 0);
    ASSERT_TRUE(rt && ds);
    {
        graphics::RenderTarget holder(rt);  // acquires
        graphics::RenderTarget copy(holder);
        EXPECT_EQ(api.refCount("a"), 3);
        ds->acquire();
        std::vector<std::string> leaked = api.leakedObjects();
        EXPECT_EQ(leaked.size(), 2u);
        EXPECT_TRUE(contains(leaked, "a") && contains(leaked, "b"));
    }
    EXPECT_EQ(api.refCount("a"), 1);
    EXPECT_EQ(api.leakedObjects(), std::vector<std::string>{"b"});
    ds->release();
    EXPECT_TRUE(api.leakedObjects().empty());

    // A held default texture is a leak too.
    api.getDefaultTexture()->acquire();
    EXPECT_EQ(api.leakedObjects().size(), 1u);
    api.getDefaultTexture()->release();
    EXPECT_TRUE(api.leakedObjects().empty());
    EXPECT_EQ(api.refCount("missing"), 0);
}

TEST(RefRenderApi, ReleaseOfADeadObjectIsAProtocolErrorNotACrash) {
    RefRenderApi api;
    RendAPI::IRenderTarget* rt = api.createRenderTarget("x", 2, 2, RendAPI::FMT_A8R8G8B8, 1);
    rt->acquire();
    api.createRenderTarget("x", 2, 2, RendAPI::FMT_A8R8G8B8, 1);  // registry lets go of the first
    rt->release();                                                // dies here
    EXPECT_EQ(api.protocolErrors(), 0);
    rt->release();  // one release too many
    rt->acquire();
    EXPECT_EQ(api.protocolErrors(), 2);
    EXPECT_TRUE(api.leakedObjects().empty());
}

TEST(RefRenderApi, CreationRulesAndDeviceCapabilities) {
    RefRenderApi api;
    EXPECT_EQ(api.getMaxTextureWidth(), 8192);
    EXPECT_EQ(api.getMaxTextureHeight(), 8192);
    for (int f : {21, 22, 23, 31, 111, 112, 114, 116}) {
        EXPECT_TRUE(api.isRenderTargetFormat(f, 1)) << f;
        EXPECT_FALSE(api.isDepthTextureFormat(f)) << f;
    }
    for (int f : {77, 80}) {
        EXPECT_FALSE(api.isRenderTargetFormat(f, 1)) << f;
        EXPECT_TRUE(api.isRenderTargetFormat(f, 2)) << f;
        EXPECT_TRUE(api.isDepthTextureFormat(f)) << f;
    }
    EXPECT_FALSE(api.isRenderTargetFormat(42, 1));

    EXPECT_EQ(api.createRenderTarget("", 1, 1, 21, 1), nullptr);
    EXPECT_EQ(api.createRenderTarget(nullptr, 1, 1, 21, 1), nullptr);
    EXPECT_EQ(api.createRenderTarget("z", 0, 1, 21, 1), nullptr);
    EXPECT_EQ(api.createRenderTarget("z", 8193, 1, 21, 1), nullptr);
    EXPECT_EQ(api.createRenderTarget("z", 1, 1, 42, 1), nullptr);      // unknown format
    EXPECT_EQ(api.createRenderTarget("z", 1, 1, 80, 1), nullptr);      // depth format
    EXPECT_EQ(api.createDepthSurface("z", 1, 1, 21, 0), nullptr);      // colour format
    EXPECT_EQ(api.createDepthTexture("z", 1, 1, 114), nullptr);
    EXPECT_NE(api.createDepthTexture("psm_depth", 16, 16, 80), nullptr);
    EXPECT_NE(api.createRenderTarget("edge", 8192, 8192, 23, 1), nullptr);  // lazily stored: no cost

    api.setFormatSupport(80, true, false);
    EXPECT_FALSE(api.isDepthTextureFormat(80));
    EXPECT_EQ(api.createDepthTexture("psm_depth2", 16, 16, 80), nullptr);
    api.setFormatSupport(111, false, false);
    EXPECT_FALSE(api.isRenderTargetFormat(111, 1));
    EXPECT_EQ(api.createRenderTarget("f", 4, 4, 111, 1), nullptr);

    api.setMaxTextureSize(4096, 2048);
    EXPECT_EQ(api.getMaxTextureWidth(), 4096);
    EXPECT_EQ(api.getMaxTextureHeight(), 2048);
    EXPECT_EQ(api.createRenderTarget("big", 4096, 4096, 21, 1), nullptr);
    EXPECT_EQ(api.createCubeTarget("cube", 4096, 21), nullptr);
    EXPECT_NE(api.createCubeTarget("cube", 2048, 21), nullptr);

    api.setFailCreation("m_prtSSAOSrc", true);
    EXPECT_EQ(api.createRenderTarget("m_prtSSAOSrc", 4, 4, 23, 1), nullptr);
    api.setFailCreation("m_prtSSAOSrc", false);
    EXPECT_NE(api.createRenderTarget("m_prtSSAOSrc", 4, 4, 23, 1), nullptr);

    RendAPI::ITexture* white = api.getDefaultTexture();
    ASSERT_NE(white, nullptr);
    EXPECT_EQ(white->getWidth(), 1);
    expectPixel(api.readPixel(white, 0, 0), 1, 1, 1, 1);
    EXPECT_EQ(api.findTexture(white->getName()), nullptr);  // not a registry entry
}

TEST(RefRenderApi, StrictStacksCountProtocolErrors) {
    RefRenderApi api;
    auto* a = api.createRenderTarget("a", 8, 4, 21, 1);
    auto* b = api.createRenderTarget("b", 2, 2, 21, 1);
    auto* d = api.createDepthSurface("d", 8, 4, 77, 0);
    api.setViewport(1, 2, 3, 4);

    api.setRenderTargets(a, nullptr, b);
    EXPECT_EQ(api.currentTarget(0), a);
    EXPECT_EQ(api.currentTarget(1), nullptr);
    EXPECT_EQ(api.currentTarget(2), b);
    RendAPI::Viewport v = api.getViewport();
    EXPECT_EQ(v.width, 8);  // the whole first target
    EXPECT_EQ(v.height, 4);
    api.setRenderTarget("b");
    EXPECT_EQ(api.currentTarget(0), b);
    EXPECT_EQ(api.currentTarget(2), nullptr);
    EXPECT_EQ(api.getViewport().width, 2);
    api.setRenderTarget("unknown");  // pushes an empty entry: the reset below still balances
    EXPECT_EQ(api.currentTarget(0), nullptr);
    EXPECT_EQ(api.renderTargetDepth(), 3);
    api.resetRenderTarget();
    api.resetRenderTarget();
    EXPECT_EQ(api.currentTarget(0), a);
    EXPECT_EQ(api.getViewport().width, 8);
    api.resetRenderTarget();
    EXPECT_EQ(api.renderTargetDepth(), 0);
    v = api.getViewport();  // back to the viewport before the first set
    EXPECT_EQ(v.x, 1);
    EXPECT_EQ(v.y, 2);
    EXPECT_EQ(v.width, 3);
    EXPECT_EQ(v.height, 4);
    EXPECT_EQ(api.protocolErrors(), 0);

    api.setDepthSurface(d);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));  // "no depth surface" is a set too
    EXPECT_EQ(api.currentDepthSurface(), nullptr);
    EXPECT_EQ(api.depthSurfaceDepth(), 2);
    api.resetDepthSurface();
    EXPECT_EQ(api.currentDepthSurface(), d);
    api.resetDepthSurface();
    api.setDepthSurface("d");
    EXPECT_EQ(api.currentDepthSurface(), d);
    api.resetDepthSurface();

    api.resetRenderTarget();  // nothing to undo
    api.resetDepthSurface();
    EXPECT_EQ(api.protocolErrors(), 2);
    EXPECT_EQ(api.protocolLog().size(), 2u);
}

TEST(RefRenderApi, ObjectDyingWhileBoundIsUnbound) {
    RefRenderApi api;
    auto* a = api.createRenderTarget("a", 2, 2, 21, 1);
    a->acquire();
    api.setRenderTargets(a, nullptr, nullptr);
    api.createRenderTarget("a", 2, 2, 21, 1);  // replaces; the old one is held by us only
    a->release();
    EXPECT_EQ(api.currentTarget(0), nullptr);
    api.clearColor(1, 1, 1, 1);  // must not touch the dead object
    api.resetRenderTarget();
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(RefRenderApi, ClearsWriteTheTargetsInForceWithinTheViewport) {
    RefRenderApi api;
    auto* c0 = api.createRenderTarget("c0", 4, 4, RendAPI::FMT_A32B32G32R32F, 1);
    auto* c1 = api.createRenderTarget("c1", 4, 4, RendAPI::FMT_G16R16F, 1);
    auto* other = api.createRenderTarget("other", 4, 4, RendAPI::FMT_A32B32G32R32F, 1);
    auto* depth = api.createDepthSurface("depth", 4, 4, RendAPI::FMT_D16, 0);
    api.setRenderTargets(c0, c1, nullptr);
    api.setDepthSurface(depth);
    api.clearColor(0.25f, 0.5f, 100000.0f, 1.0f);
    api.clearDepth(1.0f);
    expectPixel(api.readPixel("c0", 3, 3), 0.25f, 0.5f, 100000.0f, 1.0f);
    expectPixel(api.readPixel("c1", 0, 0), 0.25f, 0.5f, 1.0f, 1.0f);  // two channels; the rest read 1
    EXPECT_FLOAT_EQ(api.readDepth("depth", 2, 1), 1.0f);
    expectPixel(api.readPixel("other", 0, 0), 0, 0, 0, 0);  // not in force

    api.setViewport(1, 1, 2, 2);
    api.clearColor(0, 0, 0, 0);
    api.clearDepth(0.5f);
    expectPixel(api.readPixel("c0", 1, 1), 0, 0, 0, 0);
    expectPixel(api.readPixel("c0", 2, 2), 0, 0, 0, 0);
    expectPixel(api.readPixel("c0", 0, 0), 0.25f, 0.5f, 100000.0f, 1.0f);  // outside the viewport
    expectPixel(api.readPixel("c0", 3, 1), 0.25f, 0.5f, 100000.0f, 1.0f);
    EXPECT_NEAR(api.readDepth("depth", 1, 2), 0.5f, 1.0f / 65535);
    EXPECT_FLOAT_EQ(api.readDepth("depth", 3, 3), 1.0f);

    api.setViewport(-10, -10, 100, 100);  // clipped, not overrun
    api.clearColor(1, 1, 1, 1);
    expectPixel(api.readPixel("c0", 3, 3), 1, 1, 1, 1);
    api.clearStencil(0);
    EXPECT_EQ(api.lastStencilClear(), 0);
    api.resetDepthSurface();
    api.resetRenderTarget();
    (void)other;
}

TEST(RefRenderApi, CubeFacesAreSeparateImages) {
    RefRenderApi api;
    ASSERT_NE(api.createCubeTarget("cube", 4, RendAPI::FMT_A8R8G8B8), nullptr);
    api.createRenderTarget("flat", 4, 4, 21, 1);
    api.setCubeFace("cube", 3);
    EXPECT_EQ(api.cubeFace(), 3);
    EXPECT_EQ(api.currentTarget(0), api.find("cube"));
    api.clearColor(1, 0, 0, 1);
    api.resetRenderTarget();
    EXPECT_EQ(api.cubeFace(), -1);
    expectPixel(api.readPixel("cube", 1, 1, 3), 1, 0, 0, 1);
    expectPixel(api.readPixel("cube", 1, 1, 2), 0, 0, 0, 0);
    api.setCubeFace("cube", 6);  // out of range: an empty entry
    EXPECT_EQ(api.currentTarget(0), nullptr);
    api.resetRenderTarget();
    api.setCubeFace("flat", 0);  // not a cube
    EXPECT_EQ(api.currentTarget(0), nullptr);
    api.resetRenderTarget();
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(RefRenderApi, CopyRectCopiesAndScalesPixels) {
    RefRenderApi api;
    auto* src = api.createRenderTarget("src", 4, 4, RendAPI::FMT_R32F, 1);
    auto* dst = api.createRenderTarget("dst", 8, 8, RendAPI::FMT_R32F, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) api.writePixel("src", x, y, Math::Vector4f(float(10 * y + x), 0, 0, 0));

    // 2 x 2 block of src at (1, 1) into (5, 6) of dst, same size.
    RendAPI::Rect s{1, 1, 3, 3}, d{5, 6, 7, 8};
    api.copyRect(src, dst, 0, &s, &d);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 5, 6).x, 11.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 6, 6).x, 12.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 5, 7).x, 21.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 6, 7).x, 22.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 4, 6).x, 0.0f);  // untouched around it

    // Whole src stretched over whole dst: each source texel covers 2 x 2 destination texels.
    api.copyRect(src, dst, 0, nullptr, nullptr);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 0, 0).x, 0.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 1, 1).x, 0.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 2, 1).x, 1.0f);
    EXPECT_FLOAT_EQ(api.readPixel("dst", 7, 7).x, 33.0f);

    // Overlapping copy within one image sees the source as it was.
    RendAPI::Rect s2{0, 0, 3, 1}, d2{1, 0, 4, 1};
    api.copyRect(src, src, 0, &s2, &d2);
    EXPECT_FLOAT_EQ(api.readPixel("src", 1, 0).x, 0.0f);
    EXPECT_FLOAT_EQ(api.readPixel("src", 2, 0).x, 1.0f);
    EXPECT_FLOAT_EQ(api.readPixel("src", 3, 0).x, 2.0f);

    // Out-of-range and empty rectangles neither crash nor write outside.
    RendAPI::Rect far{100, 100, 200, 200}, empty{2, 2, 2, 3};
    api.copyRect(src, dst, 0, &s, &far);
    api.copyRect(src, dst, 0, &empty, &d);
    api.copyRect(nullptr, dst, 0, nullptr, nullptr);
    api.copyRect(src, api.getDefaultTexture(), 0, nullptr, nullptr);  // the default texture stays white
    EXPECT_EQ(api.readPixel(api.getDefaultTexture(), 0, 0), Math::Vector4f(1, 1, 1, 1));
}

TEST(RefRenderApi, ClipPlaneAndSwitch) {
    RefRenderApi api;
    EXPECT_FALSE(api.isClipPlaneEnabled());
    Math::Vector4f plane(0, 1, 0, -2);
    api.setClipPlane(0, &plane);
    api.enableClipPlane(1);
    EXPECT_TRUE(api.isClipPlaneEnabled());
    EXPECT_EQ(api.clipPlane(), plane);
    api.setClipPlane(7, &plane);     // ignored
    api.setClipPlane(0, nullptr);    // ignored
    EXPECT_EQ(api.clipPlane(0), plane);
    api.enableClipPlane(0);
    EXPECT_FALSE(api.isClipPlaneEnabled());
}

TEST(RefRenderApi, ObjectsHeldPastTheRendererDeleteThemselves) {
    RendAPI::ITexture* survivor = nullptr;
    {
        RefRenderApi api;
        survivor = api.createRenderTarget("s", 2, 2, 21, 1);
        survivor->acquire();
    }
    EXPECT_EQ(survivor->getWidth(), 2);
    survivor->release();  // deletes it (the sanitizer build checks there is no leak or misuse)
}
