#pragma once
// Triangles in GL buffers: position, normal and albedo per vertex, 32-bit indices.
#include <epoxy/gl.h>

#include <vector>

#include "enviro/host/MathVector.h"

namespace glhost {

struct MeshVertex {
    Math::Vector3f position;
    Math::Vector3f normal;
    Math::Vector3f albedo;  // linear reflectance 0..1
};

// Vertices and indices on the CPU, with the few shapes the scene is made of.
struct MeshData {
    std::vector<MeshVertex> vertices;
    std::vector<unsigned> indices;

    // An axis-aligned box from min to max, flat-shaded (24 vertices), faces wound clockwise seen
    // from outside (the module's left-handed convention).
    void addBox(const Math::Vector3f& min, const Math::Vector3f& max, const Math::Vector3f& albedo);
    // A four-sided pyramid (a tree crown): base square of half-width r centred at base, apex above.
    void addPyramid(const Math::Vector3f& base, float r, float height, const Math::Vector3f& albedo);
    void addTriangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c);
    void append(const MeshData& other);
};

class GlMesh {
public:
    explicit GlMesh(const MeshData& data);
    ~GlMesh();
    GlMesh(const GlMesh&) = delete;
    GlMesh& operator=(const GlMesh&) = delete;

    void draw() const;
    int triangleCount() const { return m_count / 3; }

private:
    GLuint m_vertices = 0, m_indices = 0, m_array = 0;
    GLsizei m_count = 0;
};

}  // namespace glhost
