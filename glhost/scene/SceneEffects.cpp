#include "glhost/scene/SceneEffects.h"

#include <algorithm>
#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/fog/ExclusionDesc.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "glhost/GlCameraView.h"
#include "glhost/clients/GlBackCube.h"
#include "glhost/scene/GlModel.h"

namespace glhost {

using namespace effector;

namespace {

constexpr const char* kReflection = "water_reflection";
constexpr const char* kReflectionDepth = "water_reflection_depth";
constexpr const char* kProbe = "probe_cube";
constexpr const char* kProbeDepth = "probe_depth";
constexpr const char* kBlurred = "scene_blurred";
constexpr int kBlurTaps = 8;
constexpr float kFrameSeconds = 1.0f / 30.0f;
constexpr float kAmbientCubeKey = 0.25f;  // the ambient cube holds probe radiance x exposure x this
constexpr short kExclusionEntries = 4;

Math::Matrix4f translation(const Math::Vector3d& world, const Math::Vector3d& base) {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m.m[3][0] = float(world.x - base.x);
    m.m[3][1] = float(world.y - base.y);
    m.m[3][2] = float(world.z - base.z);
    return m;
}

Math::Vector3f drawingPoint(const Math::Vector3d& world, const Math::Vector3d& base) {
    return Math::Vector3f(float(world.x - base.x), float(world.y - base.y), float(world.z - base.z));
}

// The sphere around a model's root box, in model coordinates.
void boundingSphere(GlModel& model, Math::Vector3f& centre, float& radius) {
    const model::Node* root = model.getNode(model.getNodeCount() - 1);
    if (!root) {
        centre = Math::Vector3f(0, 0, 0);
        radius = 0.0f;
        return;
    }
    centre = (root->vMin + root->vMax) * 0.5f;
    const Math::Vector3f e = root->vMax - centre;
    radius = std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
}

void setVector(GlShader& program, const char* name, const Math::Vector4f& v) { program.set(name, v.x, v.y, v.z, v.w); }

// A call into the module, timed by the renderer (a scope; SceneEffects::inModule for a statement).
class ModuleCall {
public:
    explicit ModuleCall(ScenePassDrawer& drawer) : m_drawer(drawer) { m_drawer.moduleEnter(); }
    ~ModuleCall() { m_drawer.moduleLeave(); }
    ModuleCall(const ModuleCall&) = delete;
    ModuleCall& operator=(const ModuleCall&) = delete;

private:
    ScenePassDrawer& m_drawer;
};

}  // namespace

SceneEffects::SceneEffects(GlHost& host, SceneContent& content, ScenePassDrawer& drawer, const Settings& settings)
    : m_host(host), m_content(content), m_drawer(drawer), m_settings(settings) {}

SceneEffects::~SceneEffects() { stop(); }

bool SceneEffects::start(int width, int height, std::string& error) {
    if (m_started || !m_settings.enabled) return true;
    m_lightSource = effectorInstance<LightSource>(EFFECTOR_LIGHT);
    m_shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    m_fog = effectorInstance<FogEffector>(EFFECTOR_FOG);
    m_reflectionEffector = effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION);
    m_kinematic = effectorInstance<KinematicEffector>(EFFECTOR_KINEMATIC);
    m_exclusion = effectorInstance<TransparentExclusion>(EFFECTOR_TRANSPARENTEXCLUSION);
    m_cirrus = m_host.clients().get<GlCirrus>();
    if (!m_lightSource || !m_shadow || !m_fog || !m_reflectionEffector || !m_kinematic || !m_exclusion || !m_cirrus) {
        error = "the module is not running";
        return false;
    }
    GlPrograms& programs = m_host.programs();
    m_screenDepthProgram = programs.load("screendepth", "screendepth.vert", "screendepth.frag", error);
    m_depthProgram = m_screenDepthProgram ? programs.load("depth", "depth.vert", "depth.frag", error) : nullptr;
    m_blurProgram = m_depthProgram ? programs.load("motionblur", "fullscreen.vert", "motionblur.frag", error) : nullptr;
    m_glassProgram = m_blurProgram ? programs.load("glass", "scene.vert", "glass.frag", error) : nullptr;
    if (!m_glassProgram) return false;
    m_width = width;
    m_height = height;
    if (!makeTargets(width, height)) {
        error = "the targets of the screen-space, light-list, reflection or probe passes cannot be made";
        releaseTargets();  // whatever was made goes again
        return false;
    }
    m_shadow->setScreenDepthSrc(&m_screen);
    m_shadow->initSSAO(short(width), short(height));
    m_lightSource->setLightsSrc(&m_lists);
    m_lightSource->enableAmbientCube(true);
    m_kinematic->init(short(width), short(height));
    m_fog->initCloudsRT(m_settings.cloudLevel);
    m_worldLights.reserve(size_t(SLightsTextures::kMaxListLayers) + 16);
    m_frame = 0;
    m_cloudShadowsDrawn = false;
    m_started = true;
    return true;
}

