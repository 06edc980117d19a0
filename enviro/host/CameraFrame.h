#pragma once
// The camera frame: what the camera library's two double vectors mean everywhere in the module.
//
// - The base (second) position is the origin of the drawing frame: a floating origin that the
//   host moves rarely (when the camera crosses a cell of a large world). The scene is drawn in
//   drawing-frame coordinates, world - base, in single precision: light records, caster
//   matrices, exclusion volumes and every point a host passes in are drawing-frame values.
// - The position is where the camera stands in the drawing frame. The camera's world position is
//   base + position. The view matrix carries the camera's rotation and the translation by
//   -position; the view record's float position is the position vector.
// - Values a host gives in world units (fog and layer heights, the cloud layer, the exclusion
//   slab, the shadow's ground level, a reflection plane's point) become drawing-frame values by
//   subtracting the base.
//
// These helpers are the only place where the module reads the two vectors as positions (passes
// that borrow the camera still save and restore them as they are). Without a camera (null, or
// none installed) every helper gives zero.
#include "enviro/host/Camera.h"
#include "enviro/host/MathVector.h"

namespace cam {

// The camera's world position, base + position, in double precision.
Math::Vector3d cameraWorldPosition(SMCamera* camera = currentCamera());
// Where the camera stands in the drawing frame: its position vector, narrowed to float.
Math::Vector3f cameraDrawingPosition(SMCamera* camera = currentCamera());
// The drawing frame's origin in world units: the base vector.
Math::Vector3d drawingFrameOrigin(SMCamera* camera = currentCamera());

}  // namespace cam
