#pragma once
// Draws the all-sky image of a snapshot: the sky colour of every pixel (the sky's batch
// evaluation), tone-mapped; the Milky Way band; stars and planets faded by the sky, the bright
// ones named; the sun and the moon discs (the moon lit as getMoonPhase and getMoonAngle say);
// the horizon ring and its marks, the altitude rings labelled; a magnitude legend and a stamp
// with the place, date and time. Labels grow with the image.
#include <string>
#include <vector>

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
    // Names of the catalogue stars in the snapshot's order ("" for none).
    void setStarNames(std::vector<std::string> names) { m_starNames = std::move(names); }
    // stamp: the lines written in the top-left corner.
    Canvas render(const SkySnapshot& s, AllSkyLayout& layout, const std::vector<std::string>& stamp = {});

private:
    void drawSky(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout);
    void drawMilkyWay(Canvas& c, const SkySnapshot& s);
    void drawStars(Canvas& c, const SkySnapshot& s);
    void drawSun(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout);
    void drawMoon(Canvas& c, const SkySnapshot& s, AllSkyLayout& layout);
    void drawHorizon(Canvas& c);
    void drawLegend(Canvas& c, const std::vector<std::string>& stamp);
    float starRadius(float magnitude) const;
    int labelScale() const;
    float limitingMagnitudeAt(float px, float py) const;

    enviro::Sky& m_sky;
    int m_size;
    Fisheye m_fisheye;
    float m_discRadius;
    std::vector<Math::Vector<3, float>> m_dirs;     // per pixel inside the circle
    std::vector<int> m_pixelOf;                     // index into the image of each direction
    std::vector<float> m_limitingMagnitude;         // faintest visible magnitude per image pixel
    std::vector<std::string> m_starNames;
};

}  // namespace skytool
