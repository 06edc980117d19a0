// The receiver volume of the shadow fit: the camera frustum (its far end shortened where the ground
// closes the view), pushed toward the light and bounded by the silhouette planes that the light
// sweeps along the frustum's edges; then the ground points and the casters' points inside it.
#include <cmath>
#include <initializer_list>

#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/host/Math3D.h"
#include "enviro/shadows/ShadowFit.h"

namespace effector {
namespace shadowfit {

namespace {

using Math::Vector3f;

constexpr int kEdges = 12;
constexpr float kLightExtrusion = 200.0f;  // world units the light-facing planes move toward the light
constexpr float kSilhouetteTolerance = 0.01f;
constexpr int kGroundPoints = 4;

struct Edge {
    Vector3f s, t;
};

// Static plane lists: their storage is kept from frame to frame.
PointList s_planePoints;
PointList s_planeNormals;

struct Frustum {
    float tanH, tanV, nearDist, farDist;
    Edge edges[kEdges];
    Vector3f centre;
};

// The ground plane in view space: g is the ground's height relative to the eye, so the point
// straight below (or above) the eye turns with the view and takes none of its translation.
void groundPlane(const Math::Matrix4f& view, float g, Vector3f* point, Vector3f* normal) {
    *point = Math::transformNormal(Vector3f(0.0f, g, 0.0f), view);
    *normal = Math::transformNormal(Vector3f(0.0f, 1.0f, 0.0f), view);
}

// The far distance cut to 1.5 times the farthest ground hit of the four corner rays, when the
// camera stands more than 0.1 above the ground (g, relative to the eye, below -0.1).
float shortenedFar(const Math::Matrix4f& view, float g, float tanH, float tanV, float farDist) {
    if (!(0.0f > g + 0.1f)) return farDist;
    Vector3f point, normal;
    groundPlane(view, g, &point, &normal);
    const Vector3f eye(0.0f, 0.0f, 0.0f);
    float cornerDist = 0.0f;
    float farthest = 0.0f;
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sy = -1; sy <= 1; sy += 2) {
            const Vector3f corner(sx * tanH * farDist, sy * tanV * farDist, farDist);
            cornerDist = Math::length(corner);
            Vector3f hit;
            const float d = _3DMath::LineCrossPlane(&normal, &point, &eye, &corner, &hit) ? Math::length(hit)
                                                                                         : cornerDist;
            if (d > farthest) farthest = d;
        }
    const float limit = std::fmin(1.5f * farthest, cornerDist);
    return limit > 0.0f ? farDist * limit / cornerDist : farDist;
}

void buildEdges(Frustum* f) {
    const float a = f->tanH, b = f->tanV, n = f->nearDist, fa = f->farDist;
    const Vector3f nearRing[4] = {{a * n, b * n, n}, {a * n, -b * n, n}, {-a * n, -b * n, n}, {-a * n, b * n, n}};
    const Vector3f farRing[4] = {{a * fa, b * fa, fa}, {a * fa, -b * fa, fa}, {-a * fa, -b * fa, fa}, {-a * fa, b * fa, fa}};
    for (int i = 0; i < 4; ++i) {
        f->edges[i] = Edge{nearRing[i], farRing[i]};
        f->edges[4 + i] = Edge{nearRing[i], nearRing[(i + 1) % 4]};
        f->edges[8 + i] = Edge{farRing[i], farRing[(i + 1) % 4]};
    }
    f->centre = Vector3f(0.0f, 0.0f, (n + fa) * 0.5f);
}

void addPlane(const Vector3f& point, const Vector3f& normal) {
    s_planePoints.append(point);
    s_planeNormals.append(normal);
}

// The four side planes, the near plane (each moved toward the light when the light enters the
// volume through it) and the far plane.
void addFrustumPlanes(const Frustum& f, float halfFov, const Vector3f& light) {
    const float ch = std::cos(halfFov), sh = std::sin(halfFov);
    const Vector3f origin(0.0f, 0.0f, 0.0f);
    const Vector3f points[5] = {origin, origin, origin, origin, Vector3f(0.0f, 0.0f, f.nearDist)};
    const Vector3f normals[5] = {{-ch, 0.0f, sh}, {ch, 0.0f, sh}, {0.0f, -ch, sh}, {0.0f, ch, sh}, {0.0f, 0.0f, 1.0f}};
    for (int k = 0; k < 5; ++k) {
        const bool lightEnters = Math::dot(normals[k], light) > 0.0f;
        addPlane(lightEnters ? points[k] - light * kLightExtrusion : points[k], normals[k]);
    }
    addPlane(Vector3f(0.0f, 0.0f, f.farDist), Vector3f(0.0f, 0.0f, -1.0f));
}

// Ground crossings of the twelve edges, to world space; exactly four are kept, (0,0,0) filling in.
void appendGroundPoints(const Frustum& f, const Math::Matrix4f& view, const Math::Matrix4f& viewInverse, float g,
                        PointList* out) {
    Vector3f point, normal;
    groundPlane(view, g, &point, &normal);
    const int start = out->count();
    for (const Edge& e : f.edges) {
        if (out->count() - start >= kGroundPoints) break;
        Vector3f hit;
        if (_3DMath::LineCrossPlane(&normal, &point, &e.s, &e.t, &hit))
            out->append(Math::transformCoord(hit, viewInverse));
    }
    out->resize(start + kGroundPoints);
}

bool allOnOneSide(const Frustum& f, int skip, const Vector3f& s, const Vector3f& n) {
    int firstSign = 0;
    for (int k = 0; k < kEdges; ++k) {
        if (k == skip) continue;
        for (const Vector3f* p : {&f.edges[k].s, &f.edges[k].t}) {
            const int sign = Math::dot(*p - s, n) < -kSilhouetteTolerance ? -1 : 1;
            if (firstSign == 0) firstSign = sign;
            if (sign != firstSign) return false;
        }
    }
    return true;
}

// Planes through the frustum edges along the light that have the whole frustum on one side.
void addSilhouettePlanes(const Frustum& f, const Vector3f& light) {
    for (int k = 0; k < kEdges; ++k) {
        const Edge& e = f.edges[k];
        Vector3f n = Math::normalizeOrKeep(Math::cross(e.t - e.s, light));
        if (Math::dot(f.centre - e.s, n) < 0.0f) n = -n;
        if (allOnOneSide(f, k, e.s, n)) addPlane(e.s, n);
    }
}

void testCasters(CQuickVector<void*, 3>* casters, PointList* out, const Math::Matrix4f& view,
                 const Math::Matrix4f& viewInverse, bool ortho) {
    if (!casters) return;
    for (int i = 0; i < casters->count(); ++i) {
        auto* caster = static_cast<SHADOWCASTERDESC*>((*casters)[i]);
        if (!caster || caster->bNoInstance) continue;
        if (!caster->pModel) {
            caster->bInShadow = 0;
            continue;
        }
        Math::Matrix4f modelView;
        Math::multiply(&modelView, &caster->mWorld, &view);
        const short root = static_cast<short>(caster->pModel->getNodeCount() - 1);
        caster->bInShadow = calcBranch(&modelView, caster->pModel, root, out, &s_planePoints, &s_planeNormals, &view,
                                       &viewInverse, ortho ? 3 : -1)
                                ? 1
                                : 0;
    }
}

// A camera whose values cannot make a frustum (non-finite, field of view outside (0, pi), aspect
// not positive) gives no points at all.
bool usableCamera(const Math::Matrix4f& view, const Vector3f& lightDir, float nearDist, float farDist, float fov,
                  float aspect) {
    const float pi = 3.14159265f;
    return detail::isFinite(view) && detail::isFinite(lightDir) && std::isfinite(nearDist) &&
           std::isfinite(farDist) && fov > 0.0f && fov < pi && aspect > 0.0f && std::isfinite(aspect);
}

}  // namespace

void calcVertices(CQuickVector<void*, 3>* casters, PointList* out, const Math::Vector3f* lightDir,
                  const Math::Matrix4f* view, float nearDist, float farDist, float fov, float aspect, bool ortho,
                  float groundLevel, double cameraWorldHeight) {
    if (!out || !lightDir || !view || !usableCamera(*view, *lightDir, nearDist, farDist, fov, aspect)) return;
    Math::Matrix4f viewInverse;
    _3DMath::matrixInverse(&viewInverse, nullptr, view);
    const Vector3f light = Math::transformNormal(*lightDir, *view);

    // The ground's height relative to the eye: the ground level less the camera's world height.
    const float g = static_cast<float>(static_cast<double>(groundLevel) - cameraWorldHeight);
    const float halfFov = fov * 0.5f;
    Frustum f;
    f.tanH = std::tan(halfFov);
    f.tanV = std::tan(std::atan(f.tanH / aspect));
    f.nearDist = nearDist;
    f.farDist = shortenedFar(*view, g, f.tanH, f.tanV, farDist);
    buildEdges(&f);

    s_planePoints.clear();
    s_planeNormals.clear();
    addFrustumPlanes(f, halfFov, light);
    if (!ortho) appendGroundPoints(f, *view, viewInverse, g, out);
    addSilhouettePlanes(f, light);
    testCasters(casters, out, *view, viewInverse, ortho);
}

}  // namespace shadowfit
}  // namespace effector
