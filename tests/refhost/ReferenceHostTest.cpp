// Installing the host, and its smaller services: texture cache, OS hooks, render manager,
// shaders and models.
#include "refhost/ReferenceHost.h"

#include <gtest/gtest.h>

#include <cstring>

#include "enviro/host/Camera.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/host/RenderClients.h"
#include "enviro/host/TextureCache.h"
#include "refhost/RefModel.h"
#include "refhost/RefShader.h"

TEST(ReferenceHost, InstallSetsEveryGlobalAndUninstallClearsThem) {
    {
        refhost::ReferenceHost host;
        host.install();
        EXPECT_EQ(RendAPI::pRenderApi, &host.renderApi());
        EXPECT_EQ(&RendAPI::renderApi(), &host.renderApi());
        EXPECT_EQ(RendMan::pRenderMan, &host.renderMan());
        EXPECT_EQ(renderBase::pRenderClientMan, &host.clients());
        ASSERT_NE(cam::cameraManager, nullptr);
        EXPECT_EQ(cam::currentCamera(), &host.camera());
        EXPECT_EQ(g_pTexCache, &host.textureCache());
        EXPECT_EQ(common::pCommonServices, &host.services());
        EXPECT_EQ(PACKMAN, &host.packages());
        EXPECT_EQ(os::pOperatingSystem, &host.os());
        host.uninstall();
        EXPECT_EQ(RendAPI::pRenderApi, nullptr);
        EXPECT_EQ(cam::cameraManager, nullptr);
        EXPECT_EQ(PACKMAN, nullptr);
        EXPECT_EQ(os::pOperatingSystem, nullptr);
        host.install();
    }  // the destructor uninstalls
    EXPECT_EQ(RendAPI::pRenderApi, nullptr);
    EXPECT_EQ(RendMan::pRenderMan, nullptr);
    EXPECT_EQ(renderBase::pRenderClientMan, nullptr);
    EXPECT_EQ(g_pTexCache, nullptr);
    EXPECT_EQ(common::pCommonServices, nullptr);
}

TEST(ReferenceHost, TextureCacheMatchesFileNames) {
    refhost::ReferenceHost host;
    host.install();
    refhost::RefTexture skin("Textures\\Skin.dds");
    EXPECT_STREQ(skin.getFileName(), "Textures\\Skin.dds");
    host.textureCache().add("Textures\\Skin.dds", &skin, false);

    SCachedTexDesc desc;
    std::strcpy(desc.szFileName, "textures/SKIN.dds");  // case and separators do not matter
    CCachedHandle* h = g_pTexCache->getExistingHandle(&desc);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->getDesc()->pTexture, &skin);
    EXPECT_EQ(h->getDesc()->bFinished, 0);
    host.textureCache().add("TEXTURES\\skin.dds", &skin, true);  // the same entry, now finished
    EXPECT_EQ(host.textureCache().size(), 1);
    EXPECT_EQ(h->getDesc()->bFinished, 1);

    std::strcpy(desc.szFileName, "Textures\\Other.dds");
    EXPECT_EQ(g_pTexCache->getExistingHandle(&desc), nullptr);
    std::memset(desc.szFileName, 'a', sizeof desc.szFileName);  // not terminated
    EXPECT_EQ(g_pTexCache->getExistingHandle(&desc), nullptr);
    EXPECT_EQ(g_pTexCache->getExistingHandle(nullptr), nullptr);
    EXPECT_EQ(host.textureCache().add("", &skin, true), nullptr);
    EXPECT_EQ(host.textureCache().lookupCount(), 4);
}

TEST(ReferenceHost, OperatingSystemHooks) {
    refhost::ReferenceHost host;
    host.install();
    os::MessageBox("Can not create m_prtScreenNormal color surface");
    os::MessageBox(nullptr);
    ASSERT_EQ(host.os().messages().size(), 2u);
    EXPECT_EQ(host.os().messages()[0], "Can not create m_prtScreenNormal color surface");
    EXPECT_EQ(host.os().messages()[1], "");

    uint32_t a = os::GetTickCount(), b = os::GetTickCount();  // the real clock by default
    EXPECT_LE(b - a, 1000u);
    host.os().setTicks(1000);
    EXPECT_EQ(os::GetTickCount(), 1000u);
    host.os().advance(16);
    EXPECT_EQ(os::GetTickCount(), 1016u);
    host.os().setTicks(0xFFFFFFF0u);
    host.os().advance(0x20);
    EXPECT_EQ(os::GetTickCount(), 0x10u);  // wraps as the counter does
    host.os().useRealClock();
    EXPECT_FALSE(host.os().isManualClock());
}

