#pragma once
// The reference host's packaged files: plain files found through the host's search path, read
// whole into memory when opened (as a package archive would hand out a member), so that tell and
// seek cost nothing. A file counts as open until the module deletes its CPackageFile.
#include <memory>
#include <vector>

#include "enviro/host/CommonServices.h"
#include "refhost/RefSearchPath.h"

namespace refhost {

class RefPackageManager final : public CPackageManager {
public:
    explicit RefPackageManager(const RefSearchPath& searchPath) : m_searchPath(searchPath) {}

    // Null when the name is not found or cannot be opened.
    CPackageFile* open(const char* name) override;

    // Files opened and not yet deleted (a test's leak check).
    int openFileCount() const { return *m_openFiles; }
    int openCallCount() const { return m_openCalls; }

private:
    const RefSearchPath& m_searchPath;
    std::shared_ptr<int> m_openFiles = std::make_shared<int>(0);  // shared: a file may outlive us
    int m_openCalls = 0;
};

// One open file. seek returns 0 on success and -1 on failure (unknown origin, a position before
// the start); read delivers at most count bytes and returns how many it did (0 at the end or
// for a null destination).
class RefPackageFile final : public CPackageFile {
public:
    RefPackageFile(std::vector<unsigned char> bytes, std::shared_ptr<int> openFiles);
    ~RefPackageFile() override;
    RefPackageFile(const RefPackageFile&) = delete;
    RefPackageFile& operator=(const RefPackageFile&) = delete;

    long tell() override;
    int seek(long offset, int origin) override;
    size_t read(void* dst, size_t count, int flags) override;

private:
    std::vector<unsigned char> m_bytes;
    long m_position = 0;
    std::shared_ptr<int> m_openFiles;
};

}  // namespace refhost
