// The program's chart on screens denser than the normal 96 dots per inch: the same chart
// drawn with every pixel size scaled (text, pens, markers, ticks, depth), a layout that
// follows from the larger drawing area, and the mouse working in the screen's own pixels.
#include "platform/numeric/extended.h"
#include "series/chart_series.h"
#include "support/sample_chart.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vemora {
namespace {

std::vector<std::string> LabelTexts(const TCustomChartAxis& axis) {
    std::vector<std::string> texts;
    for (const TAxisLabel& label : axis.LastLabels())
        texts.push_back(label.Text);
    return texts;
}

// The sample's chart after the run, laid out until the layout stays (each frame sizes the
// labels with the previous frame's span), and painted.
struct Painted : testing::SampleChart {
    explicit Painted(double ratio) : SampleChart(ratio) { Settle(); }
    void Settle() {
        host.Update();
        chart.SettleLayout();
        host.Update();
    }
};

// The length of the run of pixels of `color` along the row through (x, y), x inside it.
int32_t RunAcross(const gfx::Bitmap& b, int32_t x, int32_t y, gfx::Pixel color) {
    int32_t a = x, e = x;
    while (a > 0 && b.At(a - 1, y) == color)
        --a;
    while (e < b.Width() && b.At(e, y) == color)
        ++e;
    return e - a;
}

class DenserScreen : public ::testing::TestWithParam<double> {};

TEST_P(DenserScreen, DrawingAreaAndPlotFollowFromTheLargerClient) {
    const double s = GetParam();
    Painted normal(1.0);
    Painted dense(s);
    TChart& chart = dense.chart;
    const int32_t w = gfx::ScalePixels(813, s), h = gfx::ScalePixels(653, s);
    ASSERT_EQ(dense.host.ClientRect(), (Rect{0, 0, w, h}));
    EXPECT_EQ(dense.host.Screen().Width(), w);
    EXPECT_EQ(chart.PanelBounds(), (Rect{0, 0, w, h}));

    // The margins are percentages and the depth a share of the plot's width, taken of the
    // larger area; the axes' room is the labels' font and the ticks' length, both scaled.
    const int32_t marginX = MulDiv(3, w, 100), marginY = MulDiv(4, h, 100);
    const int32_t depth = RoundSaturated((w - 2 * marginX) * 0.005L);
    EXPECT_EQ(chart.ChartDepth(), depth);
    chart.SelectFont(chart.LeftAxis().LabelsFont());
    TCanvas3D& canvas = chart.Canvas3D();
    const int32_t ticks = gfx::ScalePixels(2, s) + gfx::ScalePixels(4, s);
    EXPECT_EQ(
        chart.PlotRect(),
        (Rect{marginX + canvas.TextWidth("95") + canvas.TextWidth(" ") + ticks, marginY + depth,
              w - marginX - depth, h - marginY - canvas.FontHeight() - ticks}));

    // So each edge lies about s times as far as on a normal screen.
    const Rect a = normal.chart.PlotRect(), b = chart.PlotRect();
    for (const auto& [one, scaled] : {std::pair{a.Left, b.Left}, std::pair{a.Top, b.Top},
                                      std::pair{a.Right, b.Right}, std::pair{a.Bottom, b.Bottom}})
        EXPECT_NEAR(scaled, one * s, 2 * s);
}

TEST_P(DenserScreen, TextPensAndMarkersAreScaled) {
    const double s = GetParam();
    Painted dense(s);
    TChart& chart = dense.chart;
    TCanvas3D& canvas = chart.Canvas3D();
    chart.SelectFont(chart.LeftAxis().LabelsFont());
    // The chart's 8-point labels are 11 pixels high on a normal screen.
    EXPECT_EQ(canvas.ReferenceCanvas()->LogicalFont().Height, gfx::ScalePixels(-11, s));
    EXPECT_NEAR(canvas.FontHeight(), 13 * s, s);

    // The axis pen of width 2 is wider; the grid's one-pixel dotted pen draws lines
    // Round(s) across with its dots stretched.
    TCanvas& reference = *canvas.ReferenceCanvas();
    ApplyChartPen(reference, chart.LeftAxis().Axis());
    EXPECT_EQ(reference.Handle().CurrentPen().Width, gfx::ScalePixels(2, s));
    ApplyChartPen(reference, chart.LeftAxis().Grid());
    const gfx::Pen& grid = reference.Handle().CurrentPen();
    EXPECT_LE(grid.Width, 1);
    EXPECT_EQ(grid.Across, gfx::ScalePixels(1, s));
    EXPECT_EQ(grid.PatternScale, s);

    // On the screen: the left axis line, between the two topmost labels where no point
    // lies, is as wide as its pen.
    const gfx::Bitmap& screen = dense.host.Screen();
    const std::vector<TAxisLabel>& labels = chart.LeftAxis().LastLabels();
    ASSERT_GE(labels.size(), 2u);
    int32_t top = labels.front().Pixel, next = labels[1].Pixel;
    for (const TAxisLabel& l : labels) {
        if (l.Pixel < top) {
            next = top;
            top = l.Pixel;
        } else if (l.Pixel < next && l.Pixel != top) {
            next = l.Pixel;
        }
    }
    const int32_t row = (top + next) / 2 + 1;
    const int32_t axisX = chart.LeftAxis().LinePos() - 1;
    EXPECT_EQ(RunAcross(screen, axisX, row, 0x000000), gfx::ScalePixels(2, s));

    // Markers are s times as large: the series keeps Round(5 s) pixels (size 4, and the
    // pen) free at the ends of its axes.
    TChartAxis& bottom = chart.BottomAxis();
    EXPECT_EQ(bottom.ValueToPixelX(bottom.Minimum()),
              chart.PlotRect().Left + gfx::ScalePixels(5, s));
}

TEST_P(DenserScreen, LabelsReadTheSameAtTheirScaledPlaces) {
    const double s = GetParam();
    Painted normal(1.0);
    Painted dense(s);
    const auto pairs = {std::pair<const TChartAxis*, const TChartAxis*>{&normal.chart.BottomAxis(),
                                                                        &dense.chart.BottomAxis()},
                        std::pair<const TChartAxis*, const TChartAxis*>{&normal.chart.LeftAxis(),
                                                                        &dense.chart.LeftAxis()}};
    for (const auto& [first, second] : pairs) {
        const TChartAxis& one = *first;
        const TChartAxis& scaled = *second;
        EXPECT_EQ(LabelTexts(scaled), LabelTexts(one));
        ASSERT_EQ(scaled.LastLabels().size(), one.LastLabels().size());
        for (size_t i = 0; i < one.LastLabels().size(); ++i)
            EXPECT_NEAR(scaled.LastLabels()[i].Pixel, one.LastLabels()[i].Pixel * s, 2 * s);
    }
}

// The mouse is read in the screen's pixels, the thresholds in pixels of the window's size.
TEST_P(DenserScreen, AZoomDragCoversTheSameValuesAsOnANormalScreen) {
    const double s = GetParam();
    struct Zoomed {
        double Left, Right, Bottom, Top;
    };
    const auto zoom = [](double ratio, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        Painted p(ratio);
        p.host.SendMouseDown(ui::TMouseButton::mbLeft, {}, x0, y0);
        p.host.SendMouseMove({}, x1, y1);
        p.host.SendMouseUp(ui::TMouseButton::mbLeft, {}, x1, y1);
        const TChartAxis& b = p.chart.BottomAxis();
        const TChartAxis& l = p.chart.LeftAxis();
        return Zoomed{b.Minimum(), b.Maximum(), l.Minimum(), l.Maximum()};
    };
    const Zoomed one = zoom(1.0, 200, 150, 500, 400);
    const Zoomed scaled = zoom(s, 200, 150, 500, 400);
    // The same rectangle of the window, within a pixel of it on the normal screen.
    Painted normal(1.0);
    const double perX = (one.Right - one.Left) / 300, perY = (one.Top - one.Bottom) / 250;
    EXPECT_NEAR(scaled.Left, one.Left, perX);
    EXPECT_NEAR(scaled.Right, one.Right, perX);
    EXPECT_NEAR(scaled.Bottom, one.Bottom, perY);
    EXPECT_NEAR(scaled.Top, one.Top, perY);
    EXPECT_LT(one.Right - one.Left, normal.chart.BottomAxis().Maximum());

    // Twelve pixels of the window are under the 16-pixel threshold however many pixels
    // of the screen they are.
    Painted p(s);
    const double before = p.chart.BottomAxis().Maximum();
    p.host.SendMouseDown(ui::TMouseButton::mbLeft, {}, 300, 200);
    p.host.SendMouseMove({}, 312, 212);
    p.host.SendMouseUp(ui::TMouseButton::mbLeft, {}, 312, 212);
    EXPECT_EQ(p.chart.BottomAxis().Maximum(), before);
}

TEST_P(DenserScreen, APointIsFoundUnderItsMarker) {
    const double s = GetParam();
    Painted dense(s);
    TChart& chart = dense.chart;
    const TPointSeries& series = dense.series;
    const int32_t i = series.PointCount() / 2;
    const int32_t x = series.XPixel(i), y = series.YPixel(i);
    // Three pixels of the window off the centre, still on the marker of half size 4.
    const int32_t off = gfx::ScalePixels(3, s);
    EXPECT_NE(chart.PointUnder(x + off, y).Part, TChartClickedPartStyle::cpNone);
}

INSTANTIATE_TEST_SUITE_P(Ratios, DenserScreen, ::testing::Values(2.0, 1.5));

TEST(DenserScreen, ANewDensityDrawsTheChartAnew) {
    Painted sample(1.0);
    const uint64_t paints = sample.host.Paints();
    sample.host.SetPixelRatio(2.0);
    EXPECT_TRUE(sample.host.IsInvalid());
    sample.host.Update();
    EXPECT_EQ(sample.host.Paints(), paints + 1);
    EXPECT_EQ(sample.chart.PixelScale(), 2.0);
    EXPECT_EQ(sample.chart.PanelBounds(), (Rect{0, 0, 1626, 1306}));
    // Back on a normal screen the picture is today's again.
    Painted normal(1.0);
    sample.host.SetPixelRatio(1.0);
    sample.Settle();
    EXPECT_EQ(sample.chart.PlotRect(), normal.chart.PlotRect());
    EXPECT_EQ(sample.host.Screen(), normal.host.Screen());
}

} // namespace
} // namespace vemora
