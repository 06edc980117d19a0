#pragma once
// Math library: the 3D helpers the module calls (projections, inverse, planes, mirrors).
// Row-vector convention throughout (p * M), left-handed projections.
#include "enviro/host/MathMatrix.h"

namespace _3DMath {

// Left-handed orthographic projection of a w x h view volume from zn to zf (depth 0..1).
void matrixOrthoLH(float w, float h, float zn, float zf, Math::Matrix4f* out);
// Left-handed perspective projection whose near plane is w x h wide: near maps to depth 0,
// far to depth 1.
void matrixPerspectiveLH(float w, float h, float zn, float zf, Math::Matrix4f* out);
// Left-handed perspective from a vertical field of view (radians) and aspect (width / height).
void matrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf, Math::Matrix4f* out);
// Inverse by the adjugate method, single-precision input, double-precision cofactors.
// A singular matrix (determinant exactly 0) is copied unchanged to out and *det gets 0.
// det may be null. Uses static scratch storage: render thread only, not re-entrant.
void matrixInverse(Math::Matrix4f* out, double* det, const Math::Matrix4f* in);
// Plane (a, b, c, d) through point with the given normal: a*x + b*y + c*z + d = 0.
void calcPlane(const Math::Vector3f* normal, const Math::Vector3f* point, Math::Vector4f* out);
// Mirror matrix of the plane through point with the given normal (of any non-zero length; a
// zero normal gives the identity).
void matrixReflection(const Math::Vector3f* normal, const Math::Vector3f* point, Math::Matrix4f* out);
// Does the segment start..end cross the plane (point, normal)? If so, out gets the crossing.
bool LineCrossPlane(const Math::Vector3f* normal, const Math::Vector3f* point, const Math::Vector3f* start,
                    const Math::Vector3f* end, Math::Vector3f* out);
// Left-handed look-at view matrix from eye toward target: z = normalise(target - eye),
// x = normalise(up x z), y = z x x (a zero-length axis is left unnormalised). The axes stand in the
// columns; the fourth row is (-x.eye, -y.eye, -z.eye, 1).
void matrixLookAtLH(const Math::Vector3f* eye, const Math::Vector3f* target, const Math::Vector3f* up,
                    Math::Matrix4f* out);
// Planar angle of the point whose sine component is a and cosine component is b: atan2(a, b).
float Get2DAngle(float a, float b);

}  // namespace _3DMath
