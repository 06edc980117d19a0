// The fog effector against the reference host: "cld_shadows" and the constant "g_FogDesc".
#include <gtest/gtest.h>

#include <vector>

#include "FogTestHost.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ReflectionEffector.h"
#include "refhost/RefShader.h"

using effector::FOGDESC;
using effector::FogEffector;
using fogtest::FogHost;

namespace {

std::vector<Math::Vector4f> fogDescOf(FogEffector& fog, bool ignoreReflection) {
    refhost::RefShader shader;
    fog.applyFogParams(&shader, ignoreReflection);
    EXPECT_EQ(shader.setCount("g_FogDesc"), 1);
    return shader.vectorArray("g_FogDesc");
}

FOGDESC sampleDesc() {
    FOGDESC d;
    d.vFogColor = Math::Vector4f(0.1f, 0.2f, 0.3f, 1.5f);
    d.vLayerFogColor = Math::Vector4f(0.7f, 0.8f, 0.9f, 1.0f);
    d.fFogDistance = 20000;
    d.fLayerFogIntensity = 0.02f;
    d.fLayerFogHeight = 120;
    d.fLayerFogDepth = 80;
    d.fHazeKneeDist = 0.3f;
    d.fHazeKneeValue = 0.6f;
    return d;
}

// Installs a manager as the module's one for the scope.
struct ScopedManager {
    effector::EffectorMan man;
    ScopedManager() { effector::effectorMan = &man; }
    ~ScopedManager() { effector::effectorMan = nullptr; }
};

}  // namespace

TEST(FogEffectorHost, CloudShadowTargetStartsWhiteAndIsShared) {
    FogHost h;
    refhost::RefRenderApi& api = h.host.renderApi();
    {
        FogEffector fog;
        RendAPI::IRenderTarget* rt = fog.getShadowTexture();
        ASSERT_NE(rt, nullptr);
        EXPECT_EQ(rt, api.find("cld_shadows"));
        EXPECT_EQ(rt->getWidth(), 1024);
        EXPECT_EQ(rt->getHeight(), 1024);
        EXPECT_EQ(rt->getFormat(), RendAPI::FMT_R5G6B5);
        for (int xy : {0, 511, 1023}) {
            Math::Vector4f p = api.readPixel("cld_shadows", xy, xy);
            EXPECT_EQ(p.x, 1.0f);
            EXPECT_EQ(p.y, 1.0f);
            EXPECT_EQ(p.z, 1.0f);
        }
        EXPECT_EQ(api.renderTargetDepth(), 0);
        EXPECT_EQ(api.depthSurfaceDepth(), 0);
        EXPECT_EQ(api.refCount("cld_shadows"), 2);  // the registry's and the effector's

        FogEffector copy(fog);
        EXPECT_EQ(copy.getShadowTexture(), rt);
        EXPECT_EQ(api.refCount("cld_shadows"), 3);
        FogEffector other;  // replaces the registry entry with a new target
        other = fog;
        EXPECT_EQ(other.getShadowTexture(), rt);
        other = other;
        EXPECT_EQ(other.GetFogComplexDistance(), 30000.0f);
    }
    EXPECT_EQ(api.refCount("cld_shadows"), 1);
    EXPECT_TRUE(api.leakedObjects().empty());
    EXPECT_EQ(api.protocolErrors(), 0);

    // A target the renderer refuses stays null, and nothing is bound or cleared.
    api.setFailCreation("cld_shadows", true);
    FogEffector failed;
    EXPECT_EQ(failed.getShadowTexture(), nullptr);
    EXPECT_EQ(api.protocolErrors(), 0);
    EXPECT_EQ(api.renderTargetDepth(), 0);
}

TEST(FogEffectorHost, FogDescNormalContent) {
    FogHost h;
    FogEffector fog;
    FOGDESC d = sampleDesc();
    fog.setFogDesc(&d);
    h.placeCamera(500, 40);

    std::vector<Math::Vector4f> v = fogDescOf(fog, false);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0], Math::Vector4f(0.3f, 0.6f, 0, 0));
    EXPECT_EQ(v[1], Math::Vector4f(0, 1, 0, 40 - 120));
    EXPECT_EQ(v[2], d.vLayerFogColor);
    EXPECT_EQ(v[3], Math::Vector4f(0.02f, 80, 0.0125f, 1));
    EXPECT_EQ(v[4], d.vFogColor);
    EXPECT_EQ(v[5], fog.GetDistanceParam());
    EXPECT_FLOAT_EQ(v[5].x, 1.0f / 20000);
    EXPECT_EQ(fogDescOf(fog, true), v);

    // A shader without the constant is left alone; a null shader is ignored.
    refhost::RefShader other(std::vector<std::string>{"g_Other"});
    fog.applyFogParams(&other, false);
    EXPECT_TRUE(other.setNames().empty());
    fog.applyFogParams(nullptr, false);
}

TEST(FogEffectorHost, FogDescDuringAReflectionPass) {
    FogHost h;
    ScopedManager scoped;
    effector::EffectorMan& man = scoped.man;
    auto* fog = static_cast<FogEffector*>(man.getEffectorInstance(effector::EFFECTOR_FOG));
    auto* reflection = static_cast<effector::ReflectionEffector*>(man.getEffectorInstance(effector::EFFECTOR_REFLECTION));
    ASSERT_NE(fog, nullptr);
    ASSERT_NE(reflection, nullptr);
    FOGDESC d = sampleDesc();
    fog->setFogDesc(&d);
    reflection->setReflectionRange(250);
    const std::vector<Math::Vector4f> normal = fogDescOf(*fog, false);

    reflection->beginReflection("reflection_color", "reflection_depth", &h.host.camera());
    std::vector<Math::Vector4f> v = fogDescOf(*fog, false);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0], Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(v[1], normal[1]);
    EXPECT_EQ(v[2], normal[2]);
    EXPECT_EQ(v[3], normal[3]);
    EXPECT_EQ(v[4], Math::Vector4f(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_FLOAT_EQ(v[5].x, 1.0f / 250);
    EXPECT_EQ(v[5].y, normal[5].y);
    EXPECT_EQ(v[5].z, normal[5].z);
    EXPECT_EQ(v[5].w, normal[5].w);
    EXPECT_EQ(fogDescOf(*fog, true), normal);  // the caller asked for the plain fog
    reflection->endReflection();
    EXPECT_EQ(fogDescOf(*fog, false), normal);

    // A cube pass counts as a reflection pass too.
    h.host.renderApi().createCubeTarget("cube", 16, RendAPI::FMT_A8R8G8B8);
    reflection->beginCubeTarget("cube", nullptr, 0, nullptr, 0);
    EXPECT_EQ(fogDescOf(*fog, false)[4], Math::Vector4f(0.5f, 0.5f, 0.5f, 1.0f));
    reflection->endCubeTarget();

    // Without a manager the distance scale stays the fog's own.
    effector::effectorMan = nullptr;
    h.host.renderApi().enableClipPlane(1);
    v = fogDescOf(*fog, false);
    EXPECT_EQ(v[4], Math::Vector4f(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_EQ(v[5], normal[5]);
    h.host.renderApi().enableClipPlane(0);
}
