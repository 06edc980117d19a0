#pragma once
// Sky maps an engine can load as a skybox and an image-based light: an equirectangular panorama
// and the six faces of a cube map, in linear HDR, in the world axes of the module (X north, Y up,
// Z east). Every pixel holds the sky of getSkyColor in its direction (the module's unit: the sky
// model's luminance scale, 1 = 1000/0.095 cd/m², about 10.5 kcd/m²; below the horizon the
// model's dimmed ground value); on it the sun and moon discs and the stars and planets carry
// their physical brightness in the same unit: the sun's 126 000 lux (magnitude -26.74), the
// moon's by its phase (magnitude -12.73 + 0.026 a + 4e-9 a^4, a the phase angle in degrees) lit
// by the phase and the sun's side (Lommel-Seeliger), every star and planet by its magnitude
// (2.54e-6 lux at magnitude 0), all dimmed by the module's spectral sunlight model for their
// zenith angle (which also tints them). Disc pixels are supersampled, so that a map of any size
// holds each body's whole light.
//
// Panorama: width = 2 x height; column u (0..1 across) looks toward the azimuth (u - 0.5) x 360
// degrees from north through east (north at the centre, east to its right), row v (0..1 down)
// at the elevation 90 - 180 v degrees.
// Cube faces px, nx, py, ny, pz, nz look along +X (north), -X, +Y (up), -Y, +Z (east), -Z with
// the usual cube-map face layout (the table shared by the common graphics APIs): a pixel at
// (s, t) in 0..1 (t down), with a = 2s - 1, b = 2t - 1, looks along +X: (1, -b, -a), -X:
// (-1, -b, a), +Y: (a, 1, b), -Y: (a, -1, -b), +Z: (a, -b, 1), -Z: (-a, -b, -1).
#include <array>
#include <string>
#include <vector>

#include "SkyScene.h"

namespace enviro {
class Sky;
}

namespace skytool {

struct HdrImage {
    int width = 0, height = 0;
    std::vector<float> rgb;  // row-major from the top, 3 floats a pixel
};

extern const char* const kCubeFaceNames[6];  // "px", "nx", "py", "ny", "pz", "nz"

HdrImage renderPanorama(enviro::Sky& sky, const SkySnapshot& s, int height);
std::array<HdrImage, 6> renderCubeMap(enviro::Sky& sky, const SkySnapshot& s, int faceSize);

// Direction of a panorama pixel position, of a cube-face pixel position (pixel units, centres
// at +0.5).
Math::Vector<3, float> panoramaDirection(int width, int height, float px, float py);
Math::Vector<3, float> cubeFaceDirection(int face, int size, float px, float py);

// Writes the image as Radiance RGBE (".hdr") or OpenEXR with 32-bit float channels (".exr"),
// chosen by the file name's extension, through writeFileAtomically. False with the reason.
bool writeHdrImage(const HdrImage& image, const std::string& path, std::string& error);
// True for a file name that writeHdrImage can write.
bool isHdrFileName(const std::string& path);

}  // namespace skytool