bool SceneEffects::makeTargets(int width, int height) {
    GlRenderApi& api = m_host.renderApi();
    if (!m_screen.init(short(width), short(height), true) ||
        !m_lists.init(short(width), short(height), m_settings.tileSize, m_settings.listLayers))
        return false;
    const int rw = std::max(width / 2, 1), rh = std::max(height / 2, 1);
    m_reflection = api.createRenderTarget(kReflection, rw, rh, RendAPI::FMT_A32B32G32R32F, 1);
    m_reflectionDepth = api.createDepthSurface(kReflectionDepth, rw, rh, RendAPI::FMT_D24X8, 0);
    m_probe = api.createCubeTarget(kProbe, m_settings.probeEdge, RendAPI::FMT_A32B32G32R32F);
    m_probeDepth = api.createDepthSurface(kProbeDepth, m_settings.probeEdge, m_settings.probeEdge, RendAPI::FMT_D24X8, 0);
    m_blurred = api.createRenderTarget(kBlurred, width, height, RendAPI::FMT_A32B32G32R32F, 1);
    RendAPI::ITexture* made[] = {m_reflection, m_reflectionDepth, m_probe, m_probeDepth, m_blurred};
    for (RendAPI::ITexture* t : made)
        if (t) t->acquire();
    return std::all_of(std::begin(made), std::end(made), [](RendAPI::ITexture* t) { return t != nullptr; });
}

void SceneEffects::releaseTargets() {
    m_lists.uninit();
    m_screen.uninit();
    for (RendAPI::ITexture** t : {&m_reflection, &m_reflectionDepth, &m_probe, &m_probeDepth, &m_blurred}) {
        if (*t) (*t)->release();
        *t = nullptr;
    }
}

void SceneEffects::stop() {
    if (!m_started) return;
    if (effectorMan) {
        if (m_exclusionId >= 0) effectorMan->removeEffector(m_exclusionId);
        m_lightSource->setLightsSrc(nullptr);
        m_shadow->setScreenDepthSrc(nullptr);
        m_shadow->closeSSAO();
        m_kinematic->uninit();
        m_fog->uninitCloudsRT();
    }
    m_exclusionId = -1;
    releaseTargets();
    m_started = false;
}

void SceneEffects::setTransparent(const GlMesh* mesh, const Math::Vector3d& centre, float radius) {
    m_transparent = mesh;
    m_transparentCentre = centre;
    if (!m_started || !effectorMan) return;
    if (m_exclusionId >= 0) effectorMan->removeEffector(m_exclusionId);
    m_exclusionId = -1;
    if (!mesh) return;
    EXCLUSIONDESC volume;
    volume.vCenter = Math::Vector3f(float(centre.x), float(centre.y), float(centre.z));
    volume.vParams = Math::Vector3f(radius, 1.0f, 1.0f);
    m_exclusionId = effectorMan->addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, &volume, sizeof(volume), 1);
}

