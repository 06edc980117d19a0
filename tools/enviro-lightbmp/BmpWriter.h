#pragma once
// Writes a 24-bit uncompressed BMP (BITMAPINFOHEADER, bottom-up rows padded to 4 bytes,
// 2835 pixels per metre), the format the common services' LoadBitmap24 reads.
#include <string>

#include "tools/enviro-lightbmp/LightBitmap.h"

namespace lightbmp {

// The file's bytes; empty when the image is empty or inconsistent (pixels not width * height * 3).
std::string encodeBmp24(const RgbImage& image);
// Writes encodeBmp24(image) to path; false with a reason in *error when that fails.
bool writeBmp24(const RgbImage& image, const std::string& path, std::string* error);

}  // namespace lightbmp
