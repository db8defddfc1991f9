// A frame of the chart from invalidation to the window's pixels: what is drawn in which
// order, when a paint draws and when it copies, and the panel's own painting.
#include "chart/chart.h"
#include "platform/numeric/exceptions.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"
#include "support/pixel_art.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vemora {
namespace {

using gfx::Bitmap;
using gfx::Pixel;
using gfx::ToPixel;

// Notes the steps of a frame that have no event of their own.
class TracingChart final : public TChart {
public:
    using TChart::TChart;
    std::string trace;

protected:
    void PaintPanel(const Rect& rect) override {
        trace += "panel ";
        TChart::PaintPanel(rect);
    }
    void DrawTitles() override {
        trace += "titles ";
        TChart::DrawTitles();
    }
    void PaintWalls() override {
        trace += "walls ";
        TChart::PaintWalls();
    }
};

class TracingSeries final : public TPointSeries {
public:
    explicit TracingSeries(std::string* trace) : TPointSeries(TPointSteps::stOwn), trace_(trace) {}
    void DoBeforeDrawChart() override { *trace_ += "chart-begins "; }
    void DrawPoint(int32_t index) override {
        *trace_ += "point ";
        TPointSeries::DrawPoint(index);
    }

private:
    std::string* trace_;
};

struct Rig {
    explicit Rig(int32_t width = 300, int32_t height = 200) {
        chart.SetBounds(0, 0, width, height);
        series = static_cast<TPointSeries*>(
            chart.AddSeries(std::make_unique<TracingSeries>(&chart.trace)));
        series->SetSeriesColor(clRed);
        chart.OnAfterDraw = [this](TCustomChartPanel*) { ++frames; };
    }
    void Points(std::initializer_list<std::pair<double, double>> points) {
        for (const auto& [x, y] : points)
            series->AddPoint(x, y, "", clDefault);
    }
    ui::HeadlessWindowHost host;
    TracingChart chart{&host};
    TPointSeries* series = nullptr;
    int frames = 0;
};

TEST(DrawCycle, AFrameDrawsItsPartsInAFixedOrder) {
    Rig rig;
    TracingChart& chart = rig.chart;
    rig.Points({{1, 1}, {2, 2}});
    std::string& t = chart.trace;
    chart.OnBeforeDrawAxes = [&](TCustomChartPanel*) { t += "axes "; };
    chart.OnBeforeDrawSeries = [&](TCustomChartPanel*) { t += "series "; };
    rig.series->BeforeDrawValues = [&](TChartSeries*) { t += "values "; };
    rig.series->AfterDrawValues = [&](TChartSeries*) { t += "values-done "; };
    bool toolsReset = false;
    chart.OnAfterDraw = [&](TCustomChartPanel*) {
        t += "after";
        TCanvas3D& c = chart.Canvas3D();
        toolsReset = c.Pen().Color() == clBlack && c.Pen().Width() == 1 &&
                     c.Pen().Style() == TPenStyle::psSolid && c.Pen().Mode() == TPenMode::pmCopy &&
                     c.Brush().Color() == clWhite && c.Brush().Style() == TBrushStyle::bsSolid &&
                     c.Font().Color() == clBlack && c.Font().Size() == 10 &&
                     c.GetBackMode() == cbmTransparent;
    };
    // The zoom frame is drawn with an inverting pen, so the tools must be reset after it.
    chart.ZoomRecord().Activate(10, 10);
    chart.ZoomRecord().EndX = 100;
    chart.ZoomRecord().EndY = 80;
    rig.host.Update();
    EXPECT_EQ(t, "panel chart-begins titles walls axes series values point point values-done "
                 "after");
    EXPECT_TRUE(toolsReset);

    t.clear();
    chart.SetAxisVisible(false);
    rig.host.Update();
    EXPECT_EQ(t, "panel chart-begins titles walls series values point point values-done after");
}

TEST(DrawCycle, TheZoomFrameLiesOverTheSeries) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}, {3, 1}});
    rig.host.Update();
    const int32_t x = rig.series->XPixel(1);
    const int32_t y = rig.series->YPixel(1);
    const Pixel marker = rig.host.Screen().At(x, y);
    ASSERT_EQ(marker, 0xFF0000u);
    // A frame edge through the middle of the marker.
    rig.chart.ZoomRecord().Activate(x - 30, y);
    rig.chart.ZoomRecord().EndX = x + 30;
    rig.chart.ZoomRecord().EndY = y + 30;
    rig.chart.Repaint();
    const Pixel pen = ToPixel(ColorToRGB(rig.chart.Color()));
    EXPECT_EQ(rig.host.Screen().At(x, y), ~(pen ^ marker) & 0xFFFFFF);
}

