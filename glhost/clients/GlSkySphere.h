#pragma once
// "SkySphere" on the GPU: the sky dome, drawn into the colour target in force (depth untouched)
// with the current camera's view directions (shaders/sky.frag, shaders/stars.vert).
// - draw(0): the sky of the model in every pixel (reflections, cube faces).
// - draw(2): the same with the sun's disc and glow, the moon lit by its phase and the angle of its
//   lit side, the Milky Way and the stars and planets of getStars as points sized by magnitude.
// Per pixel the dome evaluates the sky model from the sky's own coefficient block, refreshed at
// every draw for the frame's sun and altitude, so a dome pixel equals getSkyColor for its view
// direction. Output: linear radiance in the sky model's unit.
// What the sky shows comes from the host once per frame (setFrame); before that, and without a
// camera or enviro::sky, draw does nothing.
#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "enviro/astro/StarDesc.h"
#include "enviro/host/RenderClients.h"
#include "glhost/GlDevice.h"

namespace glhost {

struct SkyFrame {
    Math::Vector4f sun{0.0f, 1.0f, 0.0f, 0.0f};  // as given to getSkyColor (world frame)
    float altitude = 0.0f;                       // viewer altitude for the sky model
    Math::Vector3f sunColor{0.0f, 0.0f, 0.0f};   // radiance of the sun's disc
    Math::Vector3f moon{0.0f, -1.0f, 0.0f};      // unit direction
    float moonPhase = 0.0f;                      // getMoonPhase: 0 new .. 1 full
    float moonAngle = 0.0f;                      // getMoonAngle, radians
    float moonBrightness = 0.0f;                 // radiance of the full moon's lit face
    const std::vector<Astro::STARDESC>* stars = nullptr;  // kept by the caller
    bool starsChanged = false;                   // the list was rebuilt (needStarsUpdate)
    float starFlux = 0.0f;                       // radiance of a magnitude 0 star
    Math::Vector3f galacticCentre{1.0f, 0.0f, 0.0f};
    Math::Vector3f galacticNorthPole{0.0f, 1.0f, 0.0f};
    float milkyWayBrightness = 0.0f;
};

class GlSkySphere final : public renderBase::ISkySphere {
public:
    static constexpr float kSunRadius = 0.0093f;   // angular radius, radians (twice the true one)
    static constexpr float kMoonRadius = 0.0120f;  // angular radius, radians

    static std::unique_ptr<GlSkySphere> create(GlDevice& device, std::string& error);
    ~GlSkySphere() override;

    const char* getClientName() const override { return kName; }
    void draw(int mode) override;

    void setFrame(const SkyFrame& frame);
    int drawCount() const { return m_draws; }

private:
    GlSkySphere(GlDevice& device, GlShader& sky, GlShader& stars);
    void setSkyModel(GlShader& program, const Math::Vector3f& sunDir);
    void uploadStars();
    void drawStars(const Math::Matrix4f& rotationProj);

    GlDevice& m_device;
    GlShader& m_sky;
    GlShader& m_stars;
    GLuint m_starBuffer = 0, m_starArray = 0;
    int m_starCount = 0;
    SkyFrame m_frame;
    bool m_hasFrame = false;
    int m_draws = 0;
};

}  // namespace glhost
