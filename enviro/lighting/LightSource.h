#pragma once
// The dynamic-light effector (kind 1): light ranges and attenuation, the sphere test and the
// weight by which the manager orders lights around a point; the frame's light textures and tiled
// light list; the binding of lights to shaders; light shadows; the ambient cube.
//
// The constructor creates the cube targets "cube_ambient" and "cube_ambient_src" (16 texels on an
// edge, format 31; found by name when used, not held) and the light record texture "m_rtLights"
// (256 x 16, format 116, held). Column i of "m_rtLights" is light i of the last rendered frame:
// rows 0..3 its record, rows 4..7 its shadow data, as the "SysLightRender" client encodes them.
// Copies share "m_rtLights" (a reference is taken); the destructor releases it and leaves the
// cubes to the renderer.
#include <string>

#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/effector/QuickVector.h"
#include "enviro/host/RenderApi.h"
#include "enviro/host/Shader.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/LightMatrixData.h"

namespace effector {

struct SLightsTextures;

class ENVIRO_API LightSource : public Effector {
public:
    static constexpr int kMaxLightMatrices = 30;

    LightSource();
    LightSource(const LightSource& other);
    LightSource& operator=(const LightSource& other);
    ~LightSource() override;

    // Weight of the LIGHTDESC at data for the point pos (scale unused): ambient lights 100000,
    // directional lights their brightest channel (+90000 while directional-first is set), point
    // and spot lights brightness falling linearly to 0 at the edge of their range and negative
    // beyond it. A null record weighs 0; a null point counts as the origin.
    float getWeight(void* data, Math::Vector3f* pos, float scale) override;
    int getDataSize() override;
    virtual void setSunFlare(float flare);
    virtual float getSunFlare();

    // Range of a light of brightness bright: (bright / 2)^3 * 400 + 0.1.
    static float calcAttenMaxRad(float bright, float unused);
    // Attenuation coefficient for a range: 9 / max(range, 0.1)^2.
    static float calcAttenKMaxRad(float unused, float maxRadius);
    // calcAttenKMaxRad of calcAttenMaxRad.
    static float calcAttenKLight(float bright);
    // Sets fMaxRadius from the brightest colour channel (a null record is ignored, as below).
    static void fillAttenMaxRad(LIGHTDESC* light);
    // Sets fAttenK from fMaxRadius (1.0 for ambient and directional lights).
    static void fillAttenKMaxRad(LIGHTDESC* light);
    // May the light reach the sphere (center, radius)? A null light gives false, a null centre
    // counts as the origin, and a NaN range never reaches.
    static bool lightCrossSphere(Math::Vector3f* center, float radius, LIGHTDESC* light);
    static float getColorLightRatio();

    // The day's light from the manager's light records (every state, weighted around the
    // origin): dir = the first directional light's vPos and color = its (r, g, b, 1); ambient =
    // the ambient light's colour; the walk stops after two such records. Then the directional
    // colour is split: ambient += color * (1 - direct), color *= direct. Without records (or
    // without a manager): dir (0, -1, 0) and zero colours before the split. Any pointer may be
    // null; that result is then not returned.
    void getDayLight(Math::Vector3f* dir, Math::Vector4f* color, Math::Vector4f* ambient, float direct);

    void setAmbientCubeEffect(float effect) { m_fAmbientCubeEffect = effect; }
    float getAmbientCubeEffect() const { return m_fAmbientCubeEffect; }
    void setDirectionalFirst(bool first) { m_bDirectionalFirst = first; }
    bool isDirectionalFirst() const { return m_bDirectionalFirst; }

    // Light shadows. Per frame the host adds its lights, calls optimize, then updateShadowData
    // (or resetShadowData when shadows are off), and renders one shadow map per used entry of
    // the light-matrix table into its slot of the atlas "m_rtLightsDepth".

