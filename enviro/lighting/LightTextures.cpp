// The frame's lighting passes in order, the one-light fallback list, and the light set's
// targets as the light effector hands them out.
#include "enviro/effector/EffectorMan.h"
#include "enviro/host/RenderClients.h"
#include "enviro/lighting/LightPassTargets.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

namespace effector {

namespace {

// Does the shadow effector's screen-depth set hold its screen normals?
bool hasScreenNormals() {
    PSMShadow* shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    const SSDTextures* ssd = shadow ? shadow->getScreenDepthSrc() : nullptr;
    return ssd && ssd->m_prtScreenNormal && ssd->m_prtScreenNormal->get();
}

// Index of the first light of the given type, or count when there is none.
int firstOfType(const CQuickVector<LIGHTDESC, 3>& lights, signed char type) {
    for (int i = 0; i < lights.count(); ++i)
        if (lights[i].type == type) return i;
    return lights.count();
}

}  // namespace

RendAPI::ITexture* LightSource::getLightsListTex() { return m_pLightsSrc ? m_pLightsSrc->m_prtLightsList : nullptr; }

RendAPI::ITexture* LightSource::getOcclusionTex() { return m_pLightsSrc ? m_pLightsSrc->m_prtOcclusion : nullptr; }

RendAPI::ITexture* LightSource::getDepthRangeTex() { return m_pLightsSrc ? m_pLightsSrc->m_prtDepthRange : nullptr; }

Math::Vector4f LightSource::getListRect() {
    return m_pLightsSrc ? m_pLightsSrc->m_vListRect : Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
}

Math::Vector4f LightSource::getListRect2() {
    if (!m_pLightsSrc) return Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    Math::Vector4f rect = m_pLightsSrc->getListRect2();
    const bool atlas = RendAPI::renderApi().findTexture("m_rtLightsDepth") != nullptr;
    rect.w = atlas && m_bDynamicShadowsSmooth ? 1.0f : 0.0f;
    return rect;
}

void LightSource::renderLighting() {
    if (!m_pLightsSrc || !m_prtLights || !m_pLightsSrc->m_prtOcclusion || !m_pLightsSrc->m_prtLightsList) return;
    if (!hasScreenNormals()) {
        renderLightingDraft();
        return;
    }
    renderLights();
    renderOcclusionFast();
    renderDepthRange();
    renderLightsList();
}

// Without screen normals there are no tiles to test: the whole list names one light, the first
// directional light (else the first point light), for every pixel.
void LightSource::renderLightingDraft() {
    if (!m_pLightsSrc || !m_prtLights) return;
    renderLights();
    const int count = m_lights.count();
    int index = firstOfType(m_lights, LIGHT_DIRECTIONAL);
    if (index == count) index = firstOfType(m_lights, LIGHT_POINT);

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    detail::beginLightPass(m_pLightsSrc->m_prtLightsList);
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    if (renderBase::IBkgr* bkgr = renderBase::findClient<renderBase::IBkgr>()) {
        const Math::Vector4f color(static_cast<float>(index), index < count ? 1.0f : 0.0f, 1.0f, 1.0f);
        const Math::Vector4f white(1.0f, 1.0f, 1.0f, 1.0f);
        bkgr->setColor(&color);
        bkgr->drawRect(0, 0, -1, -1, api.getDefaultTexture());
        RendMan::renderMan().flush(1);
        bkgr->setColor(&white);
    }
    detail::endLightPass();
}

}  // namespace effector
