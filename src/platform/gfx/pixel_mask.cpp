#include "platform/gfx/pixel_mask.h"

#include <algorithm>

namespace vemora::gfx {

void PixelMask::Reset(int32_t width, int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    wordsPerRow_ = static_cast<size_t>(width_ + 63) / 64;
    words_.assign(wordsPerRow_ * static_cast<size_t>(height_), 0);
    bounds_ = {};
}

void PixelMask::Add(const Rect& rect) {
    const Rect r = rect.Normalized().Intersect({0, 0, width_, height_});
    if (r.IsEmpty())
        return;
    bounds_ = bounds_.Union(r);
    const int32_t w0 = r.Left >> 6, w1 = (r.Right - 1) >> 6;
    const uint64_t first = ~uint64_t{0} << (r.Left & 63);
    const uint64_t last = ~uint64_t{0} >> (63 - ((r.Right - 1) & 63));
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
        uint64_t* row = words_.data() + static_cast<size_t>(y) * wordsPerRow_;
        if (w0 == w1) {
            row[w0] |= first & last;
            continue;
        }
        row[w0] |= first;
        for (int32_t w = w0 + 1; w < w1; ++w)
            row[w] = ~uint64_t{0};
        row[w1] |= last;
    }
}

std::vector<uint64_t> PixelMask::Columns() const {
    std::vector<uint64_t> columns(wordsPerRow_, 0);
    for (int32_t y = bounds_.Top; y < bounds_.Bottom; ++y) {
        const uint64_t* row = Row(y);
        for (size_t w = 0; w < wordsPerRow_; ++w)
            columns[w] |= row[w];
    }
    return columns;
}

} // namespace vemora::gfx
