// LightSource::setLight and setSSLight read back from the reference host's shader.
#include <gtest/gtest.h>

#include <cmath>

#include "LightPassScene.h"
#include "enviro/effects/ReflectionEffector.h"
#include "refhost/RefShader.h"

namespace {

using namespace light_test;

struct ShaderBindingTest : ::testing::Test, LightPassScene {
    refhost::RefShader shader;
};

void expectNear(const Math::Vector4f& a, const Math::Vector4f& b) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], 1e-6) << i;
}

TEST_F(ShaderBindingTest, SetLightEncodesTheLightsThatReachTheSphere) {
    LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.4f});
    LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {0.5f, 0.5f, 0.5f, 9.0f});
    LIGHTDESC point = makeLight(LIGHT_POINT, {1, 0, 0}, {2, 1, 0.5f, 0}, 10.0f);
    point.flags = LIGHTFLAG_SHADERTAG;
    point.vColor.x = -4.0f;
    LIGHTDESC spot = makeLight(LIGHT_SPOT, {0, 0, -3}, {1, 1, 1, 0}, 10.0f);
    spot.vDir = Math::Vector4f(0, 0, 1, 0.25f);  // points back to the light: shines along -z, away
    LIGHTDESC spotIn = makeLight(LIGHT_SPOT, {0, 0, 3}, {0.9f, 0.9f, 0.9f, 0}, 10.0f);
    spotIn.vDir = Math::Vector4f(0, 0, 1, 7.0f);  // shines along -z, onto the origin
    spotIn.fConeEdge = 0.25f;
    for (LIGHTDESC* l : {&ambient, &sun, &point, &spot, &spotIn}) man.addLight(l);

    Math::Vector3f pos(0, 0, 0);
    Math::Vector4f dif(1, 2, 3, 4);
    lights->setLight(&shader, &pos, 0.5f, &dif, nullptr, 4);
    EXPECT_EQ(shader.vector("ambient"), ambient.vColor);
    std::vector<Math::Vector4f> p = shader.vectorArray("g_avLightPos"), c = shader.vectorArray("g_avLightColor"),
                                d = shader.vectorArray("g_avConeDir");
    ASSERT_EQ(p.size(), 4u);
    ASSERT_EQ(c.size(), 4u);
    // The sun (weight first), the tagged point light, the spot facing the origin; the spot facing
    // away is rejected by the sphere test and the walk goes on.
    EXPECT_EQ(p[0], Math::Vector4f(0, -1, 0, 1));
    EXPECT_EQ(c[0], Math::Vector4f(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_EQ(p[1], Math::Vector4f(1, 0, 0, 2));
    EXPECT_EQ(c[1], Math::Vector4f(100.0f, 1, 0.5f, point.fAttenK));
    EXPECT_EQ(p[2], Math::Vector4f(0, 0, 3, 3.5f));
    EXPECT_EQ(d[2], Math::Vector4f(0, 0, 1, 0.25f));
    EXPECT_EQ(p[3], Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(c[3], Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(shader.vector("lightCount"), Math::Vector4f(3, 3, 3, 3));
    EXPECT_EQ(shader.vector("difColor"), dif);
    EXPECT_FALSE(shader.isSet("specColor"));

    // Fewer slots than lights: the walk stops when they are full.
    lights->setLight(&shader, &pos, 0.5f, nullptr, &dif, 1);
    EXPECT_EQ(shader.vectorArray("g_avLightPos").size(), 1u);
    EXPECT_EQ(shader.vector("lightCount"), Math::Vector4f(1, 1, 1, 1));
    EXPECT_EQ(shader.vector("specColor"), dif);

    // Out-of-range counts are clamped to 0..64; a null shader or position does no harm.
    lights->setLight(&shader, nullptr, 0.0f, nullptr, nullptr, 1000);
    EXPECT_EQ(shader.vectorArray("g_avLightPos").size(), 64u);
    lights->setLight(&shader, &pos, 1.0f, nullptr, nullptr, -5);
    EXPECT_TRUE(shader.vectorArray("g_avLightPos").empty());
    EXPECT_EQ(shader.vector("lightCount"), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(shader.vector("ambient"), Math::Vector4f(0, 0, 0, 0));  // no walk, no ambient
    lights->setLight(nullptr, &pos, 1.0f, nullptr, nullptr, 4);

    // Missing parameters are skipped.
    refhost::RefShader partial({"lightCount"});
    lights->setLight(&partial, &pos, 0.5f, &dif, &dif, 4);
    EXPECT_EQ(partial.setNames(), std::vector<std::string>{"lightCount"});
}

TEST_F(ShaderBindingTest, SetSSLightSplitsTheRenderedSunAndBindsTheTextures) {
    LIGHTDESC ambient = makeLight(LIGHT_AMBIENT, {0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.0f});
    LIGHTDESC sun = makeLight(LIGHT_DIRECTIONAL, {0, -1, 0}, {1.0f, 0.8f, 0.6f, 1.0f});
    man.addLight(&ambient);
    man.addLight(&sun);
    addPointLights(3);
    lights->renderLighting();
    lights->setDefSpecBright(2.0f);

    lights->setSSLight(&shader, true, 1.0f);
    expectNear(shader.vector("ambient"), ambient.vColor);
    EXPECT_EQ(shader.vector("g_vDefLightColor"), sun.vColor);
    EXPECT_EQ(shader.vector("g_vDefSpecColor"), sun.vColor * 2.0f);
    EXPECT_EQ(shader.vector("g_vDefLightDir"), Math::Vector4f(0, -1, 0, 4));
    EXPECT_EQ(shader.texture("g_tLightsList"), set.m_prtLightsList);
    EXPECT_EQ(shader.textureName("g_tLightsInfo"), "m_rtLights");
    EXPECT_EQ(shader.texture("g_tLightsShadows"), nullptr);  // no light matrices in use
    std::vector<Math::Vector4f> rows = shader.vectorArray("g_LightListSettings");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], set.getListRect());
    EXPECT_EQ(rows[1], Math::Vector4f(kWidth, kHeight, 1.0f / kTile, 0));
    EXPECT_EQ(rows[2], Math::Vector4f(0, 0.5f, 0.75f, 0.875f));
    EXPECT_EQ(rows[3], Math::Vector4f(0.25f, 0.125f, 0.0625f, 0.03125f));
    EXPECT_EQ(rows[4], Math::Vector4f(0.5f, 0.25f, 0.125f, 0.0625f));
    EXPECT_EQ(rows[5], Math::Vector4f(0, 0, 0, 0));

    lights->setSSLight(&shader, true, 0.0f);
    expectNear(shader.vector("ambient"), ambient.vColor + sun.vColor);
    EXPECT_EQ(shader.vector("g_vDefLightColor"), Math::Vector4f(0, 0, 0, 0));

    lights->setSSLight(&shader, false, 0.5f);
    EXPECT_EQ(shader.texture("g_tLightsList"), nullptr);
    EXPECT_EQ(shader.texture("g_tLightsInfo"), nullptr);
    EXPECT_EQ(shader.vector("g_vDefLightColor"), Math::Vector4f(0, 0, 0, 0));  // untouched
    lights->setSSLight(nullptr, true, 1.0f);
}

TEST_F(ShaderBindingTest, TheShadowAtlasIsBoundOnlyWithMatricesAndOutsideCubePasses) {
    host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1);
    LIGHTDESC spot = makeLight(LIGHT_SPOT, {0, 0, -1}, {1, 1, 1, 1}, 40.0f);
    spot.flags = LIGHTFLAG_SHADOW;
    spot.vDir = Math::Vector4f(0, 0, -1, 0);
    man.addLight(&spot);
    lights->updateShadowData();
    ASSERT_GT(lights->getUsedLightMatrices(), 0);
    lights->dynamicShadowsSmooth(true);
    lights->renderLighting();

    lights->setSSLight(&shader, true, 1.0f);
    EXPECT_EQ(shader.textureName("g_tLightsShadows"), "m_rtLightsDepth");
    std::vector<Math::Vector4f> rows = shader.vectorArray("g_LightListSettings");
    EXPECT_EQ(rows[1].w, 1.0f);  // smooth shadows with the atlas present
    EXPECT_EQ(rows[5], Math::Vector4f(1024, 512, 1.0f / 1024, 1.0f / 512));

    auto* reflection = static_cast<ReflectionEffector*>(man.getEffectorInstance(EFFECTOR_REFLECTION));
    host.renderApi().createCubeTarget("probe", 32, 21);
    Math::Vector3d at(0, 0, 0);
    reflection->beginCubeTarget("probe", nullptr, 0, &at, 0);
    lights->setSSLight(&shader, true, 1.0f);
    reflection->endCubeTarget();
    EXPECT_EQ(shader.texture("g_tLightsShadows"), nullptr);
    EXPECT_EQ(shader.vectorArray("g_LightListSettings")[5], Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(host.renderApi().protocolErrors(), 0);
}

}  // namespace
