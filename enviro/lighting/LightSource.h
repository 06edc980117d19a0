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

    void setAmbientCubeEffect(float effect) { m_fAmbientCubeEffect = effect; }
    float getAmbientCubeEffect() const { return m_fAmbientCubeEffect; }
    void setDirectionalFirst(bool first) { m_bDirectionalFirst = first; }
    bool isDirectionalFirst() const { return m_bDirectionalFirst; }

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
