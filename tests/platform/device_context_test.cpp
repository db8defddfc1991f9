#include "platform/gfx/device_context.h"
#include "support/pixel_art.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace vemora::gfx {
namespace {

constexpr Rect kEverywhere{-1000, -1000, 1000, 1000};

using testing::Art;
using testing::CountPixels;
using testing::InkBounds;
using testing::Rows;

constexpr Pixel kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr ColorRef kRedRef = 0x0000FF; // 0x00BBGGRR
constexpr Pixel kRed = 0xFF0000;       // 0x00RRGGBB

struct Surface {
    explicit Surface(int w, int h) : bitmap(w, h, kWhite), dc(&bitmap) {}
    std::string Picture() const {
        return Art(bitmap, {0, 0, bitmap.Width(), bitmap.Height()},
                   {{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}, {0x0000FF, 'b'}});
    }
    Bitmap bitmap;
    DeviceContext dc;
};

TEST(DeviceContextLines, EndPointIsNotPaintedInAnyDirection) {
    Surface s(8, 5);
    s.dc.MoveToEx(1, 1);
    s.dc.LineTo(6, 1); // right
    s.dc.MoveToEx(6, 3);
    s.dc.LineTo(1, 3); // left
    EXPECT_EQ(s.Picture(), Rows("........", ".#####..", "........", "..#####.", "........"));

    Surface d(6, 6);
    d.dc.MoveToEx(0, 0);
    d.dc.LineTo(4, 4);
    EXPECT_EQ(d.Picture(), Rows("#.....", ".#....", "..#...", "...#..", "......", "......"));
    EXPECT_EQ(d.dc.CurrentPosition(), (Point{4, 4}));
}

TEST(DeviceContextLines, ShallowLinesCoverOnePixelPerColumn) {
    Surface s(12, 4);
    s.dc.MoveToEx(0, 0);
    s.dc.LineTo(10, 3);
    EXPECT_EQ(CountPixels(s.bitmap, kBlack), 10);
    for (int x = 0; x < 10; ++x) {
        int inColumn = 0;
        for (int y = 0; y < 4; ++y)
            inColumn += s.bitmap.At(x, y) == kBlack;
        EXPECT_EQ(inColumn, 1) << "column " << x;
    }
}

TEST(DeviceContextLines, DotPatternContinuesAcrossSegmentsAndRestartsOnMove) {
    Surface s(14, 3);
    s.dc.CurrentPen().Style = PenStyle::Dot;
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.MoveToEx(0, 0);
    s.dc.LineTo(4, 0);
    s.dc.LineTo(13, 0);
    s.dc.MoveToEx(1, 2);
    s.dc.LineTo(8, 2);
    EXPECT_EQ(s.Picture(), Rows("###...###...#.", "..............", ".###...#......"));
}

TEST(DeviceContextLines, DashPatternsHaveTheirRunLengths) {
    auto pattern = [](PenStyle style) {
        Surface s(48, 1);
        s.dc.CurrentPen().Style = style;
        s.dc.SetBkMode(TRANSPARENT);
        s.dc.MoveToEx(0, 0);
        s.dc.LineTo(48, 0);
        std::string art = s.Picture();
        art.pop_back();
        return art;
    };
    EXPECT_EQ(pattern(PenStyle::Dash), std::string(18, '#') + std::string(6, '.') +
                                           std::string(18, '#') + std::string(6, '.'));
    EXPECT_EQ(pattern(PenStyle::DashDot).substr(0, 24), std::string(9, '#') + "......###......");
    EXPECT_EQ(pattern(PenStyle::DashDotDot).substr(0, 24), std::string(9, '#') + "...###...###...");
    EXPECT_EQ(pattern(PenStyle::Alternate).substr(0, 8), "#.#.#.#.");
}

TEST(DeviceContextLines, OpaqueBackgroundFillsTheGapsOfStyledLines) {
    Surface s(6, 1);
    s.dc.CurrentPen().Style = PenStyle::Dot;
    s.dc.SetBkMode(OPAQUE);
    s.dc.SetBkColor(kRedRef);
    s.dc.MoveToEx(0, 0);
    s.dc.LineTo(6, 0);
    EXPECT_EQ(s.Picture(), Rows("###rrr"));
}

TEST(DeviceContextLines, WidePensAreSolidWithRoundEnds) {
    Surface s(16, 11);
    s.dc.CurrentPen().Width = 5;
    s.dc.CurrentPen().Style = PenStyle::Dash; // wide pens ignore the pattern
    s.dc.MoveToEx(5, 5);
    s.dc.LineTo(10, 5);
    EXPECT_EQ(s.Picture(),
              Rows("................", "................", "................", "....########....",
                   "...##########...", "...##########...", "...##########...", "....########....",
                   "................", "................", "................"));

    Surface even(10, 6);
    even.dc.CurrentPen().Width = 2;
    even.dc.MoveToEx(2, 3);
    even.dc.LineTo(7, 3);
    const Rect ink = InkBounds(even.bitmap, kWhite);
    EXPECT_EQ(ink.Height(), 2);
    EXPECT_EQ(ink.Top, 2);
}

// A cosmetic pen on a denser device: the one-pixel line's steps, each as many pixels
// across as the pen says (one more before the line than after it, as a wide pen of that
// width), its pattern's runs stretched and carried on from segment to segment.
TEST(DeviceContextLines, ThickCosmeticLinesStretchTheirPattern) {
    Surface s(16, 7);
    s.dc.CurrentPen().Style = PenStyle::Dot;
    s.dc.CurrentPen().Across = 2;
    s.dc.CurrentPen().PatternScale = 2;
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.MoveToEx(0, 2);
    s.dc.LineTo(10, 2);
    s.dc.LineTo(10, 7);
    EXPECT_EQ(s.Picture(),
              Rows("................", "######..........", "######..........", "................",
                   ".........##.....", ".........##.....", ".........##....."));

    // Stretched by 1.5, each run takes its rounded length: dots of 4 (ties to even).
    Surface f(16, 1);
    f.dc.CurrentPen().Style = PenStyle::Dot;
    f.dc.CurrentPen().PatternScale = 1.5;
    f.dc.SetBkMode(TRANSPARENT);
    f.dc.MoveToEx(0, 0);
    f.dc.LineTo(16, 0);
    EXPECT_EQ(f.Picture(), Rows("####....####...."));

    // A solid one: exactly the pixels of the one-pixel line, each made a run, clipped.
    Surface c(8, 6);
    c.dc.CurrentPen().Across = 3;
    c.dc.IntersectClipRect({0, 0, 5, 6});
    c.dc.MoveToEx(1, 1);
    c.dc.LineTo(7, 4);
    EXPECT_EQ(c.Picture(),
              Rows(".##.....", ".####...", ".####...", "...##...", "........", "........"));
}

TEST(DeviceContextLines, ClippedLinesKeepTheirPixelsAndDashPhase) {
    // Every line drawn through a clip equals the unclipped line cut to the clip.
    const Rect window{13, 9, 41, 37};
    int checked = 0;
    for (PenStyle style : {PenStyle::Solid, PenStyle::DashDot}) {
        for (int i = 0; i < 60; ++i) {
            const Point a{(i * 37) % 70 - 10, (i * 53) % 64 - 8};
            const Point b{(i * 17 + 29) % 72 - 12, (i * 41 + 7) % 66 - 9};
            Surface full(50, 46), clipped(50, 46);
            for (Surface* s : {&full, &clipped}) {
                s->dc.CurrentPen().Style = style;
                s->dc.SetBkMode(TRANSPARENT);
            }
            clipped.dc.IntersectClipRect(window);
            for (Surface* s : {&full, &clipped}) {
                s->dc.MoveToEx(a.X, a.Y);
                s->dc.LineTo(b.X, b.Y);
                s->dc.LineTo(a.X + 3, b.Y - 5); // the pattern runs on into this one
            }
            for (int y = 0; y < 46; ++y)
                for (int x = 0; x < 50; ++x) {
                    const Pixel expected = window.Contains(x, y) ? full.bitmap.At(x, y) : kWhite;
                    ASSERT_EQ(clipped.bitmap.At(x, y), expected)
                        << "line " << i << " at " << x << "," << y << "\n"
                        << full.Picture() << "\n"
                        << clipped.Picture();
                }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 120);
}

TEST(DeviceContextLines, HugeCoordinatesCostOnlyWhatShows) {
    Surface s(20, 20);
    s.dc.MoveToEx(-2000000000, -1999999990);
    s.dc.LineTo(2000000000, 2000000010); // the diagonal y = x + 10
    EXPECT_EQ(CountPixels(s.bitmap, kBlack), 10);
    EXPECT_EQ(s.bitmap.At(0, 10), kBlack);
    s.dc.CurrentPen().Style = PenStyle::Dot;
    s.dc.MoveToEx(INT32_MAX, 3);
    s.dc.LineTo(INT32_MIN, 3);
    EXPECT_EQ(s.bitmap.At(0, 3), kBlack);
    s.dc.CurrentPen().Style = PenStyle::Solid;
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 400); // all inside, far from the outline
    s.dc.CurrentPen().Width = 1000000;
    s.dc.CurrentBrush().Style = BrushStyle::Clear;
    s.dc.Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    s.dc.Arc(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 5, 5);
    s.dc.RoundRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX);
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 400);
}

