#include "chart/chart.h"
#include "platform/numeric/exceptions.h"
#include "platform/ui/headless_window_host.h"
#include "series/chart_series.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace vemora {
namespace {

// A series that keeps five pixels free around its points, as a marker of size 4 does.
class MarginSeries final : public TChartSeries {
public:
    void HorizMargins(int32_t& left, int32_t& right) override { left = right = 5; }
    void VertMargins(int32_t& top, int32_t& bottom) override { top = bottom = 5; }
};

struct ChartRig {
    explicit ChartRig(int32_t clientWidth = 813, int32_t clientHeight = 653) {
        chart.SetBounds(0, 0, clientWidth, clientHeight);
    }
    TChartSeries& Add(std::unique_ptr<TChartSeries> series = std::make_unique<TChartSeries>()) {
        return *chart.AddSeries(std::move(series));
    }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
};

TEST(PlotRect, MarginsArePercentOfTheDrawingArea) {
    ChartRig rig;
    TChart& chart = rig.chart;
    chart.CalcPlotRect({0, 0, 813, 653});
    EXPECT_EQ(chart.PlotRect(), (Rect{24, 26, 789, 627}));
    EXPECT_EQ(chart.PlotWidth(), 765);
    EXPECT_EQ(chart.PlotHeight(), 601);
    EXPECT_EQ(chart.PlotXCenter(), 406);
    for (int i = 0; i < 4; ++i)
        chart.SetMargin(i, 0);
    chart.CalcPlotRect({10, 20, 813, 653});
    EXPECT_EQ(chart.PlotRect(), (Rect{10, 20, 813, 653}));
    chart.SetBorderWidth(3);
    chart.CalcPlotRect({0, 0, 813, 653});
    EXPECT_EQ(chart.PlotRect(), (Rect{3, 3, 810, 650}));
}

TEST(PlotRect, UpdatePlotSizeKeepsTheRectangleTheRightWayRound) {
    ChartRig rig(400, 250);
    TChart& chart = rig.chart;
    chart.CalcPlotRect({-10, -10, 400, 250});
    chart.SetPlotRect({0, 0, 5, 7});
    chart.UpdatePlotSize();
    EXPECT_EQ(chart.PlotXCenter(), 2);
    chart.SetPlotRect({-5, -3, 0, 0});
    chart.UpdatePlotSize();
    EXPECT_EQ(chart.PlotXCenter(), -2);
    EXPECT_EQ(chart.PlotYCenter(), -1);
    // Collapsed: the control's whole size; turned inside out: one pixel.
    chart.SetPlotRect({30, 40, 30, 20});
    chart.UpdatePlotSize();
    EXPECT_EQ(chart.PlotRect(), (Rect{30, 40, 430, 41}));
    EXPECT_EQ(chart.PlotWidth(), 400);
    EXPECT_EQ(chart.PlotHeight(), 1);
    // Never left of or above the drawing area.
    chart.SetPlotRect({-50, -60, 100, 100});
    chart.UpdatePlotSize();
    EXPECT_EQ(chart.PlotRect(), (Rect{-10, -10, 100, 100}));
}

TEST(Depth, TenthsOfAPercentOfThePlotWidthPerSlot) {
    ChartRig rig;
    TChart& chart = rig.chart;
    chart.SetChart3DPercent(5);
    chart.SetPlotRect({24, 26, 789, 627});
    chart.UpdatePlotSize();
    chart.ComputeDepth();
    EXPECT_EQ(chart.SeriesDepth(), 4); // Round(3.825)
    EXPECT_EQ(chart.ChartDepth(), 4);
    chart.SetChart3DPercent(100);
    chart.SetPlotRect({0, 0, 500, 100});
    chart.UpdatePlotSize();
    chart.ComputeDepth();
    EXPECT_EQ(chart.ChartDepth(), 50);
    chart.View3DOptions().SetOrthogonal(false);
    chart.ComputeDepth();
    EXPECT_EQ(chart.ChartDepth(), 100);
    EXPECT_EQ(chart.ChartDepthY(), 100);
    chart.View3DOptions().SetOrthogonal(true);
    rig.Add();
    rig.Add();
    chart.AssignZOrders();
    chart.ComputeDepth();
    EXPECT_EQ(chart.HighestZOrder(), 1);
    EXPECT_EQ(chart.ChartDepth(), 2 * chart.SeriesDepth());
    chart.SetUseZOrder(false);
    chart.AssignZOrders();
    chart.ComputeDepth();
    EXPECT_EQ(chart.ChartDepth(), chart.SeriesDepth());
    chart.SetView3D(false);
    chart.ComputeDepth();
    EXPECT_EQ(chart.ChartDepth(), 0);
    EXPECT_EQ(chart.SeriesDepthY(), 0);
}

TEST(Depth, ZSlotsPutTheFirstSeriesAtTheBack) {
    ChartRig rig;
    TChart& chart = rig.chart;
    TChartSeries& back = rig.Add();
    TChartSeries& front = rig.Add();
    chart.ComputeLayout();
    EXPECT_EQ(back.ZIndex(), 1);
    EXPECT_EQ(front.ZIndex(), 0);
    const int32_t d = chart.SeriesDepth();
    EXPECT_EQ(back.ZStart(), d);
    EXPECT_EQ(back.ZEnd(), 2 * d);
    EXPECT_EQ(front.ZMiddle(), d / 2);
    // A fixed slot raises the highest slot to itself.
    front.SetZOrder(3);
    chart.AssignZOrders();
    EXPECT_EQ(chart.HighestZOrder(), 3);
    EXPECT_EQ(back.ZIndex(), 3);
    EXPECT_EQ(front.ZIndex(), 0);
    chart.SetView3D(false);
    chart.AssignZOrders();
    EXPECT_EQ(back.ZIndex(), 0);
    EXPECT_EQ(front.ZIndex(), 0);
}

TEST(Depth, OneSeriesTakesTheWholeDepth) {
    ChartRig rig;
    rig.chart.SetChart3DPercent(5);
    TChartSeries& s = rig.Add();
    s.AddPoint(1, 1, "", clDefault);
    rig.chart.ComputeLayout();
    EXPECT_EQ(rig.chart.ChartDepth(), 4);
    EXPECT_EQ(s.ZStart(), 0);
    EXPECT_EQ(s.ZEnd(), 4);
    EXPECT_EQ(s.ZMiddle(), 2);
    EXPECT_EQ(s.Marks().ZPosition(), 2);
}

TEST(AxisLayout, OnlyAxesWithSeriesAreShown) {
    ChartRig rig;
    TChart& chart = rig.chart;
    // Without any series using axes, the four side axes count as shown.
    EXPECT_TRUE(chart.AxisShown(chart.TopAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.DepthAxis()));
    TChartSeries& s = rig.Add();
    EXPECT_TRUE(chart.AxisShown(chart.BottomAxis()));
    EXPECT_TRUE(chart.AxisShown(chart.LeftAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.TopAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.RightAxis()));
    chart.DepthAxis().SetVisible(true);
    EXPECT_TRUE(chart.AxisShown(chart.DepthAxis()));
    chart.SetView3D(false);
    EXPECT_FALSE(chart.AxisShown(chart.DepthAxis()));
    s.SetVertAxis(TVertAxis::aBothVertAxis);
    EXPECT_TRUE(chart.AxisShown(chart.RightAxis()));
    chart.SetAxisVisible(false);
    EXPECT_FALSE(chart.AxisShown(chart.BottomAxis()));
}

TEST(AxisLayout, AxesTakeTheirSpaceAndTheBackPlaneItsRoom) {
    ChartRig rig;
    TChart& chart = rig.chart;
    chart.SetChart3DPercent(5);
    TChartSeries& s = rig.Add();
    s.AddPoint(0, 0, "", clDefault);
    s.AddPoint(10, 10, "", clDefault);
    chart.ComputeLayout();
    const Rect& plot = chart.PlotRect();
    chart.SelectFont(chart.LeftAxis().LabelsFont());
    const int32_t h = chart.Canvas3D().FontHeight();
    // Right by the depth, top by the depth, bottom by the labels and ticks, left by the
    // widest label and ticks.
    EXPECT_EQ(plot.Right, 789 - 4);
    EXPECT_EQ(plot.Top, 26 + 4);
    EXPECT_EQ(plot.Bottom, 627 - h - 6);
    EXPECT_EQ(chart.BottomAxis().LabelsPos(), 627 - h);
    EXPECT_EQ(plot.Left, chart.LeftAxis().LabelsPos() + 6);
    EXPECT_EQ(chart.BottomAxis().StartPixel(), plot.Left);
    EXPECT_EQ(chart.BottomAxis().EndPixel(), plot.Right);
    EXPECT_EQ(chart.LeftAxis().StartPixel(), plot.Top);
    EXPECT_EQ(chart.LeftAxis().EndPixel(), plot.Bottom);
    // A demand that would leave nothing of the plot is ignored.
    chart.BottomAxis().SetLabelsSize(5000);
    chart.ComputeLayout();
    EXPECT_EQ(chart.PlotRect().Bottom, 627);
    EXPECT_GT(chart.PlotHeight(), 500);
}

TEST(AxisLayout, SeriesMarginsWidenOnlyAutomaticEnds) {
    ChartRig rig;
    TChart& chart = rig.chart;
    TChartSeries& s = rig.Add(std::make_unique<MarginSeries>());
    s.AddPoint(0, 0, "", clDefault);
    s.AddPoint(100, 50, "", clDefault);
    chart.ComputeLayout();
    const TChartAxis& bottom = chart.BottomAxis();
    EXPECT_EQ(bottom.ValueToPixelX(0), bottom.StartPixel() + 5);
    EXPECT_EQ(bottom.ValueToPixelX(100), bottom.EndPixel() - 5);
    EXPECT_EQ(chart.LeftAxis().ValueToPixelY(50), chart.LeftAxis().StartPixel() + 5);
    EXPECT_LT(bottom.ScaleMinimum(), 0);
    chart.BottomAxis().SetAutomaticMinimum(false);
    chart.BottomAxis().SetMinimum(0);
    chart.ComputeLayout();
    EXPECT_EQ(chart.BottomAxis().ScaleMinimum(), 0);
    EXPECT_EQ(chart.BottomAxis().ValueToPixelX(100), chart.BottomAxis().EndPixel() - 5);
}

TEST(AxisLayout, AnyDataTheReaderAcceptsLaysOutAndDraws) {
    const double inf = std::numeric_limits<double>::infinity();
    const double big = std::numeric_limits<double>::max();
    const std::vector<std::vector<std::pair<double, double>>> cases = {
        {{1, inf}, {2, -inf}, {inf, 3}},
        {{1e308, -1e308}, {-1e308, 1e308}},
        {{big, big}, {-big, -big}, {0, 0}},
        {{5, 5}},
        {{7, 20000}, {7, 20000}, {7, 20000}},
        {{-1e300, 1e300}},
        {{inf, inf}},
        {},
    };
    for (const auto& points : cases) {
        ChartRig rig;
        TChartSeries& s = rig.Add(std::make_unique<MarginSeries>());
        for (const auto& [x, y] : points)
            s.AddPoint(x, y, "", clDefault);
        TChart& chart = rig.chart;
        for (int frame = 0; frame < 2; ++frame) {
            ASSERT_NO_THROW(chart.ComputeLayout());
            EXPECT_FALSE(chart.PlotRect().IsEmpty());
            for (TCustomChartAxis* axis : chart.Axes()) {
                EXPECT_TRUE(std::isfinite(axis->ScaleMinimum()));
                EXPECT_TRUE(std::isfinite(axis->ScaleMaximum()));
                if (!chart.AxisShown(*axis))
                    continue;
                ASSERT_NO_THROW(axis->DrawAxis(true));
                EXPECT_LE(axis->LastTicks().size(), TCustomChartAxis::TickListCapacity);
            }
            ASSERT_NO_THROW(s.FindShownRange());
            for (int32_t i = 0; i < s.PointCount(); ++i) {
                s.XPixel(i);
                s.YPixel(i);
            }
        }
    }
}

TEST(ChartSettings, DefaultsAndChecks) {
    ChartRig rig;
    TChart& chart = rig.chart;
    EXPECT_EQ(chart.Chart3DPercent(), 15);
    EXPECT_EQ(chart.MarginLeft(), 3);
    EXPECT_EQ(chart.MarginTop(), 4);
    EXPECT_EQ(chart.Color(), clBtnFace);
    EXPECT_TRUE(chart.View3D() && chart.View3DWalls() && chart.ClipPoints() && chart.UseZOrder());
    EXPECT_EQ(chart.BevelOuter(), TPanelBevel::bvRaised);
    EXPECT_EQ(chart.AllowPanning(), TPanningMode::pmBoth);
    EXPECT_EQ(chart.AnimatedZoomSteps(), 8);
    EXPECT_EQ(chart.View3DOptions().Elevation(), 345);
    EXPECT_EQ(chart.LeftWall().Color(), 0x80FFFFu);
    EXPECT_EQ(chart.BackWall().Brush().Style(), TBrushStyle::bsClear);
    EXPECT_EQ(chart.Title().Font().Color(), clBlue);
    EXPECT_FALSE(chart.Gradient().Visible());
    EXPECT_TRUE(chart.RepaintEnabled());
    try {
        chart.SetChart3DPercent(0);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message(), "3D effect percent must be between 1 and 100");
    }
    EXPECT_THROW(chart.SetChart3DPercent(101), ChartException);
    EXPECT_EQ(chart.Chart3DPercent(), 15);
    try {
        chart.SetMaxPointsPerPage(-1);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message(), "MaxPointsPerPage must be >= 0");
    }
    // Paging: the page stays within the page count.
    TChartSeries& s = rig.Add();
    for (int i = 0; i < 25; ++i)
        s.AddPoint(i, i, "", clDefault);
    int pageChanges = 0;
    chart.OnPageChange = [&](TCustomChartPanel*) { ++pageChanges; };
    chart.SetMaxPointsPerPage(10);
    EXPECT_EQ(chart.NumPages(), 3);
    chart.SetPage(7);
    EXPECT_EQ(chart.Page(), 3);
    chart.SetMaxPointsPerPage(20);
    EXPECT_EQ(chart.Page(), 2);
    EXPECT_EQ(pageChanges, 2);
}

