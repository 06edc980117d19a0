#pragma once
// The screen-sized targets of the screen-depth pass: view normals, linear depth, an optional edge
// target derived from them afterwards, and the depth surface the scene pass draws with. The host
// owns the set (init, uninit) and hands it to the shadow-map effector with setScreenDepthSrc.
#include "enviro/EnviroApi.h"
#include "enviro/host/MathVector.h"
#include "enviro/host/RenderApi.h"

namespace effector {

struct ENVIRO_API SSDTextures {
    // Targets are at most kMaxWidth x kMaxHeight: larger screens halve both sides until they fit.
    static constexpr int kMaxWidth = 4096;
    static constexpr int kMaxHeight = 2048;

    // (0.5 / width, 0.5 / height, 1.0, 1.0): half a texel, and the used fraction of the targets
    // (x, y in texture coordinates; z, w fractions). Zero until init.
    Math::Vector4f m_vRect;
    // Owned wrappers. A null pointer: the target was not asked for; a wrapper holding nothing:
    // creation failed (a message box said so).
    graphics::RenderTarget* m_prtScreenNormal;   // "m_prtScreenNormal", format 21
    graphics::RenderTarget* m_prtScreenDepth;    // "m_prtScreenDepth", 112 with edges, else 111
    graphics::RenderTarget* m_prtEdges;          // "m_prtEdges", format 23; null without edges
    graphics::RenderTarget* m_psurfScreenDepth;  // depth surface "m_psurfScreenDepth", format 77

    SSDTextures();
    // Copies share the wrappers (only one copy may call uninit).
    SSDTextures(const SSDTextures& other);
    SSDTextures& operator=(const SSDTextures& other);
    // Does nothing: the owner calls uninit.
    ~SSDTextures();

    // Creates the targets for a screen of width x height (halved while too large). A target that
    // cannot be created is reported in a message box and stays absent. Sizes below 1 create
    // nothing that works (each creation fails and is reported) and leave m_vRect unchanged. Always
    // true. Wrappers already held are replaced, not released: call uninit first.
    bool init(short width, short height, bool edges);
    // Clears the normal, depth and edge targets that exist to (0, 0, 0, 0) through the
    // "SysPostEffect" client (nothing without that client).
    void clear();
    // Releases and deletes every wrapper; all four pointers become null.
    void uninit();
};

}  // namespace effector
