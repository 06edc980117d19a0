#include "enviro/host/MathMatrix.h"

namespace Math {

void multiply(Matrix4f* out, const Matrix4f* a, const Matrix4f* b) {
    Matrix4f r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                        a->m[i][3] * b->m[3][j];
    *out = r;
}

Vector4f transformPoint(const Vector3f& p, const Matrix4f& m) {
    return Vector4f(p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
                    p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
                    p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2],
                    p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3]);
}

Vector3f transformCoord(const Vector3f& p, const Matrix4f& m) {
    Vector4f h = transformPoint(p, m);
    if (h.w == 0.0f) return Vector3f(h.x, h.y, h.z);
    return Vector3f(h.x / h.w, h.y / h.w, h.z / h.w);
}

Vector3f transformNormal(const Vector3f& d, const Matrix4f& m) {
    return Vector3f(d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0],
                    d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
                    d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2]);
}

}  // namespace Math
