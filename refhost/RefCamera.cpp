// The reference camera: a left-handed perspective camera in a drawing frame with a floating origin.
#include "refhost/RefCamera.h"

#include <cmath>

#include "enviro/host/Math3D.h"

namespace refhost {

namespace {

const float kPi = 3.14159265358979323846f;

bool sameDoubles(const double* a, const double* b) {
    for (int i = 0; i < 4; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

void copy4(double* dst, const double* src) {
    if (!src || !dst) return;
    for (int i = 0; i < 4; ++i) dst[i] = src[i];
}

// Signed distance of p from the plane (a, b, c, d): a*x + b*y + c*z + d = 0.
double planeDistance(const double plane[4], const Math::Vector3f& p) {
    double len = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (!(len > 0.0)) return 0.0;
    return (plane[0] * p.x + plane[1] * p.y + plane[2] * p.z + plane[3]) / len;
}

}  // namespace

bool RefCamera::State::operator==(const State& o) const {
    return fov == o.fov && aspect == o.aspect && zNear == o.zNear && zFar == o.zFar &&
           sameDoubles(position, o.position) && sameDoubles(base, o.base) && sameDoubles(rotation, o.rotation) &&
           orientation == o.orientation && viewOverride == o.viewOverride && view == o.view &&
           projectionOverride == o.projectionOverride && projection == o.projection &&
           shadowFlag == o.shadowFlag;
}

RefCamera::RefCamera() {
    m_s.fov = kPi / 3.0f;
    m_s.aspect = 16.0f / 9.0f;
    m_s.zNear = 1.0f;
    m_s.zFar = 10000.0f;
    for (int i = 0; i < 4; ++i) m_s.position[i] = m_s.base[i] = m_s.rotation[i] = 0.0;
    // Looking along +z with +y up and +x to the right: the view matrix is the identity.
    m_s.orientation.set(0.0f);
    m_s.orientation.m[0][2] = 1.0f;  // forward
    m_s.orientation.m[1][1] = 1.0f;  // up
    m_s.orientation.m[2][0] = 1.0f;  // right
    m_s.orientation.m[3][3] = 1.0f;
    m_s.viewOverride = false;
    m_s.view.set(1.0f);
    m_s.projectionOverride = false;
    m_s.projection.set(1.0f);
    m_s.shadowFlag = 0;
    m_view = cam::SMView{Math::Vector3f(0, 0, 0), Math::Matrix4f::identity(), Math::Matrix4f::identity()};
}

void RefCamera::getPosition(double out[4]) { copy4(out, m_s.position); }
void RefCamera::setPosition(const double pos[4]) { copy4(m_s.position, pos); }
void RefCamera::getBasePosition(double out[4]) { copy4(out, m_s.base); }
void RefCamera::setBasePosition(const double pos[4]) { copy4(m_s.base, pos); }
void RefCamera::getRotation(double out[4]) { copy4(out, m_s.rotation); }

void RefCamera::placeInWorld(const Math::Vector3d& world, const Math::Vector3d& base) {
    m_s.base[0] = base.x;
    m_s.base[1] = base.y;
    m_s.base[2] = base.z;
    m_s.position[0] = world.x - base.x;
    m_s.position[1] = world.y - base.y;
    m_s.position[2] = world.z - base.z;
}
void RefCamera::setRotation(const double rot[4]) { copy4(m_s.rotation, rot); }

void RefCamera::setOrientation(const Math::Matrix4f* m) {
    if (!m) return;
    m_s.orientation = *m;
    m_s.viewOverride = false;
    m_s.view.set(1.0f);
}

void RefCamera::overrideView(const Math::Matrix4f* m) {
    m_s.viewOverride = m != nullptr;
    if (m)
        m_s.view = *m;
    else
        m_s.view.set(1.0f);
}

void RefCamera::overrideProjection(bool on, const Math::Matrix4f* m) {
    if (on && !m) return;
    m_s.projectionOverride = on;
    if (on)
        m_s.projection = *m;
    else
        m_s.projection.set(1.0f);
}

Math::Matrix4f RefCamera::viewMatrix() const {
    if (m_s.viewOverride) return m_s.view;
    // The camera's basis in view order (right, up, forward) is the orientation with its first and
    // third rows exchanged, placed at the position; the view matrix is its inverse.
    Math::Matrix4f basis = m_s.orientation;
    for (int c = 0; c < 4; ++c) {
        basis.m[0][c] = m_s.orientation.m[2][c];
        basis.m[2][c] = m_s.orientation.m[0][c];
    }
    for (int c = 0; c < 3; ++c) basis.m[3][c] = static_cast<float>(m_s.position[c]);
    basis.m[0][3] = basis.m[1][3] = basis.m[2][3] = 0.0f;
    basis.m[3][3] = 1.0f;
    Math::Matrix4f view;
    _3DMath::matrixInverse(&view, nullptr, &basis);
    return view;
}

Math::Matrix4f RefCamera::projectionMatrix() const {
    if (m_s.projectionOverride) return m_s.projection;
    Math::Matrix4f proj;
    _3DMath::matrixPerspectiveFovLH(m_s.fov, m_s.aspect, m_s.zNear, m_s.zFar, &proj);
    return proj;
}

Math::Matrix4f RefCamera::viewProjMatrix() const {
    Math::Matrix4f view = viewMatrix(), proj = projectionMatrix(), out;
    Math::multiply(&out, &view, &proj);
    return out;
}

const cam::SMView* RefCamera::getView() {
    m_view.vPos = Math::Vector3f(static_cast<float>(m_s.position[0]), static_cast<float>(m_s.position[1]),
                                 static_cast<float>(m_s.position[2]));
    m_view.mView = viewMatrix();
    m_view.mViewProj = viewProjMatrix();
    return &m_view;
}

bool RefCamera::isSphereVisible(const Math::Vector3f* center, float radius) {
    if (!center) return false;
    if (!m_bPlanesValid || !(m_planesState == m_s)) computeFrustumPlanes();
    for (const auto& p : m_planes)
        if (!(planeDistance(p, *center) >= -radius)) return false;
    return true;
}

void RefCamera::computeFrustumPlanes() {
    // View-projection in double precision: the far plane of a float projection (zf / (zf - zn)
    // close to 1) would be off by whole units.
    double view[4][4], proj[4][4], m[4][4];
    const Math::Matrix4f v = viewMatrix();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            view[r][c] = v.m[r][c];
            proj[r][c] = m_s.projectionOverride ? m_s.projection.m[r][c] : 0.0;
        }
    if (!m_s.projectionOverride) {
        const double yScale = 1.0 / std::tan(0.5 * static_cast<double>(m_s.fov));
        const double zn = m_s.zNear, zf = m_s.zFar;
        proj[0][0] = yScale / m_s.aspect;
        proj[1][1] = yScale;
        proj[2][2] = zf / (zf - zn);
        proj[2][3] = 1.0;
        proj[3][2] = zn * zf / (zn - zf);
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = view[r][0] * proj[0][c] + view[r][1] * proj[1][c] + view[r][2] * proj[2][c] +
                      view[r][3] * proj[3][c];

    // Clip space (x, y, z, w) = (p, 1) * M with the volume -w <= x, y <= w and 0 <= z <= w; each
    // side is a combination of two columns of M: w + x, w - x, w + y, w - y, z, w - z.
    struct Side {
        int a;
        double sa;
        int b;
        double sb;
    };
    const Side sides[6] = {{3, 1, 0, 1}, {3, 1, 0, -1}, {3, 1, 1, 1}, {3, 1, 1, -1}, {2, 1, 2, 0}, {3, 1, 2, -1}};
    for (int i = 0; i < 6; ++i)
        for (int r = 0; r < 4; ++r) m_planes[i][r] = sides[i].sa * m[r][sides[i].a] + sides[i].sb * m[r][sides[i].b];
    m_planesState = m_s;
    m_bPlanesValid = true;
}

float RefCamera::getViewWidthFactor() { return 2.0f * std::tan(m_s.fov * 0.5f) * m_s.aspect; }

std::ostream& operator<<(std::ostream& out, const RefCamera::State& s) {
    auto matrix = [&out](const Math::Matrix4f& m) {
        out << '[';
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) out << m.m[r][c] << (r == 3 && c == 3 ? "]" : " ");
    };
    auto doubles = [&out](const double* v) { out << '(' << v[0] << ' ' << v[1] << ' ' << v[2] << ' ' << v[3] << ')'; };
    out << "fov " << s.fov << " aspect " << s.aspect << " near " << s.zNear << " far " << s.zFar << " position ";
    doubles(s.position);
    out << " base ";
    doubles(s.base);
    out << " rotation ";
    doubles(s.rotation);
    out << " orientation ";
    matrix(s.orientation);
    out << " view override " << s.viewOverride << ' ';
    matrix(s.view);
    out << " projection override " << s.projectionOverride << ' ';
    matrix(s.projection);
    out << " shadow flag " << int(s.shadowFlag);
    return out;
}

}  // namespace refhost
