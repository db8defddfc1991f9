#include "platform/gfx/device_context.h"
#include "platform/gfx/region.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>

namespace vemora::gfx {
namespace {

constexpr Rect kEverywhere{-1000, -1000, 1000, 1000};

std::vector<Point> Inside(const Region& r, const Rect& area) {
    std::vector<Point> out;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (r.Contains(x, y))
                out.push_back({x, y});
    return out;
}

TEST(Region, PolygonRegionCoversTheSamePixelsAsAFilledPolygon) {
    const Point shape[] = {{3, 20}, {3, 5}, {8, 0}, {30, 0}, {30, 16}, {25, 21}};
    const Region region = Region::FromPolygon(shape, kEverywhere);
    Bitmap bitmap(40, 30, 0xFFFFFF);
    DeviceContext dc(&bitmap);
    dc.CurrentPen().Style = PenStyle::Clear;
    dc.CurrentBrush().Color = 0;
    dc.Polygon(shape);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            EXPECT_EQ(region.Contains(x, y), bitmap.At(x, y) == 0) << x << "," << y;
    EXPECT_EQ(region.Bounds(), (Rect{3, 0, 30, 21}));
}

TEST(Region, RectangularPolygonsTakeTheRectanglePath) {
    const Point square[] = {{2, 2}, {9, 2}, {9, 7}, {2, 7}};
    const Region r = Region::FromPolygon(square, kEverywhere);
    EXPECT_TRUE(r.IsRect());
    EXPECT_EQ(r, Region::FromRect({2, 2, 9, 7}));
}

TEST(Region, IntersectionKeepsPixelsInBoth) {
    const Point triangle[] = {{0, 0}, {20, 0}, {0, 20}};
    Region a = Region::FromPolygon(triangle, kEverywhere);
    a.IntersectWith(Region::FromRect({5, 2, 30, 12}));
    const Region reference = Region::FromPolygon(triangle, kEverywhere);
    for (int y = -2; y < 25; ++y)
        for (int x = -2; x < 25; ++x)
            EXPECT_EQ(a.Contains(x, y),
                      reference.Contains(x, y) && Rect({5, 2, 30, 12}).Contains(x, y))
                << x << "," << y;
    Region disjoint = Region::FromRect({0, 0, 2, 2});
    disjoint.IntersectWith(Region::FromRect({5, 5, 6, 6}));
    EXPECT_TRUE(disjoint.IsEmpty());
    EXPECT_TRUE(Inside(disjoint, {0, 0, 10, 10}).empty());
}

TEST(Region, PolygonsOfAnySizeAreCutToTheLimit) {
    const Point everything[] = {{INT32_MIN, INT32_MIN},
                                {INT32_MAX, INT32_MIN},
                                {INT32_MAX, INT32_MAX},
                                {INT32_MIN, INT32_MAX}};
    const Region all = Region::FromPolygon(everything, {0, 0, 10, 8});
    EXPECT_EQ(all, Region::FromRect({0, 0, 10, 8}));
    const Point triangle[] = {{0, 0}, {20, 0}, {0, 20}};
    const Region cut = Region::FromPolygon(triangle, {5, 2, 30, 12});
    const Region whole = Region::FromPolygon(triangle, kEverywhere);
    for (int y = -2; y < 25; ++y)
        for (int x = -2; x < 25; ++x)
            EXPECT_EQ(cut.Contains(x, y),
                      whole.Contains(x, y) && Rect({5, 2, 30, 12}).Contains(x, y));
}

TEST(Region, DegeneratePolygonsAreEmpty) {
    const Point line[] = {{0, 0}, {10, 10}, {20, 20}};
    EXPECT_TRUE(Region::FromPolygon(line, kEverywhere).IsEmpty());
    const Point flat[] = {{0, 5}, {10, 5}, {20, 5}};
    EXPECT_TRUE(Region::FromPolygon(flat, kEverywhere).IsEmpty());
    EXPECT_TRUE(Region::FromPolygon({}, kEverywhere).IsEmpty());
}

// The runs of row y of the region within the area, found pixel by pixel.
std::vector<std::pair<int32_t, int32_t>> RowRuns(const Region& r, int32_t y, const Rect& area) {
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (int32_t x = area.Left; x < area.Right; ++x)
        if (r.Contains(x, y)) {
            if (!runs.empty() && runs.back().second == x)
                ++runs.back().second;
            else
                runs.push_back({x, x + 1});
        }
    return runs;
}

// OneSpan answers for every row, inside the bounds and around them, as the row's runs say.
void ExpectOneSpanPerRow(const Region& r, const Rect& area) {
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        const auto runs = RowRuns(r, y, area);
        int32_t x0 = INT32_MIN, x1 = INT32_MIN;
        ASSERT_EQ(r.OneSpan(y, x0, x1), runs.size() == 1) << "row " << y;
        if (runs.size() == 1) {
            EXPECT_EQ(std::pair(x0, x1), runs.front()) << "row " << y;
        }
    }
}

TEST(Region, FromRectsHoldsThePixelsOfAnyOfTheRectangles) {
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int32_t> coordinate(-30, 50), count(0, 7);
    const Rect area{-40, -40, 60, 60};
    for (int round = 0; round < 120; ++round) {
        std::vector<Rect> rects;
        for (int k = count(rng); k > 0; --k) {
            // Corners in any order; some empty, some side by side to merge.
            Rect r{coordinate(rng), coordinate(rng), coordinate(rng), coordinate(rng)};
            if (k % 4 == 0 && !rects.empty())
                r = {rects.back().Right, rects.back().Top, r.Left, rects.back().Bottom};
            if (k % 5 == 0)
                r.Right = r.Left;
            rects.push_back(r);
        }
        SCOPED_TRACE("round " + std::to_string(round));
        const Region region = Region::FromRects(rects);
        Rect bounds{};
        for (int32_t y = area.Top; y < area.Bottom; ++y)
            for (int32_t x = area.Left; x < area.Right; ++x) {
                const bool in = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
                    return r.Normalized().Contains(x, y);
                });
                ASSERT_EQ(region.Contains(x, y), in) << x << "," << y;
                if (in)
                    bounds = bounds.Union({x, y, x + 1, y + 1});
            }
        EXPECT_EQ(region.IsEmpty(), bounds.IsEmpty());
        if (!bounds.IsEmpty()) {
            EXPECT_EQ(region.Bounds(), bounds);
        }
        ExpectOneSpanPerRow(region, area);
    }
}

