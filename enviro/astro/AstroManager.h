#pragma once
// The astronomy manager: sun, moon, planets and stars for a local date, time and place in the
// game world, and the spectrum of sunlight.
//
// Use: Init() once (configuration "LuaScripts\Astro.cfg", light bitmap, star catalogue, spectral
// curves); then, whenever they change, setDateTime and setPos; then read the sky through the
// getters, which recompute a result only after setPos has rebuilt the horizon frame. Render
// thread only; nothing here throws.
//
// Units: angles in radians; dates are local civil time (one hour ahead of universal time); world
// positions in metres with X north, Y up, Z east; one radian of latitude or longitude per
// 111319.49 m of world distance. World directions are unit vectors of that frame.
#include <cstdint>
#include <string>
#include <vector>

#include "enviro/EnviroApi.h"
#include "enviro/astro/StarDesc.h"
#include "enviro/astro/StarRecord.h"
#include "enviro/astro/Vec3D.h"
#include "enviro/host/CommonServices.h"
#include "enviro/host/MathVector.h"

namespace Astro {

class SampledCurve;
class UniformCurve;

class ENVIRO_API AstroManager {
public:
    // A colour point of the host's two editable lists.
    struct Colorpoint {
        float fKey;                     // position on its ramp (meaning left to the host)
        Math::Vector<4, float> vColor;  // red, green, blue, alpha
    };

    AstroManager();
    // Copies own their own star records and spectral curves (deep copies), and reload the light
    // bitmap through the common services (its pixels are the host's), copying the source's
    // pixels over it when the sizes agree; a bitmap that cannot be reloaded stays empty. A copy
    // that runs out of memory owns nothing and is not initialised (Init may then be called on it);
    // nothing leaks and nothing is thrown.
    AstroManager(const AstroManager& other);
    AstroManager& operator=(const AstroManager& other);
    ~AstroManager();

    // ---- lifecycle ----
    // Reads "LuaScripts\Astro.cfg" (keys Timezone, Longtidue, Lattidue, Equinox, Epoch,
    // MinStarsMagnitude, MaxStarsMagnitude, ApparentPlanets, all optional; a number that is not
    // finite, such as 1/0 or 0/0, counts as an absent key and gives the default), loads
    // "graphics\sky\light.bmp" and the star cache "PPMbin.dat" (built from "PPM.dat" when absent)
    // through the common services and makes the spectral curves. True when ready (also when
    // already initialised); false when the configuration is missing or empty, the star cache can
    // neither be opened nor built, or memory runs out (then everything Init took is released).
    // A failed Init changes nothing visible and may be retried.
    bool Init();
    bool isInitialised() const { return m_bInitialised; }

    // ---- time and place ----
    // Local civil date and time. The instant used is one hour earlier (the time zone setting
    // takes no part). The sky follows at the next setPos, and only when the sidereal time moved
    // by more than 0.001 rad (about 13.7 s). A second that is not a finite number leaves the
    // instant unchanged (the values are still stored for getDateTime).
    void setDateTime(int year, int month, int day, int hour, int minute, float second);
    // The six values last given to setDateTime, unchanged (undefined before the first call).
    void getDateTime(int& year, int& month, int& day, int& hour, int& minute, float& second) const;
    // Observer position in the world frame, metres. Rebuilds the horizon frame when the date
    // moved (see setDateTime) or the position moved by more than 500 m on some axis. A position
    // with a coordinate that is not a finite number is ignored.
    void setPos(double x, double y, double z);
    // Geographic longitude and latitude (radians) → world position (x north, z east; y untouched).
    void polar2plane(double const& longitude, double const& latitude, Math::Vector<3, double>& out);
    // World position → geographic longitude and latitude (radians).
    void plane2polar(double& longitude, double& latitude, Math::Vector<3, double> const& in);
    // Radians added to the sun's elevation (ignored up to 0.01 in magnitude).
    float getSunOffset() const { return m_fSunOffset; }
    void setSunOffset(float radians);

    // ---- sun and moon (zero before Init and before the first setPos after it) ----
    Math::Vector<3, float> getSunPos();
    Math::Vector<3, float> getMoonPos();
    // 0 at new moon, 1 at full moon, linear in the elongation.
    double getMoonPhase();
    // Orientation of the lit side of the moon's disc, radians in (−π/2, 3π/2].
    double getMoonAngle();

