#pragma once
// The reflection effector (kind 6): planar reflection and cube-map passes. Stores no records.
//
// Between a begin and its end operation the host draws the scene as usual; the effector has
// changed the camera and the render targets and puts them back at the end:
// - beginReflection / endReflection: the scene mirrored in the reflection plane, drawn into the
//   named colour target and depth surface, with a user clip plane that removes what lies below
//   the plane. The camera's view is overridden with mirror x view; the end gives the camera its
//   orientation back, which also ends the override.
// - beginCubeTarget / endCubeTarget: the scene seen from a point through one face of a cube
//   target (90 degree field of view, square aspect, x mirrored in view space). The camera's
//   orientation, field of view, rotation, position and aspect are kept in one module-wide set,
//   so cube passes cannot nest.
// Passes are strictly paired and do not nest with each other. During either pass the render
// API's clip-plane switch is on, which is how other effectors (fog) recognise a reflection pass.
//
// Frames (enviro/host/CameraFrame.h): the reflection plane's point is a world point; the pass
// takes it into the drawing frame by subtracting the camera's base (the view matrix carries the
// camera's position). A cube pass's position is a drawing-frame position: it becomes the camera's
// position, the base staying as it is.
//
// The constructor reads the integer "reflection" of the block "graphics" of "startup.cfg"
// (0 when the file, the block or the key is missing or the file is broken): 2 or more gives
// 512 x 512 targets, less gives 512 x 256 ("reflection_color", X8R8G8B8, and
// "reflection_depth", D16).
//
// Misuse: a begin while its pass is open, and an end while it is not, do nothing (a cube pass
// and a reflection pass still must not overlap). beginReflection with a null camera uses the current camera; with no camera at all the
// camera steps are left out and only the targets, clears and clip plane are done (the end
// balances them). The cube pass likewise leaves the camera alone when none is installed. A face
// outside 0..5 is clamped into it. A null position leaves the camera's position and rotation.
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/host/Camera.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/RenderApi.h"

namespace effector {

class ENVIRO_API ReflectionEffector : public Effector {
public:
    ReflectionEffector();
    // Copies share the colour target and the depth surface (references are taken).
    ReflectionEffector(const ReflectionEffector& other);
    ReflectionEffector& operator=(const ReflectionEffector& other);
    // Releases the depth surface and the colour target.
    ~ReflectionEffector() override;

    // Stores the plane (world origin, normal). The normal is made unit length unless it is 0.
    // Null arguments leave their part unchanged.
    void setReflectionPlane(Math::Vector3d* origin, Math::Vector3f* normal);
    Math::Vector3d getPlaneOrigin() const { return m_vPlaneOrigin; }
    Math::Vector3f getPlaneNormal() const { return m_vPlaneNormal; }
    // Stored for the host and the fog's reflection pass; values below 1.0 store 1.0.
    void setReflectionRange(float r);
    float getReflectionRange() const { return m_fReflectionRange; }

    void beginReflection(const char* colorTarget, const char* depthTarget, cam::SMCamera* camera);
    void endReflection();

    // flags: 0x01 clears the colour to (1, 0, 0, 1), 0x02 the depth to 1, 0x04 the stencil to 0.
    // depthTarget null: no depth surface. pos: the point the cube is seen from, in the drawing
    // frame (it becomes the camera's position; the base is left as it is).
    void beginCubeTarget(const char* cubeTarget, const char* depthTarget, char face, Math::Vector3d* pos,
                         unsigned char flags);
    void endCubeTarget();

    bool isReflectionOpen() const { return m_bReflectionOpen; }
    bool isCubePassOpen() const { return m_bCubeOpen; }
    // The cube target being drawn between beginCubeTarget and endCubeTarget, else null.
    RendAPI::ITexture* getCurrentRenderCube() const { return m_pCurrentCube; }

    RendAPI::IRenderTarget* getColorTarget() const { return m_prtColor; }
    RendAPI::IDepthSurface* getDepthSurface() const { return m_pDepth; }

private:
    void createTargets(int quality);
    void copyFrom(const ReflectionEffector& other);

    Math::Vector3d m_vPlaneOrigin{0.0, 0.0, 0.0};   // a point of the plane, world coordinates
    Math::Vector3f m_vPlaneNormal{0.0f, 1.0f, 0.0f};  // unit normal of the plane
    float m_fReflectionRange = 1000.0f;
    Math::Matrix4f m_mSavedRotation;                   // camera orientation saved by beginReflection
    cam::SMCamera* m_pCamera = nullptr;                // camera of the reflection pass (not owned)
    RendAPI::IRenderTarget* m_prtColor = nullptr;      // "reflection_color"
    RendAPI::IDepthSurface* m_pDepth = nullptr;        // "reflection_depth"
    RendAPI::ITexture* m_pCurrentCube = nullptr;       // cube being drawn (not counted)
    bool m_bReflectionOpen = false;                    // between beginReflection and endReflection
    bool m_bCubeOpen = false;                          // between beginCubeTarget and endCubeTarget
};

// Reads the "reflection" quality of the block "graphics" of "startup.cfg" (0 when absent).
int readReflectionQuality();

}  // namespace effector
