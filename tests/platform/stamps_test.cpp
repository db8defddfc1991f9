#include "platform/gfx/device_context.h"
#include "platform/gfx/region.h"
#include "platform/gfx/stamps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace vemora::gfx {
namespace {

int32_t Uniform(std::mt19937& rng, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

uint64_t Random64(std::mt19937& rng) {
    return (uint64_t{rng()} << 32) | rng();
}

Pixel RandomPixel(std::mt19937& rng) {
    return rng() & 0xFFFFFFu;
}

uint64_t WidthMask(int32_t width) {
    return width >= 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

Bitmap RandomBitmap(std::mt19937& rng, int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Set(x, y, RandomPixel(rng));
    return b;
}

// Rows of every kind a drawing leaves: empty, full, full with a gap, sparse, noisy. The
// pixels under clear bits are noise too, so that copying one shows.
Stamp RandomStamp(std::mt19937& rng, int32_t maxHeight = 40) {
    Stamp s;
    s.Width = Uniform(rng, 1, kMaxStampWidth);
    s.Height = Uniform(rng, 1, maxHeight);
    s.Left = Uniform(rng, -45, 10);
    s.Top = Uniform(rng, -35, 10);
    const uint64_t all = WidthMask(s.Width);
    for (int32_t r = 0; r < s.Height; ++r) {
        uint64_t row = 0;
        switch (Uniform(rng, 0, 5)) {
        case 0:
            break;
        case 1:
        case 2:
            row = all;
            break;
        case 3: {
            const int32_t a = Uniform(rng, 0, s.Width - 1), n = Uniform(rng, 1, s.Width - a);
            row = all & ~(WidthMask(n) << a);
            break;
        }
        case 4:
            row = Random64(rng) & Random64(rng) & all;
            break;
        default:
            row = Random64(rng) & all;
            break;
        }
        s.Rows.push_back(row);
    }
    for (int32_t i = 0; i < s.Width * s.Height; ++i)
        s.Pixels.push_back(RandomPixel(rng));
    return s;
}

Stamp FullStamp(std::mt19937& rng, int32_t width, int32_t height, int32_t left, int32_t top) {
    Stamp s;
    s.Left = left;
    s.Top = top;
    s.Width = width;
    s.Height = height;
    s.Rows.assign(static_cast<size_t>(height), WidthMask(width));
    for (int32_t i = 0; i < width * height; ++i)
        s.Pixels.push_back(RandomPixel(rng));
    return s;
}

// The meaning of a list of placements, one copy after the other, pixel by pixel.
void DrawInOrder(Bitmap& target, const Region& clip, const std::vector<Stamp>& stamps,
                 const std::vector<StampPlacement>& placements) {
    for (const StampPlacement& p : placements) {
        const Stamp& s = stamps[p.Stamp];
        for (int32_t r = 0; r < s.Height; ++r) {
            for (int32_t i = 0; i < s.Width; ++i) {
                if (((s.Rows[static_cast<size_t>(r)] >> i) & 1) == 0)
                    continue;
                const int64_t x = int64_t{p.X} + s.Left + i, y = int64_t{p.Y} + s.Top + r;
                if (x < 0 || y < 0 || x >= target.Width() || y >= target.Height())
                    continue;
                if (!clip.Contains(static_cast<int32_t>(x), static_cast<int32_t>(y)))
                    continue;
                target.Set(static_cast<int>(x), static_cast<int>(y),
                           s.Pixels[static_cast<size_t>(r * s.Width + i)]);
            }
        }
    }
}

::testing::AssertionResult SamePixels(const Bitmap& actual, const Bitmap& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
        return ::testing::AssertionFailure() << "sizes differ";
    std::ostringstream out;
    int wrong = 0;
    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = 0; x < actual.Width(); ++x) {
            if (actual.At(x, y) == expected.At(x, y))
                continue;
            if (++wrong <= 5)
                out << " (" << x << "," << y << "): 0x" << std::hex << actual.At(x, y)
                    << " instead of 0x" << expected.At(x, y) << std::dec;
        }
    }
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ, first:" << out.str();
}

std::vector<StampPlacement> RandomPlacements(std::mt19937& rng, size_t count, size_t stamps,
                                             const Rect& area) {
    std::vector<StampPlacement> out;
    for (size_t k = 0; k < count; ++k)
        out.push_back({Uniform(rng, area.Left, area.Right), Uniform(rng, area.Top, area.Bottom),
                       static_cast<uint32_t>(Uniform(rng, 0, static_cast<int32_t>(stamps) - 1))});
    return out;
}

// Anchors all around the bitmap and well beyond each side, clusters piled on one spot, and
// a few at the ends of the coordinate range.
std::vector<StampPlacement> MixedPlacements(std::mt19937& rng, int w, int h, size_t stamps) {
    std::vector<StampPlacement> out =
        RandomPlacements(rng, 1500, stamps, {-70, -50, w + 70, h + 50});
    for (int cluster = 0; cluster < 3; ++cluster) {
        const int32_t cx = Uniform(rng, -20, w + 20), cy = Uniform(rng, -20, h + 20);
        const auto pile = RandomPlacements(rng, 400, stamps, {cx - 12, cy - 12, cx + 12, cy + 12});
        out.insert(out.end(), pile.begin(), pile.end());
    }
    for (const Point far :
         {Point{INT32_MIN, 0}, Point{INT32_MAX, 0}, Point{0, INT32_MIN}, Point{0, INT32_MAX},
          Point{INT32_MIN, INT32_MIN}, Point{INT32_MAX, INT32_MAX}, Point{-1000000000, 1000000000}})
        out.push_back({far.X, far.Y, static_cast<uint32_t>(rng() % stamps)});
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

std::vector<Stamp> RandomStamps(std::mt19937& rng, int count) {
    std::vector<Stamp> out;
    for (int i = 0; i < count; ++i)
        out.push_back(RandomStamp(rng));
    return out;
}

std::vector<Point> RandomPolygon(std::mt19937& rng, int corners, int w, int h) {
    const int32_t cx = Uniform(rng, -w / 4, w + w / 4), cy = Uniform(rng, -h / 4, h + h / 4);
    const int32_t reach = std::max(w, h);
    std::vector<Point> out;
    for (int k = 0; k < corners; ++k) {
        const double angle =
            (k + std::uniform_real_distribution<double>(0, 0.8)(rng)) * 6.283185307179586 / corners;
        const double radius = Uniform(rng, 1, reach);
        out.push_back({cx + static_cast<int32_t>(radius * std::cos(angle)),
                       cy + static_cast<int32_t>(radius * std::sin(angle))});
    }
    return out;
}

struct NamedClip {
    std::string Name;
    Region Clip;
};

std::vector<NamedClip> Clips(std::mt19937& rng, int w, int h) {
    const Rect around{-100, -100, w + 100, h + 100};
    std::vector<NamedClip> out;
    out.push_back({"whole bitmap", Region::FromRect({0, 0, w, h})});
    const int32_t l = Uniform(rng, 0, w - 1), t = Uniform(rng, 0, h - 1);
    out.push_back({"rectangle inside",
                   Region::FromRect({l, t, Uniform(rng, l + 1, w), Uniform(rng, t + 1, h)})});
    out.push_back({"rectangle over every side",
                   Region::FromRect({-Uniform(rng, 1, 90), -Uniform(rng, 1, 90),
                                     w + Uniform(rng, 1, 90), h + Uniform(rng, 1, 90)})});
    out.push_back({"rectangle over the top left",
                   Region::FromRect({-13, -7, Uniform(rng, 1, w), Uniform(rng, 1, h)})});
    out.push_back({"rectangle over the bottom right", Region::FromRect({l, t, w + 31, h + 5})});
    out.push_back({"rectangle beside the bitmap", Region::FromRect({w + 2, 0, w + 60, h})});
    out.push_back({"empty region", Region{}});
    out.push_back({"hexagon", Region::FromPolygon(RandomPolygon(rng, 6, w, h), around)});
    out.push_back({"triangle", Region::FromPolygon(RandomPolygon(rng, 3, w, h), around)});
    Region both = Region::FromPolygon(RandomPolygon(rng, 6, w, h), around);
    both.IntersectWith(Region::FromPolygon(RandomPolygon(rng, 3, w, h), around));
    out.push_back({"hexagon and triangle", std::move(both)});
    // Corners in any order: an even-odd polygon with holes.
    std::vector<Point> tangle;
    for (int k = 0; k < 7; ++k)
        tangle.push_back({Uniform(rng, -20, w + 20), Uniform(rng, -20, h + 20)});
    Region holes = Region::FromPolygon(tangle, around);
    holes.IntersectWith(Region::FromRect({l, -5, w + 5, h - t}));
    out.push_back({"tangle within a rectangle", std::move(holes)});
    return out;
}

// Both ways of storing pixels must give the same picture; the parameter picks one.
class StampPainterTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !StampPainter::WideStoresSupported())
            GTEST_SKIP() << "no masked vector stores on this processor";
    }

    // One painter for all the cases of a test, so what it keeps from a call shows in the next.
    void Check(const Bitmap& background, const Region& clip, const std::vector<Stamp>& stamps,
               const std::vector<StampPlacement>& placements, const std::string& what) {
        Bitmap expected = background;
        DrawInOrder(expected, clip, stamps, placements);
        Bitmap actual = background;
        painter.Paint(actual, clip, stamps, placements);
        EXPECT_TRUE(SamePixels(actual, expected))
            << what << " on " << background.Width() << "x" << background.Height();
    }

    StampPainter painter{GetParam()};
    std::mt19937 rng{20240611};
};

