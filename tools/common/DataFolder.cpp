#include "tools/common/DataFolder.h"

#include <system_error>

namespace tools {

namespace fs = std::filesystem;

fs::path dataFolderBeside(const fs::path& executable) {
    // Both paths are relative to the executable's folder; CMake derives them from the install and
    // build layouts.
    const fs::path bin = executable.parent_path();
    const fs::path installed = (bin / ENVIRO_DATA_FROM_BIN).lexically_normal();
    const fs::path buildTree = (bin / ENVIRO_DATA_FROM_BUILD_TOOLS).lexically_normal();
    for (const fs::path& folder : {installed, buildTree}) {
        std::error_code ignored;
        if (fs::is_regular_file(folder / "LuaScripts" / "Astro.cfg", ignored)) return folder;
    }
    return installed;
}

std::string defaultDataFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string("data") : dataFolderBeside(self).string();
}

}  // namespace tools
