#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "series/chart_series.h"

#include <gtest/gtest.h>
#include <vector>

namespace vemora {
namespace {

struct Rig {
    Rig() {
        chart.SetBounds(0, 0, 500, 400);
        for (int i = 0; i < 4; ++i)
            chart.SetMargin(i, 0);
    }
    TChartSeries& Add() { return *chart.AddSeries(std::make_unique<TChartSeries>()); }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
};

// Draws by recording, and keeps the point beyond the edge as a point series does.
class Recorder final : public TChartSeries {
public:
    Recorder() { SetConnectsPoints(true); }
    std::vector<int32_t> drawn;
    bool forward = true;
    void DrawPoint(int32_t index) override { drawn.push_back(index); }
    bool DrawsForward() const override { return forward; }
};

TEST(SeriesAxes, ResolvedFromTheChart) {
    Rig rig;
    TChart& chart = rig.chart;
    TChartSeries loose;
    EXPECT_EQ(loose.GetHorizAxis(), nullptr);
    EXPECT_EQ(loose.GetVertAxis(), nullptr);
    TChartSeries& s = rig.Add();
    EXPECT_EQ(s.GetHorizAxis(), &chart.BottomAxis());
    EXPECT_EQ(s.GetVertAxis(), &chart.LeftAxis());
    s.SetHorizAxis(THorizAxis::aTopAxis);
    s.SetVertAxis(TVertAxis::aRightAxis);
    EXPECT_EQ(s.GetHorizAxis(), &chart.TopAxis());
    EXPECT_EQ(s.GetVertAxis(), &chart.RightAxis());
    EXPECT_FALSE(s.IsOnAxis(&chart.BottomAxis()));
    s.SetHorizAxis(THorizAxis::aBothHorizAxis);
    EXPECT_EQ(s.GetHorizAxis(), &chart.BottomAxis());
    EXPECT_TRUE(s.IsOnAxis(&chart.TopAxis()));
    EXPECT_FALSE(s.IsOnAxis(&chart.LeftAxis()));
    // A custom axis is used once one is given; until then the standard one stays.
    s.SetHorizAxis(THorizAxis::aCustomHorizAxis);
    EXPECT_EQ(s.GetHorizAxis(), &chart.BottomAxis());
    {
        TChartAxis custom(&chart);
        custom.SetRole(true, false, false, 0);
        s.SetCustomHorizAxis(&custom);
        EXPECT_EQ(s.GetHorizAxis(), &custom);
        EXPECT_EQ(chart.Axes().size(), 6u);
    }
    // An axis that goes away leaves no dangling reference.
    EXPECT_EQ(s.CustomHorizAxis(), nullptr);
    EXPECT_EQ(s.GetHorizAxis(), &chart.BottomAxis());
    EXPECT_EQ(chart.Axes().size(), 5u);
}

TEST(SeriesAxes, PixelsComeFromTheAxes) {
    Rig rig;
    TChartSeries& s = rig.Add();
    s.AddPoint(0, 0, "", clDefault);
    s.AddPoint(10, 100, "", clDefault);
    s.AddPoint(5, 25, "", clDefault);
    rig.chart.ComputeLayout();
    const TChartAxis& bottom = rig.chart.BottomAxis();
    const TChartAxis& left = rig.chart.LeftAxis();
    EXPECT_EQ(s.XPixel(0), bottom.StartPixel());
    EXPECT_EQ(s.XPixel(2), bottom.EndPixel());
    EXPECT_EQ(s.YPixel(2), left.StartPixel());
    EXPECT_EQ(s.XPixel(1), bottom.ValueToPixelX(5));
    EXPECT_EQ(s.YPixel(1), left.ValueToPixelY(25));
}

TEST(SeriesAxes, MovingBetweenChartsMovesTheListEntry) {
    Rig a;
    Rig b;
    TChartSeries s;
    s.SetParentChart(&a.chart);
    EXPECT_EQ(a.chart.SeriesList(), (TChartSeriesList{&s}));
    s.SetParentChart(&b.chart);
    EXPECT_TRUE(a.chart.SeriesList().empty());
    EXPECT_EQ(b.chart.SeriesList(), (TChartSeriesList{&s}));
    EXPECT_EQ(s.GetHorizAxis(), &b.chart.BottomAxis());
    s.SetParentChart(nullptr);
    EXPECT_TRUE(b.chart.SeriesList().empty());
    EXPECT_EQ(s.GetVertAxis(), nullptr);
}

TEST(ShownRange, KeepsThePointBeyondTheFarEdge) {
    Rig rig;
    Recorder& s = *static_cast<Recorder*>(rig.chart.AddSeries(std::make_unique<Recorder>()));
    for (int x = 1; x <= 10; ++x)
        s.AddPoint(x, x, "", clDefault);
    rig.chart.BottomAxis().SetRange(3.5, 7.5);
    rig.chart.ComputeLayout();
    s.FindShownRange();
    EXPECT_EQ(s.FirstShown(), 3); // X 4
    EXPECT_EQ(s.LastShown(), 7);  // X 8, the first at or beyond 7.5
    s.DrawAllPoints();
    EXPECT_EQ(s.drawn, (std::vector<int32_t>{3, 4, 5, 6, 7}));
    s.drawn.clear();
    s.forward = false;
    s.DrawAllPoints();
    EXPECT_EQ(s.drawn, (std::vector<int32_t>{7, 6, 5, 4, 3}));

    // A series that does not connect its points stops at the last point inside.
    TChartSeries& plain = rig.Add();
    for (int x = 1; x <= 10; ++x)
        plain.AddPoint(x, x, "", clDefault);
    plain.FindShownRange();
    EXPECT_EQ(plain.FirstShown(), 3);
    EXPECT_EQ(plain.LastShown(), 6);

    // The whole series when the range is not clipped or the list is not ordered.
    s.SetClipToAxisRange(false);
    s.FindShownRange();
    EXPECT_EQ(s.LastShown() - s.FirstShown(), 9);
    s.SetClipToAxisRange(true);
    s.XValues().SetOrder(TChartListOrder::loNone);
    s.FindShownRange();
    EXPECT_EQ(s.FirstShown(), 0);
    s.XValues().SetOrder(TChartListOrder::loAscending);

    // Everything below the range: nothing to draw.
    rig.chart.BottomAxis().SetRange(20, 30);
    rig.chart.ComputeLayout();
    s.FindShownRange();
    EXPECT_EQ(s.FirstShown(), -1);
    EXPECT_EQ(s.LastShown(), -1);
    s.drawn.clear();
    s.DrawAllPoints();
    EXPECT_TRUE(s.drawn.empty());

    // The whole range inside: up to the last point.
    rig.chart.BottomAxis().SetRange(0, 30);
    rig.chart.ComputeLayout();
    s.FindShownRange();
    EXPECT_EQ(s.FirstShown(), 0);
    EXPECT_EQ(s.LastShown(), 9);

    // On an inverted axis the edges swap.
    rig.chart.BottomAxis().SetRange(3.5, 7.5);
    rig.chart.BottomAxis().SetInverted(true);
    rig.chart.ComputeLayout();
    s.FindShownRange();
    EXPECT_EQ(s.FirstShown(), 3);
    EXPECT_EQ(s.LastShown(), 7);

    TChartSeries empty;
    empty.FindShownRange();
    EXPECT_EQ(empty.FirstShown(), -1);
}

TEST(ZOrder, SharedSlotsAndTheFirstOfASlot) {
    Rig rig;
    TChartSeries& a = rig.Add();
    TChartSeries& b = rig.Add();
    rig.chart.AssignZOrders();
    EXPECT_FALSE(a.SharesZOrder());
    EXPECT_TRUE(a.FirstInZOrder());
    a.SetZOrder(1);
    b.SetZOrder(1);
    EXPECT_TRUE(a.SharesZOrder());
    EXPECT_TRUE(b.SharesZOrder());
    EXPECT_TRUE(a.FirstInZOrder());
    EXPECT_FALSE(b.FirstInZOrder());
    b.SetActive(false);
    EXPECT_FALSE(a.SharesZOrder());
    EXPECT_FALSE(b.FirstInZOrder());
    b.SetActive(true);
    rig.chart.SetUseZOrder(false);
    EXPECT_FALSE(a.SharesZOrder());
}

} // namespace
} // namespace vemora