TEST(DeviceContextLines, NotXorTwiceRestoresThePicture) {
    Surface s(10, 10);
    s.bitmap.Set(3, 3, 0x123456);
    const Bitmap before = s.bitmap;
    s.dc.CurrentPen().Mode = PenMode::NotXor;
    const Point frame[] = {{1, 1}, {8, 1}, {8, 8}, {1, 8}, {1, 1}};
    s.dc.Polyline(frame);
    EXPECT_NE(s.bitmap, before);
    EXPECT_EQ(s.bitmap.At(1, 1), kBlack); // black pen on white: not-xor gives black
    s.dc.Polyline(frame);
    EXPECT_EQ(s.bitmap, before);
}

TEST(DeviceContextShapes, RectangleExcludesRightAndBottomEdges) {
    Surface s(7, 6);
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(s.Picture(), Rows(".......", ".#####.", ".#rrr#.", ".#rrr#.", ".#####.", "......."));

    Surface clear(7, 6);
    clear.dc.CurrentBrush().Color = kRedRef;
    clear.dc.CurrentPen().Style = PenStyle::Clear;
    clear.dc.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(clear.Picture(),
              Rows(".......", ".rrrr..", ".rrrr..", ".rrrr..", ".......", "......."));

    Surface wide(8, 8);
    wide.dc.CurrentPen().Width = 2;
    wide.dc.CurrentBrush().Color = kRedRef;
    wide.dc.Rectangle(7, 7, 1, 1); // corners in any order
    EXPECT_EQ(wide.Picture(), Rows("........", ".######.", ".######.", ".##rr##.", ".##rr##.",
                                   ".######.", ".######.", "........"));
}

