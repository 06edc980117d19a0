// The shadow targets of every quality: sizes and formats, device limits, clamped arguments and
// the support rules, in one table.
#include <gtest/gtest.h>

#include <string>

#include "ShadowPassScene.h"

namespace {

using namespace shadow_test;

TEST(PSMShadowTargets, EveryQualityMakesItsTargetsWithinTheDeviceLimits) {
    // Qualities 1..3 draw into hardware depth textures (format 80) and a colour target (23),
    // 4..6 into float targets (114, 111); the map is 1024 doubled per step within a path, lowered
    // to the device's limit. The atlas of light-depth quality 1 or 2 is a quarter or half of the
    // map across, half as high; the depth surface serves the float path and the atlas.
    const struct { int maxWidth, maxHeight; short quality, lightsQuality; bool floatSupport, depthTextureSupport;
                   short taken; const char *depth, *ortho, *color, *atlas, *surface; } rows[] = {
        {1024, 1024, 0, 2, true, true, 0, "none", "none", "none", "none", "none"},  // creates nothing
        {1024, 1024, 1, 0, true, true, 1, "1024x1024/80", "1024x1024/80", "1024x1024/23", "none", "none"},
        {1024, 1024, 1, 1, true, true, 1, "1024x1024/80", "1024x1024/80", "1024x1024/23", "512x256/114", "1024x1024/80"},
        {1024, 1024, 4, 2, true, true, 4, "1024x1024/114", "1024x1024/111", "none", "1024x512/114", "1024x1024/80"},
        {4096, 4096, 1, 0, true, true, 1, "2048x2048/80", "2048x2048/80", "2048x2048/23", "none", "none"},
        {4096, 4096, 3, 0, true, true, 3, "4096x4096/80", "4096x4096/80", "4096x4096/23", "none", "none"},  // 8192 lowered
        {4096, 4096, 4, 0, true, true, 4, "2048x2048/114", "2048x2048/111", "none", "none", "2048x2048/80"},  // one step up
        {4096, 4096, 6, 2, true, true, 6, "4096x4096/114", "4096x4096/111", "none", "4096x2048/114", "4096x4096/80"},
        {512, 512, 9, 5, true, true, 6, "512x512/114", "512x512/111", "none", "512x256/114", "512x512/80"},   // clamped to 6 and 2
        {512, 512, -3, -1, true, true, 0, "none", "none", "none", "none", "none"},                            // clamped to 0
        {512, 512, 2, -7, true, true, 2, "512x512/80", "512x512/80", "512x512/23", "none", "none"},
        {512, 512, 4, 2, false, true, 0, "none", "none", "none", "none", "none"},  // the float path needs float targets
        {512, 512, 3, 0, false, true, 3, "512x512/80", "512x512/80", "512x512/23", "none", "none"},
        {512, 512, 1, 1, true, false, 0, "none", "none", "none", "none", "none"},  // hardware depth needs depth textures
        {512, 512, 5, 1, true, false, 5, "512x512/114", "512x512/111", "none", "256x128/114", "512x512/80"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.maxWidth << " quality " << r.quality << "/" << r.lightsQuality);
        InstalledHost host;
        refhost::RefRenderApi& api = host.renderApi();
        api.setMaxTextureSize(r.maxWidth, r.maxHeight);
        api.setFormatSupport(RendAPI::FMT_R16F, r.floatSupport, false);
        api.setFormatSupport(RendAPI::FMT_D16, true, r.depthTextureSupport);  // a surface, maybe not a texture
        PSMShadow shadow;  // asks the device once, when made
        shadow.initShadows(1, 2);  // targets of another quality do not survive
        shadow.initShadows(r.quality, r.lightsQuality);
        auto held = [&](const char* name) { return shadow_test::held(api, name); };  // without the scene's effectors
        EXPECT_EQ(shadow.getShadowsQuality(), r.taken);
        EXPECT_EQ(held("psm_depth") + " " + held("psm_depth_ortho") + " " + held("psm_color"),
                  std::string(r.depth) + " " + r.ortho + " " + r.color);
        EXPECT_EQ(held("m_rtLightsDepth") + " " + held("psm_surface"), std::string(r.atlas) + " " + r.surface);
        const float side = r.quality > 0 && r.taken > 0 ? std::stof(r.depth) : 1024;
        EXPECT_EQ(shadow.getSmoothOffs(), Math::Vector4f(2 / side, 2 / side, 1, r.taken > 0 && r.taken < 4 ? 1 : 0));
        shadow.uninitShadows();
        EXPECT_EQ(shadow.getShadowsQuality(), r.taken) << "the quality is kept";
        EXPECT_EQ(held("psm_depth") + held("m_rtLightsDepth") + held("psm_surface"), "nonenonenone");
    }
}

TEST(PSMShadowTargets, AFailedCreationIsSilentAndLeavesTheEffectorDisabled) {
    InstalledHost host;
    host.renderApi().setFailCreation("psm_depth", true);
    PSMShadow shadow;
    shadow.initShadows(4, 1);
    shadow.enable(true);
    EXPECT_TRUE(shadow.getShadowsQuality() == 4 && !shadow.isEnabled() && host.os().messages().empty());
    shadow.uninitShadows();
    EXPECT_TRUE(host.renderApi().leakedObjects().empty());
}

}  // namespace
