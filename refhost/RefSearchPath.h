#pragma once
// Where the reference host finds the files the module names: the working directory first, then
// the data root. Names arrive as the module writes them ("LuaScripts\Astro.cfg"); every '\\'
// becomes '/'. Matching is case-sensitive, as the file system is. An absolute name is looked up
// as it stands.
#include <string>

namespace refhost {

class RefSearchPath {
public:
    explicit RefSearchPath(const std::string& dataRoot = "") : m_dataRoot(dataRoot) {}

    const std::string& dataRoot() const { return m_dataRoot; }
    void setDataRoot(const std::string& dataRoot) { m_dataRoot = dataRoot; }

    // The path of the first regular file found for name, or "" (null or empty name, not found).
    std::string resolve(const char* name) const;
    // name with '\\' mapped to '/'.
    static std::string toForwardSlashes(const char* name);

private:
    std::string m_dataRoot;
};

}  // namespace refhost
