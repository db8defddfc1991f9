#include "platform/gfx/pixel_mask.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vemora::gfx {
namespace {

using Runs = std::vector<std::pair<int32_t, int32_t>>;

// The runs [x0, x1) of a row of flags, from the left.
Runs RunsOf(const std::vector<bool>& row) {
    Runs out;
    for (int32_t x = 0; x < static_cast<int32_t>(row.size()); ++x) {
        if (row[x] && x > 0 && row[x - 1])
            ++out.back().second;
        else if (row[x])
            out.push_back({x, x + 1});
    }
    return out;
}

TEST(PixelMask, RectanglesAddedGiveTheirPixelsRunsColumnsAndBounds) {
    std::mt19937 rng(5113);
    PixelMask mask; // one mask for all sizes: what a size left must not show in the next
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1},    {63, 5},   {64, 9}, {65, 7},
                                                 {130, 12}, {200, 30}, {7, 40}, {128, 6}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        mask.Reset(w, h);
        EXPECT_EQ(mask.WordsPerRow(), static_cast<size_t>((w + 63) / 64));
        EXPECT_TRUE(mask.Empty());
        std::vector<std::vector<bool>> grid(static_cast<size_t>(h), std::vector<bool>(w, false));
        for (int round = 0; round < 12; ++round) {
            std::uniform_int_distribution<int32_t> across(-20, w + 20), down(-10, h + 10),
                near(-12, 12);
            // Any corners in any order, reaching out of the mask or wholly outside, empty now and
            // then; small ones and large ones, one or a few at a time.
            std::vector<Rect> rects;
            for (int k = round % 3; k >= 0; --k) {
                const int32_t l = across(rng), t = down(rng);
                rects.push_back(k == 1 ? Rect{l, t, across(rng), down(rng)}
                                       : Rect{l, t, l + near(rng), t + near(rng) / 3});
            }
            mask.Add(rects);
            for (const Rect& r : rects) {
                const Rect n = r.Normalized();
                for (int32_t y = std::max(n.Top, 0); y < std::min(n.Bottom, h); ++y)
                    for (int32_t x = std::max(n.Left, 0); x < std::min(n.Right, w); ++x)
                        grid[y][x] = true;
            }
            Rect bounds{};
            std::vector<bool> columns(w, false);
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    ASSERT_EQ(mask.Contains(x, y), grid[y][x]) << x << "," << y;
                    if (grid[y][x]) {
                        bounds = bounds.Union({x, y, x + 1, y + 1});
                        columns[x] = true;
                    }
                }
                Runs runs;
                mask.ForEachRun(y, [&](int32_t a, int32_t b) { runs.push_back({a, b}); });
                EXPECT_EQ(runs, RunsOf(grid[y])) << "row " << y;
            }
            EXPECT_FALSE(mask.Contains(-1, 0) || mask.Contains(w, 0) || mask.Contains(0, h));
            EXPECT_EQ(mask.Empty(), bounds.IsEmpty());
            if (!bounds.IsEmpty()) {
                EXPECT_EQ(mask.Bounds(), bounds);
            }
            const std::vector<uint64_t> words = mask.Columns();
            ASSERT_EQ(words.size(), mask.WordsPerRow());
            Runs runs;
            PixelMask::ForEachRunOf(words.data(), words.size(), w, [&](int32_t a, int32_t b) {
                runs.push_back({a, b});
            });
            EXPECT_EQ(runs, RunsOf(columns));
        }
    }
}

} // namespace
} // namespace vemora::gfx