    // ---- stars, planets, Milky Way ----
    // The catalogue stars (load order) followed by Mercury, Venus, Mars, Jupiter, Saturn, Uranus,
    // Neptune, Pluto. Owned by the manager; valid until the next call that rebuilds it. Before
    // Init the list is empty; when memory runs out it comes back empty and is rebuilt by the next
    // call.
    // Planets: by default each is placed along its heliocentric ecliptic vector taken as a
    // direction of the true equator of date, with fixed magnitudes (0, 0, 0, 0, 0, 3, 5, 5). With
    // ApparentPlanets = 1 in the configuration each stands at its apparent geocentric place of
    // date (light time, ecliptic to true equator, annual aberration) with the visual magnitude of
    // its distances and phase angle (Saturn without its rings).
    std::vector<STARDESC>* getStars();
    // True exactly once after each horizon rebuild.
    bool needStarsUpdate();
    // The galactic centre (named pole) and the north galactic pole (named centre), world frame.
    Math::Vector<3, float> getMilkyPole();
    Math::Vector<3, float> getMilkyCenter();

    // ---- scene lighting ----
    // Once per frame: turns the sun, the moon, the moon's phase and the fog effector's overcast
    // into an ambient and a directional light, with colours from the light bitmap, and stores
    // both in the effector manager (addLight, then every light record set to state 1). Also sets
    // the light effector's ambient-cube strength. The directional light follows the brighter of
    // the sun and moon ramps: a difference above 0.1 switches it at once, a smaller one drifts
    // it at 1/120 per second of the tick counter (the first call after Init moves nothing).
    // Without a fog effector the sky counts as clear. Without an effector manager the colours
    // are still computed (getAmbientColor, getLightColor) but no light is stored and the
    // ambient-cube strength is not set. The argument is not used.
    void applyLighting(float unused);
    // The colours of the last applyLighting (r, g, b; alpha 0); zero before the first one.
    Math::Vector<4, float> getAmbientColor() const { return m_vAmbientColor; }
    Math::Vector<4, float> getLightColor() const { return m_vLightColor; }

    // Light bitmap (24-bit; its column is the elevation of the light source, rows 3H/8 ambient,
    // H/8 sunlight, 5H/8 ambient-cube strength, 7H/8 moonlight). Replaces the pixels with those
    // of bitmap when both hold the same number of bytes (the sun position is then recomputed at
    // its next read); a null bitmap, one of another byte size or one without pixels while
    // claiming a size is ignored.
    void SetLightBMP(BITMAP_* bitmap);
    // Releases the light bitmap and loads the named file through the common services; the name
    // is kept for getLightBMPFileName. A file that cannot be loaded leaves the bitmap empty (the
    // lights then read black). A null name changes nothing.
    void SetLightBMP(const char* fileName);
    // The name last given to SetLightBMP(const char*), "" otherwise. Valid until the next call.
    const char* getLightBMPFileName() const;

    // ---- colour points: two lists kept for the host (true → list 1, false → list 0) ----
    // Points keep the order of adding; nothing here sorts or reads them.
    // Appends a copy; returns its index, or -1 for a null point or when memory runs out.
    int addPoint(Colorpoint* point, bool list);
    // Removes the point at index (later points move down); an index outside the list does nothing.
    void delPoint(int index, bool list);
    // Copies every point into out and returns the count; returns 0 and writes nothing when
    // capacity is below the count or out is null.
    int getAllPoints(Colorpoint* out, int capacity, bool list);
    // Overwrites the point at index; an index outside the list or a null point does nothing.
    void setPointByNum(int index, Colorpoint* point, bool list);
    // Copies the point at index into out; an index outside the list leaves out untouched.
    void getPointByNum(int index, Colorpoint* out, bool list);

    // ---- spectral sunlight (no effect before Init) ----
    // The unattenuated solar spectrum (both arguments unused).
    void ComputeSunlight(double theta, int turbidity);
    // Sunlight at the ground for a solar zenith angle (radians) and a turbidity.
    void ComputeAttenuatedSunlight(double theta, int turbidity);
    // CIE XYZ of a 91-sample spectrum on 350..800 nm (for example the last computed one).
    void get_tristim(double* spectrum, double* xyz);
    // The last computed spectrum, 91 values on 350, 355, …, 800 nm (zero until computed).
    const double* getSunSpectrum() const { return m_adSunSpectrum; }

private:
    // Indices of the dirty flags (m_bDirty, two rows of nine, flattened).
    enum DirtyFlag {
        kDirtyStars = 0,
        kDirtySunPos,
        kDirtyMoonPos,
        kDirtyMoonPhase,
        kDirtyMoonAngle,
        kDirtyPlanets,
        kDirtyMilkyCenter,
        kDirtyMilkyPole,
        kDirtyNeedStarsUpdate,
        kDirtyFlagCount = 18
    };
    bool isDirty(DirtyFlag f) const { return m_bDirty[f / 9][f % 9]; }
    void setDirty(DirtyFlag f, bool value) { m_bDirty[f / 9][f % 9] = value; }
    void setAllDirty(bool value);

