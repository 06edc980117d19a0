// SLightsTextures: tile growth, tile counts, power-of-two target sizes, the shared name counter,
// failures, clearing and the counted copies.
#include <gtest/gtest.h>

#include <string>

#include "enviro/effector/CountedTargetName.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/ReferenceHost.h"

namespace {

using effector::SLightsTextures;

struct LightsTexturesTest : ::testing::Test {
    refhost::ReferenceHost host;
    void SetUp() override { host.install(); }
    refhost::RefRenderApi& api() { return host.renderApi(); }
};

int pow2(int v) {
    int p = 1;
    while (p < v) p *= 2;
    return p;
}

// Independent reckoning of one init: the tile doubles until both integer quotients are at most
// 128; tiles round up.
void expectLayout(short w, short h, short tile, short maxLights) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " tile " + std::to_string(tile));
    SLightsTextures set;
    ASSERT_TRUE(set.init(w, h, tile, maxLights));
    int t = tile;
    while (w / t > 128 || h / t > 128) t *= 2;
    const int tx = (w + t - 1) / t, ty = (h + t - 1) / t;
    EXPECT_EQ(set.m_nTileSize, t);
    EXPECT_EQ(set.m_nTilesX, tx);
    EXPECT_EQ(set.m_nTilesY, ty);
    EXPECT_LE(tx, 129);
    EXPECT_LE(ty, 129);
    EXPECT_EQ(set.m_prtOcclusion->getWidth(), pow2(16 * tx));
    EXPECT_EQ(set.m_prtOcclusion->getHeight(), pow2(16 * ty));
    EXPECT_EQ(set.m_prtLightsList->getWidth(), pow2(16 * tx));
    EXPECT_EQ(set.m_prtLightsList->getHeight(), pow2(((maxLights - 1) / 16 + 1) * ty));
    EXPECT_EQ(set.m_prtDepthRange->getWidth(), pow2(tx));
    EXPECT_EQ(set.m_prtLightsTemp->getHeight(), pow2(ty));
    const float lw = float(set.m_prtLightsList->getWidth()), lh = float(set.m_prtLightsList->getHeight());
    EXPECT_EQ(set.getListRect(), Math::Vector4f(tx / lw, ty / lh, 1 / lw, 1 / lh));
    EXPECT_EQ(set.getListRect2(), Math::Vector4f(w, h, 1.0f / t, 0.0f));
    EXPECT_EQ(set.m_prtOcclusion->getFormat(), 112);
}

TEST_F(LightsTexturesTest, SizesOfCommonOddAndExtremeScreens) {
    {
        SLightsTextures set;
        ASSERT_TRUE(set.init(1920, 1080, 16, 32));
        EXPECT_EQ(set.m_nTileSize, 16);
        EXPECT_EQ(set.m_nTilesX, 120);
        EXPECT_EQ(set.m_nTilesY, 68);
        EXPECT_EQ(set.m_prtOcclusion->getWidth(), 2048);
        EXPECT_EQ(set.m_prtOcclusion->getHeight(), 2048);
        EXPECT_EQ(set.m_prtLightsList->getWidth(), 2048);
        EXPECT_EQ(set.m_prtLightsList->getHeight(), 256);
        EXPECT_EQ(set.m_prtDepthRange->getWidth(), 128);
        EXPECT_EQ(set.m_prtLightsTemp->getHeight(), 128);
    }
    {
        SLightsTextures set;
        ASSERT_TRUE(set.init(3840, 2160, 16, 8));
        EXPECT_EQ(set.m_nTileSize, 32);  // 3840 / 16 = 240 tiles would be too many
        EXPECT_EQ(set.m_nTilesX, 120);
        EXPECT_EQ(set.m_nTilesY, 68);
        EXPECT_EQ(set.m_prtLightsList->getHeight(), 128);
    }
    {
        SLightsTextures set;
        ASSERT_TRUE(set.init(2048, 2048, 16, 32));
        EXPECT_EQ(set.m_nTileSize, 16);  // exactly 128 tiles across and down: not too many
        EXPECT_EQ(set.m_nTilesX, 128);
        EXPECT_EQ(set.m_nTilesY, 128);
        EXPECT_EQ(set.m_prtOcclusion->getWidth(), 2048);
    }
    expectLayout(1920, 1080, 16, 32);
    expectLayout(1000, 17, 16, 17);     // partial tiles both ways, two list rows
    expectLayout(129 * 16, 16, 16, 1);  // quotient 129: the tile doubles
    expectLayout(128 * 16 + 1, 5, 16, 16);
    expectLayout(1, 1, 64, 3);
    // Tile 1 on the largest screen: the tile grows to 256 instead of 32767 tiles.
    expectLayout(32767, 32767, 1, 1);
}

