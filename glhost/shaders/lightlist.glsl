// The light textures of "SysLightRender" (GlLightRender) and how the scene reads them.
//
// "m_rtLights" (256 x 16, RGBA32F): column i is light i of the frame (LightSource's rendered
// lights, in the order of its weighted list). Written by lightrecords.frag:
//   row 0: position in the drawing frame (xyz), type (2 point, 3 spot; 1 directional, whose xyz
//          is the direction the light travels)
//   row 1: colour (rgb, the shader tag already applied), attenuation coefficient K (K R^2 = 9)
//   row 2: spot axis (xyz, unit, pointing from the lit area back to the light), cone edge factor
//   row 3: range R, cos of the spot's half-angle, cos of the half-angle of its full-strength core
//          (half-angle times the edge factor), atlas slot (level * 32 + index; -1: no shadow)
//   rows 4..7, only while the light shadow atlas "m_rtLightsDepth" exists: the rows of the
//          light's shadow view-projection (points as row vectors, p * M), zero without a slot
// Rows 8..15 are not used. Texels of columns no light took keep the clear (0, 0, 0.5, 1).
//
// "m_rtOcclusion" (format 112, two 16-bit floats): light j's block of tilesX x tilesY texels at
// column (j mod 16) tilesX, row (j div 16) tilesY (lightocclusion.frag). A texel is the interval
// of view depth (world units along the view axis) the light's sphere covers inside that tile's
// frustum: (near end, far end); an empty interval (near > far, the clear (1, 0)) where the sphere
// misses the tile. Directional lights are in no tile: the scene lights with the frame's
// directional light from "g_vDefLightDir" instead.
//
// "m_rtDepthRange" (format 112): texel (x, y) is tile (x, y)'s range of scene depth, view depth in
// world units (nearest, farthest) over the tile's screen pixels, widened by a little more than the
// 16-bit rounding (lightdepthrange.frag). Pixels no geometry covers read as very far. A tile no
// screen pixel falls in is empty (+inf, 0).
//
// "m_rtLightsList" (format 112): list layer k at the block of light k above. A texel of layer k is
// (index of the tile's k-th light, 1) or (0, 0) past the end of the tile's list; after the finish
// pass the second channel of layer 0 holds the length of the tile's list (lightlistfinish.frag).
// The one-light list of the module's fallback (no screen normals) reads (i, 1) everywhere:
// a list of one light, or (i, 0): none.

const int kLightsPerRow = 16;   // light blocks (list layers) per row of the grid
const int kRecordRows = 4;      // rows of a record, then as many of shadow data

// The texel of tile in block k of a grid of 16 blocks across.
ivec2 gridTexel(int k, ivec2 tile, ivec2 tiles) {
    return ivec2((k % kLightsPerRow) * tiles.x + tile.x, (k / kLightsPerRow) * tiles.y + tile.y);
}

// Rounding to 16-bit floats moves a value by at most 2^-11 of itself: ranges written to the
// tile targets are widened by more than that so that rounding never narrows them.
const float kHalfWiden = 1.0 / 512.0;
