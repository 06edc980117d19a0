// End-to-end tests of enviro-sky: the program is run as a user would run it, on a private copy of
// the bundled data, and its report and images are checked against an independent computation.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>
#include <stb_image.h>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

struct ProgramRun {
    int exitCode;
    std::string out, err;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class EnviroSky : public ::testing::Test {
protected:
    static fs::path s_dir;

    // A private writable copy of the bundled data; a stand-in configuration when there is none.
    static void SetUpTestSuite() {
        s_dir = fs::temp_directory_path() / ("enviro-sky-test-" + std::to_string(::getpid()));
        fs::remove_all(s_dir);
        fs::create_directories(s_dir / "data");
        fs::copy(ENVIRO_SOURCE_DATA, s_dir / "data", fs::copy_options::recursive);
        fs::remove(s_dir / "data" / "PPMbin.dat");
        if (!fs::exists(s_dir / "data" / "LuaScripts" / "Astro.cfg")) {
            fs::create_directories(s_dir / "data" / "LuaScripts");
            std::ofstream(s_dir / "data" / "LuaScripts" / "Astro.cfg")
                << "Lattidue = 45\nLongtidue = 7\nEquinox = 2000\nEpoch = 2000\n"
                   "MinStarsMagnitude = -2\nMaxStarsMagnitude = 6.5\n";
        }
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    // Runs the program on a data folder (the shared copy by default); shell commands in prefix
    // run first (e.g. a file size limit).
    static ProgramRun run(const std::string& args, const fs::path& data = {}, const std::string& prefix = "") {
        const fs::path err = s_dir / "stderr.txt";
        const std::string command = prefix + std::string("'") + ENVIRO_SKY_PROGRAM + "' --data '" +
                                    (data.empty() ? s_dir / "data" : data).string() + "' " + args + " 2>'" +
                                    err.string() + "'";
        FILE* pipe = popen(command.c_str(), "r");
        ProgramRun r{-1, "", ""};
        if (!pipe) return r;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
        const int status = pclose(pipe);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = readFile(err);
        return r;
    }
    static nlohmann::json runJson(const std::string& args) {
        const ProgramRun r = run(args + " --json");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }
    static std::string path(const std::string& name) { return (s_dir / name).string(); }
    // A fresh copy of the bundled data, without a star cache.
    static fs::path freshData(const std::string& name) {
        const fs::path dir = s_dir / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy(ENVIRO_SOURCE_DATA, dir, fs::copy_options::recursive);
        fs::remove(dir / "PPMbin.dat");
        return dir;
    }
};

fs::path EnviroSky::s_dir;

// The line of a text report that starts with label ("" when missing).
std::string lineOf(const std::string& report, const std::string& label) {
    const size_t at = report.find("\n" + label);
    if (at == std::string::npos) return "";
    const size_t end = report.find('\n', at + 1);
    return report.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
}

// The number that follows the first occurrence of word in text (NaN when missing).
double numberAfter(const std::string& text, const std::string& word) {
    const size_t at = text.find(word);
    if (at == std::string::npos) return std::nan("");
    return std::strtod(text.c_str() + at + word.size(), nullptr);
}

// Low-precision solar position (the Astronomical Almanac's formulas, about 0.01 degree):
// elevation and azimuth in degrees for an instant in Unix seconds, latitude and east longitude.
void almanacSun(double unixSeconds, double latDeg, double lonDeg, double& elevation, double& azimuth) {
    const double n = unixSeconds / 86400.0 + 2440587.5 - 2451545.0;
    const double L = 280.460 + 0.9856474 * n, g = (357.528 + 0.9856003 * n) * kDeg;
    const double lambda = (L + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * kDeg;
    const double eps = (23.439 - 0.0000004 * n) * kDeg;
    const double ra = std::atan2(std::cos(eps) * std::sin(lambda), std::cos(lambda));
    const double dec = std::asin(std::sin(eps) * std::sin(lambda));
    const double gmstDeg = std::fmod(280.46061837 + 360.98564736629 * n, 360.0);
    const double h = (gmstDeg + lonDeg) * kDeg - ra, phi = latDeg * kDeg;
    elevation = std::asin(std::sin(phi) * std::sin(dec) + std::cos(phi) * std::cos(dec) * std::cos(h)) / kDeg;
    azimuth = std::atan2(-std::cos(dec) * std::sin(h), std::sin(dec) * std::cos(phi) - std::cos(dec) * std::cos(h) * std::sin(phi)) / kDeg;
    if (azimuth < 0) azimuth += 360.0;
}

struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    explicit Image(const std::string& file) {
        int c;
        unsigned char* data = stbi_load(file.c_str(), &w, &h, &c, 3);
        if (data) px.assign(data, data + w * h * 3);
        stbi_image_free(data);
    }
    bool near(int x, int y, int r, int g, int b, int tol) const {
        const unsigned char* p = &px[(y * w + x) * 3];
        return std::abs(p[0] - r) <= tol && std::abs(p[1] - g) <= tol && std::abs(p[2] - b) <= tol;
    }
};

// Pixels of the inner moon disc drawn in the lit colour: count, and their mean offset from the centre.
struct LitPart {
    int lit = 0, total = 0;
    double dx = 0, dy = 0;
};
LitPart litPart(const Image& im, double cx, double cy, double radius) {
    LitPart out;
    for (int y = static_cast<int>(cy - radius); y <= static_cast<int>(cy + radius); ++y)
        for (int x = static_cast<int>(cx - radius); x <= static_cast<int>(cx + radius); ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (std::hypot(dx, dy) > 0.7 * radius) continue;
            ++out.total;
            if (im.near(x, y, 237, 235, 219, 30)) {
                ++out.lit;
                out.dx += dx;
                out.dy += dy;
            }
        }
    if (out.lit) out.dx /= out.lit, out.dy /= out.lit;
    return out;
}

TEST_F(EnviroSky, SummerNoonAtLatitude45PutsTheSunHighInTheSouth) {
    const int size = 400;
    const nlohmann::json j = runJson("-t 2024-06-21T12:00:00Z --lat 45 --lon 0 -s 400 -o '" + path("noon.png") + "'");
    double elevation, azimuth;
    almanacSun(1718971200.0, 45.0, 0.0, elevation, azimuth);
    EXPECT_NEAR(j["sun"]["elevation_deg"].get<double>(), elevation, 1.0);
    EXPECT_NEAR(j["sun"]["azimuth_deg"].get<double>(), azimuth, 1.0);
    EXPECT_NEAR(elevation, 68.4, 0.3);  // the oracle itself: 90 - 45 + 23.4
    // applyLighting ran: a high sun gives a bright directional light and a bluish ambient.
    EXPECT_GT(j["lighting"]["light"][0].get<double>(), 0.5);
    EXPECT_GT(j["lighting"]["ambient"][2].get<double>(), j["lighting"]["ambient"][0].get<double>());

    // The sun's disc colour, found in the image, sits on the south meridian at the zenith distance.
    const Image im(path("noon.png"));
    ASSERT_EQ(im.w, size);
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x)
            if (im.near(x, y, 255, 247, 219, 2)) sx += x + 0.5, sy += y + 0.5, ++n;
    ASSERT_GT(n, 20);
    const double radius = size / 2.0 - std::max(14.0, size * 0.035);
    EXPECT_NEAR(sx / n, size / 2.0, 3.0);
    EXPECT_NEAR(sy / n, size / 2.0 + (90.0 - elevation) / 90.0 * radius, 3.0);
}

TEST_F(EnviroSky, TheObserversAltitudeMeetsTheOvercastLayer) {
    // A visibility of 6000 m makes an overcast layer from 1000 to 1400 m (the fog's defaults);
    // inside it the camera sees 10 m and the day's light goes out, below and above it it shines.
    double light[3];
    int i = 0;
    for (const char* altitude : {"0", "1200", "3000"})
        light[i++] = runJson(std::string("-t 2024-06-21T12:00:00+02:00 --visibility 6000 --altitude ") + altitude +
                             " -o ''")["lighting"]["light"][0].get<double>();
    EXPECT_LT(light[1], 0.01 * light[0]);
    EXPECT_LT(light[1], 0.01 * light[2]);
}

TEST_F(EnviroSky, MidnightHasTheSunBelowAndTheStarsAbove) {
    const ProgramRun r = run("-t 2024-01-15T00:00:00+00:00 --lat 45 --lon 0 -o ''");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const double sunElevation = numberAfter(lineOf(r.out, "Sun:"), "elevation ");
    double elevation, azimuth;
    almanacSun(1705276800.0, 45.0, 0.0, elevation, azimuth);
    EXPECT_LT(sunElevation, -18.0);
    EXPECT_NEAR(sunElevation, elevation, 1.0);
    const double stars = numberAfter(r.out, "Stars above the horizon: ");
    EXPECT_GT(stars, 2000);  // about half of the catalogue's 8874
    EXPECT_LT(stars, 7000);
}

TEST_F(EnviroSky, MoonDiscIsLitByPhaseAndTowardTheSun) {
    // Full moon (2024-06-22 01:08 UTC), seen at midnight; new moon (2024-07-05 22:57 UTC), seen at noon.
    const nlohmann::json full = runJson("-t 2024-06-22T00:00Z --lat 45 --lon 0 -s 512 -o '" + path("full.png") + "'");
    const nlohmann::json fresh = runJson("-t 2024-07-05T12:00Z --lat 45 --lon 0 -s 512 -o '" + path("new.png") + "'");
    ASSERT_TRUE(full["image"].contains("moon_px"));
    ASSERT_TRUE(fresh["image"].contains("moon_px"));
    EXPECT_GT(full["moon"]["phase"].get<double>(), 0.97);
    EXPECT_LT(fresh["moon"]["phase"].get<double>(), 0.05);
    const double r = full["image"]["disc_radius_px"].get<double>();
    const LitPart f = litPart(Image(path("full.png")), full["image"]["moon_px"][0], full["image"]["moon_px"][1], r);
    const LitPart z = litPart(Image(path("new.png")), fresh["image"]["moon_px"][0], fresh["image"]["moon_px"][1], r);
    ASSERT_GT(f.total, 20);
    EXPECT_GE(f.lit, f.total * 95 / 100);
    EXPECT_LE(z.lit, z.total * 5 / 100);

    // Near first quarter (2024-06-14 05:18 UTC) in the evening: about half lit, on the sun's side.
    const nlohmann::json half = runJson("-t 2024-06-14T18:00Z --lat 45 --lon 0 -s 512 -o '" + path("half.png") + "'");
    ASSERT_TRUE(half["image"].contains("moon_px"));
    ASSERT_TRUE(half["image"].contains("sun_px"));
    const double mx = half["image"]["moon_px"][0], my = half["image"]["moon_px"][1];
    const LitPart h = litPart(Image(path("half.png")), mx, my, r);
    EXPECT_GT(h.lit, h.total * 30 / 100);
    EXPECT_LT(h.lit, h.total * 85 / 100);
    const double towardSun = h.dx * (half["image"]["sun_px"][0].get<double>() - mx) +
                             h.dy * (half["image"]["sun_px"][1].get<double>() - my);
    EXPECT_GT(towardSun, 0.0);
}

TEST_F(EnviroSky, JsonParsesAndAgreesWithTheTextReport) {
    const std::string args = "-t 2024-03-10T21:15:00-05:00 --lat -33.9 --lon 151.2 -o ''";
    const ProgramRun text = run(args);
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const nlohmann::json j = runJson(args);
    EXPECT_EQ(j["time"]["utc"], "2024-03-11T02:15:00+00:00");
    // The module is given UT + 1 h.
    EXPECT_EQ(j["time"]["module"]["day"], 11);
    EXPECT_EQ(j["time"]["module"]["hour"], 3);
    EXPECT_EQ(j["time"]["module"]["minute"], 15);
    const std::string sun = lineOf(text.out, "Sun:"), moon = lineOf(text.out, "Moon:");
    EXPECT_NEAR(numberAfter(sun, "azimuth "), j["sun"]["azimuth_deg"].get<double>(), 0.0006);
    EXPECT_NEAR(numberAfter(sun, "elevation "), j["sun"]["elevation_deg"].get<double>(), 0.0006);
    EXPECT_NEAR(numberAfter(moon, "azimuth "), j["moon"]["azimuth_deg"].get<double>(), 0.0006);
    EXPECT_NEAR(numberAfter(moon, "elevation "), j["moon"]["elevation_deg"].get<double>(), 0.0006);
    EXPECT_NEAR(numberAfter(text.out, "Moon phase:"), j["moon"]["phase"].get<double>(), 0.00006);
    EXPECT_EQ(numberAfter(text.out, "Stars above the horizon: "), j["stars_above_horizon"].get<int>());
    const std::string ambient = lineOf(text.out, "Ambient colour:");
    EXPECT_NEAR(numberAfter(ambient, ":"), j["lighting"]["ambient"][0].get<double>(), 0.00006);
    for (const auto& planet : j["planets_above_horizon"])
        EXPECT_NE(text.out.find("  " + planet["name"].get<std::string>() + " "), std::string::npos);
    EXPECT_NE(text.out.find("latitude -33.9000 deg, longitude 151.2000 deg"), std::string::npos);
    // The day's times: the same in both, local clock time in the text.
    EXPECT_EQ(j["planets_placement"], "apparent");  // as the bundled configuration asks
    for (const char* key : {"sunrise", "sunset", "moonrise"})
        EXPECT_NE(text.out.find(j["day"][key].get<std::string>().substr(11, 8)), std::string::npos) << key;
}

TEST_F(EnviroSky, InvalidOptionsExitWithCode2AndNameTheOption) {
    const struct {
        const char* args;
        const char* mention;
    } cases[] = {
        {"--lat 95", "--lat"},
        {"--lon -181", "--lon"},
        {"-t 2023-02-31T12:00Z", "February 2023 has 28 days"},
        {"-t 2024-06-21T12:00", "--time"},  // no UTC offset
        {"--bogus", "--bogus"},
        {"--size 10", "--size"},
        {"--timelapse 2024-06-21T00:00Z 2024-06-20T00:00Z 1h --out-dir x", "--timelapse"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = run(std::string(c.args) + " -o ''");
        EXPECT_EQ(r.exitCode, 2) << c.args;
        EXPECT_NE(r.err.find(c.mention), std::string::npos) << c.args << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args;
    }
    // A leap day is a date; a 24:00 is not.
    EXPECT_EQ(run("-t 2024-02-29T12:00:00+01:00 -o ''").exitCode, 0);
    EXPECT_EQ(run("-t 2024-02-28T24:00:00+01:00 -o ''").exitCode, 2);
    const ProgramRun help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("UT + 1 h"), std::string::npos);
}

TEST_F(EnviroSky, DayChartAndTimelapseAreWritten) {
    const std::string dir = path("lapse");
    const ProgramRun r = run("-o '' --day-chart '" + path("chart.png") + "' --timelapse 2024-06-21T20:00+02:00 "
                      "2024-06-21T21:00+02:00 30m --out-dir '" + dir + "' -s 96");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Image chart(path("chart.png"));
    EXPECT_GT(chart.w, 600);
    for (const char* name : {"sky-0000.png", "sky-0001.png", "sky-0002.png"}) {
        const Image frame((fs::path(dir) / name).string());
        EXPECT_EQ(frame.w, 96) << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(dir) / "sky-0003.png"));
    EXPECT_NE(r.err.find("3/3"), std::string::npos);
}

