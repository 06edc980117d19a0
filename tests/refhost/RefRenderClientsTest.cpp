#include "refhost/RefRenderClients.h"

#include <gtest/gtest.h>

#include <cmath>

#include "enviro/host/RenderClients.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/LightMatrixData.h"
#include "refhost/ReferenceHost.h"

namespace {

class RefRenderClientsTest : public ::testing::Test {
protected:
    void SetUp() override { host.install(); }
    refhost::ReferenceHost host;
    refhost::RefRenderApi& api = host.renderApi();
};

}  // namespace

TEST_F(RefRenderClientsTest, BkgrKeepsColourAndModeAndFillsTheTarget) {
    auto* bkgr = renderBase::findClient<renderBase::IBkgr>();
    ASSERT_NE(bkgr, nullptr);
    EXPECT_EQ(bkgr->getColor(), Math::Vector4f(1, 1, 1, 1));
    EXPECT_STREQ(bkgr->getMode(), "");

    auto* depth = api.createRenderTarget("m_prtScreenDepth", 4, 3, RendAPI::FMT_R16F, 1);
    api.setRenderTargets(depth, nullptr, nullptr);
    api.setViewport(0, 0, 1, 1);  // the rectangle is in target texels, not viewport ones
    Math::Vector4f far(100000, 100000, 100000, 1);
    bkgr->setColor(&far);
    bkgr->drawRect(0, 0, -1, -1, api.getDefaultTexture());
    EXPECT_FLOAT_EQ(api.readPixel("m_prtScreenDepth", 3, 2).x, 100000.0f);
    EXPECT_FLOAT_EQ(api.readPixel("m_prtScreenDepth", 0, 0).x, 100000.0f);

    Math::Vector4f two(2, 0, 0, 1);
    bkgr->setColor(&two);
    bkgr->drawRect(1, 1, 3, 2, nullptr);  // right and bottom exclusive
    EXPECT_FLOAT_EQ(api.readPixel("m_prtScreenDepth", 1, 1).x, 2.0f);
    EXPECT_FLOAT_EQ(api.readPixel("m_prtScreenDepth", 2, 1).x, 2.0f);
    EXPECT_FLOAT_EQ(api.readPixel("m_prtScreenDepth", 3, 1).x, 100000.0f);
    EXPECT_FLOAT_EQ(api.readPixel("m_prtScreenDepth", 1, 2).x, 100000.0f);
    api.resetRenderTarget();

    // Mode "x" blends the colour over a cube face by its fourth component.
    api.createCubeTarget("cube", 2, RendAPI::FMT_A32B32G32R32F);
    api.setCubeFace("cube", 4);
    api.clearColor(1, 1, 1, 1);
    bkgr->setMode("x");
    Math::Vector4f ambient(0, 0.5f, 1, 0.25f);
    bkgr->setColor(&ambient);
    bkgr->drawRect(0, 0, -1, -1, nullptr);
    Math::Vector4f p = api.readPixel("cube", 1, 1, 4);
    EXPECT_FLOAT_EQ(p.x, 0.75f);           // 0 * 0.25 + 1 * 0.75
    EXPECT_FLOAT_EQ(p.y, 0.875f);          // 0.5 * 0.25 + 0.75
    EXPECT_FLOAT_EQ(p.z, 1.0f);
    EXPECT_EQ(api.readPixel("cube", 1, 1, 3), Math::Vector4f(0, 0, 0, 0));  // other faces untouched
    EXPECT_STREQ(bkgr->getMode(), "x");
    api.resetRenderTarget();
    bkgr->drawRect(0, 0, -1, -1, nullptr);  // no target in force: nothing to fill, no crash

    auto draws = host.clients().callsOf("Bkgr", "drawRect");
    ASSERT_EQ(draws.size(), 4u);
    EXPECT_EQ(draws[0].numbers, (std::vector<double>{0, 0, -1, -1}));
    EXPECT_EQ(draws[0].objects, std::vector<std::string>{"<default>"});
    EXPECT_EQ(draws[0].targets, (std::vector<std::string>{"m_prtScreenDepth", "", ""}));
    EXPECT_EQ(draws[0].viewport.width, 1);
    EXPECT_EQ(draws[0].face, -1);
    EXPECT_EQ(draws[1].objects, std::vector<std::string>{""});
    EXPECT_EQ(draws[2].face, 4);
    EXPECT_EQ(draws[2].targets[0], "cube");
    auto modes = host.clients().callsOf("Bkgr", "setMode");
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_EQ(modes[0].texts, std::vector<std::string>{"x"});
    EXPECT_EQ(host.clients().callsOf("Bkgr", "setColor").size(), 3u);
    EXPECT_TRUE(host.clients().callsOf("Bkgr", "getColor").empty());  // queries are not recorded
}