const std::vector<Size> kSizes = {{1, 1},     {3, 50},   {50, 3},   {2, 2},   {7, 9},
                                  {8, 8},     {63, 65},  {64, 64},  {65, 63}, {71, 129},
                                  {813, 653}, {200, 17}, {121, 57}, {1, 1}};

TEST_P(StampPainterTest, AsksForTheStoresItWasMadeWith) {
    EXPECT_EQ(painter.WideStores(), GetParam());
}

TEST_P(StampPainterTest, EveryPixelAsDrawingTheCopiesInOrderWithinAnyClip) {
    for (const Size size : kSizes) {
        const std::vector<Stamp> stamps = RandomStamps(rng, Uniform(rng, 1, 7));
        for (const NamedClip& clip : Clips(rng, size.Width, size.Height)) {
            const Bitmap background = RandomBitmap(rng, size.Width, size.Height);
            Check(background, clip.Clip, stamps,
                  MixedPlacements(rng, size.Width, size.Height, stamps.size()), clip.Name);
        }
    }
}

TEST_P(StampPainterTest, CopiesHiddenUnderLaterOnesLeaveNoTrace) {
    // Full stamps laid later, a carpet with gaps over most of the bitmap, hide nearly all
    // the earlier copies; what peeks through the gaps and the holes must still be right.
    for (const Size size : {Size{813, 653}, Size{130, 97}, Size{64, 64}, Size{9, 200}}) {
        std::vector<Stamp> stamps = RandomStamps(rng, 5);
        stamps.push_back(FullStamp(rng, kMaxStampWidth, 40, -28, -20));
        stamps.push_back(FullStamp(rng, 16, 16, 0, 0));
        stamps.push_back(FullStamp(rng, 1, 1, 0, 0));
        const uint32_t carpet = 5, tile = 6, dot = 7;
        for (const NamedClip& clip : Clips(rng, size.Width, size.Height)) {
            std::vector<StampPlacement> placements =
                RandomPlacements(rng, 3000, 8, {-60, -45, size.Width + 60, size.Height + 45});
            for (int32_t y = -20; y < size.Height + 40; y += 41)
                for (int32_t x = -30; x < size.Width + 60; x += 56)
                    placements.push_back({x + 28, y + 20, carpet});
            for (int32_t y = 0; y < size.Height; y += 16)
                for (int32_t x = 8; x < size.Width; x += 16)
                    placements.push_back({x, y, tile});
            const auto later = RandomPlacements(rng, 500, 8, {0, 0, size.Width, size.Height});
            placements.insert(placements.end(), later.begin(), later.end());
            placements.push_back({size.Width / 2, size.Height / 2, dot});
            const Bitmap background = RandomBitmap(rng, size.Width, size.Height);
            Check(background, clip.Clip, stamps, placements, clip.Name);
        }
    }
}

