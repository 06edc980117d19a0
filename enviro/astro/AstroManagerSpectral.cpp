// The astronomy manager's spectral sunlight: wrappers over the sunlight model with the manager's
// curves and spectrum.
#include <new>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/SpectralCurve.h"
#include "enviro/astro/SpectralSunlight.h"

namespace Astro {

static_assert(kSpectrumSamples == 91, "the manager's spectrum holds 91 samples");

bool AstroManager::createSpectralCurves() {
    if (!m_pOzoneCurve) m_pOzoneCurve = makeOzoneCurve();
    if (!m_pGasCurve) m_pGasCurve = makeGasCurve();
    if (!m_pWaterCurve) m_pWaterCurve = makeWaterCurve();
    if (!m_pSolarCurve) m_pSolarCurve = makeSolarCurve();
    if (!m_pSunlightCurve) m_pSunlightCurve = makeSunlightCurve(m_adSunSpectrum);
    return m_pOzoneCurve && m_pGasCurve && m_pWaterCurve && m_pSolarCurve && m_pSunlightCurve;
}

void AstroManager::rebuildSunlightCurve() {
    UniformCurve* curve = makeSunlightCurve(m_adSunSpectrum);
    if (!curve) return;  // keep the previous curve rather than none
    delete m_pSunlightCurve;
    m_pSunlightCurve = curve;
}

void AstroManager::ComputeSunlight(double, int) {
    if (!m_pSolarCurve) return;
    computeSunlight(*m_pSolarCurve, m_adSunSpectrum);
    rebuildSunlightCurve();
}

void AstroManager::ComputeAttenuatedSunlight(double theta, int turbidity) {
    if (!m_pSolarCurve || !m_pOzoneCurve || !m_pGasCurve || !m_pWaterCurve) return;
    computeAttenuatedSunlight(theta, turbidity, *m_pSolarCurve, *m_pOzoneCurve, *m_pGasCurve, *m_pWaterCurve,
                              m_adSunSpectrum);
    rebuildSunlightCurve();
}

void AstroManager::get_tristim(double* spectrum, double* xyz) { getTristimulus(spectrum, xyz); }

}  // namespace Astro
