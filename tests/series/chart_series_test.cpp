#include "chart/chart.h"
#include "platform/numeric/exceptions.h"
#include "platform/ui/headless_window_host.h"
#include "series/chart_series.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace vemora {
namespace {

// A chart in a window without a screen, counting the repaint requests that reach the
// window after a series was attached.
class CountingChart {
public:
    void Attach(TChartSeries& series) {
        series.SetParentChart(&chart_);
        base_ = host_.Invalidations();
    }
    int Invalidations() const { return static_cast<int>(host_.Invalidations() - base_); }

private:
    ui::HeadlessWindowHost host_{64, 64};
    TChart chart_{&host_};
    uint64_t base_ = 0;
};

struct Point {
    double x, y;
    bool operator==(const Point&) const = default;
};

std::vector<Point> PointsOf(const TChartSeries& s) {
    std::vector<Point> p;
    for (int32_t i = 0; i < s.PointCount(); ++i) {
        p.push_back({s.XAt(i), s.YAt(i)});
    }
    return p;
}

TEST(ChartSeries, AddPointInsertsInXOrderAndReportsTheIndex) {
    TChartSeries s;
    std::vector<int32_t> seen;
    std::vector<int32_t> countAtEvent;
    s.OnAfterAdd = [&](TChartSeries* sender, int32_t index) {
        EXPECT_EQ(sender, &s);
        seen.push_back(index);
        countAtEvent.push_back(sender->PointCount());
    };
    EXPECT_EQ(s.AddPoint(3, 30, "", clDefault), 0);
    EXPECT_EQ(s.AddPoint(1, 10, "", clDefault), 0);
    EXPECT_EQ(s.AddPoint(2, 20, "", clDefault), 1);
    EXPECT_EQ(PointsOf(s), (std::vector<Point>{{1, 10}, {2, 20}, {3, 30}}));
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(countAtEvent, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(s.MinX(), 1);
    EXPECT_EQ(s.MaxY(), 30);
}

TEST(ChartSeries, CompanionDataMovesWithTheXValue) {
    TChartSeries s;
    s.AddPoint(5, 50, "five", clRed);
    s.AddPoint(1, 10, "", clBlue);
    s.AddPoint(5, 51, "five again", clLime); // equal X: after the first
    s.AddPoint(3, 30, "three", clNone);
    EXPECT_EQ(PointsOf(s), (std::vector<Point>{{1, 10}, {3, 30}, {5, 50}, {5, 51}}));
    EXPECT_EQ(s.LabelAt(0), "");
    EXPECT_EQ(s.LabelAt(1), "three");
    EXPECT_EQ(s.LabelAt(2), "five");
    EXPECT_EQ(s.LabelAt(3), "five again");
    EXPECT_EQ(s.LabelAt(99), "");
    EXPECT_EQ(s.PointColor(0), clBlue);
    EXPECT_TRUE(s.IsNullPoint(1));
    EXPECT_EQ(s.PointColor(2), clRed);
    EXPECT_EQ(s.PointColor(3), clLime);
}

TEST(ChartSeries, RandomInsertionsMatchAStableSort) {
    TChartSeries s;
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> value(0, 50);
    std::vector<Point> expected;
    for (int i = 0; i < 2000; ++i) {
        const Point p{static_cast<double>(value(rng)), static_cast<double>(i)};
        s.AddPoint(p.x, p.y, "", clDefault);
        expected.push_back(p);
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Point& a, const Point& b) { return a.x < b.x; });
    EXPECT_EQ(PointsOf(s), expected);
}

TEST(ChartSeries, PointColorRules) {
    TChartSeries s;
    s.SetSeriesColor(clRed);
    s.AddPoint(0, 0, "", clDefault);
    s.AddPoint(1, 0, "", clDefault);
    s.AddPoint(2, 0, "", clNone);
    EXPECT_EQ(s.PointColor(0), clRed);
    EXPECT_EQ(s.PointColor(1), clRed);
    EXPECT_TRUE(s.IsNullPoint(2));
    EXPECT_EQ(s.PointColor(5), clRed); // beyond the colour list
    EXPECT_EQ(s.PointColor(-1), clRed);
    s.SetColorEachPoint(true);
    EXPECT_EQ(s.PointColor(0), PaletteColor(0));
    EXPECT_EQ(s.PointColor(1), clGreen);
    EXPECT_TRUE(s.IsNullPoint(2));
    // Switching it off resets every stored colour to the series colour.
    s.SetColorEachPoint(false);
    EXPECT_EQ(s.PointColor(2), clRed);
    s.SetPointColor(1, clYellow);
    EXPECT_EQ(s.PointColor(1), clYellow);
    EXPECT_THROW(s.SetPointColor(3, clYellow), EListError);
}

TEST(ChartSeries, ManyPointsKeepTheirColoursAndLabels) {
    // Enough points for many blocks; labels only from the 1000th point on, so that the
    // first label finds points without any before it.
    struct Model {
        double x;
        std::string label;
        TColor color;
    };
    TChartSeries s;
    s.SetSeriesColor(clRed);
    std::vector<Model> want;
    std::mt19937 rng(3);
    const auto check = [&](const TChartSeries& series, const char* when) {
        ASSERT_EQ(series.PointCount(), static_cast<int32_t>(want.size())) << when;
        for (int32_t i = 0; i < series.PointCount(); ++i) {
            const Model& m = want[size_t(i)];
            ASSERT_EQ(series.XAt(i), m.x) << when << ", point " << i;
            ASSERT_EQ(series.LabelAt(i), m.label) << when << ", point " << i;
            ASSERT_EQ(series.PointColor(i), m.color == clDefault ? clRed : m.color)
                << when << ", point " << i;
        }
    };
    for (int i = 0; i < 3000; ++i) {
        const auto x = static_cast<double>(rng() % 300);
        std::string label = i >= 1000 && i % 3 == 0 ? "p" + std::to_string(i) : "";
        const TColor color = i % 5 == 0 ? static_cast<TColor>(i) : clDefault;
        const auto at = std::upper_bound(want.begin(), want.end(), x,
                                         [](double v, const Model& m) { return v < m.x; });
        ASSERT_EQ(s.AddPoint(x, i, label, color), at - want.begin());
        want.insert(at, {x, std::move(label), color});
        if (i == 999) {
            check(s, "before the first label");
        }
    }
    check(s, "after adding");
    for (int i = 0; i < 500; ++i) {
        const auto n = static_cast<uint32_t>(want.size());
        const auto a = static_cast<int32_t>(rng() % n), b = static_cast<int32_t>(rng() % n);
        if (i % 2 == 0) {
            s.DeletePoint(a);
            want.erase(want.begin() + a);
        } else {
            s.SwapPoints(a, b);
            std::swap(want[size_t(a)], want[size_t(b)]);
        }
    }
    check(s, "after deleting and swapping");

    TChartSeries copy;
    copy.SetSeriesColor(clRed);
    copy.XValues().SetOrder(TChartListOrder::loNone); // swapped points keep their places
    copy.RefillFromSource(&s);
    check(copy, "in a series filled from it");

    s.SetColorEachPoint(true);
    s.SetColorEachPoint(false); // every stored colour back to the default
    for (Model& m : want) {
        m.color = clDefault;
    }
    check(s, "after the colours were reset");
    s.ClearPoints();
    EXPECT_EQ(s.LabelAt(0), "");
    EXPECT_EQ(s.PointColor(0), clRed);
    EXPECT_THROW(s.SetPointColor(0, clBlue), EListError);
}

TEST(ChartSeries, BeforeAddCanRefuseOrChangeTheStagedValues) {
    TChartSeries s;
    int afterAdds = 0;
    s.OnAfterAdd = [&](TChartSeries*, int32_t) { ++afterAdds; };
    s.OnBeforeAdd = [](TChartSeries*) { return false; };
    EXPECT_EQ(s.AddPoint(1, 2, "x", clDefault), -1);
    EXPECT_EQ(s.PointCount(), 0);
    EXPECT_EQ(afterAdds, 0);
    s.OnBeforeAdd = [](TChartSeries* sender) {
        sender->XValues().SetPendingValue(sender->XValues().PendingValue() * 10);
        return true;
    };
    s.AddPoint(1, 2, "", clDefault);
    EXPECT_EQ(s.XAt(0), 10);
    EXPECT_EQ(afterAdds, 1);
}

TEST(ChartSeries, RepaintRequestsGoToTheChartOnlyOnChange) {
    CountingChart chart;
    TChartSeries s;
    s.AddPoint(1, 1, "", clDefault); // no chart: nothing to tell
    chart.Attach(s);
    s.AddPoint(2, 2, "", clDefault);
    EXPECT_EQ(chart.Invalidations(), 1);
    s.SetSeriesColor(clRed);
    s.SetSeriesColor(clRed);
    EXPECT_EQ(chart.Invalidations(), 2);
    s.XValues().SetMultiplier(2);
    s.XValues().SetMultiplier(2);
    EXPECT_EQ(chart.Invalidations(), 3);
    s.XValues().SetDateTime(false);
    EXPECT_EQ(chart.Invalidations(), 3);
    s.XValues().SetOrder(TChartListOrder::loNone);
    s.XValues().SetValueAt(0, 5);
    EXPECT_EQ(chart.Invalidations(), 3);
    s.SetActive(false);
    EXPECT_EQ(chart.Invalidations(), 4);
    // An inactive series adds without asking for a repaint.
    s.AddPoint(3, 3, "", clDefault);
    EXPECT_EQ(chart.Invalidations(), 4);
    s.SetParentChart(nullptr);
}

TEST(ChartSeries, AfterAddRunsBeforeTheRepaintRequest) {
    CountingChart chart;
    TChartSeries s;
    chart.Attach(s);
    int invalidationsSeen = -1;
    s.OnAfterAdd = [&](TChartSeries*, int32_t) { invalidationsSeen = chart.Invalidations(); };
    s.AddPoint(1, 1, "", clDefault);
    EXPECT_EQ(invalidationsSeen, 0);
    EXPECT_EQ(chart.Invalidations(), 1);
    s.SetParentChart(nullptr);
}

TEST(ChartSeries, AfterAddFailureKeepsThePointButSkipsTheRepaint) {
    CountingChart chart;
    TChartSeries s;
    chart.Attach(s);
    s.OnAfterAdd = [](TChartSeries*, int32_t) { throw Exception("boom"); };
    EXPECT_THROW(s.AddPoint(1, 1, "label", clDefault), Exception);
    EXPECT_EQ(s.PointCount(), 1);
    EXPECT_EQ(s.LabelAt(0), "label");
    EXPECT_EQ(chart.Invalidations(), 0);
    s.SetParentChart(nullptr);
}

TEST(ChartSeries, ClearPointsEmptiesEverythingAndNotifies) {
    CountingChart chart;
    TChartSeries s;
    int clears = 0;
    s.OnClearValues = [&](TChartSeries*) {
        ++clears;
        EXPECT_EQ(s.PointCount(), 0);
    };
    s.ClearPoints(); // no chart: the event fires all the same
    EXPECT_EQ(clears, 1);
    chart.Attach(s);
    s.ClearPoints(); // an empty series still notifies and repaints
    EXPECT_EQ(clears, 2);
    EXPECT_EQ(chart.Invalidations(), 1);
    s.AddPoint(1, 1, "a", clBlue);
    s.ClearPoints();
    EXPECT_EQ(s.PointCount(), 0);
    EXPECT_EQ(s.YValues().ValueCount(), 0);
    EXPECT_EQ(s.LabelAt(0), "");
    EXPECT_EQ(s.PointColor(0), s.SeriesColor());
    EXPECT_EQ(s.MaxX(), 0);
    s.SetParentChart(nullptr);
}

TEST(ChartSeries, DeleteAndSwapMoveWholePoints) {
    CountingChart chart;
    TChartSeries s;
    s.AddPoint(1, 10, "one", clRed);
    s.AddPoint(2, 20, "two", clBlue);
    s.AddPoint(3, 30, "three", clLime);
    chart.Attach(s);
    s.DeletePoint(1);
    EXPECT_EQ(PointsOf(s), (std::vector<Point>{{1, 10}, {3, 30}}));
    EXPECT_EQ(s.LabelAt(1), "three");
    EXPECT_EQ(s.PointColor(1), clLime);
    EXPECT_EQ(chart.Invalidations(), 1);
    EXPECT_THROW(s.DeletePoint(2), EListError);
    s.SwapPoints(0, 1);
    EXPECT_EQ(PointsOf(s), (std::vector<Point>{{3, 30}, {1, 10}}));
    EXPECT_EQ(s.LabelAt(0), "three");
    EXPECT_EQ(s.PointColor(1), clRed);
    EXPECT_THROW(s.XAt(2), EListError);
    EXPECT_THROW(s.YAt(-1), EListError);
    s.SetParentChart(nullptr);
}

TEST(ChartSeries, SortByOrderRestoresXOrderOfWholePoints) {
    TChartSeries s;
    s.XValues().SetOrder(TChartListOrder::loNone);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> value(-100, 100);
    for (int i = 0; i < 500; ++i) {
        const double x = value(rng);
        s.AddPoint(x, -x, "", clDefault);
    }
    s.XValues().SetOrder(TChartListOrder::loDescending);
    s.XValues().SortByOrder();
    for (int32_t i = 0; i < s.PointCount(); ++i) {
        ASSERT_EQ(s.YAt(i), -s.XAt(i));
        if (i > 0) {
            ASSERT_GE(s.XAt(i - 1), s.XAt(i));
        }
    }
}

TEST(ChartSeries, SetXValuesCopiesSettingsOnly) {
    CountingChart chart;
    TChartSeries s;
    chart.Attach(s);
    s.AddPoint(1, 1, "", clDefault);
    TChartValueList settings(nullptr, "Other");
    settings.SetMultiplier(4);
    s.SetXValues(settings);
    EXPECT_EQ(s.XValues().Name(), "X");
    EXPECT_EQ(s.XAt(0), 4);
    EXPECT_EQ(s.XValues().Order(), TChartListOrder::loNone);
    EXPECT_GE(chart.Invalidations(), 2);
    s.SetParentChart(nullptr);
}

TEST(ChartSeries, LinkedSeriesFollowTheirSource) {
    TChartSeries source;
    auto linked = std::make_unique<TChartSeries>();
    source.AddLinkedSeries(linked.get());
    source.AddPoint(2, 20, "b", clDefault);
    source.AddPoint(1, 10, "a", clDefault);
    EXPECT_EQ(PointsOf(*linked), PointsOf(source));
    source.DeletePoint(0);
    EXPECT_EQ(PointsOf(*linked), (std::vector<Point>{{2, 20}}));
    linked->SetRecalcOption(TSeriesRecalcOption::rOnClear, false);
    EXPECT_FALSE(linked->HasRecalcOption(TSeriesRecalcOption::rOnClear));
    source.ClearPoints();
    EXPECT_EQ(linked->PointCount(), 1);
    // Destroying the linked series unlinks it from its source.
    linked.reset();
    EXPECT_TRUE(source.LinkedSeries().empty());
    EXPECT_NO_THROW(source.AddPoint(5, 5, "", clDefault));
}

TEST(ChartSeries, DestructionClearsAndFiresTheClearEvent) {
    int clears = 0;
    {
        TChartSeries s;
        s.OnClearValues = [&](TChartSeries*) { ++clears; };
        s.AddPoint(1, 1, "x", clDefault);
    }
    EXPECT_EQ(clears, 1);
}

// The log of a series' point edits, which frames follow to redraw only what changed:
// every change counts in the version; the series' own operations are logged in order; a
// change made some other way, or too many to keep, leaves the log unable to tell.
TEST(ChartSeries, EditLogAccountsForEveryChangeOrSaysItCannot) {
    using K = TPointEdit::TKind;
    TChartSeries s;
    for (int i = 0; i < 5; ++i)
        s.AddPoint(i, i, "", clDefault);
    s.ForgetEdits();
    const uint64_t start = s.PointsVersion();
    ASSERT_TRUE(s.EditsSince(start).has_value());
    EXPECT_TRUE(s.EditsSince(start)->empty());
    s.AddPoint(2.5, 9, "", clDefault); // into the middle, at index 3
    s.AddPoint(-1, 0, "", clDefault);  // at the front
    s.DeletePoint(6);                  // the last
    s.SetPointColor(1, clBlue);
    s.YValues().SetValueAt(2, 42);
    auto edits = s.EditsSince(start);
    ASSERT_TRUE(edits.has_value());
    EXPECT_EQ(std::vector<TPointEdit>(edits->begin(), edits->end()),
              (std::vector<TPointEdit>{
                  {K::Insert, 3}, {K::Insert, 0}, {K::Erase, 6}, {K::Change, 1}, {K::Change, 2}}));
    // From a version in the middle of the log: the edits after it.
    const uint64_t middle = s.PointsVersion();
    s.DeletePoint(0);
    edits = s.EditsSince(middle);
    ASSERT_TRUE(edits.has_value());
    EXPECT_EQ(std::vector<TPointEdit>(edits->begin(), edits->end()),
              (std::vector<TPointEdit>{{K::Erase, 0}}));
    // A version no edit starts from: unknown.
    EXPECT_FALSE(s.EditsSince(start + 12345).has_value());
    // A change the log does not see breaks the chain from before it.
    const uint64_t before = s.PointsVersion();
    s.YValues().SwapValues(0, 1);
    EXPECT_NE(s.PointsVersion(), before);
    EXPECT_FALSE(s.EditsSince(start).has_value());
    // Taken: the log starts again.
    s.ForgetEdits();
    const uint64_t now = s.PointsVersion();
    ASSERT_TRUE(s.EditsSince(now).has_value());
    EXPECT_TRUE(s.EditsSince(now)->empty());
    // More edits than the log keeps: unknown, until it is taken.
    for (int i = 0; i < 5000; ++i)
        s.AddPoint(100 + i, 0, "", clDefault);
    EXPECT_FALSE(s.EditsSince(now).has_value());
    s.ForgetEdits();
    EXPECT_TRUE(s.EditsSince(s.PointsVersion()).has_value());
}

} // namespace
} // namespace vemora
