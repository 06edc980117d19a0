#pragma once
// The clear-sky model: colour and luminance of the daylight sky in any direction.
//
// An analytic daylight sky (A Practical Analytic Model for Daylight, 1999) at turbidity 2: the
// luminance Y and the CIE chromaticity x, y of a direction are each a Perez distribution scaled so
// that the zenith takes its zenith value. On top of the published model: a per-elevation table of
// multipliers the host can tune, a night factor and an altitude dimming of the zenith luminance, an
// altitude-dependent luminance coefficient A, a flattened luminance distribution and a rule for
// directions below the horizon.
//
// Frame: directions are 3-vectors whose y axis points to the zenith; angles are radians except the
// table's elevations (degrees). Luminance is in the zenith-luminance unit (kcd/m^2) times the model's
// scale factors. Altitude is in world units (35000 is the ceiling, 1/50000 the scale).
//
// Precision: single precision throughout, except the altitude terms (double). The exponentials,
// cosines and the view-to-sun arc cosine are the module's own float functions (SkyLaneMath.h, within
// about 2 ulp), shared by the one-direction and the batch evaluations so that both give the same bits.
// That also needs every multiply and add rounded on its own: the sky's sources (and anything that
// includes SkyKernel.h or SkyLaneMath.h and compares the paths) are built without fused
// multiply-add contraction (-ffp-contract=off; see CMakeLists.txt).
//
// Everything runs on the render thread; the evaluations write the coefficient block of the object,
// so one sky must not be evaluated from two threads at once.
#include <cstdint>

#include "enviro/EnviroApi.h"
#include "enviro/host/MathVector.h"
#include "enviro/host/RenderClients.h"
#include "enviro/host/SphericalHarmonics.h"

namespace enviro {

class ENVIRO_API Sky {
public:
    // A lighting function of the sky projected by init. In this system it is zero everywhere (0.0 and
    // black); it keeps a pointer to its four parameters, which init sets to (0, 2, 1, 1).
    class SkyLighting : public SH::SphericalFunction {
    public:
        explicit SkyLighting(const float* params) : m_pParams(params) {}
        float getValue(const SH::SampleSphere& sample) const override;
        Math::Vector<3, float> getColor(const SH::SampleSphere& sample) const override;
        const float* m_pParams;  // four floats, not owned
    };
    // The same for the display without high dynamic range; differs from SkyLighting only in type.
    class SkyLighting_NoHdr : public SH::SphericalFunction {
    public:
        explicit SkyLighting_NoHdr(const float* params) : m_pParams(params) {}
        float getValue(const SH::SampleSphere& sample) const override;
        Math::Vector<3, float> getColor(const SH::SampleSphere& sample) const override;
        const float* m_pParams;  // four floats, not owned
    };

    static constexpr int kTableRows = 24;      // sun elevations 80, 75, ..., -35 degrees
    static constexpr int kTableColumns = 18;   // elevation, then multipliers m1..m17
    static constexpr int kSampleGrid = 100;    // init's stratified grid is kSampleGrid^2 samples
    static constexpr int kSampleCount = kSampleGrid * kSampleGrid;

    // Host settings at their defaults, m_bInitialized false. Unlike a bare allocation, the table
    // already holds init's neutral values (multipliers 1.0) and the coefficient lists, the coefficient
    // block and the two settings without a default are zero, so that the model is defined before init.
    Sky();
    // Copies every member, the table and the four coefficient lists included; the sample buffers and
    // the client handles are shared, not duplicated.
    Sky(const Sky& other);
    Sky& operator=(const Sky& other);
    // Releases nothing: the sample buffers belong to the process (see init).
    virtual ~Sky();

    // The Perez distribution (1 + A e^(B / cosTheta)) (1 + C e^(D gamma) + E cos^2 gamma), with
    // cosTheta the cosine of the view's zenith angle and gamma the view-to-sun angle in radians.
    // Where the expression is undefined it gives the limit or 0: B / cosTheta of 0 / 0 counts as 0
    // (the limit for B = 0), and a result that is NaN (0 times infinity) is 0. Accurate for
    // |gamma| <= 8192.
    static float getRadiance(float A, float B, float C, float D, float E, float cosTheta, float gamma);

    // Chromaticity and luminance of the sky in direction dir for the sun direction sun (all four
    // components count in its length) and the viewer's altitude: out = (x, y, Y). dir and sun are not
    // changed. Overwrites the coefficient block. A view below the horizon (dir.y < 0) gives the
    // horizon's chromaticity at 8 percent of the horizon's luminance.
    // Bad input gets a finite result: a dir with a NaN or infinite component gives (0, 0, 0) (but
    // y = -infinity is below the horizon like any negative y); a sun with one counts as the zero
    // vector. A zero dir is the horizon at 90 degrees from the sun, a zero sun a sun on the horizon
    // at 90 degrees from every view. A negative or NaN altitude counts as 0 (above 35000: 35000).
    // Multipliers that make the model overflow give (0, 0, 0) for that direction. A null out: no effect.
    void getSkyYxy(Math::Vector<3, float>& dir, Math::Vector<4, float>& sun, float altitude,
                   Math::Vector<3, float>* out);
    // The same sky value as linear Rec. 709 RGB (D65 white), unclamped, without gamma: out = (R, G, B).
    // A value that has no colour (y = 0, or an overflowing conversion) is black.
    void getSkyColor(Math::Vector<3, float>& dir, Math::Vector<4, float>& sun, float altitude,
                     Math::Vector<3, float>* out);

