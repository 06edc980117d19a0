#include "SkyMaps.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <stb_image_write.h>
#include <tinyexr.h>

#include "OutputFile.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/sky/Sky.h"

namespace skytool {

const char* const kCubeFaceNames[6] = {"px", "nx", "py", "ny", "pz", "nz"};

namespace {

using Vec3 = Math::Vector<3, float>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kSkyUnitCdPerM2 = 1000.0 / 0.095;  // the sky model's luminance unit
constexpr double kLuxAtMagnitudeZero = 2.54e-6;
constexpr double kSunMagnitude = -26.74;
constexpr double kSunRadius = 0.2666 * kDeg, kMoonRadius = 0.2590 * kDeg;  // mean angular radii
constexpr int kSubsamples = 4;                                               // per pixel side on discs
constexpr int kTurbidity = 2;                                                // as the sky model's

double illuminance(double magnitude) { return kLuxAtMagnitudeZero * std::pow(10.0, -0.4 * magnitude); }
double dot(const Vec3& a, const Vec3& b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }
Vec3 unit(const Vec3& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.0f ? Vec3(v.x / l, v.y / l, v.z / l) : v;
}

// Linear RGB of CIE XYZ (the sky's own conversion).
Vec3 rgbOfXyz(double X, double Y, double Z) {
    return Vec3(float(3.240479 * X - 1.53715 * Y - 0.498535 * Z), float(-0.969256 * X + 1.875992 * Y + 0.0415556 * Z),
                float(0.055648 * X - 0.204043 * Y + 1.057311 * Z));
}

// The air between the observer and a body at each whole degree of elevation: the fraction of
// luminance that gets through and its tint (linear RGB of luminance 1), from the module's
// spectral sunlight model.
class AirMassTable {
public:
    explicit AirMassTable(Astro::AstroManager& astro) {
        double xyz[3];
        astro.ComputeSunlight(0.0, kTurbidity);
        astro.get_tristim(const_cast<double*>(astro.getSunSpectrum()), xyz);
        const double outside = xyz[1];
        for (int e = 0; e <= 90; ++e) {
            astro.ComputeAttenuatedSunlight((90 - e) * kDeg, kTurbidity);
            astro.get_tristim(const_cast<double*>(astro.getSunSpectrum()), xyz);
            m_transmittance[e] = outside > 0.0 ? xyz[1] / outside : 0.0;
            m_tint[e] = xyz[1] > 0.0 ? rgbOfXyz(xyz[0] / xyz[1], 1.0, xyz[2] / xyz[1]) : Vec3(1, 1, 1);
        }
    }
    double transmittance(const Vec3& d) const { return m_transmittance[index(d)]; }
    Vec3 tint(const Vec3& d) const { return m_tint[index(d)]; }

private:
    static int index(const Vec3& d) {
        return std::clamp(static_cast<int>(std::lround(std::asin(std::clamp(d.y, -1.0f, 1.0f)) / kDeg)), 0, 90);
    }
    double m_transmittance[91];
    Vec3 m_tint[91];
};

// A map's pixel grid: direction of a pixel position, pixel of a direction, solid angle.
class Grid {
public:
    virtual ~Grid() = default;
    virtual Vec3 direction(float px, float py) const = 0;
    // Pixel position of d; false when d does not look into this grid.
    virtual bool pixel(const Vec3& d, float& px, float& py) const = 0;
    virtual double solidAngle(int x, int y) const = 0;
    // Pixel window half-width that holds a disc of angular radius r around d.
    virtual int reach(const Vec3& d, double r) const = 0;
    virtual bool wraps() const { return false; }
    int width = 0, height = 0;
};

class PanoramaGrid final : public Grid {
public:
    PanoramaGrid(int w, int h) { width = w, height = h; }
    Vec3 direction(float px, float py) const override { return panoramaDirection(width, height, px, py); }
    bool pixel(const Vec3& d, float& px, float& py) const override {
        const double az = std::atan2(double(d.z), double(d.x)), el = std::asin(std::clamp(double(d.y), -1.0, 1.0));
        px = float((az / (2.0 * kPi) + 0.5) * width);
        py = float((0.5 * kPi - el) / kPi * height);
        return true;
    }
    double solidAngle(int, int y) const override {
        const double top = 0.5 * kPi - kPi * y / height, bottom = 0.5 * kPi - kPi * (y + 1) / height;
        return 2.0 * kPi / width * (std::sin(top) - std::sin(bottom));
    }
    int reach(const Vec3& d, double r) const override {
        const double c = std::sqrt(std::max(0.0, 1.0 - double(d.y) * d.y));  // a row's circle, relative
        const int rows = static_cast<int>(std::ceil(r / kPi * height)) + 1;
        if (c < 4.0 * r) return std::max(rows, width / 2 + 1);  // near a pole the disc spans every column
        return std::max(rows, static_cast<int>(std::ceil(r / c / (2.0 * kPi) * width)) + 1);
    }
    bool wraps() const override { return true; }
};

class CubeFaceGrid final : public Grid {
public:
    CubeFaceGrid(int face, int size) : m_face(face) { width = height = size; }
    Vec3 direction(float px, float py) const override { return cubeFaceDirection(m_face, width, px, py); }
    bool pixel(const Vec3& d, float& px, float& py) const override {
        const int axis = m_face / 2;
        const float major = axis == 0 ? d.x : (axis == 1 ? d.y : d.z);
        const float m = m_face % 2 ? -major : major;
        if (!(m > 0.0f)) return false;
        float sc, tc;
        switch (m_face) {
            case 0: sc = -d.z, tc = -d.y; break;
            case 1: sc = d.z, tc = -d.y; break;
            case 2: sc = d.x, tc = d.z; break;
            case 3: sc = d.x, tc = -d.z; break;
            case 4: sc = d.x, tc = -d.y; break;
            default: sc = -d.x, tc = -d.y; break;
        }
        px = (sc / m + 1.0f) * 0.5f * width;
        py = (tc / m + 1.0f) * 0.5f * height;
        return true;
    }
    double solidAngle(int x, int y) const override {
        const double a = 2.0 * (x + 0.5) / width - 1.0, b = 2.0 * (y + 0.5) / height - 1.0, step = 2.0 / width;
        return step * step / std::pow(1.0 + a * a + b * b, 1.5);
    }
    // A face pixel spans 2/N of the tangent plane: at least a third of that in angle (in a corner).
    int reach(const Vec3&, double r) const override { return static_cast<int>(std::ceil(r * width * 0.5 * 3.0)) + 1; }

private:
    int m_face;
};

// Adds a disc of the given angular radius to the image, so that the sum of radiance times solid
// angle over its pixels is the given total; shade weights the parts of the disc (direction,
// offset from the centre on the unit disc). Parts below the horizon are hidden by the ground.
template <class Shade>
void addDisc(HdrImage& image, const Grid& grid, const Vec3& centre, double radius, const Vec3& colourTimesTotal,
             Shade shade) {
    float cx, cy;
    // A cube face also places a centre that lies beyond its edges (its rim may reach in); only
    // the opposite half of the sky has no position.
    if (!grid.pixel(centre, cx, cy)) return;
    const int reach = grid.reach(centre, radius);
    const double cosRadius = std::cos(radius), sinRadius = std::sin(radius);
    struct Part {
        int index;
        double weight;
    };
    std::vector<Part> parts;
    double total = 0.0;
    for (int y = int(cy) - reach; y <= int(cy) + reach; ++y) {
        if (y < 0 || y >= grid.height) continue;
        for (int xx = int(cx) - reach; xx <= int(cx) + reach; ++xx) {
            int x = xx;
            if (grid.wraps()) x = (x % grid.width + grid.width) % grid.width;
            if (x < 0 || x >= grid.width) continue;
            double w = 0.0;
            for (int j = 0; j < kSubsamples; ++j)
                for (int i = 0; i < kSubsamples; ++i) {
                    const Vec3 d = unit(grid.direction(xx + (i + 0.5f) / kSubsamples, y + (j + 0.5f) / kSubsamples));
                    const double c = dot(d, centre);
                    if (c < cosRadius || d.y < 0.0f) continue;
                    const Vec3 offset((d.x - centre.x * c) / sinRadius, (d.y - centre.y * c) / sinRadius,
                                      (d.z - centre.z * c) / sinRadius);
                    w += shade(offset);
                }
            if (w <= 0.0) continue;
            w *= grid.solidAngle(x, y) / (kSubsamples * kSubsamples);
            parts.push_back({y * grid.width + x, w});
            total += w;
        }
    }
    if (!(total > 0.0)) return;
    for (const Part& p : parts) {
        const double k = p.weight / total / grid.solidAngle(p.index % grid.width, p.index / grid.width);
        float* px = &image.rgb[static_cast<size_t>(p.index) * 3];
        px[0] += float(colourTimesTotal.x * k);
        px[1] += float(colourTimesTotal.y * k);
        px[2] += float(colourTimesTotal.z * k);
    }
}

// Illuminance (lux) in the module's unit, as a colour.
Vec3 lightOf(double lux, const Vec3& tint) {
    const double k = lux / kSkyUnitCdPerM2;
    return Vec3(float(tint.x * k), float(tint.y * k), float(tint.z * k));
}

void addSun(HdrImage& image, const Grid& grid, const SkySnapshot& s, const AirMassTable& air) {
    const Vec3 sun = unit(s.sun);
    if (sun.y < -float(kSunRadius)) return;
    const Vec3 light = lightOf(illuminance(kSunMagnitude) * air.transmittance(sun), air.tint(sun));
    addDisc(image, grid, sun, kSunRadius, light, [](const Vec3&) { return 1.0; });
}

void addMoon(HdrImage& image, const Grid& grid, const SkySnapshot& s, const AirMassTable& air) {
    const Vec3 moon = unit(s.moon), sun = unit(s.sun);
    if (moon.y < -float(kMoonRadius)) return;
    const double phaseAngle = (kPi - std::acos(std::clamp(dot(moon, sun), -1.0, 1.0))) / kDeg;
    const double magnitude = -12.73 + 0.026 * phaseAngle + 4e-9 * std::pow(phaseAngle, 4.0);
    const Vec3 light = lightOf(illuminance(magnitude) * air.transmittance(moon), air.tint(moon));
    // Lommel-Seeliger: radiance ∝ μ0 / (μ0 + μ), μ0 and μ the cosines toward the sun and the
    // observer of the surface normal n = offset - moon·sqrt(1 - |offset|²).
    addDisc(image, grid, moon, kMoonRadius, light, [&moon, &sun](const Vec3& q) {
        const double q2 = std::min(1.0, dot(q, q)), mu = std::sqrt(1.0 - q2);
        const Vec3 n(float(q.x - moon.x * mu), float(q.y - moon.y * mu), float(q.z - moon.z * mu));
        const double mu0 = dot(n, sun);
        return mu0 > 0.0 ? mu0 / (mu0 + mu) : 0.0;
    });
}

// Stars and planets: each into the pixel it falls in.
void addStars(HdrImage& image, const Grid& grid, const SkySnapshot& s, const AirMassTable& air) {
    for (const Astro::STARDESC& star : s.stars) {
        const Vec3 d = unit(star.vPos);
        float px, py;
        if (d.y < 0.0f || !grid.pixel(d, px, py)) continue;
        const int x = std::clamp(int(px), 0, grid.width - 1), y = std::clamp(int(py), 0, grid.height - 1);
        // The catalogue colours are display values (power 0.45): back to linear, luminance 1.
        const double r = std::pow(std::max(0.0f, star.vColor.x), 1.0 / 0.45),
                     g = std::pow(std::max(0.0f, star.vColor.y), 1.0 / 0.45),
                     b = std::pow(std::max(0.0f, star.vColor.z), 1.0 / 0.45);
        const double luma = 0.2126 * r + 0.7152 * g + 0.0722 * b;
        if (!(luma > 0.0) || !std::isfinite(star.fMagnitude)) continue;
        const Vec3 tint = air.tint(d);
        const Vec3 colour(float(r / luma * tint.x), float(g / luma * tint.y), float(b / luma * tint.z));
        const Vec3 light = lightOf(illuminance(star.fMagnitude) * air.transmittance(d), colour);
        const double k = 1.0 / grid.solidAngle(x, y);
        float* p = &image.rgb[(static_cast<size_t>(y) * grid.width + x) * 3];
        p[0] += float(light.x * k);
        p[1] += float(light.y * k);
        p[2] += float(light.z * k);
    }
}

HdrImage render(enviro::Sky& sky, const SkySnapshot& s, const Grid& grid, const AirMassTable& air) {
    HdrImage image;
    image.width = grid.width;
    image.height = grid.height;
    const size_t count = static_cast<size_t>(grid.width) * grid.height;
    std::vector<Vec3> dirs(count), colours(count);
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) dirs[static_cast<size_t>(y) * grid.width + x] = grid.direction(x + 0.5f, y + 0.5f);
    const Math::Vector<4, float> sun(s.sun.x, s.sun.y, s.sun.z, 0.0f);
    sky.getSkyColorArray(dirs.data(), static_cast<int>(count), sun, s.altitudeM, colours.data());
    image.rgb.resize(count * 3);
    for (size_t i = 0; i < count; ++i) {
        image.rgb[i * 3 + 0] = colours[i].x;
        image.rgb[i * 3 + 1] = colours[i].y;
        image.rgb[i * 3 + 2] = colours[i].z;
    }
    addStars(image, grid, s, air);
    addMoon(image, grid, s, air);
    addSun(image, grid, s, air);
    return image;
}

bool hasExtension(const std::string& path, const char* ext) {
    const size_t n = std::char_traits<char>::length(ext);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != ext[i]) return false;
    return true;
}