TEST(DeviceContextShapes, PolygonFillsPixelCentresThenOutlines) {
    Surface s(8, 6);
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.CurrentPen().Style = PenStyle::Clear;
    const Point square[] = {{1, 1}, {6, 1}, {6, 5}, {1, 5}};
    s.dc.Polygon(square);
    EXPECT_EQ(s.Picture(),
              Rows("........", ".rrrrr..", ".rrrrr..", ".rrrrr..", ".rrrrr..", "........"));

    s.dc.CurrentPen().Style = PenStyle::Solid;
    s.dc.Polygon(square);
    EXPECT_EQ(s.Picture(),
              Rows("........", ".######.", ".#rrrr#.", ".#rrrr#.", ".#rrrr#.", ".######."));
}

TEST(DeviceContextShapes, PolygonUsesTheAlternateRule) {
    // A pentagram: the inner pentagon is crossed twice and stays empty.
    Surface s(41, 41);
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.CurrentPen().Style = PenStyle::Clear;
    const Point star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
    s.dc.Polygon(star);
    EXPECT_EQ(s.bitmap.At(20, 22), kWhite); // centre
    EXPECT_EQ(s.bitmap.At(20, 6), kRed);    // top point
    EXPECT_EQ(s.bitmap.At(4, 15), kRed);    // left point
}

