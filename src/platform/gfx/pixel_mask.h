// A set of pixels as one bit per pixel, rows of 64-bit words: bit x % 64 of word x / 64 of
// row y is the pixel (x, y). Made for the many small rectangles where a frame changed, which
// it takes at the cost of their area in words.
#pragma once

#include "platform/gfx/geometry.h"

#include <bit>
#include <cstdint>
#include <span>
#include <vector>

namespace vemora::gfx {

class PixelMask {
public:
    PixelMask() = default;
    // An empty mask over width x height pixels.
    PixelMask(int32_t width, int32_t height) { Reset(width, height); }
    void Reset(int32_t width, int32_t height);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    size_t WordsPerRow() const { return wordsPerRow_; }
    // The smallest rectangle around the pixels in the mask; empty when there is none.
    const Rect& Bounds() const { return bounds_; }
    bool Empty() const { return bounds_.IsEmpty(); }

    // Adds the rectangle's pixels inside the mask.
    void Add(const Rect& rect);
    void Add(std::span<const Rect> rects) {
        for (const Rect& r : rects)
            Add(r);
    }
    bool Contains(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_ &&
               ((Row(y)[x >> 6] >> (x & 63)) & 1) != 0;
    }
    const uint64_t* Row(int32_t y) const {
        return words_.data() + static_cast<size_t>(y) * wordsPerRow_;
    }
    // The columns with any pixel in the mask, as the same kind of row.
    std::vector<uint64_t> Columns() const;
    // Calls fn(x0, x1) for each run [x0, x1) of pixels of row y, from the left.
    template <class Fn> void ForEachRun(int32_t y, Fn&& fn) const {
        ForEachRunOf(Row(y), wordsPerRow_, width_, fn);
    }
    // The same over any row of words.
    template <class Fn>
    static void ForEachRunOf(const uint64_t* row, size_t words, int32_t width, Fn&& fn) {
        int32_t start = -1;
        for (size_t w = 0; w < words; ++w) {
            const uint64_t bits = row[w];
            const int32_t base = static_cast<int32_t>(w * 64);
            int at = 0;
            while (at < 64) {
                // The next bit that ends the state: set outside a run, clear inside one.
                const uint64_t flips = (start < 0 ? bits : ~bits) >> at;
                if (flips == 0)
                    break;
                at += std::countr_zero(flips);
                if (start < 0) {
                    start = base + at;
                } else {
                    fn(start, base + at);
                    start = -1;
                }
            }
        }
        if (start >= 0)
            fn(start, width);
    }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    size_t wordsPerRow_ = 0;
    std::vector<uint64_t> words_;
    Rect bounds_;
};

} // namespace vemora::gfx
