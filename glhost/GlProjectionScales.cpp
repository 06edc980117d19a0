#include "glhost/GlProjectionScales.h"

#include "enviro/host/Math3D.h"

namespace glhost {

Math::Vector4f projectionScales(const GlCameraView& view) {
    Math::Matrix4f inverseView, projection;
    _3DMath::matrixInverse(&inverseView, nullptr, &view.view);
    Math::multiply(&projection, &inverseView, &view.viewProj);
    return Math::Vector4f(projection.m[0][0], projection.m[1][1], projection.m[2][0], projection.m[2][1]);
}

bool currentProjectionScales(Math::Vector4f& out) {
    GlCameraView view;
    if (!currentCameraView(view)) return false;
    out = projectionScales(view);
    return true;
}

}  // namespace glhost
