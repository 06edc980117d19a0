// Hierarchical box test of the shadow fit: a caster's box hierarchy is tested face by face against
// the receiver volume; nodes wholly inside contribute their faces, cut nodes hand over to their
// children, so the point count depends on the boxes and never on the model's triangles.
#include <cmath>

#include "enviro/shadows/ShadowFit.h"

namespace effector {
namespace shadowfit {

namespace detail {

bool isFinite(const Math::Vector3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool isFinite(const Math::Matrix4f& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m.m[r][c])) return false;
    return true;
}

}  // namespace detail

namespace {

constexpr int kFaces = 6;
// Corners of the six box faces as signs of the half extents: +y, -y, +z, -z, +x, -x.
constexpr float kFaceCorners[kFaces][4][3] = {
    {{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},
    {{-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, -1, -1}},
    {{-1, 1, 1}, {1, 1, 1}, {1, -1, 1}, {-1, -1, 1}},
    {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}},
    {{1, 1, 1}, {1, 1, -1}, {1, -1, -1}, {1, -1, 1}},
    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}},
};

// Recursion deeper than this treats the node as a leaf (its clipped faces are taken), which
// keeps the result conservative and the stack bounded for any hierarchy.
constexpr int kMaxRecursion = 64;

// The face polygons of the node under test. Children overwrite them, which is safe: a node
// either hands over to its children or uses its own faces, never both.
Polygon s_faces[kFaces];

struct BranchWalk {
    const Math::Matrix4f* modelView;
    model::Model* model;
    PointList* out;
    const PointList* planePoints;
    const PointList* planeNormals;
    const Math::Matrix4f* viewInverse;
    int visitsLeft;  // a tree visits each node at most once; a malformed one is cut off here
};

// Fills the six faces of the node's box, clips them, and reports whether any survived (visible)
// and whether any plane changed one (cut).
void clipFaces(const BranchWalk& walk, const model::Node& node, bool* visible, bool* cut) {
    const Math::Vector3f c = (node.vMin + node.vMax) * 0.5f;
    const Math::Vector3f e = node.vMax - c;
    *visible = false;
    *cut = false;
    const int planes = walk.planePoints->count() < walk.planeNormals->count() ? walk.planePoints->count()
                                                                              : walk.planeNormals->count();
    for (int f = 0; f < kFaces; ++f) {
        Polygon& face = s_faces[f];
        face.clear();
        for (const auto& s : kFaceCorners[f]) {
            const Math::Vector3f corner(c.x + s[0] * e.x, c.y + s[1] * e.y, c.z + s[2] * e.z);
            face.append(Math::transformCoord(corner, *walk.modelView));
        }
        bool emptied = false;
        for (int k = 0; k < planes && !emptied; ++k) {
            const ClipResult r = clipPolygon(&face, (*walk.planePoints)[k], (*walk.planeNormals)[k]);
            if (r != CLIP_UNCHANGED) *cut = true;
            emptied = r == CLIP_EMPTIED;
        }
        if (!emptied) *visible = true;
    }
}

void appendFaces(const BranchWalk& walk) {
    for (int f = 0; f < kFaces; ++f) {
        const Polygon& face = s_faces[f];
        for (int i = 0; i < face.count(); ++i) walk.out->append(Math::transformCoord(face.vertex(i), *walk.viewInverse));
    }
}

bool walkBranch(BranchWalk& walk, int index, short depthBudget, int recursion) {
    if (depthBudget == 0 || walk.visitsLeft <= 0) return false;
    --depthBudget;
    --walk.visitsLeft;
    const model::Node* node = walk.model->getNode(index);
    if (!node || !detail::isFinite(node->vMin) || !detail::isFinite(node->vMax)) return false;

    bool visible = false;
    bool cut = false;
    clipFaces(walk, *node, &visible, &cut);
    if (!visible) return false;
    const bool inner = node->child[0] >= 0;
    if (cut && inner && depthBudget != 0 && recursion < kMaxRecursion) {
        const short first = node->child[0];
        const short second = node->child[1];
        walkBranch(walk, first, depthBudget, recursion + 1);
        walkBranch(walk, second, depthBudget, recursion + 1);
        return true;
    }
    appendFaces(walk);
    return true;
}

}  // namespace

bool calcBranch(const Math::Matrix4f* modelView, model::Model* model, short node, PointList* out,
                const PointList* planePoints, const PointList* planeNormals, const Math::Matrix4f* /*view*/,
                const Math::Matrix4f* viewInverse, short depthBudget) {
    if (!modelView || !model || !out || !planePoints || !planeNormals || !viewInverse) return false;
    if (!detail::isFinite(*modelView) || !detail::isFinite(*viewInverse)) return false;
    BranchWalk walk{modelView, model, out, planePoints, planeNormals, viewInverse, model->getNodeCount()};
    return walkBranch(walk, node, depthBudget, 0);
}

}  // namespace shadowfit
}  // namespace effector
