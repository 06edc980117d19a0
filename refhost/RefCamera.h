#pragma once
// The reference camera: left-handed, row vectors (p * M). The orientation matrix's rows are the
// camera's forward, up and right axes, in that order (so the identity looks along +x with +y up and
// +z to the right; the default looks along +z with +x to the right, a view matrix of identity).
//
// Frames (enviro/host/CameraFrame.h): the base (second) position vector is the origin of the
// drawing frame, a floating origin the host moves rarely; the scene is drawn in drawing-frame
// coordinates, world - base. The position is where the camera stands in the drawing frame, so
// its world position is base + position; both are kept as doubles.
//   view       = T(-position) * inverse of the basis (right, up, forward), the basis being the
//                orientation with rows 0 and 2 exchanged (its translation ignored), unless
//                overridden
//   projection = matrixPerspectiveFovLH(fov, aspect, near, far), unless overridden
//   viewProj   = view * projection
// The view record's vPos is the position narrowed to float. The base does not enter the
// matrices; rotation is four doubles stored for the caller (the host's own angles) and does not
// drive the orientation.
// Defaults: fov pi/3, aspect 16/9, near 1, far 10000, positions and rotation zero, no overrides,
// shadow-pass flag 0. Field of view, aspect, near and far are kept as floats, so a value read
// and set back restores the state exactly.
// Misuse: setOrientation(null) is ignored; overrideView(null) ends the view override;
// overrideProjection(true, null) is ignored; isSphereVisible(null, r) is false.
#include <ostream>

#include "enviro/host/Camera.h"

namespace refhost {

class RefCamera final : public cam::SMCamera {
public:
    // Every value of the camera, for tests that check a pass restored the camera.
    struct State {
        float fov;
        float aspect;
        float zNear;
        float zFar;
        double position[4];
        double base[4];
        double rotation[4];
        Math::Matrix4f orientation;
        bool viewOverride;
        Math::Matrix4f view;  // the override matrix (identity when off)
        bool projectionOverride;
        Math::Matrix4f projection;  // the override matrix (identity when off)
        unsigned char shadowFlag;

        bool operator==(const State& o) const;
        bool operator!=(const State& o) const { return !(*this == o); }
    };

    RefCamera();

    float getFov() override { return m_s.fov; }
    void setFov(float fov) override { m_s.fov = fov; }
    float getAspect() override { return m_s.aspect; }
    void setAspect(float aspect) override { m_s.aspect = aspect; }
    float getNear() override { return m_s.zNear; }
    void setNear(double zn) override { m_s.zNear = static_cast<float>(zn); }
    float getFar() override { return m_s.zFar; }
    void setFar(double zf) override { m_s.zFar = static_cast<float>(zf); }
    void getPosition(double out[4]) override;
    void setPosition(const double pos[4]) override;
    void getBasePosition(double out[4]) override;
    void setBasePosition(const double pos[4]) override;
    void getRotation(double out[4]) override;
    void setRotation(const double rot[4]) override;
    Math::Matrix4f getOrientation() override { return m_s.orientation; }
    void setOrientation(const Math::Matrix4f* m) override;
    const cam::SMView* getView() override;
    void overrideView(const Math::Matrix4f* m) override;
    void overrideProjection(bool on, const Math::Matrix4f* m) override;
    bool isSphereVisible(const Math::Vector3f* center, float radius) override;
    // 2 * tan(fov / 2) * aspect.
    float getViewWidthFactor() override;
    unsigned char getShadowPassFlag() override { return m_s.shadowFlag; }
    void setShadowPassFlag(unsigned char flag) override { m_s.shadowFlag = flag; }

    // Places the camera at a world position with the drawing frame's origin at base: the base
    // vector becomes base and the position world - base (their w components are kept).
    void placeInWorld(const Math::Vector3d& world, const Math::Vector3d& base);

    State state() const { return m_s; }
    void setState(const State& s) { m_s = s; }
    Math::Matrix4f viewMatrix() const;
    Math::Matrix4f projectionMatrix() const;
    Math::Matrix4f viewProjMatrix() const;

private:
    void computeFrustumPlanes();

    State m_s;
    cam::SMView m_view;  // what getView last returned
    // The six frustum planes of isSphereVisible, rebuilt when the state they came from changes.
    double m_planes[6][4] = {};
    State m_planesState{};
    bool m_bPlanesValid = false;
};

std::ostream& operator<<(std::ostream& out, const RefCamera::State& s);

}  // namespace refhost
