#include "canvas/chart_canvas.h"
#include "support/golden.h"
#include "support/pixel_art.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace vemora {
namespace {

constexpr gfx::Rect kEverywhere{-1000, -1000, 1000, 1000};

using testing::Art;
using testing::CountPixels;
using testing::InkBounds;
using testing::Rows;

// A window bitmap, its canvas and the chart canvas, with a frame open in the orthogonal
// view of the program's chart.
struct Frame {
    explicit Frame(int w = 240, int h = 240, bool is3D = true)
        : window(w, h, 0xFFFFFF), windowCanvas(&window), canvas(&windowCanvas) {
        Open(is3D);
    }
    void Open(bool is3D) {
        const Rect r = canvas.OpenFrame(&windowCanvas, &options, clWhite, is3D,
                                        {0, 0, window.Width(), window.Height()});
        canvas.ReferenceCanvas()->Brush().SetColor(clWhite);
        canvas.FillRect(r);
    }
    const gfx::Bitmap& Drawn() const { return *canvas.OffscreenBitmap(); }
    gfx::Bitmap window;
    TCanvas windowCanvas;
    TView3DOptions options;
    TChartCanvas3D canvas;
};

TEST(Projection, OrthogonalShiftsRightAndUpByDepth) {
    Frame f;
    f.canvas.SetProjection(10, {0, 0, 240, 240}, {20, 30, 220, 200});
    EXPECT_EQ(f.canvas.ProjectPosition(10, 20, 4), (Point{14, 16}));
    EXPECT_EQ(f.canvas.ProjectPosition(10, 20, 0), (Point{10, 20}));
    EXPECT_EQ(f.canvas.ProjectPosition(-7, 300, 12), (Point{5, 288}));

    // Offsets move the centre; the inverse takes the point back.
    f.options.SetHorizOffset(5);
    f.options.SetVertOffset(-3);
    f.canvas.SetProjection(10, {0, 0, 240, 240}, {20, 30, 220, 200});
    const Point p = f.canvas.ProjectPosition(50, 60, 7);
    EXPECT_EQ(p, (Point{62, 50}));
    int x = p.X, y = p.Y;
    f.canvas.UnprojectPosition(x, y, 7);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 60);
}

TEST(Projection, ZoomRoundsHalvesToEven) {
    Frame f;
    f.options.SetZoom(150);
    f.Open(true);
    f.canvas.SetProjection(0, {}, {0, 0, 200, 200}); // centre (100, 100)
    EXPECT_EQ(f.canvas.ProjectPosition(110, 100, 0), (Point{115, 100}));
    EXPECT_EQ(f.canvas.ProjectPosition(105, 100, 0), (Point{108, 100})); // 7.5 -> 8
    EXPECT_EQ(f.canvas.ProjectPosition(100, 105, -1).X, 98);             // -1.5 -> -2
    EXPECT_EQ(f.canvas.ProjectPosition(100, 100, 0).X, 100);
    // 6.5 -> 6: 1.5 * 13 / 3
    f.options.SetZoom(50);
    f.Open(true);
    f.canvas.SetProjection(0, {}, {0, 0, 200, 200});
    EXPECT_EQ(f.canvas.ProjectPosition(113, 100, 0).X, 106);
    EXPECT_EQ(f.canvas.ProjectPosition(115, 100, 0).X, 108); // 7.5 -> 8

    // Zoom 0 leaves the inverse alone.
    f.options.SetZoom(0);
    f.Open(true);
    int x = 17, y = 23;
    f.canvas.UnprojectPosition(x, y, 5);
    EXPECT_EQ(x, 17);
    EXPECT_EQ(y, 23);
}

