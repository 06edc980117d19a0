#include "refhost/RefFrameDriver.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/KinematicEffector.h"
#include "enviro/effects/ReflectionEffector.h"
#include "enviro/fog/ExclusionDesc.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/fog/TransparentExclusion.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/sky/Sky.h"
#include "refhost/RefCalendar.h"

namespace refhost {

using namespace effector;

namespace {

// Targets of the reflection effector (it creates them) and of the host's cube pass (made here).
constexpr const char* kReflectionColor = "reflection_color";
constexpr const char* kReflectionDepth = "reflection_depth";
constexpr const char* kEnvironmentCube = "frame_env_cube";
constexpr const char* kCubeDepth = "frame_cube_depth";
constexpr int kCubeEdge = 32;

constexpr int kDrawnObjects = 8;        // objects drawn per scene pass
constexpr int kObjectsPerLightMap = 2;  // objects drawn into each light's shadow map
constexpr short kBoundLights = 8;       // lights bound per object by setLight
constexpr short kExclusionEntries = 4;  // exclusion constants gathered per object
constexpr float kCloudShadowSize = 4000.0f;
constexpr double kCloudDriftPerSecond = 0.5;  // world units the cloud shadows drift per second
constexpr double kSecondsPerDay = 86400.0;

// Directions the host evaluates the sky in: the zenith, the horizon all round, two elevations
// and one below the horizon.
const Math::Vector3f kSkyDirectionList[] = {
    {0.0f, 1.0f, 0.0f},     {1.0f, 0.05f, 0.0f},   {-1.0f, 0.05f, 0.0f},    {0.0f, 0.05f, 1.0f},
    {0.0f, 0.05f, -1.0f},   {0.7f, 0.7f, 0.0f},    {0.0f, 0.5f, 0.86f},     {0.5f, -0.3f, 0.5f},
};
constexpr int kSkyDirectionCount = sizeof(kSkyDirectionList) / sizeof(kSkyDirectionList[0]);
static_assert(kSkyDirectionCount == RefFrameDriver::kSkyDirections, "one colour per direction");

// The caster model: a box hierarchy of four leaves, two inner nodes and the root (last).
std::vector<model::Node> casterBoxes() {
    std::vector<model::Node> nodes(7);
    for (int i = 0; i < 4; ++i) {
        const float x = float(i % 2) * 2.0f - 2.0f, z = float(i / 2) * 2.0f - 2.0f;
        nodes[i] = model::Node{{-1, -1}, Math::Vector3f(x, 0, z), Math::Vector3f(x + 2, 3, z + 2)};
    }
    nodes[4] = model::Node{{0, 1}, Math::Vector3f(-2, 0, -2), Math::Vector3f(2, 3, 0)};
    nodes[5] = model::Node{{2, 3}, Math::Vector3f(-2, 0, 0), Math::Vector3f(2, 3, 2)};
    nodes[6] = model::Node{{4, 5}, Math::Vector3f(-2, 0, -2), Math::Vector3f(2, 3, 2)};
    return nodes;
}

Math::Matrix4f translation(const Math::Vector3f& t) {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m.m[3][0] = t.x;
    m.m[3][1] = t.y;
    m.m[3][2] = t.z;
    return m;
}

Math::Vector3f translationOf(const Math::Matrix4f& m) { return Math::Vector3f(m.m[3][0], m.m[3][1], m.m[3][2]); }

void addTranslation(Math::Matrix4f& m, const Math::Vector3f& t) {
    m.m[3][0] += t.x;
    m.m[3][1] += t.y;
    m.m[3][2] += t.z;
}

// v moved by a whole number of 2r into [centre - r, centre + r].
float wrapped(float v, float centre, float r) { return v - 2.0f * r * std::round((v - centre) / (2.0f * r)); }

Math::Vector3f narrowed(const Math::Vector3d& v) {
    return Math::Vector3f(static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z));
}

}  // namespace

RefFrameDriver::Settings RefFrameDriver::Settings::largestFrame() {
    Settings s;
    s.maxLights = 256;
    s.shadowedLights = 16;
    s.frameLightLimit = 256;
    s.lightListLayers = 256;
    s.maxCasters = 500;
    s.churn = false;
    s.observerStep = Math::Vector3d(0.0, 0.0, 0.0);  // the same lights stay in view
    s.yawPerFrame = 0.0f;
    s.orthoShadowEvery = 0;
    s.cloudShadowEvery = 1;
    s.ambientCubeEvery = 1;
    return s;
}

