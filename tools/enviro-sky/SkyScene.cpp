#include "SkyScene.h"

#include <unistd.h>

#include <cmath>

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/sky/Sky.h"
#include "refhost/ReferenceHost.h"

namespace skytool {

const char* const kPlanetNames[8] = {"Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto"};

namespace {
constexpr double kDegrees = 180.0 / 3.14159265358979323846;
}

double elevationDeg(const Math::Vector<3, float>& d) {
    const double len = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
    return len > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, d.y / len))) * kDegrees : 0.0;
}

double azimuthDeg(const Math::Vector<3, float>& d) {
    double a = std::atan2(double(d.z), double(d.x)) * kDegrees;
    return a < 0.0 ? a + 360.0 : a;
}

SkyScene::SkyScene() = default;

SkyScene::~SkyScene() {
    if (!m_started) return;
    if (effector::effectorMan) {
        effector::effectorMan->close();
        delete effector::effectorMan;
        effector::effectorMan = nullptr;
    }
    enviro::onProcessDetach();
    m_host->uninstall();
}

bool SkyScene::start(const std::string& dataDir, std::string& error) {
    if (chdir(dataDir.c_str()) != 0) {
        error = "cannot enter the data folder \"" + dataDir + "\"";
        return false;
    }
    m_host = std::make_unique<refhost::ReferenceHost>(".");
    m_host->install();
    m_host->os().setTicks(m_ticks);  // a steady clock: the lighting's drift depends only on the calls
    enviro::onProcessAttach();
    createEnviro();
    m_started = true;
    if (!effector::effectorMan || !g_AstroManager || !enviro::sky) {
        error = "the module did not start (effector manager, astronomy manager or sky missing)";
        return false;
    }
    if (!g_AstroManager->Init()) {
        error = "the astronomy manager did not start: \"LuaScripts/Astro.cfg\" missing or empty in \"" + dataDir +
                "\", or the star catalogue \"PPM.dat\" missing or the folder not writable";
        return false;
    }
    enviro::sky->init();
    return true;
}

void SkyScene::setVisibility(float metres) {
    if (!effector::effectorMan) return;
    auto* fog = static_cast<effector::FogEffector*>(effector::effectorMan->getEffectorInstance(effector::EFFECTOR_FOG));
    if (fog) fog->SetFogDistance(metres);
}

SkySnapshot SkyScene::observe(double unixSeconds, double latitudeDeg, double longitudeDeg, double altitudeM) {
    Astro::AstroManager& astro = *g_AstroManager;
    SkySnapshot s;
    s.unixSeconds = unixSeconds;
    s.altitudeM = static_cast<float>(altitudeM);
    s.moduleTime = moduleTimeFor(unixSeconds);
    const ModuleDateTime& t = s.moduleTime;
    astro.setDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);

    // The date takes effect at the next setPos; the observer is a world position.
    Math::Vector<3, double> pos(0.0, altitudeM, 0.0);
    astro.polar2plane(longitudeDeg / kDegrees, latitudeDeg / kDegrees, pos);
    astro.setPos(pos.x, pos.y, pos.z);

    s.sun = astro.getSunPos();
    s.moon = astro.getMoonPos();
    s.moonPhase = astro.getMoonPhase();
    s.moonAngle = astro.getMoonAngle();
    if (const auto* stars = astro.getStars()) s.stars = *stars;
    s.galacticCentre = astro.getMilkyPole();       // the module names the galactic centre "pole"
    s.galacticNorthPole = astro.getMilkyCenter();  // and the north galactic pole "center"
    m_ticks += 1000;
    m_host->os().setTicks(m_ticks);
    astro.applyLighting(0.0f);
    s.ambient = astro.getAmbientColor();
    s.light = astro.getLightColor();
    return s;
}

}  // namespace skytool