TEST(DeviceContextShapes, EllipseStaysInsideItsBoxAndIsSymmetric) {
    Surface s(12, 10);
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.Ellipse(1, 1, 11, 9);
    EXPECT_EQ(InkBounds(s.bitmap, kWhite), (Rect{1, 1, 11, 9}));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(s.bitmap.At(x, y), s.bitmap.At(11 - x, y)) << x << "," << y;
            EXPECT_EQ(s.bitmap.At(x, y), s.bitmap.At(x, 9 - y)) << x << "," << y;
        }
    EXPECT_EQ(s.bitmap.At(1, 1), kWhite); // corners cut
    EXPECT_EQ(s.bitmap.At(6, 4), kRed);   // filled
    EXPECT_EQ(s.bitmap.At(1, 4), kBlack); // outline at the left edge

    Surface clear(12, 10);
    clear.dc.CurrentPen().Style = PenStyle::Clear;
    clear.dc.CurrentBrush().Color = kRedRef;
    clear.dc.Ellipse(1, 1, 11, 9);
    EXPECT_EQ(InkBounds(clear.bitmap, kWhite), (Rect{1, 1, 10, 8}));
}

TEST(DeviceContextShapes, RoundRectCutsOnlyTheCorners) {
    Surface s(14, 10);
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.RoundRect(1, 1, 13, 9, 6, 6);
    EXPECT_EQ(InkBounds(s.bitmap, kWhite), (Rect{1, 1, 13, 9}));
    EXPECT_EQ(s.bitmap.At(1, 1), kWhite);
    EXPECT_EQ(s.bitmap.At(7, 1), kBlack); // straight top edge
    EXPECT_EQ(s.bitmap.At(1, 5), kBlack); // straight left edge
    EXPECT_EQ(s.bitmap.At(7, 5), kRed);
}

TEST(DeviceContextShapes, ArcAndPieKeepToTheirSector) {
    // Counter-clockwise from the right (0 degrees) to the top (90 degrees): the upper right
    // quarter only.
    Surface arc(22, 22);
    arc.dc.Arc(1, 1, 21, 21, 20, 11, 11, 0);
    const Rect ink = InkBounds(arc.bitmap, kWhite);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Bottom, 12);
    EXPECT_GT(CountPixels(arc.bitmap, kBlack), 10);

    Surface pie(22, 22);
    pie.dc.CurrentBrush().Color = kRedRef;
    pie.dc.Pie(1, 1, 21, 21, 20, 11, 11, 0);
    EXPECT_EQ(pie.bitmap.At(15, 6), kRed);                     // inside the quarter
    EXPECT_EQ(pie.bitmap.At(6, 15), kWhite);                   // opposite quarter
    EXPECT_EQ(pie.bitmap.At(15, 11), kBlack) << pie.Picture(); // the horizontal radius
}

TEST(DeviceContextBrushes, HatchesUseTheBackgroundModeAndColour) {
    Surface s(8, 8);
    s.dc.CurrentBrush() = Brush{0x000000, BrushStyle::Cross};
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.FillRect({0, 0, 8, 8}, s.dc.CurrentBrush());
    EXPECT_EQ(CountPixels(s.bitmap, kBlack), 15);
    EXPECT_EQ(CountPixels(s.bitmap, kWhite), 49);

    s.dc.SetBkMode(OPAQUE);
    s.dc.SetBkColor(kRedRef);
    s.dc.CurrentBrush().Style = BrushStyle::FDiagonal;
    s.dc.FillRect({0, 0, 8, 8}, s.dc.CurrentBrush());
    EXPECT_EQ(CountPixels(s.bitmap, kBlack), 8);
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 56);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(s.bitmap.At(i, i), kBlack);
}

TEST(DeviceContextBlits, PatBltAcceptsNegativeExtents) {
    Surface s(6, 6);
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.PatBlt(5, 5, -3, -2, PATCOPY); // covers x 2..4, y 3..4
    EXPECT_EQ(InkBounds(s.bitmap, kWhite), (Rect{2, 3, 5, 5}));
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 6);
}