bool encodeRadiance(const HdrImage& image, std::vector<unsigned char>& out) {
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(context);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    return stbi_write_hdr_to_func(append, &out, image.width, image.height, 3, image.rgb.data()) != 0;
}

bool encodeExr(const HdrImage& image, std::vector<unsigned char>& out, std::string& error) {
    const size_t count = static_cast<size_t>(image.width) * image.height;
    std::vector<float> planes[3];  // B, G, R: the channel order readers expect
    for (int c = 0; c < 3; ++c) {
        planes[c].resize(count);
        for (size_t i = 0; i < count; ++i) planes[c][i] = image.rgb[i * 3 + (2 - c)];
    }
    float* channels[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
    EXRImage exr;
    InitEXRImage(&exr);
    exr.num_channels = 3;
    exr.images = reinterpret_cast<unsigned char**>(channels);
    exr.width = image.width;
    exr.height = image.height;
    EXRHeader header;
    InitEXRHeader(&header);
    header.num_channels = 3;
    EXRChannelInfo info[3] = {};
    const char* names[3] = {"B", "G", "R"};
    int types[3] = {TINYEXR_PIXELTYPE_FLOAT, TINYEXR_PIXELTYPE_FLOAT, TINYEXR_PIXELTYPE_FLOAT};
    for (int c = 0; c < 3; ++c) info[c].name[0] = names[c][0];
    header.channels = info;
    header.pixel_types = types;
    header.requested_pixel_types = types;
    header.compression_type = TINYEXR_COMPRESSIONTYPE_ZIP;
    unsigned char* memory = nullptr;
    const char* message = nullptr;
    const size_t size = SaveEXRImageToMemory(&exr, &header, &memory, &message);
    if (size == 0 || !memory) {
        error = std::string("cannot encode the OpenEXR image: ") + (message ? message : "unknown error");
        if (message) FreeEXRErrorMessage(message);
        return false;
    }
    out.assign(memory, memory + size);
    free(memory);
    return true;
}

}  // namespace

