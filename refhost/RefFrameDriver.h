#pragma once
// The reference host's frame driver: the module's start-up, then frames in the order a host
// drives them, on a small scene, then shut-down. It is the worked example of a host's frame:
// runFrame calls one short function per step, in the host's order, and each says what the step
// is for. Tools, integration tests and whole-frame benchmarks run the module through it.
//
//     refhost::ReferenceHost host("");       // the data files in the working directory
//     host.install();
//     refhost::RefFrameDriver driver(host);  // or driver(host, settings)
//     if (driver.startUp())
//         for (int i = 0; i < 1000; ++i) driver.runFrame();
//     driver.shutDown();                     // or let the destructor do it
//
// Module lifecycle: startUp does what a host process does when it loads the module. It attaches
// the module (enviro::onProcessAttach) unless enviro::sky or g_AstroManager exists already, and
// calls createEnviro() unless effector::effectorMan exists already. shutDown releases every
// target set and effector target, closes the manager, deletes the manager only when startUp
// created it, and detaches the module only when startUp attached it; so a caller that attached
// or created them itself gets them back (the manager closed) and deletes them itself.
//
// Files: the astronomy manager reads "LuaScripts\Astro.cfg", "graphics\sky\light.bmp" and the
// star cache "PPMbin.dat" through the host's search path; a missing cache is built from "PPM.dat"
// in the working directory, and written there. The reflection effector reads "startup.cfg".
//
// Frames (enviro/host/CameraFrame.h): the camera stands eyeHeight above the walking observer; the
// drawing frame's origin (the camera's base) snaps to a grid of originCell world metres and moves
// only when the observer crosses a cell, and then every record of the scene is moved into the
// new frame. The camera's position is its place in the drawing frame.
//
// The scene, in the drawing frame: the host's dynamic lights (point lights and shadow-casting
// spot lights), shadow casters (one box-hierarchy model, one instance each) and exclusion
// volumes, scattered around the camera. They stay where they are while the camera walks, except
// that a record falling more than sceneRadius behind it (in x or z) comes back as far ahead, as a
// host streams its world around the player. With churn on, every frame adds, moves or
// removes one of each (and switches casters on and off), drawn from a std::mt19937 with a fixed
// seed, so that two drivers with the same settings run the same frames (the host's tick counter
// follows the simulated clock, not the wall clock). Lights carry the
// persistent identities of the scene's light objects (1 .. maxLights, reused when a light goes
// and another comes), so that LightSource::optimize fades them; one in five has none.
//
// Allocation: storage is reserved at start-up for the most records the settings allow, so a
// warmed-up frame allocates nothing in the driver. (With recording on, the reference host's
// clients, render manager and model record every call; setRecording(false) switches that off.)
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/MathVector.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/RefModel.h"
#include "refhost/RefShader.h"
#include "refhost/ReferenceHost.h"

namespace effector {
class EffectorMan;
class FogEffector;
class KinematicEffector;
class LightSource;
class PSMShadow;
class ReflectionEffector;
class TransparentExclusion;
}  // namespace effector

namespace refhost {

class RefFrameDriver {
public:
    static constexpr int kSkyDirections = 8;  // sky directions evaluated per frame

    struct Settings {
        // Screen and renderer: small, so that frames are fast.
        short screenWidth = 320;
        short screenHeight = 180;
        // The renderer's largest texture side from start-up on; caps the shadow maps (targets
        // made when the manager was created keep their size).
        int maxTextureSize = 256;
        short shadowQuality = 4;      // PSMShadow::initShadows: float depth maps
        short lightShadowQuality = 2; // ... and the light-shadow atlas
        short lightTileSize = 32;     // screen pixels per light-list tile (its targets fit the cap)
        short lightListLayers = 32;   // SLightsTextures list layers
        short cloudLevel = 1;         // FogEffector::initCloudsRT: half the screen

