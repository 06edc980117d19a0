#pragma once
// Rendering library: the asynchronous texture cache the skin effector asks about files.
#include "enviro/EnviroApi.h"

namespace graphics { class Texture; }

// Descriptor of one cached texture. Plain record, copied whole.
struct SCachedTexDesc {
    char szFileName[260];        // zero-terminated file name; empty = no texture
    graphics::Texture* pTexture; // the loaded texture, null while there is none
    unsigned char bFinished;     // non-zero once the cache has finished with the file
    unsigned char reserved[7];

    SCachedTexDesc() : szFileName{}, pTexture(nullptr), bFinished(0), reserved{} {}
};

class CCachedHandle {
public:
    virtual ~CCachedHandle() = default;
    virtual SCachedTexDesc* getDesc() = 0;
};

class CAsyncCache {
public:
    virtual ~CAsyncCache() = default;
    // The handle of a texture requested before (matched by file name), or null.
    virtual CCachedHandle* getExistingHandle(const SCachedTexDesc* desc) = 0;
};

// Installed by the host; null until then (every file then counts as not cached yet).
ENVIRO_API extern CAsyncCache* g_pTexCache;
