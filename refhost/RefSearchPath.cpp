#include "refhost/RefSearchPath.h"

#include <filesystem>
#include <system_error>

namespace refhost {

namespace {

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string RefSearchPath::toForwardSlashes(const char* name) {
    std::string out = name ? name : "";
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string RefSearchPath::resolve(const char* name) const {
    std::string relative = toForwardSlashes(name);
    if (relative.empty()) return "";
    if (isRegularFile(relative)) return relative;
    if (relative[0] == '/' || m_dataRoot.empty()) return "";
    std::string inRoot = m_dataRoot;
    if (inRoot.back() != '/') inRoot += '/';
    inRoot += relative;
    return isRegularFile(inRoot) ? inRoot : "";
}

}  // namespace refhost
