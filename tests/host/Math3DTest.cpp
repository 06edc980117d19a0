// The math library: matrix product, projections, inverse, planes, mirrors and planar angles.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "enviro/host/Math3D.h"

namespace {

using Math::Matrix4f;
using Math::Vector3f;
using Math::Vector4f;

Matrix4f randomMatrix(std::mt19937& rng) {
    std::uniform_real_distribution<float> value(-3.0f, 3.0f);
    Matrix4f m;
    for (auto& row : m.m)
        for (float& x : row) x = value(rng);
    return m;
}

void expectNear(const Matrix4f& a, const Matrix4f& b, float tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << "element " << r << "," << c;
}

void expectNear(const Vector3f& a, const Vector3f& b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Math3D, MultiplyIsRowByColumnAndMayAlias) {
    Matrix4f a, b;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a.m[r][c] = float(r * 4 + c);
            b.m[r][c] = float((r + 1) * (c + 2) % 7);
        }
    Matrix4f expected;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += double(a.m[r][k]) * b.m[k][c];
            expected.m[r][c] = float(sum);
        }
    Matrix4f out;
    Math::multiply(&out, &a, &b);
    EXPECT_EQ(out, expected);
    Matrix4f aliased = a;
    Math::multiply(&aliased, &aliased, &b);
    EXPECT_EQ(aliased, expected);
    aliased = b;
    Math::multiply(&aliased, &a, &aliased);
    EXPECT_EQ(aliased, expected);

    // Row vectors: a translation in the fourth row moves points, not directions.
    Matrix4f t = Matrix4f::identity();
    t.m[3][0] = 5;
    t.m[3][1] = -2;
    EXPECT_EQ(Math::transformCoord(Vector3f(1, 1, 1), t), Vector3f(6, -1, 1));
    EXPECT_EQ(Math::transformNormal(Vector3f(1, 1, 1), t), Vector3f(1, 1, 1));
    Matrix4f tt = t;
    tt.transpose();
    EXPECT_EQ(tt.m[0][3], 5.0f);
    tt.transpose();
    EXPECT_EQ(tt, t);
}

TEST(Math3D, InverseTimesMatrixIsIdentity) {
    std::mt19937 rng(11);
    int tested = 0;
    for (int i = 0; i < 200; ++i) {
        Matrix4f m = randomMatrix(rng);
        Matrix4f inv;
        double det = 0;
        _3DMath::matrixInverse(&inv, &det, &m);
        if (std::fabs(det) < 0.5) continue;  // keep the conditioning reasonable
        ++tested;
        Matrix4f p, q;
        Math::multiply(&p, &m, &inv);
        Math::multiply(&q, &inv, &m);
        expectNear(p, Matrix4f::identity(), 2e-4f);
        expectNear(q, Matrix4f::identity(), 2e-4f);
    }
    EXPECT_GT(tested, 100);

    // Known determinant: diag(2, 3, 4, 5) with a translation has det 120.
    Matrix4f d = Matrix4f::identity();
    d.m[0][0] = 2;
    d.m[1][1] = 3;
    d.m[2][2] = 4;
    d.m[3][3] = 5;
    d.m[3][0] = 7;
    double det = 0;
    Matrix4f inv;
    _3DMath::matrixInverse(&inv, &det, &d);
    EXPECT_DOUBLE_EQ(det, 120.0);
    EXPECT_FLOAT_EQ(inv.m[0][0], 0.5f);
    EXPECT_FLOAT_EQ(inv.m[3][3], 0.2f);
    EXPECT_FLOAT_EQ(inv.m[3][0], -0.7f);  // -7 / (2 * 5)

    // In place, and without a determinant.
    Matrix4f inPlace = d;
    _3DMath::matrixInverse(&inPlace, nullptr, &inPlace);
    EXPECT_EQ(inPlace, inv);
}

TEST(Math3D, InverseOfASingularMatrixIsACopyWithDeterminantZero) {
    Matrix4f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = float(r * 4 + c + 1);  // rows in arithmetic progression
    Matrix4f out;
    out.set(9.0f);
    double det = 5.0;
    _3DMath::matrixInverse(&out, &det, &m);
    EXPECT_EQ(det, 0.0);
    EXPECT_EQ(out, m);

    Matrix4f zero;
    zero.set(0.0f);
    det = 5.0;
    _3DMath::matrixInverse(&out, &det, &zero);
    EXPECT_EQ(det, 0.0);
    EXPECT_EQ(out, zero);
    _3DMath::matrixInverse(&zero, nullptr, &zero);  // in place: unchanged
    Matrix4f stillZero;
    stillZero.set(0.0f);
    EXPECT_EQ(zero, stillZero);
}