// ---------------------------------------------------------------------------------------------
// 2 and 4. The host's lights, trimmed by the module, and their shadow maps.

void SceneEffects::storeLights(const Math::Vector3d& base) {
    if (!m_started) return;
    ModuleCall call(m_drawer);
    for (const LIGHTDESC& world : m_worldLights) {
        LIGHTDESC light = world;
        if (light.type >= LIGHT_POINT)
            light.vPos = Math::Vector3f(float(world.vPos.x - base.x), float(world.vPos.y - base.y),
                                        float(world.vPos.z - base.z));
        effectorMan->addLight(&light);
    }
    m_lightSource->optimize(m_settings.frameLights, true);
    m_host.renderApi().setViewport(0, 0, m_width, m_height);  // the shadow levels follow the screen's width
    m_lightSource->updateShadowData();
}

void SceneEffects::renderLightShadows(const Math::Vector3d& base) {
    m_info.lightShadowMaps = 0;
    if (!m_started) return;
    m_drawer.moduleEnter();
    // The atlas is cleared only for a frame that draws into it (no light reads it otherwise).
    const short maps = m_shadow->getShadowsProjCount(m_lightSource->getUsedLightMatrices() > 0);
    m_shadow->pushState();  // the per-light projections leave the flags and the light space changed
    for (short i = 0; i < maps; ++i) {
        const TLightMatrixData* entry = m_lightSource->getLightMatrix(i);
        if (!entry || !m_shadow->beginShadowProj(i)) continue;
        m_lightShadowBias = m_shadow->getShadowBias();
        m_drawer.moduleLeave();
        drawCasters(entry->light, base, *m_shadow->getLightSpace());
        m_drawer.moduleEnter();
        m_shadow->endShadowProj();
        ++m_info.lightShadowMaps;
    }
    m_shadow->popState();
    m_drawer.moduleLeave();
}

// The objects within the light's reach, into the atlas tile in force, with its light space.
void SceneEffects::drawCasters(const LIGHTDESC& light, const Math::Vector3d& base, const Math::Matrix4f& lightSpace) {
    GlRenderApi& api = m_host.renderApi();
    if (!api.bindDrawTargets()) return;
    GlShader& program = *m_depthProgram;
    program.set("u_viewProj", lightSpace);
    program.use(api);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_CLAMP);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    LIGHTDESC copy = light;
    for (const SceneObject& object : m_content.objects) {
        Math::Vector3f centre;
        float radius;
        boundingSphere(*object.model, centre, radius);
        Math::Vector3f at = drawingPoint(object.position, base) + centre;
        if (!LightSource::lightCrossSphere(&at, radius, &copy)) continue;
        program.set("u_world", translation(object.position, base));
        object.model->mesh().draw();
    }
    glDisable(GL_DEPTH_CLAMP);
    glDisable(GL_DEPTH_TEST);
}

// ---------------------------------------------------------------------------------------------
// 6 and 7. Screen depth, normals, velocity, edges and occlusion; the light lists.

void SceneEffects::renderScreenDepth() {
    if (!m_started) return;
    m_drawer.moduleEnter();
    m_kinematic->trackCameraVelocity(kFrameSeconds);
    m_shadow->beginScreenDepth();
    m_drawer.moduleLeave();
    GlRenderApi& api = m_host.renderApi();
    GlCameraView view;
    if (currentCameraView(view) && api.bindDrawTargets()) {
        GlShader& program = *m_screenDepthProgram;
        {
            ModuleCall call(m_drawer);
            m_kinematic->applyShaderVelocities(&program, nullptr);  // the scene stands still
        }
        program.set("u_viewProj", view.viewProj);
        program.set("u_view", view.view);
        program.set("u_depthScale", PSMShadow::kScreenDepthRange);
        program.use(api);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        m_drawer.drawGeometry(program, true);
        glDisable(GL_DEPTH_TEST);
    }
    ModuleCall call(m_drawer);
    m_shadow->endScreenDepth();
    m_shadow->updateSSAO(m_settings.ssaoSamples, m_settings.ssaoRadius);
}

