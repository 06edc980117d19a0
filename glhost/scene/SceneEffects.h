#pragma once
// The module's passes beyond the day light and the sun's shadow, for the scene renderer: the
// host's dynamic lights with their atlas shadows and the tiled light list, the screen depth,
// normals, edges and ambient occlusion, the cloud layer and its shadows, the planar water
// reflection, one cube-map probe and the ambient cube, the sky's spherical harmonics, the
// exclusion constants of a transparent object, and motion blur from the velocity field.
//
// The scene renderer owns one and calls it in the order a host drives a frame:
//   storeLights            the frame's dynamic lights into the manager; optimize, updateShadowData
//   renderLightShadows     one shadow map per light-matrix entry into the atlas (beginShadowProj ..
//                          endShadowProj), the casters within the light's reach drawn with its
//                          light-space matrix
//   (the directional shadow)
//   renderScreenDepth      trackCameraVelocity; beginScreenDepth, the scene's normals, depth and
//                          velocity, endScreenDepth (edges); updateSSAO
//   renderLightLists       renderLighting: light records, occlusion, depth range, the list
//   renderClouds           the cloud targets, the cloud-shadow map and its matrix
//   renderReflections      the mirrored scene over the water; every few frames the probe cube and,
//                          from it, the ambient cube; the sky's spherical harmonics
//   then the lit scene: bindScene for its program, drawCloudsOverSky after the dome,
//   drawTransparent after the opaque scene, and motionBlur before the display pass.
// Scene-dependent drawing goes back to the renderer through ScenePassDrawer.
//
// Targets of the host's own: "water_reflection" (half the frame, float) and its depth surface,
// "probe_cube" (float cube) and "probe_depth", "scene_blurred" (the motion-blurred frame).
#include <string>
#include <vector>

#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/SSDTextures.h"
#include "glhost/GlHost.h"
#include "glhost/clients/GlCirrus.h"
#include "glhost/scene/SceneContent.h"
#include "glhost/scene/SkyIrradiance.h"

namespace effector {
class FogEffector;
class KinematicEffector;
class LightSource;
class PSMShadow;
class ReflectionEffector;
class TransparentExclusion;
}  // namespace effector

namespace glhost {

// What a scene program draws: the frame itself, the mirror image over the water, a probe face.
enum class ScenePass { Main, Reflection, Probe };

class ScenePassDrawer {
public:
    virtual ~ScenePassDrawer() = default;
    // Every mesh of the scene (the water too when withWater) with program, which is in use; the
    // drawer sets "u_world" per mesh.
    virtual void drawGeometry(GlShader& program, bool withWater) = 0;
    // The sky and the lit scene as the current camera sees them, into the targets in force.
    virtual void drawLitPass(ScenePass pass) = 0;
    // Bracket calls into the module, whose CPU time the renderer counts (they nest).
    virtual void moduleEnter() = 0;
    virtual void moduleLeave() = 0;
};

class SceneEffects {
public:
    struct Settings {
        // false: none of these passes (the scene lit by the module's day light, shadow map and
        // fog alone, as the tests of those predict it).
        bool enabled = true;
        bool tiledLights = true;      // false: every pixel loops over every light (brute force)
        short tileSize = 16;          // light-list tile edge, pixels
        short listLayers = 256;       // the most lights one tile lists
        short frameLights = 256;      // LightSource::optimize keeps at most this many
        int mirrorLights = 16;        // lights of a reflection or probe pass (the strongest, unshadowed)
        unsigned char ssaoSamples = 12;
        float ssaoRadius = 1.5f;      // world units
        short cloudLevel = 1;         // cloud targets at half the frame
        int probeEvery = 30;          // frames between refreshes of the probe and ambient cube
        int probeEdge = 64;
        Math::Vector3d probe{0.0, 12.0, 0.0};  // world position of the probe
        double waterLevel = 0.0;      // world height of the water's mirror plane
        bool motionBlur = true;
        float shutter = 0.5f;         // share of a frame the shutter is open
    };
    struct FrameInfo {
        int lights = 0;               // lights of the frame's light textures
        int lightShadowMaps = 0;      // atlas maps drawn
        bool probeRefreshed = false;
    };

    SceneEffects(GlHost& host, SceneContent& content, ScenePassDrawer& drawer, const Settings& settings);
    ~SceneEffects();
    SceneEffects(const SceneEffects&) = delete;
    SceneEffects& operator=(const SceneEffects&) = delete;

