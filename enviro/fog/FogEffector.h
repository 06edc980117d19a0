#pragma once
// The fog effector (kind 5): haze, ground fog, overcast and cloud layers. Stores no records.
//
// It keeps the scene's atmosphere settings (FOGDESC) and derives on demand, from them and the
// current camera, what shaders and the sky lighting need: the effective visibility distance, the
// overcast, turbidity and vapour, the haze and ground-fog factors between two points, and the
// packed shader constant "g_FogDesc". It also owns the cloud render targets; "cld_shadows"
// (1024 x 1024, R5G6B5) is created and cleared to white (no cloud shadow) by the constructor.
//
// Frames (enviro/host/CameraFrame.h): the heights of FOGDESC (fLayerBottom, fLayerThickness,
// fLayerFogHeight) are world heights. The overcast and the visibility depend on the camera's world
// height (base + position); the ground fog plane, the overcast fade and the cloud-shadow matrix
// are measured from the drawing frame's origin (the base), so that the ground fog plane lies at
// fLayerFogHeight - base height in the drawing frame. Points handed in (GetFogK) are
// drawing-frame points. Without an installed camera base and position are 0.
//
// Degenerate settings (the record leaves them open; these are the guards):
// - fLayerThickness 0 or less: the overcast layer is a step at fLayerBottom (GetOvercastK is 1 at
//   or below it, 0 above) and it is never seen from inside (GetOvercastIntensity alpha 0).
// - fHazeKneeDist 1 or more: distances at or past the knee remap to fHazeKneeValue.
// - a visibility (complex distance) below 1e-3, zero or negative included, is taken as 1e-3
//   wherever it divides (GetDistanceParam, GetFogK).
// - a negative haze density times distance counts as 0 (no haze rather than NaN).
// No derived value is NaN or infinite for finite settings.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/fog/FogDesc.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/RenderApi.h"

namespace graphics {
class Shader;
}

namespace effector {

class ENVIRO_API FogEffector : public Effector {
public:
    FogEffector();
    // Copies share the render targets (their reference counts are raised).
    FogEffector(const FogEffector& other);
    FogEffector& operator=(const FogEffector& other);
    // Releases every render target held.
    ~FogEffector() override;

    // ---- settings ----
    void setFogDesc(FOGDESC* desc);  // null is ignored
    FOGDESC getFogDesc() const { return m_fogDesc; }
    void SetFogDistance(float distance) { m_fogDesc.fFogDistance = distance; }
    float GetFogDistance() const { return m_fogDesc.fFogDistance; }
    Math::Vector4f GetFogColor() const { return m_fogDesc.vFogColor; }
    Math::Vector4f GetLayerFogColor() const { return m_fogDesc.vLayerFogColor; }
    // Takes the colour only when it is more than 0.001 away (Euclidean, four components).
    void SetFogColor(Math::Vector4f* color);
    void SetLayerFogColor(Math::Vector4f* color);
    void SetCloudIntensity(Math::Vector4f* intensity);
    float GetLayerBottom() const { return m_fogDesc.fLayerBottom; }
    float GetLayerMiddle() const { return m_fogDesc.fLayerBottom + 0.5f * m_fogDesc.fLayerThickness; }
    float GetLayerTop() const { return m_fogDesc.fLayerBottom + m_fogDesc.fLayerThickness; }

    // ---- derived values ----
    // 0 for a visibility of 12000 or more, rising linearly to 1 at a visibility of 0.
    float GetOvercastDensity() const;
    // The effective visibility: fFogDistance from 15000 up; below that it depends on the camera
    // height: fFogDistance below the overcast layer, 10 in its middle, 35000 above it.
    float GetFogComplexDistance() const;
    float GetTurbidityK() const;
    float GetVapor() const;
    // (1/D, 1/(D/8), D - D/8, desaturation) for the complex distance D.
    Math::Vector4f GetDistanceParam() const;
    // The ground fog's top plane in the drawing frame: (0, 1, 0, base height - fLayerFogHeight).
    Math::Vector4f GetFogLayerPlane() const;
    // (intensity, depth, 0.0125, 1 when the ground fog is on else 0).
    Math::Vector4f GetFogLayerSettings() const;
    // (0.98, 0.98, 0.98, a): a fades in and out around the overcast layer at the base height.
    Math::Vector4f GetOvercastIntensity() const;
    // The host's cloud intensity merged with the overcast, lit by the astronomy manager's light
    // and ambient colours (zero colours while there is no astronomy manager); each part <= 1.
    Math::Vector4f GetCloudIntensity() const;
    // Fog on the path between two drawing-frame points: haze factor in r, g, b (desaturated),
    // ground fog value in a (negative: the path starts inside the fog; positive: above it).
    // Null arguments are ignored.
    void GetFogK(Math::Vector3f* from, Math::Vector3f* to, Math::Vector4f* out) const;

    // Uploads the six vectors of "g_FogDesc" in one call. During a reflection or cube pass (the
    // render API's clip-plane switch is on) and unless bIgnoreReflection, the knee is zeroed, the
    // haze is a flat (0.5, 0.5, 0.5, 1) and the distance scale is 1 / the reflection range (kept
    // as in the normal content when there is no reflection effector). A null shader, or one
    // without "g_FogDesc", is left untouched.
    void applyFogParams(graphics::Shader* shader, bool bIgnoreReflection);