        // Astronomy: local civil date and time of frame 1, and what each frame adds.
        int startYear = 2024, startMonth = 6, startDay = 21, startHour = 4;
        double secondsPerFrame = 30.0;
        // Observer (world metres: x north, y up, z east) at frame 1 and its move per frame; the
        // ground lies at its height. The camera stands eyeHeight above it. The drawing frame's
        // origin snaps to a grid of originCell metres (0 or less: it stays at the world origin).
        Math::Vector3d observerStart{0.0, 0.0, 0.0};
        Math::Vector3d observerStep{3.0, 0.0, 2.0};
        double eyeHeight = 12.0;
        double originCell = 128.0;
        float yawPerFrame = 0.002f;  // radians the camera turns per frame

        // The host's records: the scene starts with the most of each kind; with churn, each
        // frame adds, removes or moves one record of each kind, the counts staying within
        // churnBand below the most (so the scene is at its largest from frame 1).
        int maxLights = 32;
        int maxCasters = 32;
        int maxVolumes = 12;
        int churnBand = 8;
        bool churn = true;
        uint32_t seed = 20240621u;
        short frameLightLimit = 24;  // LightSource::optimize keeps at most this many lights
        int shadowedLights = -1;     // spot lights that cast shadows: every one (-1) or at most this many
        float sceneRadius = 40.0f;   // records lie within this distance of the camera (x, z)

        // Passes that do not run every frame.
        int orthoShadowEvery = 5;   // every Nth frame renderDepthOrtho instead of renderDepth
        int cloudShadowEvery = 4;   // the cloud-shadow map is redrawn every Nth frame
        int ambientCubeEvery = 30;  // every Nth frame the ambient cube and a cube pass
        short ssaoSamples = 16;

        // The largest frame the GL demo draws, as this driver's scene: 256 lights (16 with atlas
        // shadows), 500 shadow casters, every pass in every frame, a still camera and no churn.
        static Settings largestFrame();
    };

    // What the last frame did, for tests and tools.
    struct FrameStats {
        Math::Vector3f sunDir{0.0f, 0.0f, 0.0f};  // world direction of the sun
        int starCount = 0;                        // stars and planets of the sky list
        Math::Vector3f zenithColor{0.0f, 0.0f, 0.0f};  // linear RGB of the sky at the zenith
        int lights = 0, casters = 0, volumes = 0;  // the host's records after the churn
        int renderedLights = 0;                    // lights of the frame's light textures
        int lightShadowMaps = 0;                   // per-light shadow projections drawn
        bool directionalShadow = false;            // the directional shadow map was drawn
        bool ambientCube = false;                  // the ambient cube was refreshed
    };

    explicit RefFrameDriver(ReferenceHost& host);
    RefFrameDriver(ReferenceHost& host, const Settings& settings);
    ~RefFrameDriver();  // shuts down when running
    RefFrameDriver(const RefFrameDriver&) = delete;
    RefFrameDriver& operator=(const RefFrameDriver&) = delete;

    // Runs the module's start-up on the host (which must be installed) and builds the scene;
    // sets the renderer's maximum texture size and the camera (eye, aspect, near, far) first.
    // False, with the module's globals as they were, when the host is not installed, a module
    // global or kind instance is missing or the astronomy manager's Init fails. True when
    // already running.
    bool startUp();
    // One frame, in the host's order. Does nothing unless running.
    void runFrame();
    // Releases what start-up made (see the lifecycle above). Does nothing unless running.
    void shutDown();
    // Starts the frames again from frame 1 with the module still running: the clock, the
    // observer, the camera, the random sequence and the host's records go back to what start-up
    // made, so the next frames repeat the first ones exactly, with the module's storage warm.
    // Frame count and timings start again from zero. Does nothing unless running.
    void rewind();

    bool isRunning() const { return m_bRunning; }
    long frameCount() const { return m_nFrames; }
    const FrameStats& lastFrame() const { return m_stats; }
    // Wall-clock seconds of the last frame and of all frames since start-up.
    double lastFrameSeconds() const { return m_dLastFrameSeconds; }
    double totalFrameSeconds() const { return m_dTotalFrameSeconds; }