// Every way the program was seen to give wrong or half-written output: a clear message and a
// non-zero exit, or the documented fallback with a warning; never a half-written file.
TEST_F(EnviroSky, BadInputGetsAClearMessageAndLeavesNoHalfWrittenFile) {
    using Setup = void (*)(const fs::path& data, const fs::path& out);
    struct Case {
        const char* name;
        Setup setup;
        const char* args;    // OUT stands for the case's output folder
        const char* prefix;  // shell commands run first
        int exitCode;
        const char* stderrHas;
        const char* stdoutHas;
        const char* mustNotExist;  // in OUT
    };
    const Case cases[] = {
        {"a device that is full", nullptr, "-o /dev/full", "", 1, "cannot write \"/dev/full\"", "", ""},
        {"a disk that fills up",
         [](const fs::path& data, const fs::path&) { ASSERT_EQ(run("-o ''", data).exitCode, 0); },
         "-s 1024 -o OUT/sky.png", "trap '' XFSZ; ulimit -f 16; ", 1, "cannot write", "", "sky.png"},
        {"latitude not a number", nullptr, "--lat 45abc -o ''", "", 2, "\"45abc\" is not a number", "", ""},
        {"latitude NaN", nullptr, "--lat nan -o ''", "", 2, "is not a finite number", "", ""},
        {"longitude infinite", nullptr, "--lon inf -o ''", "", 2, "is not a finite number", "", ""},
        {"altitude NaN", nullptr, "--altitude nan -o ''", "", 2, "is not a finite number", "", ""},
        {"visibility NaN", nullptr, "--visibility nan -o ''", "", 2, "is not a finite number", "", ""},
        {"below the lowest place", nullptr, "--altitude -600 -o ''", "", 2, "outside -500..35000", "", ""},
        {"below sea level", nullptr, "--altitude -400 -o '' --json", "", 0, "", "\"altitude_m\": -400", ""},
        {"damaged catalogue lines",
         [](const fs::path& data, const fs::path&) {
             std::ifstream in(data / "PPM.dat");
             std::string all, line;
             for (int n = 1; std::getline(in, line); ++n) {
                 if (n == 3) all += "garbage that is no star\n";
                 if (n == 10) line.replace(29, 2, "99");  // right ascension of 99 hours
                 all += line + "\n";
             }
             std::ofstream(data / "PPM.dat") << all;
         },
         "-o '' --json", "", 0, "2 damaged line(s) skipped (line 3, 11)", "\"stars\": 8873", ""},
        {"random bytes as the star cache",
         [](const fs::path& data, const fs::path&) {
             std::string bytes(600000, '\0');
             unsigned state = 12345;
             for (char& b : bytes) b = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
             std::ofstream(data / "PPMbin.dat", std::ios::binary) << bytes;
         },
         "-o '' --json", "", 0, "was damaged", "\"stars\": 8874", ""},
        {"a star cache older than its catalogue",
         [](const fs::path& data, const fs::path&) {
             ASSERT_EQ(run("-o ''", data).exitCode, 0);
             std::ifstream in(data / "PPM.dat");
             std::string head, line;
             for (int n = 0; n < 100 && std::getline(in, line); ++n) head += line + "\n";
             in.close();
             std::ofstream(data / "PPM.dat") << head;
             fs::last_write_time(data / "PPM.dat", fs::last_write_time(data / "PPMbin.dat") + std::chrono::seconds(5));
         },
         "-o '' --json", "", 0, "older than", "\"stars\": 100", ""},
        {"no light bitmap", [](const fs::path& data, const fs::path&) { fs::remove(data / "graphics/sky/light.bmp"); },
         "-o ''", "", 0, "light bitmap \"graphics/sky/light.bmp\" cannot be read", "Sun:", ""},
        {"no configuration", [](const fs::path& data, const fs::path&) { fs::remove(data / "LuaScripts/Astro.cfg"); },
         "-o ''", "", 1, "LuaScripts/Astro.cfg\" is missing", "", ""},
        {"a configuration syntax error",
         [](const fs::path& data, const fs::path&) { std::ofstream(data / "LuaScripts/Astro.cfg") << "Lattidue = 45\nEpoch = = 2000\n"; },
         "-o ''", "", 1, "configuration has an error: LuaScripts/Astro.cfg:2:", "", ""},
        {"no catalogue", [](const fs::path& data, const fs::path&) { fs::remove(data / "PPM.dat"); }, "-o ''", "", 1,
         "star catalogue \"PPM.dat\" is missing", "", ""},
        {"a star cache that cannot be written",
         [](const fs::path& data, const fs::path&) { fs::create_directories(data / "PPMbin.dat"); }, "-o ''", "", 1,
         "star cache cannot be written", "", ""},
        {"a day chart into a missing folder", nullptr, "-o OUT/sky.png --day-chart OUT/missing/chart.png", "", 1,
         "does not exist", "", "sky.png"},
        {"a timelapse over older frames",
         [](const fs::path&, const fs::path& out) {
             fs::create_directories(out / "lapse");
             std::ofstream(out / "lapse/sky-0007.png") << "old";
         },
         "-o '' --timelapse 2024-06-21T20:00Z 2024-06-21T21:00Z 1h --out-dir OUT/lapse", "", 1, "--force", "",
         "lapse/sky-0000.png"},
        {"a timelapse over older frames, forced",
         [](const fs::path&, const fs::path& out) {
             fs::create_directories(out / "lapse");
             std::ofstream(out / "lapse/sky-0007.png") << "old";
         },
         "-o '' -s 64 --force --timelapse 2024-06-21T20:00Z 2024-06-21T21:00Z 1h --out-dir OUT/lapse", "", 0, "2/2",
         "Sun:", "lapse/sky-0007.png"},
    };
    for (const Case& c : cases) {
        const fs::path data = freshData("bad-data"), out = s_dir / "bad-out";
        fs::remove_all(out);
        fs::create_directories(out);
        if (c.setup) c.setup(data, out);
        std::string args = c.args;
        for (size_t at; (at = args.find("OUT")) != std::string::npos;) args.replace(at, 3, out.string());
        const ProgramRun r = run(args, data, c.prefix);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.stderrHas), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.out.find(c.stdoutHas), std::string::npos) << c.name << ": " << r.out;
        if (c.exitCode != 0) {
            EXPECT_TRUE(r.out.empty()) << c.name;  // no report naming files that are not there
        }
        if (*c.mustNotExist) {
            EXPECT_FALSE(fs::exists(out / c.mustNotExist)) << c.name;
        }
        for (const auto& entry : fs::recursive_directory_iterator(out))  // no temporary file left behind
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << c.name << ": " << entry.path();
    }
}

}  // namespace