RefFrameDriver::RefFrameDriver(ReferenceHost& host) : RefFrameDriver(host, Settings()) {}

RefFrameDriver::RefFrameDriver(ReferenceHost& host, const Settings& settings)
    : m_host(host), m_settings(settings), m_random(settings.seed) {}

RefFrameDriver::~RefFrameDriver() { shutDown(); }

void RefFrameDriver::setRecording(bool on) {
    m_host.clients().setRecording(on);
    m_host.renderMan().setRecording(on);
    m_model.setRecording(on);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

bool RefFrameDriver::startUp() {
    if (m_bRunning) return true;
    if (!m_host.isInstalled() || !attachModule()) return false;
    m_host.renderApi().setMaxTextureSize(m_settings.maxTextureSize, m_settings.maxTextureSize);
    resetFrameState();
    placeCamera();
    if (!initAstronomy()) {
        detachModule();
        return false;
    }
    initTargets();
    configureEffects();
    buildScene();
    m_bRunning = true;
    return true;
}

void RefFrameDriver::shutDown() {
    if (!m_bRunning) return;
    releaseTargets();
    detachModule();  // the manager's close drops the records
    m_lights.clear();
    m_casters.clear();
    m_volumes.clear();
    m_bRunning = false;
}

void RefFrameDriver::rewind() {
    if (!m_bRunning) return;
    clearScene();
    resetFrameState();
    placeCamera();
    buildScene();
}

void RefFrameDriver::resetFrameState() {
    m_random.seed(m_settings.seed);
    m_nFrames = 0;
    m_dElapsedSeconds = 0.0;
    m_dTotalFrameSeconds = m_dLastFrameSeconds = 0.0;
    m_vObserver = m_settings.observerStart;
    m_vOrigin = originOf(m_vObserver);
    m_fYaw = 0.0f;
    m_stats = FrameStats();
}

// The module's globals, as a host process has them: the sky and the astronomy manager from
// attaching the module, the effector manager from createEnviro().
bool RefFrameDriver::attachModule() {
    if (!enviro::sky && !g_AstroManager) {
        enviro::onProcessAttach();
        m_bAttachedModule = true;
    }
    if (!effectorMan) {
        createEnviro();
        m_bCreatedManager = effectorMan != nullptr;
    }
    m_pMan = effectorMan;
    m_pLights = effectorInstance<LightSource>(EFFECTOR_LIGHT);
    m_pShadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    m_pFog = effectorInstance<FogEffector>(EFFECTOR_FOG);
    m_pReflection = effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION);
    m_pExclusion = effectorInstance<TransparentExclusion>(EFFECTOR_TRANSPARENTEXCLUSION);
    m_pKinematic = effectorInstance<KinematicEffector>(EFFECTOR_KINEMATIC);
    const bool complete = enviro::sky && g_AstroManager && m_pLights && m_pShadow && m_pFog && m_pReflection &&
                          m_pExclusion && m_pKinematic;
    if (!complete) detachModule();
    return complete;
}

// Undoes attachModule: the manager is closed (records dropped, kind instances and their targets
// released) at shut-down, and deleted when this driver created it; the module is detached when
// this driver attached it. A failed start-up leaves a manager it did not create untouched.
void RefFrameDriver::detachModule() {
    if (m_pMan && (m_bRunning || m_bCreatedManager)) m_pMan->close();
    if (m_bCreatedManager) {
        delete m_pMan;
        effectorMan = nullptr;
    }
    if (m_bAttachedModule) enviro::onProcessDetach();
    m_pMan = nullptr;
    m_pLights = nullptr;
    m_pShadow = nullptr;
    m_pFog = nullptr;
    m_pReflection = nullptr;
    m_pExclusion = nullptr;
    m_pKinematic = nullptr;
    m_bCreatedManager = m_bAttachedModule = false;
}

// Configuration, light bitmap, star catalogue and spectral curves; the sky's lighting and clients.
bool RefFrameDriver::initAstronomy() { return g_AstroManager->Init() && enviro::sky->init(); }

