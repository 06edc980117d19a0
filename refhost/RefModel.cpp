#include "refhost/RefModel.h"

#include "enviro/host/Camera.h"
#include "refhost/RefRenderApi.h"

namespace refhost {

namespace {

std::string nameOf(RendAPI::ITexture* object) {
    const char* n = object ? object->getName() : nullptr;
    return n ? n : "";
}

}  // namespace

void RefModel::setBox(const Math::Vector3f& min, const Math::Vector3f& max) {
    model::Node leaf;
    leaf.child[0] = leaf.child[1] = -1;
    leaf.vMin = min;
    leaf.vMax = max;
    m_nodes.assign(1, leaf);
}

const model::Node* RefModel::getNode(int i) {
    if (i < 0 || i >= getNodeCount()) return nullptr;
    return &m_nodes[static_cast<size_t>(i)];
}

void RefModel::draw(model::ModelInstance* instance) {
    ++m_drawCount;
    if (!m_recording) return;
    DrawRecord r{};
    r.instance = instance;
    const Math::Matrix4f* world = instance ? instance->getWorldMatrix() : nullptr;
    r.world = world ? *world : Math::Matrix4f::identity();
    r.face = -1;
    r.viewport = RendAPI::Viewport{0, 0, 0, 0};
    if (auto* api = dynamic_cast<RefRenderApi*>(RendAPI::pRenderApi)) {
        for (int slot = 0; slot < 3; ++slot) r.targets.push_back(nameOf(api->currentTarget(slot)));
        r.depthSurface = nameOf(api->currentDepthSurface());
        r.face = api->cubeFace();
        r.viewport = api->viewport();
    } else {
        r.targets.assign(3, "");
    }
    cam::SMCamera* camera = cam::currentCamera();
    r.hasCamera = camera != nullptr;
    r.viewProj = camera ? camera->getView()->mViewProj : Math::Matrix4f::identity();
    r.shadowFlag = camera ? camera->getShadowPassFlag() : 0;
    m_draws.push_back(r);
}

}  // namespace refhost
