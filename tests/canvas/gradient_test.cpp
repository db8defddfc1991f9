#include "canvas/chart_canvas.h"

#include <gtest/gtest.h>
#include <set>

namespace vemora {
namespace {

constexpr TColor kStart = 8454016; // 0x80FF80
constexpr TColor kEnd = 8454143;   // 0x80FFFF

// Draws straight into a bitmap, unbuffered.
struct GradientSurface {
    GradientSurface(int w, int h) : bitmap(w, h, 0x123456), window(&bitmap), canvas(&window) {
        canvas.SetOffscreenBuffered(false);
        canvas.OpenFrame(&window, nullptr, clWhite, false, {0, 0, w, h});
    }
    TColor At(int x, int y) const { return gfx::ToColorRef(bitmap.At(x, y)); }
    // Runs of equal rows from the bottom up: their lengths.
    std::vector<int> RowRuns() const {
        std::vector<int> runs;
        TColor last = 0xFFFFFFFF;
        for (int y = bitmap.Height() - 1; y >= 0; --y) {
            for (int x = 1; x < bitmap.Width(); ++x)
                EXPECT_EQ(At(x, y), At(0, y)) << "row " << y << " is not one colour";
            if (At(0, y) != last)
                runs.push_back(0);
            ++runs.back();
            last = At(0, y);
        }
        return runs;
    }
    gfx::Bitmap bitmap;
    TCanvas window;
    TChartCanvas3D canvas;
};

TEST(FillGradient, SmallRectangleHasOneBandPerPixelFromBottomToTop) {
    GradientSurface s(5, 100);
    s.canvas.FillGradient({0, 0, 5, 100}, kStart, kEnd, TGradientDirection::gdTopBottom);
    EXPECT_EQ(s.At(0, 99), kStart); // band 0 against the bottom edge
    EXPECT_EQ(s.At(0, 0), kEnd);
    const std::vector<int> runs = s.RowRuns();
    EXPECT_EQ(runs.size(), 100u);
    // Only the red channel moves, upward.
    for (int y = 1; y < 100; ++y) {
        EXPECT_EQ(s.At(0, y) & 0xFFFF00, 0x80FF00u);
        EXPECT_GT(s.At(0, y - 1) & 0xFF, s.At(0, y) & 0xFF);
    }
}

TEST(FillGradient, TallRectangleHas256BandsOfTwoOrThreePixels) {
    GradientSurface s(3, 600);
    s.canvas.FillGradient({0, 0, 3, 600}, clBlack, clWhite, TGradientDirection::gdTopBottom);
    const std::vector<int> runs = s.RowRuns();
    ASSERT_EQ(runs.size(), 256u);
    for (int run : runs)
        EXPECT_TRUE(run == 2 || run == 3) << run;
    EXPECT_EQ(s.At(0, 599), clBlack);
    EXPECT_EQ(s.At(0, 0), clWhite);
    EXPECT_EQ(s.canvas.GradientBrushesCreated(), 256u);
}

TEST(FillGradient, OneBrushPerDistinctConsecutiveColour) {
    GradientSurface s(3, 600);
    // Red moves 127 steps over 256 bands: half the bands repeat their neighbour's colour.
    s.canvas.FillGradient({0, 0, 3, 600}, kStart, kEnd, TGradientDirection::gdTopBottom);
    std::set<TColor> colours;
    for (int y = 0; y < 600; ++y)
        colours.insert(s.At(0, y));
    EXPECT_EQ(s.canvas.GradientBrushesCreated(), colours.size());
    EXPECT_EQ(colours.size(), 128u);

    GradientSurface same(4, 50);
    same.canvas.FillGradient({0, 0, 4, 50}, clTeal, clTeal, TGradientDirection::gdTopBottom);
    EXPECT_EQ(same.canvas.GradientBrushesCreated(), 1u);
}

TEST(FillGradient, DegenerateRectangles) {
    GradientSurface s(4, 4);
    s.canvas.FillGradient({0, 2, 4, 3}, clRed, clBlue, TGradientDirection::gdTopBottom);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(s.At(x, 2), clRed); // one band, colour A
    EXPECT_EQ(s.At(0, 1), 0x563412u);

    GradientSurface empty(4, 4);
    const gfx::Bitmap before = empty.bitmap;
    empty.canvas.FillGradient({0, 2, 4, 2}, clRed, clBlue, TGradientDirection::gdTopBottom);
    empty.canvas.FillGradient({3, 0, 3, 4}, clRed, clBlue, TGradientDirection::gdLeftRight);
    EXPECT_EQ(empty.bitmap, before);
    EXPECT_EQ(empty.canvas.GradientBrushesCreated(), 0u);

    // Corners in any order.
    GradientSurface flipped(4, 10);
    flipped.canvas.FillGradient({4, 10, 0, 0}, clBlack, clWhite, TGradientDirection::gdTopBottom);
    EXPECT_EQ(flipped.At(0, 9), clBlack);
    EXPECT_EQ(flipped.At(0, 0), clWhite);
}

TEST(FillGradient, DirectionsAndTheBrushAfterwards) {
    GradientSurface down(4, 40), up(4, 40);
    down.canvas.FillGradient({0, 0, 4, 40}, kStart, kEnd, TGradientDirection::gdTopBottom);
    // The panel swaps the colours for the other directions, and the fill swaps them back.
    up.canvas.FillGradient({0, 0, 4, 40}, kEnd, kStart, TGradientDirection::gdBottomTop);
    EXPECT_EQ(down.bitmap, up.bitmap);

    GradientSurface across(40, 3);
    across.canvas.FillGradient({0, 0, 40, 3}, clBlack, clWhite, TGradientDirection::gdLeftRight);
    EXPECT_EQ(across.At(39, 0), clBlack); // band 0 against the right edge
    EXPECT_EQ(across.At(0, 2), clWhite);

    GradientSurface centre(20, 20);
    centre.window.Brush().SetColor(clLime);
    centre.canvas.FillGradient({0, 0, 20, 20}, clBlack, clWhite, TGradientDirection::gdFromCenter);
    EXPECT_NE(centre.At(0, 0), centre.At(10, 10));
    // The canvas brush is the one selected before the fill.
    centre.canvas.FillRect({0, 0, 1, 1});
    EXPECT_EQ(centre.At(0, 0), clLime);
}

} // namespace
} // namespace vemora
