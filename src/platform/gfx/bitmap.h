// A 32-bit bitmap, one 0x00RRGGBB word per pixel, rows top to bottom without padding, so
// a window image of the same layout can wrap it without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vemora::gfx {

using Pixel = uint32_t;

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, Pixel fill = 0xFFFFFF) { Resize(width, height, fill); }

    // Negative sizes count as 0. The contents are refilled.
    void Resize(int width, int height, Pixel fill = 0xFFFFFF) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill);
    }
    void Fill(Pixel value) { pixels_.assign(pixels_.size(), value); }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return pixels_.empty(); }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Pixel* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const Pixel* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    Pixel At(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, Pixel value) { Row(y)[x] = value; }

    Pixel* Data() { return pixels_.data(); }
    const Pixel* Data() const { return pixels_.data(); }

    bool operator==(const Bitmap&) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

} // namespace vemora::gfx
