#pragma once
// The velocity-field effector (kind 9): per-pixel motion. Stores no records.
// It owns the "m_rtVelocityField" target that the screen-depth pass writes screen velocities
// into, follows the camera from frame to frame, and gives each object drawn in that pass the
// matrix that projects its points as they were in the previous frame ("g_mPrevObjViewProj").
// Camera or object moves longer than kCutLength world units are cuts: they give no motion.
//
// Frames (enviro/host/CameraFrame.h): the cut test follows the camera's world position (base +
// position), so moving the base alone is no cut. The view-projections carry the camera's
// position in the drawing frame, so the camera-motion matrix holds what the drawing frame itself
// moved: the base's change since the last track. A static point p of this frame was p + that
// change in the last frame's drawing frame, and its last clip position is
// (p, 1) * cameraMotion * prevViewProj, whichever of base and position the camera moved by.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/MathVector.h"
#include "enviro/host/RenderApi.h"

namespace graphics {
class Shader;
}

namespace effector {

class ENVIRO_API KinematicEffector : public Effector {
public:
    // Longest move that still counts as motion: the length of a translation row (x, y, z, w).
    static constexpr float kCutLength = 25.0f;
    // The velocity target is at most kMaxWidth x kMaxHeight: larger screens halve both sides.
    static constexpr int kMaxWidth = 4096;
    static constexpr int kMaxHeight = 2048;

    KinematicEffector();
    // Copies share the velocity target (each holds its own reference).
    KinematicEffector(const KinematicEffector& other);
    KinematicEffector& operator=(const KinematicEffector& other);
    ~KinematicEffector() override;  // releases the target

    // Creates the velocity target (two-channel 16-bit float) for a screen of width x height,
    // halved while too large; a target that cannot be created is reported in a message box and
    // the effect stays off. Sizes below 1 leave the screen rectangle unchanged. Forgets the
    // previous frame.
    void init(short width, short height);
    void uninit();
    // The velocity target, or null when there is none.
    graphics::RenderTarget* getCurVF();
    // (0.5 / width, 0.5 / height, 1, 1) of the velocity target.
    Math::Vector4f getScreenRect() { return m_vScreenRect; }
    void enable(bool on) { m_bEnabled = on; }
    // Stored for the host; null arguments are ignored.
    void setObjectRevMatrix(Math::Matrix4f* m);
    void getObjectRevMatrix(Math::Matrix4f* m);

    // Once per frame, before drawing: follows the current camera (nothing without a camera).
    // dt is not used.
    void trackCameraVelocity(float dt);
    // Per object drawn in the screen-depth pass: sets "g_vKSettings" (on/off, aspect) and, when
    // on, "g_mPrevObjViewProj". objPrev is the object's previous-frame transform relative to its
    // current one, null for static objects. Does nothing outside the screen-depth pass, for a
    // null shader, or for a shader without "g_vKSettings".
    void applyShaderVelocities(graphics::Shader* shader, Math::Matrix4f* objPrev);

private:
    static bool isCut(const float translationRow[4]);
    bool isScreenDepthPass() const;

    graphics::RenderTarget m_rtVelocityField;  // "m_rtVelocityField"
    Math::Vector3d m_vLastCamPos;              // camera world position at the last trackCameraVelocity
    Math::Matrix4f m_mCurViewProj;             // camera view-projection at the last track
    Math::Matrix4f m_mPrevViewProj;            // the view-projection of the frame before
    Math::Matrix4f m_mCameraMotion;            // identity with the base's last move as translation
    bool m_bEnabled;                           // effect switched on
    bool m_bHasPrev;                           // the previous-frame data is valid
    float m_fAspect;                           // camera aspect at the last track
    Math::Vector4f m_vScreenRect;              // (0.5 / width, 0.5 / height, 1, 1)
    Math::Matrix4f m_mObjectRev;               // kept for the host
    Math::Matrix4f m_mPrevObjViewProj;         // the matrix last given to "g_mPrevObjViewProj"
    Math::Vector3d m_vLastBase;                // drawing frame's origin at the last track
};

}  // namespace effector
