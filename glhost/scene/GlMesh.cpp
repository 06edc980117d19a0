#include "glhost/scene/GlMesh.h"

#include <cmath>
#include <cstddef>

#include "glhost/GlObjects.h"

namespace glhost {

namespace {

Math::Vector3f cross(const Math::Vector3f& a, const Math::Vector3f& b) {
    return Math::Vector3f(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

Math::Vector3f unit(const Math::Vector3f& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.0f ? v * (1.0f / l) : v;
}

}  // namespace

void MeshData::addTriangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
    const unsigned first = static_cast<unsigned>(vertices.size());
    vertices.push_back(a);
    vertices.push_back(b);
    vertices.push_back(c);
    for (unsigned i = 0; i < 3; ++i) indices.push_back(first + i);
}

void MeshData::addBox(const Math::Vector3f& lo, const Math::Vector3f& hi, const Math::Vector3f& albedo) {
    // Each face: its normal and its four corners, clockwise seen from outside.
    const Math::Vector3f c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                                 {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}};
    for (const auto& f : faces) {
        const Math::Vector3f n = unit(cross(c[f[1]] - c[f[0]], c[f[2]] - c[f[0]]));
        const unsigned first = static_cast<unsigned>(vertices.size());
        for (int k : f) vertices.push_back({c[k], n, albedo});
        for (unsigned k : {0u, 1u, 2u, 0u, 2u, 3u}) indices.push_back(first + k);
    }
}

void MeshData::addPyramid(const Math::Vector3f& base, float r, float height, const Math::Vector3f& albedo) {
    const Math::Vector3f apex = base + Math::Vector3f(0.0f, height, 0.0f);
    const Math::Vector3f corner[4] = {base + Math::Vector3f(-r, 0, -r), base + Math::Vector3f(-r, 0, r),
                                      base + Math::Vector3f(r, 0, r), base + Math::Vector3f(r, 0, -r)};
    for (int i = 0; i < 4; ++i) {
        const Math::Vector3f& a = corner[i];
        const Math::Vector3f& b = corner[(i + 1) % 4];
        const Math::Vector3f n = unit(cross(b - a, apex - a));  // outward
        addTriangle({a, n, albedo}, {apex, n, albedo}, {b, n, albedo});
    }
}

void MeshData::append(const MeshData& other) {
    const unsigned first = static_cast<unsigned>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (unsigned i : other.indices) indices.push_back(first + i);
}

GlMesh::GlMesh(const MeshData& data) : m_count(static_cast<GLsizei>(data.indices.size())) {
    m_vertices = gl::createBuffer();
    m_indices = gl::createBuffer();
    m_array = gl::createVertexArray();
    glNamedBufferStorage(m_vertices, GLsizeiptr(data.vertices.size() * sizeof(MeshVertex)), data.vertices.data(), 0);
    glNamedBufferStorage(m_indices, GLsizeiptr(data.indices.size() * sizeof(unsigned)), data.indices.data(), 0);
    glVertexArrayVertexBuffer(m_array, 0, m_vertices, 0, sizeof(MeshVertex));
    glVertexArrayElementBuffer(m_array, m_indices);
    const GLuint offsets[3] = {offsetof(MeshVertex, position), offsetof(MeshVertex, normal),
                               offsetof(MeshVertex, albedo)};
    for (GLuint i = 0; i < 3; ++i) {
        glEnableVertexArrayAttrib(m_array, i);
        glVertexArrayAttribFormat(m_array, i, 3, GL_FLOAT, GL_FALSE, offsets[i]);
        glVertexArrayAttribBinding(m_array, i, 0);
    }
}

GlMesh::~GlMesh() {
    gl::deleteObject(gl::ObjectType::VertexArray, m_array);
    gl::deleteObject(gl::ObjectType::Buffer, m_indices);
    gl::deleteObject(gl::ObjectType::Buffer, m_vertices);
}

void GlMesh::draw() const {
    if (m_count == 0) return;
    glBindVertexArray(m_array);
    glDrawElements(GL_TRIANGLES, m_count, GL_UNSIGNED_INT, nullptr);
}

}  // namespace glhost
