// A minimal host of libenviro.so on the reference host: it installs the host's services, creates the
// effector framework, stores a light and queries it back, and asks the astronomy manager where the
// sun stands at a given instant. Usage: minimal-host [DATA_FOLDER] (default: the package's data).
#include <cmath>
#include <cstdio>

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "refhost/ReferenceHost.h"

#ifndef ENVIRO_DATA_DIR
#define ENVIRO_DATA_DIR "data"
#endif

namespace {

double degrees(double radians) { return radians * 180.0 / 3.14159265358979323846; }

// Stores a point light, queries the lights around a point, prints what came back; false on failure.
bool lightRoundTrip(effector::EffectorMan& man) {
    effector::LIGHTDESC lamp{};
    lamp.type = effector::LIGHT_POINT;
    lamp.vPos = Math::Vector3f(0, 2, 0);
    lamp.vColor = Math::Vector4f(2, 1.5f, 1, 1);
    effector::LightSource::fillAttenMaxRad(&lamp);   // range from the brightest channel
    effector::LightSource::fillAttenKMaxRad(&lamp);  // K * range^2 = 9
    const int id = man.addLight(&lamp);              // the manager keeps a copy; -1 on failure
    std::printf("Stored a point light: id %d, range %.1f, attenuation %.6f\n", id, lamp.fMaxRadius, lamp.fAttenK);

    Math::Vector3f at(5, 0, 0);
    auto* lights = man.getWeightedEffectorList(&at, effector::EFFECTOR_LIGHT, 1);
    if (id < 0 || !lights || lights->count() != 1) return false;
    const auto* back = static_cast<const effector::LIGHTDESC*>((*lights)[0]);  // the manager's copy
    std::printf("Queried back around (5, 0, 0): type %d at (%.1f, %.1f, %.1f), colour (%.1f, %.1f, %.1f)\n",
                back->type, back->vPos.x, back->vPos.y, back->vPos.z, back->vColor.x, back->vColor.y, back->vColor.z);
    man.removeEffector(id);
    return true;
}

// Where the sun stands on 21 June 2026 at 12:00 UT at the world origin (the place of Astro.cfg).
bool sunAtNoon(Astro::AstroManager& astro) {
    if (!astro.Init()) return false;                // LuaScripts/Astro.cfg, PPM.dat, light bitmap
    astro.setDateTime(2026, 6, 21, 13, 0, 0.0f);    // local time: the module subtracts one hour
    astro.setPos(0.0, 0.0, 0.0);                    // world metres: X north, Y up, Z east
    const Math::Vector3f sun = astro.getSunPos();  // unit direction in the world frame
    double azimuth = degrees(std::atan2(sun.z, sun.x));
    if (azimuth < 0) azimuth += 360.0;
    std::printf("Sun on 2026-06-21 12:00 UT: elevation %.2f deg, azimuth %.2f deg (from north through east)\n",
                degrees(std::asin(sun.y)), azimuth);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* data = argc > 1 ? argv[1] : ENVIRO_DATA_DIR;
    refhost::ReferenceHost host(data);  // files: the working directory first, then the data folder
    host.install();                     // RendAPI::pRenderApi, cam::cameraManager, PACKMAN, ...

    // Loading libenviro.so created enviro::sky and g_AstroManager; the host creates the effector
    // manager once its services are installed.
    createEnviro();
    if (!effector::effectorMan || !g_AstroManager) {
        std::fprintf(stderr, "minimal-host: the module did not start\n");
        return 1;
    }
    const bool lit = lightRoundTrip(*effector::effectorMan);
    const bool sun = sunAtNoon(*g_AstroManager);
    if (!sun) std::fprintf(stderr, "minimal-host: no astronomy data in \"%s\"\n", data);

    effector::effectorMan->close();  // drops the records and the kinds' render targets
    delete effector::effectorMan;
    effector::effectorMan = nullptr;
    host.uninstall();
    return lit && sun ? 0 : 1;
}
