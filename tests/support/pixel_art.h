// Small bitmaps as text: one character per pixel, one line per row, so that a test can
// state the exact pixels it expects and a failure shows the picture.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"

#include <map>
#include <string>

namespace vemora::testing {

// The area of the bitmap, each pixel by its legend character ('?' when not in the legend),
// rows ending in '\n'.
std::string Art(const gfx::Bitmap& bitmap, const gfx::Rect& area,
                const std::map<gfx::Pixel, char>& legend);

// The whole bitmap with '.' for white and '#' for black, other colours '?'.
std::string Art(const gfx::Bitmap& bitmap);

// Joins art lines given one per argument, for readable expectations.
template <class... Lines> std::string Rows(Lines... lines) {
    return ((std::string(lines) + "\n") + ...);
}

// The smallest rectangle holding every pixel different from the background colour.
gfx::Rect InkBounds(const gfx::Bitmap& bitmap, gfx::Pixel background);

// The number of pixels of the colour.
int CountPixels(const gfx::Bitmap& bitmap, gfx::Pixel color);

} // namespace vemora::testing
