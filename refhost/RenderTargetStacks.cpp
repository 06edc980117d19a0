#include "refhost/RenderTargetStacks.h"

namespace refhost {

RendAPI::Viewport RenderTargetStacks::pushTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1,
                                                  RendAPI::ITexture* t2, int face,
                                                  const RendAPI::Viewport& current) {
    m_targets.push_back(Entry{{t0, t1, t2}, face, current});
    RendAPI::ITexture* first = t0 ? t0 : (t1 ? t1 : t2);
    return first ? RendAPI::Viewport{0, 0, first->getWidth(), first->getHeight()} : current;
}

bool RenderTargetStacks::popTargets(RendAPI::Viewport& restored) {
    if (m_targets.empty()) return false;
    restored = m_targets.back().savedViewport;
    m_targets.pop_back();
    return true;
}

bool RenderTargetStacks::popDepth() {
    if (m_depth.empty()) return false;
    m_depth.pop_back();
    return true;
}

RendAPI::ITexture* RenderTargetStacks::target(int slot) const {
    if (m_targets.empty() || slot < 0 || slot > 2) return nullptr;
    return m_targets.back().slots[slot];
}

void RenderTargetStacks::forget(const RendAPI::ITexture* object) {
    for (Entry& e : m_targets)
        for (auto& slot : e.slots)
            if (slot == object) slot = nullptr;
    for (auto& d : m_depth)
        if (d == object) d = nullptr;
}

}  // namespace refhost