// The camera: eye height above the observer, the screen's aspect.
void RefFrameDriver::placeCamera() {
    RefCamera& camera = m_host.camera();
    camera.placeInWorld(eyeInWorld(), m_vOrigin);
    camera.setAspect(float(m_settings.screenWidth) / float(std::max<short>(m_settings.screenHeight, 1)));
    camera.setNear(0.5);
    camera.setFar(3000.0);
}

// The screen-sized sets the host owns, handed to their effectors, and the effectors' own targets,
// each with the screen size and quality.
void RefFrameDriver::initTargets() {
    const short w = m_settings.screenWidth, h = m_settings.screenHeight;
    m_pShadow->initShadows(m_settings.shadowQuality, m_settings.lightShadowQuality);
    m_pShadow->enable(true);
    m_screenDepth.init(w, h, true);
    m_pShadow->setScreenDepthSrc(&m_screenDepth);
    m_lightLists.init(w, h, m_settings.lightTileSize, m_settings.lightListLayers);
    m_pLights->setLightsSrc(&m_lightLists);
    m_pShadow->initSSAO(w, h);
    m_pFog->initCloudsRT(m_settings.cloudLevel);  // sized from the screen depth set
    m_pKinematic->init(w, h);

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.createCubeTarget(kEnvironmentCube, kCubeEdge, RendAPI::FMT_A8R8G8B8);
    api.createDepthSurface(kCubeDepth, kCubeEdge, kCubeEdge, RendAPI::FMT_D16, 0);
    api.setViewport(0, 0, w, h);
}

void RefFrameDriver::releaseTargets() {
    m_pLights->setLightsSrc(nullptr);
    m_pShadow->setScreenDepthSrc(nullptr);
    m_pShadow->closeSSAO();
    m_pShadow->uninitShadows();
    m_pFog->uninitCloudsRT();
    m_pKinematic->uninit();
    m_lightLists.uninit();
    m_screenDepth.uninit();
    enviro::sky->uninit();
}

// Weather, water and the cloud slab of the scene.
void RefFrameDriver::configureEffects() {
    FOGDESC fog;
    fog.vFogColor = Math::Vector4f(0.6f, 0.7f, 0.9f, 1.2f);
    fog.fFogDistance = 9000.0f;
    fog.fLayerFogIntensity = 0.002f;
    m_pFog->setFogDesc(&fog);
    Math::Vector3d water(0.0, 0.0, 0.0);
    Math::Vector3f up(0.0f, 1.0f, 0.0f);
    m_pReflection->setReflectionPlane(&water, &up);
    m_pReflection->setReflectionRange(2000.0f);
    m_pExclusion->setVolumeAlt(fog.fLayerBottom, fog.fLayerThickness, 50.0f);
    m_pLights->enableAmbientCube(true);
}

// The host's scene: storage for the most records the settings allow, then the first records.
void RefFrameDriver::buildScene() {
    m_model.setNodes(casterBoxes());
    const int maxCasters = std::max(m_settings.maxCasters, 0);
    m_instances.assign(static_cast<size_t>(maxCasters), RefModelInstance());
    m_freeInstances.clear();
    m_freeInstances.reserve(static_cast<size_t>(maxCasters));
    for (int i = maxCasters - 1; i >= 0; --i) m_freeInstances.push_back(i);
    m_lights.reserve(static_cast<size_t>(std::max(m_settings.maxLights, 0)));
    m_freeLightIds.clear();
    m_freeLightIds.reserve(static_cast<size_t>(std::max(m_settings.maxLights, 0)));
    for (int id = m_settings.maxLights; id >= 1; --id) m_freeLightIds.push_back(static_cast<uint32_t>(id));
    m_casters.reserve(static_cast<size_t>(maxCasters));
    m_volumes.reserve(static_cast<size_t>(std::max(m_settings.maxVolumes, 0)));
    for (int i = 0; i < m_settings.maxLights; ++i) addLight();
    for (int i = 0; i < maxCasters; ++i) addCaster();
    for (int i = 0; i < m_settings.maxVolumes; ++i) addVolume();
}

// Takes the host's records out of the manager (the lights go with the next frame's flush).
void RefFrameDriver::clearScene() {
    for (const CasterRecord& caster : m_casters) m_pMan->removeEffector(caster.id);
    for (int id : m_volumes) m_pMan->removeEffector(id);
    m_lights.clear();
    m_casters.clear();
    m_volumes.clear();
}

// ---------------------------------------------------------------------------------------------
// One frame