TEST(ReferenceHost, RenderManagerCountsAndRecordsInOrder) {
    refhost::ReferenceHost host;
    host.install();
    RendMan::renderMan().flush(1);
    RendMan::renderMan().submit(1);
    RendMan::renderMan().endPass();
    RendMan::renderMan().flush(1);
    EXPECT_EQ(host.renderMan().flushCount(), 2);
    EXPECT_EQ(host.renderMan().submitCount(), 1);
    EXPECT_EQ(host.renderMan().endPassCount(), 1);
    const auto& calls = host.renderMan().calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1].op, "submit");
    EXPECT_EQ(calls[2].op, "endPass");
    EXPECT_EQ(calls[3].mode, 1);
}

TEST(ReferenceHost, ShaderStoresWhatWasBound) {
    refhost::RefShader shader;
    graphics::Shader::Handle h = shader.getParameterByName(0, "g_FogDesc");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(shader.getParameterByName(0, "g_FogDesc"), h);
    EXPECT_EQ(shader.getParameterByName(1, "g_FogDesc"), 0u);  // nested parameters: none
    Math::Vector4f v(1, 2, 3, 4), arr[3] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    shader.setVector(h, &v);
    EXPECT_EQ(shader.vector("g_FogDesc"), v);
    graphics::Shader::Handle ha = shader.getParameterByName(0, "g_avLightPos");
    shader.setVectorArray(ha, arr, 3);
    ASSERT_EQ(shader.vectorArray("g_avLightPos").size(), 3u);
    EXPECT_EQ(shader.vectorArray("g_avLightPos")[2], arr[2]);
    Math::Matrix4f m = Math::Matrix4f::identity();
    m.m[3][0] = 5;
    shader.setMatrix(shader.getParameterByName(0, "g_mPrevObjViewProj"), &m);
    EXPECT_EQ(shader.matrix("g_mPrevObjViewProj"), m);
    refhost::RefRenderApi api;
    shader.setTexture(shader.getParameterByName(0, "g_tLightsList"), api.getDefaultTexture());
    EXPECT_EQ(shader.texture("g_tLightsList"), api.getDefaultTexture());
    EXPECT_EQ(shader.textureName("g_tLightsList"), "<default>");
    shader.setVector(0, &v);  // no such handle
    shader.setVector(99, &v);
    shader.setVector(h, nullptr);
    EXPECT_EQ(shader.setCount("g_FogDesc"), 1);
    EXPECT_EQ(shader.setNames().size(), 4u);
    EXPECT_FALSE(shader.isSet("g_unknown"));

    refhost::RefShader declared({"g_vDefLightDir"});
    EXPECT_NE(declared.getParameterByName(0, "g_vDefLightDir"), 0u);
    EXPECT_EQ(declared.getParameterByName(0, "g_FogDesc"), 0u);
}

TEST(ReferenceHost, ModelRecordsDrawsWithTargetsAndCamera) {
    refhost::ReferenceHost host;
    host.install();
    refhost::RefModel model;
    model.setBox(Math::Vector3f(-1, -1, -1), Math::Vector3f(1, 1, 1));
    ASSERT_EQ(model.getNodeCount(), 1);
    EXPECT_EQ(model.getNode(0)->child[0], -1);
    EXPECT_EQ(model.getNode(1), nullptr);

    auto* rt = host.renderApi().createRenderTarget("psm_color", 8, 8, 23, 1);
    host.renderApi().setRenderTargets(rt, nullptr, nullptr);
    host.camera().setShadowPassFlag(1);
    Math::Matrix4f world = Math::Matrix4f::identity();
    world.m[3][2] = 4;
    refhost::RefModelInstance instance(world);
    model.draw(&instance);
    model.draw(nullptr);
    host.renderApi().resetRenderTarget();
    ASSERT_EQ(model.draws().size(), 2u);
    EXPECT_EQ(model.draws()[0].instance, &instance);
    EXPECT_EQ(model.draws()[0].world, world);
    EXPECT_EQ(model.draws()[0].targets[0], "psm_color");
    EXPECT_EQ(model.draws()[0].viewProj, host.camera().viewProjMatrix());
    EXPECT_EQ(model.draws()[0].shadowFlag, 1);
    EXPECT_EQ(model.draws()[1].world, Math::Matrix4f::identity());
}
