#pragma once
// The reference host's texture cache: tests and tools register what the cache "has loaded" by
// file name, and the module asks for it with getExistingHandle. File names match without regard
// to letter case, with '/' and '\\' alike, as the engine's file names do.
#include <memory>
#include <string>
#include <vector>

#include "enviro/host/Shader.h"
#include "enviro/host/TextureCache.h"

namespace refhost {

// A texture object with a settable file name.
class RefTexture final : public graphics::Texture {
public:
    explicit RefTexture(const char* fileName = "") : m_fileName(fileName ? fileName : "") {}
    const char* getFileName() override { return m_fileName.c_str(); }
    void setFileName(const char* fileName) { m_fileName = fileName ? fileName : ""; }

private:
    std::string m_fileName;
};

class RefCachedHandle final : public CCachedHandle {
public:
    SCachedTexDesc* getDesc() override { return &m_desc; }

private:
    friend class RefTextureCache;
    SCachedTexDesc m_desc;
};

class RefTextureCache final : public CAsyncCache {
public:
    // Registers (or updates) the entry of fileName (at most 259 characters are kept) and returns
    // its handle; null for a null or empty name.
    RefCachedHandle* add(const char* fileName, graphics::Texture* texture, bool finished);
    // Forgets every entry (handles given out before become invalid).
    void clear() { m_handles.clear(); }
    int size() const { return static_cast<int>(m_handles.size()); }
    int lookupCount() const { return m_lookups; }

    // The handle whose file name matches desc->szFileName, or null (also for a null desc).
    CCachedHandle* getExistingHandle(const SCachedTexDesc* desc) override;

    static bool sameFileName(const char* a, const char* b);

private:
    RefCachedHandle* findHandle(const char* fileName);

    std::vector<std::unique_ptr<RefCachedHandle>> m_handles;
    int m_lookups = 0;
};

}  // namespace refhost
