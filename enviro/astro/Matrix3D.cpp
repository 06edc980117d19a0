#include "enviro/astro/Matrix3D.h"

#include <cmath>

namespace Astro {

Matrix3D::Matrix3D(const double (&rows)[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = rows[i][j];
}

Matrix3D Matrix3D::transpose() const {
    Matrix3D out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out.m[i][j] = m[j][i];
    return out;
}

Matrix3D Matrix3D::identity() {
    return Matrix3D({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}

Matrix3D rotX(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return Matrix3D({{1, 0, 0}, {0, c, s}, {0, -s, c}});
}

Matrix3D rotY(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return Matrix3D({{c, 0, -s}, {0, 1, 0}, {s, 0, c}});
}

Matrix3D rotZ(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return Matrix3D({{c, s, 0}, {-s, c, 0}, {0, 0, 1}});
}

}  // namespace Astro