TEST(DeviceContextBlits, BitBltCopiesWithinSourceAndClip) {
    Bitmap source(4, 4, 0x00FF00);
    source.Set(0, 0, kRed);
    Surface s(6, 6);
    s.dc.IntersectClipRect({0, 0, 6, 3});
    s.dc.BitBlt(3, 1, 10, 10, source, 0, 0);
    EXPECT_EQ(s.bitmap.At(3, 1), kRed);
    EXPECT_EQ(InkBounds(s.bitmap, kWhite), (Rect{3, 1, 6, 3}));
    EXPECT_EQ(s.dc.SetPixel(0, 5, kRedRef), 0xFFFFFFFFu); // outside the clip
    EXPECT_EQ(s.dc.SetPixel(0, 0, kRedRef), kRedRef);
    EXPECT_EQ(s.bitmap.At(0, 0), kRed);
}

// The colour a numbered source holds at (x, y): x in red, y in green.
Pixel From(int32_t x, int32_t y) {
    return static_cast<Pixel>(0x400000 + (x << 16) + 0x4000 + (y << 8));
}

Bitmap Numbered(int32_t w, int32_t h) {
    Bitmap b(w, h, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b.Set(x, y, From(x, y));
    return b;
}

TEST(DeviceContextBlits, StretchBltScalesBothWays) {
    const Bitmap source = Numbered(2, 2);
    Surface up(6, 6);
    up.dc.StretchBlt({1, 1, 5, 5}, source); // each source pixel a 2x2 block
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x < 5 && y >= 1 && y < 5;
            ASSERT_EQ(up.bitmap.At(x, y), inside ? From((x - 1) / 2, (y - 1) / 2) : kWhite)
                << x << "," << y;
        }
    }
    Surface flipped(6, 6); // the corners in any order give the same box
    flipped.dc.StretchBlt({5, 5, 1, 1}, source);
    EXPECT_EQ(flipped.Picture(), up.Picture());
    EXPECT_EQ(flipped.bitmap.At(4, 4), From(1, 1));

    const Bitmap big = Numbered(6, 4);
    Surface down(4, 4);
    down.dc.StretchBlt({0, 0, 3, 2}, big); // every second column and row
    EXPECT_EQ(down.bitmap.At(0, 0), From(0, 0));
    EXPECT_EQ(down.bitmap.At(1, 0), From(2, 0));
    EXPECT_EQ(down.bitmap.At(2, 1), From(4, 2));
    EXPECT_EQ(InkBounds(down.bitmap, kWhite), (Rect{0, 0, 3, 2}));
}

TEST(DeviceContextBlits, StretchBltKeepsToTheClipAndSamplesAsUnclipped) {
    const Bitmap source = Numbered(3, 3);
    Surface whole(9, 9);
    whole.dc.StretchBlt({0, 0, 9, 9}, source);
    Surface clipped(9, 9);
    clipped.dc.IntersectClipRect({2, 4, 7, 9});
    clipped.dc.StretchBlt({0, 0, 9, 9}, source);
    clipped.dc.StretchBlt({1, 1, 1, 3}, source); // no width
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < 9; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 4;
            ASSERT_EQ(clipped.bitmap.At(x, y), inside ? whole.bitmap.At(x, y) : kWhite)
                << x << "," << y;
        }
    }
}

TEST(DeviceContextBlits, StretchBltOverFarDestinations) {
    const Bitmap source = Numbered(4, 4);
    // Over 2^31 pixels from its top left corner to the bitmap: the middle of the source.
    Surface s(6, 6);
    s.dc.StretchBlt({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, source);
    EXPECT_EQ(CountPixels(s.bitmap, From(2, 2)), 36);
    // The far right and bottom ends of a box that starts on the bitmap.
    Surface corner(4, 4);
    corner.dc.StretchBlt({-2, -2, INT32_MAX, INT32_MAX}, source);
    EXPECT_EQ(CountPixels(corner.bitmap, From(0, 0)), 16);
    // Entirely off the bitmap: nothing.
    Surface off(4, 4);
    off.dc.StretchBlt({INT32_MIN, 0, INT32_MIN + 5, 4}, source);
    off.dc.StretchBlt({0, INT32_MAX - 5, 4, INT32_MAX}, source);
    EXPECT_EQ(CountPixels(off.bitmap, kWhite), 16);
}

TEST(DeviceContextClip, RectanglesIntersectAndPolygonsReplace) {
    Surface s(10, 10);
    s.dc.IntersectClipRect({2, 2, 8, 8});
    s.dc.IntersectClipRect({4, 0, 10, 6});
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.FillRect({0, 0, 10, 10}, s.dc.CurrentBrush());
    EXPECT_EQ(InkBounds(s.bitmap, kWhite), (Rect{4, 2, 8, 6}));
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 16);

    const Point triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    const Region region = Region::FromPolygon(triangle, kEverywhere);
    s.bitmap.Fill(kWhite);
    s.dc.SelectClipRgn(&region);
    s.dc.FillRect({0, 0, 10, 10}, s.dc.CurrentBrush());
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 55); // 10 + 9 + ... + 1
    EXPECT_EQ(s.bitmap.At(9, 9), kWhite);

    s.dc.SelectClipRgn(nullptr);
    s.dc.FillRect({0, 0, 10, 10}, s.dc.CurrentBrush());
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 100);
}