TEST_P(StampPainterTest, TallStampsCrossManyTileRows) {
    for (const Size size : {Size{813, 653}, Size{60, 300}}) {
        std::vector<Stamp> stamps;
        for (int i = 0; i < 4; ++i)
            stamps.push_back(RandomStamp(rng, 230));
        stamps.push_back(FullStamp(rng, 3, 229, -1, -114));
        for (const NamedClip& clip : Clips(rng, size.Width, size.Height)) {
            const Bitmap background = RandomBitmap(rng, size.Width, size.Height);
            Check(background, clip.Clip, stamps,
                  RandomPlacements(rng, 1200, stamps.size(),
                                   {-250, -250, size.Width + 250, size.Height + 250}),
                  clip.Name);
        }
    }
}

TEST_P(StampPainterTest, EmptyStampsPaintNothingAndRepeatsPaintOnce) {
    std::vector<Stamp> stamps = RandomStamps(rng, 3);
    stamps.push_back(Stamp{}); // what MakeStamp gives for an invisible drawing
    Stamp tall;
    tall.Left = -2;
    tall.Top = -3;
    tall.Height = 6;
    tall.Rows.assign(6, 0);
    stamps.push_back(tall); // no columns, some rows
    Stamp blank = FullStamp(rng, 20, 10, -5, -5);
    blank.Rows.assign(10, 0);
    stamps.push_back(blank); // columns and rows, none painted
    const uint32_t empty = 3, noColumns = 4, noBits = 5;
    const int w = 97, h = 61;
    const Region whole = Region::FromRect({0, 0, w, h});
    {
        std::vector<StampPlacement> only;
        for (int k = 0; k < 300; ++k)
            only.push_back({Uniform(rng, -10, w + 10), Uniform(rng, -10, h + 10),
                            static_cast<uint32_t>(Uniform(rng, empty, noBits))});
        const Bitmap background = RandomBitmap(rng, w, h);
        Bitmap actual = background;
        painter.Paint(actual, whole, stamps, only);
        EXPECT_TRUE(SamePixels(actual, background)) << "stamps that paint nothing";
    }
    for (const NamedClip& clip : Clips(rng, w, h)) {
        std::vector<StampPlacement> placements = MixedPlacements(rng, w, h, stamps.size());
        // One spot over and over, the same stamp and then stamps taking turns.
        for (int k = 0; k < 700; ++k)
            placements.push_back({40, 30, 0});
        for (int k = 0; k < 700; ++k)
            placements.push_back({3, h - 2, static_cast<uint32_t>(k % stamps.size())});
        for (int k = 0; k < 300; ++k)
            placements.push_back({w / 2, h / 2, k % 2 ? empty : noColumns});
        Check(RandomBitmap(rng, w, h), clip.Clip, stamps, placements, clip.Name);
    }
    // The same copy a thousand times alone is that copy once.
    const std::vector<StampPlacement> same(1000, StampPlacement{w / 3, h / 3, 1});
    const Bitmap background = RandomBitmap(rng, w, h);
    Bitmap once = background;
    painter.Paint(once, whole, stamps, std::vector<StampPlacement>{same.front()});
    Bitmap many = background;
    painter.Paint(many, whole, stamps, same);
    EXPECT_TRUE(SamePixels(many, once));
}

