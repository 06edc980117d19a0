// The fit of the directional shadow: the receiver volume's worked cases, bad input and degenerate
// lights, the orthographic box, the hierarchical box test and polygon clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/shadows/ShadowFitTestScene.h"

namespace {

using namespace shadowfit_test;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Camera at the origin looking straight down (or along +z), 90-degree field of view.
CameraSetup camera(double height, bool down = true, float farDist = 700.0f) {
    return CameraSetup{down ? lookAt({0, 0, 0}, {0, -1, 0}, {0, 0, 1}) : lookAt({0, 0, 0}, {0, 0, 1}), 1.0f, farDist, 1.5707963f, 1.0f,
                       0.0f, height};
}

TEST(ShadowFit, TheReceiverVolumeIsTheViewShortenedByTheGroundAndSweptTowardTheLight) {
    for (double height : {100.0, 0.05}) {  // high above flat ground the distance is cut to 1.5 x height
        CasterSet casters(2);
        auto* near = casters.add({makeNode({-1, -1, -1}, {1, 1, 1})}, Vector3f(0, -130, 0));
        auto* far = casters.add({makeNode({-1, -1, -1}, {1, 1, 1})}, Vector3f(0, -170, 0));
        fit::PointList out;
        camera(height).vertices(&casters, {0, -1, 0}, false, &out);
        EXPECT_EQ(near->bInShadow * 2 + far->bInShadow, height > 1.0 ? 2 : 3) << height;
        for (int i = 0; height > 1.0 && i < 4; ++i)  // the ground points: the side edges' hits 100 below
            EXPECT_NEAR(std::fabs(out[i].x) + std::fabs(out[i].z) - out[i].y, 300.0f, 1e-2f) << i;
    }
    // Looking along +z (far 100, the ground far below), the light travelling down and toward +x:
    // a caster's shadow reaches the view exactly when it lies in the view swept back along the light.
    const struct { Vector3f at; unsigned char inRange; } cases[] = {
        {{0, 0, 50}, 1},       // in view
        {{-80, 40, 50}, 1},    // out of view toward the light: its shadow falls into the view
        {{-150, -40, 50}, 0},  // toward the light, beside the swept view: its shadow passes below
        {{80, -40, 50}, 0},    // out of view away from the light
    };
    CasterSet casters(4);
    for (const auto& k : cases) casters.add({makeNode({-2, -2, -2}, {2, 2, 2})}, k.at);
    fit::PointList out;
    camera(1000.0, false, 100.0f).vertices(&casters, Math::normalizeOrKeep(Vector3f(1, -1, 0)), false, &out);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(casters.records()[i].bInShadow, cases[i].inRange) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], Vector3f(0, 0, 0)) << "the ground lies beyond the view: no ground points";
}

