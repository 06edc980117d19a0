#pragma once
// The reference host's common services: configuration files (sandboxed Lua, see
// RefConfigReader.h) and 24-bit bitmaps, found through the host's search path.
//
// Bitmaps:
// - loadBitmap24 accepts two kinds of file: an uncompressed 24-bit BMP (top-down or bottom-up)
//   and a PNG with three 8-bit channels. Anything else (other bit depths, alpha or grey channels,
//   other image formats, a truncated or damaged file, a missing file) fails: false, and the record
//   is cleared to empty. The record is overwritten either way; free a loaded bitmap first.
// - Pixel data is BITMAP_'s layout: rows from the top, 3 bytes per pixel (red, green, blue),
//   no row padding; nSize = width * height * 3. The data is allocated with new[] and released
//   by freeBitmap, which also clears the record.
// - getTexel (int) clamps x and y to the edges and returns the bytes / 255; an empty or
//   inconsistent record (null data, sizes below 1, nSize too small) reads black.
// - getTexel (float) filters bilinearly between the four nearest pixels, pixel centres at
//   integer coordinates (x = 1.0 is pixel 1, x = 0.5 halfway between pixels 0 and 1), with the
//   coordinates clamped to the edges; NaN reads as 0.
#include <array>
#include <functional>
#include <string>

#include "enviro/host/CommonServices.h"
#include "refhost/RefConfigReader.h"
#include "refhost/RefSearchPath.h"

namespace refhost {

class RefCommonServices final : public common::ICommonServices {
public:
    using PixelFunction = std::function<std::array<unsigned char, 3>(int x, int y)>;

    explicit RefCommonServices(const RefSearchPath& searchPath) : m_searchPath(searchPath) {}

    // The file the module's name refers to, or "" when not found (see RefSearchPath).
    std::string resolvePath(const char* name) const { return m_searchPath.resolve(name); }

    // Never null; a missing or broken file gives a reader with no entries and an error text.
    common::IConfigReader* openConfig(const char* path) override;
    bool loadBitmap24(BITMAP_* bitmap, const char* path) override;
    void freeBitmap(BITMAP_* bitmap) override;
    void getTexel(const BITMAP_* bitmap, int x, int y, float* r, float* g, float* b) override;
    void getTexel(const BITMAP_* bitmap, float x, float y, float* r, float* g, float* b) override;

    // Error of the last openConfig, "" when it succeeded.
    const std::string& lastConfigError() const { return m_configError; }
    // Why the last loadBitmap24 failed, "" when it succeeded.
    const std::string& lastBitmapError() const { return m_bitmapError; }
    void setConfigLimits(const RefConfigReader::Limits& limits) { m_configLimits = limits; }

    // Builds a bitmap in memory (for tests and tools): pixel (x, y) from fn. Release it with
    // freeBitmap. False (record cleared) for sizes below 1 or too large.
    static bool makeBitmap(BITMAP_* bitmap, int width, int height, const PixelFunction& fn);

private:
    bool failBitmap(BITMAP_* bitmap, const std::string& why);

    const RefSearchPath& m_searchPath;
    RefConfigReader::Limits m_configLimits;
    std::string m_configError;
    std::string m_bitmapError;
};

}  // namespace refhost
