#pragma once
// Heights of the current camera that the fog and the exclusion volumes measure layers against.
#include "enviro/host/Camera.h"

namespace effector {
namespace detail {

// y of the camera's position plus y of its base vector: the camera's world height (0 without a
// camera).
inline float cameraHeight() {
    cam::SMCamera* camera = cam::currentCamera();
    if (!camera) return 0.0f;
    double pos[4] = {0, 0, 0, 0}, base[4] = {0, 0, 0, 0};
    camera->getPosition(pos);
    camera->getBasePosition(base);
    return static_cast<float>(pos[1] + base[1]);
}

// y of the camera's base vector: the origin height of the camera-relative frame (0 without a
// camera).
inline float cameraBaseHeight() {
    cam::SMCamera* camera = cam::currentCamera();
    if (!camera) return 0.0f;
    double base[4] = {0, 0, 0, 0};
    camera->getBasePosition(base);
    return static_cast<float>(base[1]);
}

}  // namespace detail
}  // namespace effector
