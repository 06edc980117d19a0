#pragma once
// The target protocol of the light passes: a pass sets its one colour target and no depth
// surface, clears and draws, then resets the depth surface and the render target, so that each
// reset undoes the matching set.
#include "enviro/host/RenderApi.h"

namespace effector {
namespace detail {

inline void beginLightPass(RendAPI::ITexture* target) {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.setRenderTargets(target, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
}

inline void endLightPass() {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.resetDepthSurface();
    api.resetRenderTarget();
}

}  // namespace detail
}  // namespace effector
