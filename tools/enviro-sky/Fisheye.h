#pragma once
// The all-sky projection: azimuthal equidistant, zenith at the centre, the horizon a circle,
// north up and east on the left (a star chart held overhead).
#include "enviro/host/MathVector.h"

namespace skytool {

class Fisheye {
public:
    // size: image width and height; margin: pixels between the horizon circle and the edge.
    Fisheye(int size, float margin);

    float centre() const { return m_centre; }
    float radius() const { return m_radius; }
    // Pixel of a world direction (X north, Y up, Z east); false below the horizon.
    bool toPixel(const Math::Vector<3, float>& dir, float& px, float& py) const;
    // World unit direction of a pixel position; false outside the horizon circle.
    bool toDirection(float px, float py, Math::Vector<3, float>& dir) const;

private:
    float m_centre;
    float m_radius;
};

}  // namespace skytool
