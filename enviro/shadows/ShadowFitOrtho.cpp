// Orthographic shadow-map fit: a box along the light around all fitted points.
#include <cmath>

#include "enviro/host/Math3D.h"
#include "enviro/shadows/ShadowFit.h"

namespace effector {
namespace shadowfit {

namespace {

using Math::Matrix4f;
using Math::Vector3f;

constexpr float kMinExtent = 0.001f;  // narrower box sides are widened to this about their centre

// Widens [lo, hi] to at least kMinExtent about its centre.
void widen(float* lo, float* hi) {
    if (*hi - *lo >= kMinExtent) return;
    const float mid = (*lo + *hi) * 0.5f;
    *lo = mid - kMinExtent * 0.5f;
    *hi = mid + kMinExtent * 0.5f;
}

}  // namespace

bool fitOrtho(const PointList& vertices, const Math::Vector3f& lightDir, Math::Matrix4f* lightSpace,
              Math::Matrix4f* lightSpaceInverse, char* frontSide) {
    if (!lightSpace || !lightSpaceInverse || !frontSide || vertices.count() < 1) return false;
    const float lightLength = Math::length(lightDir);
    if (!(lightLength > 0.0f) || !std::isfinite(lightLength)) return false;

    Vector3f c(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < vertices.count(); ++i) {
        if (!detail::isFinite(vertices[i])) return false;
        c += vertices[i];
    }
    c *= 1.0f / static_cast<float>(vertices.count());

    // The look-at's up must not lie along the light: a light along z looks with y up instead.
    const Vector3f eye = c - lightDir;
    const Vector3f up = std::fabs(lightDir.z) > 0.95f * lightLength ? Vector3f(0.0f, 1.0f, 0.0f)
                                                                   : Vector3f(0.0f, 0.0f, -1.0f);
    Matrix4f lightView;
    _3DMath::matrixLookAtLH(&eye, &c, &up, &lightView);

    float xmin = 999999.0f, ymin = 999999.0f, zmin = 999999.0f;
    float xmax = -999999.0f, ymax = -999999.0f, zmax = -9999999.0f;
    for (int i = 0; i < vertices.count(); ++i) {
        const Vector3f q = Math::transformCoord(vertices[i], lightView);
        xmin = std::fmin(xmin, q.x), xmax = std::fmax(xmax, q.x);
        ymin = std::fmin(ymin, q.y), ymax = std::fmax(ymax, q.y);
        zmin = std::fmin(zmin, q.z), zmax = std::fmax(zmax, q.z);
    }
    widen(&xmin, &xmax);
    widen(&ymin, &ymax);
    widen(&zmin, &zmax);

    Matrix4f centre, proj, centredProj, result, inverse;
    centre.set(1.0f);
    centre.m[3][0] = -(xmin + xmax) * 0.5f;
    centre.m[3][1] = -(ymin + ymax) * 0.5f;
    proj.set(1.0f);
    proj.m[0][0] = -2.0f / (xmax - xmin);  // x is mirrored
    proj.m[1][1] = 2.0f / (ymax - ymin);
    proj.m[2][2] = 1.0f / (zmax - zmin);
    proj.m[3][2] = zmin / (zmin - zmax);
    Math::multiply(&centredProj, &centre, &proj);
    Math::multiply(&result, &lightView, &centredProj);
    if (!detail::isFinite(result)) return false;
    _3DMath::matrixInverse(&inverse, nullptr, &result);
    *lightSpace = result;
    *lightSpaceInverse = inverse;
    *frontSide = 1;
    return true;
}

}  // namespace shadowfit
}  // namespace effector
