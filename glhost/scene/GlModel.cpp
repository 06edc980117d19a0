#include "glhost/scene/GlModel.h"

namespace glhost {

void GlModel::draw(model::ModelInstance* instance) {
    const Math::Matrix4f* world = instance ? instance->getWorldMatrix() : nullptr;
    m_drawer.drawModel(*this, world ? *world : Math::Matrix4f::identity());
}

const model::Node* GlModel::getNode(int i) {
    return i >= 0 && i < getNodeCount() ? &m_nodes[size_t(i)] : nullptr;
}

}  // namespace glhost