    // Cuts the active lights (state 1) of the manager down to maxLights, most important to the
    // camera first: ambient and directional lights always lead; point and spot lights rank by
    // range over distance (spot lights scaled by their half-angle over a right angle). With cull
    // set, lights whose sphere the camera cannot see are dropped unless LIGHTFLAG_NOCULL is set.
    // Lights with a dwLightId fade in and out over 20 calls instead of switching (colour scaled
    // by the fade); one seen for the first time starts at full strength. The manager's lights
    // are flushed and added back, so they get new ids and no shadow slots.
    // Fallbacks: without a manager nothing happens; without a camera the camera stands at the
    // origin and nothing is culled; lights past index 32767 of the list are dropped.
    // Uses module-wide working storage: render thread only, not re-entrant.
    void optimize(short maxLights, bool cull);
    // Rebuilds the light-matrix table: every shadow-casting spot light (LIGHTFLAG_SHADOW) within
    // the directional shadow range gets a level of detail from its size on screen, a slot in the
    // atlas and its view, inverse view and view-projection matrices, nearest levels first, at
    // most 30 entries. Writes nShadowMatrix and nShadowSlot of every active light (-1 when it
    // has none). Does nothing when the atlas target, the manager, the shadow effector or the
    // camera is missing; lights past index 65535 of the list get no shadow.
    void updateShadowData();
    // No light matrices: the count is 0 and every active light's shadow fields are -1.
    void resetShadowData();
    short getUsedLightMatrices() const { return m_nUsedLightMatrices; }
    // Entry i of the light-matrix table, or null when i (taken as unsigned 16-bit) is above 29.
    TLightMatrixData* getLightMatrix(short i);
    // The atlas height fraction at which each of the four levels starts.
    float* getShadowLODY() { return m_afShadowLODY; }
    void dynamicShadowsSmooth(bool smooth) { m_bDynamicShadowsSmooth = smooth; }

    // ---- Light textures and the tiled light list.
    // The most lights one frame renders: the columns of "m_rtLights". Active lights beyond this
    // many (after the ambient ones, in weight order) are left out of the frame's textures; the
    // host keeps its active lights within it (optimize does).
    static constexpr int kMaxRenderedLights = 256;
    // Lights encoded per record draw and per occlusion draw.
    static constexpr int kLightBatch = 16;

    void setLightsSrc(SLightsTextures* src) { m_pLightsSrc = src; }
    SLightsTextures* getLightsSrc() { return m_pLightsSrc; }
    RendAPI::ITexture* getLightsTex() { return m_prtLights; }
    // Targets of the light set; null while no set is given.
    RendAPI::ITexture* getLightsListTex();
    RendAPI::ITexture* getOcclusionTex();
    RendAPI::ITexture* getDepthRangeTex();
    // The set's list rectangle; zero while no set is given.
    Math::Vector4f getListRect();
    // (width, height, 1 / tile size, s) of the set, s = 1 when the light shadow atlas
    // "m_rtLightsDepth" exists and smooth dynamic shadows are on; zero while no set is given.
    Math::Vector4f getListRect2();
    // The frame's lighting passes: light records, per-tile occlusion, per-tile depth range and the
    // list, one layer per light; or, while the shadow effector has no screen normals, the one-light
    // fallback list. Does nothing without a light set or "m_rtLights". Passes whose client
    // ("SysLightRender", "Bkgr") is missing still set, clear and reset their targets.
    void renderLighting();
    // The lights of the last rendered frame (ambient lights excluded), as encoded.
    const CQuickVector<LIGHTDESC, 3>& getRenderedLights() const { return m_lights; }

    // ---- Shader binding.
    // The most lights setLight binds per object.
    static constexpr int kMaxBoundLights = 64;
    // Binds the lights that reach the sphere (pos, radius) to "g_avLightPos", "g_avLightColor",
    // "g_avConeDir" (count maxLights, unused entries zero), "lightCount" and "ambient"; difColor and
    // specColor, when given, to "difColor" and "specColor". maxLights is clamped to 0..64. A null
    // shader does nothing; a null pos counts as the origin. Module-wide scratch storage: render
    // thread only.
    void setLight(graphics::Shader* shader, Math::Vector3f* pos, float radius, Math::Vector4f* difColor,
                  Math::Vector4f* specColor, short maxLights);
    // Binds the last rendered frame to a screen-space shader: "ambient", "g_vDefLightDir",
    // "g_vDefLightColor", "g_vDefSpecColor", the textures "g_tLightsList", "g_tLightsInfo",
    // "g_tLightsShadows" and the six rows of "g_LightListSettings". direct (not clamped) is the
    // share of the directional light that stays directional. With enable false only unbinds the
    // textures. A null shader does nothing.
    void setSSLight(graphics::Shader* shader, bool enable, float direct);
    Math::Vector4f getRenderedAmbient() { return m_vRenderedAmbient; }
    // Null pointers are skipped.
    void getRenderedDirLight(Math::Vector4f* dir, Math::Vector4f* color, Math::Vector4f* spec);
    void setDefSpecBright(float bright) { m_fDefSpecBright = bright; }