void RefFrameDriver::runFrame() {
    if (!m_bRunning) return;
    const auto start = std::chrono::steady_clock::now();
    ++m_nFrames;
    updateAstronomy();
    storeHostRecords();
    drawSky();
    renderLightShadows();
    renderDirectionalShadow();
    renderScreenDepth();
    bindLights();
    renderCloudsAndFog();
    renderReflections();
    // (The host would now draw the lit scene with the constants and textures bound above.)
    m_dElapsedSeconds += m_settings.secondsPerFrame;
    m_dLastFrameSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m_dTotalFrameSeconds += m_dLastFrameSeconds;
}

// 1. Astronomy: the instant and the observer move; the sky getters recompute what moved; the
// day's ambient and directional light go into the manager. Light records live one frame: last
// frame's are dropped first (LightSource::optimize stored them again under new ids).
void RefFrameDriver::updateAstronomy() {
    Astro::AstroManager& astro = *g_AstroManager;
    advanceClock();
    moveObserver();
    m_vSun = astro.getSunPos();
    astro.getMoonPos();
    astro.getMoonPhase();
    astro.getMoonAngle();
    if (astro.needStarsUpdate()) {  // the host rebuilds its star buffer only then
        m_stats.starCount = static_cast<int>(astro.getStars()->size());
        astro.getMilkyPole();
        astro.getMilkyCenter();
    }
    m_stats.sunDir = m_vSun;
    m_pMan->flush(EFFECTOR_LIGHT, 0);
    astro.applyLighting(0.0f);
}

// Local civil time of this frame into the astronomy manager, and the host's tick counter.
void RefFrameDriver::advanceClock() {
    const double startSeconds =
        double(daysFromCivil(m_settings.startYear, m_settings.startMonth, m_settings.startDay)) * kSecondsPerDay +
        m_settings.startHour * 3600.0;
    const double now = startSeconds + m_dElapsedSeconds;
    const double days = std::floor(now / kSecondsPerDay);
    double secondOfDay = now - days * kSecondsPerDay;
    int year, month, day;
    civilFromDays(static_cast<int64_t>(days), year, month, day);
    const int hour = static_cast<int>(secondOfDay / 3600.0);
    secondOfDay -= hour * 3600.0;
    const int minute = static_cast<int>(secondOfDay / 60.0);
    secondOfDay -= minute * 60.0;
    g_AstroManager->setDateTime(year, month, day, hour, minute, static_cast<float>(secondOfDay));
    // The millisecond tick counter follows the same clock, so frames repeat exactly (the scene
    // lighting's sun-to-moon drift reads it). Tick 0 means "no tick yet" to the module.
    m_host.os().setTicks(1u + static_cast<uint32_t>(std::fmod(m_dElapsedSeconds * 1000.0, 4294967295.0)));
}

// The observer walks and the camera turns slowly. When the observer crosses a cell of the origin
// grid, the drawing frame's origin moves and the scene with it; records left behind come ahead.
void RefFrameDriver::moveObserver() {
    for (CasterRecord& c : m_casters) c.prevRelative = Math::Matrix4f::identity();
    if (m_nFrames > 1) {
        m_vObserver = m_vObserver + m_settings.observerStep;
        m_fYaw += m_settings.yawPerFrame;
    }
    g_AstroManager->setPos(m_vObserver.x, m_vObserver.y, m_vObserver.z);
    const Math::Vector3d origin = originOf(m_vObserver);
    if (origin != m_vOrigin) {
        moveScene(narrowed(m_vOrigin - origin));
        m_vOrigin = origin;
    }
    RefCamera& camera = m_host.camera();
    camera.placeInWorld(eyeInWorld(), m_vOrigin);
    streamScene();
    const float s = std::sin(m_fYaw), c = std::cos(m_fYaw);
    Math::Matrix4f orientation = Math::Matrix4f::identity();  // rows: forward, up, right
    orientation.m[0][0] = s;
    orientation.m[0][2] = c;
    orientation.m[2][0] = c;
    orientation.m[2][2] = -s;
    camera.setOrientation(&orientation);
}

// 2. The host's own records: the scene changes (churn), then the dynamic lights are stored for
// this frame. Casters and exclusion volumes stay in the manager from frame to frame.
void RefFrameDriver::storeHostRecords() {
    if (m_settings.churn) {
        churnLights();
        churnCasters();
        churnVolumes();
    }
    for (LIGHTDESC& light : m_lights) m_pMan->addLight(&light);
    m_stats.lights = static_cast<int>(m_lights.size());
    m_stats.casters = static_cast<int>(m_casters.size());
    m_stats.volumes = static_cast<int>(m_volumes.size());
}

