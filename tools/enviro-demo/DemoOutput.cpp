#include "DemoOutput.h"

#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "OutputFile.h"

namespace demotool {

namespace fs = std::filesystem;

bool prepareOutputFolder(const std::string& folder, std::string& error) {
    if (!skytool::checkOutputFolder(folder, error)) return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) error = "cannot make the folder \"" + folder + "\": " + ec.message();
    return !ec;
}

bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgba,
              std::string& error) {
    std::vector<unsigned char> png;
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<unsigned char>*>(context);
        out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    if (rgba.size() != size_t(width) * height * 4 ||
        !stbi_write_png_to_func(append, &png, width, height, 4, rgba.data(), width * 4)) {
        error = "cannot encode \"" + path + "\"";
        return false;
    }
    return skytool::writeFileAtomically(path, png.data(), png.size(), error);
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
