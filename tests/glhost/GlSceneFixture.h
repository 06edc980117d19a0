#pragma once
// Scenes rendered through the module on the shared GL host: the module started on a private
// writable copy of the bundled data (the star cache is written there), a scene renderer on small
// frames, and the CPU side of what the frame shows (view directions of pixels, texels).
#include <memory>

#include "GlTestHost.h"
#include "glhost/scene/ModuleSession.h"
#include "glhost/scene/SceneRenderer.h"

namespace glhost::test {

class GlSceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a renderer for content (a frame of width x height, the floating origin on a grid of
    // originCell metres); fails the test on an error.
    SceneRenderer& startRenderer(SceneContent& content, int width, int height, double originCell = 256.0);
    // The flat ground (albedo, from -extent to extent in x and z at height 0).
    static std::unique_ptr<GlMesh> flatGround(float extent, float albedo);
    // A box model from min to max (one node), drawn through the renderer.
    std::unique_ptr<GlModel> boxModel(const Math::Vector3f& min, const Math::Vector3f& max, float albedo);

    // The unit view direction through the centre of pixel (x, y) of the last frame's camera.
    Math::Vector3f pixelDirection(int x, int y) const;
    // Texel (x, y) of the HDR target (linear radiance) and of the 8-bit frame (0..255).
    Math::Vector4f hdrTexel(int x, int y);
    Math::Vector4f frameTexel(int x, int y);
    void readBack();

    std::unique_ptr<SceneRenderer> m_renderer;
    bool m_effects = false;  // the renderer's screen-space, light-list, cloud and mirror passes
    ModuleSession m_session;
    std::vector<float> m_hdr;
    std::vector<unsigned char> m_frame;
    int m_width = 0, m_height = 0;
};

float luminance(const Math::Vector3f& c);

}  // namespace glhost::test