    // The cloud-shadow target "cld_shadows" (null when it could not be created).
    RendAPI::IRenderTarget* getShadowTexture() const { return m_rtCloudShadows; }

    // ---- cloud targets and cloud shadows ----
    // (Re)creates "m_rtCloudVol" (A8R8G8B8), "m_rtCloudDepth" (R16F) and "m_rtCloudShadowVol"
    // (A8R8G8B8). Size: the shadow effector's screen depth target shifted right by 2 - level
    // (level 0 a quarter, 1 a half, 2 or more full size; a negative level counts as 0; at least
    // 1 x 1), or 256 x 256 when there is no screen depth target. Nothing is recreated, and the
    // screen rectangle is kept, while "m_rtCloudVol" already has that size. The rectangle is the
    // screen depth set's (also when the set has no depth target), with half a cloud texel in x, y
    // and the used size rounded to whole cloud texels in z, w ((0, 0, 1, 1) before that without
    // a screen depth set).
    // A target the renderer does not create stays null.
    void initCloudsRT(short level);
    // Clears "m_rtCloudVol" and then "m_rtCloudDepth" to (0, 0, 0, 0); absent targets are skipped.
    void clearCloudsRT();
    // Releases the three screen-sized cloud targets.
    void uninitCloudsRT();
    // Opens the cloud-shadow pass: saves the current camera's base, position and orientation,
    // then makes it look straight down on the size x size square from (size / 2, 5000, size / 2)
    // with an orthographic projection (1 to 10000) and a zero base, and makes "cld_shadows" the
    // only target (no depth surface), cleared to white. The host then draws the cloud layer.
    // Without a camera only the target is set. Must be closed by endShadowsRT; nothing else may
    // use the camera in between. While the pass is open a second beginShadowsRT does nothing.
    void beginShadowsRT(float size);
    // Closes the pass: ends the projection override, restores base, orientation and position
    // (setting the orientation ends a view override the camera had), and pops the target and the
    // depth surface. Does nothing while no pass is open.
    void endShadowsRT();
    // Rebuilds the cloud-shadow matrix: a drawing-frame point p (row vector, p * M) is carried
    // along the sunlight (the manager's day light direction; straight down without one) to the
    // plane of the overcast layer's bottom, shifted into the square of the last beginShadowsRT
    // size, snapped to that size's grid around the camera base and moved by the host's cloud
    // offsets, and divided by the size: x and z of the result are texture coordinates in
    // "cld_shadows", y is unchanged. The slant is limited to 3 horizontal units per unit of
    // height (the light's |y| counts as at least 0.1 before that).
    // Before any beginShadowsRT (shadow size 0, or a size that is not finite) the matrix is left
    // unchanged. Without a camera the base counts as the origin.
    void updateShadowMatrix(float offsetX, float offsetZ);

    RendAPI::IRenderTarget* getCloudsRT() const { return m_rtCloudVol; }
    RendAPI::IRenderTarget* getCloudsDepth() const { return m_rtCloudDepth; }
    RendAPI::IRenderTarget* getShadowsRT() const { return m_rtCloudShadowVol; }
    // (half texel x, half texel y, used width, used height) in cloud-target texture coordinates.
    Math::Vector4f getScreenRect() const { return m_vScreenRect; }
    // The cloud-shadow matrix (identity until updateShadowMatrix).
    Math::Matrix4f* getShadowMatrix() { return &m_mCloudShadow; }

private:
    float GetLayerFogIntensity() const { return m_fogDesc.fLayerFogIntensity; }
    // 1 at or below the overcast layer's bottom, 0 at or above its top (camera world height).
    float GetOvercastK() const;
    // Haze for a normalised distance t (0..1) into r, g, b of out; out->w is not written.
    void GetHazeK(float t, Math::Vector4f* out) const;
    // Ground fog on the path from -> to (drawing frame), -1..0 from inside, 0..1 from above.
    float GetLayerFogValue(Math::Vector3f* from, Math::Vector3f* to) const;

    void createShadowTexture();
    void copyFrom(const FogEffector& other);
    void releaseTargets();

    // Cloud targets, created by initCloudsRT (null until then).
    RendAPI::IRenderTarget* m_rtCloudVol = nullptr;
    RendAPI::IRenderTarget* m_rtCloudDepth = nullptr;
    RendAPI::IRenderTarget* m_rtCloudShadowVol = nullptr;
    Math::Vector4f m_vScreenRect{0.0f, 0.0f, 1.0f, 1.0f};
    Math::Vector4f m_vCloudIntensity{0.0f, 0.0f, 0.0f, 0.0f};
    Math::Matrix4f m_mSavedCamRot = Math::Matrix4f::identity();  // camera saved by the shadow pass
    Math::Matrix4f m_mCloudShadow = Math::Matrix4f::identity();  // cloud shadow lookup matrix
    double m_vSavedCamBase[4] = {0.0, 0.0, 0.0, 0.0};
    double m_vSavedCamPos[4] = {0.0, 0.0, 0.0, 0.0};
    bool m_bShadowsRTOpen = false;  // between beginShadowsRT and endShadowsRT
    float m_fShadowSize = 0.0f;  // world size of the square "cld_shadows" covers
    FOGDESC m_fogDesc;
    RendAPI::IRenderTarget* m_rtCloudShadows = nullptr;  // "cld_shadows"
};

}  // namespace effector
