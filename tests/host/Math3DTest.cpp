// The math library against hand computations and brute force: product, inverse, projections,
// mirrors, line-plane crossings and the look-at view.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "enviro/host/Math3D.h"

namespace {

using Math::Matrix4f;
using Math::Vector3f;

void expectNear(const Matrix4f& a, const Matrix4f& b, float tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << r << "," << c;
}

void expectNear(const Vector3f& a, const Vector3f& b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Math3D, MultiplyIsRowByColumnAndMayAlias) {
    Matrix4f a, b, expected;
    for (int i = 0; i < 16; ++i) a.m[i / 4][i % 4] = float(i), b.m[i / 4][i % 4] = float((i / 4 + 1) * (i % 4 + 2) % 7);
    for (int i = 0; i < 16; ++i) {
        double sum = 0;
        for (int k = 0; k < 4; ++k) sum += double(a.m[i / 4][k]) * b.m[k][i % 4];
        expected.m[i / 4][i % 4] = float(sum);
    }
    Matrix4f out, left = a, right = b;
    Math::multiply(&out, &a, &b);
    Math::multiply(&left, &left, &b);
    Math::multiply(&right, &a, &right);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(left, expected);
    EXPECT_EQ(right, expected);
}

TEST(Math3D, InverseTimesMatrixIsIdentityAndSingularIsCopied) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> value(-3.0f, 3.0f);
    for (int i = 0; i < 100; ++i) {
        Matrix4f m, inv, p;
        for (int k = 0; k < 16; ++k) m.m[k / 4][k % 4] = value(rng);
        double det = 0;
        _3DMath::matrixInverse(&inv, &det, &m);
        if (std::fabs(det) < 0.5) continue;  // keep the conditioning reasonable
        Math::multiply(&p, &m, &inv);
        expectNear(p, Matrix4f::identity(), 2e-4f);
    }
    // diag(2, 3, 4, 5) with a translation 7 in x: det 120, inverse translation -7 / (2 * 5). In place.
    Matrix4f d = Matrix4f::identity();
    d.m[0][0] = 2, d.m[1][1] = 3, d.m[2][2] = 4, d.m[3][3] = 5, d.m[3][0] = 7;
    double det = 0;
    _3DMath::matrixInverse(&d, &det, &d);
    EXPECT_DOUBLE_EQ(det, 120.0);
    EXPECT_FLOAT_EQ(d.m[3][0], -0.7f);
    EXPECT_FLOAT_EQ(d.m[3][3], 0.2f);
    // Rows in arithmetic progression are singular: copied, determinant 0.
    Matrix4f singular, out;
    for (int i = 0; i < 16; ++i) singular.m[i / 4][i % 4] = float(i + 1);
    _3DMath::matrixInverse(&out, &det, &singular);
    EXPECT_EQ(det, 0.0);
    EXPECT_EQ(out, singular);
}

TEST(Math3D, ProjectionsMapTheViewVolumeToTheUnitBox) {
    Matrix4f persp, fov, ortho;
    _3DMath::matrixPerspectiveLH(2.0f, 1.5f, 0.5f, 800.0f, &persp);
    _3DMath::matrixPerspectiveFovLH(1.5707964f, 2.0f, 0.5f, 800.0f, &fov);  // 90°: y scale 1, x 1/2
    _3DMath::matrixOrthoLH(20.0f, 10.0f, 1.0f, 10000.0f, &ortho);
    const struct { const Matrix4f* m; Vector3f in, out; } cases[] = {
        {&persp, {0, 0, 0.5f}, {0, 0, 0}},                   // near plane: depth 0
        {&persp, {0, 0, 800}, {0, 0, 1}},                    // far plane: depth 1
        {&persp, {1.0f, 0.75f, 0.5f}, {1, 1, 0}},            // a corner of the w x h near plane
        {&persp, {3, -2, 40}, {0.0375f, -1.0f / 30.0f, 800 * 39.5f / (40 * 799.5f)}},
        {&fov, {4, 2, 2}, {1, 1, 800 * 1.5f / (2 * 799.5f)}},
        {&fov, {0, 0, 800}, {0, 0, 1}},
        {&ortho, {10, -5, 5000.5f}, {1, -1, 0.5f}},
        {&ortho, {0, 0, 1}, {0, 0, 0}},
    };
    for (const auto& c : cases) expectNear(Math::transformCoord(c.in, *c.m), c.out, 1e-5f);
    EXPECT_EQ(Math::transformPoint(Vector3f(0, 0, 7), persp).w, 7.0f);  // w carries the view depth
}

