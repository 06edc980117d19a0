// The reflection effector's passes: the planar reflection and the cube-map faces.
#include <algorithm>
#include <cmath>

#include "enviro/effects/ReflectionEffector.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/Math3D.h"

namespace effector {

namespace {

// The camera state a cube pass borrows, one set for the whole module (cube passes never nest).
struct SavedCubeCamera {
    Math::Matrix4f orientation;
    float fov;
    double rotation[4];
    double position[4];
    float aspect;
};
SavedCubeCamera s_cubeCamera;

constexpr float kHalfPi = 1.5707964f;

// Viewing angles (a about z, then b about y) of the six cube faces.
struct FaceAngles {
    float a, b;
};
constexpr FaceAngles kFaceAngles[6] = {
    {0.0f, 0.0f},      {0.0f, 3.14159265f}, {kHalfPi, kHalfPi},
    {-kHalfPi, kHalfPi}, {0.0f, kHalfPi},     {0.0f, -kHalfPi},
};

// Rz(a) * Ry(b): the camera orientation of a cube face.
Math::Matrix4f faceOrientation(const FaceAngles& f) {
    Math::Matrix4f rz = Math::Matrix4f::identity(), ry = Math::Matrix4f::identity(), out;
    rz.m[0][0] = std::cos(f.a);
    rz.m[0][1] = std::sin(f.a);
    rz.m[1][0] = -std::sin(f.a);
    rz.m[1][1] = std::cos(f.a);
    ry.m[0][0] = std::cos(f.b);
    ry.m[0][2] = std::sin(f.b);
    ry.m[2][0] = -std::sin(f.b);
    ry.m[2][2] = std::cos(f.b);
    Math::multiply(&out, &rz, &ry);
    return out;
}

// The plane (a, b, c, d) moved into clip space: plane x transpose(inverse(viewProj)).
Math::Vector4f clipSpacePlane(const Math::Vector4f& plane, const Math::Matrix4f& viewProj) {
    Math::Matrix4f p;
    _3DMath::matrixInverse(&p, nullptr, &viewProj);
    p.transpose();
    Math::Vector4f clip;
    for (int j = 0; j < 4; ++j) clip[j] = plane.x * p.m[0][j] + plane.y * p.m[1][j] + plane.z * p.m[2][j] + plane.w * p.m[3][j];
    return clip;
}

}  // namespace

// The scene is drawn in the drawing frame, so the plane's world point is taken against the
// camera's base; the view matrix already carries the camera's position. Mirror before view: a
// point is reflected in the plane and then seen by the unchanged camera.
void ReflectionEffector::beginReflection(const char* colorTarget, const char* depthTarget, cam::SMCamera* camera) {
    if (m_bReflectionOpen) return;
    m_bReflectionOpen = true;
    m_pCamera = camera ? camera : cam::currentCamera();
    const Math::Vector3d base = cam::drawingFrameOrigin(m_pCamera);
    const Math::Vector3f origin(static_cast<float>(m_vPlaneOrigin.x - base.x), static_cast<float>(m_vPlaneOrigin.y - base.y),
                                static_cast<float>(m_vPlaneOrigin.z - base.z));
    Math::Vector4f plane;
    Math::Matrix4f mirror;
    _3DMath::calcPlane(&m_vPlaneNormal, &origin, &plane);
    _3DMath::matrixReflection(&m_vPlaneNormal, &origin, &mirror);

    if (m_pCamera) {
        m_mSavedRotation = m_pCamera->getOrientation();
        const Math::Matrix4f view = m_pCamera->getView()->mView;
        Math::Matrix4f mirroredView;
        Math::multiply(&mirroredView, &mirror, &view);
        m_pCamera->overrideView(&mirroredView);
    }

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.setRenderTarget(colorTarget);
    api.setDepthSurface(depthTarget);
    api.clearDepth(1.0f);
    api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    api.enableClipPlane(1);

    Math::Matrix4f viewProj = Math::Matrix4f::identity();
    if (m_pCamera) viewProj = m_pCamera->getView()->mViewProj;
    const Math::Vector4f clip = clipSpacePlane(plane, viewProj);
    api.setClipPlane(0, &clip);
}

void ReflectionEffector::endReflection() {
    if (!m_bReflectionOpen) return;
    m_bReflectionOpen = false;
    RendMan::renderMan().flush(1);
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.resetRenderTarget();
    api.resetDepthSurface();
    if (m_pCamera) m_pCamera->setOrientation(&m_mSavedRotation);
    api.enableClipPlane(0);
}

void ReflectionEffector::beginCubeTarget(const char* cubeTarget, const char* depthTarget, char face,
                                         Math::Vector3d* pos, unsigned char flags) {
    if (m_bCubeOpen) return;
    m_bCubeOpen = true;
    const int faceIndex = std::min(std::max(static_cast<int>(face), 0), 5);
    if (cam::SMCamera* camera = cam::currentCamera()) {
        s_cubeCamera.orientation = camera->getOrientation();
        s_cubeCamera.fov = camera->getFov();
        camera->getRotation(s_cubeCamera.rotation);
        camera->getPosition(s_cubeCamera.position);
        s_cubeCamera.aspect = camera->getAspect();

        camera->setAspect(1.0f);
        camera->setFov(kHalfPi);
        if (pos) {
            const double position[4] = {pos->x, pos->y, pos->z, s_cubeCamera.position[3]};
            const double noRotation[4] = {0.0, 0.0, 0.0, 0.0};
            camera->setPosition(position);
            camera->setRotation(noRotation);
        }
        const Math::Matrix4f orientation = faceOrientation(kFaceAngles[faceIndex]);
        camera->setOrientation(&orientation);
        // Cube faces are seen from inside: mirror x in view space.
        const Math::Matrix4f view = camera->getView()->mView;
        Math::Matrix4f mirrorX = Math::Matrix4f::identity(), faceView;
        mirrorX.m[0][0] = -1.0f;
        Math::multiply(&faceView, &view, &mirrorX);
        camera->overrideView(&faceView);
    }

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.setCubeFace(cubeTarget, faceIndex);
    if (depthTarget)
        api.setDepthSurface(depthTarget);
    else
        api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    if (flags & 0x01) api.clearColor(1.0f, 0.0f, 0.0f, 1.0f);
    if (flags & 0x02) api.clearDepth(1.0f);
    if (flags & 0x04) api.clearStencil(0);

    m_pCurrentCube = cubeTarget ? api.findTexture(cubeTarget) : nullptr;
    api.enableClipPlane(1);
}

void ReflectionEffector::endCubeTarget() {
    if (!m_bCubeOpen) return;
    m_bCubeOpen = false;
    RendMan::renderMan().flush(1);
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.enableClipPlane(0);
    if (cam::SMCamera* camera = cam::currentCamera()) {
        camera->setAspect(s_cubeCamera.aspect);
        camera->setFov(s_cubeCamera.fov);
        camera->setRotation(s_cubeCamera.rotation);
        camera->setPosition(s_cubeCamera.position);
        camera->setOrientation(&s_cubeCamera.orientation);
    }
    api.resetRenderTarget();
    api.resetDepthSurface();
    m_pCurrentCube = nullptr;
}

}  // namespace effector