TEST(Region, IntersectionsWithRectanglesAroundOrInsideKeepThePixelsOfBoth) {
    std::mt19937 rng(977);
    std::uniform_int_distribution<int32_t> coordinate(-20, 40), count(1, 5);
    const Rect area{-25, -25, 45, 45};
    const auto randomRegion = [&] {
        std::vector<Rect> rects;
        for (int k = count(rng); k > 0; --k)
            rects.push_back(Rect{coordinate(rng), coordinate(rng), coordinate(rng), coordinate(rng)}
                                .Normalized());
        return Region::FromRects(rects);
    };
    for (int round = 0; round < 80; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Region shape = randomRegion();
        // A rectangle around the shape, one inside its bounds, and one anywhere.
        const Rect b = shape.Bounds();
        const Rect rects[] = {
            {b.Left - 1, b.Top - 2, b.Right + 3, b.Bottom},
            b,
            {b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1},
            Rect{coordinate(rng), coordinate(rng), coordinate(rng), coordinate(rng)}.Normalized()};
        for (const Rect& given : rects) {
            const Rect r = given.Normalized();
            Region cut = shape;
            cut.IntersectWith(Region::FromRect(r));
            Region around = Region::FromRect(r);
            around.IntersectWith(shape);
            for (int32_t y = area.Top; y < area.Bottom; ++y)
                for (int32_t x = area.Left; x < area.Right; ++x) {
                    const bool in = shape.Contains(x, y) && r.Contains(x, y);
                    ASSERT_EQ(cut.Contains(x, y), in) << x << "," << y;
                    ASSERT_EQ(around.Contains(x, y), in) << x << "," << y;
                }
            EXPECT_EQ(cut, around);
        }
    }
}

} // namespace
} // namespace vemora::gfx