TEST(DrawCycle, TheZoomFrameInvertsThePictureWhenTheChartColourIsTooLightToShow) {
    for (const TColor face : {clWhite, TColor{0xEFEFEF}, TColor{0xE0E0E0}, TColor{0xDFEFEF}}) {
        Rig rig;
        rig.chart.SetColor(face);
        rig.Points({{1, 1}, {2, 2}, {3, 1}});
        rig.host.Update();
        const Pixel under = rig.host.Screen().At(60, 40);
        rig.chart.ZoomRecord().Activate(60, 40);
        rig.chart.ZoomRecord().EndX = 120;
        rig.chart.ZoomRecord().EndY = 90;
        rig.chart.DrawZoomFrame();
        const bool light = face != 0xDFEFEF;
        const Pixel expected = light ? ~under & 0xFFFFFF : ~(ToPixel(face) ^ under) & 0xFFFFFF;
        EXPECT_EQ(rig.host.Screen().At(60, 40), expected) << std::hex << face;
    }
}

TEST(DrawCycle, TheZoomFrameDrawnTwiceLeavesThePictureAsItWas) {
    Rig rig;
    rig.Points({{1, 1}, {2, 3}, {3, 2}});
    rig.host.Update();
    const Bitmap before = rig.host.Screen();
    TZoomPanningRecord& zoom = rig.chart.ZoomRecord();
    zoom.Activate(40, 30);
    zoom.EndX = 200;
    zoom.EndY = 150;
    rig.chart.DrawZoomFrame();
    const Bitmap& after = rig.host.Screen();
    int changed = 0;
    for (int y = 0; y < after.Height(); ++y) {
        for (int x = 0; x < after.Width(); ++x) {
            const bool onOutline = ((x == 40 || x == 199) && y >= 30 && y < 150) ||
                                   ((y == 30 || y == 149) && x >= 40 && x < 200);
            if (after.At(x, y) != before.At(x, y)) {
                ++changed;
                EXPECT_TRUE(onOutline) << x << "," << y;
            }
        }
    }
    EXPECT_GT(changed, 400);
    rig.chart.DrawZoomFrame();
    EXPECT_TRUE(rig.host.Screen() == before);
}

TEST(DrawCycle, InvalidationsAreCollectedAndPaintedOnce) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}});
    rig.host.Update();
    ASSERT_EQ(rig.frames, 1);
    // Two changes, one frame.
    rig.series->SetSeriesColor(clBlue);
    rig.chart.SetMarginLeft(5);
    rig.host.Update();
    EXPECT_EQ(rig.frames, 2);
    // Nothing invalid: no paint at all.
    const uint64_t paints = rig.host.Paints();
    rig.chart.Update();
    EXPECT_EQ(rig.host.Paints(), paints);
    EXPECT_EQ(rig.frames, 2);
    // Unchanged values invalidate nothing.
    rig.chart.SetMarginLeft(5);
    rig.chart.Gradient().SetStartColor(rig.chart.Gradient().StartColor());
    EXPECT_FALSE(rig.host.IsInvalid());
}

TEST(DrawCycle, AnUncoveredWindowIsServedFromTheBuffer) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}});
    rig.host.Update();
    const Bitmap frame = rig.host.Screen();
    // Another window painted over part of the chart.
    rig.chart.WindowCanvas().SetPixel(5, 5, clBlack);
    rig.chart.WindowCanvas().SetPixel(150, 100, clBlack);
    ASSERT_FALSE(rig.host.Screen() == frame);
    rig.host.Expose();
    EXPECT_TRUE(rig.host.Screen() == frame);
    EXPECT_EQ(rig.frames, 1);
    // The window tells the system it paints its whole background and wants the arrows.
    EXPECT_TRUE(rig.chart.EraseBackgroundHandled());
    constexpr uint32_t wantChars = 0x0080;
    EXPECT_EQ(rig.chart.DialogCode(wantChars), wantChars | ui::DLGC_WANTARROWS);
    // A window that changed size is drawn anew, not copied.
    rig.host.ResizeClient(250, 180);
    rig.host.Update();
    EXPECT_EQ(rig.frames, 2);
    EXPECT_EQ(rig.chart.PanelBounds(), (Rect{0, 0, 250, 180}));
}

