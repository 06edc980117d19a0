#include "refhost/RefCountedObject.h"

namespace refhost {

RefObject::RefObject(const char* name, RefObjectKind kind, const RefImage& image, RefObjectObserver* observer)
    : m_name(name ? name : ""), m_kind(kind), m_image(image), m_observer(observer) {}

RefObject* RefObject::from(RendAPI::ITexture* texture) { return dynamic_cast<RefObject*>(texture); }

void RefObject::addReference() {
    if (m_dead) {
        if (m_observer) m_observer->onDeadObjectUsed(this, "acquire");
        return;
    }
    ++m_count;
}

void RefObject::dropReference() {
    if (m_dead) {
        if (m_observer) m_observer->onDeadObjectUsed(this, "release");
        return;
    }
    if (--m_count > 0) return;
    m_dead = true;
    m_image.discard();
    if (m_observer)
        m_observer->onObjectDied(this);
    else
        delete this;
}

}  // namespace refhost
