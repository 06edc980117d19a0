#pragma once
// The dynamic-light effector (kind 1): light ranges and attenuation, the sphere test and the
// weight by which the manager orders lights around a point.
#include <string>

#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/effector/QuickVector.h"
#include "enviro/host/RenderApi.h"
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