TEST(Math3D, ProjectionsMapNearToZeroAndFarToOne) {
    const float zn = 0.5f, zf = 800.0f;
    Matrix4f p;
    _3DMath::matrixPerspectiveLH(2.0f, 1.5f, zn, zf, &p);
    EXPECT_NEAR(Math::transformCoord(Vector3f(0, 0, zn), p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(Math::transformCoord(Vector3f(0, 0, zf), p).z, 1.0f, 1e-6f);
    EXPECT_NEAR(Math::transformCoord(Vector3f(3, -2, 40), p).z, zf * (40 - zn) / (40 * (zf - zn)), 1e-6f);
    // The near plane is w x h: its corners land on the corners of the view.
    expectNear(Math::transformCoord(Vector3f(1.0f, 0.75f, zn), p), Vector3f(1, 1, 0), 1e-6f);
    expectNear(Math::transformCoord(Vector3f(-2.0f, -1.5f, 2 * zn), p), Vector3f(-1, -1, zf * zn / (2 * zn * (zf - zn))),
               1e-5f);
    EXPECT_EQ(Math::transformPoint(Vector3f(0, 0, 7), p).w, 7.0f);  // w carries the view depth (left-handed)

    Matrix4f o;
    _3DMath::matrixOrthoLH(20.0f, 10.0f, 1.0f, 10000.0f, &o);
    EXPECT_NEAR(Math::transformCoord(Vector3f(0, 0, 1), o).z, 0.0f, 1e-7f);
    EXPECT_NEAR(Math::transformCoord(Vector3f(0, 0, 10000), o).z, 1.0f, 1e-6f);
    expectNear(Math::transformCoord(Vector3f(10, -5, 5000.5f), o), Vector3f(1, -1, 0.5f), 1e-6f);
    EXPECT_EQ(Math::transformPoint(Vector3f(3, 4, 5), o).w, 1.0f);

    Matrix4f f;
    _3DMath::matrixPerspectiveFovLH(1.5707964f, 2.0f, zn, zf, &f);  // 90 degrees: y scale 1
    EXPECT_NEAR(f.m[1][1], 1.0f, 1e-6f);
    EXPECT_NEAR(f.m[0][0], 0.5f, 1e-6f);
    EXPECT_NEAR(Math::transformCoord(Vector3f(0, 0, zf), f).z, 1.0f, 1e-6f);
}

TEST(Math3D, PlaneThroughPointWithNormal) {
    Vector3f n(0, 1, 0), p(3, 2, -1);
    Vector4f plane;
    _3DMath::calcPlane(&n, &p, &plane);
    EXPECT_EQ(plane, Vector4f(0, 1, 0, -2));
    Vector3f n2(1, 2, 2), p2(1, 1, 1);
    _3DMath::calcPlane(&n2, &p2, &plane);
    EXPECT_EQ(plane, Vector4f(1, 2, 2, -5));
    // Every point of the plane satisfies a*x + b*y + c*z + d = 0.
    const Vector3f onPlane = p2 + Math::cross(n2, Vector3f(0, 0, 1)) * 3.0f;
    EXPECT_NEAR(plane.x * onPlane.x + plane.y * onPlane.y + plane.z * onPlane.z + plane.w, 0.0f, 1e-5f);
}

TEST(Math3D, ReflectionMirrorsAndTwiceIsIdentity) {
    Vector3f n(0, 1, 0), p(0, 2, 0);
    Matrix4f r;
    _3DMath::matrixReflection(&n, &p, &r);
    EXPECT_EQ(Math::transformCoord(Vector3f(5, 3, -1), r), Vector3f(5, 1, -1));
    EXPECT_EQ(Math::transformNormal(Vector3f(0, 1, 1), r), Vector3f(0, -1, 1));

    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-10.0f, 10.0f);
    for (int i = 0; i < 50; ++i) {
        Vector3f normal = Math::normalizeOrKeep(Vector3f(value(rng), value(rng), value(rng)));
        Vector3f point(value(rng), value(rng), value(rng));
        _3DMath::matrixReflection(&normal, &point, &r);
        Matrix4f twice;
        Math::multiply(&twice, &r, &r);
        expectNear(twice, Matrix4f::identity(), 1e-4f);
        // A point on the plane stays; the mirror image lies at the same distance on the other side.
        expectNear(Math::transformCoord(point, r), point, 1e-4f);
        Vector3f q(value(rng), value(rng), value(rng));
        Vector3f image = Math::transformCoord(q, r);
        EXPECT_NEAR(Math::dot(image - point, normal), -Math::dot(q - point, normal), 1e-3f);
    }
}

TEST(Math3D, ReflectionDoesNotDependOnNormalLength) {
    // The mirror of a plane is the same whatever length its normal is given with.
    Vector3f unit(0, 0, 1), longer(0, 0, 4), p(1, 1, 3);
    Matrix4f a, b;
    _3DMath::matrixReflection(&unit, &p, &a);
    _3DMath::matrixReflection(&longer, &p, &b);
    expectNear(a, b, 1e-6f);
    EXPECT_EQ(Math::transformCoord(Vector3f(0, 0, 5), b), Vector3f(0, 0, 1));
    // A zero normal describes no plane: nothing is mirrored.
    Vector3f zero(0, 0, 0);
    _3DMath::matrixReflection(&zero, &p, &b);
    EXPECT_EQ(b, Matrix4f::identity());
}

TEST(Math3D, LineCrossPlane) {
    Vector3f n(0, 1, 0), p(0, 1, 0);
    Vector3f a(2, 3, 0), b(4, -1, 0), out(9, 9, 9);
    EXPECT_TRUE(_3DMath::LineCrossPlane(&n, &p, &a, &b, &out));
    expectNear(out, Vector3f(3, 1, 0), 1e-6f);
    EXPECT_TRUE(_3DMath::LineCrossPlane(&n, &p, &b, &a, &out));  // either direction
    expectNear(out, Vector3f(3, 1, 0), 1e-6f);
    EXPECT_TRUE(_3DMath::LineCrossPlane(&n, &p, &a, &b, nullptr));

    // Both ends on one side: no crossing, out untouched.
    Vector3f c(0, 5, 0), d(7, 2, 1);
    out = Vector3f(9, 9, 9);
    EXPECT_FALSE(_3DMath::LineCrossPlane(&n, &p, &c, &d, &out));
    EXPECT_EQ(out, Vector3f(9, 9, 9));
    Vector3f e(0, -5, 0), f(7, -2, 1);
    EXPECT_FALSE(_3DMath::LineCrossPlane(&n, &p, &e, &f, &out));
    // The line through the segment crosses the plane, but outside the segment.
    Vector3f g(0, 3, 0), h(0, 2, 0);
    EXPECT_FALSE(_3DMath::LineCrossPlane(&n, &p, &g, &h, &out));

    // An end on the plane counts; so does a segment lying in it.
    Vector3f touch(5, 1, 5);
    EXPECT_TRUE(_3DMath::LineCrossPlane(&n, &p, &c, &touch, &out));
    expectNear(out, touch, 1e-6f);
    Vector3f in1(1, 1, 1), in2(-4, 1, 2);
    EXPECT_TRUE(_3DMath::LineCrossPlane(&n, &p, &in1, &in2, &out));
    EXPECT_NEAR(out.y, 1.0f, 1e-6f);
    // Parallel above the plane: no crossing.
    Vector3f par1(1, 2, 1), par2(-4, 2, 2);
    EXPECT_FALSE(_3DMath::LineCrossPlane(&n, &p, &par1, &par2, &out));

    // A slanted plane: the crossing lies on the plane and on the segment.
    Vector3f sn = Math::normalizeOrKeep(Vector3f(1, 2, -1)), sp(0.5f, -1, 2);
    Vector3f s0(-5, -5, -5), s1(6, 7, 3);
    ASSERT_TRUE(_3DMath::LineCrossPlane(&sn, &sp, &s0, &s1, &out));
    EXPECT_NEAR(Math::dot(out - sp, sn), 0.0f, 1e-4f);
    const Vector3f along = Math::cross(out - s0, s1 - s0);
    EXPECT_NEAR(Math::length(along), 0.0f, 1e-3f);
}

TEST(Math3D, Get2DAngleIsAtan2) {
    const float values[] = {-3.0f, -1.0f, -0.0f, 0.0f, 0.5f, 2.0f};
    for (float a : values)
        for (float b : values) EXPECT_EQ(_3DMath::Get2DAngle(a, b), std::atan2(a, b)) << a << ", " << b;
    EXPECT_FLOAT_EQ(_3DMath::Get2DAngle(1.0f, 0.0f), 1.5707964f);  // sine first, cosine second
    EXPECT_FLOAT_EQ(_3DMath::Get2DAngle(0.0f, -1.0f), 3.1415927f);
    EXPECT_FLOAT_EQ(_3DMath::Get2DAngle(-1.0f, 1.0f), -0.7853982f);
}

}  // namespace

// The look-at view maps the eye to the origin and the target onto +z at its distance, and keeps
// the up vector in the y-z plane of the view.
TEST(Math3D, LookAtPutsTargetOnPositiveZ) {
    const Math::Vector3f eye(3.0f, 4.0f, -2.0f), target(-1.0f, 2.0f, 5.0f), up(0.0f, 1.0f, 0.0f);
    Math::Matrix4f view;
    _3DMath::matrixLookAtLH(&eye, &target, &up, &view);
    const Math::Vector3f e = Math::transformCoord(eye, view);
    const Math::Vector3f t = Math::transformCoord(target, view);
    EXPECT_NEAR(e.x, 0.0f, 1e-5f);
    EXPECT_NEAR(e.y, 0.0f, 1e-5f);
    EXPECT_NEAR(e.z, 0.0f, 1e-5f);
    EXPECT_NEAR(t.x, 0.0f, 1e-5f);
    EXPECT_NEAR(t.y, 0.0f, 1e-5f);
    EXPECT_NEAR(t.z, Math::length(target - eye), 1e-4f);
    const Math::Vector3f u = Math::transformNormal(up, view);
    EXPECT_NEAR(u.x, 0.0f, 1e-6f);
    EXPECT_GT(u.y, 0.0f);
}