TEST(DeviceContextClip, DrawingNeverLeavesTheBitmap) {
    Surface s(5, 5);
    s.dc.CurrentPen().Width = 9;
    s.dc.MoveToEx(-100, -50);
    s.dc.LineTo(300, 200);
    s.dc.Ellipse(-1000, -1000, 1000, 1000);
    const Point far[] = {{-2000000000, 0}, {2000000000, 5}, {0, 2000000000}};
    s.dc.Polygon(far);
    const Point range[] = {{INT32_MIN, INT32_MIN},
                           {INT32_MAX, INT32_MIN + 1},
                           {INT32_MAX, INT32_MAX},
                           {INT32_MIN + 7, INT32_MAX}};
    s.dc.CurrentBrush().Color = kRedRef;
    s.dc.Polygon(range);
    EXPECT_EQ(CountPixels(s.bitmap, kRed), 25);
    s.dc.CurrentPen().Width = 7;
    s.dc.MoveToEx(INT32_MIN, INT32_MAX);
    s.dc.LineTo(INT32_MAX, INT32_MIN);
    s.dc.PatBlt(-10, -10, 100, 100, PATCOPY);
    SUCCEED(); // the sanitizer build fails on any stray write
}

TEST(DeviceContextClip, RandomPrimitivesNeverPaintOutsideTheClip) {
    // Coordinates near the bitmap and at the ends of the range, every primitive, pens and
    // brushes of every kind: pixels outside the clip never change.
    std::mt19937 random(7);
    auto coord = [&]() -> int32_t {
        switch (random() % 4) {
        case 0:
            return static_cast<int32_t>(random() % 60) - 10;
        case 1:
            return static_cast<int32_t>(random());
        case 2:
            return (random() % 2) ? INT32_MAX - static_cast<int32_t>(random() % 3)
                                  : INT32_MIN + static_cast<int32_t>(random() % 3);
        default:
            return static_cast<int32_t>(random() % 2000) - 1000;
        }
    };
    const Rect window{8, 6, 31, 27};
    Surface s(40, 34);
    s.bitmap.Fill(0x010203);
    s.dc.IntersectClipRect(window);
    Bitmap pattern(3, 2, 0x00FF00);
    for (int i = 0; i < 20000; ++i) {
        Pen& pen = s.dc.CurrentPen();
        pen.Color = random() & 0xFFFFFF;
        pen.Width = (random() % 3 == 0) ? static_cast<int32_t>(random() % 12) : 1;
        pen.Style = static_cast<PenStyle>(random() % 8);
        pen.Mode = static_cast<PenMode>(1 + random() % 16);
        Brush& brush = s.dc.CurrentBrush();
        brush.Color = random() & 0xFFFFFF;
        brush.Style = static_cast<BrushStyle>(random() % 8);
        brush.Pattern = (random() % 5 == 0) ? &pattern : nullptr;
        s.dc.SetBkMode(1 + static_cast<int>(random() % 2));
        const int32_t a = coord(), b = coord(), c = coord(), d = coord();
        switch (random() % 11) {
        case 0:
            s.dc.MoveToEx(a, b);
            s.dc.LineTo(c, d);
            break;
        case 1: {
            const Point points[] = {{a, b}, {c, d}, {coord(), coord()}, {coord(), coord()}};
            s.dc.Polygon(points);
            break;
        }
        case 2:
            s.dc.Rectangle(a, b, c, d);
            break;
        case 3:
            s.dc.Ellipse(a, b, c, d);
            break;
        case 4:
            s.dc.RoundRect(a, b, c, d, coord(), coord());
            break;
        case 5:
            s.dc.Arc(a, b, c, d, coord(), coord(), coord(), coord());
            break;
        case 6:
            s.dc.Pie(a, b, c, d, coord(), coord(), coord(), coord());
            break;
        case 7:
            s.dc.PatBlt(a, b, c, d, PATCOPY);
            break;
        case 8:
            s.dc.BitBlt(a % 50, b % 50, c, d, pattern, coord() % 4, coord() % 4);
            break;
        case 9:
            s.dc.CurrentFont().Log.Escapement = static_cast<int32_t>(random() % 3600);
            s.dc.SetTextAlign(random() % 32);
            s.dc.TextOut(a, b, "Ab");
            break;
        default:
            s.dc.SetPixel(a % 50, b % 50, 0xFFFFFF);
            break;
        }
    }
    int changedInside = 0;
    for (int y = 0; y < 34; ++y)
        for (int x = 0; x < 40; ++x) {
            if (!window.Contains(x, y))
                ASSERT_EQ(s.bitmap.At(x, y), 0x010203u) << x << "," << y;
            else
                changedInside += s.bitmap.At(x, y) != 0x010203u;
        }
    EXPECT_GT(changedInside, 100);
}

