#pragma once
// Draws a scene through the module, frame by frame, in the order a host drives it:
//   1. astronomy: the instant and the observer (setDateTime, setPos), the sun, the moon, the
//      stars when their list was rebuilt, the Milky Way; last frame's day light dropped and the
//      day's ambient and directional light stored again (applyLighting);
//   2. the camera: the drawing frame's origin (base) and the eye inside it (see Camera below);
//   3. the dynamic lights and their atlas shadows (SceneEffects::storeLights, renderLightShadows);
//   4. the directional shadow: PSMShadow::renderDepth fits the perspective shadow map to the view
//      and the casters and asks the host to draw them (drawModel, depth program);
//   5. the screen depth, normals, velocity, edges and ambient occlusion, the light lists, the
//      clouds and the reflections (SceneEffects, in that order);
//   6. the scene into the HDR target "scene_hdr": the sky dome through "SkySphere" (drawQuad) and
//      the clouds over it, then the ground, the objects and the water, lit by the day light the
//      module binds (LightSource::setLight), shadowed by the map, fogged with the fog effector's
//      constants (FogEffector::applyFogParams), with the dynamic lights, ambient, occlusion,
//      cloud shadows and water reflection of SceneEffects::bindScene; then the transparent object;
//   7. the display pass into "frame" (8-bit sRGB): motion blur (SceneEffects::motionBlur),
//      exposure and tone curve (ToneCurve.h).
// Camera: the scene is given in world coordinates (x north, y up, z east); the camera's base is
// the drawing frame's origin, a floating origin on a grid of Settings::originCell metres at
// height 0 (0: below the eye every frame), and its position is the eye in that frame. Objects are drawn and stored
// as shadow casters at world minus base; the shadow fit's ground level is the scene's, in world
// units.
// The module must be running (ModuleSession) and the GL host installed.
#include <string>
#include <vector>

#include "enviro/astro/StarDesc.h"
#include "enviro/host/MathMatrix.h"
#include "glhost/GlHost.h"
#include "glhost/scene/GpuTimer.h"
#include "glhost/scene/SceneContent.h"
#include "glhost/scene/SceneEffects.h"

namespace effector {
class PSMShadow;
}

namespace glhost {

class GlSkySphere;

// A date and time as AstroManager::setDateTime takes them.
struct ModuleTime {
    int year = 2024, month = 6, day = 21, hour = 12, minute = 0;
    float second = 0.0f;
};

struct SceneFrame {
    ModuleTime time;
    Math::Vector3d observer{0.0, 0.0, 0.0};  // astronomy world position (setPos)
    Math::Vector3d eye{0.0, 2.0, 0.0};        // camera, world
    Math::Vector3d target{0.0, 2.0, 1.0};     // the point it looks at, world
    float fovY = 1.0f;                        // radians
};

class SceneRenderer final : public GlModelDrawer, public ScenePassDrawer {
public:
    struct Settings {
        int width = 960, height = 540;
        int shadowMapSize = 1024;  // the float shadow map's side
        short lightShadowQuality = 2;  // the light shadow atlas: shadowMapSize x half of it
        SceneEffects::Settings effects;
        double originCell = 256.0; // the floating origin's grid, metres (0: below the eye)
        float exposureKey = 0.6f;  // display brightness of the scene's light
        bool sky = true;           // draw the sky dome
    };
    struct CpuTimes {
        double moduleSeconds = 0.0;  // inside the module's calls (host callbacks excluded)
        double frameSeconds = 0.0;   // the whole frame on the CPU
        // The same as CPU time of the render thread: its waits for the GPU (a software
        // rasteriser's worker threads) do not count.
        double moduleThreadSeconds = 0.0;
        double frameThreadSeconds = 0.0;
    };

    SceneRenderer(GlHost& host, SceneContent& content, const Settings& settings);
    ~SceneRenderer() override;
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // The targets, the shadow map and the scene's caster records. False with the reason in error
    // (size out of range, a target that cannot be made, the module not running).
    bool start(std::string& error);
    void renderFrame(const SceneFrame& frame);
    // Caster records out of the manager, targets released. The destructor calls it.
    void stop();

    RendAPI::ITexture* hdrTarget() const { return m_hdr; }
    RendAPI::ITexture* frameTarget() const { return m_frame; }
    float exposure() const { return m_exposure; }
    // The ambient light the scene adds under the module's (starlight and airglow), linear RGB.
    static Math::Vector3f nightGlow() { return Math::Vector3f(0.0012f, 0.0016f, 0.0028f); }
    // The base and eye position of the last frame's camera (drawing frame = world - base).
    const Math::Vector3d& base() const { return m_base; }
    Math::Vector3f sunDirection() const { return m_sun; }
    GpuTimer& gpuTimer() { return m_timer; }
    GlHost& host() { return m_host; }
    const Settings& settings() const { return m_settings; }
    const CpuTimes& lastCpuTimes() const { return m_cpu; }

    void drawModel(const GlModel& model, const Math::Matrix4f& world) override;
    void drawGeometry(GlShader& program, bool withWater) override;
    void drawLitPass(ScenePass pass) override;
    void moduleEnter() override;
    void moduleLeave() override;
    SceneEffects& effects() { return m_effects; }

private:
    void placeCamera(const SceneFrame& frame);
    void updateAstronomy(const SceneFrame& frame);
    void renderShadow();
    void drawScene(ScenePass pass);
    void drawSky();
    void toneMapToFrame(RendAPI::ITexture* scene);
    void updateCasterRecords();
    void setSceneLighting(GlShader& program, ScenePass pass);
    Math::Matrix4f drawingFrame(const Math::Vector3d& world) const;


    GlHost& m_host;
    SceneContent& m_content;
    Settings m_settings;
    effector::PSMShadow* m_shadow = nullptr;
    GlSkySphere* m_skyClient = nullptr;
    GlShader* m_scene = nullptr;
    GlShader* m_depth = nullptr;
    GlShader* m_tonemap = nullptr;
    RendAPI::ITexture* m_hdr = nullptr;
    RendAPI::ITexture* m_depthSurface = nullptr;
    RendAPI::ITexture* m_frame = nullptr;
    std::vector<GlModelInstance> m_instances;
    std::vector<int> m_casterIds;
    bool m_started = false;

    Math::Vector3d m_base{0.0, 0.0, 0.0};
    Math::Vector3d m_castersBase{1e30, 0.0, 0.0};  // the base the caster records were made for
    Math::Vector3f m_sun{0.0f, 1.0f, 0.0f};
    float m_exposure = 1.0f;
    const std::vector<Astro::STARDESC>* m_stars = nullptr;
    bool m_starsChanged = false;
    SceneEffects m_effects;
    GpuTimer m_timer;
    CpuTimes m_cpu;
    double m_moduleStart = 0.0, m_moduleThreadStart = 0.0;
    int m_moduleDepth = 0;
};

}  // namespace glhost
