#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace skytool {

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + quoted(path) + ": " + std::strerror(errno);
}

// Writes all bytes to an open descriptor, retrying short writes; false on the first error.
bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool writeDirectly(const std::string& path, const void* data, size_t size, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        error = systemError("cannot open", path);
        return false;
    }
    const bool written = writeAll(fd, data, size);
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        errno = written ? errno : savedErrno;
        error = systemError("cannot write", path);
        return false;
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const void* data, size_t size, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            error = quoted(path) + " is a folder";
            return false;
        }
        return writeDirectly(path, data, size, error);
    }
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = systemError("cannot create a file in the folder of", path);
        return false;
    }
    temp = name.data();
    bool ok = writeAll(fd, data, size);
    int savedErrno = errno;
    if (ok && ::fsync(fd) != 0) ok = false, savedErrno = errno;
    const mode_t mask = ::umask(0);  // the mode a plain create would give
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0 && ok) ok = false, savedErrno = errno;
    if (::close(fd) != 0 && ok) ok = false, savedErrno = errno;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false, savedErrno = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        errno = savedErrno;
        error = systemError("cannot write", path);
        return false;
    }
    return true;
}

bool checkOutputFile(const std::string& path, std::string& error) {
    std::error_code ec;
    const fs::path target(path);
    if (fs::is_directory(target, ec)) {
        error = "cannot write " + quoted(path) + ": it is a folder";
        return false;
    }
    if (fs::exists(target, ec) && !fs::is_regular_file(target, ec)) {
        if (::access(path.c_str(), W_OK) == 0) return true;  // a device or pipe: written in place
        error = systemError("cannot write", path);
        return false;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) {
        error = "cannot write " + quoted(path) + ": the folder " + quoted(folder.string()) + " does not exist";
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = systemError("cannot write " + quoted(path) + ": no permission to write in the folder", folder.string());
        return false;
    }
    return true;
}

bool checkOutputFolder(const std::string& path, std::string& error) {
    std::error_code ec;
    fs::path folder(path);
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        error = "cannot use " + quoted(path) + " as a folder: it is a file";
        return false;
    }
    while (!folder.empty() && !fs::exists(folder, ec)) folder = folder.parent_path();
    if (folder.empty()) folder = ".";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = systemError("cannot write in the folder", folder.string());
        return false;
    }
    return true;
}

}  // namespace skytool