TEST_P(StampPainterTest, OnePainterServesTargetsOfAnySizeInTurn) {
    // Big, tiny, big again, each with its own clip and stamps: nothing of one call's masks
    // may decide a pixel of the next.
    const std::vector<Stamp> stamps = RandomStamps(rng, 6);
    const Size turns[] = {{813, 653}, {3, 50}, {813, 653}, {1, 1},   {200, 17},
                          {813, 653}, {9, 9},  {64, 64},   {65, 65}, {813, 653}};
    for (int round = 0; round < 2; ++round) {
        for (const Size size : turns) {
            const auto clips = Clips(rng, size.Width, size.Height);
            const NamedClip& clip = clips[rng() % clips.size()];
            Check(RandomBitmap(rng, size.Width, size.Height), clip.Clip, stamps,
                  MixedPlacements(rng, size.Width, size.Height, stamps.size()), clip.Name);
            // No placements: not a pixel changes.
            const Bitmap background = RandomBitmap(rng, size.Width, size.Height);
            Bitmap actual = background;
            painter.Paint(actual, clip.Clip, stamps, {});
            EXPECT_TRUE(SamePixels(actual, background));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, StampPainterTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "MaskedVector" : "Plain";
                         });

// ---- making stamps ----

struct Underlays {
    Underlays(int w, int h) : black(w, h, kStampUnderlayBlack), white(w, h, kStampUnderlayWhite) {}
    void Draw(const std::function<void(DeviceContext&)>& draw) {
        for (Bitmap* b : {&black, &white}) {
            DeviceContext dc(b);
            draw(dc);
        }
    }
    // The same pixel in both, as a drawing that paints it leaves it.
    void Paint(int x, int y, Pixel p) {
        black.Set(x, y, p);
        white.Set(x, y, p);
    }
    bool Make(Point anchor, Stamp& stamp) const { return MakeStamp(black, white, anchor, stamp); }
    Bitmap black, white;
};

// Everything a stamp must say about the two renderings it came from.
void ExpectStampOf(const Stamp& s, const Underlays& u, Point anchor) {
    ASSERT_GT(s.Width, 0);
    ASSERT_GT(s.Height, 0);
    ASSERT_EQ(s.Rows.size(), static_cast<size_t>(s.Height));
    ASSERT_EQ(s.Pixels.size(), static_cast<size_t>(s.Width) * static_cast<size_t>(s.Height));
    const Rect box{anchor.X + s.Left, anchor.Y + s.Top, anchor.X + s.Left + s.Width,
                   anchor.Y + s.Top + s.Height};
    uint64_t columns = 0;
    for (int y = 0; y < u.black.Height(); ++y) {
        for (int x = 0; x < u.black.Width(); ++x) {
            const bool painted = u.black.At(x, y) == u.white.At(x, y);
            if (!box.Contains(x, y)) {
                EXPECT_FALSE(painted) << "painted outside the stamp at " << x << "," << y;
                continue;
            }
            const size_t r = static_cast<size_t>(y - box.Top);
            const int i = x - box.Left;
            EXPECT_EQ(((s.Rows[r] >> i) & 1) != 0, painted) << x << "," << y;
            if (painted) {
                EXPECT_EQ(s.Pixels[r * static_cast<size_t>(s.Width) + static_cast<size_t>(i)],
                          u.black.At(x, y))
                    << x << "," << y;
            }
        }
    }
    for (size_t r = 0; r < s.Rows.size(); ++r) {
        EXPECT_EQ(s.Rows[r] & ~WidthMask(s.Width), 0u) << "bits beyond the width in row " << r;
        columns |= s.Rows[r];
    }
    // The box is tight: its first and last rows and columns hold painted pixels.
    EXPECT_NE(s.Rows.front(), 0u);
    EXPECT_NE(s.Rows.back(), 0u);
    EXPECT_NE(columns & 1, 0u);
    EXPECT_NE((columns >> (s.Width - 1)) & 1, 0u);
}

TEST(MakeStamp, RectangleGivesItsBoxWithPenAndBrushColours) {
    Underlays u(30, 25);
    const ColorRef pen = 0x0000C0, brush = 0x30A010;
    u.Draw([&](DeviceContext& dc) {
        dc.CurrentPen().Color = pen;
        dc.CurrentBrush().Color = brush;
        dc.Rectangle(5, 6, 15, 12);
    });
    const Point anchor{9, 8};
    Stamp s;
    ASSERT_TRUE(u.Make(anchor, s));
    EXPECT_EQ(s.Left, 5 - 9);
    EXPECT_EQ(s.Top, 6 - 8);
    EXPECT_EQ(s.Width, 10);
    EXPECT_EQ(s.Height, 6);
    ASSERT_EQ(s.Rows.size(), 6u);
    for (uint64_t row : s.Rows)
        EXPECT_EQ(row, WidthMask(10));
    ASSERT_EQ(s.Pixels.size(), 60u);
    for (int r = 0; r < 6; ++r)
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(s.Pixels[static_cast<size_t>(r * 10 + i)],
                      (r == 0 || r == 5 || i == 0 || i == 9) ? ToPixel(pen) : ToPixel(brush))
                << i << "," << r;
}

TEST(MakeStamp, MaskAndPixelsFollowTheTwoRenderings) {
    // Black and white ink count as painted like any other colour; a ring leaves its
    // middle alone.
    const std::function<void(DeviceContext&)> drawings[] = {
        [](DeviceContext& dc) {
            const Point shape[] = {{4, 20}, {14, 3}, {30, 17}, {22, 26}};
            dc.CurrentPen().Color = 0x000000;
            dc.CurrentBrush().Color = 0xFFFFFF;
            dc.Polygon(shape);
        },
        [](DeviceContext& dc) {
            dc.CurrentPen().Color = 0x00FFFF;
            dc.CurrentBrush().Style = BrushStyle::Clear;
            dc.Ellipse(3, 4, 27, 22);
        },
        [](DeviceContext& dc) {
            dc.CurrentPen().Color = 0x123456;
            dc.MoveToEx(2, 27);
            dc.LineTo(33, 1);
            dc.CurrentPen().Color = 0xFFFFFF;
            dc.MoveToEx(5, 5);
            dc.LineTo(6, 25);
        },
        [](DeviceContext& dc) {
            dc.CurrentPen().Style = PenStyle::Clear;
            dc.CurrentBrush().Color = 0x000000;
            dc.RoundRect(8, 2, 20, 29, 6, 6);
            dc.CurrentPen().Style = PenStyle::Solid;
            dc.CurrentPen().Color = 0x7F7F7F;
            dc.Pie(1, 1, 34, 30, 30, 2, 3, 2);
        },
    };
    for (const auto& draw : drawings) {
        Underlays u(36, 31);
        u.Draw(draw);
        for (const Point anchor : {Point{17, 15}, Point{0, 0}, Point{-40, 90}}) {
            Stamp s;
            ASSERT_TRUE(u.Make(anchor, s));
            ExpectStampOf(s, u, anchor);
        }
    }
}

TEST(MakeStamp, BlackAndWhiteInkIsPainted) {
    Underlays u(10, 10);
    u.Paint(3, 4, kStampUnderlayBlack);
    u.Paint(6, 4, kStampUnderlayWhite);
    Stamp s;
    ASSERT_TRUE(u.Make({3, 4}, s));
    EXPECT_EQ(s.Left, 0);
    EXPECT_EQ(s.Top, 0);
    EXPECT_EQ(s.Width, 4);
    EXPECT_EQ(s.Height, 1);
    ASSERT_EQ(s.Rows.size(), 1u);
    EXPECT_EQ(s.Rows[0], 0b1001u);
    ASSERT_EQ(s.Pixels.size(), 4u);
    EXPECT_EQ(s.Pixels[0], kStampUnderlayBlack);
    EXPECT_EQ(s.Pixels[3], kStampUnderlayWhite);
}

TEST(MakeStamp, NothingPaintedGivesAnEmptyStamp) {
    Stamp s;
    s.Left = 3;
    s.Top = -4;
    s.Width = 5;
    s.Height = 2;
    s.Rows = {1, 2};
    s.Pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const Underlays u(20, 17);
    ASSERT_TRUE(u.Make({10, 8}, s));
    EXPECT_EQ(s.Width, 0);
    EXPECT_EQ(s.Height, 0);
    EXPECT_EQ(s.Left, 0);
    EXPECT_EQ(s.Top, 0);
    EXPECT_TRUE(s.Rows.empty());
    EXPECT_TRUE(s.Pixels.empty());

    const Underlays none(0, 0);
    Stamp t;
    EXPECT_TRUE(none.Make({0, 0}, t));
    EXPECT_EQ(t.Width, 0);
}

TEST(MakeStamp, DrawingThatMixesWithTheUnderlayIsNoStamp) {
    for (const PenMode mode : {PenMode::Xor, PenMode::NotXor, PenMode::Not, PenMode::Merge}) {
        Underlays u(20, 20);
        u.Draw([&](DeviceContext& dc) {
            dc.CurrentPen().Color = 0x3060A0;
            dc.CurrentPen().Mode = mode;
            dc.MoveToEx(3, 3);
            dc.LineTo(15, 11);
        });
        Stamp s;
        EXPECT_FALSE(u.Make({5, 5}, s)) << "pen mode " << static_cast<int>(mode);
    }
    // By hand, each next to a properly painted pixel.
    const struct {
        Pixel OverBlack, OverWhite;
    } mixed[] = {
        {kStampUnderlayWhite, kStampUnderlayBlack}, // inverted
        {0x123456, 0x654321},
        {kStampUnderlayBlack, 0x808080},
        {0x000001, kStampUnderlayWhite},
        {kStampUnderlayBlack, 0xFFFFFE},
        {0x404040, kStampUnderlayWhite},
    };
    for (const auto& m : mixed) {
        Underlays u(12, 12);
        u.Paint(5, 5, 0xABCDEF);
        u.black.Set(7, 6, m.OverBlack);
        u.white.Set(7, 6, m.OverWhite);
        Stamp s;
        EXPECT_FALSE(u.Make({5, 5}, s)) << std::hex << m.OverBlack << " / " << m.OverWhite;
    }
}

TEST(MakeStamp, PaintedPixelOnTheBorderMeansTheDrawingMayBeCut) {
    const int w = 15, h = 11;
    for (const Point at : {Point{0, 5}, Point{w - 1, 5}, Point{6, 0}, Point{6, h - 1}, Point{0, 0},
                           Point{w - 1, h - 1}, Point{0, h - 1}, Point{w - 1, 0}}) {
        for (const Pixel ink : {Pixel{0x00FF00}, kStampUnderlayBlack, kStampUnderlayWhite}) {
            Underlays u(w, h);
            u.Paint(7, 5, 0x112233);
            u.Paint(at.X, at.Y, ink);
            Stamp s;
            EXPECT_FALSE(u.Make({7, 5}, s)) << at.X << "," << at.Y << " ink " << std::hex << ink;
        }
    }
    // One pixel in from every side is fine.
    Underlays u(w, h);
    u.Paint(1, 1, 0x010203);
    u.Paint(w - 2, h - 2, 0x040506);
    Stamp s;
    ASSERT_TRUE(u.Make({4, 3}, s));
    EXPECT_EQ(s.Left, 1 - 4);
    EXPECT_EQ(s.Top, 1 - 3);
    EXPECT_EQ(s.Width, w - 2);
    EXPECT_EQ(s.Height, h - 2);
    ExpectStampOf(s, u, {4, 3});

    // A drawing that runs off the scratch bitmap.
    Underlays cut(20, 20);
    cut.Draw([](DeviceContext& dc) { dc.Rectangle(10, 5, 25, 12); });
    EXPECT_FALSE(cut.Make({10, 5}, s));
}

TEST(MakeStamp, PaintedWidthIsLimitedHeightIsNot) {
    {
        Underlays u(kMaxStampWidth + 10, 300);
        u.Paint(2, 3, 0x111111);
        u.Paint(2 + kMaxStampWidth - 1, 290, 0x222222);
        Stamp s;
        ASSERT_TRUE(u.Make({30, 150}, s));
        EXPECT_EQ(s.Width, kMaxStampWidth);
        EXPECT_EQ(s.Height, 288);
        EXPECT_EQ(s.Left, 2 - 30);
        EXPECT_EQ(s.Top, 3 - 150);
        ASSERT_EQ(s.Rows.size(), 288u);
        EXPECT_EQ(s.Rows.front(), 1u);
        EXPECT_EQ(s.Rows.back(), uint64_t{1} << (kMaxStampWidth - 1));
        ExpectStampOf(s, u, {30, 150});
    }
    {
        Underlays u(kMaxStampWidth + 10, 12);
        u.Paint(2, 3, 0x111111);
        u.Paint(2 + kMaxStampWidth, 8, 0x222222);
        Stamp s;
        EXPECT_FALSE(u.Make({30, 6}, s));
    }
    {
        Underlays u(kMaxStampWidth + 10, 12);
        u.Draw([](DeviceContext& dc) { dc.Rectangle(3, 2, 3 + kMaxStampWidth + 1, 9); });
        Stamp s;
        EXPECT_FALSE(u.Make({30, 6}, s));
    }
}

TEST(MakeStamp, RenderingsOfDifferentSizesAreNoStamp) {
    const Size sizes[][2] = {{{10, 10}, {11, 10}},
                             {{10, 10}, {10, 11}},
                             {{10, 10}, {0, 0}},
                             {{0, 0}, {4, 4}},
                             {{6, 9}, {9, 6}}};
    for (const auto& pair : sizes) {
        const Bitmap black(pair[0].Width, pair[0].Height, kStampUnderlayBlack);
        const Bitmap white(pair[1].Width, pair[1].Height, kStampUnderlayWhite);
        Stamp s;
        EXPECT_FALSE(MakeStamp(black, white, {2, 2}, s))
            << pair[0].Width << "x" << pair[0].Height << " and " << pair[1].Width << "x"
            << pair[1].Height;
    }
}

// ---- stamps against drawing in place ----

// Markers of every kind the chart stamps: solid pens one pixel wide, solid or clear brushes.
struct Shape {
    const char* Name;
    std::function<void(DeviceContext&, int32_t, int32_t)> Draw;
};

std::vector<Shape> Shapes() {
    return {
        {"rectangle",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0x0000FF};
             dc.CurrentBrush() = Brush{0x00FF00};
             dc.Rectangle(x - 4, y - 3, x + 5, y + 4);
         }},
        {"rectangle without pen",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0, 1, PenStyle::Clear};
             dc.CurrentBrush() = Brush{0x102030};
             dc.Rectangle(x - 6, y - 6, x + 7, y + 7);
         }},
        {"ellipse",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0xFF0000};
             dc.CurrentBrush() = Brush{0x00FFFF};
             dc.Ellipse(x - 7, y - 5, x + 8, y + 6);
         }},
        {"ring",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0x000000};
             dc.CurrentBrush() = Brush{0, BrushStyle::Clear};
             dc.Ellipse(x - 10, y - 9, x + 10, y + 9);
         }},
        {"round rectangle",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0x808000};
             dc.CurrentBrush() = Brush{0xFFFFFF};
             dc.RoundRect(x - 9, y - 5, x + 9, y + 6, 5, 4);
         }},
        {"diamond",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             const Point points[] = {{x, y - 6}, {x + 6, y}, {x, y + 6}, {x - 6, y}};
             dc.CurrentPen() = Pen{0x4080C0};
             dc.CurrentBrush() = Brush{0xC08040};
             dc.Polygon(points);
         }},
        {"triangle",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             const Point points[] = {{x - 5, y + 4}, {x + 7, y + 3}, {x + 1, y - 8}};
             dc.CurrentPen() = Pen{0, 1, PenStyle::Clear};
             dc.CurrentBrush() = Brush{0x332211};
             dc.Polygon(points);
         }},
        {"cross",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0x00A0FF};
             dc.MoveToEx(x - 5, y - 3);
             dc.LineTo(x + 6, y + 4);
             dc.MoveToEx(x + 5, y - 5);
             dc.LineTo(x - 4, y + 5);
         }},
        {"widest",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0x0F0F0F};
             dc.CurrentBrush() = Brush{0xF0F0F0};
             dc.Rectangle(x - 28, y - 3, x + 29, y + 3);
         }},
        {"tall",
         [](DeviceContext& dc, int32_t x, int32_t y) {
             dc.CurrentPen() = Pen{0x5050FF};
             dc.CurrentBrush() = Brush{0xFF5050};
             dc.Ellipse(x - 3, y - 70, x + 4, y + 71);
         }},
    };
}

