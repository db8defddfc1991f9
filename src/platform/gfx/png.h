// PNG files of bitmaps: written as 8-bit RGB, read from any common layout.
#pragma once

#include "platform/gfx/bitmap.h"

#include <cstdio>
#include <string>

namespace vemora::gfx {

// Writes the bitmap as 8-bit RGB without alpha into an open stream, which stays open.
// False on any failure (errno telling why, when it does).
bool WritePng(const Bitmap& bitmap, std::FILE* file);

// Writes the bitmap as a PNG file the way platform::WriteFileSafely writes files: a new
// file beside `path` renamed over it once it is complete, so that a failure (no
// permission, a full disk) leaves whatever `path` held; a device or a FIFO is written
// directly and never removed. Empty on success, else the system's reason ("No space left
// on device").
std::string SavePng(const Bitmap& bitmap, const std::string& path);

// SavePng with the reason dropped: false on any failure.
bool WritePng(const Bitmap& bitmap, const std::string& path);

// Reads a PNG of any colour type and depth: palettes and grey are expanded, 16-bit samples
// reduced to 8 and alpha dropped. False on any failure, leaving out unchanged.
bool ReadPng(const std::string& path, Bitmap& out);

} // namespace vemora::gfx