    // A direction of the true equator of date → unit direction in the world frame.
    Math::Vector<3, float> coordsToPlane(Vec3D direction) const;
    void updatePlanets();
    // The apparent geocentric places and magnitudes of Mercury to Pluto (ApparentPlanets = 1).
    void placeApparentPlanets();
    Math::Vector<3, float> milkyWayDirection(double rightAscension, double declination) const;
    // Converts "PPM.dat" into "PPMbin.dat" in the working directory.
    void buildStarsCatalog(float minMagnitude, float maxMagnitude);
    bool initialise();
    // Loads every record of the file; false when a record cannot be allocated.
    bool loadStars(CPackageFile* file);
    bool createSpectralCurves();
    void rebuildSunlightCurve();
    bool copyFrom(const AstroManager& other);
    void copyOrEmpty(const AstroManager& other);
    void releaseOwned();
    // Scene lighting steps (applyLighting).
    float clearSkyFactor() const;
    void chooseSunOrMoon(const Math::Vector<4, float>& sun, const Math::Vector<4, float>& moon);
    void advanceMoonBlend();
    void storeLights(const Math::Vector<3, float>& direction) const;
    std::vector<Colorpoint>& pointList(bool list) { return list ? m_vColorPoints1 : m_vColorPoints0; }
    // Colour of the sun for the lighting; always (0, 0, 0, 0).
    Math::Vector<4, float> getSunColor(bool unused);

    friend class AstroManagerProbe;  // read-only view of the state for the module's tests
    friend class AstroManagerLightingProbe;  // the lighting state, for the module's tests

    // Members in their interface order.
    std::string m_strLightBMP;                 // file name given to SetLightBMP(const char*)
    BITMAP_ m_bmpLight;                        // the 24-bit light-colour bitmap
    Math::Vector<4, float> m_vAmbientColor;    // ambient colour of the scene lighting
    Math::Vector<4, float> m_vLightColor;      // directional light colour of the scene lighting
    float m_fSunOffset;                        // sun elevation offset, radians
    uint32_t m_dwLastTick;                     // millisecond tick of the last lighting update (0 none)
    float m_fMoonBlend;                        // 0..1 blend of the directional light, sun to moon
    float m_fMoonBlendDir;                     // +1 or −1, direction of the blend
    bool m_bInitialised;                       // Init completed
    bool m_bUpdateAll;                         // rebuild the horizon frame at the next setPos
    bool m_bDirty[2][9];                       // per-result dirty flags (DirtyFlag)
    std::vector<StarRecord*> m_vpStars;        // loaded catalogue, owned
    std::vector<STARDESC> m_vStars;            // the exported sky list
    Math::Vector<3, float> m_vSunPos;          // cached sun direction
    double m_adSunSpectrum[91];                // last spectrum, 350..800 nm by 5 nm
    UniformCurve* m_pSolarCurve;               // extraterrestrial solar spectrum, owned
    UniformCurve* m_pSunlightCurve;            // curve of m_adSunSpectrum, owned
    SampledCurve* m_pOzoneCurve;               // ozone absorption, owned
    SampledCurve* m_pGasCurve;                 // mixed-gas absorption, owned
    SampledCurve* m_pWaterCurve;               // water-vapour absorption, owned
    Math::Vector<3, float> m_vMoonPos;         // cached moon direction
    double m_dMoonPhase;                       // cached phase, 0..1
    double m_dMoonAngle;                       // cached lit-side angle, radians
    Math::Vector<3, float> m_vMilkyCenter;     // cached north galactic pole direction
    Math::Vector<3, float> m_vMilkyPole;       // cached galactic centre direction
    Math::Vector<3, float> m_avPlanets[10];    // Sun, Mercury, …, Pluto world directions
    std::vector<Colorpoint> m_vColorPoints1;   // colour-point list "true"
    std::vector<Colorpoint> m_vColorPoints0;   // colour-point list "false"
    int m_nYear, m_nMonth, m_nDay, m_nHour, m_nMinute;  // last setDateTime
    float m_fSecond;
    double m_dBaseLatitude;                    // configured latitude of the world origin, radians
    double m_dBaseLongitude;                   // configured east longitude of the world origin, radians
    double m_dGMST;                            // sidereal time of the last frame rebuild, radians
    double m_dMJD;                             // Modified Julian Date of the instant (UT)
    double m_dT;                               // Julian centuries since J2000 of the instant
    float m_fTimezone;                         // configured time zone, hours (stored only)
    double m_dLastPosX, m_dLastPosY, m_dLastPosZ;  // last accepted world position, metres
    double m_dLatitude;                        // observer latitude, radians
    double m_dLongitude;                       // observer east longitude, radians
    float m_mHorizon[9];                       // true equator of date → world (rows north, up, east)
    bool m_bApparentPlanets = false;           // configured ApparentPlanets = 1
    float m_afPlanetMagnitudes[10] = {};       // apparent visual magnitudes by body (ApparentPlanets)
};

}  // namespace Astro

// The one astronomy manager of the process, created when the module is attached.
ENVIRO_API extern Astro::AstroManager* g_AstroManager;
