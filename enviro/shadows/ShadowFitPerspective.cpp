// Perspective shadow-map fit: the points are taken into the post-perspective space of a virtual
// camera slid back behind the real one; there the directional light becomes a point light, and a
// perspective light frustum from that point is fitted tightly around the points.
#include <cmath>

#include "enviro/host/Math3D.h"
#include "enviro/shadows/ShadowFit.h"

namespace effector {
namespace shadowfit {

namespace {

using Math::Matrix4f;
using Math::Vector3f;

constexpr int kGroundPoints = 4;  // the first points: depth only, not centroid nor slopes
constexpr int kMaxSlideBackIterations = 32;
constexpr float kSlideBackStep = 0.05f;

// Light frustum bounds in the light's look-at space.
struct LightBounds {
    float zmin, zmax;
    float xSlopeMin, xSlopeMax, ySlopeMin, ySlopeMax;
};

// One trial of the slide-back search: virtual camera, projected points, light point and bounds.
struct Trial {
    Matrix4f viewProj;    // VPv: world to the virtual camera's post-perspective space
    float m22;            // depth scale of the virtual projection
    Vector3f lightPoint;  // lp
    Vector3f centre;      // mean of the non-ground projected points
    Matrix4f lightView;   // LV
    bool ortho;
    char frontSide;
    LightBounds bounds;
};

// (d, 0) times m, all four components.
Math::Vector4f transformDirection(const Vector3f& d, const Matrix4f& m) {
    return Math::Vector4f(d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0],
                          d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
                          d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2],
                          d.x * m.m[0][3] + d.y * m.m[1][3] + d.z * m.m[2][3]);
}

void translateAlongForward(Matrix4f* m, float distance) {
    m->m[3][0] += m->m[2][0] * distance;
    m->m[3][1] += m->m[2][1] * distance;
    m->m[3][2] += m->m[2][2] * distance;
}

// The virtual camera E and its projection Pv for the search ratio s.
void virtualCamera(const Matrix4f& camToWorld, float far1, float range, float farDist, float fov, float aspect,
                   float s, Trial* trial) {
    const float zf = (far1 / range + 0.01f + s) * range;
    const float zn = zf - range;
    Matrix4f eye = camToWorld;
    translateAlongForward(&eye, -(zf - farDist));
    Matrix4f eyeInverse;
    _3DMath::matrixInverse(&eyeInverse, nullptr, &eye);

    const float t = std::tan(2.0f * 0.5f * std::atan(std::tan(fov * 0.5f) / zf * far1));
    Matrix4f proj;
    proj.set(0.0f);
    proj.m[1][1] = 1.0f / t;
    proj.m[0][0] = proj.m[1][1] / aspect;
    proj.m[2][2] = zf / (zf - zn);
    proj.m[2][3] = 1.0f;
    proj.m[3][2] = -zn * zf / (zf - zn);
    trial->m22 = proj.m[2][2];
    Math::multiply(&trial->viewProj, &eyeInverse, &proj);
}

// The points in the virtual camera's post-perspective space. Depth stays unclamped while the light
// frustum is fitted: the virtual camera's far plane may fall short of the farthest points, and
// the frustum must hold them where the final matrix really puts them.
void projectPoints(const PointList& vertices, PointList* projVertices, Trial* trial) {
    Vector3f sum(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < vertices.count(); ++i) {
        const Math::Vector4f h = Math::transformPoint(vertices[i], trial->viewProj);
        (*projVertices)[i] = Vector3f(h.x / h.w, h.y / h.w, h.z / h.w);
        if (i >= kGroundPoints) sum += (*projVertices)[i];
    }
    trial->centre = sum * (1.0f / static_cast<float>(vertices.count() - kGroundPoints));
}

// The directional light as a point of the post-perspective space, and the look-at space from it.
void placeLight(const Vector3f& lightDir, Trial* trial) {
    const Math::Vector4f d = transformDirection(-lightDir, trial->viewProj);
    if (std::fabs(d.w) < 0.0001f) {
        trial->lightPoint = Vector3f(d.x, 1000.0f * d.y, trial->m22);
        trial->frontSide = 1;
    } else {
        trial->lightPoint = Vector3f(d.x / d.w, d.y / d.w, trial->m22);
        trial->frontSide = d.w > 0.0f ? 1 : 0;
    }
    const Vector3f dir = Math::normalizeOrKeep(trial->lightPoint - trial->centre);
    const Vector3f up = std::fabs(dir.z) > 0.95f ? Vector3f(0.0f, 1.0f, 0.0f) : Vector3f(0.0f, 0.0f, -1.0f);
    _3DMath::matrixLookAtLH(&trial->lightPoint, &trial->centre, &up, &trial->lightView);
    const float lpLength = Math::length(trial->lightPoint);
    trial->ortho = lpLength > 2000.0f || (lpLength > 0.0f && std::fabs(trial->lightPoint.y) / lpLength > 0.999f);
}

// Depth range and slope bounds of the projected points in the light's look-at space; stops at the
// first point at or behind the light (zmin <= 0). Points at or behind the light set no slope.
void measureBounds(const PointList& projVertices, Trial* trial) {
    LightBounds& b = trial->bounds;
    b = LightBounds{1e9f, -1e10f, 1e9f, -1e9f, 1e9f, -1e9f};
    for (int i = 0; i < projVertices.count() && b.zmin > 0.0f; ++i) {
        const Vector3f q = Math::transformCoord(projVertices[i], trial->lightView);
        b.zmax = std::fmax(b.zmax, q.z);
        b.zmin = std::fmin(b.zmin, q.z);
        if (i < kGroundPoints || !(q.z > 0.0f)) continue;
        b.xSlopeMin = std::fmin(b.xSlopeMin, q.x / q.z);
        b.xSlopeMax = std::fmax(b.xSlopeMax, q.x / q.z);
        b.ySlopeMin = std::fmin(b.ySlopeMin, q.y / q.z);
        b.ySlopeMax = std::fmax(b.ySlopeMax, q.y / q.z);
    }
    // No slope at all (only when the search failed at the first points): a 90-degree frustum.
    if (b.xSlopeMin > b.xSlopeMax) b.xSlopeMin = -1.0f, b.xSlopeMax = 1.0f;
    if (b.ySlopeMin > b.ySlopeMax) b.ySlopeMin = -1.0f, b.ySlopeMax = 1.0f;
}

// Rotations that centre the slope ranges on the light's axis: about y by ax, then about x by -ay.
void centringRotation(float ax, float ay, Matrix4f* out) {
    Matrix4f r1, r2;
    r1.set(1.0f);
    r1.m[0][0] = std::cos(ax), r1.m[0][2] = std::sin(ax);
    r1.m[2][0] = -std::sin(ax), r1.m[2][2] = std::cos(ax);
    r2.set(1.0f);
    r2.m[1][1] = std::cos(-ay), r2.m[1][2] = -std::sin(-ay);
    r2.m[2][1] = std::sin(-ay), r2.m[2][2] = std::cos(-ay);
    Math::multiply(out, &r1, &r2);
}

// The points as the final light view (LV') sees them. The centring rotations turn the depth axis,
// so the depth range and the x slopes measured before them no longer bound the points: they are
// measured again here (depth over all points, slopes over the non-ground points in front).
struct RotatedBounds {
    float zmin, zmax;
    float xSlope, ySlope;  // largest |x/z|, |y/z|
    float xAbs, yAbs;      // largest |x|, |y|
};

RotatedBounds measureRotated(const PointList& projVertices, const Matrix4f& lightView) {
    RotatedBounds r{1e9f, -1e10f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < projVertices.count(); ++i) {
        const Vector3f q = Math::transformCoord(projVertices[i], lightView);
        r.zmin = std::fmin(r.zmin, q.z);
        r.zmax = std::fmax(r.zmax, q.z);
        if (i < kGroundPoints) continue;
        r.xAbs = std::fmax(r.xAbs, std::fabs(q.x));
        r.yAbs = std::fmax(r.yAbs, std::fabs(q.y));
        if (q.z > 0.0f) {
            r.xSlope = std::fmax(r.xSlope, std::fabs(q.x / q.z));
            r.ySlope = std::fmax(r.ySlope, std::fabs(q.y / q.z));
        }
    }
    return r;
}

// The light's projection. Orthographic: a box of the points' x and y extents. Perspective: a
// frustum whose half-angle tangents are the slope bounds and whose near plane is the nearest
// point (0.05 when the search left points at or behind the light), 0.4 beyond the farthest.
void lightProjection(const RotatedBounds& b, const Trial& trial, float ax0, float ax1, float ay0, float ay1,
                     Matrix4f* out) {
    const float zmin = b.zmin > 0.0f ? b.zmin : 0.05f;
    const float zmax = b.zmax + 0.4f;
    out->set(1.0f);
    if (trial.ortho) {
        out->m[0][0] = 2.0f / (2.0f * b.xAbs);
        out->m[1][1] = 2.0f / (2.0f * b.yAbs);
        out->m[2][2] = 1.0f / (zmax - zmin);
        out->m[3][2] = zmin / (zmin - zmax);
        return;
    }
    const float tanX = b.xSlope > 0.0f ? b.xSlope : std::tan((ax1 - ax0) * 0.5f);
    const float tanY = b.ySlope > 0.0f ? b.ySlope : std::tan((ay1 - ay0) * 0.5f);
    out->set(0.0f);
    out->m[1][1] = 1.0f / tanY;
    out->m[0][0] = out->m[1][1] / (tanX / tanY);
    out->m[2][2] = zmax / (zmax - zmin);
    out->m[2][3] = 1.0f;
    out->m[3][2] = -zmax * zmin / (zmax - zmin);
}

void clampDepths(PointList* projVertices) {
    for (int i = 0; i < projVertices->count(); ++i) {
        float& z = (*projVertices)[i].z;
        z = std::fmin(std::fmax(z, 0.0f), 1.0f);
    }
}

bool finiteInput(const PointList& vertices, const PerspectiveFitInput& in) {
    if (!detail::isFinite(in.view) || !detail::isFinite(in.lightDir)) return false;
    if (!std::isfinite(in.nearDist) || !std::isfinite(in.farDist) || !std::isfinite(in.slideBack)) return false;
    if (!(in.fov > 0.0f && in.fov < 3.14159265f) || !(in.aspect > 0.0f) || !std::isfinite(in.aspect)) return false;
    for (int i = 0; i < vertices.count(); ++i)
        if (!detail::isFinite(vertices[i])) return false;
    return true;
}

}  // namespace