TEST(ShadowFit, DegenerateLightsAndBadCastersGiveFiniteMatricesOrTheDocumentedEarlyReturn) {
    // Casters without model, with an empty one, with a NaN box, placed at NaN, and a good one.
    CasterSet casters(8);
    casters.addRecord(nullptr, Matrix4f::identity())->bInShadow = 1;
    casters.add({}, Vector3f(0, 0, 20));
    casters.add({makeNode({kNaN, 0, 0}, {1, 1, 1})}, Vector3f(0, 0, 20));
    casters.addRecord(casters.records()[2].pModel, translation(Vector3f(0, kNaN, 20)));
    casters.add(threeLevelNodes(Vector3f(2, 4, 2)), Vector3f(3, -16, 30));
    CameraSetup ahead = camera(20.0);
    ahead.view = lookAt({0, 0, 0}, {0.2f, -0.3f, 1});
    const Vector3f along = Math::normalizeOrKeep(Vector3f(0.2f, -0.3f, 1));
    // Lights exactly overhead, along the view, into it, along z, without direction; a camera
    // looking straight along the light.
    const struct { CameraSetup camera; Vector3f light; } rows[] = {{ahead, {0, -1, 0}}, {ahead, along}, {ahead, -along},
                                                                   {ahead, {0, 0, 1}},  {ahead, {0, 0, 0}}, {camera(20.0), {0, -1, 0}}};
    for (const auto& r : rows)
        for (bool ortho : {false, true}) {
            SCOPED_TRACE(testing::Message() << r.light.x << "," << r.light.y << "," << r.light.z << " ortho " << ortho);
            fit::PointList out, proj;
            r.camera.vertices(&casters, r.light, ortho, &out);
            for (int i = 0; i < 5; ++i) EXPECT_EQ(casters.records()[i].bInShadow, i == 4) << i;
            for (int i = 0; i < out.count(); ++i) ASSERT_TRUE(fit::detail::isFinite(out[i]));
            Matrix4f ls = Matrix4f::identity(), inv = Matrix4f::identity();
            char front = 5;
            const bool fitted = ortho ? fit::fitOrtho(out, r.light, &ls, &inv, &front)
                                      : fit::fitPerspective(out, &proj, perspectiveInput(r.camera, r.light), &ls, &inv, &front);
            EXPECT_EQ(fitted, !(ortho && r.light == Vector3f(0, 0, 0)));
            EXPECT_TRUE(fit::detail::isFinite(ls) && fit::detail::isFinite(inv));
            EXPECT_TRUE(fitted || ls == Matrix4f::identity());
        }
    // Too few points, empty lists, null outputs, a broken camera: outputs untouched; a single
    // place still fits finitely.
    fit::PointList four, out, proj;
    for (int i = 0; i < 4; ++i) four.append(Vector3f(1, 2, 3));
    Matrix4f ls = Matrix4f::identity(), inv = Matrix4f::identity();
    char front = 5;
    EXPECT_FALSE(fit::fitPerspective(four, &proj, perspectiveInput(ahead, Vector3f(0, -1, 0)), &ls, &inv, &front));
    EXPECT_FALSE(fit::fitOrtho(fit::PointList(), Vector3f(0, -1, 0), &ls, &inv, &front));
    EXPECT_FALSE(fit::fitOrtho(four, Vector3f(0, -1, 0), nullptr, &inv, &front));
    EXPECT_TRUE(ls == Matrix4f::identity() && front == 5);
    EXPECT_TRUE(fit::fitOrtho(four, Vector3f(0, -1, 0), &ls, &inv, &front) && fit::detail::isFinite(ls));
    // The orthographic box along the light just holds the points: depth 0 at the highest, 1 at
    // the lowest, the extremes across on the map's corners.
    fit::PointList three;
    for (Vector3f p : {Vector3f(0, 0, 0), Vector3f(0, -10, 0), Vector3f(4, -5, 2)}) three.append(p);
    ASSERT_TRUE(fit::fitOrtho(three, Vector3f(0, -1, 0), &ls, &inv, &front));
    const Vector3f q0 = Math::transformCoord(three[0], ls), q1 = Math::transformCoord(three[1], ls), q2 = Math::transformCoord(three[2], ls);
    const float got[6] = {q0.z, q1.z, std::fabs(q0.x), std::fabs(q0.y), std::fabs(q2.x), std::fabs(q2.y)}, expected[6] = {0, 1, 1, 1, 1, 1};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], expected[i], 1e-5f) << i;
    CameraSetup broken = ahead, flat = ahead;
    broken.view.m[0][0] = kNaN, flat.aspect = 0.0f;
    broken.vertices(&casters, Vector3f(0, -1, 0), false, &out);
    flat.vertices(&casters, Vector3f(0, -1, 0), false, &out);
    EXPECT_EQ(out.count(), 0);
    fit::calcVertices(nullptr, &out, &rows[0].light, &ahead.view, 1, 100, 1, 1, false, 0, 20.0);
    EXPECT_EQ(out.count(), 4);
}

