// The astronomy manager's lifecycle: construction, copies, Init and destruction.
#include "enviro/astro/AstroManager.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "enviro/astro/CatalogFrame.h"
#include "enviro/astro/SpectralCurve.h"
#include "enviro/astro/SpectralSunlight.h"
#include "enviro/astro/StarCatalog.h"

namespace Astro {

namespace {

const char* const kConfigFile = "LuaScripts\\Astro.cfg";
const char* const kLightBitmapFile = "graphics\\sky\\light.bmp";
const char* const kStarCacheFile = "PPMbin.dat";
constexpr long kMaxReservedStars = 4000000;
constexpr double kFirstPosition = -10000.0;  // metres: far from anywhere, so the first setPos rebuilds

// Year of the configuration → Julian centuries since J2000.
double centuriesFromYear(float year) { return (static_cast<double>(year) - 2000.0) * 0.01; }

double radiansFromDegrees(float degrees) { return static_cast<double>(degrees) * 3.141592653589793 / 180.0; }

// A number of the configuration (every one defaults to 0); one that is not finite (1/0, 0/0 in the
// file) counts as absent.
float configNumber(const CFGREADER& config, const char* key) {
    const float value = config.GetVarFloat(key, 0.0f);
    return std::isfinite(value) ? value : 0.0f;
}

template <class Curve>
Curve* cloneCurve(const Curve* c) {
    return c ? new (std::nothrow) Curve(*c) : nullptr;
}

}  // namespace

AstroManager::AstroManager()
    : m_bmpLight{nullptr, 0, 0, 0},
      m_vAmbientColor(0, 0, 0, 0),
      m_vLightColor(0, 0, 0, 0),
      m_fSunOffset(0.0f),
      m_dwLastTick(0),
      m_fMoonBlend(0.0f),
      m_fMoonBlendDir(-1.0f),
      m_bInitialised(false),
      m_bUpdateAll(true),
      m_bDirty{},
      m_vSunPos(0, 0, 0),
      m_adSunSpectrum{},
      m_pSolarCurve(nullptr),
      m_pSunlightCurve(nullptr),
      m_pOzoneCurve(nullptr),
      m_pGasCurve(nullptr),
      m_pWaterCurve(nullptr),
      m_vMoonPos(0, 0, 0),
      m_dMoonPhase(0.0),
      m_dMoonAngle(0.0),
      m_vMilkyCenter(0, 0, 0),
      m_vMilkyPole(0, 0, 0),
      m_nYear(0),
      m_nMonth(0),
      m_nDay(0),
      m_nHour(0),
      m_nMinute(0),
      m_fSecond(0.0f),
      m_dBaseLatitude(0.0),
      m_dBaseLongitude(0.0),
      m_dGMST(0.0),
      m_dMJD(0.0),
      m_dT(0.0),
      m_fTimezone(0.0f),
      m_dLastPosX(kFirstPosition),
      m_dLastPosY(kFirstPosition),
      m_dLastPosZ(kFirstPosition),
      m_dLatitude(0.0),
      m_dLongitude(0.0),
      m_mHorizon{} {
    for (Math::Vector<3, float>& p : m_avPlanets) p = Math::Vector<3, float>(0, 0, 0);
}

AstroManager::AstroManager(const AstroManager& other) : AstroManager() { copyOrEmpty(other); }

AstroManager& AstroManager::operator=(const AstroManager& other) {
    if (this != &other) {
        releaseOwned();
        copyOrEmpty(other);
    }
    return *this;
}

// A copy that runs out of memory ends as a manager that owns nothing and is not initialised.
void AstroManager::copyOrEmpty(const AstroManager& other) {
    bool copied = false;
    try {
        copied = copyFrom(other);
    } catch (...) {  // std::bad_alloc from a container or the file name
    }
    if (copied) return;
    releaseOwned();
    m_strLightBMP.clear();
    m_vColorPoints1.clear();
    m_vColorPoints0.clear();
    m_bInitialised = false;
}

AstroManager::~AstroManager() { releaseOwned(); }

void AstroManager::releaseOwned() {
    for (StarRecord* star : m_vpStars) delete star;
    m_vpStars.clear();
    m_vStars.clear();
    delete m_pSolarCurve;
    delete m_pSunlightCurve;
    delete m_pOzoneCurve;
    delete m_pGasCurve;
    delete m_pWaterCurve;
    m_pSolarCurve = m_pSunlightCurve = nullptr;
    m_pOzoneCurve = m_pGasCurve = m_pWaterCurve = nullptr;
    FreeBitmap(&m_bmpLight);
    m_bmpLight = BITMAP_{nullptr, 0, 0, 0};
}

// Member-wise copy, except that star records and curves are duplicated and the bitmap reloaded,
// so that each manager releases only what it owns. False (or std::bad_alloc from a container)
// when a star record or a curve cannot be duplicated.
bool AstroManager::copyFrom(const AstroManager& o) {
    m_strLightBMP = o.m_strLightBMP;
    m_vAmbientColor = o.m_vAmbientColor;
    m_vLightColor = o.m_vLightColor;
    m_fSunOffset = o.m_fSunOffset;
    m_dwLastTick = o.m_dwLastTick;
    m_fMoonBlend = o.m_fMoonBlend;
    m_fMoonBlendDir = o.m_fMoonBlendDir;
    m_bInitialised = o.m_bInitialised;
    m_bUpdateAll = o.m_bUpdateAll;
    std::memcpy(m_bDirty, o.m_bDirty, sizeof m_bDirty);
    m_vpStars.reserve(o.m_vpStars.size());  // the push_backs below cannot throw
    for (const StarRecord* star : o.m_vpStars) {
        StarRecord* copy = new (std::nothrow) StarRecord(*star);
        if (!copy) return false;
        copy->pOwner = this;
        m_vpStars.push_back(copy);
    }
    m_vStars = o.m_vStars;
    m_vSunPos = o.m_vSunPos;
    std::memcpy(m_adSunSpectrum, o.m_adSunSpectrum, sizeof m_adSunSpectrum);
    m_pSolarCurve = cloneCurve(o.m_pSolarCurve);
    m_pSunlightCurve = cloneCurve(o.m_pSunlightCurve);
    m_pOzoneCurve = cloneCurve(o.m_pOzoneCurve);
    m_pGasCurve = cloneCurve(o.m_pGasCurve);
    m_pWaterCurve = cloneCurve(o.m_pWaterCurve);
    m_vMoonPos = o.m_vMoonPos;
    m_dMoonPhase = o.m_dMoonPhase;
    m_dMoonAngle = o.m_dMoonAngle;
    m_vMilkyCenter = o.m_vMilkyCenter;
    m_vMilkyPole = o.m_vMilkyPole;
    for (int i = 0; i < 10; ++i) m_avPlanets[i] = o.m_avPlanets[i];
    m_vColorPoints1 = o.m_vColorPoints1;
    m_vColorPoints0 = o.m_vColorPoints0;
    m_nYear = o.m_nYear;
    m_nMonth = o.m_nMonth;
    m_nDay = o.m_nDay;
    m_nHour = o.m_nHour;
    m_nMinute = o.m_nMinute;
    m_fSecond = o.m_fSecond;
    m_dBaseLatitude = o.m_dBaseLatitude;
    m_dBaseLongitude = o.m_dBaseLongitude;
    m_dGMST = o.m_dGMST;
    m_dMJD = o.m_dMJD;
    m_dT = o.m_dT;
    m_fTimezone = o.m_fTimezone;
    m_dLastPosX = o.m_dLastPosX;
    m_dLastPosY = o.m_dLastPosY;
    m_dLastPosZ = o.m_dLastPosZ;
    m_dLatitude = o.m_dLatitude;
    m_dLongitude = o.m_dLongitude;
    std::memcpy(m_mHorizon, o.m_mHorizon, sizeof m_mHorizon);
    m_bApparentPlanets = o.m_bApparentPlanets;
    std::memcpy(m_afPlanetMagnitudes, o.m_afPlanetMagnitudes, sizeof m_afPlanetMagnitudes);

    if (o.m_bmpLight.pData) {
        const char* file = o.m_strLightBMP.empty() ? kLightBitmapFile : o.m_strLightBMP.c_str();
        if (LoadBitmap24(&m_bmpLight, file) && m_bmpLight.pData && m_bmpLight.nSize == o.m_bmpLight.nSize)
            std::memcpy(m_bmpLight.pData, o.m_bmpLight.pData, static_cast<size_t>(o.m_bmpLight.nSize));
    }
    const bool curves = (m_pSolarCurve || !o.m_pSolarCurve) && (m_pSunlightCurve || !o.m_pSunlightCurve) &&
                        (m_pOzoneCurve || !o.m_pOzoneCurve) && (m_pGasCurve || !o.m_pGasCurve) &&
                        (m_pWaterCurve || !o.m_pWaterCurve);
    return curves;
}

void AstroManager::setAllDirty(bool value) {
    for (int f = 0; f < kDirtyFlagCount; ++f) setDirty(static_cast<DirtyFlag>(f), value);
}

bool AstroManager::Init() {
    if (m_bInitialised) return true;
    bool ready = false;
    try {
        ready = initialise();
    } catch (...) {  // std::bad_alloc from the star list, or from a host service
    }
    if (!ready) releaseOwned();
    return ready;
}

bool AstroManager::initialise() {
    m_fMoonBlend = 0.0f;
    m_dwLastTick = 0;
    m_fMoonBlendDir = -1.0f;
    setAllDirty(false);
    m_fTimezone = 0.0f;
    m_dGMST = 0.0;
    m_dLastPosX = m_dLastPosY = m_dLastPosZ = kFirstPosition;

    FreeBitmap(&m_bmpLight);  // a retried Init must not leak the previous attempt's bitmap
    m_bmpLight = BITMAP_{nullptr, 0, 0, 0};
    LoadBitmap24(&m_bmpLight, kLightBitmapFile);

    std::unique_ptr<CPackageFile> catalogue(PACKMAN ? PACKMAN->open(kStarCacheFile) : nullptr);
    CFGREADER config(kConfigFile, true, false);
    if (config.GetLoadedCount() <= 0) return false;
    if (!catalogue) {
        const float maxMagnitude = configNumber(config, "MaxStarsMagnitude");
        const float minMagnitude = configNumber(config, "MinStarsMagnitude");
        buildStarsCatalog(minMagnitude, maxMagnitude);
        catalogue.reset(PACKMAN ? PACKMAN->open(kStarCacheFile) : nullptr);
        if (!catalogue) return false;
    }

    g_dEpochT = centuriesFromYear(configNumber(config, "Epoch"));
    g_dEquinoxT = centuriesFromYear(configNumber(config, "Equinox"));
    m_dBaseLatitude = radiansFromDegrees(configNumber(config, "Lattidue"));
    m_dBaseLongitude = radiansFromDegrees(configNumber(config, "Longtidue"));
    m_fTimezone = static_cast<float>(config.GetVarInt("Timezone", 0));
    m_bApparentPlanets = config.GetVarInt("ApparentPlanets", 0) == 1;

    if (!loadStars(catalogue.get())) return false;
    catalogue.reset();

    if (!createSpectralCurves()) return false;
    m_bInitialised = true;
    m_bUpdateAll = true;
    return true;
}

void AstroManager::buildStarsCatalog(float minMagnitude, float maxMagnitude) {
    buildStarsCatalogFile("PPM.dat", kStarCacheFile, minMagnitude, maxMagnitude);
}

bool AstroManager::loadStars(CPackageFile* file) {
    for (StarRecord* star : m_vpStars) delete star;
    m_vpStars.clear();
    // Reserve for the whole file (its records are fixed-size), within reason.
    const long start = file->tell();
    file->seek(0, 2);
    const long end = file->tell();
    file->seek(start, 0);
    if (end > start) {
        const long records = (end - start) / kStarRecordBytes + 1;
        m_vpStars.reserve(static_cast<size_t>(records < kMaxReservedStars ? records : kMaxReservedStars));
    }

    StarEntry entry;
    while (loadStarEntry(file, entry)) {
        std::unique_ptr<StarRecord> star(new (std::nothrow) StarRecord);
        if (!star) return false;
        *star = StarRecord{this, entry.dRA, entry.dDec, entry.dPmRA, entry.dPmDec, entry.dMagnitude,
                           {entry.vColor[0], entry.vColor[1], entry.vColor[2], entry.vColor[3]}};
        m_vpStars.push_back(star.get());  // may throw std::bad_alloc: the record is still ours
        star.release();
    }
    return true;
}

}  // namespace Astro
