#pragma once
// The pixels of one render object of the reference renderer, kept in CPU memory in the layout of
// its format code, so that what the module writes reads back with that format's precision.
//
// Formats and what a texel keeps (bytes per texel):
//   21 A8R8G8B8       r, g, b, a as 8-bit unsigned normalised (4)
//   22 X8R8G8B8       r, g, b as 8-bit unsigned normalised; alpha is not stored and reads 1 (4)
//   23 R5G6B5         r 5 bits, g 6 bits, b 5 bits unsigned normalised; alpha reads 1 (2)
//   31 A2B10G10R10    r, g, b 10 bits, a 2 bits unsigned normalised (4)
//   77 D24X8          depth, 24-bit unsigned normalised (4)
//   80 D16            depth, 16-bit unsigned normalised (2)
//  111 R16F           one channel, kept as a 32-bit float (the half precision is not modelled) (4)
//  112 G16R16F        two channels, kept as 32-bit floats (8)
//  114 R32F           one 32-bit float (4)
//  116 A32B32G32R32F  four 32-bit floats (16)
// Writes go through the format: normalised channels are clamped to 0..1 (NaN to 0) and rounded
// to the nearest step; float channels are stored as given. Reads give four channels; the
// channels a format lacks read as 1 (a depth texel reads (d, 1, 1, 1)).
//
// The storage is allocated on the first write, so large targets that are never drawn into cost
// nothing; until then every texel reads as zero bytes decoded (black, alpha 1 where not stored).
#include <cstdint>
#include <vector>

#include "enviro/host/MathVector.h"

namespace refhost {

class RefImage {
public:
    // Is the format code one of the ten above?
    static bool isKnownFormat(int format);
    static bool isDepthFormat(int format);  // 77, 80
    // Number of channels the format stores (1 for depth).
    static int channelCount(int format);
    static int bytesPerTexel(int format);

    // An image of width x height texels per face; faces is 6 for a cube, else 1.
    // Unknown formats or sizes below 1 give an invalid image that reads zero and ignores writes.
    RefImage(int format, int width, int height, int faces);

    bool isValid() const { return m_bytesPerTexel > 0; }
    int format() const { return m_format; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int faces() const { return m_faces; }
    bool isAllocated() const { return !m_storage.empty(); }

    // Texel (x, y) of a face; out of range reads (0, 0, 0, 0).
    Math::Vector4f read(int x, int y, int face = 0) const;
    // Writes through the format's precision; out of range is ignored.
    void write(int x, int y, int face, const Math::Vector4f& value);
    // Fills the rectangle [left, right) x [top, bottom) of a face, clipped to the image.
    void fill(int left, int top, int right, int bottom, int face, const Math::Vector4f& value);
    // Frees the storage (the image reads as never written).
    void discard();
    // A read-only image ignores writes and fills (the renderer's default texture).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

private:
    bool inside(int x, int y, int face) const;
    bool ensureStorage();
    uint8_t* texel(int x, int y, int face);
    const uint8_t* texel(int x, int y, int face) const;

    int m_format;
    int m_width;
    int m_height;
    int m_faces;
    int m_bytesPerTexel;
    bool m_readOnly = false;
    std::vector<uint8_t> m_storage;
};

}  // namespace refhost
