#pragma once
// The transparent-exclusion effector (kind 8): exclusion volumes and the cloud slab.
//
// It keeps volumetric clouds out of places where they must not show and tells the host's
// transparent shaders where the cloud volume lies:
// - its own state describes one horizontal cloud slab (world bottom altitude and height) and a
//   setting vector; from them it decides whether an object and the camera lie on different sides
//   of the slab (isCrossCloudsVolume) and binds the cloud targets "m_rtCloudDepth" and
//   "m_rtCloudVol" to a shader (applyShader);
// - its per-object records (EXCLUSIONDESC, stored by the host through the manager) are exclusion
//   volumes; getConstants gathers the volumes nearest to a point, together with a description of
//   the overcast layer, into two arrays of shader vectors.
//
// Frames (enviro/host/CameraFrame.h): the slab's bottom is a world altitude; heights, points and
// volume centres handed in are drawing-frame values (world - the camera's base). The slab is
// compared with them in the drawing frame (m_fVolumeBottom - base height), the camera by its
// position in the drawing frame; the overcast half-layer of getConstants is chosen by the
// camera's world height and given in the drawing frame.
//
// Fallbacks (documented choices where the contract leaves misuse open):
// - No installed camera: base height, camera position and near distance count as 0.
// - No effector manager, no fog or no shadow-map instance: the parts that need them are skipped
//   (no overcast entry, no volumes; "g_vExVolumeRect" gets (0, 0, 1, 1)).
// - getConstants with null layer or params, or a count of 0 or less, writes nothing; a null pos
//   ranks the volumes from the origin of the drawing frame.
// - An overcast layer of thickness 0 has no half to describe: layer[0] keeps its default.
// - applyShader with a null shader does nothing.
//
// m_pShadow caches the manager's shadow-map instance on first use; it stays valid as long as
// that manager lives (the manager owns both instances). Copies share it.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/fog/ExclusionDesc.h"
#include "enviro/host/MathVector.h"

namespace graphics {
class Shader;
}

namespace effector {

class PSMShadow;

class ENVIRO_API TransparentExclusion : public Effector {
public:
    TransparentExclusion();
    // Copies take every member, the cached shadow-map pointer included.
    TransparentExclusion(const TransparentExclusion& other);
    TransparentExclusion& operator=(const TransparentExclusion& other);
    ~TransparentExclusion() override;

    // 1 / distance from pos to the volume centre (1.0 at distance 0): nearer volumes weigh more.
    // scale is not used; null data or pos weigh 0.
    float getWeight(void* data, Math::Vector3f* pos, float scale) override;
    // One EXCLUSIONDESC.
    int getDataSize() override;

    void enable(bool on) { m_bEnabled = on; }
    bool isEnabled() const { return m_bEnabled; }

    // The cloud slab: world bottom altitude and height (0: no slab), and the shader setting
    // (x of "g_vExVolumeSettings"), limited to 1 .. 1000.
    void setVolumeAlt(float bottom, float height, float setting);

    // Are the sphere at drawing-frame height y with this radius and the camera separated by the
    // slab? False while disabled, without a slab, during a reflection or cube pass (the render
    // API's clip-plane switch is on) or while there is no "m_rtCloudDepth" texture. A camera
    // inside the slab (within twice its near distance) is separated from everything.
    bool isCrossCloudsVolume(float y, float radius);

    // Fills count entries of layer and params for a shader:
    // - every entry: layer = (0, -10000, 0, .), params = (1, 1, 1, .); w is left as it was;
    // - when enabled and the fog's overcast density is above 0.001, layer[0] describes the half
    //   of the overcast layer on the camera's side: y the drawing-frame height of its centre,
    //   x = 1 / (layer middle - that centre), i.e. +4 / thickness with the camera below the
    //   middle, -4 / thickness above it;
    // - when enabled, entries 1 .. count-1 take the nearest stored volumes to pos (all states):
    //   layer[i] = (vCenter, 0), params[i] = (vParams, 0). params[0] keeps its default.
    // Once the manager's query lists have grown to the record count, this allocates nothing.
    void getConstants(Math::Vector3f* pos, Math::Vector4f* layer, Math::Vector4f* params, short count);

    // bind: sets "g_tVolumeDepth" and "g_tVolumeAlpha" to the textures "m_rtCloudDepth" and
    // "m_rtCloudVol" (null when absent), "g_vExVolumeSettings" to the settings and
    // "g_vExVolumeRect" to the shadow map's screen rectangle; !bind: sets both textures to none.
    // Does nothing during a reflection or cube pass, without a slab, or for a shader without
    // "g_tVolumeDepth".
    void applyShader(graphics::Shader* shader, bool bind);

private:
    // +1: the sphere lies wholly above the slab, -1: wholly below, 0: it touches the slab.
    char getVolumeCrossSign(float y, float radius);
    // Writes the overcast half-layer into layer[0] when the fog has an overcast.
    void getOvercastLayer(Math::Vector4f* layer);
    // Copies the nearest stored volumes into entries 1 .. count-1.
    void getNearestVolumes(Math::Vector3f* pos, Math::Vector4f* layer, Math::Vector4f* params, short count);

    bool m_bEnabled = true;
    float m_fVolumeBottom = 0.0f;  // world altitude of the slab's bottom
    float m_fVolumeHeight = 0.0f;  // 0: no slab
    Math::Vector4f m_vSettings{50.0f, 0.0f, 0.0f, 0.0f};
    PSMShadow* m_pShadow = nullptr;  // the manager's shadow-map instance, found on first use
};

}  // namespace effector
