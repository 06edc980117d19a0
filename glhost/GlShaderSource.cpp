#include "glhost/GlShaderSource.h"

#include <regex>
#include <sstream>

namespace glhost {

namespace {

constexpr int kMaxIncludeDepth = 8;
const char* const kShaderFolder = "glhost/shaders/";

bool expandInto(const std::string& name, ShaderLookup lookup, int depth, std::string& out,
                std::vector<std::string>& files, std::string& error) {
    const char* text = lookup(name);
    if (!text) {
        error = "no shader file \"" + name + "\"";
        return false;
    }
    const int index = static_cast<int>(files.size());
    files.push_back(name);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    static const std::regex include(R"re(^\s*#\s*include\s+"([^"]+)"\s*$)re");
    while (std::getline(in, line)) {
        ++number;
        std::smatch m;
        if (!std::regex_match(line, m, include)) {
            out += line;
            out += '\n';
            continue;
        }
        if (depth >= kMaxIncludeDepth) {
            error = kShaderFolder + name + ":" + std::to_string(number) + ": includes nest too deep";
            return false;
        }
        out += "#line 1 " + std::to_string(files.size()) + "\n";
        std::string nested;
        if (!expandInto(m[1].str(), lookup, depth + 1, out, files, nested)) {
            error = kShaderFolder + name + ":" + std::to_string(number) + ": " + nested;
            return false;
        }
        out += "#line " + std::to_string(number + 1) + " " + std::to_string(index) + "\n";
    }
    return true;
}

}  // namespace

const char* findEmbeddedShader(const std::string& name) {
    for (int i = 0; i < kEmbeddedShaderCount; ++i)
        if (name == kEmbeddedShaders[i].name) return kEmbeddedShaders[i].text;
    return nullptr;
}

bool expandShaderSource(const std::string& name, ShaderLookup lookup, std::string& out,
                        std::vector<std::string>& files, std::string& error) {
    out.clear();
    files.clear();
    return expandInto(name, lookup, 0, out, files, error);
}

std::string describeShaderLog(const std::string& log, const std::vector<std::string>& files) {
    static const std::regex mesaStyle(R"(^(\d+):(\d+)\(\d+\):\s*(.*)$)");
    static const std::regex vendorStyle(R"(^(\d+)\((\d+)\)\s*:\s*(.*)$)");
    std::istringstream in(log);
    std::string line, out;
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_match(line, m, mesaStyle) || std::regex_match(line, m, vendorStyle)) {
            const size_t k = std::stoul(m[1].str());
            const std::string file = k < files.size() ? files[k] : "source " + m[1].str();
            line = kShaderFolder + file + ":" + m[2].str() + ": " + m[3].str();
        }
        if (!line.empty()) out += line + "\n";
    }
    return out;
}

}  // namespace glhost
