#include "DemoEffects.h"

#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "glhost/scene/DemoLights.h"
#include "glhost/scene/DemoTown.h"

namespace demotool {

namespace {

// The pavilion: a glass box on the lake shore, south-west of the water.
const Math::Vector3d kPavilion(-28.0, 0.0, 212.0);
constexpr float kPavilionHalfX = 7.0f, kPavilionHalfZ = 4.5f, kPavilionHeight = 5.0f;
constexpr float kExclusionRadius = 40.0f;  // clouds stay out of the air round the pavilion
constexpr double kCloudTile = 4000.0;      // metres of one tile of the cloud pattern
const Math::Vector3d kWind(3.0, 0.0, 2.0); // metres per second

double pavilionGround() { return glhost::DemoTown::groundHeight(float(kPavilion.x), float(kPavilion.z)); }

}  // namespace

DemoEffects::DemoEffects(glhost::SceneRenderer& renderer) : m_renderer(renderer) {
    glhost::MeshData glass;
    const double y = pavilionGround();
    const Math::Vector3f lo(float(kPavilion.x) - kPavilionHalfX, float(y), float(kPavilion.z) - kPavilionHalfZ);
    const Math::Vector3f hi(float(kPavilion.x) + kPavilionHalfX, float(y) + kPavilionHeight,
                            float(kPavilion.z) + kPavilionHalfZ);
    glass.addBox(lo, hi, Math::Vector3f(0.55f, 0.7f, 0.75f));
    m_pavilion = std::make_unique<glhost::GlMesh>(glass);
    glhost::SceneEffects::Settings& effects = renderer.effects().settings();
    effects.probe = Math::Vector3d(kPavilion.x + 14.0, y + 4.0, kPavilion.z - 6.0);
    effects.waterLevel = glhost::DemoTown::kWaterLevel;
}

void DemoEffects::start() {
    const Math::Vector3d centre(kPavilion.x, pavilionGround() + kPavilionHeight * 0.5, kPavilion.z);
    m_renderer.effects().setTransparent(m_pavilion.get(), centre, kExclusionRadius);
}

void DemoEffects::update(const glhost::SceneFrame& frame, double seconds) {
    const glhost::ModuleTime& t = frame.time;
    g_AstroManager->setDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
    g_AstroManager->setPos(frame.observer.x, frame.observer.y, frame.observer.z);
    glhost::DemoLights::update(seconds, g_AstroManager->getSunPos().y, m_renderer.effects().lights());
    glhost::CloudLayer clouds;
    clouds.tileSize = kCloudTile;
    clouds.coverage = 0.35f;
    clouds.opacity = 0.75f;
    // The pattern repeats every tile: the drift is kept within one.
    clouds.drift = Math::Vector3d(std::fmod(kWind.x * seconds, kCloudTile), 0.0, std::fmod(kWind.z * seconds, kCloudTile));
    m_renderer.effects().setCloudLayer(clouds);
}

}  // namespace demotool