TEST(DrawCycle, AChangeMadeWhileAFrameIsDrawnIsPaintedNext) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}});
    bool changeOnce = true;
    rig.chart.OnAfterDraw = [&](TCustomChartPanel*) {
        ++rig.frames;
        if (changeOnce) {
            changeOnce = false;
            rig.series->SetSeriesColor(clBlue);
        }
    };
    rig.host.Update();
    ASSERT_TRUE(rig.host.IsInvalid());
    rig.host.Update();
    EXPECT_EQ(rig.frames, 2);
    EXPECT_EQ(rig.host.Screen().At(rig.series->XPixel(0), rig.series->YPixel(0)), 0x0000FFu);
}

TEST(DrawCycle, AFailedFrameLeavesTheChartReadyForTheNext) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}});
    bool failOnce = true;
    rig.series->BeforeDrawValues = [&](TChartSeries*) {
        if (failOnce) {
            failOnce = false;
            throw Exception("broken handler");
        }
    };
    EXPECT_THROW(rig.host.Update(), Exception);
    // Back on the window, without the series clip.
    EXPECT_EQ(rig.chart.Canvas3D().ReferenceCanvas(), &rig.chart.WindowCanvas());
    EXPECT_FALSE(rig.chart.Canvas3D().GetHandle()->HasClipRegion());
    rig.host.Expose();
    EXPECT_EQ(rig.frames, 1);
    EXPECT_EQ(rig.host.Screen().At(rig.series->XPixel(1), rig.series->YPixel(1)), 0xFF0000u);
}

TEST(DrawCycle, ASeriesWithNothingInRangeFiresNoDrawEvents) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}});
    rig.chart.BottomAxis().SetRange(100, 200);
    int events = 0;
    rig.series->BeforeDrawValues = [&](TChartSeries*) { ++events; };
    rig.series->AfterDrawValues = [&](TChartSeries*) { ++events; };
    rig.host.Update();
    EXPECT_EQ(rig.series->FirstShown(), -1);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(rig.chart.trace.find("point"), std::string::npos);
}

TEST(DrawCycle, ClipPointsCutsTheMarkersAtThePlotBox) {
    auto redLeftOfPlot = [](bool clip) {
        Rig rig;
        rig.chart.SetClipPoints(clip);
        // A manual range keeps no margins: the first marker sits on the left edge.
        rig.chart.BottomAxis().SetRange(0, 10);
        rig.Points({{0, 5}, {5, 2}, {10, 8}});
        rig.host.Update();
        const Rect plot = rig.chart.PlotRect();
        int red = 0;
        const Bitmap& s = rig.host.Screen();
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < plot.Left; ++x)
                red += s.At(x, y) == 0xFF0000u;
        }
        return red;
    };
    EXPECT_EQ(redLeftOfPlot(true), 0);
    EXPECT_GT(redLeftOfPlot(false), 0);
}

TEST(DrawCycle, SeriesSharingADepthSlotAreDrawnTogetherByIndex) {
    Rig rig;
    rig.Points({{1, 1}, {2, 2}});
    auto second = std::make_unique<TracingSeries>(&rig.chart.trace);
    second->SetZOrder(0);
    rig.series->SetZOrder(0);
    TChartSeries* other = rig.chart.AddSeries(std::move(second));
    other->AddPoint(1, 2, "", clDefault);
    other->AddPoint(2, 1, "", clDefault);
    other->AddPoint(3, 3, "", clDefault);
    int before = 0;
    int after = 0;
    for (TChartSeries* s : {static_cast<TChartSeries*>(rig.series), other}) {
        s->BeforeDrawValues = [&](TChartSeries*) { ++before; };
        s->AfterDrawValues = [&](TChartSeries*) { ++after; };
    }
    rig.host.Update();
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 2);
    // Index 0 of both, index 1 of both, index 2 of the longer one.
    const std::string t = rig.chart.trace;
    const size_t first = t.find("point");
    EXPECT_EQ(t.substr(first, 6 * 5 - 1), "point point point point point");
    EXPECT_EQ(t.find("point", first + 6 * 5), std::string::npos);
}

