// enviro::Sky set-up for rendering: construction and copies, init's table, samples, coefficient
// lists and clients, and the draw calls as the reference host's "SkySphere" client records them.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/sky/Sky.h"
#include "refhost/ReferenceHost.h"

namespace {

using Math::Vector3f;
using Math::Vector4f;

std::vector<double> drawModes(refhost::ReferenceHost& host) {
    std::vector<double> modes;
    for (const refhost::ClientCall& call : host.clients().callsOf("SkySphere", "draw")) {
        modes.push_back(call.numbers.empty() ? -1.0 : call.numbers[0]);
    }
    return modes;
}

TEST(SkyLighting, ConstructionGivesTheDefaultsAndANeutralTable) {
    enviro::Sky sky;
    EXPECT_FALSE(sky.m_bInitialized);
    EXPECT_EQ(sky.m_fHostFloat0, 400000.0f);
    EXPECT_EQ(sky.m_fHostFloat1, 300000.0f);
    EXPECT_EQ(sky.m_nHostInt0, 60);
    EXPECT_EQ(sky.m_nHostInt1, 60);
    EXPECT_EQ(sky.m_fHostFloat2, 2.0f);
    EXPECT_TRUE(sky.m_vHostVector == Vector4f(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(sky.m_pSkyClient, nullptr);
    EXPECT_EQ(sky.m_pSamplesSphere, nullptr);
    // Usable before init: finite values from neutral multipliers.
    Vector3f dir(0.0f, 0.5f, 1.0f), out;
    Vector4f sun(0.0f, 1.0f, 1.0f, 0.0f);
    sky.getSkyColor(dir, sun, 0.0f, &out);
    EXPECT_TRUE(std::isfinite(out.x) && out.x > 0.0f && std::isfinite(out.y) && std::isfinite(out.z));
}

TEST(SkyLighting, InitFillsTheTableSamplesCoefficientsAndClients) {
    refhost::ReferenceHost host;
    host.install();
    enviro::Sky sky;
    for (int r = 0; r < enviro::Sky::kTableRows; ++r)
        for (int c = 0; c < enviro::Sky::kTableColumns; ++c) sky.m_aSkyTable[r][c] = -7.0f;
    for (int i = 0; i < 16; ++i) sky.m_shCoeffs[0][i] = sky.m_shCoeffs[1][i] = 5.0f;
    sky.m_shCoeffs[2][3] = 9.0f;

    EXPECT_TRUE(sky.init());
    EXPECT_TRUE(sky.m_bInitialized);
    for (int r = 0; r < enviro::Sky::kTableRows; ++r) {
        EXPECT_EQ(sky.m_aSkyTable[r][0], float(80 - 5 * r));
        for (int c = 1; c < enviro::Sky::kTableColumns; ++c) EXPECT_EQ(sky.m_aSkyTable[r][c], 1.0f);
    }
    EXPECT_EQ(sky.m_aSkyTable[0][0], 80.0f);
    EXPECT_EQ(sky.m_aSkyTable[23][0], -35.0f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(sky.m_shCoeffs[0][i], 0.0f);
        EXPECT_EQ(sky.m_shCoeffs[1][i], 0.0f);
    }
    EXPECT_EQ(sky.m_shCoeffs[2][3], 9.0f);  // only copied, never filled

    // 10000 samples from the 100 x 100 grid, on the unit sphere.
    ASSERT_NE(sky.m_pSamples2D, nullptr);
    ASSERT_NE(sky.m_pSamplesSphere, nullptr);
    const SH::Sample2D& last = sky.m_pSamples2D[enviro::Sky::kSampleCount - 1];
    EXPECT_GE(last.u, 0.99f);
    EXPECT_GE(last.v, 0.99f);
    const Vector3f d = sky.m_pSamplesSphere[enviro::Sky::kSampleCount - 1].vDir;
    EXPECT_NEAR(d.x * d.x + d.y * d.y + d.z * d.z, 1.0f, 1e-5f);

    EXPECT_EQ(sky.m_pSkyClient, host.clients().getClient("SkySphere"));
    EXPECT_EQ(sky.m_pCirrusClient, host.clients().getClient("Cirrus"));
    // The lighting functions see the parameter block (0, 2, 1, 1) and are zero.
    const float params[4] = {0.0f, 2.0f, 1.0f, 1.0f};
    const enviro::Sky::SkyLighting f(params);
    EXPECT_EQ(f.getValue(sky.m_pSamplesSphere[17]), 0.0f);
    EXPECT_TRUE(f.getColor(sky.m_pSamplesSphere[17]) == Vector3f(0.0f, 0.0f, 0.0f));
    host.uninstall();
}

TEST(SkyLighting, DrawCallsReachTheSkySphereClientWithModesTwoAndZero) {
    refhost::ReferenceHost host;
    host.install();
    enviro::Sky sky;
    sky.drawQuad();  // before init: no client, no effect
    EXPECT_TRUE(host.clients().callsOf("SkySphere", "draw").empty());
    sky.init();
    sky.drawQuad();
    sky.drawNoQuad();
    sky.drawQuad();
    EXPECT_EQ(drawModes(host), (std::vector<double>{2.0, 0.0, 2.0}));
    EXPECT_TRUE(host.clients().callsOf("Cirrus", "draw").empty());
    sky.uninit();  // does nothing: the client stays
    sky.drawNoQuad();
    EXPECT_EQ(drawModes(host).back(), 0.0);
    host.uninstall();
}

TEST(SkyLighting, MissingClientsMakeTheDrawCallsDoNothing) {
    {
        refhost::ReferenceHost host;
        host.install();
        host.clients().setClientMissing("SkySphere", true);
        enviro::Sky sky;
        EXPECT_TRUE(sky.init());
        EXPECT_EQ(sky.m_pSkyClient, nullptr);
        EXPECT_NE(sky.m_pCirrusClient, nullptr);
        sky.drawQuad();
        sky.drawNoQuad();
        EXPECT_TRUE(host.clients().callsOf("SkySphere", "draw").empty());
        host.uninstall();
    }
    // No client manager at all.
    ASSERT_EQ(renderBase::pRenderClientMan, nullptr);
    enviro::Sky sky;
    EXPECT_TRUE(sky.init());
    EXPECT_EQ(sky.m_pSkyClient, nullptr);
    EXPECT_EQ(sky.m_pCirrusClient, nullptr);
    sky.drawQuad();
    sky.drawNoQuad();
}

TEST(SkyLighting, CopiesDuplicateTheTablesAndShareBuffersAndClients) {
    refhost::ReferenceHost host;
    host.install();
    enviro::Sky sky;
    sky.init();
    sky.m_aSkyTable[4][2] = 3.5f;
    sky.m_shCoeffs[3][15] = 0.25f;
    sky.m_fHostFloat2 = 7.0f;
    sky.m_uHostWord1 = 0xDEADBEEFu;

    enviro::Sky copy(sky);
    EXPECT_EQ(copy.m_aSkyTable[4][2], 3.5f);
    EXPECT_EQ(copy.m_shCoeffs[3][15], 0.25f);
    EXPECT_EQ(copy.m_fHostFloat2, 7.0f);
    EXPECT_EQ(copy.m_uHostWord1, 0xDEADBEEFu);
    EXPECT_TRUE(copy.m_bInitialized);
    EXPECT_EQ(copy.m_pSamples2D, sky.m_pSamples2D);
    EXPECT_EQ(copy.m_pSamplesSphere, sky.m_pSamplesSphere);
    EXPECT_EQ(copy.m_pSkyClient, sky.m_pSkyClient);
    copy.m_aSkyTable[4][2] = 1.0f;  // a duplicate, not a view
    EXPECT_EQ(sky.m_aSkyTable[4][2], 3.5f);

    enviro::Sky assigned;
    assigned = sky;
    EXPECT_EQ(assigned.m_aSkyTable[4][2], 3.5f);
    EXPECT_EQ(assigned.m_pCirrusClient, sky.m_pCirrusClient);
    assigned.drawNoQuad();
    EXPECT_EQ(host.clients().callsOf("SkySphere", "draw").size(), 1u);

    // The copy evaluates like the original, and destroying it leaves the original working.
    {
        enviro::Sky* heapCopy = new enviro::Sky(sky);
        delete heapCopy;
    }
    Vector3f dir(0.1f, 0.4f, 0.9f), a, b;
    Vector4f sun(0.3f, 0.8f, 0.1f, 0.0f);
    sky.getSkyYxy(dir, sun, 10.0f, &a);
    copy.m_aSkyTable[4][2] = 3.5f;
    copy.getSkyYxy(dir, sun, 10.0f, &b);
    EXPECT_TRUE(a == b);
    host.uninstall();
}

}  // namespace
