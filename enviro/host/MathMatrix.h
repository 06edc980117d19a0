#pragma once
// Math library: 4x4 matrices, row by row. Points are row vectors multiplied from the left
// (p * M), the translation sits in the fourth row, and projections are left-handed.
#include "enviro/host/MathVector.h"

namespace Math {

template <int N, class T>
struct Matrix;

template <>
struct Matrix<4, float> {
    float m[4][4];

    // Every element 0 except the diagonal, which gets d (set(1.0f) gives the identity).
    void set(float d) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) m[r][c] = (r == c) ? d : 0.0f;
    }
    void transpose() {
        for (int r = 0; r < 4; ++r)
            for (int c = r + 1; c < 4; ++c) {
                float t = m[r][c];
                m[r][c] = m[c][r];
                m[c][r] = t;
            }
    }
    static Matrix identity() {
        Matrix out;
        out.set(1.0f);
        return out;
    }
    float& operator()(int r, int c) { return m[r][c]; }
    float operator()(int r, int c) const { return m[r][c]; }
    bool operator==(const Matrix& o) const {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                if (m[r][c] != o.m[r][c]) return false;
        return true;
    }
    bool operator!=(const Matrix& o) const { return !(*this == o); }
};

using Matrix4f = Matrix<4, float>;

// out = a * b (row by column). out may alias a or b.
void multiply(Matrix4f* out, const Matrix4f* a, const Matrix4f* b);

// (p, 1) * m, divided by nothing: the homogeneous result.
Vector4f transformPoint(const Vector3f& p, const Matrix4f& m);
// (p, 1) * m with the division by w (w of 0 leaves the components undivided).
Vector3f transformCoord(const Vector3f& p, const Matrix4f& m);
// (d, 0) * m: a direction, no translation.
Vector3f transformNormal(const Vector3f& d, const Matrix4f& m);

}  // namespace Math
