// The light effector's own targets: created by the constructor, shared by copies, released by
// the destructor; and a record texture that could not be made.
#include <gtest/gtest.h>

#include "LightPassScene.h"
#include "refhost/RefShader.h"

namespace {

using namespace light_test;

TEST(LightSourceTargets, ConstructorCreatesTheCubesAndTheRecordTexture) {
    InstalledHost host;
    refhost::RefRenderApi& api = host.renderApi();
    {
        LightSource lights;
        for (const char* cube : {"cube_ambient", "cube_ambient_src"}) {
            ASSERT_NE(api.find(cube), nullptr) << cube;
            EXPECT_EQ(api.find(cube)->getWidth(), 16);
            EXPECT_EQ(api.find(cube)->getFormat(), 31);
            EXPECT_EQ(api.refCount(cube), 1);  // not held
        }
        RendAPI::ITexture* records = lights.getLightsTex();
        ASSERT_NE(records, nullptr);
        EXPECT_STREQ(records->getName(), "m_rtLights");
        EXPECT_EQ(records->getWidth(), 256);
        EXPECT_EQ(records->getHeight(), 16);
        EXPECT_EQ(records->getFormat(), 116);
        EXPECT_EQ(api.refCount("m_rtLights"), 2);
        const float* lody = lights.getShadowLODY();
        EXPECT_EQ(lody[1], 0.5f);
        EXPECT_EQ(lody[3], 0.875f);

        LightSource copy(lights);
        EXPECT_EQ(copy.getLightsTex(), records);
        EXPECT_EQ(api.refCount("m_rtLights"), 3);
        LightSource other;  // replaces the registry's "m_rtLights"; the first one lives on
        RendAPI::ITexture* second = other.getLightsTex();
        other = lights;     // drops its own record texture
        EXPECT_EQ(other.getLightsTex(), records);
        EXPECT_STREQ(api.leakedObjects().empty() ? "" : api.leakedObjects()[0].c_str(), "m_rtLights");
        EXPECT_NE(second, records);
    }
    EXPECT_TRUE(api.leakedObjects().empty());
    EXPECT_EQ(api.protocolErrors(), 0);
}

TEST(LightSourceTargets, WithoutTheRecordTextureThePassesDoNothing) {
    InstalledHost host;
    host.renderApi().setFailCreation("m_rtLights", true);
    EffectorMan man;
    effectorMan = &man;
    LightSource* lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
    EXPECT_EQ(lights->getLightsTex(), nullptr);
    SLightsTextures set;
    ASSERT_TRUE(set.init(320, 180, 16, 8));
    lights->setLightsSrc(&set);
    LIGHTDESC l = makeLight(LIGHT_POINT, {0, 0, 4}, {1, 1, 1, 1});
    man.addLight(&l);
    host.clients().clearCalls();
    lights->renderLighting();
    EXPECT_TRUE(host.clients().calls().empty());
    refhost::RefShader shader;
    lights->setSSLight(&shader, true, 1.0f);
    EXPECT_TRUE(shader.isSet("g_tLightsInfo"));
    EXPECT_EQ(shader.texture("g_tLightsInfo"), nullptr);
    effectorMan = nullptr;
}

}  // namespace