Math::Vector<3, float> panoramaDirection(int width, int height, float px, float py) {
    const double az = (px / width - 0.5) * 2.0 * kPi, el = 0.5 * kPi - py / height * kPi;
    return Vec3(float(std::cos(el) * std::cos(az)), float(std::sin(el)), float(std::cos(el) * std::sin(az)));
}

Math::Vector<3, float> cubeFaceDirection(int face, int size, float px, float py) {
    const float a = 2.0f * px / size - 1.0f, b = 2.0f * py / size - 1.0f;
    switch (face) {
        case 0: return Vec3(1.0f, -b, -a);
        case 1: return Vec3(-1.0f, -b, a);
        case 2: return Vec3(a, 1.0f, b);
        case 3: return Vec3(a, -1.0f, -b);
        case 4: return Vec3(a, -b, 1.0f);
        default: return Vec3(-a, -b, -1.0f);
    }
}

HdrImage renderPanorama(enviro::Sky& sky, const SkySnapshot& s, int height) {
    const AirMassTable air(*g_AstroManager);
    return render(sky, s, PanoramaGrid(2 * height, height), air);
}

std::array<HdrImage, 6> renderCubeMap(enviro::Sky& sky, const SkySnapshot& s, int faceSize) {
    const AirMassTable air(*g_AstroManager);
    std::array<HdrImage, 6> faces;
    for (int f = 0; f < 6; ++f) faces[f] = render(sky, s, CubeFaceGrid(f, faceSize), air);
    return faces;
}

bool isHdrFileName(const std::string& path) { return hasExtension(path, ".hdr") || hasExtension(path, ".exr"); }

bool writeHdrImage(const HdrImage& image, const std::string& path, std::string& error) {
    std::vector<unsigned char> bytes;
    if (hasExtension(path, ".exr")) {
        if (!encodeExr(image, bytes, error)) return false;
    } else if (!encodeRadiance(image, bytes)) {
        error = "cannot encode the Radiance image \"" + path + "\"";
        return false;
    }
    return writeFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace skytool
