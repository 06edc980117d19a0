#include "enviro/host/Math3D.h"

#include <cmath>

namespace _3DMath {

void matrixOrthoLH(float w, float h, float zn, float zf, Math::Matrix4f* out) {
    out->set(0.0f);
    out->m[0][0] = 2.0f / w;
    out->m[1][1] = 2.0f / h;
    out->m[2][2] = 1.0f / (zf - zn);
    out->m[3][2] = zn / (zn - zf);
    out->m[3][3] = 1.0f;
}

void matrixPerspectiveLH(float w, float h, float zn, float zf, Math::Matrix4f* out) {
    out->set(0.0f);
    out->m[0][0] = 2.0f * zn / w;
    out->m[1][1] = 2.0f * zn / h;
    out->m[2][2] = zf / (zf - zn);
    out->m[2][3] = 1.0f;
    out->m[3][2] = zn * zf / (zn - zf);
}

void matrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf, Math::Matrix4f* out) {
    float yScale = 1.0f / std::tan(fovY * 0.5f);
    out->set(0.0f);
    out->m[0][0] = yScale / aspect;
    out->m[1][1] = yScale;
    out->m[2][2] = zf / (zf - zn);
    out->m[2][3] = 1.0f;
    out->m[3][2] = zn * zf / (zn - zf);
}

namespace {

// Cofactor scratch of the inverse, kept static as the module's other per-frame scratch is.
double s_cofactor[4][4];

// Determinant of the 3x3 matrix left after striking out row r and column c (rule of Sarrus).
double minor3(const Math::Matrix4f* in, int r, int c) {
    double a[3][3];
    for (int i = 0, ii = 0; i < 4; ++i) {
        if (i == r) continue;
        for (int j = 0, jj = 0; j < 4; ++j) {
            if (j == c) continue;
            a[ii][jj++] = in->m[i][j];
        }
        ++ii;
    }
    return a[0][0] * a[1][1] * a[2][2] + a[0][1] * a[1][2] * a[2][0] + a[0][2] * a[1][0] * a[2][1] -
           a[0][2] * a[1][1] * a[2][0] - a[0][0] * a[1][2] * a[2][1] - a[0][1] * a[1][0] * a[2][2];
}

}  // namespace

void matrixInverse(Math::Matrix4f* out, double* det, const Math::Matrix4f* in) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) s_cofactor[r][c] = (((r + c) & 1) ? -1.0 : 1.0) * minor3(in, r, c);
    double d = 0.0;
    for (int c = 0; c < 4; ++c) d += in->m[0][c] * s_cofactor[0][c];
    if (det) *det = d;
    if (d == 0.0) {
        if (out != in) *out = *in;
        return;
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out->m[r][c] = static_cast<float>(s_cofactor[c][r] / d);
}

void calcPlane(const Math::Vector3f* normal, const Math::Vector3f* point, Math::Vector4f* out) {
    *out = Math::Vector4f(normal->x, normal->y, normal->z, -Math::dot(*normal, *point));
}

void matrixReflection(const Math::Vector3f* normal, const Math::Vector3f* point, Math::Matrix4f* out) {
    Math::Vector4f p;
    calcPlane(normal, point, &p);
    // The mirror depends on the plane only, not on the length its normal was given with.
    const float length = Math::length(*normal);
    if (!(length > 0.0f)) {  // no plane (zero or NaN normal): nothing is mirrored
        out->set(1.0f);
        return;
    }
    const float a = p.x / length, b = p.y / length, c = p.z / length, d = p.w / length;
    out->m[0][0] = 1 - 2 * a * a; out->m[0][1] = -2 * a * b;    out->m[0][2] = -2 * a * c;    out->m[0][3] = 0;
    out->m[1][0] = -2 * a * b;    out->m[1][1] = 1 - 2 * b * b; out->m[1][2] = -2 * b * c;    out->m[1][3] = 0;
    out->m[2][0] = -2 * a * c;    out->m[2][1] = -2 * b * c;    out->m[2][2] = 1 - 2 * c * c; out->m[2][3] = 0;
    out->m[3][0] = -2 * a * d;    out->m[3][1] = -2 * b * d;    out->m[3][2] = -2 * c * d;    out->m[3][3] = 1;
}

bool LineCrossPlane(const Math::Vector3f* normal, const Math::Vector3f* point, const Math::Vector3f* start,
                    const Math::Vector3f* end, Math::Vector3f* out) {
    float ds = Math::dot(*start - *point, *normal);
    float de = Math::dot(*end - *point, *normal);
    if ((ds > 0.0f && de > 0.0f) || (ds < 0.0f && de < 0.0f)) return false;
    float denom = ds - de;
    if (denom == 0.0f) {
        if (ds != 0.0f) return false;
        if (out) *out = *start;  // the segment lies in the plane
        return true;
    }
    float t = ds / denom;
    if (out) *out = *start + (*end - *start) * t;
    return true;
}

void matrixLookAtLH(const Math::Vector3f* eye, const Math::Vector3f* target, const Math::Vector3f* up,
                    Math::Matrix4f* out) {
    const Math::Vector3f z = Math::normalizeOrKeep(*target - *eye);
    const Math::Vector3f x = Math::normalizeOrKeep(Math::cross(*up, z));
    const Math::Vector3f y = Math::cross(z, x);
    out->m[0][0] = x.x; out->m[0][1] = y.x; out->m[0][2] = z.x; out->m[0][3] = 0.0f;
    out->m[1][0] = x.y; out->m[1][1] = y.y; out->m[1][2] = z.y; out->m[1][3] = 0.0f;
    out->m[2][0] = x.z; out->m[2][1] = y.z; out->m[2][2] = z.z; out->m[2][3] = 0.0f;
    out->m[3][0] = -Math::dot(x, *eye);
    out->m[3][1] = -Math::dot(y, *eye);
    out->m[3][2] = -Math::dot(z, *eye);
    out->m[3][3] = 1.0f;
}

float Get2DAngle(float a, float b) { return std::atan2(a, b); }

}  // namespace _3DMath
