#pragma once
// enviro-demo's scene: a town on level ground in a ring of low hills, with a lake to the east.
// Terrain: a height field of 128 x 128 cells over 2 km; the town square is level (height 0)
// within 200 m of the origin, the hills rise beyond 260 m, the lake lies around (x 0, z 330)
// with its surface at -1 m. Buildings: 36 boxes on a street grid, 6 to 42 m tall; trees: 48
// (trunk and crown), along the streets and on the slopes. Made from a fixed seed: the same town
// every time, on every machine.
#include "glhost/scene/SceneContent.h"

namespace glhost {

class DemoTown {
public:
    static constexpr float kWaterLevel = -1.0f;
    static constexpr float kExtent = 1000.0f;  // the terrain spans -kExtent..kExtent in x and z

    // The town's meshes and models (a GL context must be current).
    static SceneContent build(GlModelDrawer& drawer);
    // Terrain height at (x, z), metres.
    static float groundHeight(float x, float z);
};

}  // namespace glhost
