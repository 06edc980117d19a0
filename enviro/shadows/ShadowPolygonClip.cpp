// Convex polygon clipping for the shadow fit: each run of vertices outside a plane is replaced by
// the two points where the polygon's edges cross the plane.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "enviro/shadows/ShadowFit.h"

namespace effector {
namespace shadowfit {

Polygon::~Polygon() {
    std::free(m_pVertices);
    std::free(m_pOutside);
}

bool Polygon::reserve(int n) {
    if (n <= m_nCapacity) return true;
    const int grown = m_nCount + m_nCount / 8 + 8;
    const int capacity = n > grown ? n : grown;
    auto* vertices = static_cast<Math::Vector3f*>(
        std::realloc(m_pVertices, sizeof(Math::Vector3f) * static_cast<size_t>(capacity)));
    if (!vertices) return false;
    m_pVertices = vertices;
    auto* marks = static_cast<unsigned char*>(std::realloc(m_pOutside, static_cast<size_t>(capacity)));
    if (!marks) return false;
    m_pOutside = marks;
    const size_t added = static_cast<size_t>(capacity - m_nCapacity);
    std::memset(static_cast<void*>(m_pVertices + m_nCapacity), 0, sizeof(Math::Vector3f) * added);
    std::memset(m_pOutside + m_nCapacity, 0, added);
    m_nCapacity = capacity;
    return true;
}

bool Polygon::append(const Math::Vector3f& v) {
    if (m_nCount >= m_nCapacity && !reserve(m_nCount + 1)) return false;
    m_pVertices[m_nCount] = v;
    m_pOutside[m_nCount] = 0;
    ++m_nCount;
    return true;
}

namespace {

// The outside vertex moved onto the plane along the edge toward its inside neighbour. An edge
// parallel to the plane (possible only through rounding) leaves the vertex where it is.
Math::Vector3f moveOntoPlane(const Math::Vector3f& outside, const Math::Vector3f& inside,
                             const Math::Vector3f& planePoint, const Math::Vector3f& planeNormal) {
    const Math::Vector3f d = Math::normalizeOrKeep(inside - outside);
    const float k = Math::dot(planeNormal, d);
    if (k == 0.0f) return outside;
    return inside - d * (Math::dot(inside - planePoint, planeNormal) / k);
}

}  // namespace

ClipResult clipPolygon(Polygon* polygon, const Math::Vector3f& planePoint, const Math::Vector3f& planeNormal) {
    if (!polygon) return CLIP_EMPTIED;
    const int n = polygon->m_nCount;
    if (n < 3) {
        polygon->m_nCount = 0;
        return CLIP_EMPTIED;
    }
    int outsideCount = 0;
    for (int i = 0; i < n; ++i) {
        const bool outside = Math::dot(polygon->m_pVertices[i] - planePoint, planeNormal) < 0.0f;
        polygon->m_pOutside[i] = outside ? 1 : 0;
        outsideCount += outside ? 1 : 0;
    }
    if (outsideCount == 0) return CLIP_UNCHANGED;
    if (outsideCount == n) {
        polygon->m_nCount = 0;
        return CLIP_EMPTIED;
    }

    // Every inside vertex stays; an outside vertex next to an inside one becomes the crossing on
    // that edge (a lone outside vertex between two inside ones becomes two points). A convex
    // polygon has one outside run, so it gains at most one vertex; rounding may leave more runs,
    // each handled the same way, so 2n bounds the result. The scratch grows in steps of 16, so
    // that polygons one vertex longer than any before do not grow it each time.
    static Polygon s_result;
    s_result.m_nCount = 0;
    if (!s_result.reserve((2 * n + 15) & ~15)) return CLIP_UNCHANGED;
    const Math::Vector3f* v = polygon->m_pVertices;
    const unsigned char* out = polygon->m_pOutside;
    for (int i = 0; i < n; ++i) {
        const int prev = (i + n - 1) % n;
        const int next = (i + 1) % n;
        if (!out[i]) {
            s_result.m_pVertices[s_result.m_nCount] = v[i];
            s_result.m_pOutside[s_result.m_nCount++] = 0;
            continue;
        }
        if (!out[prev]) {
            s_result.m_pVertices[s_result.m_nCount] = moveOntoPlane(v[i], v[prev], planePoint, planeNormal);
            s_result.m_pOutside[s_result.m_nCount++] = 1;
        }
        if (!out[next]) {
            s_result.m_pVertices[s_result.m_nCount] = moveOntoPlane(v[i], v[next], planePoint, planeNormal);
            s_result.m_pOutside[s_result.m_nCount++] = 1;
        }
    }
    // Copied back rather than swapped: each polygon keeps the storage it grew, so a warmed-up fit
    // allocates nothing (swapping would pass small blocks around the face polygons for ever).
    if (!polygon->reserve(s_result.m_nCount)) return CLIP_UNCHANGED;
    std::memcpy(static_cast<void*>(polygon->m_pVertices), s_result.m_pVertices,
                sizeof(Math::Vector3f) * static_cast<size_t>(s_result.m_nCount));
    std::memcpy(polygon->m_pOutside, s_result.m_pOutside, static_cast<size_t>(s_result.m_nCount));
    polygon->m_nCount = s_result.m_nCount;
    return CLIP_CUT;
}

}  // namespace shadowfit
}  // namespace effector
