#pragma once
// Writing outputs so that a failure never leaves a half-written file: the bytes go to a temporary
// file in the same folder, every write is checked, and only a complete file is renamed over the
// target. A target that exists and is not a regular file (a device such as /dev/null or
// /dev/full, a pipe) is written directly, with the same checks.
#include <cstddef>
#include <string>

namespace skytool {

// Writes size bytes to path as described above; false with the reason in error (nothing is left
// behind: the temporary file is removed and an existing target is untouched).
bool writeFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);

// Checks, before anything is written, that a file can be created at path: its folder exists and
// is writable and path is not a folder. False with the reason in error.
bool checkOutputFile(const std::string& path, std::string& error);

// The same for a folder that will be made if missing: the nearest existing ancestor must be a
// writable folder.
bool checkOutputFolder(const std::string& path, std::string& error);

}  // namespace skytool