// Scratch renderings with the anchor far from where the target will have it.
Stamp StampOf(const Shape& shape) {
    Underlays u(90, 180);
    const Point anchor{41, 87};
    u.Draw([&](DeviceContext& dc) { shape.Draw(dc, anchor.X, anchor.Y); });
    Stamp s;
    EXPECT_TRUE(u.Make(anchor, s)) << shape.Name;
    return s;
}

TEST_P(StampPainterTest, StampPaintsWhatDrawingInPlaceDoes) {
    const std::vector<Shape> shapes = Shapes();
    std::vector<Stamp> stamps;
    for (const Shape& shape : shapes)
        stamps.push_back(StampOf(shape));
    const int w = 813, h = 653;
    const Bitmap background = RandomBitmap(rng, w, h);
    const Point hexagon[] = {{-30, 300}, {200, -40}, {600, 10}, {850, 330}, {640, 690}, {90, 600}};
    for (const bool clipped : {false, true}) {
        // One copy at a time, here and across every edge.
        for (size_t k = 0; k < shapes.size(); ++k) {
            for (const Point at : {Point{400, 300}, Point{1, 2}, Point{0, 0}, Point{-5, 330},
                                   Point{w + 4, 17}, Point{w - 1, h - 1}, Point{77, h + 6},
                                   Point{Uniform(rng, 0, w), Uniform(rng, 0, h)}}) {
                Bitmap drawn = background;
                DeviceContext dc(&drawn);
                if (clipped) {
                    const Region clip = Region::FromPolygon(hexagon, {-100, -100, 1000, 1000});
                    dc.SelectClipRgn(&clip);
                }
                shapes[k].Draw(dc, at.X, at.Y);
                Bitmap stamped = background;
                const StampPlacement one{at.X, at.Y, static_cast<uint32_t>(k)};
                painter.Paint(stamped, dc.EffectiveClip(), stamps,
                              std::vector<StampPlacement>{one});
                EXPECT_TRUE(SamePixels(stamped, drawn)) << shapes[k].Name << " at " << at.X << ","
                                                        << at.Y << (clipped ? " clipped" : "");
            }
        }
        // Many copies of mixed shapes, piled up, in one call.
        Bitmap drawn = background;
        DeviceContext dc(&drawn);
        if (clipped) {
            const Region clip = Region::FromPolygon(hexagon, {-100, -100, 1000, 1000});
            dc.SelectClipRgn(&clip);
            dc.IntersectClipRect({20, 10, 790, 700});
        }
        std::vector<StampPlacement> placements =
            RandomPlacements(rng, 1500, shapes.size(), {-40, -80, w + 40, h + 80});
        const auto pile = RandomPlacements(rng, 500, shapes.size(), {300, 200, 340, 230});
        placements.insert(placements.end(), pile.begin(), pile.end());
        for (const StampPlacement& p : placements)
            shapes[p.Stamp].Draw(dc, p.X, p.Y);
        Bitmap stamped = background;
        painter.Paint(stamped, dc.EffectiveClip(), stamps, placements);
        EXPECT_TRUE(SamePixels(stamped, drawn)) << (clipped ? "clipped" : "unclipped");
    }
}

