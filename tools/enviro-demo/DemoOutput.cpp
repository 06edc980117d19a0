#include "DemoOutput.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace demotool {

namespace fs = std::filesystem;

bool prepareOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string probe = (fs::path(folder) / ".enviro-demo-probe").string();
    FILE* f = ec ? nullptr : std::fopen(probe.c_str(), "wb");
    if (!f) {
        error = "cannot write into the folder \"" + folder + "\"" + (ec ? ": " + ec.message() : "");
        return false;
    }
    std::fclose(f);
    fs::remove(probe, ec);
    return true;
}

bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgba,
              std::string& error) {
    const std::string part = path + ".part";
    if (rgba.size() != size_t(width) * height * 4 || !stbi_write_png(part.c_str(), width, height, 4, rgba.data(), width * 4)) {
        std::remove(part.c_str());
        error = "cannot write \"" + path + "\"";
        return false;
    }
    std::error_code ec;
    fs::rename(part, path, ec);
    if (ec) {
        std::remove(part.c_str());
        error = "cannot write \"" + path + "\": " + ec.message();
        return false;
    }
    return true;
}

void showProgress(int done, int total) {
    constexpr int kWidth = 40;
    const int filled = total > 0 ? done * kWidth / total : kWidth;
    std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(size_t(filled), '=').c_str(),
                 std::string(size_t(kWidth - filled), ' ').c_str(), done, total);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

bool haveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

bool encodeVideo(const std::string& folder, const std::string& name, const std::string& video, std::string& error) {
    const std::string command = "ffmpeg -loglevel error -y -framerate 24 -i \"" + folder + "/" + name +
                                "-%04d.png\" -c:v libx264 -pix_fmt yuv420p \"" + video + "\"";
    if (std::system(command.c_str()) != 0) {
        error = "ffmpeg could not make \"" + video + "\"";
        return false;
    }
    return true;
}

}  // namespace demotool
