// The owner of what a frame redraws, on its own: given the next frame's layout and the
// series' edits, where the picture may differ and how each marker moved, checked against
// the axes' own mapping of every point.
#include "app/main_chart.h"
#include "chart/frame_damage.h"
#include "platform/gfx/region.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace vemora {
namespace {

using gfx::Rect;

bool Inside(const Rect& r, const std::vector<Rect>& rects) {
    for (const Rect& c : rects) {
        if (c.Left <= r.Left && c.Top <= r.Top && r.Right <= c.Right && r.Bottom <= c.Bottom)
            return true;
    }
    return false;
}

class Rig {
public:
    explicit Rig(int n) : series_(BuildChart1(chart_)) {
        series_.ClearPoints();
        std::mt19937 random(3);
        std::uniform_real_distribution<double> v(0, 100);
        for (int i = 0; i < n; ++i)
            series_.AddPoint(i * 100.0 / std::max(n - 1, 1), v(random), "", clDefault);
        host_.Update();
        const TFrameDamage first = Plan();
        EXPECT_TRUE(first.Whole);
    }

    TFrameDamage Plan() {
        chart_.ComputeLayout();
        TChartSeries* s = &series_;
        return tracker_.Plan(chart_.FrameLayout(), std::span(&s, 1));
    }
    // Where each point's marker goes by the axes as they are laid out now.
    std::vector<gfx::Point> Pixels() {
        chart_.ComputeLayout();
        std::vector<gfx::Point> pixels;
        for (int32_t i = 0; i < series_.PointCount(); ++i)
            pixels.push_back({chart_.BottomAxis().ValueToPixelX(series_.XValues().ValueAt(i)),
                              chart_.LeftAxis().ValueToPixelY(series_.YValues().ValueAt(i))});
        return pixels;
    }
    Rect Footprint(gfx::Point p, TColor color) {
        Rect reach;
        EXPECT_TRUE(series_.MarkerReach(color, reach));
        return {reach.Left + p.X, reach.Top + p.Y, reach.Right + p.X, reach.Bottom + p.Y};
    }
    TPointSeries& Series() { return series_; }
    TChart& Chart() { return chart_; }
    TFrameTracker& Tracker() { return tracker_; }

private:
    ui::HeadlessWindowHost host_{600, 450};
    TChart chart_{&host_};
    TPointSeries& series_;
    TFrameTracker tracker_;
};

TEST(FrameDamage, APointThatMovesNoScaleChangesItsMarkerAlone) {
    Rig rig(40);
    // Among the others (the series keeps its points in X order): its marker alone, but
    // those after it change their order.
    int32_t index = rig.Series().AddPoint(50.5, 50, "", clDefault);
    TFrameDamage d = rig.Plan();
    ASSERT_FALSE(d.Whole);
    gfx::Point p = rig.Pixels()[static_cast<size_t>(index)];
    EXPECT_EQ(d.Rects, std::vector<Rect>{rig.Footprint(p, rig.Series().PointColor(index))});
    EXPECT_TRUE(d.Ground.empty());
    EXPECT_FALSE(d.Moves.Known);
    // At the end: told as the one marker that came.
    index = rig.Series().AddPoint(100, 30, "", clDefault);
    ASSERT_EQ(index, rig.Series().PointCount() - 1);
    d = rig.Plan();
    ASSERT_FALSE(d.Whole);
    p = rig.Pixels()[static_cast<size_t>(index)];
    EXPECT_EQ(d.Rects, std::vector<Rect>{rig.Footprint(p, rig.Series().PointColor(index))});
    ASSERT_TRUE(d.Moves.Known);
    ASSERT_EQ(d.Moves.Moves.size(), 1u);
    const TMarkerMove& m = d.Moves.Moves[0];
    EXPECT_EQ(m.Index, index);
    EXPECT_FALSE(m.Before);
    EXPECT_TRUE(m.After);
    EXPECT_EQ(gfx::Point(m.X1, m.Y1), p);
    // Nothing since: nothing to redraw.
    const TFrameDamage none = rig.Plan();
    EXPECT_FALSE(none.Whole);
    EXPECT_TRUE(none.Rects.empty());
    EXPECT_TRUE(none.Moves.Known && none.Moves.Moves.empty());
}

// A point past the end of a time series stretches the X scale: exactly the markers whose
// pixel changed move, each from its old pixel to its new one, inside the damage.
TEST(FrameDamage, AScaleThatChangesMovesTheMarkersWhosePixelsChanged) {
    for (const int n : {300, 3000}) {
        SCOPED_TRACE(n);
        Rig rig(n);
        for (int step = 1; step <= 3; ++step) {
            const std::vector<gfx::Point> before = rig.Pixels();
            rig.Series().AddPoint(100 + step * 0.2, 50, "", clDefault);
            const TFrameDamage d = rig.Plan();
            ASSERT_FALSE(d.Whole);
            ASSERT_TRUE(d.Moves.Known);
            const std::vector<gfx::Point> after = rig.Pixels();
            std::map<int32_t, const TMarkerMove*> moved;
            for (const TMarkerMove& m : d.Moves.Moves)
                moved[m.Index] = &m;
            const int32_t added = rig.Series().PointCount() - 1;
            ASSERT_TRUE(moved.count(added));
            size_t changed = 0;
            for (int32_t i = 0; i < added; ++i) {
                const size_t k = static_cast<size_t>(i);
                const bool differs = !(before[k] == after[k]);
                ASSERT_EQ(moved.count(i) == 1, differs) << "point " << i;
                if (!differs)
                    continue;
                ++changed;
                const TMarkerMove& m = *moved[i];
                EXPECT_TRUE(m.Before && m.After);
                EXPECT_EQ(gfx::Point(m.X0, m.Y0), before[k]);
                EXPECT_EQ(gfx::Point(m.X1, m.Y1), after[k]);
                const TColor c = rig.Series().PointColor(i);
                EXPECT_TRUE(Inside(rig.Footprint(before[k], c), d.Rects));
                EXPECT_TRUE(Inside(rig.Footprint(after[k], c), d.Rects));
            }
            // A small stretch moves some markers, not all.
            EXPECT_GT(changed, 0u);
            EXPECT_LT(changed, static_cast<size_t>(added));
            for (const Rect& g : d.Ground)
                EXPECT_TRUE(Inside(g, d.Rects));
        }
    }
}

// What the frame draws under the series, item by item: one that only one of two frames
// draws is redrawn where it was or is, and nothing else of the underlay.
TEST(FrameDamage, ChangedLabelsAreTheGroundRedrawn) {
    Rig rig(50);
    const std::vector<TFrameItem> before = rig.Chart().FrameLayout().Items;
    // The bottom axis's labels read otherwise at other places; the plot keeps its size.
    rig.Series().AddPoint(130, 50, "", clDefault);
    const TFrameDamage d = rig.Plan();
    ASSERT_FALSE(d.Whole);
    const std::vector<TFrameItem>& after = rig.Chart().FrameLayout().Items;
    std::vector<Rect> expected;
    for (const TFrameItem& item : before) {
        if (std::find(after.begin(), after.end(), item) == after.end())
            expected.push_back(item.Bounds);
    }
    for (const TFrameItem& item : after) {
        if (std::find(before.begin(), before.end(), item) == before.end())
            expected.push_back(item.Bounds);
    }
    ASSERT_FALSE(expected.empty());
    // Exactly their pixels, an item where it was and a pixel away joined in one rectangle.
    EXPECT_EQ(gfx::Region::FromRects(d.Ground), gfx::Region::FromRects(expected));
    EXPECT_LT(d.Ground.size(), expected.size());
    for (const Rect& g : d.Ground)
        EXPECT_TRUE(Inside(g, d.Rects));
}

// Edits inside the series: a point taken out or recoloured is redrawn where its marker
// was and is; the markers after a point taken from the middle change their order, which
// is not told one by one.
TEST(FrameDamage, EditsInsideTheSeries) {
    Rig rig(60);
    std::vector<gfx::Point> pixels = rig.Pixels();
    rig.Series().SetPointColor(7, clBlue);
    TFrameDamage d = rig.Plan();
    ASSERT_FALSE(d.Whole);
    EXPECT_TRUE(Inside(rig.Footprint(pixels[7], clBlue), d.Rects));
    EXPECT_TRUE(Inside(rig.Footprint(pixels[7], rig.Series().SeriesColor()), d.Rects));
    rig.Series().DeletePoint(20);
    d = rig.Plan();
    ASSERT_FALSE(d.Whole);
    EXPECT_TRUE(Inside(rig.Footprint(pixels[20], rig.Series().SeriesColor()), d.Rects));
    EXPECT_FALSE(d.Moves.Known);
    // The first point taken out: the others keep their order, one index down.
    pixels = rig.Pixels();
    rig.Series().DeletePoint(0);
    d = rig.Plan();
    ASSERT_FALSE(d.Whole);
    ASSERT_TRUE(d.Moves.Known);
    EXPECT_EQ(d.Moves.FrontShift, -1);
    ASSERT_FALSE(d.Moves.Moves.empty());
    const TMarkerMove& gone = d.Moves.Moves.front();
    EXPECT_TRUE(gone.Erased && gone.Before && !gone.After);
    EXPECT_EQ(gfx::Point(gone.X0, gone.Y0), pixels[0]);
}

TEST(FrameDamage, WholeFramesWhenLittleIsKnown) {
    Rig rig(100);
    rig.Tracker().ForgetFrame();
    EXPECT_TRUE(rig.Plan().Whole);
    // A plot of another size.
    rig.Chart().SetBounds(0, 0, 500, 400);
    EXPECT_TRUE(rig.Plan().Whole);
    // Values changed behind the series' back: its points are looked at anew.
    rig.Series().YValues().SetValueAt(3, 99);
    const TFrameDamage d = rig.Plan();
    EXPECT_FALSE(d.Moves.Known);
    // Every marker moved a long way: more than are worth telling one by one.
    Rig many(20000);
    many.Series().AddPoint(300, 50, "", clDefault);
    const TFrameDamage far = many.Plan();
    EXPECT_FALSE(far.Moves.Known);
}

} // namespace
} // namespace vemora
