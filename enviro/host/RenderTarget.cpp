#include "enviro/host/RenderApi.h"

namespace graphics {

RenderTarget::RenderTarget(RendAPI::ITexture* object) { set(object); }

RenderTarget::~RenderTarget() { release(); }

RenderTarget::RenderTarget(const RenderTarget& other) { set(other.m_pObject); }

RenderTarget& RenderTarget::operator=(const RenderTarget& other) {
    set(other.m_pObject);
    return *this;
}

void RenderTarget::set(RendAPI::ITexture* object) {
    if (object) object->acquire();  // acquire first: object may be the one held
    if (m_pObject) m_pObject->release();
    m_pObject = object;
}

void RenderTarget::release() {
    if (m_pObject) m_pObject->release();
    m_pObject = nullptr;
}

}  // namespace graphics
