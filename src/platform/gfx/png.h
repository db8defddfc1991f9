// PNG files of bitmaps: written as 8-bit RGB, read from any common layout.
#pragma once

#include "platform/gfx/bitmap.h"

#include <string>

namespace vemora::gfx {

// Writes the bitmap as 8-bit RGB without alpha. False on any failure, with no partial file
// left behind and nothing printed.
bool WritePng(const Bitmap& bitmap, const std::string& path);

// Writes the bitmap as WritePng does, to a new file beside `path` renamed over it once it
// is complete, so that a failure (no permission, a full disk) leaves whatever `path` held.
// Empty on success, else the system's reason ("No space left on device").
std::string SavePng(const Bitmap& bitmap, const std::string& path);

// Reads a PNG of any colour type and depth: palettes and grey are expanded, 16-bit samples
// reduced to 8 and alpha dropped. False on any failure, leaving out unchanged.
bool ReadPng(const std::string& path, Bitmap& out);

} // namespace vemora::gfx
