#pragma once
// Helpers shared by the fuzz targets: a private scratch directory for the readers that take file
// names, whole-file writes, and a check that stops the run when an invariant breaks (the fuzzer
// then keeps the input as a crash, like any sanitizer report).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline void require(bool condition) {
    if (!condition) __builtin_trap();
}

// A fresh directory under the temporary folder, made on first use and removed when the process
// ends normally. One per process, so parallel fuzzers do not share files.
inline const std::string& scratchDir() {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "enviro_fuzz_XXXXXX").string();
        require(mkdtemp(&pattern[0]) != nullptr);
        return pattern;
    }();
    static const struct Remover {
        ~Remover() {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    } remover;
    return dir;
}

inline void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    require(file != nullptr);
    require(size == 0 || std::fwrite(data, 1, size, file) == size);
    require(std::fclose(file) == 0);
}

}  // namespace fuzz