TEST(DrawCycle, WindowsOfAnySizeAreDrawn) {
    for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {3, 2}, {2, 300}, {5000, 3}}) {
        Rig rig(w, h);
        rig.Points({{1, 1}, {2, 2}, {3, 3}});
        ASSERT_NO_THROW(rig.host.Update()) << w << "x" << h;
        EXPECT_EQ(rig.frames, 1);
        EXPECT_EQ(rig.chart.PanelBounds(), (Rect{0, 0, w, h}));
    }
}

class PanelTest : public ::testing::Test {
protected:
    PanelTest() {
        chart.SetBounds(0, 0, 40, 30);
        chart.SetView3DWalls(false);
    }
    const Bitmap& Paint() {
        chart.Invalidate();
        host.Update();
        return host.Screen();
    }
    static constexpr Pixel kFace = 0xD4D0C8;
    static constexpr Pixel kHighlight = 0xFFFFFF;
    static constexpr Pixel kShadow = 0x808080;
    ui::HeadlessWindowHost host;
    TChart chart{&host};
};

TEST_F(PanelTest, TheRaisedBevelIsOneRingAtTheEdge) {
    chart.SetAxisVisible(false);
    const Bitmap& s = Paint();
    EXPECT_EQ(s.At(0, 0), kHighlight);
    EXPECT_EQ(s.At(38, 0), kHighlight);
    EXPECT_EQ(s.At(0, 28), kHighlight);
    EXPECT_EQ(s.At(39, 0), kShadow);
    EXPECT_EQ(s.At(0, 29), kShadow);
    EXPECT_EQ(s.At(39, 29), kShadow);
    EXPECT_EQ(s.At(1, 1), kFace);
    EXPECT_EQ(s.At(38, 28), kFace);

    chart.SetBevelOuter(TPanelBevel::bvLowered);
    EXPECT_EQ(Paint().At(0, 0), kShadow);
    EXPECT_EQ(host.Screen().At(39, 29), kHighlight);

    // Outer ring, two rings of border band in the panel colour, then the inner bevel.
    chart.SetBevelOuter(TPanelBevel::bvSpace);
    chart.SetBorderWidth(2);
    chart.SetColor(clTeal);
    chart.SetBevelInner(TPanelBevel::bvRaised);
    const Bitmap& framed = Paint();
    EXPECT_EQ(framed.At(39, 29), kHighlight);
    EXPECT_EQ(framed.At(1, 15), 0x008080u);
    EXPECT_EQ(framed.At(2, 15), 0x008080u);
    EXPECT_EQ(framed.At(3, 15), kHighlight);
    EXPECT_EQ(framed.At(36, 15), kShadow);

    chart.SetBevelOuter(TPanelBevel::bvNone);
    chart.SetBevelInner(TPanelBevel::bvNone);
    chart.SetBorderWidth(0);
    const Bitmap& plain = Paint();
    EXPECT_EQ(plain.At(0, 0), 0x008080u);
    EXPECT_EQ(plain.At(39, 29), 0x008080u);
}

TEST_F(PanelTest, TheGradientPutsTheStartColourAtTheBottomEitherWayUp) {
    chart.SetAxisVisible(false);
    chart.SetBevelOuter(TPanelBevel::bvNone);
    chart.Gradient().SetStartColor(0x80FF80);
    chart.Gradient().SetEndColor(0x80FFFF);
    chart.Gradient().SetVisible(true);
    for (TGradientDirection d :
         {TGradientDirection::gdTopBottom, TGradientDirection::gdBottomTop}) {
        chart.Gradient().SetDirection(d);
        const Bitmap& s = Paint();
        EXPECT_EQ(s.At(20, 29), 0x80FF80u);
        EXPECT_EQ(s.At(20, 0), 0xFFFF80u);
    }
}

