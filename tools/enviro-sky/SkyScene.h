#pragma once
// Starts the module on the reference host as a host program would (createEnviro, Init,
// sky->init), moves it to an instant and a place, and takes what the previews show.
#include <memory>
#include <string>
#include <vector>

#include "CivilTime.h"
#include "enviro/astro/StarDesc.h"
#include "enviro/host/MathVector.h"

namespace refhost {
class ReferenceHost;
}

namespace skytool {

extern const char* const kPlanetNames[8];

// Everything the module says about one instant and place.
struct SkySnapshot {
    double unixSeconds = 0.0;
    ModuleDateTime moduleTime{};       // what setDateTime was given
    Math::Vector<3, float> sun, moon;  // unit directions, world frame (X north, Y up, Z east)
    double moonPhase = 0.0;            // 0 new .. 1 full
    double moonAngle = 0.0;            // getMoonAngle, radians
    std::vector<Astro::STARDESC> stars;  // catalogue stars, then the 8 planets
    Math::Vector<3, float> galacticCentre, galacticNorthPole;
    Math::Vector<4, float> ambient, light;  // after applyLighting
    float altitudeM = 0.0f;
};

class SkyScene {
public:
    SkyScene();
    ~SkyScene();
    SkyScene(const SkyScene&) = delete;
    SkyScene& operator=(const SkyScene&) = delete;

    // Enters dataDir (the star cache is written there), installs the host and starts the module.
    // False with the reason in error when the module cannot start.
    bool start(const std::string& dataDir, std::string& error);
    // Sets the instant (seconds since 1970 UTC) and the observer, then reads the module.
    SkySnapshot observe(double unixSeconds, double latitudeDeg, double longitudeDeg, double altitudeM);
    // Sets the fog effector's visibility (metres); no effect without a fog effector.
    void setVisibility(float metres);

private:
    std::unique_ptr<refhost::ReferenceHost> m_host;
    bool m_started = false;
    unsigned m_ticks = 1;
};

// Elevation and azimuth (from north through east) of a world direction, degrees.
double elevationDeg(const Math::Vector<3, float>& d);
double azimuthDeg(const Math::Vector<3, float>& d);

}  // namespace skytool