// 3. Sky: its colour in the directions the host draws, and the sky dome.
void RefFrameDriver::drawSky() {
    Math::Vector4f sun(m_vSun.x, m_vSun.y, m_vSun.z, 0.0f);
    const float altitude = static_cast<float>(eyeInWorld().y);
    enviro::sky->getSkyColorArray(kSkyDirectionList, kSkyDirectionCount, sun, altitude, m_avSkyColors);
    Math::Vector3f zenith(0.0f, 1.0f, 0.0f), yxy;
    enviro::sky->getSkyYxy(zenith, sun, altitude, &yxy);
    enviro::sky->getSkyColor(zenith, sun, altitude, &m_stats.zenithColor);
    enviro::sky->drawQuad();
}

// 4. Lights: trim the frame's lights, give the shadow-casting ones atlas slots, and draw each
// light's shadow map between beginShadowProj and endShadowProj.
void RefFrameDriver::renderLightShadows() {
    m_pLights->optimize(m_settings.frameLightLimit, true);
    m_pLights->updateShadowData();
    const short maps = m_pShadow->getShadowsProjCount(true);
    m_stats.lightShadowMaps = 0;
    for (short i = 0; i < maps; ++i) {
        if (!m_pShadow->beginShadowProj(i)) continue;
        drawObjects(kObjectsPerLightMap, false);
        m_pShadow->endShadowProj();
        ++m_stats.lightShadowMaps;
    }
}

// 5. Directional shadow: fit the light space to the view and the casters, and draw the casters.
void RefFrameDriver::renderDirectionalShadow() {
    const int every = m_settings.orthoShadowEvery;
    if (every > 0 && m_nFrames % every == 0)
        m_pShadow->renderDepthOrtho();
    else
        m_pShadow->renderDepth();
    m_stats.directionalShadow = m_pShadow->isActive();
}

// 6. Screen depth: the velocity field follows the camera, the scene is drawn into the normal,
// depth and velocity targets, and ambient occlusion is made from them.
void RefFrameDriver::renderScreenDepth() {
    m_pKinematic->trackCameraVelocity(static_cast<float>(m_settings.secondsPerFrame));
    m_pShadow->beginScreenDepth();
    drawObjects(kDrawnObjects, true);
    m_pShadow->endScreenDepth();
    m_pShadow->updateSSAO(static_cast<unsigned char>(m_settings.ssaoSamples), 1.0f);
}

// 7. Light lists: the light-record texture and the tiled list, bound to a screen-space shader;
// then the lights near each object bound to the object's shader before it is drawn.
void RefFrameDriver::bindLights() {
    m_pLights->renderLighting();
    m_stats.renderedLights = m_pLights->getRenderedLights().count();
    m_pLights->setSSLight(&m_screenShader, true, 0.7f);
    Math::Vector4f diffuse(1.0f, 1.0f, 1.0f, 1.0f), specular(0.4f, 0.4f, 0.4f, 1.0f);
    const int count = std::min(kDrawnObjects, static_cast<int>(m_casters.size()));
    for (int i = 0; i < count; ++i) {
        Math::Vector3f at = translationOf(*m_instances[m_casters[i].instance].getWorldMatrix());
        m_pLights->setLight(&m_sceneShader, &at, 3.0f, &diffuse, &specular, kBoundLights);
        m_model.draw(&m_instances[m_casters[i].instance]);
    }
}

