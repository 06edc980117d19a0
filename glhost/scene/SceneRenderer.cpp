#include "glhost/scene/SceneRenderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/sky/Sky.h"
#include "glhost/GlCameraView.h"
#include "glhost/clients/GlSkySphere.h"

namespace glhost {

using namespace effector;

namespace {

constexpr const char* kHdrTarget = "scene_hdr";
constexpr const char* kDepthSurface = "scene_depth";
constexpr const char* kFrameTarget = "frame";
constexpr short kShadowQuality = 4;     // the float depth path ("psm_depth" R32F)
constexpr float kShadowDepthBias = 0.0f;
constexpr float kSunDiscRadiance = 40.0f;   // the sun's disc, times the day light's colour
constexpr float kMoonRadiance = 0.08f;      // the full moon's lit face
constexpr float kStarFlux = 0.05f;          // a magnitude 0 star
constexpr float kMilkyWay = 0.0015f;
constexpr float kNear = 0.5f, kFar = 6000.0f;
constexpr float kDarkestLight = 0.015f;  // below this the exposure stops rising: night stays dark

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of the calling thread.
double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

float luminance(const Math::Vector4f& c) { return 0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z; }

Math::Vector3f unit(const Math::Vector3f& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.0f ? v * (1.0f / l) : v;
}

Math::Vector3f cross(const Math::Vector3f& a, const Math::Vector3f& b) {
    return Math::Vector3f(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

}  // namespace

SceneRenderer::SceneRenderer(GlHost& host, SceneContent& content, const Settings& settings)
    : m_host(host), m_content(content), m_settings(settings), m_effects(host, content, *this, settings.effects) {}

SceneRenderer::~SceneRenderer() { stop(); }

bool SceneRenderer::start(std::string& error) {
    if (m_started) return true;
    const int w = m_settings.width, h = m_settings.height;
    GlRenderApi& api = m_host.renderApi();
    if (w < 16 || h < 16 || w > api.getMaxTextureWidth() || h > api.getMaxTextureHeight()) {
        error = "the frame size " + std::to_string(w) + " x " + std::to_string(h) + " is outside 16 .. " +
                std::to_string(api.getMaxTextureWidth());
        return false;
    }
    m_shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    m_skyClient = m_host.clients().get<GlSkySphere>();
    if (!m_shadow || !m_skyClient || !enviro::sky || !g_AstroManager) {
        error = "the module is not running";
        return false;
    }
    m_scene = m_host.programs().load("scene", "scene.vert", "scene.frag", error);
    m_depth = m_scene ? m_host.programs().load("depth", "depth.vert", "depth.frag", error) : nullptr;
    m_tonemap = m_depth ? m_host.programs().load("tonemap", "fullscreen.vert", "tonemap.frag", error) : nullptr;
    if (!m_tonemap) return false;

    m_hdr = api.createRenderTarget(kHdrTarget, w, h, RendAPI::FMT_A32B32G32R32F, 1);
    m_depthSurface = api.createDepthSurface(kDepthSurface, w, h, RendAPI::FMT_D24X8, 0);
    m_frame = api.createRenderTarget(kFrameTarget, w, h, RendAPI::FMT_A8R8G8B8, 1);
    if (!m_hdr || !m_depthSurface || !m_frame) {
        error = "the frame's targets cannot be made";
        return false;
    }
    for (RendAPI::ITexture* t : {m_hdr, m_depthSurface, m_frame}) t->acquire();

    // The shadow map at the size asked for (the render API's cap bounds the module's choice).
    const int deviceMax = api.getMaxTextureWidth();
    api.setMaxTextureSize(m_settings.shadowMapSize);
    m_shadow->initShadows(kShadowQuality, m_settings.lightShadowQuality);
    api.setMaxTextureSize(deviceMax);
    m_shadow->enable(true);
    m_started = true;
    if (!m_effects.start(w, h, error)) {
        stop();  // what was made goes again
        return false;
    }
    return true;
}

void SceneRenderer::stop() {
    if (!m_started) return;
    if (effectorMan)
        for (int id : m_casterIds) effectorMan->removeEffector(id);
    m_casterIds.clear();
    m_effects.stop();
    if (m_shadow && effectorMan) m_shadow->uninitShadows();
    for (RendAPI::ITexture*& t : {std::ref(m_hdr), std::ref(m_depthSurface), std::ref(m_frame)}) {
        if (t) t->release();
        t = nullptr;
    }
    m_castersBase = Math::Vector3d(1e30, 0.0, 0.0);
    m_timer.releaseQueries();
    m_started = false;
}

// ---------------------------------------------------------------------------------------------

void SceneRenderer::renderFrame(const SceneFrame& frame) {
    if (!m_started) return;
    const double start = seconds(), threadStart = threadSeconds();
    m_cpu = CpuTimes();
    placeCamera(frame);
    updateAstronomy(frame);
    updateCasterRecords();
    m_timer.begin("lights");
    m_effects.storeLights(m_base);
    m_effects.renderLightShadows(m_base);
    m_timer.begin("shadow");
    renderShadow();
    m_timer.begin("screen");
    m_effects.renderScreenDepth();
    m_timer.begin("lists");
    m_effects.renderLightLists();
    m_timer.begin("clouds");
    m_effects.renderClouds();
    m_timer.begin("mirrors");
    m_effects.renderReflections(m_base, m_exposure);
    m_timer.begin("sky");
    GlRenderApi& api = m_host.renderApi();
    api.setRenderTargets(m_hdr, nullptr, nullptr);
    api.setDepthSurface(m_depthSurface);
    api.clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    api.clearDepth(1.0f);
    drawSky();
    m_effects.drawCloudsOverSky();
    m_timer.begin("scene");
    drawScene(ScenePass::Main);
    m_effects.drawTransparent(m_base);
    api.resetDepthSurface();
    api.resetRenderTarget();
    m_timer.begin("tonemap");
    toneMapToFrame(m_effects.motionBlur(m_hdr));
    m_timer.frameEnd();
    m_cpu.frameSeconds = seconds() - start;
    m_cpu.frameThreadSeconds = threadSeconds() - threadStart;
}

Math::Matrix4f SceneRenderer::drawingFrame(const Math::Vector3d& world) const {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m.m[3][0] = float(world.x - m_base.x);
    m.m[3][1] = float(world.y - m_base.y);
    m.m[3][2] = float(world.z - m_base.z);
    return m;
}

// The base on the floating-origin grid nearest the eye (at height 0), the eye inside it, and the
// orientation (rows forward, up, right) toward the target.
void SceneRenderer::placeCamera(const SceneFrame& frame) {
    const double cell = m_settings.originCell;
    auto snap = [cell](double v) { return cell > 0.0 ? std::floor(v / cell + 0.5) * cell : v; };
    m_base = Math::Vector3d(snap(frame.eye.x), 0.0, snap(frame.eye.z));
    cam::SMCamera& camera = m_host.camera();
    const double base[4] = {m_base.x, m_base.y, m_base.z, 0.0};
    const double position[4] = {frame.eye.x - m_base.x, frame.eye.y - m_base.y, frame.eye.z - m_base.z, 1.0};
    camera.setBasePosition(base);
    camera.setPosition(position);
    const Math::Vector3f forward = unit(Math::Vector3f(float(frame.target.x - frame.eye.x),
                                                       float(frame.target.y - frame.eye.y),
                                                       float(frame.target.z - frame.eye.z)));
    // The world frame (x north, y up, z east) is right-handed: right = forward x up.
    const Math::Vector3f right = unit(cross(forward, Math::Vector3f(0.0f, 1.0f, 0.0f)));
    const Math::Vector3f up = cross(right, forward);
    Math::Matrix4f orientation = Math::Matrix4f::identity();
    const Math::Vector3f rows[3] = {forward, up, right};
    for (int r = 0; r < 3; ++r) {
        orientation.m[r][0] = rows[r].x;
        orientation.m[r][1] = rows[r].y;
        orientation.m[r][2] = rows[r].z;
    }
    camera.setOrientation(&orientation);
    camera.setFov(frame.fovY);
    camera.setAspect(float(m_settings.width) / float(m_settings.height));
    camera.setNear(kNear);
    camera.setFar(kFar);
}

// 1. The instant and the observer; what the sky shows; the day's light into the manager.
void SceneRenderer::updateAstronomy(const SceneFrame& frame) {
    Astro::AstroManager& astro = *g_AstroManager;
    moduleEnter();
    const ModuleTime& t = frame.time;
    astro.setDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
    astro.setPos(frame.observer.x, frame.observer.y, frame.observer.z);
    m_sun = astro.getSunPos();
    SkyFrame sky;
    sky.sun = Math::Vector4f(m_sun.x, m_sun.y, m_sun.z, 0.0f);
    sky.altitude = float(frame.eye.y);
    sky.moon = astro.getMoonPos();
    sky.moonPhase = float(astro.getMoonPhase());
    sky.moonAngle = float(astro.getMoonAngle());
    m_starsChanged = astro.needStarsUpdate() || !m_stars;
    if (m_starsChanged) m_stars = astro.getStars();
    sky.stars = m_stars;
    sky.starsChanged = m_starsChanged;
    sky.galacticCentre = astro.getMilkyPole();       // the module names the galactic centre "pole"
    sky.galacticNorthPole = astro.getMilkyCenter();  // and the north galactic pole "center"
    effectorMan->flush(EFFECTOR_LIGHT, 0);           // last frame's day light
    astro.applyLighting(0.0f);
    const Math::Vector4f ambient = astro.getAmbientColor(), light = astro.getLightColor();
    Math::Vector3f up(0.0f, 1.0f, 0.0f), zenith;
    enviro::sky->getSkyColor(up, sky.sun, sky.altitude, &zenith);
    moduleLeave();

    // Exposure from the light the scene receives: day, dusk and night end up alike in brightness,
    // night a little darker.
    const float received = luminance(ambient) + 0.6f * luminance(light) + 0.8f * luminance(Math::Vector4f(zenith.x, zenith.y, zenith.z, 0.0f));
    m_exposure = std::clamp(m_settings.exposureKey / std::max(received, kDarkestLight), 0.05f, 400.0f);
    sky.sunColor = Math::Vector3f(light.x, light.y, light.z) * kSunDiscRadiance;
    sky.moonBrightness = kMoonRadiance;
    sky.starFlux = kStarFlux * 20.0f / std::max(m_exposure, 20.0f);
    sky.milkyWayBrightness = kMilkyWay * 80.0f / std::max(m_exposure, 80.0f);
    m_skyClient->setFrame(sky);
}

// Caster records at world minus base: made when the content's objects change, moved when the
// base moves.
void SceneRenderer::updateCasterRecords() {
    const bool remake = m_casterIds.size() != m_content.objects.size();
    if (!remake && m_castersBase.x == m_base.x && m_castersBase.y == m_base.y && m_castersBase.z == m_base.z) return;
    moduleEnter();
    if (remake) {
        for (int id : m_casterIds) effectorMan->removeEffector(id);
        m_casterIds.clear();
        m_instances.assign(m_content.objects.size(), GlModelInstance());
    }
    const bool first = m_casterIds.empty();
    for (size_t i = 0; i < m_content.objects.size(); ++i) {
        const Math::Matrix4f world = drawingFrame(m_content.objects[i].position);
        m_instances[i].setWorldMatrix(&world);
        if (first) {
            SHADOWCASTERDESC desc;
            std::memset(&desc, 0, sizeof(desc));
            desc.pModel = m_content.objects[i].model.get();
            desc.pInstance = &m_instances[i];
            desc.mWorld = world;
            m_casterIds.push_back(effectorMan->addEffectorData(EFFECTOR_SHADOWCASTER, &desc, sizeof(desc), 1));
        } else if (auto* desc = static_cast<SHADOWCASTERDESC*>(
                       effectorMan->getEffectorData(EFFECTOR_SHADOWCASTER, m_casterIds[i]))) {
            desc->mWorld = world;
        }
    }
    moduleLeave();
    m_castersBase = m_base;
}

// 3. The directional shadow: the module fits the map and asks for the casters (drawModel).
void SceneRenderer::renderShadow() {
    moduleEnter();
    m_shadow->getDesc()->fGroundLevel = m_content.groundLevel;  // world units
    m_shadow->renderDepth();
    moduleLeave();
}

void SceneRenderer::drawSky() {
    if (!m_settings.sky) return;
    enviro::sky->drawQuad();
}

// The day light, the fog constants and the shadow map's constants for the scene program; the
// dynamic lights, ambient, occlusion, clouds and reflection of the pass.
void SceneRenderer::setSceneLighting(GlShader& program, ScenePass pass) {
    moduleEnter();
    LightSource* lights = effectorInstance<LightSource>(EFFECTOR_LIGHT);
    Math::Vector3f origin(0.0f, 0.0f, 0.0f);
    if (lights) lights->setLight(&program, &origin, 1e6f, nullptr, nullptr, 8);
    if (FogEffector* fog = effectorInstance<FogEffector>(EFFECTOR_FOG)) fog->applyFogParams(&program, false);
    const bool active = m_shadow->isActive();
    RendAPI::ITexture* map = active ? m_shadow->getDepthTarget() : nullptr;
    program.set("u_lightSpace", *m_shadow->getLightSpace());
    program.set("u_shadow", map ? 1.0f : 0.0f, float(m_shadow->isFrontSide()),
                map ? 1.0f / float(map->getWidth()) : 0.0f, kShadowDepthBias);
    moduleLeave();
    m_effects.bindScene(program, pass);
    program.setTexture("u_shadowMap", map);
}

// 4. The ground, the objects and the water, lit and fogged (no water in its own mirror image).
void SceneRenderer::drawScene(ScenePass pass) {
    GlRenderApi& api = m_host.renderApi();
    GlCameraView view;
    if (!currentCameraView(view) || !api.bindDrawTargets()) return;
    GlShader& program = *m_scene;
    setSceneLighting(program, pass);
    if (enviro::sky) {  // the sky model for the water's mirror image and the haze's colour
        Math::Vector3f zenith(0.0f, 1.0f, 0.0f), yxy;
        Math::Vector4f sun(m_sun.x, m_sun.y, m_sun.z, 0.0f);
        enviro::sky->getSkyYxy(zenith, sun, float(m_base.y + view.eye.y), &yxy);
        const enviro::Sky& s = *enviro::sky;
        program.setArray("u_perezY", s.m_aPerezY, 5);
        program.setArray("u_perezX", s.m_aPerezCx, 5);
        program.setArray("u_perezYc", s.m_aPerezCy, 5);
        program.set("u_skyNorm", s.m_fNormCx, s.m_fNormCy, s.m_fLumAngleScale, s.m_fNormLum);
        program.set("u_skySun", m_sun.x, m_sun.y, m_sun.z);
    }
    const Math::Vector3f glow = nightGlow();
    program.set("u_nightGlow", glow.x, glow.y, glow.z);
    program.set("u_viewProj", view.viewProj);
    program.set("u_eye", view.eye.x, view.eye.y, view.eye.z);
    program.use(api);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    drawGeometry(program, pass != ScenePass::Reflection);
    glDisable(GL_DEPTH_TEST);
}

void SceneRenderer::drawGeometry(GlShader& program, bool withWater) {
    const Math::Matrix4f ground = drawingFrame(Math::Vector3d(0.0, 0.0, 0.0));
    program.set("u_world", ground);
    program.set("u_water", 0.0f);
    for (const auto& mesh : m_content.ground) mesh->draw();
    for (size_t i = 0; i < m_content.objects.size(); ++i) {
        program.set("u_world", *m_instances[i].getWorldMatrix());
        m_content.objects[i].model->mesh().draw();
    }
    if (m_content.water && withWater) {
        program.set("u_world", ground);
        program.set("u_water", 1.0f);
        m_content.water->draw();
    }
}

// A reflection or probe pass: the sky, the clouds and the lit scene as the current camera sees
// them, into the targets in force.
void SceneRenderer::drawLitPass(ScenePass pass) {
    if (m_settings.sky) enviro::sky->drawQuad();
    m_effects.drawCloudsOverSky();
    drawScene(pass);
}

// The host's draw of a caster: depth into the shadow map while the module draws a depth pass.
void SceneRenderer::drawModel(const GlModel& model, const Math::Matrix4f& world) {
    if (m_moduleDepth > 0) {
        m_cpu.moduleSeconds += seconds() - m_moduleStart;
        m_cpu.moduleThreadSeconds += threadSeconds() - m_moduleThreadStart;
    }
    GlRenderApi& api = m_host.renderApi();
    GlCameraView view;
    if (m_shadow && m_shadow->isDepthRender() && currentCameraView(view) && api.bindDrawTargets()) {
        m_depth->set("u_world", world);
        m_depth->set("u_viewProj", view.viewProj);
        m_depth->use(api);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        // In the reversed order (the light behind the fit's virtual camera) nearer is larger.
        // In the normal order casters nearer than the fitted range are clamped onto its near
        // end, so they still cast; clamping the reversed order would put far ones in front.
        const bool front = m_shadow->isFrontSide() != 0;
        glDepthFunc(front ? GL_LEQUAL : GL_GEQUAL);
        if (front) glEnable(GL_DEPTH_CLAMP);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        model.mesh().draw();
        glDisable(GL_DEPTH_CLAMP);
        glDisable(GL_DEPTH_TEST);
    }
    m_moduleStart = seconds();
    m_moduleThreadStart = threadSeconds();
}

// 5. Exposure, tone curve and sRGB into the 8-bit frame.
void SceneRenderer::toneMapToFrame(RendAPI::ITexture* scene) {
    GlRenderApi& api = m_host.renderApi();
    api.setRenderTargets(m_frame, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    if (api.bindDrawTargets()) {
        GlDevice::screenPassState();
        m_tonemap->setTexture("u_scene", scene);
        m_tonemap->set("u_exposure", m_exposure);
        m_tonemap->use(api);
        m_host.device().drawFullscreen();
    }
    api.resetDepthSurface();
    api.resetRenderTarget();
}

void SceneRenderer::moduleEnter() {
    if (m_moduleDepth++ > 0) return;
    m_moduleStart = seconds();
    m_moduleThreadStart = threadSeconds();
}

void SceneRenderer::moduleLeave() {
    if (--m_moduleDepth > 0) return;
    m_cpu.moduleSeconds += seconds() - m_moduleStart;
    m_cpu.moduleThreadSeconds += threadSeconds() - m_moduleThreadStart;
}

}  // namespace glhost
