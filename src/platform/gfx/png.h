// PNG files of bitmaps: written as 8-bit RGB, read from any common layout.
#pragma once

#include "platform/gfx/bitmap.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace vemora::gfx {

// The density a PNG records for a picture drawn `scale` times as dense as a screen of 96
// dots per inch, in pixels per metre.
uint32_t PngPixelsPerMetre(double scale);

// Writes the bitmap as 8-bit RGB without alpha into an open stream, which stays open, with
// its density: 96 dots per inch times `scale`. False on any failure (errno telling why,
// when it does).
bool WritePng(const Bitmap& bitmap, std::FILE* file, double scale = 1.0);

// Writes the bitmap as a PNG file the way platform::WriteFileSafely writes files: a new
// file beside `path` renamed over it once it is complete, so that a failure (no
// permission, a full disk) leaves whatever `path` held; a device or a FIFO is written
// directly and never removed. Empty on success, else the system's reason ("No space left
// on device").
std::string SavePng(const Bitmap& bitmap, const std::string& path, double scale = 1.0);

// SavePng with the reason dropped: false on any failure.
bool WritePng(const Bitmap& bitmap, const std::string& path, double scale = 1.0);

// Reads a PNG of any colour type and depth: palettes and grey are expanded, 16-bit samples
// reduced to 8 and alpha dropped. False on any failure, leaving out unchanged.
bool ReadPng(const std::string& path, Bitmap& out);

} // namespace vemora::gfx