TEST(ShadowFit, InsideNodesGiveTheirCornersCutOnesHandOverToTheirChildrenBadOnesNothing) {
    // The box test against a box-shaped volume |x|, |y|, |z| <= 10 (view = world).
    fit::PointList points, normals, out;
    for (const Vector3f& a : {Vector3f(1, 0, 0), Vector3f(0, 1, 0), Vector3f(0, 0, 1)})
        points.append(a * -10.0f), normals.append(a), points.append(a * 10.0f), normals.append(-a);
    const Matrix4f identity = Matrix4f::identity();
    auto branch = [&](refhost::RefModel* m, int node, short budget, const Matrix4f& world = Matrix4f::identity()) {
        return fit::calcBranch(&world, m, static_cast<short>(node), &out, &points, &normals, &identity, &identity, budget);
    };
    refhost::RefModel inside(threeLevelNodes(Vector3f(2, 3, 4)));
    EXPECT_FALSE(branch(&inside, 6, -1, translation(Vector3f(30, 0, 0))));  // outside: nothing
    EXPECT_TRUE(branch(&inside, 6, -1));
    ASSERT_EQ(out.count(), 24);  // the root's faces' corners only, in table order: first +y, last -x
    for (int i = 0; i < 24; ++i) EXPECT_EQ(Vector3f(std::fabs(out[i].x), std::fabs(out[i].y), std::fabs(out[i].z)), Vector3f(2, 3, 4));
    EXPECT_TRUE(out[0] == Vector3f(-2, 3, 4) && out[23] == Vector3f(-2, -3, 4));
    out.clear();
    // Root x in [-16, 8] cut at x = -10: its left half (x in [-16, -4]) is cut again, its right
    // half lies wholly inside and gives its 24 corners; each left leaf its x = -4 face (4) and the
    // x = -4 ends of its four cut faces (2 each).
    refhost::RefModel cut(threeLevelNodes(Vector3f(12, 2, 2)));
    EXPECT_TRUE(branch(&cut, 6, -1, translation(Vector3f(-4, 0, 0))));
    EXPECT_EQ(std::count_if(out.data(), out.data() + out.count(), [](const Vector3f& p) { return p.x >= -4.0f; }), 24 + 2 * (4 + 4 * 2));
    for (int i = 0; i < out.count(); ++i) EXPECT_GE(out[i].x, -10.0f - 1e-4f);

    // A chain of cut boxes straddling x = 10, each inner one also holding a leaf outside the
    // volume: budget 3 stops two levels below the root, with exactly that node's own clipped faces.
    std::vector<model::Node> nodes{makeNode({8, -1, -1}, {12, 1, 1})};
    std::vector<short> chain{0};
    for (int i = 1; i < 6; ++i) {
        nodes.push_back(makeNode({20, -1, -1}, {30, 1, 1}));
        nodes.push_back(makeNode({8.0f - i, -1, -1}, {12.0f + i, 1, 1}, chain.back(), static_cast<short>(nodes.size() - 1)));
        chain.push_back(static_cast<short>(nodes.size() - 1));
    }
    refhost::RefModel chained(nodes);
    out.clear();
    EXPECT_FALSE(branch(&chained, chain.back(), 0));
    EXPECT_TRUE(branch(&chained, chain.back(), 3));
    const std::vector<Vector3f> levels3(out.data(), out.data() + out.count());
    out.clear();
    EXPECT_TRUE(branch(&chained, chain[chain.size() - 3], 1));
    EXPECT_EQ(std::vector<Vector3f>(out.data(), out.data() + out.count()), levels3);
    out.clear();
    EXPECT_TRUE(branch(&chained, chain.back(), -1));  // without a budget the walk reaches the deepest box
    for (int i = 0; i < out.count(); ++i) EXPECT_GE(out[i].x, 8.0f);

    // Bad nodes, models and placements reach nothing; a box without extent gives its 24 corners
    // at one place; cycles (a node its own child, two nodes each other's) end.
    out.clear();
    refhost::RefModel m(threeLevelNodes(Vector3f(1, 1, 1))), empty, nanBox({makeNode({kNaN, 0, 0}, {1, 1, 1})});
    Matrix4f nanWorld = Matrix4f::identity();
    nanWorld.m[3][0] = kNaN;
    EXPECT_FALSE(branch(&m, 7, -1) || branch(&m, -1, -1) || branch(nullptr, 0, -1) || branch(&empty, -1, -1) ||
                 branch(&nanBox, 0, -1) || branch(&m, 6, -1, nanWorld));
    EXPECT_EQ(out.count(), 0);
    refhost::RefModel point({makeNode({1, 2, 3}, {1, 2, 3})});
    EXPECT_TRUE(branch(&point, 0, -1) && out.count() == 24);
    refhost::RefModel cyclic({makeNode({5, -1, -1}, {15, 1, 1}, 0, 0)});
    refhost::RefModel cyclic2({makeNode({5, -1, -1}, {15, 1, 1}, 1, 1), makeNode({5, -1, -1}, {15, 1, 1}, 0, 0)});
    EXPECT_TRUE(branch(&cyclic, 0, -1) && branch(&cyclic2, 1, -1));
}

TEST(ShadowFit, ClippingReplacesARunOfOutsideVerticesByTwoCrossings) {
    fit::Polygon poly;
    EXPECT_EQ(fit::clipPolygon(nullptr, {0, 0, 0}, {0, 1, 0}), fit::CLIP_EMPTIED);
    poly.append(Vector3f(0, 1, 0));
    poly.append(Vector3f(1, 1, 0));
    EXPECT_EQ(fit::clipPolygon(&poly, {0, 0, 0}, {0, 1, 0}), fit::CLIP_EMPTIED);  // fewer than 3 vertices
    for (Vector3f v : {Vector3f(-1, 1, 0), Vector3f(1, 1, 0), Vector3f(1, -1, 0), Vector3f(-1, 3, 0)}) poly.append(v);
    EXPECT_EQ(fit::clipPolygon(&poly, {0, 0, 0}, {0, 0, 0}), fit::CLIP_UNCHANGED);  // a zero normal puts nothing outside
    EXPECT_EQ(fit::clipPolygon(&poly, {0, 0, 0}, {0, 1, 0}), fit::CLIP_CUT);
    // The corner (1, -1) below y = 0 gives way to (1, 0) and (0.5, 0), a quarter along (1, -1) .. (-1, 3).
    ASSERT_EQ(poly.count(), 5);
    const Vector3f expected[5] = {{-1, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0.5f, 0, 0}, {-1, 3, 0}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(Math::length(poly.vertex(i) - expected[i]), 0.0f, 1e-6f) << i;
        EXPECT_EQ(poly.outsideMark(i), i == 2 || i == 3) << "the crossings are marked, " << i;
    }
    EXPECT_EQ(fit::clipPolygon(&poly, {0, 5, 0}, {0, 1, 0}), fit::CLIP_EMPTIED);
}

}  // namespace