// 8. Clouds and fog: the cloud targets (the reference scene has no clouds to draw into them),
// the cloud-shadow map (every few frames) and its matrix, the fog constants and the exclusion constants of an
// object; the visibility drifts slowly, which moves the overcast the next frame's light reads.
void RefFrameDriver::renderCloudsAndFog() {
    m_pFog->clearCloudsRT();
    const int every = m_settings.cloudShadowEvery;
    if (every > 0 && m_nFrames % every == 1 % every) {  // clouds move slowly: not every frame
        m_pFog->beginShadowsRT(kCloudShadowSize);
        m_pFog->endShadowsRT();
    }
    const float drift = static_cast<float>(std::fmod(m_dElapsedSeconds * kCloudDriftPerSecond, kCloudShadowSize));
    m_pFog->updateShadowMatrix(drift, 0.5f * drift);
    m_pFog->applyFogParams(&m_sceneShader, false);

    Math::Vector3f at = eyeInDrawingFrame();
    if (!m_casters.empty()) at = translationOf(*m_instances[m_casters[0].instance].getWorldMatrix());
    m_pExclusion->getConstants(&at, m_avExLayer, m_avExParams, kExclusionEntries);
    m_pExclusion->isCrossCloudsVolume(at.y, 3.0f);
    m_pExclusion->applyShader(&m_sceneShader, true);
    m_pExclusion->applyShader(&m_sceneShader, false);

    m_pFog->SetFogDistance(static_cast<float>(8000.0 + 6000.0 * std::sin(m_dElapsedSeconds / 20000.0)));
}

// 9. Reflections: the mirrored scene every frame; every few frames the ambient cube (six faces)
// and a cube pass of the host's own environment cube.
void RefFrameDriver::renderReflections() {
    m_pReflection->beginReflection(kReflectionColor, kReflectionDepth, nullptr);
    enviro::sky->drawNoQuad();
    m_pFog->applyFogParams(&m_sceneShader, false);  // the reflection's variant of the fog
    drawObjects(kDrawnObjects, false);
    m_pReflection->endReflection();

    m_stats.ambientCube = false;
    const int every = m_settings.ambientCubeEvery;
    if (every <= 0 || m_nFrames % every != 0) return;
    const Math::Vector3f drawn = eyeInDrawingFrame();  // cube passes take drawing-frame positions
    Math::Vector3d eye(drawn.x, drawn.y, drawn.z);
    for (char face = 0; face < 6; ++face) {
        if (!m_pLights->beginAmbientCube(kCubeDepth, face, &eye)) break;
        enviro::sky->drawNoQuad();
        m_pLights->endAmbientCube();
        m_stats.ambientCube = face == 5;
    }
    for (char face = 0; face < 6; ++face) {
        m_pReflection->beginCubeTarget(kEnvironmentCube, kCubeDepth, face, &eye, 0x07);
        enviro::sky->drawNoQuad();
        drawObjects(kDrawnObjects, false);
        m_pReflection->endCubeTarget();
    }
}

// ---------------------------------------------------------------------------------------------
// The scene's records

// The first count casters; in the screen-depth pass each gets its previous-frame transform.
void RefFrameDriver::drawObjects(int count, bool withVelocity) {
    const int n = std::min(count, static_cast<int>(m_casters.size()));
    for (int i = 0; i < n; ++i) {
        CasterRecord& caster = m_casters[i];
        if (withVelocity) m_pKinematic->applyShaderVelocities(&m_sceneShader, &caster.prevRelative);
        m_model.draw(&m_instances[caster.instance]);
    }
}

// Add (below the most), remove (above the band) or change: the count does a random walk
// within the band below the most.
int RefFrameDriver::churnChoice(int count, int most) {
    const float r = uniform(0.0f, 1.0f);
    if (r < 0.3f && count < most) return 0;
    if (r < 0.6f && count > std::max(most - m_settings.churnBand, 0)) return 1;
    return count > 0 ? 2 : (count < most ? 0 : 3);
}

void RefFrameDriver::churnLights() {
    const int count = static_cast<int>(m_lights.size());
    switch (churnChoice(count, m_settings.maxLights)) {
        case 0:
            addLight();
            break;
        case 1: {
            const int i = pick(count);
            if (m_lights[i].dwLightId != 0) m_freeLightIds.push_back(m_lights[i].dwLightId);
            m_lights[i] = m_lights.back();
            m_lights.pop_back();
            break;
        }
        case 2:
            m_lights[pick(count)].vPos = scenePoint(1.0f, 8.0f);
            break;
        default:
            break;
    }
}

