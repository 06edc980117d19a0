#pragma once
// Geometry of the spot-light shadows: distances from a point to a spot light's lit cone and to
// its axis, the quantisation of a light's screen size into an atlas level, and the light's
// view and projection. Free functions, so that they can be checked on their own.
#include "enviro/host/MathMatrix.h"
#include "enviro/lighting/LightDesc.h"

namespace effector {
namespace detail {

// Distance from p to the lit region of a spot light: the spherical sector of radius fMaxRadius
// around the axis -vDir with the effective half-angle fConeAngle * (1 + fConeEdge) / 2.
// 0 for points inside.
float shadowDistanceCone(const Math::Vector3f& p, const LIGHTDESC& light);

// Distance from p to the segment from vPos along -vDir of length fMaxRadius.
float shadowDistanceConeRay(const Math::Vector3f& p, const LIGHTDESC& light);

// Level (0..3) of a shadow map whose lit disc covers n = size / unit maps texels (rounded,
// clamped to [1, maxSize]): the smallest level whose halved edge still holds it, by
// q = maxSize / n: the smallest of 0, 1, 2 with 2^level >= q, else 3. A maxSize below 1 counts
// as 1; NaN or infinite sizes give n = 1 (invalid input lands on the coarsest level).
int shadowLevel(float size, float unit, long maxSize);

// Distance bucket of an axis distance: (int)min(distance / 10, 255); NaN gives 255.
int shadowBucket(float rayDistance);

// The spot light's left-handed look-at view from vPos toward vPos - vDir and its perspective
// projection (field of view 2 * fConeAngle, aspect -1, near fMaxRadius / 100, far fMaxRadius).
void coneView(const LIGHTDESC& light, Math::Matrix4f* view);
void coneProjection(const LIGHTDESC& light, Math::Matrix4f* proj);

}  // namespace detail
}  // namespace effector
