#include "refhost/RefTextureCache.h"

#include <cctype>
#include <cstring>

namespace refhost {

namespace {

char folded(char c) {
    if (c == '\\') return '/';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

bool RefTextureCache::sameFileName(const char* a, const char* b) {
    if (!a || !b) return false;
    for (; *a && *b; ++a, ++b)
        if (folded(*a) != folded(*b)) return false;
    return *a == *b;
}

RefCachedHandle* RefTextureCache::findHandle(const char* fileName) {
    for (auto& h : m_handles)
        if (sameFileName(h->m_desc.szFileName, fileName)) return h.get();
    return nullptr;
}

RefCachedHandle* RefTextureCache::add(const char* fileName, graphics::Texture* texture, bool finished) {
    if (!fileName || !*fileName) return nullptr;
    RefCachedHandle* handle = findHandle(fileName);
    if (!handle) {
        m_handles.push_back(std::make_unique<RefCachedHandle>());
        handle = m_handles.back().get();
        const size_t max = sizeof(handle->m_desc.szFileName) - 1;
        std::strncpy(handle->m_desc.szFileName, fileName, max);
        handle->m_desc.szFileName[max] = '\0';
    }
    handle->m_desc.pTexture = texture;
    handle->m_desc.bFinished = finished ? 1 : 0;
    return handle;
}

CCachedHandle* RefTextureCache::getExistingHandle(const SCachedTexDesc* desc) {
    ++m_lookups;
    if (!desc) return nullptr;
    char name[sizeof(desc->szFileName) + 1];
    std::memcpy(name, desc->szFileName, sizeof(desc->szFileName));
    name[sizeof(desc->szFileName)] = '\0';  // the caller's name need not be terminated
    if (!name[0]) return nullptr;
    return findHandle(name);
}

}  // namespace refhost