TEST(ChartSettings, SettersInvalidateOnlyOnAChangeAndNeverDraw) {
    ChartRig rig;
    TChart& chart = rig.chart;
    const uint64_t before = rig.host.Invalidations();
    const uint64_t paints = rig.host.Paints();
    chart.SetMarginLeft(3);
    chart.SetChart3DPercent(15);
    chart.View3DOptions().SetElevation(345);
    chart.Gradient().SetStartColor(clWhite);
    chart.BottomWall().SetColor(clWhite);
    EXPECT_EQ(rig.host.Invalidations(), before);
    chart.SetMarginLeft(4);
    chart.View3DOptions().SetElevation(344);
    chart.Gradient().SetVisible(true);
    chart.LeftWall().Pen().SetColor(clRed);
    chart.Title().SetText({"TChart"});
    EXPECT_EQ(rig.host.Invalidations(), before + 5);
    EXPECT_EQ(rig.host.Paints(), paints);
    // The canvas knows its frame is out of date.
    EXPECT_TRUE(dynamic_cast<TChartCanvas3D&>(chart.Canvas3D()).Dirty());
    chart.SetRepaintEnabled(false);
    chart.SetMarginLeft(5);
    EXPECT_EQ(rig.host.Invalidations(), before + 5);
}

TEST(ChartLifetime, SeriesAreFreedFromTheFrontDetachedFirst) {
    std::vector<std::string> events;
    auto host = std::make_unique<ui::HeadlessWindowHost>();
    auto chart = std::make_unique<TChart>(host.get());
    TChartSeries kept; // owned here: the chart only lets it go
    for (const char* name : {"A", "B"}) {
        TChartSeries* s = chart->AddSeries(std::make_unique<TChartSeries>());
        s->SetName(name);
        s->AddPoint(1, 1, "", clDefault);
        s->OnClearValues = [&events, s](TChartSeries*) {
            events.push_back(s->Name() + (s->ParentChart() ? " attached" : " detached"));
        };
    }
    kept.SetParentChart(chart.get());
    ASSERT_EQ(chart->SeriesCount(), 3);
    const uint64_t invalidations = host->Invalidations();
    chart.reset();
    EXPECT_EQ(events, (std::vector<std::string>{"A detached", "B detached"}));
    EXPECT_EQ(host->Invalidations(), invalidations);
    EXPECT_EQ(kept.ParentChart(), nullptr);
    kept.AddPoint(2, 2, "", clDefault); // still usable
    EXPECT_EQ(kept.PointCount(), 1);
}

TEST(WindowHost, InvalidationsMergeIntoOnePaint) {
    struct Counter final : ui::WindowClient {
        int paints = 0;
        void PaintWindow(gfx::Bitmap& surface) override {
            ++paints;
            surface.Fill(0x123456);
        }
    } client;
    ui::HeadlessWindowHost host(10, 8);
    host.SetClient(&client);
    host.Update();
    EXPECT_EQ(client.paints, 1); // a new window is invalid
    host.Update();
    EXPECT_EQ(client.paints, 1);
    host.Invalidate();
    host.Invalidate();
    host.Update();
    EXPECT_EQ(client.paints, 2);
    EXPECT_EQ(host.Screen().At(9, 7), 0x123456u);
    host.Expose();
    EXPECT_EQ(client.paints, 3);
    host.SetBounds({16, 56, 16 + 817, 56 + 657}, true);
    EXPECT_EQ(host.ClientRect(), (Rect{0, 0, 813, 653}));
    EXPECT_TRUE(host.IsInvalid());
    host.SetBounds({0, 0, 3, 3}, true);
    EXPECT_EQ(host.ClientRect(), (Rect{0, 0, 0, 0}));
}

} // namespace
} // namespace vemora
