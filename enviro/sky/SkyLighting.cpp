// Setting the sky up for rendering: the multiplier table, the spherical-harmonic lighting and the
// render clients; the sky sphere's draw calls.
#include "enviro/sky/Sky.h"

namespace enviro {

namespace {

// The sphere samples of every sky in the process: made by the first init, never released, so that
// the sky's destructor and copies need not own them.
struct SampleSet {
    bool bReady;
    SH::Sample2D samples2D[Sky::kSampleCount];
    SH::SampleSphere samplesSphere[Sky::kSampleCount];
};

SampleSet& processSamples() {
    static SampleSet set;  // zero-initialised static storage, 960 kB
    if (!set.bReady) {
        SH::GenerateSamples2D_Stratified(set.samples2D, Sky::kSampleGrid);
        SH::Project2Sphere(set.samplesSphere, set.samples2D, Sky::kSampleCount);
        set.bReady = true;
    }
    return set;
}

}  // namespace

float Sky::SkyLighting::getValue(const SH::SampleSphere&) const { return 0.0f; }

Math::Vector<3, float> Sky::SkyLighting::getColor(const SH::SampleSphere&) const {
    return Math::Vector<3, float>(0.0f, 0.0f, 0.0f);
}

float Sky::SkyLighting_NoHdr::getValue(const SH::SampleSphere&) const { return 0.0f; }

Math::Vector<3, float> Sky::SkyLighting_NoHdr::getColor(const SH::SampleSphere&) const {
    return Math::Vector<3, float>(0.0f, 0.0f, 0.0f);
}

bool Sky::init() {
    fillTable();

    SampleSet& samples = processSamples();
    m_pSamples2D = samples.samples2D;
    m_pSamplesSphere = samples.samplesSphere;

    m_shCoeffs[0] = SH::MonoCoeffList{};
    m_shCoeffs[1] = SH::MonoCoeffList{};
    const float params[4] = {0.0f, 2.0f, 1.0f, 1.0f};
    const SkyLighting skyLighting(params);
    const SkyLighting_NoHdr skyLightingNoHdr(params);
    SH::Spherical2SH(skyLighting, m_pSamplesSphere, kSampleCount, m_shCoeffs[0]);
    SH::Spherical2SH(skyLightingNoHdr, m_pSamplesSphere, kSampleCount, m_shCoeffs[1]);

    m_pSkyClient = renderBase::findClient<renderBase::ISkySphere>();
    m_pCirrusClient = renderBase::findClient<renderBase::ICirrus>();

    m_bInitialized = true;
    return true;
}

void Sky::uninit() {}

void Sky::drawQuad() {
    if (m_pSkyClient) m_pSkyClient->draw(2);
}

void Sky::drawNoQuad() {
    if (m_pSkyClient) m_pSkyClient->draw(0);
}

}  // namespace enviro
