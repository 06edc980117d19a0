#pragma once
// Scenes for the shadow-fit tests and benchmark: cameras, lights and casters with box hierarchies
// made of reference-host models.
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/host/Math3D.h"
#include "enviro/shadows/ShadowFit.h"
#include "refhost/RefModel.h"

namespace shadowfit_test {

using Math::Matrix4f;
using Math::Vector3f;
namespace fit = effector::shadowfit;

inline model::Node makeNode(const Vector3f& min, const Vector3f& max, short c0 = -1, short c1 = -1) {
    model::Node n;
    n.child[0] = c0;
    n.child[1] = c1;
    n.vMin = min;
    n.vMax = max;
    return n;
}

// A three-level hierarchy (root last) over a box of half size `half` at the origin: the root
// splits in x into two halves, each half splits in z into two leaves.
inline std::vector<model::Node> threeLevelNodes(const Vector3f& half) {
    const float hx = half.x, hy = half.y, hz = half.z;
    return {
        makeNode({-hx, -hy, -hz}, {0, hy, 0}),  makeNode({-hx, -hy, 0}, {0, hy, hz}),
        makeNode({0, -hy, -hz}, {hx, hy, 0}),   makeNode({0, -hy, 0}, {hx, hy, hz}),
        makeNode({-hx, -hy, -hz}, {0, hy, hz}, 0, 1), makeNode({0, -hy, -hz}, {hx, hy, hz}, 2, 3),
        makeNode({-hx, -hy, -hz}, {hx, hy, hz}, 4, 5),
    };
}

inline Matrix4f translation(const Vector3f& t) {
    Matrix4f m = Matrix4f::identity();
    m.m[3][0] = t.x, m.m[3][1] = t.y, m.m[3][2] = t.z;
    return m;
}

inline Matrix4f lookAt(const Vector3f& eye, const Vector3f& target, const Vector3f& up = Vector3f(0, 1, 0)) {
    Matrix4f m;
    _3DMath::matrixLookAtLH(&eye, &target, &up, &m);
    return m;
}

// Casters: owns the models and the records; list() is the caster data list the fit takes.
class CasterSet {
public:
    explicit CasterSet(int capacity) { m_records.reserve(static_cast<size_t>(capacity)); }
    effector::SHADOWCASTERDESC* add(const std::vector<model::Node>& nodes, const Vector3f& position) {
        m_models.push_back(std::make_unique<refhost::RefModel>(nodes));
        return addRecord(m_models.back().get(), translation(position));
    }
    effector::SHADOWCASTERDESC* addRecord(model::Model* m, const Matrix4f& world) {
        effector::SHADOWCASTERDESC r{};
        r.pModel = m;
        r.mWorld = world;
        m_records.push_back(r);
        m_list.append(&m_records.back());
        return &m_records.back();
    }
    CQuickVector<void*, 3>* list() { return &m_list; }
    std::vector<effector::SHADOWCASTERDESC>& records() { return m_records; }

private:
    std::vector<std::unique_ptr<refhost::RefModel>> m_models;
    std::vector<effector::SHADOWCASTERDESC> m_records;
    CQuickVector<void*, 3> m_list;
};

struct CameraSetup {
    Matrix4f view;
    float nearDist, farDist, fov, aspect;
    float groundLevel;
    double cameraHeight;
};

// A random camera at the origin of the rendering frame, 1..60 units above the ground, looking
// anywhere from steeply down to somewhat up.
inline CameraSetup randomCamera(std::mt19937& rng) {
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const float yaw = u(rng) * 6.2831853f;
    const float pitch = -1.2f + u(rng) * 1.5f;
    const Vector3f forward(std::cos(pitch) * std::sin(yaw), std::sin(pitch), std::cos(pitch) * std::cos(yaw));
    CameraSetup c;
    c.view = lookAt(Vector3f(0, 0, 0), forward);
    c.nearDist = 0.2f + u(rng);
    c.farDist = 100.0f + 600.0f * u(rng);
    c.fov = 0.6f + 1.0f * u(rng);
    c.aspect = 1.0f + u(rng);
    c.groundLevel = 0.0f;
    c.cameraHeight = 1.0 + 59.0 * u(rng);
    return c;
}

// A random unit light direction travelling downward (elevation of the light 10..90 degrees).
inline Vector3f randomLight(std::mt19937& rng) {
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const float az = u(rng) * 6.2831853f;
    const float el = 0.17f + 1.4f * u(rng);
    return Vector3f(-std::cos(el) * std::sin(az), -std::sin(el), -std::cos(el) * std::cos(az));
}

// Random three-level casters standing on the ground (rendering frame y = -cameraHeight) within
// `spread` units of the camera.
inline void addRandomCasters(std::mt19937& rng, const CameraSetup& c, int count, float spread, CasterSet* set) {
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int i = 0; i < count; ++i) {
        const Vector3f half(0.5f + 10.0f * u(rng), 0.5f + 15.0f * u(rng), 0.5f + 10.0f * u(rng));
        const Vector3f pos((u(rng) * 2 - 1) * spread, static_cast<float>(-c.cameraHeight) + half.y,
                           (u(rng) * 2 - 1) * spread);
        set->add(threeLevelNodes(half), pos);
    }
}

inline fit::PerspectiveFitInput perspectiveInput(const CameraSetup& c, const Vector3f& light) {
    fit::PerspectiveFitInput in;
    in.nearDist = c.nearDist;
    in.farDist = c.farDist;
    in.fov = c.fov;
    in.aspect = c.aspect;
    in.view = c.view;
    in.lightDir = light;
    in.slideBack = 0.005f;
    return in;
}

}  // namespace shadowfit_test