TEST_F(RefRenderClientsTest, PostEffectClearTargetFillsAndOthersRecord) {
    auto* post = renderBase::findClient<renderBase::ISysPostEffect>();
    ASSERT_NE(post, nullptr);
    auto* ssao = api.createRenderTarget("m_prtSSAO", 4, 4, RendAPI::FMT_A8R8G8B8, 1);
    Math::Vector4f white(1, 1, 1, 1), rect(0, 0, 0.5f, 1);
    post->clearTarget(ssao, &white);
    EXPECT_EQ(api.readPixel("m_prtSSAO", 3, 3), white);
    post->clearTarget(nullptr, &white);
    post->clearTarget(ssao, nullptr);

    post->computeSSAO(nullptr, ssao, &rect, ssao, nullptr, 8, 0.5f);
    auto calls = host.clients().callsOf("SysPostEffect", "computeSSAO");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].objects, (std::vector<std::string>{"", "m_prtSSAO", "m_prtSSAO"}));
    ASSERT_EQ(calls[0].numbers.size(), 10u);
    EXPECT_EQ(calls[0].numbers[2], 0.5);
    EXPECT_TRUE(std::isnan(calls[0].numbers[4]));  // the null rectangle keeps its four places
    EXPECT_TRUE(std::isnan(calls[0].numbers[7]));
    EXPECT_EQ(calls[0].numbers[8], 8);
    EXPECT_EQ(calls[0].numbers[9], 0.5);

    host.clients().clearCalls();
    EXPECT_TRUE(host.clients().calls().empty());
    host.clients().setRecording(false);
    post->clearTarget(ssao, &white);
    EXPECT_TRUE(host.clients().calls().empty());
}

TEST_F(RefRenderClientsTest, LightRecordsAndShadowMatricesAreRecorded) {
    auto* lights = renderBase::findClient<renderBase::ISysLightRender>();
    ASSERT_NE(lights, nullptr);
    effector::LIGHTDESC l[2] = {};
    l[0].type = effector::LIGHT_POINT;
    l[0].vPos = Math::Vector3f(1, 2, 3);
    l[0].vColor = Math::Vector4f(0.5f, 0.25f, 2, 1);
    l[0].nShadowMatrix = -1;
    l[1].type = effector::LIGHT_SPOT;
    l[1].vPos = Math::Vector3f(-4, 5, 6);
    l[1].fMaxRadius = 30;
    l[1].nShadowMatrix = 1;
    effector::TLightMatrixData table[2] = {};
    table[1].mViewProj.set(3.0f);
    api.setViewport(0, 0, 2, 4);
    lights->renderLightRecords(l, 2);
    lights->renderShadowRecords(l, 2, table);

    auto rec = host.clients().callsOf("SysLightRender", "renderLightRecords");
    ASSERT_EQ(rec.size(), 1u);
    using refhost::ClientCall;
    const auto& n = rec[0].numbers;
    ASSERT_EQ(n.size(), 1u + 2 * ClientCall::kLightNumbers);
    EXPECT_EQ(n[0], 2);
    EXPECT_EQ(n[ClientCall::lightIndex(0, ClientCall::kLightPos) + 2], 3);
    EXPECT_EQ(n[ClientCall::lightIndex(0, ClientCall::kLightColor) + 2], 2);
    EXPECT_EQ(n[ClientCall::lightIndex(1, ClientCall::kLightPos)], -4);
    EXPECT_EQ(n[ClientCall::lightIndex(1, 1)], effector::LIGHT_SPOT);
    EXPECT_EQ(n[ClientCall::lightIndex(1, 19) - 1], 1);  // nShadowMatrix of light 1
    EXPECT_EQ(rec[0].viewport.height, 4);

    auto sh = host.clients().callsOf("SysLightRender", "renderShadowRecords");
    ASSERT_EQ(sh.size(), 1u);
    ASSERT_EQ(sh[0].numbers.size(), 1u + 2 * ClientCall::kLightNumbers + 16);  // one shadowed light
    EXPECT_EQ(sh[0].numbers[1 + 2 * ClientCall::kLightNumbers], 3);  // its mViewProj(0, 0)
    EXPECT_EQ(sh[0].numbers[1 + 2 * ClientCall::kLightNumbers + 1], 0);

    lights->renderLightRecords(nullptr, 5);  // a null list records the count alone
    EXPECT_EQ(host.clients().callsOf("SysLightRender", "renderLightRecords")[1].numbers,
              std::vector<double>{5});
}

TEST_F(RefRenderClientsTest, EveryClientByNameAndMissingOnes) {
    for (const char* name : {"SysLightRender", "SysPostEffect", "Bkgr", "SysBackCube", "SkySphere", "Cirrus"}) {
        renderBase::IRenderClient* c = host.clients().getClient(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_STREQ(c->getClientName(), name);
    }
    EXPECT_EQ(host.clients().getClient("Nope"), nullptr);
    EXPECT_EQ(host.clients().getClient(nullptr), nullptr);

    auto* sky = renderBase::findClient<renderBase::ISkySphere>();
    sky->draw(2);
    Math::Matrix4f world = Math::Matrix4f::identity();
    world.m[3][1] = 7;
    Math::Vector4f weight(0.5f, 0.5f, 0.5f, 1);
    renderBase::findClient<renderBase::ISysBackCube>()->drawCube(nullptr, &weight, &world, 1);
    renderBase::findClient<renderBase::ICirrus>()->draw(0);
    const auto& all = host.clients().calls();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].client, "SkySphere");
    EXPECT_EQ(all[0].op, "draw");
    EXPECT_EQ(all[0].numbers, std::vector<double>{2});
    EXPECT_EQ(all[1].numbers.size(), 4u + 16u + 1u);
    EXPECT_EQ(all[1].numbers[4 + 13], 7);  // world(3, 1)
    EXPECT_EQ(all[2].client, "Cirrus");

    host.clients().setClientMissing("Cirrus", true);
    EXPECT_EQ(renderBase::findClient<renderBase::ICirrus>(), nullptr);
    host.clients().setClientMissing("Cirrus", false);
    EXPECT_NE(renderBase::findClient<renderBase::ICirrus>(), nullptr);
}
