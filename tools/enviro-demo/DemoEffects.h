#pragma once
// What enviro-demo gives the scene renderer's module passes beyond the town itself: the town's
// street lamps and cars after dark (glhost::DemoLights), the cloud layer drifting on the wind, and
// a glass pavilion on the lake shore, the transparent object, with the exclusion volume around it.
#include <memory>

#include "glhost/scene/SceneRenderer.h"

namespace demotool {

class DemoEffects {
public:
    // Builds the pavilion (a GL context must be current) and places the probe beside it.
    explicit DemoEffects(glhost::SceneRenderer& renderer);
    // After the renderer has started: the pavilion and its exclusion volume into the renderer.
    void start();
    // Before each rendered frame: the lights and the clouds at `seconds` of simulated time (Unix
    // seconds) for the frame's instant and place.
    void update(const glhost::SceneFrame& frame, double seconds);
    // Deletes the pavilion's GL objects (after the renderer stopped, before the GL goes).
    void release() { m_pavilion.reset(); }

private:
    glhost::SceneRenderer& m_renderer;
    std::unique_ptr<glhost::GlMesh> m_pavilion;
};

}  // namespace demotool
