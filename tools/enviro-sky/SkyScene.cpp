#include "SkyScene.h"

#include <unistd.h>

#include <cmath>

#include "enviro/Enviro.h"
#include "enviro/host/CommonServices.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/sky/Sky.h"
#include "refhost/ReferenceHost.h"

namespace skytool {

const char* const kPlanetNames[8] = {"Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto"};

namespace {
constexpr double kDegrees = 180.0 / 3.14159265358979323846;
const char* const kConfigName = "LuaScripts\\Astro.cfg";
const char* const kLightBitmapName = "graphics\\sky\\light.bmp";
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
    if (!checkData(dataDir, error)) return false;
    enviro::onProcessAttach();
    createEnviro();
    m_started = true;
    if (!effector::effectorMan || !g_AstroManager || !enviro::sky) {
        error = "the module did not start (effector manager, astronomy manager or sky missing)";
        return false;
    }
    if (!g_AstroManager->Init()) {
        error = "the astronomy manager did not start from the data folder \"" + dataDir + "\"";
        return false;
    }
    enviro::sky->init();
    warnIfNoLightBitmap();
    return true;
}

// What Init needs, checked one cause at a time so that each failure says what is wrong.
bool SkyScene::checkData(const std::string& dataDir, std::string& error) {
    const std::string configFile = dataDir + "/LuaScripts/Astro.cfg";
    if (access("LuaScripts/Astro.cfg", R_OK) != 0) {
        error = "the configuration \"" + configFile + "\" is missing or unreadable";
        return false;
    }
    const CFGREADER config(kConfigName, true, false);  // through the installed host, as Init reads it
    if (!m_host->services().lastConfigError().empty()) {
        error = "the configuration has an error: " + m_host->services().lastConfigError();
        return false;
    }
    if (config.GetLoadedCount() <= 0) {
        error = "the configuration \"" + configFile + "\" has no settings";
        return false;
    }
    const float minMagnitude = config.GetVarFloat("MinStarsMagnitude", 0.0f);
    const float maxMagnitude = config.GetVarFloat("MaxStarsMagnitude", 0.0f);
    m_apparentPlanets = config.GetVarInt("ApparentPlanets", 0) == 1;
    if (!checkCatalogue(minMagnitude, maxMagnitude, m_catalogue, error)) {
        error += " in the data folder \"" + dataDir + "\"";
        return false;
    }
    // A first start builds the cache without a word, as the module does; a repair is said.
    if (!m_catalogue.rebuiltBecause.empty() && (m_catalogue.skippedLines > 0 || !m_catalogue.cacheWasMissing)) {
        std::string note = m_catalogue.rebuiltBecause + ": rebuilt from \"PPM.dat\" with " +
                           std::to_string(m_catalogue.stars) + " stars";
        if (m_catalogue.skippedLines > 0) {
            note += "; " + std::to_string(m_catalogue.skippedLines) + " damaged line(s) skipped (line";
            for (size_t i = 0; i < m_catalogue.skippedLineNumbers.size(); ++i)
                note += (i ? ", " : " ") + std::to_string(m_catalogue.skippedLineNumbers[i]);
            note += m_catalogue.skippedLines > static_cast<int>(m_catalogue.skippedLineNumbers.size()) ? ", ...)" : ")";
        }
        m_warnings.push_back(note);
    }
    return true;
}

void SkyScene::warnIfNoLightBitmap() {
    BITMAP_ bitmap{nullptr, 0, 0, 0};
    if (m_host->services().loadBitmap24(&bitmap, kLightBitmapName)) {
        m_host->services().freeBitmap(&bitmap);
        return;
    }
    m_warnings.push_back("the light bitmap \"graphics/sky/light.bmp\" cannot be read (" +
                         m_host->services().lastBitmapError() +
                         "): the module's ambient and directional light are black all day");
}

void SkyScene::setVisibility(float metres) {
    if (!effector::effectorMan) return;
    auto* fog = static_cast<effector::FogEffector*>(effector::effectorMan->getEffectorInstance(effector::EFFECTOR_FOG));
    if (fog) fog->SetFogDistance(metres);
}

ModuleDateTime SkyScene::setInstant(double unixSeconds) {
    const ModuleDateTime away = moduleTimeFor(unixSeconds + 43200.0);
    g_AstroManager->setDateTime(away.year, away.month, away.day, away.hour, away.minute, away.second);
    const ModuleDateTime t = moduleTimeFor(unixSeconds);
    g_AstroManager->setDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
    return t;
}

// The date takes effect at the next setPos; the observer is a world position.
void SkyScene::setPlace(double latitudeDeg, double longitudeDeg, double altitudeM) {
    Math::Vector<3, double> pos(0.0, altitudeM, 0.0);
    g_AstroManager->polar2plane(longitudeDeg / kDegrees, latitudeDeg / kDegrees, pos);
    g_AstroManager->setPos(pos.x, pos.y, pos.z);
    // The camera stands at the observer, the drawing frame's origin on the ground below it: the
    // fog's overcast, which the day's light reads, follows the camera's world height.
    m_host->camera().placeInWorld(pos, Math::Vector<3, double>(pos.x, 0.0, pos.z));
}

SunAndMoon SkyScene::sunAndMoon(double unixSeconds, double latitudeDeg, double longitudeDeg, double altitudeM) {
    setInstant(unixSeconds);
    setPlace(latitudeDeg, longitudeDeg, altitudeM);
    SunAndMoon s;
    s.sun = g_AstroManager->getSunPos();
    s.moon = g_AstroManager->getMoonPos();
    s.moonPhase = g_AstroManager->getMoonPhase();
    return s;
}

SkySnapshot SkyScene::observe(double unixSeconds, double latitudeDeg, double longitudeDeg, double altitudeM,
                              bool withStars) {
    Astro::AstroManager& astro = *g_AstroManager;
    SkySnapshot s;
    s.unixSeconds = unixSeconds;
    s.altitudeM = static_cast<float>(altitudeM);
    s.moduleTime = setInstant(unixSeconds);
    setPlace(latitudeDeg, longitudeDeg, altitudeM);

    s.sun = astro.getSunPos();
    s.moon = astro.getMoonPos();
    s.moonPhase = astro.getMoonPhase();
    s.moonAngle = astro.getMoonAngle();
    if (const auto* stars = withStars ? astro.getStars() : nullptr) s.stars = *stars;
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