// ---- text ----

class DeviceContextText : public ::testing::Test {
protected:
    DeviceContextText() : s(120, 60) {
        s.dc.CurrentFont().Log.Height = HeightFromPoints(10);
        s.dc.CurrentFont().Log.SetFaceName("Arial");
        s.dc.SetBkMode(TRANSPARENT);
    }
    Size Extent(std::string_view text) {
        Size size;
        EXPECT_TRUE(s.dc.GetTextExtentPoint(text, size));
        return size;
    }
    Surface s;
};

// Measures are kept for the texts measured lately: whatever the order of texts, fonts,
// alignments and places, each is the one a context that never measured before gives.
TEST_F(DeviceContextText, KeptMeasuresFollowTheTextTheFontAndThePlace) {
    std::mt19937 random(11);
    std::vector<std::string> texts;
    for (int i = 0; i < 150; ++i)
        texts.push_back(std::to_string(static_cast<int>(random() % 100000) - 50000) + "," +
                        std::string(i % 3, 'W'));
    const int32_t heights[] = {HeightFromPoints(10), -11, -23, 17};
    const int32_t angles[] = {0, 0, 900, 450};
    const int32_t far[] = {-2147483600, 2147483600, 5, -7};
    for (int k = 0; k < 3000; ++k) {
        const std::string& text = texts[random() % (k < 1000 ? 40 : texts.size())];
        s.dc.CurrentFont().Log.Height = heights[random() % 4];
        s.dc.CurrentFont().Log.Escapement = angles[random() % 4];
        s.dc.SetTextAlign(random() % 32);
        const int32_t x =
            k % 97 == 0 ? far[random() % 4] : static_cast<int32_t>(random() % 400) - 200;
        const int32_t y =
            k % 89 == 0 ? far[random() % 4] : static_cast<int32_t>(random() % 400) - 200;
        Surface fresh(8, 8);
        fresh.dc.CurrentFont() = s.dc.CurrentFont();
        fresh.dc.SetTextAlign(s.dc.GetTextAlign());
        Size kept, expected;
        ASSERT_TRUE(s.dc.GetTextExtentPoint(text, kept));
        ASSERT_TRUE(fresh.dc.GetTextExtentPoint(text, expected));
        ASSERT_EQ(kept.Width, expected.Width) << text << " at " << k;
        ASSERT_EQ(kept.Height, expected.Height) << text << " at " << k;
        Surface other(8, 8);
        other.dc.CurrentFont() = s.dc.CurrentFont();
        other.dc.SetTextAlign(s.dc.GetTextAlign());
        ASSERT_EQ(s.dc.TextBounds(x, y, text), other.dc.TextBounds(x, y, text))
            << text << " at " << x << "," << y << " step " << k;
    }
}

