#pragma once
// The part of the current camera's projection that screen-space shaders need to go between view
// space and normalised device coordinates: x_ndc = P00 x / z + P20, y_ndc = P11 y / z + P21
// (left-handed perspective, w = z), as the vector (P00, P11, P20, P21).
#include "enviro/host/MathVector.h"
#include "glhost/GlCameraView.h"

namespace glhost {

// From a camera view (projection = inverse view x view-projection).
Math::Vector4f projectionScales(const GlCameraView& view);
// Of the current camera; false (out untouched) without one.
bool currentProjectionScales(Math::Vector4f& out);

}  // namespace glhost
