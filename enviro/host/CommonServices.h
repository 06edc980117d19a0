#pragma once
// Common services library: configuration files, 24-bit bitmaps and packaged files.
// A host implements ICommonServices (configuration and bitmaps) and CPackageManager (packaged
// files) and installs them in common::pCommonServices and PACKMAN before createEnviro().
// The module calls the free functions and classes below, which forward to what is installed.
#include <cstddef>

#include "enviro/EnviroApi.h"

// A 24-bit bitmap: pData holds nSize bytes, 3 per pixel, row after row from the top, each pixel
// red, green, blue. An empty record has null data and zero sizes.
struct BITMAP_ {
    unsigned char* pData;
    int nWidth;
    int nHeight;
    int nSize;
};

namespace common {

// One configuration file (or one named block of it), as the host's reader parsed it.
// Entries are kept in file order; each is a plain key or a named block.
class IConfigReader {
public:
    virtual ~IConfigReader() = default;
    virtual int getEntryCount() const = 0;
    virtual const char* getEntryName(int index) const = 0;       // null out of range
    virtual bool isBlock(int index) const = 0;                   // false out of range
    virtual const IConfigReader* getBlock(int index) const = 0;  // null unless a block
    // Reads a top-level key; false (out unchanged) when absent or not of that type.
    virtual bool getInt(const char* name, int* out) const = 0;
    virtual bool getFloat(const char* name, float* out) const = 0;
    // Why the file gave no entries (missing, syntax error with file and line), or "".
    virtual const char* getError() const = 0;
};

class ICommonServices {
public:
    virtual ~ICommonServices() = default;
    // Opens and parses a configuration file; never null (a missing or broken file gives a
    // reader with no entries). The caller deletes the reader.
    virtual IConfigReader* openConfig(const char* path) = 0;
    virtual bool loadBitmap24(BITMAP_* bitmap, const char* path) = 0;
    virtual void freeBitmap(BITMAP_* bitmap) = 0;
    virtual void getTexel(const BITMAP_* bitmap, int x, int y, float* r, float* g, float* b) = 0;
    virtual void getTexel(const BITMAP_* bitmap, float x, float y, float* r, float* g, float* b) = 0;
};

// Installed by the host; null until then (configuration then has no entries, bitmaps fail to
// load, texels read as black).
ENVIRO_API extern ICommonServices* pCommonServices;

}  // namespace common

// Configuration reader. Construction (path, true, false) opens and parses the file; a block
// reader obtained from GetBlock reads one named block of it.
class CFGREADER {
public:
    CFGREADER(const char* path, bool unused0, bool unused1);
    ~CFGREADER();
    CFGREADER(const CFGREADER&) = delete;
    CFGREADER& operator=(const CFGREADER&) = delete;

    // Number of loaded top-level entries; 0 when the file is missing or broken.
    int GetLoadedCount() const;
    int GetVarInt(const char* name, int def) const;
    float GetVarFloat(const char* name, float def) const;
    // Non-zero when the entry at index is a plain key ("key" is the only kind asked about).
    char GetBlockID(int index, const char* kind) const;
    // Name of the entry at index, or "" out of range.
    const char* GetEntryName(int index) const;
    // Block reader of entry index; its GetLoadedCount() is 0 when the entry is not a block.
    // The block stays valid while this reader lives.
    const CFGREADER* GetBlock(int index) const;
    // Reads a key of this block (or file) into out, the default when absent; true when present.
    bool GetVarInt(int* out, const char* name, int def) const;

private:
    CFGREADER() = default;
    explicit CFGREADER(const common::IConfigReader* block);
    const common::IConfigReader* m_pReader = nullptr;
    bool m_bOwned = false;
    mutable CFGREADER* m_pBlocks = nullptr;  // lazily made block readers, one per entry
    mutable int m_nBlocks = 0;
};

bool LoadBitmap24(BITMAP_* bitmap, const char* path);
void FreeBitmap(BITMAP_* bitmap);
// Pixel at column x, row y as floats in 0..1 (clamped to the bitmap; black when empty).
void GetTexel(const BITMAP_* bitmap, int x, int y, float* r, float* g, float* b);
// The same at fractional coordinates (filtered by the host).
void GetTexel(const BITMAP_* bitmap, float x, float y, float* r, float* g, float* b);

// One open packaged file; closed by deleting it.
class CPackageFile {
public:
    virtual ~CPackageFile() = default;
    virtual long tell() = 0;
    // origin 0: from the start; 1: from the current position; 2: from the end.
    virtual int seek(long offset, int origin) = 0;
    // Delivers the next count bytes into dst; returns the number of bytes delivered.
    virtual size_t read(void* dst, size_t count, int flags) = 0;
};

class CPackageManager {
public:
    virtual ~CPackageManager() = default;
    // Opens a file by the module's name for it ("PPMbin.dat"); null when not found.
    virtual CPackageFile* open(const char* name) = 0;
};

// Installed by the host; null until then (every open then fails).
ENVIRO_API extern CPackageManager* PACKMAN;
