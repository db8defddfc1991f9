#include "platform/gfx/device_context.h"
#include "platform/gfx/region.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace vemora::gfx
