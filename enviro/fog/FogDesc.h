#pragma once
// The atmosphere settings of the scene: one plain record of 17 floats (68 bytes), copied whole
// between the host and the fog effector. Heights and distances are in world units.
#include "enviro/host/MathVector.h"

namespace effector {

struct FOGDESC {
    // +0  haze: r, g, b are the per-channel density coefficients (per unit of normalised
    //     distance), a is the exponent of the haze law 1 - exp(-(density * u)^a).
    Math::Vector4f vFogColor{0.0f, 0.0f, 0.0f, 1.0f};
    // +16 colour of the ground fog layer, handed to shaders unchanged.
    Math::Vector4f vLayerFogColor{1.0f, 1.0f, 1.0f, 1.0f};
    // +32 visibility distance; drives the overcast and the turbidity.
    float fFogDistance = 30000.0f;
    // +36 lower height of the overcast (cloud) layer.
    float fLayerBottom = 1000.0f;
    // +40 thickness of the overcast layer (0 or less: a layer without depth, see FogEffector.h).
    float fLayerThickness = 400.0f;
    // +44 extinction per unit length inside the ground fog; below 1e-5 the layer is off.
    float fLayerFogIntensity = 0.0f;
    // +48 world height of the ground fog layer's top plane.
    float fLayerFogHeight = 200.0f;
    // +52 greatest depth below the top plane over which fog accumulates on a path from above.
    float fLayerFogDepth = 300.0f;
    // +56 carried for the host; the module does not read it.
    float fFogParam = 1.0f;
    // +60 knee of the haze distance curve: normalised distance (x) ...
    float fHazeKneeDist = 0.0f;
    // +64 ... and the remapped distance there (y).
    float fHazeKneeValue = 0.0f;
};

static_assert(sizeof(FOGDESC) == 68, "FOGDESC is 17 floats");

}  // namespace effector