    // getSkyYxy for count directions and one sun and altitude: out[i] has exactly the bits that
    // getSkyYxy(dirs[i], sun, altitude, &out[i]) gives, and the coefficient block ends as that call
    // leaves it. The part of the model that depends only on the sun is computed once. out may be the
    // same array as dirs (no other overlap). count 0: no effect, true. A null array with count > 0 or a
    // negative count: no effect, false.
    bool getSkyYxyArray(const Math::Vector<3, float>* dirs, int count, const Math::Vector<4, float>& sun,
                        float altitude, Math::Vector<3, float>* out);
    // getSkyColor over an array, on the same terms as getSkyYxyArray.
    bool getSkyColorArray(const Math::Vector<3, float>* dirs, int count, const Math::Vector<4, float>& sun,
                          float altitude, Math::Vector<3, float>* out);

    // Fills the table (row r: elevation 80 - 5r, multipliers 1.0), prepares the 10000 sphere samples,
    // projects SkyLighting and SkyLighting_NoHdr into the first two coefficient lists, looks up the
    // "SkySphere" and "Cirrus" clients and sets m_bInitialized. Always returns true. The samples are
    // one process-wide set, made on the first init and shared by every sky (never released).
    bool init();
    // Does nothing: buffers and clients stay.
    void uninit();
    // Asks the "SkySphere" client to draw with mode 2. Without that client (before init, or when the
    // host has none): no effect.
    void drawQuad();
    // Asks the "SkySphere" client to draw with mode 0. Without that client: no effect.
    void drawNoQuad();

    bool m_bInitialized;  // set by init

    // Host settings: only initialised and copied here; their meaning is the host's.
    float m_fHostFloat0;                // default 400000.0
    float m_fHostFloat1;                // default 300000.0
    int32_t m_nHostInt0;                // default 60
    int32_t m_nHostInt1;                // default 60
    uint32_t m_uHostWord0;              // no default (0 here)
    uint32_t m_uHostWord1;              // no default (0 here)
    float m_fHostFloat2;                // default 2.0
    Math::Vector<4, float> m_vHostVector;  // default (0, 0, 0, 0)

    // Row r belongs to the sun elevation 80 - 5r degrees: element 0 that elevation, elements 1..17
    // the multipliers m1..m17 (m1..m5 the x distribution, m6..m10 the y distribution, m11 unused,
    // m12..m15 B..E of the luminance distribution, m16 and m17 the zenith x and y). The lookup blends
    // the two rows around the sun's elevation by the fixed 5-degree spacing, not by element 0.
    float m_aSkyTable[kTableRows][kTableColumns];

    // Spherical-harmonic lists (4 bands): [0] from SkyLighting, [1] from SkyLighting_NoHdr, [2] and
    // [3] only copied with the object.
    SH::MonoCoeffList m_shCoeffs[4];
    SH::Sample2D* m_pSamples2D;          // kSampleCount samples of the unit square (process-wide)
    SH::SampleSphere* m_pSamplesSphere;  // kSampleCount sphere samples (process-wide)
    renderBase::ISkySphere* m_pSkyClient;  // "SkySphere", or null
    renderBase::ICirrus* m_pCirrusClient;  // "Cirrus", or null

    // The coefficient block of the last evaluation (depends only on the sun and the altitude).
    float m_aPerezY[5];      // A..E of the luminance distribution
    float m_aPerezCx[5];     // A..E of the x distribution
    float m_aPerezCy[5];     // A..E of the y distribution
    float m_fNormCx;         // zenith x / x distribution at the zenith
    float m_fNormCy;         // zenith y / y distribution at the zenith
    float m_fLumAngleScale;  // 0.3: the luminance distribution sees 0.3 * cos(theta)
    float m_fNormLum;        // zenith luminance / luminance distribution at the zenith

private:
    // The sun-dependent part of getSkyYxy: fills the coefficient block and writes the sun's unit
    // direction (x, y, z after normalising all four components).
    void computeSunTerms(const Math::Vector<4, float>& sun, float altitude, Math::Vector<3, float>* sunDir);
    // The 17 multipliers for a sun elevation in degrees, into m[1..17] (m[0] unused).
    void blendMultipliers(float elevation, float* m) const;
    void fillTable();
};

// The one sky of the process, created when the module is attached.
ENVIRO_API extern Sky* sky;

}  // namespace enviro