// Casters also switch off (state 0) and on again; the ones that do not move stand still.
void RefFrameDriver::churnCasters() {
    const int count = static_cast<int>(m_casters.size());
    const int choice = churnChoice(count, m_settings.maxCasters);
    if (choice == 0) addCaster();
    if (choice != 1 && choice != 2) return;
    const int i = pick(count);
    CasterRecord& caster = m_casters[i];
    if (choice == 1) {
        m_pMan->removeEffector(caster.id);
        m_freeInstances.push_back(caster.instance);
        m_casters[i] = m_casters.back();
        m_casters.pop_back();
    } else if (uniform(0.0f, 1.0f) < 0.25f) {
        m_pMan->setState(EFFECTOR_SHADOWCASTER, caster.id, uniform(0.0f, 1.0f) < 0.3f ? 0 : 1);
    } else {
        moveCaster(caster, scenePoint(0.0f, 0.0f));
    }
}

// Moves a caster's record and instance; its previous-frame transform relative to the new place
// takes the move (a move longer than the velocity field's cut length counts as a jump).
void RefFrameDriver::moveCaster(CasterRecord& caster, const Math::Vector3f& to) {
    auto* desc = static_cast<SHADOWCASTERDESC*>(m_pMan->getEffectorData(EFFECTOR_SHADOWCASTER, caster.id));
    if (!desc) return;
    const Math::Vector3f from = translationOf(desc->mWorld);
    desc->mWorld = translation(to);
    m_instances[caster.instance].setWorldMatrix(&desc->mWorld);
    addTranslation(caster.prevRelative, from - to);
}

// Every record into a drawing frame whose origin moved by -delta (the world stands still).
void RefFrameDriver::moveScene(const Math::Vector3f& delta) {
    for (LIGHTDESC& light : m_lights) light.vPos += delta;
    for (CasterRecord& caster : m_casters) {
        const auto* desc = static_cast<const SHADOWCASTERDESC*>(m_pMan->getEffectorData(EFFECTOR_SHADOWCASTER, caster.id));
        if (desc) moveCaster(caster, translationOf(desc->mWorld) + delta);
    }
    for (int id : m_volumes)
        if (auto* v = static_cast<EXCLUSIONDESC*>(m_pMan->getEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, id)))
            v->vCenter += delta;
}

// Records more than sceneRadius behind the camera come back as far ahead of it.
void RefFrameDriver::streamScene() {
    for (LIGHTDESC& light : m_lights) light.vPos = aroundCamera(light.vPos);
    for (CasterRecord& caster : m_casters) {
        const auto* desc = static_cast<const SHADOWCASTERDESC*>(m_pMan->getEffectorData(EFFECTOR_SHADOWCASTER, caster.id));
        if (!desc) continue;
        const Math::Vector3f from = translationOf(desc->mWorld), to = aroundCamera(from);
        if (to != from) moveCaster(caster, to);
    }
    for (int id : m_volumes)
        if (auto* v = static_cast<EXCLUSIONDESC*>(m_pMan->getEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, id)))
            v->vCenter = aroundCamera(v->vCenter);
}

// p with x and z brought within sceneRadius of the camera, in steps of twice the radius.
Math::Vector3f RefFrameDriver::aroundCamera(const Math::Vector3f& p) const {
    const float r = m_settings.sceneRadius;
    if (!(r > 0.0f)) return p;
    const Math::Vector3f eye = eyeInDrawingFrame();
    return Math::Vector3f(wrapped(p.x, eye.x, r), p.y, wrapped(p.z, eye.z, r));
}

// The corner of the origin grid's cell that holds a world point.
Math::Vector3d RefFrameDriver::originOf(const Math::Vector3d& world) const {
    const double cell = m_settings.originCell;
    if (!(cell > 0.0)) return Math::Vector3d(0.0, 0.0, 0.0);
    return Math::Vector3d(std::floor(world.x / cell) * cell, std::floor(world.y / cell) * cell,
                          std::floor(world.z / cell) * cell);
}

Math::Vector3d RefFrameDriver::eyeInWorld() const {
    return Math::Vector3d(m_vObserver.x, m_vObserver.y + m_settings.eyeHeight, m_vObserver.z);
}

Math::Vector3f RefFrameDriver::eyeInDrawingFrame() const { return narrowed(eyeInWorld() - m_vOrigin); }

void RefFrameDriver::churnVolumes() {
    const int count = static_cast<int>(m_volumes.size());
    const int choice = churnChoice(count, m_settings.maxVolumes);
    if (choice == 0) addVolume();
    if (choice != 1 && choice != 2) return;
    const int i = pick(count);
    if (choice == 1) {
        m_pMan->removeEffector(m_volumes[i]);
        m_volumes[i] = m_volumes.back();
        m_volumes.pop_back();
    } else if (auto* v = static_cast<EXCLUSIONDESC*>(m_pMan->getEffectorData(EFFECTOR_TRANSPARENTEXCLUSION,
                                                                                m_volumes[i]))) {
        v->vCenter = scenePoint(0.0f, 10.0f);
    }
}

