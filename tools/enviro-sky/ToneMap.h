#pragma once
// Exposure and tone mapping of the sky's linear colours for display: a fixed exposure of a
// steepened luminance, a Reinhard curve on luminance (hue kept) and the sRGB transfer curve, so
// that day, twilight and night keep their difference in brightness and stay readable.
#include "Canvas.h"
#include "enviro/host/MathVector.h"

namespace skytool {

class ToneMap {
public:
    ToneMap();
    Rgb map(const Math::Vector<3, float>& linear) const;
    float exposure() const { return m_exposure; }
    // The faintest magnitude seen against a sky of this luminance: 6.5 at night, about 1 in
    // deep twilight, below 0 by day.
    static float limitingMagnitude(float luminance);
    static float luminance(const Math::Vector<3, float>& c) { return 0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z; }

private:
    float m_exposure;
};

}  // namespace skytool
