#pragma once
// The scene's models as the module's shadow passes see them: a mesh, a bounding-box hierarchy
// (root last) and a draw that goes to the host's renderer (GlModelDrawer), which picks the
// program: depth while a shadow depth pass is drawn, the lit scene otherwise.
#include <memory>
#include <vector>

#include "enviro/host/Model.h"
#include "glhost/scene/GlMesh.h"

namespace glhost {

class GlModel;

class GlModelDrawer {
public:
    virtual ~GlModelDrawer() = default;
    // Draws model with the world matrix (drawing frame) into the targets and camera in force.
    virtual void drawModel(const GlModel& model, const Math::Matrix4f& world) = 0;
};

class GlModelInstance final : public model::ModelInstance {
public:
    explicit GlModelInstance(const Math::Matrix4f& world = Math::Matrix4f::identity()) : m_world(world) {}
    void setWorldMatrix(const Math::Matrix4f* world) override {
        if (world) m_world = *world;
    }
    const Math::Matrix4f* getWorldMatrix() override { return &m_world; }

private:
    Math::Matrix4f m_world;
};

class GlModel final : public model::Model {
public:
    GlModel(const MeshData& data, std::vector<model::Node> nodes, GlModelDrawer& drawer)
        : m_mesh(data), m_nodes(std::move(nodes)), m_drawer(drawer) {}

    // Draws with the instance's world matrix (identity without one).
    void draw(model::ModelInstance* instance) override;
    int getNodeCount() override { return static_cast<int>(m_nodes.size()); }
    const model::Node* getNode(int i) override;
    const GlMesh& mesh() const { return m_mesh; }

private:
    GlMesh m_mesh;
    std::vector<model::Node> m_nodes;
    GlModelDrawer& m_drawer;
};

}  // namespace glhost