TEST_P(StampPainterTest, CopiesOfOneStampAlongACurveHideInTheirColumns) {
    // Markers along a dense noisy curve, a copy of one stamp each, its columns runs of rows:
    // most are hidden by the ones after them in their own column. A paint where many were
    // hides the next ones' columns first; data of another shape turns that off again. Each
    // paint, whichever way it goes, is the drawing of the copies in order.
    const std::vector<Shape> shapes = Shapes();
    const int w = 300, h = 200;
    const auto curve = [&](int n, int noise) {
        std::vector<StampPlacement> placements;
        for (int i = 0; i < n; ++i) {
            const int x = -12 + i * (w + 24) / n;
            const int y = h / 2 + static_cast<int>(std::lround(70 * std::sin(i * 6.0 / n))) +
                          Uniform(rng, -noise, noise);
            placements.push_back({x, y, 0});
        }
        return placements;
    };
    for (const char* name : {"rectangle", "ellipse", "diamond", "tall"}) {
        const auto shape = std::find_if(shapes.begin(), shapes.end(), [&](const Shape& s) {
            return std::string(s.Name) == name;
        });
        ASSERT_NE(shape, shapes.end());
        const std::vector<Stamp> stamps{StampOf(*shape)};
        for (const NamedClip& clip : Clips(rng, w, h)) {
            const std::vector<StampPlacement> rounds[] = {
                curve(4000, 9), curve(2500, 3),
                RandomPlacements(rng, 2000, 1, {-20, -20, w + 20, h + 20}), curve(6000, 14),
                curve(300, 40)};
            for (const std::vector<StampPlacement>& placements : rounds)
                Check(RandomBitmap(rng, w, h), clip.Clip, stamps, placements,
                      std::string(name) + ", " + clip.Name);
        }
    }
}