TEST(Projection, ExtremeZoomsAndCoordinatesStayInRange) {
    for (int zoom : {2000000000, 1, -50}) {
        for (bool orthogonal : {true, false}) {
            Frame f(30, 30);
            f.options.SetZoom(zoom);
            f.options.SetOrthogonal(orthogonal);
            f.Open(true);
            f.canvas.SetProjection(INT32_MAX, {}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
            const Point p = f.canvas.ProjectPosition(INT32_MAX, INT32_MIN, INT32_MAX);
            int x = p.X, y = p.Y;
            f.canvas.UnprojectPosition(x, y, INT32_MIN);
            f.canvas.Brush().SetColor(clRed);
            f.canvas.Box(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, 0, INT32_MAX, true);
            f.canvas.ClipToBox({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MIN, INT32_MAX);
            f.canvas.EllipseAtDepth(-5, -5, INT32_MAX, INT32_MAX, 3);
            f.canvas.TextOutAtDepth(INT32_MAX, 10, "far", 7);
            f.canvas.RotatedTextAtDepth(10, 10, "near", 90, INT32_MIN);
            f.canvas.Unclip();
        }
    }
    SUCCEED(); // the sanitizer build fails on any overflow
}

TEST(Projection, FlatFrameIgnoresDepthExceptInOrthogonalMode) {
    Frame flat(100, 100, false);
    flat.canvas.SetProjection(10, {}, {0, 0, 100, 100});
    EXPECT_EQ(flat.canvas.ProjectPosition(10, 20, 4), (Point{10, 20}));

    // The front plane clears the 3D flag, but the orthogonal branch does not look at it.
    Frame f;
    f.canvas.SetProjection(10, {}, {0, 0, 100, 100});
    f.canvas.BeginFrontPlane();
    EXPECT_FALSE(f.canvas.Is3D());
    EXPECT_EQ(f.canvas.ProjectPosition(10, 20, 4), (Point{14, 16}));
    f.canvas.EndFrontPlane();
    EXPECT_TRUE(f.canvas.Is3D());
}

TEST(Projection, PerspectiveModeRotatesAndScalesWithDistance) {
    Frame f;
    f.options.SetOrthogonal(false);
    f.options.SetElevation(0);
    f.options.SetRotation(0);
    f.options.SetTilt(0);
    f.options.SetPerspective(0);
    f.Open(true);
    f.canvas.SetProjection(20, {}, {0, 0, 200, 200});
    // No rotation, no perspective: the projection is the identity on the front plane and
    // depth does not move a point.
    EXPECT_EQ(f.canvas.ProjectPosition(30, 170, 0), (Point{30, 170}));
    EXPECT_EQ(f.canvas.ProjectPosition(30, 170, 20), (Point{30, 170}));

    f.options.SetPerspective(35000 / 100); // factor 0.01
    f.Open(true);
    f.canvas.SetProjection(20, {}, {0, 0, 200, 200});
    const Point nearPt = f.canvas.ProjectPosition(150, 100, 0);
    const Point farPt = f.canvas.ProjectPosition(150, 100, 20);
    EXPECT_LT(farPt.X, nearPt.X); // further away is smaller: closer to the centre
    int x = nearPt.X, y = nearPt.Y;
    f.canvas.UnprojectPosition(x, y, 10); // centre depth: unscaled
    EXPECT_EQ(x, nearPt.X);
}

TEST(DepthShapes, BoxMarkerInTheOrthogonalView) {
    Frame f;
    f.canvas.SetProjection(4, {}, {0, 0, 240, 240});
    f.canvas.Pen().SetColor(clBlack);
    f.canvas.Brush().SetColor(clRed);
    f.canvas.Box(96, 104, 196, 204, 0, 4, true);
    const std::map<gfx::Pixel, char> legend{
        {0xFFFFFF, '.'}, {0x000000, '#'}, {0xFF0000, 'r'}, {0x7F0000, 's'}, {0xBF0000, 't'}};
    EXPECT_EQ(Art(f.Drawn(), {94, 190, 110, 206}, legend),
              Rows("................", "................", "......#########.", ".....#ttttttt##.",
                   "....#ttttttt#s#.", "...#ttttttt#ss#.", "..#########sss#.", "..#rrrrrrr#sss#.",
                   "..#rrrrrrr#sss#.", "..#rrrrrrr#sss#.", "..#rrrrrrr#sss#.", "..#rrrrrrr#ss#..",
                   "..#rrrrrrr#s#...", "..#rrrrrrr##....", "..#########.....", "................"));
    EXPECT_EQ(InkBounds(f.Drawn(), 0xFFFFFF), (Rect{96, 192, 109, 205}));
    // The brush keeps the last darkened colour.
    EXPECT_EQ(f.canvas.Brush().Color(), DarkenColor(clRed, DarkTopAmount));
}

TEST(DepthShapes, BoxWithoutDepthOrDarkSides) {
    Frame f;
    f.canvas.SetProjection(4, {}, {0, 0, 240, 240});
    f.canvas.Brush().SetColor(clRed);
    f.canvas.Box(96, 104, 196, 204, 2, 2, true);
    EXPECT_EQ(InkBounds(f.Drawn(), 0xFFFFFF), (Rect{98, 194, 107, 203})); // front face only
    EXPECT_EQ(f.canvas.Brush().Color(), clRed);

    Frame plain;
    plain.canvas.SetProjection(4, {}, {0, 0, 240, 240});
    plain.canvas.Brush().SetColor(clRed);
    plain.canvas.Pen().SetStyle(TPenStyle::psClear);
    plain.canvas.Box(96, 104, 196, 204, 0, 4, false);
    EXPECT_EQ(CountPixels(plain.Drawn(), 0x7F0000), 0);
    EXPECT_EQ(CountPixels(plain.Drawn(), 0x000000), 0);
    EXPECT_GT(CountPixels(plain.Drawn(), 0xFF0000), 64);

    // Hatched boxes darken their background colour instead.
    Frame hatched;
    hatched.canvas.SetProjection(4, {}, {0, 0, 240, 240});
    hatched.canvas.Brush().SetStyle(TBrushStyle::bsCross);
    hatched.canvas.Brush().SetColor(clBlue);
    hatched.canvas.SetBackMode(cbmOpaque);
    hatched.canvas.SetBackColor(clWhite);
    hatched.canvas.Box(96, 104, 196, 204, 0, 4, true);
    EXPECT_EQ(hatched.canvas.GetBackColor(), DarkenColor(clWhite, DarkTopAmount));
    EXPECT_EQ(hatched.canvas.Brush().Color(), clBlue);

    // In a flat frame only the front face shows.
    Frame flat(240, 240, false);
    flat.canvas.Brush().SetColor(clRed);
    flat.canvas.Box(96, 104, 196, 204, 0, 4, true);
    EXPECT_EQ(InkBounds(flat.Drawn(), 0xFFFFFF), (Rect{96, 196, 105, 205}));
}

TEST(DepthShapes, EllipseAtDepthFlatCoversOneMorePixel) {
    Frame flat(60, 60, false);
    flat.canvas.Brush().SetColor(clRed);
    flat.canvas.EllipseAtDepth(10, 10, 20, 20, 7);
    EXPECT_EQ(InkBounds(flat.Drawn(), 0xFFFFFF), (Rect{10, 10, 21, 21}));

    Frame ortho(60, 60);
    ortho.canvas.SetProjection(8, {}, {0, 0, 60, 60});
    ortho.canvas.Brush().SetColor(clRed);
    ortho.canvas.EllipseAtDepth(10, 10, 20, 20, 3);
    EXPECT_EQ(InkBounds(ortho.Drawn(), 0xFFFFFF), (Rect{13, 7, 23, 17}));
}

TEST(DepthShapes, LinesAndPixelsAtDepth) {
    Frame f(40, 40);
    f.canvas.SetProjection(4, {}, {0, 0, 40, 40});
    f.canvas.HorizLineAtDepth(5, 10, 20, 2);
    EXPECT_EQ(InkBounds(f.Drawn(), 0xFFFFFF), (Rect{7, 18, 12, 19}));
    f.canvas.PixelAtDepth(30, 30, clRed, 3);
    EXPECT_EQ(f.Drawn().At(33, 27), 0xFF0000u);
    f.canvas.Pen().SetWidth(3);
    f.canvas.Pen().SetColor(clBlue);
    f.canvas.PixelAtDepth(20, 30, clRed, 0); // a dot of the pen
    EXPECT_EQ(f.Drawn().At(20, 30), 0x0000FFu);
    EXPECT_EQ(f.Drawn().At(21, 31), 0x0000FFu);
}

TEST(Clipping, ClipToBoxUsesTheSixPointOutline) {
    Frame f(200, 160);
    const Rect plot{50, 40, 150, 120};
    const int d = 10;
    f.canvas.SetProjection(d, {}, plot);
    f.canvas.ClipToBox(plot, 0, d);
    f.canvas.Brush().SetColor(clRed);
    f.canvas.FillRect({0, 0, 200, 160});
    const gfx::Point outline[] = {{50, 120}, {50, 40}, {60, 30}, {160, 30}, {160, 110}, {150, 120}};
    const gfx::Region expected = gfx::Region::FromPolygon(outline, kEverywhere);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(f.Drawn().At(x, y) == 0xFF0000, expected.Contains(x, y)) << x << "," << y;

    // It replaces an earlier clip rather than intersecting with it.
    f.canvas.ClipToRect({0, 0, 10, 10});
    f.canvas.ClipToBox(plot, 0, d);
    f.canvas.Brush().SetColor(clBlue);
    f.canvas.FillRect({0, 0, 200, 160});
    EXPECT_EQ(f.Drawn().At(100, 80), 0x0000FFu);

    f.canvas.Unclip();
    f.canvas.FillRect({0, 0, 200, 160});
    EXPECT_EQ(CountPixels(f.Drawn(), 0x0000FF), 200 * 160);
}

TEST(Clipping, FlatAndTopViewBoxes) {
    Frame flat(100, 100, false);
    flat.canvas.ClipToBox({10, 10, 50, 40}, 0, 5);
    flat.canvas.Brush().SetColor(clRed);
    flat.canvas.FillRect({0, 0, 100, 100});
    EXPECT_EQ(InkBounds(flat.Drawn(), 0xFFFFFF), (Rect{11, 11, 50, 39}));

    Frame top(100, 100);
    top.options.SetElevation(270);
    top.options.SetRotation(360);
    top.Open(true);
    top.canvas.SetProjection(5, {}, {10, 10, 50, 40});
    top.canvas.ClipToBox({10, 10, 50, 40}, 0, 5);
    top.canvas.Brush().SetColor(clRed);
    top.canvas.FillRect({0, 0, 100, 100});
    EXPECT_EQ(InkBounds(top.Drawn(), 0xFFFFFF), (Rect{10, 5, 55, 10}));
}

TEST(Text, RotatedTextAbove360AndZoomedText) {
    Frame a(80, 80), b(80, 80);
    for (Frame* f : {&a, &b})
        f->canvas.SetProjection(0, {}, {0, 0, 80, 80});
    a.canvas.RotatedText(40, 70, "Axis", 450);
    b.canvas.RotatedText(40, 70, "Axis", 90);
    EXPECT_EQ(a.Drawn(), b.Drawn());
    const Rect ink = InkBounds(a.Drawn(), 0xFFFFFF);
    EXPECT_GT(ink.Height(), ink.Width()); // upright
    EXPECT_EQ(a.canvas.Brush().Style(), TBrushStyle::bsClear);
    EXPECT_EQ(a.canvas.FontsCreated(), 1u);

    Frame plain(120, 60), zoomed(120, 60);
    plain.canvas.SetProjection(0, {}, {0, 0, 120, 60});
    plain.canvas.TextOutAtDepth(60, 30, "Zoom", 0);
    EXPECT_EQ(plain.canvas.FontsCreated(), 0u); // zoom 100 never makes a font
    zoomed.options.SetZoom(200);
    zoomed.Open(true);
    zoomed.canvas.SetProjection(0, {}, {0, 0, 120, 60});
    zoomed.canvas.TextOutAtDepth(60, 30, "Zoom", 0);
    EXPECT_EQ(zoomed.canvas.FontsCreated(), 1u);
    EXPECT_GT(InkBounds(zoomed.Drawn(), 0xFFFFFF).Width(),
              InkBounds(plain.Drawn(), 0xFFFFFF).Width() * 3 / 2);
    // The canvas font itself is not changed.
    EXPECT_EQ(zoomed.canvas.Font().Size(), 10);
}

TEST(Text, MeasurementAndResetTools) {
    Frame f;
    f.canvas.Font().SetSize(8);
    EXPECT_GT(f.canvas.TextWidth("12345"), f.canvas.TextWidth("12"));
    EXPECT_EQ(f.canvas.TextWidth(""), 0);
    EXPECT_EQ(f.canvas.FontHeight(), f.canvas.TextHeight("W"));
    EXPECT_GT(f.canvas.FontHeight(), 8);

    f.canvas.Pen().SetColor(clRed);
    f.canvas.Pen().SetWidth(4);
    f.canvas.Brush().SetStyle(TBrushStyle::bsClear);
    f.canvas.SetBackMode(cbmOpaque);
    f.canvas.ResetTools();
    EXPECT_EQ(f.canvas.Pen().Color(), clBlack);
    EXPECT_EQ(f.canvas.Pen().Width(), 1);
    EXPECT_EQ(f.canvas.Brush().Style(), TBrushStyle::bsSolid);
    EXPECT_EQ(f.canvas.Brush().Color(), clWhite);
    EXPECT_EQ(f.canvas.Font().Size(), 10);
    EXPECT_EQ(f.canvas.GetBackMode(), cbmTransparent);
    EXPECT_EQ(f.canvas.GetBackColor(), clWhite);
}

TEST(Text, WithoutAnyFontMeasurementsAreZeroAndNothingIsDrawn) {
    const std::string config = std::string(VEMORA_TEST_OUTPUT_DIR) + "/canvas-no-fonts.conf";
    std::filesystem::create_directories(VEMORA_TEST_OUTPUT_DIR);
    std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    ASSERT_TRUE(gfx::UseFontConfigurationForTesting(config));
    Frame f(60, 30);
    EXPECT_EQ(f.canvas.TextWidth("Label"), 0);
    EXPECT_EQ(f.canvas.TextHeight("Label"), 0);
    EXPECT_EQ(f.canvas.FontHeight(), 0);
    f.canvas.SetBackMode(cbmOpaque);
    f.canvas.TextOut(5, 5, "Label");
    f.canvas.RotatedText(30, 25, "Label", 90);
    EXPECT_EQ(CountPixels(f.Drawn(), 0xFFFFFF), 60 * 30);
    EXPECT_TRUE(gfx::UseFontConfigurationForTesting(""));
    EXPECT_GT(f.canvas.TextWidth("Label"), 0);
}

TEST(Buffering, TheBitmapIsKeptPresentedAndReused) {
    Frame f(50, 40);
    const gfx::Bitmap* first = f.canvas.OffscreenBitmap();
    f.canvas.Brush().SetColor(clRed);
    f.canvas.FillRect({0, 0, 50, 40});
    EXPECT_EQ(f.window.At(0, 0), 0xFFFFFFu); // nothing on the window yet
    f.canvas.PresentFrame(&f.windowCanvas, &f.windowCanvas, {0, 0, 50, 40});
    EXPECT_EQ(f.window.At(49, 39), 0xFF0000u);
    EXPECT_FALSE(f.canvas.Dirty());
    EXPECT_EQ(f.canvas.ReferenceCanvas(), &f.windowCanvas);

    // An exposure alone repaints from the kept bitmap.
    f.window.Fill(0);
    EXPECT_TRUE(f.canvas.RepaintFromBuffer());
    EXPECT_EQ(f.window.At(10, 10), 0xFF0000u);
    f.canvas.MarkDirty();
    EXPECT_FALSE(f.canvas.RepaintFromBuffer());

    // Same size: the same bitmap; a new size: a new one.
    f.canvas.OpenFrame(&f.windowCanvas, &f.options, clWhite, true, {0, 0, 50, 40});
    EXPECT_EQ(f.canvas.OffscreenBitmap(), first);
    const Rect r = f.canvas.OpenFrame(&f.windowCanvas, &f.options, clWhite, true, {5, 5, 35, 25});
    EXPECT_EQ(r, (Rect{0, 0, 30, 20}));
    EXPECT_EQ(f.canvas.OffscreenBitmap()->Width(), 30);
    EXPECT_EQ(f.canvas.OffscreenBitmap()->Height(), 20);

    // Unbuffered frames draw straight on the destination.
    f.canvas.SetOffscreenBuffered(false);
    EXPECT_EQ(f.canvas.OffscreenBitmap(), nullptr);
    EXPECT_EQ(f.canvas.OpenFrame(&f.windowCanvas, &f.options, clWhite, true, {5, 5, 35, 25}),
              (Rect{5, 5, 35, 25}));
    EXPECT_EQ(f.canvas.ReferenceCanvas(), &f.windowCanvas);
}

TEST(Buffering, MonochromeChangeDropsTheBitmapAndAsksForARepaint) {
    Frame f(20, 20);
    int repaints = 0;
    f.canvas.OnInvalidate = [&] { ++repaints; };
    f.canvas.PresentFrame(&f.windowCanvas, &f.windowCanvas, {0, 0, 20, 20});
    f.canvas.SetMonochrome(true);
    EXPECT_EQ(repaints, 1);
    EXPECT_TRUE(f.canvas.Dirty());
    EXPECT_EQ(f.canvas.OffscreenBitmap(), nullptr);
    f.canvas.SetMonochrome(true);
    EXPECT_EQ(repaints, 1);
}

TEST(Frame3D, RingsShrinkTheRectangle) {
    Frame f(8, 7, false);
    Rect r{0, 0, 8, 7};
    f.canvas.Frame3D(r, clWhite, clBlack, 0);
    EXPECT_EQ(r, (Rect{0, 0, 8, 7}));
    f.canvas.Brush().SetColor(clGray);
    f.canvas.FillRect(r);
    f.canvas.Frame3D(r, clRed, clBlack, 2);
    EXPECT_EQ(r, (Rect{2, 2, 6, 5}));
    EXPECT_EQ(
        Art(f.Drawn(), {0, 0, 8, 7}, {{0x808080, '.'}, {0, '#'}, {0xFF0000, 'r'}}),
        Rows("rrrrrrr#", "rrrrrr##", "rr....##", "rr....##", "rr....##", "r#######", "########"));
}

// A small frame of the program's kind: gradient, bevel, dotted grid, labels, a rotated
// title and markers clipped to the plot box.
TEST(Scene, ProgramLikeFrame) {
    Frame f(220, 160);
    const Rect plot{40, 16, 206, 130};
    const int depth = 6;
    f.canvas.FillGradient({0, 0, 220, 160}, 8454016, 8454143, TGradientDirection::gdTopBottom);
    Rect bevel{0, 0, 220, 160};
    f.canvas.Frame3D(bevel, clBtnHighlight, clBtnShadow, 1);
    f.canvas.SetProjection(depth, {0, 0, 220, 160}, plot);

    TDottedGrayPen grid;
    ApplyChartPen(*f.canvas.ReferenceCanvas(), grid);
    f.canvas.SetBackMode(cbmTransparent);
    for (int y = plot.Top; y <= plot.Bottom; y += 38)
        f.canvas.HorizLineAtDepth(plot.Left, plot.Right, y, depth);
    f.canvas.Pen().SetStyle(TPenStyle::psSolid);
    f.canvas.Pen().SetColor(clBlack);
    f.canvas.Font().SetSize(8);
    f.canvas.SetTextAlign(gfx::TA_RIGHT | gfx::TA_TOP);
    for (int i = 0; i < 4; ++i)
        f.canvas.TextOut(plot.Left - 4, plot.Top + i * 38 - 6, std::to_string(30 - i * 10));
    f.canvas.SetTextAlign(gfx::TA_CENTER | gfx::TA_TOP);
    f.canvas.TextOut(120, 140, "Путь к файлу");
    f.canvas.SetTextAlign(gfx::TA_CENTER | gfx::TA_BOTTOM);
    f.canvas.RotatedText(14, 73, "Y axis", 90);

    f.canvas.ClipToBox(plot, 0, depth);
    f.canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    for (int i = 0; i < 12; ++i) {
        const int x = plot.Left + i * 15, y = plot.Bottom - 10 - i * 9;
        f.canvas.Pen().SetColor(clBlack);
        f.canvas.Brush().SetColor(clRed);
        f.canvas.Box(x - 4, x + 4, y - 4, y + 4, 0, depth, true);
    }
    f.canvas.Unclip();
    f.canvas.ResetTools();
    f.canvas.PresentFrame(&f.windowCanvas, &f.windowCanvas, {0, 0, 220, 160});
    EXPECT_TRUE(testing::MatchesGolden(f.window, "canvas_scene"));
}

} // namespace
} // namespace vemora
