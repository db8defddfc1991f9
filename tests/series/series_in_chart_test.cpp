#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "series/chart_series.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <utility>
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

// The points inside the plot as found by walking the list from its first point, which is
// what FindShownRange must answer however it gets there.
struct Shown {
    int32_t first, last;
    bool operator==(const Shown&) const = default;
};

Shown WalkedShownRange(const TChartValueList& list, double lo, double hi, bool connects) {
    const int32_t count = list.ValueCount();
    if (count == 0)
        return {-1, -1};
    const int32_t last = count - 1;
    int32_t first = 0;
    while (list.ValueAt(first) < lo) {
        if (++first > last)
            return {-1, -1};
    }
    if (list.LastValue() <= hi)
        return {first, last};
    int32_t lastShown = first;
    while (list.ValueAt(lastShown) < hi) {
        if (++lastShown > last) {
            lastShown = last;
            break;
        }
    }
    if (!connects && list.ValueAt(lastShown) > hi)
        --lastShown;
    return {first, lastShown};
}

struct ShownCase {
    TChartListOrder order;
    double multiplier;
    bool connects;
    bool inverted;
    int spread;    // 0 around both edges, 1 all below, 2 all above, 3 all inside
    bool broken;   // one value changed out of order afterwards
    bool positive; // the plot starts above zero
    uint32_t seed;
};

void CheckShownRange(const ShownCase& c) {
    Rig rig;
    TChartSeries& s = c.connects ? *rig.chart.AddSeries(std::make_unique<Recorder>()) : rig.Add();
    TChartAxis& bottom = rig.chart.BottomAxis();
    bottom.SetRange(c.positive ? 10 : -50, 50);
    bottom.SetInverted(c.inverted);
    rig.chart.LeftAxis().SetRange(0, 10);
    s.XValues().SetOrder(c.order);
    s.AddPoint(0, 1, "", clDefault);
    rig.chart.ComputeLayout();
    const Rect plot = rig.chart.PlotRect();
    const auto edges = [&] {
        return std::pair(bottom.PixelToValue(c.inverted ? plot.Right : plot.Left),
                         bottom.PixelToValue(c.inverted ? plot.Left : plot.Right));
    };
    const auto [lo, hi] = edges();
    s.ClearPoints();

    // Values read through the multiplier land exactly on the edges, just beside them, and
    // in runs of equal values there.
    std::mt19937 random(c.seed);
    const auto below = [&](uint32_t n) { return static_cast<int32_t>(random() % n); };
    const double m = c.multiplier;
    const std::vector<double> edge = {lo,
                                      hi,
                                      std::nextafter(lo, -INFINITY),
                                      std::nextafter(lo, INFINITY),
                                      std::nextafter(hi, -INFINITY),
                                      std::nextafter(hi, INFINITY)};
    const auto pick = [&]() -> double {
        switch (c.spread) {
        case 1:
            return lo - 1 - below(20);
        case 2:
            return hi + 1 + below(20);
        case 3:
            return std::uniform_real_distribution<double>(lo, hi)(random);
        default:
            break;
        }
        if (below(3) == 0)
            return edge[size_t(below(6))];
        // Zeros and infinities: times zero or an infinite multiplier some become NaN.
        if (below(20) == 0)
            return std::array<double, 3>{0.0, INFINITY, -INFINITY}[size_t(below(3))];
        return std::uniform_real_distribution<double>(lo - 20, hi + 20)(random);
    };
    const int32_t count = below(5) == 0 ? 1500 + below(1000) : below(40);
    for (int32_t i = 0; i < count;) {
        const double v = pick();
        for (int32_t k = below(4) == 0 ? below(5) + 1 : 1; k > 0 && i < count; --k, ++i)
            s.AddPoint(std::isfinite(m) && m != 0 ? v / m : v, i, "", clDefault);
    }
    s.XValues().SetMultiplier(m);
    if (c.broken && count > 2)
        s.XValues().SetValueAt(below(uint32_t(count)), pick());
    rig.chart.ComputeLayout();
    ASSERT_EQ(edges(), std::pair(lo, hi)) << "the plot moved";
    s.FindShownRange();
    const Shown want = WalkedShownRange(s.XValues(), lo, hi, c.connects);
    ASSERT_EQ((Shown{s.FirstShown(), s.LastShown()}), want)
        << count << " points, ordered " << s.XValues().IsOrdered();
}

TEST(ShownRange, OrderedListsGiveWhatTheWalkGives) {
    uint32_t seed = 1;
    for (TChartListOrder order : {TChartListOrder::loAscending, TChartListOrder::loDescending}) {
        for (double multiplier : {1.0, 2.0, -1.0, 0.0, double(INFINITY)}) {
            for (int spread = 0; spread < 4; ++spread) {
                // Every mix of the four switches, twice with other data.
                for (int variant = 0; variant < 32; ++variant) {
                    const ShownCase c{.order = order,
                                      .multiplier = multiplier,
                                      .connects = (variant & 1) != 0,
                                      .inverted = (variant & 2) != 0,
                                      .spread = spread,
                                      .broken = (variant & 4) != 0,
                                      .positive = (variant & 8) != 0,
                                      .seed = seed++};
                    SCOPED_TRACE(testing::Message()
                                 << "order " << static_cast<int>(order) << ", multiplier "
                                 << multiplier << ", spread " << spread << ", variant " << variant
                                 << ", seed " << c.seed);
                    CheckShownRange(c);
                    if (HasFatalFailure())
                        return;
                }
            }
        }
    }
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
