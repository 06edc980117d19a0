#pragma once
// 3×3 double-precision rotation matrices of the ephemeris code (row-major).
#include "enviro/astro/Vec3D.h"

namespace Astro {

class Matrix3D {
public:
    Matrix3D() : m{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}} {}
    Matrix3D(const double (&rows)[3][3]);

    double& operator()(int row, int col) { return m[row][col]; }
    double operator()(int row, int col) const { return m[row][col]; }

    // result_i = Σ_j M[i][j]·v_j
    Vec3D operator*(const Vec3D& v) const {
        return Vec3D(m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                     m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                     m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z);
    }
    Matrix3D operator*(const Matrix3D& b) const {
        Matrix3D out;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) out.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
        return out;
    }
    Matrix3D transpose() const;

    static Matrix3D identity();

private:
    double m[3][3];
};

// Elementary rotations of the coordinate frame by angle (radians) about the x, y and z axes.
Matrix3D rotX(double angle);
Matrix3D rotY(double angle);
Matrix3D rotZ(double angle);

}  // namespace Astro
