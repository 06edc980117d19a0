#pragma once
// Scenes for the shadow-fit tests and benchmark: cameras, lights and casters with box hierarchies
// made of reference-host models.
#include <memory>
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
    n.child[0] = c0, n.child[1] = c1, n.vMin = min, n.vMax = max;
    return n;
}

// A three-level hierarchy (root last) over a box of half size `half` at the origin: the root
// splits in x into two halves, each half splits in z into two leaves.
inline std::vector<model::Node> threeLevelNodes(const Vector3f& h) {
    return {makeNode({-h.x, -h.y, -h.z}, {0, h.y, 0}), makeNode({-h.x, -h.y, 0}, {0, h.y, h.z}),
            makeNode({0, -h.y, -h.z}, {h.x, h.y, 0}),   makeNode({0, -h.y, 0}, {h.x, h.y, h.z}),
            makeNode({-h.x, -h.y, -h.z}, {0, h.y, h.z}, 0, 1), makeNode({0, -h.y, -h.z}, {h.x, h.y, h.z}, 2, 3),
            makeNode({-h.x, -h.y, -h.z}, {h.x, h.y, h.z}, 4, 5)};
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
        r.pModel = m, r.mWorld = world;
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

    void vertices(CasterSet* casters, const Vector3f& light, bool ortho, fit::PointList* out) const {
        fit::calcVertices(casters->list(), out, &light, &view, nearDist, farDist, fov, aspect, ortho, groundLevel, cameraHeight);
    }
};

inline fit::PerspectiveFitInput perspectiveInput(const CameraSetup& c, const Vector3f& light) {
    return fit::PerspectiveFitInput{c.nearDist, c.farDist, c.fov, c.aspect, c.view, light, 0.005f};
}

}  // namespace shadowfit_test
