#include "enviro/host/CameraFrame.h"

namespace cam {

namespace {

Math::Vector3d position(SMCamera* camera) {
    double p[4] = {0.0, 0.0, 0.0, 0.0};
    if (camera) camera->getPosition(p);
    return Math::Vector3d(p[0], p[1], p[2]);
}

}  // namespace

Math::Vector3d drawingFrameOrigin(SMCamera* camera) {
    double base[4] = {0.0, 0.0, 0.0, 0.0};
    if (camera) camera->getBasePosition(base);
    return Math::Vector3d(base[0], base[1], base[2]);
}

Math::Vector3d cameraWorldPosition(SMCamera* camera) { return drawingFrameOrigin(camera) + position(camera); }

Math::Vector3f cameraDrawingPosition(SMCamera* camera) {
    const Math::Vector3d p = position(camera);
    return Math::Vector3f(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}

}  // namespace cam
