#pragma once
// The current camera's matrices as the host's shaders take them, read through the camera library
// (cam::currentCamera()), in the drawing frame: the view matrix carries the camera's rotation and
// the translation by minus its position, so that scene vertices given in drawing-frame
// coordinates (world minus base) need only the view-projection.
#include "enviro/host/MathMatrix.h"
#include "enviro/host/MathVector.h"

namespace glhost {

struct GlCameraView {
    Math::Matrix4f view;              // as the camera renders now (overrides included)
    Math::Matrix4f viewProj;          // view x projection
    Math::Matrix4f rotationProj;      // the view's rotation alone x projection: directions to the sky
    Math::Matrix4f rotationProjInv;   // its inverse: clip-space points back to directions
    Math::Vector3f eye;               // the camera's position in the drawing frame (view record)
};

// The current camera's view; false (out untouched) when no camera is installed.
bool currentCameraView(GlCameraView& out);

}  // namespace glhost