// A point light or a shadow-casting spot light pointing down, with a free identity (one in five
// has none and switches instead of fading).
// Another spot light may cast a shadow while the scene has fewer than the settings allow.
bool RefFrameDriver::mayCastShadow() const {
    if (m_settings.shadowedLights < 0) return true;
    int shadowed = 0;
    for (const LIGHTDESC& l : m_lights) shadowed += (l.flags & LIGHTFLAG_SHADOW) != 0;
    return shadowed < m_settings.shadowedLights;
}

void RefFrameDriver::addLight() {
    LIGHTDESC light;
    std::memset(&light, 0, sizeof(light));
    const bool spot = uniform(0.0f, 1.0f) < 0.4f;
    if (pick(5) != 0 && !m_freeLightIds.empty()) {
        light.dwLightId = m_freeLightIds.back();
        m_freeLightIds.pop_back();
    }
    light.type = spot ? LIGHT_SPOT : LIGHT_POINT;
    light.flags = spot && mayCastShadow() ? LIGHTFLAG_SHADOW : 0;
    light.vPos = scenePoint(1.0f, 8.0f);
    light.vColor.x = uniform(0.5f, 2.0f);  // one draw per statement: the order is fixed
    light.vColor.y = uniform(0.5f, 2.0f);
    light.vColor.z = uniform(0.5f, 2.0f);
    light.vColor.w = 1.0f;
    Math::Vector3f axis(0.0f, 1.0f, 0.0f);
    axis.x = uniform(-0.3f, 0.3f);
    axis.z = uniform(-0.3f, 0.3f);
    axis = Math::normalizeOrKeep(axis);
    light.vDir = Math::Vector4f(axis.x, axis.y, axis.z, 0.0f);
    light.fMaxRadius = uniform(6.0f, 30.0f);
    light.fAttenK = LightSource::calcAttenKMaxRad(0.0f, light.fMaxRadius);
    light.fConeAngle = uniform(0.3f, 0.8f);
    light.fConeEdge = 0.2f;
    light.nShadowMatrix = light.nShadowSlot = -1;
    m_lights.push_back(light);
}

// A caster standing on the ground, with its own model instance.
void RefFrameDriver::addCaster() {
    if (m_freeInstances.empty()) return;
    const int instance = m_freeInstances.back();
    SHADOWCASTERDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.pModel = &m_model;
    desc.pInstance = &m_instances[instance];
    desc.mWorld = translation(scenePoint(0.0f, 0.0f));
    m_instances[instance].setWorldMatrix(&desc.mWorld);
    const int id = m_pMan->addEffectorData(EFFECTOR_SHADOWCASTER, &desc, sizeof(desc), 1);
    if (id < 0) return;
    m_freeInstances.pop_back();
    m_casters.push_back(CasterRecord{id, instance, Math::Matrix4f::identity()});
}

void RefFrameDriver::addVolume() {
    EXCLUSIONDESC volume;
    volume.vCenter = scenePoint(0.0f, 10.0f);
    volume.vParams = Math::Vector3f(uniform(2.0f, 6.0f), 1.0f, 1.0f);
    const int id = m_pMan->addEffectorData(EFFECTOR_TRANSPARENTEXCLUSION, &volume, sizeof(volume), 1);
    if (id >= 0) m_volumes.push_back(id);
}

float RefFrameDriver::uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(m_random); }

int RefFrameDriver::pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

// A point around the camera, height above the ground between yLo and yHi (drawing frame: the
// ground lies at the observer's height).
Math::Vector3f RefFrameDriver::scenePoint(float yLo, float yHi) {
    const float r = m_settings.sceneRadius;
    const Math::Vector3f eye = eyeInDrawingFrame();
    const float ground = static_cast<float>(m_vObserver.y - m_vOrigin.y);
    Math::Vector3f p;
    p.x = eye.x + uniform(-r, r);  // one draw per statement: the order is fixed
    p.y = ground + (yHi > yLo ? uniform(yLo, yHi) : yLo);
    p.z = eye.z + uniform(-r, r);
    return p;
}

}  // namespace refhost
