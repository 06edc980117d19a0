#include "refhost/RefPackageManager.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace refhost {

namespace {

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<unsigned char>* out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) out->insert(out->end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

}  // namespace

CPackageFile* RefPackageManager::open(const char* name) {
    ++m_openCalls;
    const std::string path = m_searchPath.resolve(name);
    if (path.empty()) return nullptr;
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, &bytes)) return nullptr;
    return new RefPackageFile(std::move(bytes), m_openFiles);
}

RefPackageFile::RefPackageFile(std::vector<unsigned char> bytes, std::shared_ptr<int> openFiles)
    : m_bytes(std::move(bytes)), m_openFiles(std::move(openFiles)) {
    ++*m_openFiles;
}

RefPackageFile::~RefPackageFile() { --*m_openFiles; }

long RefPackageFile::tell() { return m_position; }

int RefPackageFile::seek(long offset, int origin) {
    long base;
    switch (origin) {
        case 0: base = 0; break;
        case 1: base = m_position; break;
        case 2: base = static_cast<long>(m_bytes.size()); break;
        default: return -1;
    }
    if (offset < -base) return -1;  // before the start
    m_position = base + offset;     // past the end is allowed; reads there deliver nothing
    return 0;
}

size_t RefPackageFile::read(void* dst, size_t count, int) {
    if (!dst || count == 0 || m_position >= static_cast<long>(m_bytes.size())) return 0;
    const size_t available = m_bytes.size() - static_cast<size_t>(m_position);
    const size_t n = count < available ? count : available;
    std::memcpy(dst, m_bytes.data() + m_position, n);
    m_position += static_cast<long>(n);
    return n;
}

}  // namespace refhost
