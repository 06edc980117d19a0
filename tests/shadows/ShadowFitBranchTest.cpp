// The hierarchical box test against a box-shaped volume |x|, |y|, |z| <= 10 (view = world).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/shadows/ShadowFitTestScene.h"

namespace {

using namespace shadowfit_test;

class ShadowFitBranch : public ::testing::Test {
protected:
    void SetUp() override {
        const Vector3f axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (const Vector3f& a : axes) {
            points.append(a * -10.0f), normals.append(a);
            points.append(a * 10.0f), normals.append(-a);
        }
    }
    bool branch(refhost::RefModel* m, int node, short budget, const Matrix4f& world = Matrix4f::identity()) {
        return fit::calcBranch(&world, m, static_cast<short>(node), &out, &points, &normals, &identity, &identity,
                               budget);
    }
    // Every point within the volume (up to rounding).
    void expectAllInside() {
        for (int i = 0; i < out.count(); ++i)
            for (int k = 0; k < 3; ++k) EXPECT_LE(std::fabs(out[i][k]), 10.0f + 1e-4f);
    }
    fit::PointList points, normals, out;
    Matrix4f identity = Matrix4f::identity();
};

TEST_F(ShadowFitBranch, RootInsideGivesItsTwentyFourCornersWithoutVisitingChildren) {
    refhost::RefModel m(threeLevelNodes(Vector3f(2, 3, 4)));
    EXPECT_TRUE(branch(&m, 6, -1));
    ASSERT_EQ(out.count(), 24);
    for (int i = 0; i < 24; ++i) {  // only the root's corners, none of a child's inner faces
        EXPECT_FLOAT_EQ(std::fabs(out[i].x), 2.0f);
        EXPECT_FLOAT_EQ(std::fabs(out[i].y), 3.0f);
        EXPECT_FLOAT_EQ(std::fabs(out[i].z), 4.0f);
    }
    // The faces in table order: first +y, last -x.
    EXPECT_EQ(out[0], Vector3f(-2, 3, 4));
    EXPECT_EQ(out[23], Vector3f(-2, -3, 4));
}

TEST_F(ShadowFitBranch, OutsideNodeAddsNothing) {
    refhost::RefModel m(threeLevelNodes(Vector3f(2, 2, 2)));
    EXPECT_FALSE(branch(&m, 6, -1, translation(Vector3f(30, 0, 0))));
    EXPECT_EQ(out.count(), 0);
}

TEST_F(ShadowFitBranch, CutNodeHandsOverToItsChildren) {
    // Root x in [-16, 8] is cut at x = -10: its left half (x in [-16, -4]) is cut again, its
    // right half lies wholly inside and gives its own 24 corners.
    refhost::RefModel m(threeLevelNodes(Vector3f(12, 2, 2)));
    EXPECT_TRUE(branch(&m, 6, -1, translation(Vector3f(-4, 0, 0))));
    expectAllInside();
    int rightHalf = 0;
    for (int i = 0; i < out.count(); ++i) rightHalf += out[i].x >= -4.0f ? 1 : 0;
    // Right half 24; each left leaf its x = -4 face (4) and the x = -4 ends of its four cut faces (2 each).
    EXPECT_EQ(rightHalf, 24 + 2 * (4 + 4 * 2));
    EXPECT_GT(out.count(), 24);
    // The same root wholly inside the volume would give just 24.
    out.clear();
    refhost::RefModel small(threeLevelNodes(Vector3f(3, 2, 2)));
    EXPECT_TRUE(branch(&small, 6, -1));
    EXPECT_EQ(out.count(), 24);
}

TEST_F(ShadowFitBranch, DepthBudgetLimitsTheLevelsExamined) {
    // A chain of cut boxes straddling x = 10, each inner one also holding a leaf outside the volume.
    std::vector<model::Node> nodes{makeNode({8, -1, -1}, {12, 1, 1})};
    std::vector<short> chain{0};
    for (int i = 1; i < 6; ++i) {
        nodes.push_back(makeNode({20, -1, -1}, {30, 1, 1}));
        nodes.push_back(makeNode({8.0f - i, -1, -1}, {12.0f + i, 1, 1}, chain.back(),
                                 static_cast<short>(nodes.size() - 1)));
        chain.push_back(static_cast<short>(nodes.size() - 1));
    }
    refhost::RefModel m(nodes);
    const int root = chain.back();
    EXPECT_FALSE(branch(&m, root, 0));
    EXPECT_TRUE(branch(&m, root, 3));
    // Budget 3 stops two levels below the root: exactly that node's own clipped faces.
    fit::PointList levels3;
    levels3 = out;
    out.clear();
    EXPECT_TRUE(branch(&m, chain[chain.size() - 3], 1));
    ASSERT_EQ(levels3.count(), out.count());
    for (int i = 0; i < out.count(); ++i) EXPECT_EQ(levels3[i], out[i]);
    // Without a budget the walk reaches the deepest box.
    out.clear();
    EXPECT_TRUE(branch(&m, root, -1));
    for (int i = 0; i < out.count(); ++i) EXPECT_GE(out[i].x, 8.0f);
    EXPECT_GT(out.count(), 0);
}

TEST_F(ShadowFitBranch, BadNodesAndModels) {
    refhost::RefModel m(threeLevelNodes(Vector3f(1, 1, 1)));
    EXPECT_FALSE(branch(&m, 7, -1));   // beyond the nodes
    EXPECT_FALSE(branch(&m, -1, -1));
    EXPECT_FALSE(branch(nullptr, 0, -1));
    refhost::RefModel empty;
    EXPECT_FALSE(branch(&empty, -1, -1));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    refhost::RefModel nanBox({makeNode({nan, 0, 0}, {1, 1, 1})});
    EXPECT_FALSE(branch(&nanBox, 0, -1));
    Matrix4f nanWorld = Matrix4f::identity();
    nanWorld.m[3][0] = nan;
    EXPECT_FALSE(branch(&m, 6, -1, nanWorld));
    EXPECT_EQ(out.count(), 0);
    // A zero-extent box inside: its 24 corners, all the same point.
    refhost::RefModel point({makeNode({1, 2, 3}, {1, 2, 3})});
    EXPECT_TRUE(branch(&point, 0, -1));
    ASSERT_EQ(out.count(), 24);
    EXPECT_EQ(out[23], Vector3f(1, 2, 3));
    // Cycles (a node its own child) end: one call visits each node at most once.
    out.clear();
    refhost::RefModel cyclic({makeNode({5, -1, -1}, {15, 1, 1}, 0, 0)});
    EXPECT_TRUE(branch(&cyclic, 0, -1));
    refhost::RefModel cyclic2({makeNode({5, -1, -1}, {15, 1, 1}, 1, 1), makeNode({5, -1, -1}, {15, 1, 1}, 0, 0)});
    EXPECT_TRUE(branch(&cyclic2, 1, -1));
    expectAllInside();
}

}  // namespace