    // ---- Ambient cube.
    // Starts face `face` (0..5) of "cube_ambient_src" seen from pos (drawing frame, as the cube
    // pass takes it; enviro/host/CameraFrame.h), as a cube pass of the
    // reflection effector with depth surface depthTarget, pre-filled with the day's ambient light
    // weighted 1 - getAmbientCubeEffect() (no pre-fill from 0.999 on). False, with nothing
    // changed, while the feature is off, "cube_ambient" does not exist, there is no reflection
    // effector or a reflection or cube pass is already open.
    bool beginAmbientCube(const char* depthTarget, char face, Math::Vector3d* pos);
    // Ends the face; after face 5 (or higher) builds "cube_ambient" from 6 x 16 weighted, rotated
    // copies of the source, centred on the camera's drawing-frame position. Does nothing unless
    // a face begun by beginAmbientCube is open.
    void endAmbientCube();
    // "cube_ambient_src" (src) or "cube_ambient"; null while the feature is off.
    RendAPI::ITexture* getAmbientCube(bool src);
    void enableAmbientCube(bool on) { m_bAmbientCube = on; }
    bool isAmbientCubeEnabled() const { return m_bAmbientCube; }

private:
    // Level (high byte) and distance bucket (low byte) of a shadow-casting spot light seen from
    // camPos; maxSize is the edge of a level-0 map in texels.
    unsigned short getShadowLOD(Math::Vector3f* camPos, LIGHTDESC* light, long maxSize);
    // Distance from p to the lit cone of a spot light (0 inside).
    float getShadowDistanceCone(Math::Vector3f* p, LIGHTDESC* light);
    // Distance from p to the axis segment of a spot light (from vPos along -vDir, fMaxRadius long).
    float getShadowDistanceConeRay(Math::Vector3f* p, LIGHTDESC* light);
    // The spot light's view, inverse view and view-projection matrices.
    void CalcConePM(LIGHTDESC* light, Math::Matrix4f* view, Math::Matrix4f* viewInv, Math::Matrix4f* viewProj);

    static constexpr int kAmbientCubeEdge = 16;
    static constexpr int kLightRecordHeight = 16;  // rows 0..7 used
    void createTargets();
    void fillShadowLevels();

    // The passes of renderLighting.
    void renderLights();
    void renderOcclusionFast();
    bool renderDepthRange();
    void renderLightsList();
    void renderLightingDraft();
    // renderLights: takes one weighted-list entry into the frame (an ambient light into the
    // rendered ambient, any other light into m_lights while it has room).
    void takeRenderedLight(const LIGHTDESC& light, bool& directionalTaken);
    // endAmbientCube: draws face `face` of "cube_ambient" from the source cube.
    void blurAmbientFace(int face, const Math::Vector3f& center);

protected:
    float m_fSunFlare;
    float m_fAmbientCubeEffect;
    bool m_bAmbientCube;
    bool m_bDirectionalFirst;
    std::string m_strAmbientCube;
    signed char m_nAmbientCubeFace;
    CQuickVector<unsigned int, 3> m_shadowKeys;
    short m_anLODUsed[4];
    short m_anLODCount[4];
    float m_afShadowLODY[4];
    float m_fDefSpecBright;
    bool m_bDynamicShadowsSmooth;
    TLightMatrixData m_lightMatrices[kMaxLightMatrices];
    short m_nUsedLightMatrices;
    RendAPI::IRenderTarget* m_prtLights;
    CQuickVector<LIGHTDESC, 3> m_lights;
    Math::Vector4f m_vRenderedAmbient;
    Math::Vector4f m_vRenderedDirColor;
    Math::Vector4f m_vRenderedDirLight;
    SLightsTextures* m_pLightsSrc;
};

}  // namespace effector