TEST_F(PanelTest, ATitleTakesItsLinesAndFivePixels) {
    chart.SetBounds(0, 0, 400, 300);
    chart.Title().SetVisible(false);
    chart.ComputeLayout();
    const Rect without = chart.PlotRect();
    chart.Title().SetText({"First", "Second"});
    chart.Title().SetVisible(true);
    chart.SelectFont(chart.Title().Font());
    ASSERT_EQ(chart.Canvas3D().FontHeight(), 13);
    chart.ComputeLayout();
    EXPECT_EQ(chart.PlotRect().Top, without.Top + 2 * 13 + 5);
    EXPECT_EQ(chart.PlotRect().Bottom, without.Bottom);
    // The foot without lines takes nothing; with one it takes a line and five pixels.
    chart.Foot().SetText({"Foot"});
    chart.ComputeLayout();
    EXPECT_EQ(chart.PlotRect().Bottom, without.Bottom - 13 - 5);

    // The lines are drawn centred in the title's blue, one below the other, above the plot.
    chart.Title().SetVisible(true);
    const Bitmap& s = Paint();
    Rect ink{400, 300, 0, 0};
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 400; ++x) {
            const Pixel p = s.At(x, y);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            // Blue ink, smoothed at the edges of the strokes.
            if (b - std::max(r, g) > 100) {
                ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1),
                       std::max(ink.Bottom, y + 1)};
            }
        }
    }
    ASSERT_FALSE(ink.IsEmpty());
    const int32_t centre = (chart.Title().TitleRect().Left + chart.Title().TitleRect().Right) / 2;
    EXPECT_LE(std::abs((ink.Left + ink.Right) / 2 - centre), 2);
    EXPECT_GT(ink.Height(), 13);
    EXPECT_LT(ink.Bottom, chart.PlotRect().Top);
}

TEST_F(PanelTest, WallsTakeTheirColourOrNone) {
    TChartWall& wall = chart.LeftWall();
    TCanvas3D& canvas = chart.Canvas3D();
    wall.SetColor(clDefault);
    chart.PrepareWall(wall);
    EXPECT_EQ(canvas.Brush().Style(), TBrushStyle::bsClear);
    EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psSolid);

    wall.SetColor(clRed);
    wall.Brush().SetColor(clRed);
    wall.Brush().SetStyle(TBrushStyle::bsCross);
    chart.PrepareWall(wall);
    EXPECT_EQ(canvas.Brush().Color(), clBlack);
    EXPECT_EQ(canvas.Brush().Style(), TBrushStyle::bsCross);
    EXPECT_EQ(canvas.GetBackMode(), cbmOpaque);
    EXPECT_EQ(canvas.GetBackColor(), clRed);
    wall.SetColor(clBlack);
    wall.Brush().SetColor(clBlack);
    chart.PrepareWall(wall);
    EXPECT_EQ(canvas.Brush().Color(), clWhite);
    EXPECT_FALSE(chart.WallDark3D(chart.BackWall()));
    EXPECT_TRUE(chart.WallDark3D(wall));
}

TEST_F(PanelTest, WallsInThreeDFillTheBackAndTheSides) {
    chart.SetBounds(0, 0, 200, 150);
    chart.SetAxisVisible(false);
    chart.SetChart3DPercent(100);
    chart.SetView3DWalls(true);
    chart.BackWall().SetColor(clAqua);
    chart.BackWall().Brush().SetStyle(TBrushStyle::bsSolid);
    chart.LeftWall().SetColor(clLime);
    chart.BottomWall().SetColor(clFuchsia);
    const Bitmap& s = Paint();
    const Rect p = chart.PlotRect();
    const int32_t d = chart.ChartDepth();
    ASSERT_GT(d, 8);
    // The back plane lies up and to the right by the depth; the floor and the left side
    // lead to it.
    EXPECT_EQ(s.At((p.Left + p.Right) / 2 + d, (p.Top + p.Bottom) / 2 - d), 0x00FFFFu);
    EXPECT_EQ(s.At(p.Left + d / 2, (p.Top + p.Bottom) / 2), 0x00FF00u);
    EXPECT_EQ(s.At((p.Left + p.Right) / 2, p.Bottom - d / 2), 0xFF00FFu);
    // Without walls in 3D, none of them shows.
    chart.SetView3DWalls(false);
    const Bitmap& bare = Paint();
    EXPECT_EQ(testing::CountPixels(bare, 0x00FF00u) + testing::CountPixels(bare, 0xFF00FFu), 0);
}

} // namespace
} // namespace vemora