    ReferenceHost& host() { return m_host; }
    // The effector manager while running, else null.
    effector::EffectorMan* manager() { return m_pMan; }
    const Settings& settings() const { return m_settings; }
    // Switches the recording of the host's clients, render manager and the scene's model.
    void setRecording(bool on);

private:
    // One record of the host's scene kept beside the manager's copy.
    struct CasterRecord {
        int id;                        // manager record id
        int instance;                  // index into m_instances
        Math::Matrix4f prevRelative;   // last frame's transform relative to this one
    };

    // ---- start-up
    bool attachModule();
    bool initAstronomy();
    void initTargets();
    void placeCamera();
    void configureEffects();
    void buildScene();
    void clearScene();
    void resetFrameState();
    void releaseTargets();
    void detachModule();

    // ---- one frame, in order
    void updateAstronomy();
    void storeHostRecords();
    void drawSky();
    void renderLightShadows();
    void renderDirectionalShadow();
    void renderScreenDepth();
    void bindLights();
    void renderCloudsAndFog();
    void renderReflections();

    // ---- helpers
    void advanceClock();
    void moveObserver();
    void moveScene(const Math::Vector3f& delta);
    void streamScene();
    void moveCaster(CasterRecord& caster, const Math::Vector3f& to);
    Math::Vector3f aroundCamera(const Math::Vector3f& p) const;
    Math::Vector3d originOf(const Math::Vector3d& world) const;
    Math::Vector3d eyeInWorld() const;
    Math::Vector3f eyeInDrawingFrame() const;
    void churnLights();
    void churnCasters();
    void churnVolumes();
    // What churn does to a kind with count records: 0 add, 1 remove, 2 change one.
    int churnChoice(int count, int most);
    void addLight();
    bool mayCastShadow() const;
    void addCaster();
    void addVolume();
    void drawObjects(int count, bool withVelocity);
    float uniform(float lo, float hi);
    int pick(int count);
    Math::Vector3f scenePoint(float yLo, float yHi);

    ReferenceHost& m_host;
    Settings m_settings;
    std::mt19937 m_random;

    bool m_bRunning = false;
    bool m_bAttachedModule = false;
    bool m_bCreatedManager = false;

    effector::EffectorMan* m_pMan = nullptr;
    effector::LightSource* m_pLights = nullptr;
    effector::PSMShadow* m_pShadow = nullptr;
    effector::FogEffector* m_pFog = nullptr;
    effector::ReflectionEffector* m_pReflection = nullptr;
    effector::TransparentExclusion* m_pExclusion = nullptr;
    effector::KinematicEffector* m_pKinematic = nullptr;

    // The screen-sized target sets the host owns.
    effector::SSDTextures m_screenDepth;
    effector::SLightsTextures m_lightLists;

    // The scene.
    RefModel m_model;
    std::vector<RefModelInstance> m_instances;  // one per caster slot
    std::vector<int> m_freeInstances;
    std::vector<effector::LIGHTDESC> m_lights;  // re-stored every frame
    std::vector<CasterRecord> m_casters;
    std::vector<int> m_volumes;                 // manager record ids
    std::vector<uint32_t> m_freeLightIds;       // the host's light identities not in use
    RefShader m_sceneShader;   // the shader of the scene's objects
    RefShader m_screenShader;  // a screen-space lighting shader

    // Frame state.
    long m_nFrames = 0;
    double m_dElapsedSeconds = 0.0;  // simulated time since start-up
    Math::Vector3d m_vObserver{0.0, 0.0, 0.0};
    Math::Vector3d m_vOrigin{0.0, 0.0, 0.0};  // the drawing frame's origin: the camera's base
    float m_fYaw = 0.0f;
    Math::Vector3f m_vSun{0.0f, 1.0f, 0.0f};
    Math::Vector3f m_avSkyColors[kSkyDirections];  // the sky's colour in the host's directions
    Math::Vector4f m_avExLayer[4];
    Math::Vector4f m_avExParams[4];
    FrameStats m_stats;
    double m_dLastFrameSeconds = 0.0;
    double m_dTotalFrameSeconds = 0.0;
};

}  // namespace refhost
