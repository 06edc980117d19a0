#pragma once
// "Cirrus" on the GPU: the cloud layer, a flat layer at an altitude whose coverage pattern repeats
// every tileSize world units and drifts with the wind (shaders/cloudlayer.glsl, cirrus.frag).
// - draw(0): the clouds over the sky into the colour target in force, blended by their opacity
//   (drawn after the sky dome and before the scene);
// - draw(1): the same into the cloud targets in force: colour and opacity in target 0
//   ("m_rtCloudVol"), view depth / screen depth range in target 1 ("m_rtCloudDepth");
// - draw(2): the cloud-shadow map: one tile of the pattern over the whole target in force (the
//   sunlight that passes the layer), what FogEffector::beginShadowsRT opens ("cld_shadows"). The
//   fog effector's shadow matrix (updateShadowMatrix with the same drift, shadow size = tileSize)
//   finds a point's place in it, the tile wrapping.
// The layer comes from the host once per frame (setLayer); before that, and without a camera,
// draw does nothing.
#include <memory>
#include <string>

#include "enviro/host/MathVector.h"
#include "enviro/host/RenderClients.h"
#include "glhost/GlDevice.h"

namespace glhost {

struct CloudLayer {
    double altitude = 1000.0;                  // world height of the layer
    double tileSize = 4000.0;                  // world units of one tile of the pattern
    Math::Vector3d drift{0.0, 0.0, 0.0};       // how far the wind has carried it (x, z), world units
    float coverage = 0.5f;                     // 0 clear .. 1 overcast
    float opacity = 0.8f;                      // the most a thick cloud hides
    Math::Vector3f sunColor{1.0f, 1.0f, 1.0f}; // light on the layer's lit side, scene units
    Math::Vector3f skyColor{0.2f, 0.2f, 0.3f}; // the sky's light on it (both set per frame by the scene)
};

class GlCirrus final : public renderBase::ICirrus {
public:
    static std::unique_ptr<GlCirrus> create(GlDevice& device, std::string& error);

    const char* getClientName() const override { return kName; }
    void draw(int mode) override;
    void setLayer(const CloudLayer& layer);
    const CloudLayer& layer() const { return m_layer; }

private:
    GlCirrus(GlDevice& device, GlShader& program) : m_device(device), m_program(program) {}

    GlDevice& m_device;
    GlShader& m_program;
    CloudLayer m_layer;
    bool m_hasLayer = false;
};

}  // namespace glhost
