// enviro::Sky set up for rendering: init's table, lighting lists and clients, and the draw
// calls as the reference host's "SkySphere" client records them.
#include <gtest/gtest.h>

#include "enviro/sky/Sky.h"
#include "refhost/ReferenceHost.h"

namespace {

std::vector<double> drawModes(refhost::ReferenceHost& host) {
    std::vector<double> modes;
    for (const refhost::ClientCall& call : host.clients().callsOf("SkySphere", "draw"))
        modes.push_back(call.numbers.empty() ? -1.0 : call.numbers[0]);
    return modes;
}

TEST(SkyLighting, InitFindsTheClientsThatDrawTheSky) {
    refhost::ReferenceHost host;
    host.install();
    enviro::Sky sky;
    sky.drawQuad();  // before init: no client, no effect
    for (auto& row : sky.m_aSkyTable)
        for (float& v : row) v = -7.0f;
    sky.m_shCoeffs[0][3] = sky.m_shCoeffs[1][15] = 5.0f;
    ASSERT_TRUE(sky.init());
    for (int r = 0; r < enviro::Sky::kTableRows; ++r)  // elevations 80° down by 5°, neutral multipliers
        for (int c = 0; c < enviro::Sky::kTableColumns; ++c) ASSERT_EQ(sky.m_aSkyTable[r][c], c ? 1.0f : 80.0f - 5 * r);
    EXPECT_EQ(sky.m_shCoeffs[0][3] + sky.m_shCoeffs[1][15], 0.0f);  // the projected lighting is zero
    EXPECT_EQ(sky.m_pSkyClient, host.clients().getClient("SkySphere"));
    EXPECT_EQ(sky.m_pCirrusClient, host.clients().getClient("Cirrus"));

    for (int i = 0; i < 3; ++i) i % 2 ? sky.drawNoQuad() : sky.drawQuad();
    sky.uninit();  // does nothing: the client stays
    sky.drawNoQuad();
    EXPECT_EQ(drawModes(host), (std::vector<double>{2.0, 0.0, 2.0, 0.0}));  // quad: mode 2, no quad: 0
    EXPECT_TRUE(host.clients().callsOf("Cirrus", "draw").empty());

    // Without the "SkySphere" client, or without a client manager at all, the draws do nothing.
    host.clients().setClientMissing("SkySphere", true);
    enviro::Sky without;
    EXPECT_TRUE(without.init());
    EXPECT_TRUE(without.m_pSkyClient == nullptr && without.m_pCirrusClient != nullptr);
    without.drawQuad();
    EXPECT_EQ(drawModes(host).size(), 4u);
    host.uninstall();
    enviro::Sky alone;
    EXPECT_TRUE(alone.init());
    EXPECT_EQ(alone.m_pSkyClient, nullptr);
    alone.drawQuad();
}

}  // namespace
