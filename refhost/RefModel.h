#pragma once
// The reference host's models: a bounding-box node list (root last) and a record of every draw,
// with what was in force when it happened, so that tests can check what a shadow pass drew
// and with which camera and targets. The targets and camera are those installed in the module's
// globals (RendAPI::pRenderApi when it is a RefRenderApi, cam::cameraManager).
#include <string>
#include <vector>

#include "enviro/host/Model.h"
#include "enviro/host/RenderApi.h"

namespace refhost {

class RefModelInstance final : public model::ModelInstance {
public:
    RefModelInstance() : m_world(Math::Matrix4f::identity()) {}
    explicit RefModelInstance(const Math::Matrix4f& world) : m_world(world) {}
    // A null matrix is ignored.
    void setWorldMatrix(const Math::Matrix4f* world) override {
        if (world) m_world = *world;
    }
    const Math::Matrix4f* getWorldMatrix() override { return &m_world; }

private:
    Math::Matrix4f m_world;
};

class RefModel final : public model::Model {
public:
    struct DrawRecord {
        model::ModelInstance* instance;    // as passed (may be null)
        Math::Matrix4f world;              // the instance's world matrix, identity without one
        std::vector<std::string> targets;  // colour targets in force, slots 0..2 ("" none)
        std::string depthSurface;          // depth surface in force ("" none)
        int face;                          // cube face in force, or -1
        RendAPI::Viewport viewport;
        bool hasCamera;                    // a current camera was installed
        Math::Matrix4f viewProj;           // its view-projection (identity without camera)
        unsigned char shadowFlag;          // its shadow-pass flag (0 without camera)
    };

    RefModel() = default;
    explicit RefModel(const std::vector<model::Node>& nodes) : m_nodes(nodes) {}
    void setNodes(const std::vector<model::Node>& nodes) { m_nodes = nodes; }
    // One leaf node: the box min..max.
    void setBox(const Math::Vector3f& min, const Math::Vector3f& max);

    void draw(model::ModelInstance* instance) override;
    int getNodeCount() override { return static_cast<int>(m_nodes.size()); }
    const model::Node* getNode(int i) override;

    const std::vector<DrawRecord>& draws() const { return m_draws; }
    void clearDraws() { m_draws.clear(); }
    // Draws are counted always and recorded while recording is on (the default); benchmarks and
    // allocation tests switch recording off.
    void setRecording(bool on) { m_recording = on; }
    long drawCount() const { return m_drawCount; }

private:
    bool m_recording = true;
    long m_drawCount = 0;
    std::vector<model::Node> m_nodes;
    std::vector<DrawRecord> m_draws;
};

}  // namespace refhost