TEST_F(DeviceContextText, AlignmentPlacesTheCell) {
    const Size size = Extent("Hello");
    ASSERT_GT(size.Width, 10);
    ASSERT_GT(size.Height, 8);

    s.dc.SetTextAlign(TA_LEFT | TA_TOP);
    s.dc.TextOut(10, 10, "Hello");
    Rect ink = InkBounds(s.bitmap, kWhite);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 10 + size.Width + 1);
    EXPECT_GE(ink.Top, 10);
    EXPECT_LE(ink.Bottom, 10 + size.Height);

    s.bitmap.Fill(kWhite);
    s.dc.SetTextAlign(TA_RIGHT | TA_BOTTOM);
    s.dc.TextOut(100, 50, "Hello");
    ink = InkBounds(s.bitmap, kWhite);
    EXPECT_LE(ink.Right, 101);
    EXPECT_GE(ink.Left, 100 - size.Width - 1);
    EXPECT_LE(ink.Bottom, 50);
    EXPECT_GE(ink.Top, 50 - size.Height);

    s.bitmap.Fill(kWhite);
    s.dc.SetTextAlign(TA_CENTER | TA_BASELINE);
    s.dc.TextOut(60, 30, "H");
    ink = InkBounds(s.bitmap, kWhite);
    EXPECT_EQ(ink.Bottom, 30); // capital H sits on the baseline
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 60, 1.5);
}

TEST_F(DeviceContextText, OpaqueBackgroundFillsExactlyTheCell) {
    const Size size = Extent("Ab");
    s.dc.SetBkMode(OPAQUE);
    s.dc.SetBkColor(kRedRef);
    s.dc.TextOut(5, 7, "Ab");
    const Rect ink = InkBounds(s.bitmap, kWhite);
    EXPECT_EQ(ink, (Rect{5, 7, 5 + size.Width, 7 + size.Height}));
    EXPECT_EQ(s.bitmap.At(5, 7), kRed);
}

TEST_F(DeviceContextText, GlyphsBlendInTheTextColour) {
    s.dc.CurrentFont().Color = kRedRef;
    s.dc.CurrentFont().Log.Height = -40;
    s.dc.TextOut(2, 2, "Wo");
    int red = 0, partial = 0;
    for (int y = 0; y < s.bitmap.Height(); ++y)
        for (int x = 0; x < s.bitmap.Width(); ++x) {
            const Pixel p = s.bitmap.At(x, y);
            red += p == kRed;
            // Antialiased edges lie between white and red: red channel stays full.
            partial +=
                p != kRed && p != kWhite && (p >> 16) == 0xFF && (p & 0xFF) == ((p >> 8) & 0xFF);
        }
    EXPECT_GT(red, 5);
    EXPECT_GT(partial, 5);
    EXPECT_EQ(CountPixels(s.bitmap, kWhite) + red + partial, 120 * 60);
}

TEST_F(DeviceContextText, EscapementRotatesCounterClockwise) {
    const Size size = Extent("Rotated");
    s.bitmap.Resize(60, 120);
    s.dc.SelectBitmap(&s.bitmap);
    s.dc.CurrentFont().Log.Escapement = 900;
    s.dc.TextOut(20, 100, "Rotated");
    const Rect ink = InkBounds(s.bitmap, kWhite);
    EXPECT_GT(ink.Height(), ink.Width());
    EXPECT_LE(ink.Bottom, 101); // reads upward from the reference point
    EXPECT_GE(ink.Top, 100 - size.Width - 1);
    EXPECT_GE(ink.Left, 20); // the cell hangs to the right of it
    EXPECT_LE(ink.Right, 20 + size.Height + 1);
}

TEST_F(DeviceContextText, CyrillicRenders) {
    s.dc.TextOut(3, 5, "Путь");
    EXPECT_GT(CountPixels(s.bitmap, kBlack), 10);
    EXPECT_GE(InkBounds(s.bitmap, kWhite).Left, 3);
}

} // namespace
} // namespace vemora::gfx
