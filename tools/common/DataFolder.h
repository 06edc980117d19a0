#pragma once
// Where a tool finds the bundled data when it is given no folder: beside its own executable, so that
// an installed package (moved or not) and the build tree both work with no path fixed at build time.
// Every tool that reads the data takes its default from here.
#include <filesystem>
#include <string>

namespace tools {

// The data folder of a program whose executable is `executable`: the first of
//   <executable's folder>/../share/enviro   an install (P/bin/tool -> P/share/enviro)
//   <executable's folder>/../data           the build tree (build/tools/tool -> build/data)
// that holds "LuaScripts/Astro.cfg"; the install's folder when neither does, so that an error
// message names where the data was expected.
std::filesystem::path dataFolderBeside(const std::filesystem::path& executable);

// dataFolderBeside for the running program (/proc/self/exe, symbolic links resolved); "data" in
// the working directory when the program's own path cannot be read.
std::string defaultDataFolder();

}  // namespace tools
