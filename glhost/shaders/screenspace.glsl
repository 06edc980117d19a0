// The screen-depth targets of PSMShadow's screen-depth pass (SSDTextures) as the scene writes
// them and the post effects read them:
//   "m_prtScreenNormal" (A8R8G8B8): view-space unit normal * 0.5 + 0.5 in rgb, alpha 1 where
//       geometry was drawn (0: nothing, the clear);
//   "m_prtScreenDepth" (R16F, or G16R16F with edges): x = view depth (distance along the view
//       axis, world units) / the screen depth range (PSMShadow::getScreenDepthRange, u_depthScale
//       here); pixels no geometry covers hold the module's background fill (100000); y = the edge
//       strength (0 .. 1) that the edge pass folds in;
//   "m_rtVelocityField" (G16R16F): the pixel's screen motion since the previous frame, in
//       normalised device coordinates per frame (current minus previous).
// A rectangle of the module (SSDTextures::m_vRect) is (half a texel across, down, the used
// fraction across, down): a pass covers the used part of its target and reads the used part of
// its source, so texture coordinates scale by the rectangles' fractions.

uniform float u_depthScale;   // world units of one unit of screen depth
uniform vec4 u_projection;    // the camera's x and y scales and offsets: P00, P11, P20, P21

const float kBackgroundDepth = 10000.0;  // screen depth values above this are no geometry

vec3 decodeNormal(vec4 texel) { return normalize(texel.xyz * 2.0 - 1.0); }

// View-space position of normalised device coordinates ndc (y up) at view depth z.
vec3 viewPosition(vec2 ndc, float z) {
    return vec3((ndc.x - u_projection.z) * z / u_projection.x, (ndc.y - u_projection.w) * z / u_projection.y, z);
}

// Texture coordinates (rows from the top) of a view-space point, in the full screen's 0..1.
vec2 screenOf(vec3 p) {
    vec2 ndc = vec2(u_projection.x * p.x / p.z + u_projection.z, u_projection.y * p.y / p.z + u_projection.w);
    return vec2(ndc.x * 0.5 + 0.5, 0.5 - ndc.y * 0.5);
}

vec2 ndcOf(vec2 uv) { return vec2(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0); }
