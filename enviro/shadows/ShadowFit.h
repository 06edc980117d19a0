#pragma once
// Fitting of the directional shadow's light-space matrix to the view and the shadow casters.
//
// calcVertices builds the receiver volume (the camera frustum, shortened by the ground and
// extruded toward the light), collects the ground points and the surface points of every caster's
// box hierarchy inside it, and marks which casters can throw a shadow into the view.
// fitPerspective (perspective shadow map) and fitOrtho (orthographic shadow map) turn those
// points into a light-space matrix.
//
// Everything here keeps its scratch (face polygons, plane lists) in static storage, so a fit that
// has warmed up allocates nothing. Render thread only: not re-entrant.
#include "enviro/effector/QuickVector.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/Model.h"

namespace effector {
namespace shadowfit {

using PointList = CQuickVector<Math::Vector3f, 3>;

// Outcome of clipping a polygon against one plane.
enum ClipResult { CLIP_UNCHANGED, CLIP_CUT, CLIP_EMPTIED };

// One convex polygon being clipped: its vertices and a one-byte outside mark per vertex. Both
// arrays grow to count + count/8 + 8 when full (new space zero-filled) and never shrink, so a
// polygon kept in static storage stops allocating once it has reached its size.
class Polygon {
public:
    Polygon() = default;
    ~Polygon();
    Polygon(const Polygon&) = delete;
    Polygon& operator=(const Polygon&) = delete;

    int count() const { return m_nCount; }
    int capacity() const { return m_nCapacity; }
    const Math::Vector3f& vertex(int i) const { return m_pVertices[i]; }
    // Outside mark of vertex i as the last clip left it (1: outside that plane).
    unsigned char outsideMark(int i) const { return m_pOutside[i]; }
    void clear() { m_nCount = 0; }
    // Adds v at the end; false (polygon unchanged) when the storage cannot grow.
    bool append(const Math::Vector3f& v);

private:
    friend ClipResult clipPolygon(Polygon*, const Math::Vector3f&, const Math::Vector3f&);
    bool reserve(int n);

    Math::Vector3f* m_pVertices = nullptr;
    unsigned char* m_pOutside = nullptr;
    int m_nCount = 0;
    int m_nCapacity = 0;
};

// Clips a convex polygon against the plane through planePoint with the inward normal planeNormal
// (a vertex v is outside when dot(v - planePoint, planeNormal) < 0). Each run of outside vertices
// is replaced by its two crossings with the plane, in place. A polygon of fewer than 3 vertices,
// or a null one, is emptied. A zero normal puts nothing outside.
ClipResult clipPolygon(Polygon* polygon, const Math::Vector3f& planePoint, const Math::Vector3f& planeNormal);

// Builds the fit's point set. casters: the caster data list (CQuickVector<void*,3>* of
// SHADOWCASTERDESC*; may be null). Appends the fitted points (world space) to out and sets
// bInShadow of every tested record (records with bNoInstance keep theirs; a record without model
// gets false). Unless ortho, the first four points appended are the ground points ((0,0,0) where
// the ground does not cross the frustum). view: the camera's view matrix (drawing frame to view
// space: its rotation and the translation by -position, enviro/host/CameraFrame.h); nearDist,
// fov, aspect: the camera's values; farDist: the shadow distance; groundLevel: world height of
// the ground; cameraWorldHeight: the camera's world height (base + position). The ground lies
// groundLevel - cameraWorldHeight from the eye, whatever the split of base and position.
// ortho limits the hierarchies to three levels and adds no ground points. Points come out in the
// frame view maps from (the drawing frame).
void calcVertices(CQuickVector<void*, 3>* casters, PointList* out, const Math::Vector3f* lightDir,
                  const Math::Matrix4f* view, float nearDist, float farDist, float fov, float aspect,
                  bool ortho, float groundLevel, double cameraWorldHeight);

// Tests node `node` of model's box hierarchy (placed by modelView into view space) against the
// volume given by the plane lists (view space, inward normals) and appends its clipped faces,
// taken to world space through viewInverse, to out; a node cut by the volume hands over to its
// children while depthBudget allows (-1: no limit; 3: the node and two levels below it), and a
// node wholly inside adds the 24 corners of its faces without visiting its children.
// Returns whether the node reaches into the volume. A node index outside the model, a box or
// placement that is not finite and a null argument count as "not in the volume". A malformed
// hierarchy cannot make the search endless: one call visits at most as many nodes as the model
// has, and a node more than 64 levels below `node` is taken whole, as if it were a leaf.
// view is not needed by the test (the volume is already in view space) and may be null.
bool calcBranch(const Math::Matrix4f* modelView, model::Model* model, short node, PointList* out,
                const PointList* planePoints, const PointList* planeNormals, const Math::Matrix4f* view,
                const Math::Matrix4f* viewInverse, short depthBudget);

// Camera values and light of the perspective fit.
struct PerspectiveFitInput {
    float nearDist, farDist, fov, aspect;  // camera near, far (= the shadow distance), fov, aspect
    Math::Matrix4f view;                   // camera view matrix V
    Math::Vector3f lightDir;               // direction the light travels (PSMDESC::vLightDir)
    float slideBack;                       // PSMDESC::fSlideBack
};

// Perspective fit in the post-perspective space of a virtual camera slid back behind the real one.
// vertices: the points of calcVertices (the first 4 are the ground points and count for depth
// only). projVertices receives the post-perspective points (resized to vertices' count). Writes
// *lightSpace, *lightSpaceInverse and *frontSide (0: the light lies behind the virtual camera and
// depth is drawn in reversed order) and returns true. Needs more than 4 points; with fewer, a null
// output, non-finite input or a fit that does not come out finite, the outputs are left unchanged
// and it returns false.
bool fitPerspective(const PointList& vertices, PointList* projVertices, const PerspectiveFitInput& in,
                    Math::Matrix4f* lightSpace, Math::Matrix4f* lightSpaceInverse, char* frontSide);

// Orthographic fit: a box along the light around all points (world space). Needs at least 1
// point and a light direction of non-zero length; otherwise (and for non-finite points or null
// outputs) it leaves the outputs unchanged and returns false. A box side narrower than 0.001
// world units is widened to that about its centre, so a single point still gives a finite matrix.
bool fitOrtho(const PointList& vertices, const Math::Vector3f& lightDir, Math::Matrix4f* lightSpace,
              Math::Matrix4f* lightSpaceInverse, char* frontSide);

namespace detail {
// True when every element is finite.
bool isFinite(const Math::Matrix4f& m);
bool isFinite(const Math::Vector3f& v);
}  // namespace detail

}  // namespace shadowfit
}  // namespace effector