bool fitPerspective(const PointList& vertices, PointList* projVertices, const PerspectiveFitInput& in,
                    Math::Matrix4f* lightSpace, Math::Matrix4f* lightSpaceInverse, char* frontSide) {
    if (!projVertices || !lightSpace || !lightSpaceInverse || !frontSide) return false;
    if (vertices.count() <= kGroundPoints || !finiteInput(vertices, in)) return false;
    if (!projVertices->resize(vertices.count())) return false;

    // Pull the camera back so that every point lies beyond its near plane.
    float zmin0 = 0.0f;
    for (int i = 0; i < vertices.count(); ++i)
        zmin0 = std::fmin(zmin0, Math::transformCoord(vertices[i], in.view).z - in.nearDist);
    Matrix4f camToWorld;
    _3DMath::matrixInverse(&camToWorld, nullptr, &in.view);
    translateAlongForward(&camToWorld, zmin0);
    const float far1 = in.farDist - zmin0;
    const float range = far1 - in.nearDist;
    if (!(range > 0.0f)) return false;

    // Slide the virtual camera back until the light sees every point in front of it.
    Trial trial;
    float s = in.slideBack;
    for (int iteration = 0; iteration < kMaxSlideBackIterations; ++iteration) {
        virtualCamera(camToWorld, far1, range, in.farDist, in.fov, in.aspect, s, &trial);
        projectPoints(vertices, projVertices, &trial);
        placeLight(in.lightDir, &trial);
        measureBounds(*projVertices, &trial);
        if (trial.bounds.zmin <= 0.0f) s += kSlideBackStep;
        if (!(trial.bounds.zmin < -0.0001f)) break;
    }

    const float ax0 = std::atan(trial.bounds.xSlopeMin), ax1 = std::atan(trial.bounds.xSlopeMax);
    const float ay0 = std::atan(trial.bounds.ySlopeMin), ay1 = std::atan(trial.bounds.ySlopeMax);
    Matrix4f centring, lightView, proj, lightViewProj, result, inverse;
    centringRotation((ax0 + ax1) * 0.5f, (ay0 + ay1) * 0.5f, &centring);
    Math::multiply(&lightView, &trial.lightView, &centring);
    lightProjection(measureRotated(*projVertices, lightView), trial, ax0, ax1, ay0, ay1, &proj);
    Math::multiply(&lightViewProj, &lightView, &proj);
    Math::multiply(&result, &trial.viewProj, &lightViewProj);
    clampDepths(projVertices);
    if (!detail::isFinite(result)) return false;
    _3DMath::matrixInverse(&inverse, nullptr, &result);
    *lightSpace = result;
    *lightSpaceInverse = inverse;
    *frontSide = trial.frontSide;
    return true;
}

}  // namespace shadowfit
}  // namespace effector
