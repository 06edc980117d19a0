#pragma once
// An 8-bit RGB image with the few drawing operations the previews need: pixels, blended discs,
// rectangles, lines, text (stb's bitmap font, scaled) and PNG output (stb).
#include <cstdint>
#include <string>
#include <vector>

namespace skytool {

struct Rgb {
    float r, g, b;  // 0..1 display values
};

class Canvas {
public:
    Canvas(int width, int height, Rgb fill);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    Rgb get(int x, int y) const;
    void set(int x, int y, Rgb c);
    // Mixes c over the pixel with weight alpha (0..1); outside the image: nothing.
    void blend(int x, int y, Rgb c, float alpha);
    // Adds c times alpha to the pixel, saturating at 1.
    void add(int x, int y, Rgb c, float alpha);
    // A filled disc with a one-pixel soft edge.
    void disc(float cx, float cy, float radius, Rgb c, float alpha = 1.0f);
    void rect(int x0, int y0, int x1, int y1, Rgb c, float alpha = 1.0f);  // inclusive corners
    void line(float x0, float y0, float x1, float y1, Rgb c, float alpha = 1.0f);
    // Text with its top-left corner at (x, y); scale multiplies the font's 1-pixel strokes.
    void text(int x, int y, const std::string& s, Rgb c, int scale = 1);
    static int textWidth(const std::string& s, int scale = 1);
    static int textHeight(int scale = 1);

    // Writes the image as a PNG; false (with the reason in error) when the file cannot be written.
    bool savePng(const std::string& path, std::string& error) const;
    const std::vector<uint8_t>& bytes() const { return m_pixels; }

private:
    int m_width, m_height;
    std::vector<uint8_t> m_pixels;  // row-major RGB, 3 bytes a pixel
};

}  // namespace skytool