    // Targets of the module's effectors and of the host for a frame of width x height; false with
    // the reason in error.
    bool start(int width, int height, std::string& error);
    void stop();

    // The host's dynamic lights of the next frames, positions in world coordinates.
    std::vector<effector::LIGHTDESC>& lights() { return m_worldLights; }
    // The cloud layer (drift, coverage, colours); its altitude follows the fog's layer bottom.
    void setCloudLayer(const CloudLayer& layer) { m_cloudLayer = layer; }
    // The transparent object: a mesh in world coordinates and the exclusion volume around it.
    void setTransparent(const GlMesh* mesh, const Math::Vector3d& centre, float radius);
    Settings& settings() { return m_settings; }
    const FrameInfo& lastFrame() const { return m_info; }

    // ---- the frame, in order (base: the drawing frame's origin, world)
    void storeLights(const Math::Vector3d& base);
    void renderLightShadows(const Math::Vector3d& base);
    void renderScreenDepth();
    void renderLightLists();
    void renderClouds();
    void renderReflections(const Math::Vector3d& base, float exposure);
    // The module's bindings and the host's for a scene program drawing pass.
    void bindScene(GlShader& program, ScenePass pass);
    void drawCloudsOverSky();
    void drawTransparent(const Math::Vector3d& base);
    // The frame to display: hdr, or its motion-blurred copy.
    RendAPI::ITexture* motionBlur(RendAPI::ITexture* hdr);

    RendAPI::ITexture* reflectionTarget() const { return m_reflection; }
    RendAPI::ITexture* probeCube() const { return m_probe; }
    effector::SSDTextures& screenDepth() { return m_screen; }
    effector::SLightsTextures& lightLists() { return m_lists; }

private:
    bool makeTargets(int width, int height);
    void drawCasters(const effector::LIGHTDESC& light, const Math::Vector3d& base, const Math::Matrix4f& lightSpace);
    void refreshProbe(const Math::Vector3d& base, float exposure);
    void updateSkyIrradiance(float altitude);
    void releaseTargets();
    // Runs f as a call into the module (the renderer counts its CPU time).
    template <class F>
    void inModule(F&& f) {
        m_drawer.moduleEnter();
        f();
        m_drawer.moduleLeave();
    }

    GlHost& m_host;
    SceneContent& m_content;
    ScenePassDrawer& m_drawer;
    Settings m_settings;
    bool m_started = false;
    int m_width = 0, m_height = 0;
    long m_frame = 0;

    effector::LightSource* m_lightSource = nullptr;
    effector::PSMShadow* m_shadow = nullptr;
    effector::FogEffector* m_fog = nullptr;
    effector::ReflectionEffector* m_reflectionEffector = nullptr;
    effector::KinematicEffector* m_kinematic = nullptr;
    effector::TransparentExclusion* m_exclusion = nullptr;
    GlCirrus* m_cirrus = nullptr;

    effector::SSDTextures m_screen;
    effector::SLightsTextures m_lists;
    std::vector<effector::LIGHTDESC> m_worldLights;
    CloudLayer m_cloudLayer;
    CloudLayer m_shadowLayer;     // the layer the cloud-shadow map was drawn for
    bool m_cloudShadowsDrawn = false;
    Math::Vector4f m_lightShadowBias{0.0f, 0.0f, 0.0f, 0.0f};

    GlShader* m_screenDepthProgram = nullptr;
    GlShader* m_depthProgram = nullptr;
    GlShader* m_blurProgram = nullptr;
    GlShader* m_glassProgram = nullptr;
    RendAPI::ITexture* m_reflection = nullptr;
    RendAPI::ITexture* m_reflectionDepth = nullptr;
    RendAPI::ITexture* m_probe = nullptr;
    RendAPI::ITexture* m_probeDepth = nullptr;
    RendAPI::ITexture* m_blurred = nullptr;
    Math::Vector3f m_ambientCubeMean{0.0f, 0.0f, 0.0f};  // 0: no ambient cube yet
    SkyIrradiance m_skyIrradiance;

    const GlMesh* m_transparent = nullptr;
    Math::Vector3d m_transparentCentre{0.0, 0.0, 0.0};
    int m_exclusionId = -1;
    Math::Vector4f m_exLayer[4], m_exParams[4];
    FrameInfo m_info;
};

}  // namespace glhost
