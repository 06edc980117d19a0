// The light record pass: the frame's active lights, weighted around the camera, encoded into the
// columns of "m_rtLights" 16 at a time; the ambient and first directional light remembered for
// the screen-space binding.
#include "enviro/effector/EffectorMan.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/RenderClients.h"
#include "enviro/lighting/LightPassTargets.h"
#include "enviro/lighting/LightSource.h"

namespace effector {

namespace {

constexpr float kShaderTagRed = 100.0f;
constexpr int kRecordRows = 4;  // rows 0..3 the record, rows 4..7 the shadow data

// Encodes lights[first .. first + count - 1] into their columns, and their shadow rows when the
// light shadow atlas exists.
void drawLightBatch(renderBase::ISysLightRender* client, const LIGHTDESC* lights, int first, int count,
                    bool shadowRows, const TLightMatrixData* matrices) {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.setViewport(first, 0, count, kRecordRows);
    if (client) client->renderLightRecords(lights + first, count);
    if (!shadowRows) return;
    api.setViewport(first, kRecordRows, count, kRecordRows);
    if (client) client->renderShadowRecords(lights + first, count, matrices);
}

}  // namespace

void LightSource::takeRenderedLight(const LIGHTDESC& light, bool& directionalTaken) {
    if (light.type == LIGHT_AMBIENT) {
        m_vRenderedAmbient = light.vColor;
        return;
    }
    if (m_lights.count() >= kMaxRenderedLights || !m_lights.append(light)) return;
    if (light.flags & LIGHTFLAG_SHADERTAG) {
        float& red = m_lights[m_lights.count() - 1].vColor.x;
        red = (red > 0.0f ? red : 0.0f) + kShaderTagRed;
    }
    if (light.type == LIGHT_DIRECTIONAL && !directionalTaken) {
        directionalTaken = true;
        m_vRenderedDirColor = light.vColor;
        m_vRenderedDirLight = Math::Vector4f(light.vPos.x, light.vPos.y, light.vPos.z, 0.0f);
    }
}

void LightSource::renderLights() {
    renderBase::ISysLightRender* client = renderBase::findClient<renderBase::ISysLightRender>();
    const bool shadowRows = RendAPI::renderApi().findTexture("m_rtLightsDepth") != nullptr;
    Math::Vector3f camPos = cam::cameraDrawingPosition();
    EffectorMan::DataList* list = effectorMan ? effectorMan->getWeightedEffectorList(&camPos, EFFECTOR_LIGHT, 1)
                                              : nullptr;

    detail::beginLightPass(m_prtLights);
    RendAPI::renderApi().clearColor(0.0f, 0.0f, 0.5f, 1.0f);
    m_vRenderedAmbient = Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    m_vRenderedDirColor = Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    m_lights.clear();

    bool directionalTaken = false;
    int first = 0;
    for (int i = 0; list && i < list->count(); ++i) {
        if (const LIGHTDESC* light = static_cast<const LIGHTDESC*>((*list)[i]))
            takeRenderedLight(*light, directionalTaken);
        if (m_lights.count() - first == kLightBatch) {
            drawLightBatch(client, m_lights.data(), first, kLightBatch, shadowRows, m_lightMatrices);
            first = m_lights.count();
        }
    }
    if (m_lights.count() > first)
        drawLightBatch(client, m_lights.data(), first, m_lights.count() - first, shadowRows, m_lightMatrices);

    detail::endLightPass();
    m_vRenderedDirLight.w = static_cast<float>(m_lights.count());
}

}  // namespace effector