// ---- drawing off the target ----

Region SomeClip() {
    const Point star[] = {{2, 2}, {37, 8}, {6, 27}, {20, 0}, {30, 29}};
    Region r = Region::FromPolygon(star, {-50, -50, 100, 100});
    r.IntersectWith(Region::FromRect({1, 3, 35, 26}));
    return r;
}

TEST(DeviceContextRedirect, DrawsIntoTheScratchWithoutAnyClip) {
    std::mt19937 rng(7);
    const Bitmap before = RandomBitmap(rng, 40, 30);
    Bitmap target = before;
    DeviceContext dc(&target);
    const Region clip = SomeClip();
    dc.SelectClipRgn(&clip);

    Bitmap scratch(24, 18, 0x000000);
    dc.BeginRedirect(&scratch);
    EXPECT_EQ(dc.Target(), &scratch);
    EXPECT_FALSE(dc.HasClipRegion());
    EXPECT_EQ(dc.EffectiveClip(), Region::FromRect({0, 0, 24, 18}));
    dc.CurrentPen().Color = 0x0000FF;
    dc.CurrentBrush().Color = 0x00FF00;
    dc.Rectangle(-3, -3, 30, 30);
    dc.Ellipse(2, 3, 20, 15);
    dc.SetPixel(23, 17, 0x123456);
    EXPECT_TRUE(SamePixels(target, before)) << "the target was drawn on";

    // The same drawing on a bitmap of its own.
    Bitmap reference(24, 18, 0x000000);
    DeviceContext fresh(&reference);
    fresh.CurrentPen().Color = 0x0000FF;
    fresh.CurrentBrush().Color = 0x00FF00;
    fresh.Rectangle(-3, -3, 30, 30);
    fresh.Ellipse(2, 3, 20, 15);
    fresh.SetPixel(23, 17, 0x123456);
    EXPECT_TRUE(SamePixels(scratch, reference));
    dc.EndRedirect();
    EXPECT_TRUE(SamePixels(target, before));
}

