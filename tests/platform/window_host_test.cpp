#include "platform/ui/window_host.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace vemora::ui {
namespace {

using gfx::Rect;

TEST(CoverWithFew, FewRectanglesComeBackCutToTheBounds) {
    const Rect bounds{10, 20, 300, 200};
    const std::vector<Rect> rects = {{50, 60, 70, 80},     {0, 0, 15, 25},   {400, 0, 500, 50},
                                     {290, 190, 310, 210}, {30, 30, 30, 90}, {40, 40, 41, 41}};
    const std::vector<Rect> cut = {
        {50, 60, 70, 80}, {10, 20, 15, 25}, {290, 190, 300, 200}, {40, 40, 41, 41}};
    for (const size_t most : {rects.size(), size_t{100}})
        EXPECT_EQ(CoverWithFew(rects, bounds, most), cut) << most;
    EXPECT_TRUE(CoverWithFew(std::vector<Rect>{{0, 0, 5, 5}, {310, 0, 320, 9}}, bounds, 4).empty());
    // One is always allowed.
    EXPECT_EQ(CoverWithFew(std::vector<Rect>{{50, 60, 70, 80}}, bounds, 0),
              (std::vector<Rect>{{50, 60, 70, 80}}));
}

TEST(CoverWithFew, ManyRectanglesBecomeTheirBoundsWithinTheBounds) {
    std::mt19937 rng(90210);
    const auto uniform = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    for (int round = 0; round < 80; ++round) {
        const int32_t left = uniform(-50, 50), top = uniform(-50, 50);
        const Rect bounds{left, top, left + uniform(1, 400), top + uniform(1, 300)};
        const int32_t w = bounds.Right - bounds.Left, h = bounds.Bottom - bounds.Top;
        std::vector<Rect> rects;
        for (int k = uniform(0, 150); k > 0; --k) {
            // Mostly small changes, some large, some across the edge or wholly outside, corners in
            // any order.
            const int32_t x = uniform(bounds.Left - 40, bounds.Right + 40),
                          y = uniform(bounds.Top - 40, bounds.Bottom + 40);
            const int32_t reach = k % 10 == 0 ? 200 : 12;
            rects.push_back({x, y, x + uniform(-reach, reach), y + uniform(-reach, reach)});
        }
        const size_t most = std::vector<size_t>{0, 1, 2, 5, 16, 64}[round % 6];
        SCOPED_TRACE("round " + std::to_string(round) + ", at most " + std::to_string(most));
        const std::vector<Rect> cover = CoverWithFew(rects, bounds, most);
        std::vector<uint8_t> wanted(static_cast<size_t>(w * h), 0), covered(wanted.size(), 0);
        std::vector<Rect> cut;
        for (const Rect& r : rects) {
            const Rect n = r.Normalized().Intersect(bounds);
            if (!n.IsEmpty())
                cut.push_back(n);
            for (int32_t y = n.Top; y < n.Bottom; ++y)
                for (int32_t x = n.Left; x < n.Right; ++x)
                    wanted[static_cast<size_t>((y - top) * w + x - left)] = 1;
        }
        if (cut.size() <= std::max<size_t>(most, 1)) {
            EXPECT_EQ(cover, cut);
        } else {
            Rect all{};
            for (const Rect& r : cut)
                all = all.Union(r);
            EXPECT_EQ(cover, std::vector<Rect>{all});
        }
        EXPECT_EQ(cover.empty(), cut.empty());
        for (const Rect& r : cover) {
            ASSERT_FALSE(r.IsEmpty());
            ASSERT_EQ(r.Intersect(bounds), r) << "beyond the bounds";
            for (int32_t y = r.Top; y < r.Bottom; ++y)
                for (int32_t x = r.Left; x < r.Right; ++x)
                    covered[static_cast<size_t>((y - top) * w + x - left)] = 1;
        }
        for (size_t i = 0; i < wanted.size(); ++i)
            ASSERT_TRUE(covered[i] || !wanted[i])
                << "(" << left + static_cast<int32_t>(i) % w << ","
                << top + static_cast<int32_t>(i) / w << ") left out";
    }
}

} // namespace
} // namespace vemora::ui
