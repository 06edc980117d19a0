// enviro-info: starts the module on the reference host, as a host program would, and prints what it
// holds: the effector kinds and their record sizes, a light stored and queried back, the render
// objects the module created, and the sky of the bundled data for a fixed place and time.
// Usage: enviro-info [DATA_ROOT]; the data root defaults to the bundled data beside the program
// (P/share/enviro installed, build/data in the build tree). Files are looked up in the working
// directory first; a missing star cache PPMbin.dat is written to the working directory.
#include <cmath>
#include <cstdio>
#include <string>

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/sky/Sky.h"
#include "refhost/ReferenceHost.h"
#include "tools/common/DataFolder.h"

namespace {

const char* kindName(int kind) {
    switch (kind) {
        case effector::EFFECTOR_LIGHT: return "light";
        case effector::EFFECTOR_PSMSHADOW: return "shadow map";
        case effector::EFFECTOR_SHADOWCASTER: return "shadow caster";
        case effector::EFFECTOR_FOG: return "fog";
        case effector::EFFECTOR_REFLECTION: return "reflection";
        case effector::EFFECTOR_SKIN: return "skin";
        case effector::EFFECTOR_TRANSPARENTEXCLUSION: return "transparent exclusion";
        case effector::EFFECTOR_KINEMATIC: return "velocity field";
        default: return "?";
    }
}

void printKinds(effector::EffectorMan& man) {
    std::printf("Effector kinds:\n");
    for (int kind = 1; kind <= 9; ++kind) {
        effector::Effector* e = man.getEffectorInstance(static_cast<effector::EFFECTOR_TYPE>(kind));
        if (e) std::printf("  %d  %-22s record size %3d bytes\n", kind, kindName(kind), e->getDataSize());
    }
}

effector::LIGHTDESC pointLight(float x, float y, float z, float r, float g, float b) {
    effector::LIGHTDESC light{};
    light.type = effector::LIGHT_POINT;
    light.vPos = Math::Vector3f(x, y, z);
    light.vColor = Math::Vector4f(r, g, b, 1.0f);
    effector::LightSource::fillAttenMaxRad(&light);
    effector::LightSource::fillAttenKMaxRad(&light);
    return light;
}

void demoLights(effector::EffectorMan& man) {
    effector::LIGHTDESC sun{};
    sun.type = effector::LIGHT_DIRECTIONAL;
    sun.vPos = Math::Vector3f(0.0f, -1.0f, 0.0f);
    sun.vColor = Math::Vector4f(1.0f, 0.95f, 0.9f, 0.0f);
    effector::LIGHTDESC lamp = pointLight(0.0f, 2.0f, 0.0f, 2.0f, 1.5f, 1.0f);
    effector::LIGHTDESC torch = pointLight(30.0f, 1.0f, 0.0f, 1.0f, 0.5f, 0.2f);
    const int sunId = man.addLight(&sun);
    const int lampId = man.addLight(&lamp);
    const int torchId = man.addLight(&torch);
    std::printf("\nLights stored: sun id %d, lamp id %d, torch id %d\n", sunId, lampId, torchId);
    std::printf("  lamp range %.1f, attenuation %.6f\n", lamp.fMaxRadius, lamp.fAttenK);

    Math::Vector3f at(5.0f, 0.0f, 0.0f);
    auto* list = man.getWeightedEffectorList(&at, effector::EFFECTOR_LIGHT, 1);
    std::printf("Lights around (5, 0, 0), highest weight first:\n");
    for (int i = 0; i < list->count(); ++i) {
        auto* l = static_cast<effector::LIGHTDESC*>((*list)[i]);
        Math::Vector3f p = l->vPos;
        float w = man.getEffectorInstance(effector::EFFECTOR_LIGHT)->getWeight(l, &at, 1.0f);
        std::printf("  type %d at (%.1f, %.1f, %.1f) weight %.3f\n", l->type, p.x, p.y, p.z, w);
    }
}

double degrees(double radians) { return radians * 57.29577951308232; }

// Elevation above the horizon and azimuth from north through east, degrees, of a world direction
// (X north, Y up, Z east).
void printDirection(const char* name, const Math::Vector3f& d) {
    double azimuth = degrees(std::atan2(d.z, d.x));
    if (azimuth < 0) azimuth += 360.0;
    std::printf("  %-5s elevation %6.2f deg, azimuth %6.2f deg\n", name, degrees(std::asin(d.y)), azimuth);
}

void demoSky() {
    std::printf("\nAstronomy (LuaScripts\\Astro.cfg, PPM.dat):\n");
    if (!g_AstroManager || !g_AstroManager->Init()) {
        std::printf("  Init failed: the configuration or the star catalogue is missing\n");
        return;
    }
    // 21 June 2026, 12:00 UT at the world origin: the module takes local time = UT + 1 h.
    g_AstroManager->setDateTime(2026, 6, 21, 13, 0, 0.0f);
    g_AstroManager->setPos(0.0, 0.0, 0.0);
    const Math::Vector3f sun = g_AstroManager->getSunPos();
    printDirection("sun", sun);
    printDirection("moon", g_AstroManager->getMoonPos());
    std::printf("  moon phase %.3f (0 new, 1 full)\n", g_AstroManager->getMoonPhase());
    const std::vector<Astro::STARDESC>* stars = g_AstroManager->getStars();
    int above = 0;
    for (const Astro::STARDESC& star : *stars) above += star.vPos.y > 0.0f ? 1 : 0;
    std::printf("  %zu stars and planets listed, %d above the horizon\n", stars->size(), above);

    if (!enviro::sky) return;
    enviro::sky->init();
    Math::Vector3f zenith(0.0f, 1.0f, 0.0f), rgb(0.0f, 0.0f, 0.0f);
    Math::Vector4f sun4(sun.x, sun.y, sun.z, 0.0f);
    enviro::sky->getSkyColor(zenith, sun4, 0.0f, &rgb);
    std::printf("  clear sky at the zenith: linear RGB (%.3f, %.3f, %.3f)\n", rgb.x, rgb.y, rgb.z);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dataRoot = argc > 1 ? argv[1] : tools::defaultDataFolder();
    refhost::ReferenceHost host(dataRoot);
    host.install();
    enviro::onProcessAttach();
    createEnviro();
    if (!effector::effectorMan) {
        std::fprintf(stderr, "enviro-info: the effector manager could not be created\n");
        return 1;
    }
    std::printf("enviro on the reference host (data root \"%s\")\n", dataRoot.c_str());
    std::printf("Sky %s, astronomy manager %s\n\n", enviro::sky ? "created" : "missing",
                g_AstroManager ? "created" : "missing");
    printKinds(*effector::effectorMan);
    demoLights(*effector::effectorMan);
    std::printf("\nRender objects alive in the reference host: %d\n", host.renderApi().liveObjectCount());
    demoSky();

    effector::effectorMan->close();
    delete effector::effectorMan;
    effector::effectorMan = nullptr;
    enviro::onProcessDetach();
    std::printf("After shut-down: %zu leaked render objects, %d protocol errors\n",
                host.renderApi().leakedObjects().size(), host.renderApi().protocolErrors());
    host.uninstall();
    return 0;
}
