#pragma once
// A reference host with its camera placed for the fog tests.
#include <cmath>

#include "enviro/fog/FogEffector.h"
#include "refhost/ReferenceHost.h"

namespace fogtest {

struct FogHost {
    refhost::ReferenceHost host;
    FogHost() { host.install(); }

    // Camera height = position.y + base.y; the base alone is the camera-relative frame's origin.
    void placeCamera(double positionY, double baseY) {
        double pos[4] = {0, positionY, 0, 1}, base[4] = {0, baseY, 0, 0};
        host.camera().setPosition(pos);
        host.camera().setBasePosition(base);
    }
};

inline bool finite4(const Math::Vector4f& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

}  // namespace fogtest
