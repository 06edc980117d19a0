#pragma once
// Starts the module on the reference host as a host program would (createEnviro, Init,
// sky->init), moves it to an instant and a place, and takes what the previews show.
#include <memory>
#include <string>
#include <vector>

#include "CatalogueCheck.h"
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

// The sun and the moon alone at one instant and place.
struct SunAndMoon {
    Math::Vector<3, float> sun, moon;  // unit directions, world frame
    double moonPhase = 0.0;            // getMoonPhase: 0 new .. 1 full
};

class SkyScene {
public:
    SkyScene();
    ~SkyScene();
    SkyScene(const SkyScene&) = delete;
    SkyScene& operator=(const SkyScene&) = delete;

    // Enters dataDir (the star cache is written there), checks the configuration and the star
    // catalogue (rebuilding the cache when needed), installs the host and starts the module.
    // False with the reason in error when it cannot start: a missing configuration, a
    // configuration with an error (its file and line), no usable catalogue or a cache that cannot
    // be written each have their own message. What was repaired or is missing but not needed
    // (the light bitmap) is in warnings().
    bool start(const std::string& dataDir, std::string& error);
    // Sets the instant (seconds since 1970 UTC) and the observer, then reads the module (the star
    // list only withStars).
    SkySnapshot observe(double unixSeconds, double latitudeDeg, double longitudeDeg, double altitudeM,
                        bool withStars = true);
    // The same for the sun and moon only (the star list is not rebuilt).
    SunAndMoon sunAndMoon(double unixSeconds, double latitudeDeg, double longitudeDeg, double altitudeM);

    const std::vector<std::string>& warnings() const { return m_warnings; }
    const CatalogueStatus& catalogue() const { return m_catalogue; }
    // The configuration asks for the planets at their apparent places (ApparentPlanets = 1).
    bool apparentPlanets() const { return m_apparentPlanets; }
    // Sets the fog effector's visibility (metres); no effect without a fog effector.
    void setVisibility(float metres);

private:
    bool checkData(const std::string& dataDir, std::string& error);
    void warnIfNoLightBitmap();
    // Gives the module the instant exactly: it follows a new date only when the sidereal time
    // moved by more than 0.001 rad, so it is first sent half a day away.
    ModuleDateTime setInstant(double unixSeconds);
    void setPlace(double latitudeDeg, double longitudeDeg, double altitudeM);

    std::unique_ptr<refhost::ReferenceHost> m_host;
    std::vector<std::string> m_warnings;
    CatalogueStatus m_catalogue;
    bool m_apparentPlanets = false;
    bool m_started = false;
    unsigned m_ticks = 1;
};

// Elevation and azimuth (from north through east) of a world direction, degrees.
double elevationDeg(const Math::Vector<3, float>& d);
double azimuthDeg(const Math::Vector<3, float>& d);

}  // namespace skytool
