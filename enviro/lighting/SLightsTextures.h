#pragma once
// The screen's tile targets of the light-list passes. The screen is cut into square tiles; for
// every tile the list holds, layer after layer, the lights that reach it. The host owns the set:
// init for a screen size (again after every change of size), give it to the light effector with
// LightSource::setLightsSrc, uninit when done.
//
// Layouts (all four targets: format 112, two 16-bit float channels, one level):
// - "m_rtOcclusion<n>": per light, per tile, whether the light's volume touches the tile. Light j's
//   block of tilesX x tilesY texels sits at column (j mod 16) * tilesX, row (j div 16) * tilesY:
//   16 blocks across and 16 down, room for 256 lights. Size Pow2(16 tilesX) x Pow2(16 tilesY).
// - "m_rtLightsList<n>": the list, layer k at the same grid position as light k above.
//   Size Pow2(16 tilesX) x Pow2(((maxLights - 1) div 16 + 1) tilesY).
// - "m_rtDepthRange<n>": per tile, the scene's depth range. Pow2(tilesX) x Pow2(tilesY).
// - "m_rtLightsTemp<n>": one list layer while it is computed. Pow2(tilesX) x Pow2(tilesY).
// At 1920 x 1080 with 16-texel tiles and 32 lights: 120 x 68 tiles, occlusion 2048 x 2048
// (16 MB at 4 bytes a texel), list 2048 x 256 (2 MB), depth range and temporary 128 x 128 (64 kB).
// <n> is the module-wide target-name counter (CountedTargetName.h).
//
// Copies share the targets: the copy constructor acquires each, assignment acquires the new and
// releases the old, uninit and the destructor release them.
#include "enviro/EnviroApi.h"
#include "enviro/host/MathVector.h"
#include "enviro/host/RenderApi.h"

namespace effector {

struct ENVIRO_API SLightsTextures {
    // Most tiles across or down before the tile edge doubles (after rounding up: 129).
    static constexpr int kMaxTilesPerSide = 128;
    // Lights per grid row of the occlusion and list targets.
    static constexpr int kLightsPerRow = 16;
    // Most list layers: the light record texture has 256 columns, so no frame lists more lights.
    static constexpr int kMaxListLayers = 256;

    RendAPI::IRenderTarget* m_prtOcclusion;
    RendAPI::IRenderTarget* m_prtLightsList;
    RendAPI::IRenderTarget* m_prtLightsTemp;
    RendAPI::IRenderTarget* m_prtDepthRange;
    // (tilesX / list width, tilesY / list height, 1 / list width, 1 / list height).
    Math::Vector4f m_vListRect;
    short m_nTilesX, m_nTilesY;
    short m_nTileSize;           // tile edge, screen pixels
    short m_nWidth, m_nHeight;   // screen size given to init
    short m_nMaxLights;          // list layers: the most lights one tile can list

    SLightsTextures();
    SLightsTextures(const SLightsTextures& other);
    SLightsTextures& operator=(const SLightsTextures& other);
    ~SLightsTextures();

    // Builds the targets for a screen of width x height. The tile edge starts at tileSize and
    // doubles while the screen is more than 128 tiles wide or high. False, with nothing created or
    // changed, when maxLights or a screen side is below 1; false, with no targets held, when the
    // occlusion or list target cannot be created (a missing depth-range or temporary target does
    // not fail). A tileSize below 1 counts as 1; maxLights above 256 counts as 256.
    bool init(short width, short height, short tileSize, short maxLights);
    // Clears the four targets to (0, 0, 0, 0) through the "SysPostEffect" client (nothing
    // without it).
    void clear();
    // Releases occlusion, list, depth range and temporary, in that order; all become null.
    void uninit();
    Math::Vector4f getListRect() const { return m_vListRect; }
    // (width, height, 1 / tile size, 0); the last component is 0 before init.
    Math::Vector4f getListRect2() const;

private:
    void copyTargets(const SLightsTextures& other);
};

}  // namespace effector
