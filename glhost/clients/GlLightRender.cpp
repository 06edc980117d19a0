#include "glhost/clients/GlLightRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightMatrixData.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "glhost/GlProjectionScales.h"

namespace glhost {

namespace {

constexpr int kBatch = effector::LightSource::kLightBatch;
constexpr int kRows = 4;

// The light effector's list layout: (screen width, height, 1 / tile size); false without one.
bool listLayout(Math::Vector4f& out) {
    effector::LightSource* lights = effector::effectorInstance<effector::LightSource>(effector::EFFECTOR_LIGHT);
    if (!lights || !lights->getLightsSrc()) return false;
    out = lights->getListRect2();
    return out.x > 0.0f && out.y > 0.0f && out.z > 0.0f;
}

// Four texels of one light's record (lightlist.glsl); the module has applied the shader tag to
// the colour of its copy already.
void encodeRecord(const effector::LIGHTDESC& light, float* rows) {
    const float cone = light.type == effector::LIGHT_SPOT ? light.fConeAngle : 3.14159265f;
    const float edge = std::clamp(light.fConeEdge, 0.0f, 1.0f);
    const float values[16] = {
        light.vPos.x, light.vPos.y, light.vPos.z, float(light.type),
        light.vColor.x, light.vColor.y, light.vColor.z, light.fAttenK,
        light.vDir.x, light.vDir.y, light.vDir.z, light.fConeEdge,
        light.fMaxRadius, std::cos(cone), std::cos(cone * edge), float(light.nShadowSlot),
    };
    std::memcpy(rows, values, sizeof(values));
}

}  // namespace

std::unique_ptr<GlLightRender> GlLightRender::create(GlDevice& device, std::string& error) {
    GlPrograms& p = device.programs();
    Programs programs{};
    const struct {
        GlShader** slot;
        const char* name;
    } files[] = {
        {&programs.records, "lightrecords"},   {&programs.occlusion, "lightocclusion"},
        {&programs.depthRange, "lightdepthrange"}, {&programs.layer, "lightlistlayer"},
        {&programs.finish, "lightlistfinish"},
    };
    for (const auto& f : files) {
        *f.slot = p.load(f.name, "fullscreen.vert", std::string(f.name) + ".frag", error);
        if (!*f.slot) return nullptr;
    }
    return std::unique_ptr<GlLightRender>(new GlLightRender(device, programs));
}

bool GlLightRender::beginPass() {
    if (!m_device.api().bindDrawTargets()) return false;
    GlDevice::screenPassState();
    return true;
}

void GlLightRender::drawRows(const float* rows, int count) {
    if (count < 1 || !beginPass()) return;
    GlShader& program = *m_programs.records;
    const RendAPI::Viewport v = m_device.api().getViewport();
    program.set("u_origin", float(v.x), float(v.y));
    program.setVectorArray(program.getParameterByName(0, "u_rows"), reinterpret_cast<const Math::Vector4f*>(rows),
                           count * kRows);
    program.use(m_device.api());
    m_device.drawFullscreen();
}

void GlLightRender::renderLightRecords(const effector::LIGHTDESC* lights, int count) {
    if (!lights) return;
    count = std::min(count, kBatch);
    float rows[kBatch * kRows * 4];
    for (int i = 0; i < count; ++i) encodeRecord(lights[i], rows + i * kRows * 4);
    drawRows(rows, count);
}

void GlLightRender::renderShadowRecords(const effector::LIGHTDESC* lights, int count,
                                        const effector::TLightMatrixData* matrices) {
    if (!lights) return;
    count = std::min(count, kBatch);
    float rows[kBatch * kRows * 4] = {};
    for (int i = 0; i < count; ++i) {
        const int entry = lights[i].nShadowMatrix;
        if (matrices && lights[i].nShadowSlot >= 0 && entry >= 0 && entry < effector::LightSource::kMaxLightMatrices)
            std::memcpy(rows + i * kRows * 4, &matrices[entry].mViewProj.m[0][0], sizeof(float) * 16);
    }
    drawRows(rows, count);
}

void GlLightRender::renderOcclusion(RendAPI::ITexture* lightRecords, int first, int count, float,
                                    const Math::Vector2f*) {
    GlCameraView camera;
    Math::Vector4f layout;
    const RendAPI::Viewport v = m_device.api().getViewport();
    if (!lightRecords || count < 1 || !currentCameraView(camera) || !listLayout(layout) || !beginPass()) return;
    const Math::Vector4f projection = projectionScales(camera);
    const float tileSize = 1.0f / layout.z;
    GlShader& program = *m_programs.occlusion;
    program.setTexture("u_records", lightRecords);
    program.set("u_first", first);
    program.set("u_origin", float(v.x), float(v.y));
    program.set("u_tiles", float(v.width / count), float(v.height));
    program.set("u_tileNdc", 2.0f * tileSize / layout.x, 2.0f * tileSize / layout.y);
    program.set("u_view", camera.view);
    program.set("u_projection", projection.x, projection.y, projection.z, projection.w);
    program.use(m_device.api());
    m_device.drawFullscreen();
}

void GlLightRender::renderDepthRange(int, RendAPI::ITexture* depth, const Math::Vector4f* rect) {
    Math::Vector4f layout;
    if (!depth || !rect || !listLayout(layout) || !beginPass()) return;
    const float usedWidth = depth->getWidth() * rect->z, usedHeight = depth->getHeight() * rect->w;
    const float tileSize = 1.0f / layout.z;
    GlShader& program = *m_programs.depthRange;
    program.setTexture("u_depth", depth);
    program.set("u_texelsPerTile", tileSize * usedWidth / layout.x, tileSize * usedHeight / layout.y);
    program.set("u_used", std::round(usedWidth), std::round(usedHeight));
    program.set("u_depthScale", effector::PSMShadow::kScreenDepthRange);
    program.use(m_device.api());
    m_device.drawFullscreen();
}

void GlLightRender::renderListLayer(int lightCount, RendAPI::ITexture* occlusion, RendAPI::ITexture* depthRange,
                                    RendAPI::ITexture* list, const Math::Vector4f* prevLayer) {
    ++m_layersSinceFinish;
    const RendAPI::Viewport v = m_device.api().getViewport();
    if (!occlusion || !depthRange || !list || !prevLayer || !beginPass()) return;
    GlShader& program = *m_programs.layer;
    program.set("u_lightCount", std::min(lightCount, effector::LightSource::kMaxRenderedLights));
    program.setTexture("u_occlusion", occlusion);
    program.setTexture("u_depthRange", depthRange);
    program.setTexture("u_list", list);
    program.set("u_previous", prevLayer->x, prevLayer->y, prevLayer->z, prevLayer->w);
    program.set("u_tiles", float(v.width), float(v.height));
    program.use(m_device.api());
    m_device.drawFullscreen();
}

void GlLightRender::finishList(RendAPI::ITexture* temp) {
    const int layers = m_layersSinceFinish;
    m_layersSinceFinish = 0;
    GlRenderApi& api = m_device.api();
    RendAPI::ITexture* list = api.currentTarget(0);
    const RendAPI::Viewport v = api.getViewport();
    if (!temp || !list || layers < 1 || !beginPass()) return;
    glTextureBarrier();  // the copies of the layers are in the list before it is read here
    GlShader& program = *m_programs.finish;
    program.setTexture("u_list", list);
    program.setTexture("u_last", temp);
    program.set("u_layers", layers);
    program.set("u_tiles", float(v.width), float(v.height));
    program.use(api);
    m_device.drawFullscreen();
}

}  // namespace glhost
