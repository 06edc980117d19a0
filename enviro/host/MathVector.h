#pragma once
// Math library: fixed-size vectors. Plain, trivially copyable records so that they can live in
// byte-copied effector records (LIGHTDESC and friends).
#include <cmath>

namespace Math {

// N consecutive components of type T. The 2-, 3- and 4-component forms name them x, y, z, w.
template <int N, class T>
struct Vector {
    T v[N];
    T& operator[](int i) { return v[i]; }
    const T& operator[](int i) const { return v[i]; }
};

template <class T>
struct Vector<2, T> {
    T x, y;
    Vector() = default;
    constexpr Vector(T x_, T y_) : x(x_), y(y_) {}
    T& operator[](int i) { return i == 0 ? x : y; }
    const T& operator[](int i) const { return i == 0 ? x : y; }
};

template <class T>
struct Vector<3, T> {
    T x, y, z;
    Vector() = default;
    constexpr Vector(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    T& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const T& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    Vector operator+(const Vector& o) const { return Vector(x + o.x, y + o.y, z + o.z); }
    Vector operator-(const Vector& o) const { return Vector(x - o.x, y - o.y, z - o.z); }
    Vector operator-() const { return Vector(-x, -y, -z); }
    Vector operator*(T s) const { return Vector(x * s, y * s, z * s); }
    Vector& operator+=(const Vector& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vector& operator-=(const Vector& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vector& operator*=(T s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const Vector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector& o) const { return !(*this == o); }
};

template <class T>
struct Vector<4, T> {
    T x, y, z, w;
    Vector() = default;
    constexpr Vector(T x_, T y_, T z_, T w_) : x(x_), y(y_), z(z_), w(w_) {}
    T& operator[](int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    const T& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    Vector operator+(const Vector& o) const { return Vector(x + o.x, y + o.y, z + o.z, w + o.w); }
    Vector operator-(const Vector& o) const { return Vector(x - o.x, y - o.y, z - o.z, w - o.w); }
    Vector operator*(T s) const { return Vector(x * s, y * s, z * s, w * s); }
    bool operator==(const Vector& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const Vector& o) const { return !(*this == o); }
};

using Vector2f = Vector<2, float>;
using Vector3f = Vector<3, float>;
using Vector4f = Vector<4, float>;
using Vector3d = Vector<3, double>;
using Vector4d = Vector<4, double>;

template <class T>
inline T dot(const Vector<3, T>& a, const Vector<3, T>& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

template <class T>
inline Vector<3, T> cross(const Vector<3, T>& a, const Vector<3, T>& b) {
    return Vector<3, T>(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

template <class T>
inline T length(const Vector<3, T>& a) { return std::sqrt(dot(a, a)); }

// Unit vector along a; a zero vector is returned unchanged.
template <class T>
inline Vector<3, T> normalizeOrKeep(const Vector<3, T>& a) {
    T len = length(a);
    return len > T(0) ? a * (T(1) / len) : a;
}

}  // namespace Math
