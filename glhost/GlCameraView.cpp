#include "glhost/GlCameraView.h"

#include "enviro/host/Camera.h"
#include "enviro/host/Math3D.h"

namespace glhost {

bool currentCameraView(GlCameraView& out) {
    cam::SMCamera* camera = cam::currentCamera();
    if (!camera) return false;
    const cam::SMView* view = camera->getView();
    out.view = view->mView;
    out.viewProj = view->mViewProj;
    out.eye = view->vPos;
    // projection = view^-1 x viewProj; the rotation alone is the view without its fourth row.
    Math::Matrix4f inverseView, projection, rotation = view->mView;
    _3DMath::matrixInverse(&inverseView, nullptr, &view->mView);
    Math::multiply(&projection, &inverseView, &view->mViewProj);
    rotation.m[3][0] = rotation.m[3][1] = rotation.m[3][2] = 0.0f;
    Math::multiply(&out.rotationProj, &rotation, &projection);
    _3DMath::matrixInverse(&out.rotationProjInv, nullptr, &out.rotationProj);
    return true;
}

}  // namespace glhost
