#pragma once
// The colour-target and depth-surface stacks of a render API, as both hosts keep them: strict
// last in, first out; each set pushes one entry (a null object is an empty slot); the entry on
// top is what is in force. A colour entry remembers the viewport that was in force before it, and
// pushing one puts the viewport on the whole of its first target (t0, else t1, else t2).
// The stacks hold no references: an object that dies is forgotten (its slots become empty).
#include <vector>

#include "enviro/host/RenderApi.h"

namespace refhost {

class RenderTargetStacks {
public:
    // Pushes targets (face: the cube face, or -1); returns the viewport now in force.
    RendAPI::Viewport pushTargets(RendAPI::ITexture* t0, RendAPI::ITexture* t1, RendAPI::ITexture* t2, int face,
                                  const RendAPI::Viewport& current);
    // Pops the top entry and gives the viewport in force before it; false on an empty stack.
    bool popTargets(RendAPI::Viewport& restored);
    void pushDepth(RendAPI::ITexture* surface) { m_depth.push_back(surface); }
    // False on an empty stack.
    bool popDepth();

    bool hasTargets() const { return !m_targets.empty(); }
    bool hasDepth() const { return !m_depth.empty(); }
    // Target in slot 0..2 of the top entry (null for an empty stack or slot).
    RendAPI::ITexture* target(int slot) const;
    RendAPI::ITexture* depth() const { return m_depth.empty() ? nullptr : m_depth.back(); }
    // Cube face of the top entry, or -1.
    int face() const { return m_targets.empty() ? -1 : m_targets.back().face; }
    int targetDepth() const { return static_cast<int>(m_targets.size()); }
    int depthDepth() const { return static_cast<int>(m_depth.size()); }

    // An object died: every slot that held it becomes empty.
    void forget(const RendAPI::ITexture* object);

private:
    struct Entry {
        RendAPI::ITexture* slots[3];
        int face;
        RendAPI::Viewport savedViewport;
    };
    std::vector<Entry> m_targets;
    std::vector<RendAPI::ITexture*> m_depth;
};

}  // namespace refhost
