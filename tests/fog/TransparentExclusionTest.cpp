// The transparent-exclusion effector against the reference host: the cloud slab test, the
// exclusion-volume constants and the shader binding of the cloud targets.
#include <gtest/gtest.h>

#include <vector>

#include "FogTestHost.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefShader.h"

namespace {

using effector::TransparentExclusion;
using Vectors = std::vector<Math::Vector4f>;

// The manager's exclusion effector with a slab from 1000 to 1400 and "m_rtCloudDepth" present.
struct SlabScene : fogtest::FogScene {
    TransparentExclusion& excl = *static_cast<TransparentExclusion*>(man.getEffectorInstance(effector::EFFECTOR_TRANSPARENTEXCLUSION));
    Vectors layer, params;

    SlabScene() {
        api.createRenderTarget("m_rtCloudDepth", 16, 16, RendAPI::FMT_A8R8G8B8, 1);
        excl.setVolumeAlt(1000.0f, 400.0f, 50.0f);
    }
    // The constants of count entries, in arrays one longer holding 7s to show what was written.
    void constants(Math::Vector3f* pos, short count) {
        layer.assign(count + 1, Math::Vector4f(7, 7, 7, 7));
        params = layer;
        excl.getConstants(pos, layer.data(), params.data(), count);
    }
};

const Math::Vector4f kUnused(0, -10000, 0, 7), kUnusedParams(1, 1, 1, 7), kUntouched(7, 7, 7, 7);

TEST(TransparentExclusion, TheSlabSeparatesObjectFromCamera) {
    // Heights are relative to the camera base; the object is a sphere of radius 10.
    const struct { double near, cameraY, baseY; float objectY; bool crosses; } rows[] = {
        {1, 0, 0, 2000, true},      // camera below, object above
        {1, 0, 0, 995, true},       // the sphere reaches into the slab
        {1, 0, 0, 985, false},      // its top stays 5 below
        {1, 1500, 0, 2000, false},  // both above
        {1, 1500, 0, 500, true},
        {1, 1200, 0, -5000, true},  // camera inside: every object is on the other side
        {1, 998.5, 0, 500, true},   // within twice the near distance counts as inside
        {1, 997.5, 0, 500, false},
        {2, 997.5, 0, 500, true},
        {1, 0, 600, 500, true},     // base 600 puts the slab bottom at 400
        {1, 0, 600, 300, false},
    };
    SlabScene s;
    for (const auto& r : rows) {
        s.host.camera().setNear(r.near);
        s.placeCamera(r.cameraY, r.baseY);
        EXPECT_EQ(s.excl.isCrossCloudsVolume(r.objectY, 10.0f), r.crosses) << r.cameraY << " " << r.objectY;
    }
    // No slab test while switched off, during a reflection pass or without a slab.
    s.placeCamera(1200, 0);
    s.excl.enable(false);
    const bool off = s.excl.isCrossCloudsVolume(2000.0f, 10.0f);
    s.excl.enable(true);
    s.api.enableClipPlane(1);
    EXPECT_FALSE(off || s.excl.isCrossCloudsVolume(2000.0f, 10.0f) || TransparentExclusion().isCrossCloudsVolume(2000.0f, 10.0f));
}

TEST(TransparentExclusion, ConstantsTakeTheOvercastHalfThenTheNearestVolumes) {
    SlabScene s;
    s.fog->SetFogDistance(20000.0f);  // no overcast
    effector::EXCLUSIONDESC far{{100, 0, 0}, {4, 5, 6}}, near{{10, 0, 0}, {1, 2, 3}};
    s.man.addEffectorData(effector::EFFECTOR_TRANSPARENTEXCLUSION, &far, sizeof far, 3);  // of any state
    s.man.addEffectorData(effector::EFFECTOR_TRANSPARENTEXCLUSION, &near, sizeof near, 0);
    Math::Vector3f origin(0, 0, 0), x90(90, 0, 0);
    s.constants(&origin, 4);
    EXPECT_EQ(s.layer, (Vectors{kUnused, {10, 0, 0, 0}, {100, 0, 0, 0}, kUnused, kUntouched}));
    EXPECT_EQ(s.params, (Vectors{kUnusedParams, {1, 2, 3, 0}, {4, 5, 6, 0}, kUnusedParams, kUntouched}));
    s.constants(&x90, 2);  // ranked from x = 90: the far volume is the nearer one
    EXPECT_EQ(s.layer, (Vectors{kUnused, {100, 0, 0, 0}, kUntouched}));
    s.constants(nullptr, 2);  // a null position ranks from the origin
    EXPECT_EQ(s.layer, (Vectors{kUnused, {10, 0, 0, 0}, kUntouched}));
    s.constants(&origin, 1);  // one entry: no room for volumes
    EXPECT_EQ(s.layer, (Vectors{kUnused, kUntouched}));

    // Overcast density 0.5: the half of the layer on the camera's side, x = +-4 / thickness.
    s.fog->SetFogDistance(6000.0f);
    const struct { double baseY; float thickness; Math::Vector4f half; } halves[] = {
        {0, 400, {0.01f, 1100, 0, 7}},       // lower half: centre 1100
        {1500, 400, {-0.01f, -200, 0, 7}},   // upper half: 200 below the base
        {1500, 0, kUnused}};                 // no half to describe
    for (const auto& h : halves) {
        s.placeCamera(0, h.baseY);
        s.editDesc([&](effector::FOGDESC& d) { d.fLayerThickness = h.thickness; });
        s.constants(&origin, 1);
        EXPECT_EQ(s.layer[0], h.half) << h.baseY << " " << h.thickness;
    }
    s.excl.enable(false);
    s.constants(&origin, 2);
    EXPECT_EQ(s.layer, (Vectors{kUnused, kUnused, kUntouched}));
}

TEST(TransparentExclusion, TheShaderGetsTheCloudTargetsAndSettings) {
    effector::SSDTextures screen;  // outlives the manager that points at it
    SlabScene s;
    refhost::RefShader shader;
    TransparentExclusion().applyShader(&shader, true);  // left alone without a slab or during a reflection pass
    s.api.enableClipPlane(1);
    s.excl.applyShader(&shader, true);
    s.api.enableClipPlane(0);
    s.excl.applyShader(nullptr, true);
    EXPECT_TRUE(shader.setNames().empty());
    s.excl.applyShader(&shader, true);
    EXPECT_EQ(shader.textureName("g_tVolumeDepth") + "," + shader.textureName("g_tVolumeAlpha"), "m_rtCloudDepth,");
    EXPECT_EQ(shader.vector("g_vExVolumeRect"), Math::Vector4f(0, 0, 1, 1));  // no screen-depth source
    s.api.createRenderTarget("m_rtCloudVol", 16, 16, RendAPI::FMT_A8R8G8B8, 1);
    screen.m_vRect = Math::Vector4f(0.25f, 0.5f, 0.75f, 1.0f);
    auto& shadow = *static_cast<effector::PSMShadow*>(s.man.getEffectorInstance(effector::EFFECTOR_PSMSHADOW));
    shadow.setScreenDepthSrc(&screen);
    s.excl.applyShader(&shader, true);
    EXPECT_EQ(shader.textureName("g_tVolumeAlpha"), "m_rtCloudVol");
    EXPECT_EQ(shader.vector("g_vExVolumeRect"), screen.m_vRect);
    s.excl.applyShader(&shader, false);  // unbinding leaves the vectors
    EXPECT_EQ(shader.textureName("g_tVolumeDepth") + "," + shader.textureName("g_tVolumeAlpha") + std::to_string(shader.setCount("g_vExVolumeSettings")), ",2");
    // The setting is limited to 1 .. 1000.
    const float limits[][2] = {{0.5f, 1}, {5000, 1000}, {-3, 1}, {1000, 1000}, {250, 250}};
    for (const auto& l : limits) {
        s.excl.setVolumeAlt(1000.0f, 400.0f, l[0]);
        s.excl.applyShader(&shader, true);
        EXPECT_EQ(shader.vector("g_vExVolumeSettings"), Math::Vector4f(l[1], 0, 0, 0)) << l[0];
    }
    shadow.setScreenDepthSrc(nullptr);
}

}  // namespace
