#pragma once
// Draws the all-sky image of a snapshot: the sky colour of every pixel (the sky's batch
// evaluation), tone-mapped; the Milky Way band; stars and planets faded by the sky; the sun and the
// moon discs (the moon lit as getMoonPhase and getMoonAngle say); the horizon ring and its marks.
#include "Canvas.h"
#include "Fisheye.h"
#include "SkyScene.h"

namespace enviro {
class Sky;
}

namespace skytool {

// Where the discs landed (pixel centres; visible false below the horizon).
struct AllSkyLayout {
    bool sunVisible = false, moonVisible = false;
    float sunX = 0, sunY = 0, moonX = 0, moonY = 0;
    float discRadius = 0;
    float exposure = 0;
};

class AllSkyRenderer {
public:
    AllSkyRenderer(enviro::Sky& sky, int size);
    Canvas render(const SkySnapshot& s, AllSkyLayout& layout);

private:
    void drawSky(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout);
    void drawMilkyWay(Canvas& c, const SkySnapshot& s);
    void drawStars(Canvas& c, const SkySnapshot& s);
    void drawSun(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout);
    void drawMoon(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout);
    void drawHorizon(Canvas& c);
    float limitingMagnitudeAt(float px, float py) const;

    enviro::Sky& m_sky;
    int m_size;
    Fisheye m_fisheye;
    float m_discRadius;
    std::vector<Math::Vector<3, float>> m_dirs;     // per pixel inside the circle
    std::vector<int> m_pixelOf;                     // index into the image of each direction
    std::vector<float> m_limitingMagnitude;         // faintest visible magnitude per image pixel
};

}  // namespace skytool