void SceneEffects::renderLightLists() {
    if (!m_started) return;
    m_host.renderApi().setViewport(0, 0, m_width, m_height);  // the module reads the screen's viewport
    ModuleCall call(m_drawer);
    m_lightSource->renderLighting();
    m_info.lights = m_lightSource->getRenderedLights().count();
}

// ---------------------------------------------------------------------------------------------
// 8. Clouds: the cloud targets, the cloud-shadow map and the matrix into it.

void SceneEffects::renderClouds() {
    if (!m_started) return;
    m_drawer.moduleEnter();
    const FOGDESC fog = m_fog->getFogDesc();
    CloudLayer layer = m_cloudLayer;
    layer.altitude = fog.fLayerBottom;
    // Lit by the day's directional light (the sun, or the moon at night) and its ambient light.
    Math::Vector3f direction;
    Math::Vector4f light, ambient;
    m_lightSource->getDayLight(&direction, &light, &ambient, 1.0f);
    layer.sunColor = Math::Vector3f(light.x, light.y, light.z);
    layer.skyColor = Math::Vector3f(ambient.x, ambient.y, ambient.z);
    m_cirrus->setLayer(layer);
    m_exclusion->setVolumeAlt(fog.fLayerBottom, fog.fLayerThickness, 50.0f);

    GlRenderApi& api = m_host.renderApi();
    m_fog->clearCloudsRT();
    m_drawer.moduleLeave();
    api.setRenderTargets(m_fog->getCloudsRT(), m_fog->getCloudsDepth(), nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    m_cirrus->draw(1);
    api.resetDepthSurface();
    api.resetRenderTarget();

    // The map holds one tile of the pattern, which the wind does not change (the drift moves the
    // matrix): it is redrawn only when the pattern or the tile size does (the shadow size of the
    // last beginShadowsRT stays with the fog effector for the matrix).
    const bool redraw = layer.coverage != m_shadowLayer.coverage || layer.opacity != m_shadowLayer.opacity ||
                        layer.tileSize != m_shadowLayer.tileSize || !m_cloudShadowsDrawn;
    if (redraw) {
        inModule([&] { m_fog->beginShadowsRT(float(layer.tileSize)); });
        m_cirrus->draw(2);
        inModule([&] { m_fog->endShadowsRT(); });
    }
    inModule([&] { m_fog->updateShadowMatrix(float(layer.drift.x), float(layer.drift.z)); });
    m_shadowLayer = layer;
    m_cloudShadowsDrawn = true;
}

void SceneEffects::drawCloudsOverSky() {
    if (m_started) m_cirrus->draw(0);
}

// ---------------------------------------------------------------------------------------------
// 9. Reflections: the water's mirror image; the probe and the ambient cube every few frames.

void SceneEffects::renderReflections(const Math::Vector3d& base, float exposure) {
    if (!m_started) return;
    m_info.probeRefreshed = false;
    if (m_content.water) {
        Math::Vector3d origin(0.0, m_settings.waterLevel, 0.0);
        Math::Vector3f up(0.0f, 1.0f, 0.0f);
        inModule([&] {
            m_reflectionEffector->setReflectionPlane(&origin, &up);
            m_reflectionEffector->beginReflection(kReflection, kReflectionDepth, nullptr);
        });
        m_drawer.drawLitPass(ScenePass::Reflection);
        inModule([&] { m_reflectionEffector->endReflection(); });
    }
    const int every = std::max(m_settings.probeEvery, 1);
    if (m_frame++ % every == 0) refreshProbe(base, exposure);
}

void SceneEffects::refreshProbe(const Math::Vector3d& base, float exposure) {
    GlRenderApi& api = m_host.renderApi();
    updateSkyIrradiance(float(m_settings.probe.y));
    m_info.probeRefreshed = true;
    Math::Vector3d at(m_settings.probe.x - base.x, m_settings.probe.y - base.y, m_settings.probe.z - base.z);
    for (char face = 0; face < 6; ++face) {
        inModule([&] { m_reflectionEffector->beginCubeTarget(kProbe, kProbeDepth, face, &at, 0x03); });
        m_drawer.drawLitPass(ScenePass::Probe);
        inModule([&] { m_reflectionEffector->endCubeTarget(); });
    }
    // The ambient cube from the probe, scaled into its 10-bit range; the module blurs it. Its mean
    // texel is read back once per refresh: the scene takes the cube's shape, not its level.
    const float scale = kAmbientCubeKey * exposure;
    const Math::Vector4f weight(scale, scale, scale, 1.0f);
    m_ambientCubeMean = Math::Vector3f(0.0f, 0.0f, 0.0f);
    const Math::Matrix4f identity = Math::Matrix4f::identity();
    auto* backCube = m_host.clients().get<GlBackCube>();
    for (char face = 0; face < 6; ++face) {
        bool begun = false;
        inModule([&] { begun = m_lightSource->beginAmbientCube(kProbeDepth, face, &at); });
        if (!begun) return;
        if (backCube) backCube->drawCube(m_probe, &weight, &identity, 0);
        inModule([&] { m_lightSource->endAmbientCube(); });
    }
    RendAPI::ITexture* cube = m_lightSource->getAmbientCube(false);
    Math::Vector3f sum(0.0f, 0.0f, 0.0f);
    int texels = 0;
    for (int face = 0; cube && face < 6; ++face) {
        const std::vector<float>& t = api.readTexels(cube, face);
        for (size_t i = 0; i < t.size(); i += 4, ++texels) sum += Math::Vector3f(t[i], t[i + 1], t[i + 2]);
    }
    if (texels > 0) m_ambientCubeMean = sum * (1.0f / float(texels));
}

// The sky's irradiance shape from the sun of the frame (the astronomy manager's, already current).
void SceneEffects::updateSkyIrradiance(float altitude) {
    if (!g_AstroManager) return;
    const Math::Vector3f sun = g_AstroManager->getSunPos();
    m_skyIrradiance.update(Math::Vector4f(sun.x, sun.y, sun.z, 0.0f), altitude);
}

// ---------------------------------------------------------------------------------------------
// 10. The lit scene.

void SceneEffects::bindScene(GlShader& program, ScenePass pass) {
    // Every value is set each time: the program is shared, and a renderer without these passes
    // must not inherit another's.
    Math::Vector4f irradiance[6];
    for (int a = 0; a < 6; ++a) {
        const Math::Vector3f& e = m_skyIrradiance.axes()[a];
        irradiance[a] = Math::Vector4f(e.x, e.y, e.z, 0.0f);
    }
    program.setVectorArray(program.getParameterByName(0, "u_skyIrradiance"), irradiance, 6);
    const bool on = m_started, main = on && pass == ScenePass::Main;
    if (on) inModule([&] { m_lightSource->setSSLight(&program, true, 1.0f); });
    // Mirror images and probe faces are not the frame's tiles: they take the first lights of the
    // module's order (strongest around the camera) by brute force.
    program.set("u_lightMode", !on ? 0 : main && m_settings.tiledLights ? 1 : 2);
    program.set("u_lightLimit", main ? LightSource::kMaxRenderedLights : m_settings.mirrorLights);
    program.set("u_lightShadows", main ? 1 : 0);
    program.set("u_lightShadowBias", m_lightShadowBias.x, m_lightShadowBias.y);
    program.set("u_screenSize", float(m_width), float(m_height));
    program.setTexture("u_occlusion", on ? m_shadow->getSSAOTexture() : nullptr);
    setVector(program, "u_occlusionRect", main ? m_shadow->getSSAORect() : Math::Vector4f(0, 0, 0, 0));
    const Math::Vector3f mean = on && pass != ScenePass::Probe ? m_ambientCubeMean : Math::Vector3f(0, 0, 0);
    program.setTexture("u_ambientCube", on ? m_lightSource->getAmbientCube(false) : nullptr);
    program.set("u_ambientCubeMean", mean.x, mean.y, mean.z);
    program.set("u_ambientCubeWeight", on ? std::clamp(m_lightSource->getAmbientCubeEffect(), 0.0f, 1.0f) : 0.0f);
    Math::Matrix4f noClouds;
    noClouds.set(0.0f);
    program.setTexture("u_cloudShadows", on ? m_fog->getShadowTexture() : nullptr);
    program.set("u_cloudShadowMatrix", on ? *m_fog->getShadowMatrix() : noClouds);
    program.setTexture("u_reflection", main ? m_reflection : nullptr);
    program.set("u_reflectionOn", main && m_content.water ? 1.0f : 0.0f);
}

// The glass, blended over the lit scene with the exclusion volumes' constants around its centre.
void SceneEffects::drawTransparent(const Math::Vector3d& base) {
    GlRenderApi& api = m_host.renderApi();
    GlCameraView view;
    if (!m_started || !m_transparent || !currentCameraView(view) || !api.bindDrawTargets()) return;
    GlShader& program = *m_glassProgram;
    for (int i = 0; i < kExclusionEntries; ++i) {
        m_exLayer[i].w = 1.0f;  // entries getConstants leaves at their defaults keep w = 1
        m_exParams[i].w = 1.0f;
    }
    Math::Vector3f centre(float(m_transparentCentre.x), float(m_transparentCentre.y), float(m_transparentCentre.z));
    inModule([&] { m_exclusion->getConstants(&centre, m_exLayer, m_exParams, kExclusionEntries); });
    for (int i = 1; i < kExclusionEntries; ++i)  // volume centres (world) into the drawing frame
        if (m_exLayer[i].w == 0.0f) m_exLayer[i] = m_exLayer[i] - Math::Vector4f(float(base.x), float(base.y), float(base.z), 0.0f);
    inModule([&] { m_exclusion->applyShader(&program, true); });
    program.setVectorArray(program.getParameterByName(0, "u_exLayer"), m_exLayer, kExclusionEntries);
    program.setVectorArray(program.getParameterByName(0, "u_exParams"), m_exParams, kExclusionEntries);
    program.set("u_world", translation(Math::Vector3d(0.0, 0.0, 0.0), base));
    program.set("u_viewProj", view.viewProj);
    program.set("u_eye", view.eye.x, view.eye.y, view.eye.z);
    program.set("u_viewAxis", view.view.m[0][2], view.view.m[1][2], view.view.m[2][2]);
    program.set("u_screenSize", float(m_width), float(m_height));
    program.set("u_depthScale", PSMShadow::kScreenDepthRange);
    program.setTexture("u_probe", m_probe);
    program.use(api);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glDisable(GL_CULL_FACE);
    m_transparent->draw();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDisable(GL_DEPTH_TEST);
    inModule([&] { m_exclusion->applyShader(&program, false); });
}

RendAPI::ITexture* SceneEffects::motionBlur(RendAPI::ITexture* hdr) {
    if (!m_started || !m_settings.motionBlur || !hdr) return hdr;
    graphics::RenderTarget* velocity = m_kinematic->getCurVF();
    if (!velocity || !velocity->get()) return hdr;
    GlRenderApi& api = m_host.renderApi();
    api.setRenderTargets(m_blurred, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    if (api.bindDrawTargets()) {
        GlDevice::screenPassState();
        GlShader& program = *m_blurProgram;
        program.setTexture("u_scene", hdr);
        program.setTexture("u_velocity", velocity->get());
        setVector(program, "u_velocityRect", m_kinematic->getScreenRect());
        program.set("u_shutter", m_settings.shutter);
        program.set("u_taps", kBlurTaps);
        program.use(api);
        m_host.device().drawFullscreen();
    }
    api.resetDepthSurface();
    api.resetRenderTarget();
    return m_blurred;
}

}  // namespace glhost
