#pragma once
// Camera library: the current camera that every pass reads, borrows and gives back.
// Left-handed, row vectors. The base (second) position vector is the origin of the drawing frame
// and the position is where the camera stands in it (enviro/host/CameraFrame.h says what the
// module expects of both).
#include "enviro/EnviroApi.h"
#include "enviro/host/MathMatrix.h"

namespace cam {

// The read-only view record of a camera.
struct SMView {
    Math::Vector3f vPos;       // the position vector, in the drawing frame (single precision)
    Math::Matrix4f mView;      // view matrix: rotation and the translation by -position
    Math::Matrix4f mViewProj;  // view x projection
};

class SMCamera {
public:
    virtual ~SMCamera() = default;

    virtual float getFov() = 0;               // vertical field of view, radians
    virtual void setFov(float fov) = 0;
    virtual float getAspect() = 0;            // width / height
    virtual void setAspect(float aspect) = 0;
    virtual float getNear() = 0;
    virtual void setNear(double zn) = 0;
    virtual float getFar() = 0;
    virtual void setFar(double zf) = 0;

    // Position and the second (base) position vector, four doubles each (x, y, z, w).
    virtual void getPosition(double out[4]) = 0;
    virtual void setPosition(const double pos[4]) = 0;
    virtual void getBasePosition(double out[4]) = 0;
    virtual void setBasePosition(const double pos[4]) = 0;
    // Rotation as four doubles (the camera library's own angles).
    virtual void getRotation(double out[4]) = 0;
    virtual void setRotation(const double rot[4]) = 0;
    // Orientation matrix, rows: forward, up, right (the view's z, y and x axes in world space).
    // Setting it also ends a view override.
    virtual Math::Matrix4f getOrientation() = 0;
    virtual void setOrientation(const Math::Matrix4f* m) = 0;

    // The view record (position, view and view-projection as the camera renders now).
    virtual const SMView* getView() = 0;
    // Makes the camera render with m as its view matrix until setOrientation or a null override.
    virtual void overrideView(const Math::Matrix4f* m) = 0;
    // Makes the camera render with m as its whole projection until called with on = false.
    virtual void overrideProjection(bool on, const Math::Matrix4f* m) = 0;

    // Is the sphere (centre in the drawing frame, radius) inside the view volume?
    virtual bool isSphereVisible(const Math::Vector3f* center, float radius) = 0;
    // World width seen at distance 1.
    virtual float getViewWidthFactor() = 0;
    // One-byte flag that the directional depth passes set and restore.
    virtual unsigned char getShadowPassFlag() = 0;
    virtual void setShadowPassFlag(unsigned char flag) = 0;
};

// The camera manager; its first member is the current camera.
struct CameraManager {
    SMCamera* pCurrent;
};

// Installed by the host; null until then (passes that need a camera then do nothing).
ENVIRO_API extern CameraManager* cameraManager;

// The current camera, or null when no manager or camera is installed.
inline SMCamera* currentCamera() { return cameraManager ? cameraManager->pCurrent : nullptr; }

}  // namespace cam