TEST_F(LightsTexturesTest, NamesCountAcrossSetsAndScreenDepthTargets) {
    const unsigned n = effector::peekCountedTargetName();
    SLightsTextures a, b;
    ASSERT_TRUE(a.init(640, 480, 16, 4));
    EXPECT_EQ(std::string(a.m_prtOcclusion->getName()), "m_rtOcclusion" + std::to_string(n));
    EXPECT_EQ(std::string(a.m_prtLightsList->getName()), "m_rtLightsList" + std::to_string(n + 1));
    EXPECT_EQ(std::string(a.m_prtDepthRange->getName()), "m_rtDepthRange" + std::to_string(n + 2));
    EXPECT_EQ(std::string(a.m_prtLightsTemp->getName()), "m_rtLightsTemp" + std::to_string(n + 3));
    effector::SSDTextures screen;  // normals, depth and the depth surface draw three numbers
    screen.init(640, 480, false);
    ASSERT_TRUE(b.init(640, 480, 16, 4));
    EXPECT_EQ(std::string(b.m_prtOcclusion->getName()), "m_rtOcclusion" + std::to_string(n + 7));
    // Re-initialising makes new names and lets the old targets go.
    ASSERT_TRUE(a.init(320, 240, 16, 4));
    EXPECT_EQ(std::string(a.m_prtOcclusion->getName()), "m_rtOcclusion" + std::to_string(n + 11));
    EXPECT_EQ(api().find(("m_rtOcclusion" + std::to_string(n)).c_str())->getWidth(), 1024);
    EXPECT_EQ(api().refCount(("m_rtOcclusion" + std::to_string(n)).c_str()), 1);  // the registry's only
    screen.uninit();
}

TEST_F(LightsTexturesTest, RefusedArgumentsAndFailedCreations) {
    const unsigned n = effector::peekCountedTargetName();
    const int objects = api().liveObjectCount();
    SLightsTextures set;
    EXPECT_FALSE(set.init(1920, 1080, 16, 0));
    EXPECT_FALSE(set.init(1920, 1080, 16, -3));
    EXPECT_FALSE(set.init(0, 1080, 16, 8));
    EXPECT_FALSE(set.init(1920, -1, 16, 8));
    EXPECT_EQ(api().liveObjectCount(), objects);
    EXPECT_EQ(effector::peekCountedTargetName(), n);
    EXPECT_EQ(set.m_nMaxLights, 0);

    // A tile size below 1 counts as 1; more than 256 layers count as 256.
    ASSERT_TRUE(set.init(100, 50, 0, 1000));
    EXPECT_EQ(set.m_nTileSize, 1);
    EXPECT_EQ(set.m_nMaxLights, 256);
    EXPECT_EQ(set.m_prtLightsList->getHeight(), pow2(16 * 50));

    // The list target failing fails init and leaves no target held.
    const unsigned next = effector::peekCountedTargetName();
    api().setFailCreation(("m_rtLightsList" + std::to_string(next + 1)).c_str(), true);
    EXPECT_FALSE(set.init(640, 480, 16, 8));
    EXPECT_EQ(set.m_prtOcclusion, nullptr);
    EXPECT_EQ(set.m_prtLightsList, nullptr);
    EXPECT_EQ(set.m_prtDepthRange, nullptr);
    EXPECT_EQ(set.m_prtLightsTemp, nullptr);

    // The temporary target failing does not.
    const unsigned last = effector::peekCountedTargetName();
    api().setFailCreation(("m_rtLightsTemp" + std::to_string(last + 3)).c_str(), true);
    EXPECT_TRUE(set.init(640, 480, 16, 8));
    EXPECT_EQ(set.m_prtLightsTemp, nullptr);
    EXPECT_NE(set.m_prtDepthRange, nullptr);
    set.uninit();
    EXPECT_TRUE(api().leakedObjects().empty());
}

TEST_F(LightsTexturesTest, CopiesShareTheTargetsAndClearEmptiesThem) {
    SLightsTextures a;
    ASSERT_TRUE(a.init(640, 480, 16, 8));
    const std::string list = a.m_prtLightsList->getName();
    {
        SLightsTextures copy(a);
        EXPECT_EQ(copy.m_prtLightsList, a.m_prtLightsList);
        EXPECT_EQ(api().refCount(list.c_str()), 3);
        SLightsTextures other;
        ASSERT_TRUE(other.init(320, 240, 16, 8));
        const std::string otherList = other.m_prtLightsList->getName();
        other = a;  // drops its own targets
        EXPECT_EQ(api().refCount(otherList.c_str()), 1);
        EXPECT_EQ(api().refCount(list.c_str()), 4);
        EXPECT_EQ(other.m_nTilesX, a.m_nTilesX);
    }
    EXPECT_EQ(api().refCount(list.c_str()), 2);

    api().writePixel(list.c_str(), 3, 2, Math::Vector4f(5, 6, 0, 0));
    api().writePixel(a.m_prtOcclusion->getName(), 0, 0, Math::Vector4f(5, 6, 0, 0));
    a.clear();
    EXPECT_EQ(api().readPixel(list.c_str(), 3, 2), Math::Vector4f(0, 0, 1, 1));  // two channels
    EXPECT_EQ(api().readPixel(a.m_prtOcclusion, 0, 0), Math::Vector4f(0, 0, 1, 1));
    EXPECT_EQ(host.clients().callsOf("SysPostEffect", "clearTarget").size(), 4u);

    a.uninit();
    EXPECT_EQ(a.m_prtOcclusion, nullptr);
    EXPECT_TRUE(api().leakedObjects().empty());
    a.clear();  // nothing to clear: no call
    EXPECT_EQ(host.clients().callsOf("SysPostEffect", "clearTarget").size(), 4u);
}

}  // namespace
