#include "support/pixel_art.h"

#include <algorithm>
#include <limits>

namespace vemora::testing {

std::string Art(const gfx::Bitmap& bitmap, const gfx::Rect& area,
                const std::map<gfx::Pixel, char>& legend) {
    std::string out;
    for (int y = area.Top; y < area.Bottom; ++y) {
        for (int x = area.Left; x < area.Right; ++x) {
            if (!bitmap.Contains(x, y)) {
                out += ' ';
                continue;
            }
            auto it = legend.find(bitmap.At(x, y));
            out += it == legend.end() ? '?' : it->second;
        }
        out += '\n';
    }
    return out;
}

std::string Art(const gfx::Bitmap& bitmap) {
    return Art(bitmap, {0, 0, bitmap.Width(), bitmap.Height()}, {{0xFFFFFF, '.'}, {0x000000, '#'}});
}

gfx::Rect InkBounds(const gfx::Bitmap& bitmap, gfx::Pixel background) {
    gfx::Rect r{std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                std::numeric_limits<int>::min(), std::numeric_limits<int>::min()};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.At(x, y) != background) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Left > r.Right ? gfx::Rect{} : r;
}

int CountPixels(const gfx::Bitmap& bitmap, gfx::Pixel color) {
    return static_cast<int>(std::count(bitmap.Data(),
                                       bitmap.Data() + static_cast<size_t>(bitmap.Width()) *
                                                           static_cast<size_t>(bitmap.Height()),
                                       color));
}

} // namespace vemora::testing