TEST(Math3D, ReflectionMirrorsAcrossThePlane) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-10.0f, 10.0f);
    for (int i = 0; i < 50; ++i) {
        const Vector3f normal(value(rng), value(rng), value(rng)), point(value(rng), value(rng), value(rng));
        const Vector3f q(value(rng), value(rng), value(rng)), unit = Math::normalizeOrKeep(normal);
        Matrix4f r, twice;
        _3DMath::matrixReflection(&normal, &point, &r);  // any normal length
        Math::multiply(&twice, &r, &r);
        expectNear(twice, Matrix4f::identity(), 1e-4f);
        expectNear(Math::transformCoord(point, r), point, 1e-3f);
        EXPECT_NEAR(Math::dot(Math::transformCoord(q, r) - point, unit), -Math::dot(q - point, unit), 1e-3f);
    }
    const Vector3f zero(0, 0, 0), at(0, 2, 0);
    Matrix4f r;
    _3DMath::matrixReflection(&zero, &at, &r);  // no plane: nothing mirrored
    EXPECT_EQ(r, Matrix4f::identity());
}

TEST(Math3D, LineCrossPlane) {
    const Vector3f n(0, 1, 0), p(0, 1, 0), untouched(9, 9, 9);
    const struct { Vector3f a, b; bool crosses; Vector3f at; } cases[] = {
        {{2, 3, 0}, {4, -1, 0}, true, {3, 1, 0}},      // through the plane
        {{4, -1, 0}, {2, 3, 0}, true, {3, 1, 0}},      // either direction
        {{0, 5, 0}, {7, 2, 1}, false, untouched},      // both ends above
        {{0, -5, 0}, {7, -2, 1}, false, untouched},    // both ends below
        {{0, 3, 0}, {0, 2, 0}, false, untouched},      // the line crosses, outside the segment
        {{0, 5, 0}, {5, 1, 5}, true, {5, 1, 5}},       // an end on the plane
        {{1, 1, 1}, {-4, 1, 2}, true, {1, 1, 1}},      // lying in the plane: its start
        {{1, 2, 1}, {-4, 2, 2}, false, untouched},     // parallel above
    };
    for (const auto& c : cases) {
        Vector3f out = untouched;
        EXPECT_EQ(_3DMath::LineCrossPlane(&n, &p, &c.a, &c.b, &out), c.crosses);
        expectNear(out, c.at, 1e-6f);
    }
}

TEST(Math3D, LookAtPutsTheTargetOnPositiveZWithUpUpward) {
    const Vector3f eye(3.0f, 4.0f, -2.0f), target(-1.0f, 2.0f, 5.0f), up(0.0f, 1.0f, 0.0f);
    Matrix4f view;
    _3DMath::matrixLookAtLH(&eye, &target, &up, &view);
    expectNear(Math::transformCoord(eye, view), Vector3f(0, 0, 0), 1e-5f);
    expectNear(Math::transformCoord(target, view), Vector3f(0, 0, Math::length(target - eye)), 1e-4f);
    const Vector3f u = Math::transformNormal(up, view);
    EXPECT_NEAR(u.x, 0.0f, 1e-6f);
    EXPECT_GT(u.y, 0.0f);
}

}  // namespace