TEST(DeviceContextRedirect, EndBringsBackTheTargetAndItsExactClip) {
    const std::function<void(DeviceContext&)> clips[] = {
        [](DeviceContext&) {},
        [](DeviceContext& dc) {
            const Region r = SomeClip();
            dc.SelectClipRgn(&r);
        },
        [](DeviceContext& dc) {
            dc.IntersectClipRect({-5, 4, 19, 50});
        },
        [](DeviceContext& dc) {
            const Region r;
            dc.SelectClipRgn(&r);
        },
    };
    for (const auto& setClip : clips) {
        Bitmap target(40, 30, 0xFFFFFF);
        DeviceContext dc(&target);
        setClip(dc);
        const Region clip = dc.EffectiveClip();
        const bool hasClip = dc.HasClipRegion();

        Bitmap scratch(8, 70, 0xFFFFFF);
        dc.BeginRedirect(&scratch);
        // Clipping the scratch belongs to the scratch only.
        dc.IntersectClipRect({1, 1, 3, 3});
        dc.Rectangle(0, 0, 8, 8);
        dc.EndRedirect();

        EXPECT_EQ(dc.Target(), &target);
        EXPECT_EQ(dc.HasClipRegion(), hasClip);
        EXPECT_TRUE(dc.EffectiveClip() == clip);
        // And drawing obeys it again: exactly the clip's pixels change.
        dc.CurrentPen().Style = PenStyle::Clear;
        dc.CurrentBrush().Color = 0x000000;
        dc.Rectangle(-10, -10, 60, 60);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                EXPECT_EQ(target.At(x, y) == 0, clip.Contains(x, y)) << x << "," << y;
    }
}

TEST(DeviceContextRedirect, PenBrushPositionAndPatternCarryOn) {
    Bitmap target(60, 12, 0xFFFFFF);
    DeviceContext dc(&target);
    dc.IntersectClipRect({0, 0, 60, 12});
    dc.CurrentPen().Style = PenStyle::Dot;
    dc.SetBkMode(TRANSPARENT);
    dc.MoveToEx(0, 5);
    dc.LineTo(7, 5);

    Bitmap scratch(60, 12, 0xFFFFFF);
    dc.BeginRedirect(&scratch);
    dc.LineTo(20, 5);
    dc.CurrentBrush().Color = 0x00FF00;
    dc.CurrentPen().Color = 0x0000FF;
    dc.SetBkColor(0x654321);
    dc.MoveToEx(5, 1);
    dc.LineTo(9, 1);
    dc.EndRedirect();

    EXPECT_EQ(dc.CurrentPen().Color, 0x0000FFu);
    EXPECT_EQ(dc.CurrentPen().Style, PenStyle::Dot);
    EXPECT_EQ(dc.CurrentBrush().Color, 0x00FF00u);
    EXPECT_EQ(dc.GetBkColor(), 0x654321u);
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
    EXPECT_EQ(dc.CurrentPosition(), (Point{9, 1}));
    dc.LineTo(33, 1);
    dc.Rectangle(40, 4, 50, 10);

    // One polyline on one bitmap is both halves together, the dot pattern running on.
    Bitmap whole(60, 12, 0xFFFFFF);
    DeviceContext ref(&whole);
    ref.CurrentPen().Style = PenStyle::Dot;
    ref.SetBkMode(TRANSPARENT);
    ref.MoveToEx(0, 5);
    ref.LineTo(7, 5);
    ref.LineTo(20, 5);
    ref.CurrentPen().Color = 0x0000FF;
    ref.MoveToEx(5, 1);
    ref.LineTo(9, 1);
    ref.LineTo(33, 1);
    ref.CurrentBrush().Color = 0x00FF00;
    ref.Rectangle(40, 4, 50, 10);
    Bitmap together = target;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 60; ++x)
            if (scratch.At(x, y) != 0xFFFFFF) {
                EXPECT_EQ(target.At(x, y), 0xFFFFFFu) << "on both at " << x << "," << y;
                together.Set(x, y, scratch.At(x, y));
            }
    EXPECT_TRUE(SamePixels(together, whole));
    EXPECT_NE(scratch, Bitmap(60, 12, 0xFFFFFF));
}

TEST(DeviceContextRedirect, EndWithoutBeginChangesNothing) {
    Bitmap target(40, 30, 0xFFFFFF);
    DeviceContext dc(&target);
    const Region clip = SomeClip();
    dc.SelectClipRgn(&clip);
    dc.MoveToEx(3, 4);
    dc.EndRedirect();
    EXPECT_EQ(dc.Target(), &target);
    EXPECT_TRUE(dc.HasClipRegion());
    EXPECT_TRUE(dc.EffectiveClip() == clip);
    EXPECT_EQ(dc.CurrentPosition(), (Point{3, 4}));

    // Nor does a second end after a pair: the target stays.
    Bitmap scratch(10, 10, 0xFFFFFF);
    dc.BeginRedirect(&scratch);
    dc.EndRedirect();
    dc.EndRedirect();
    EXPECT_EQ(dc.Target(), &target);
    EXPECT_TRUE(dc.HasClipRegion());
    EXPECT_TRUE(dc.EffectiveClip() == clip);

    // A context without a target gets none back.
    DeviceContext bare;
    bare.BeginRedirect(&scratch);
    bare.SetPixel(2, 2, 0x000000);
    EXPECT_EQ(scratch.At(2, 2), 0x000000u);
    bare.EndRedirect();
    EXPECT_EQ(bare.Target(), nullptr);
    EXPECT_FALSE(bare.HasClipRegion());
    EXPECT_TRUE(bare.EffectiveClip().IsEmpty());
}

} // namespace
} // namespace vemora::gfx
