// The program's chart under the mouse, driven through its window as the window system
// drives it: the zoom rectangle and its undo, panning, the wheel, what a press hits and
// the events it fires.
#include "app/main_chart.h"
#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"

#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace vemora {
namespace {

using gfx::Bitmap;
using ui::TCursor;
using ui::TMouseButton;
using ui::TShiftKey;
using ui::TShiftState;
using Part = TChartClickedPartStyle;

constexpr TMouseButton kLeft = TMouseButton::mbLeft;
constexpr TMouseButton kRight = TMouseButton::mbRight;

// Counts the mouse notifications the chart passes on to its series.
class ListeningSeries final : public TPointSeries {
public:
    void DoSeriesMouseMove(TShiftState, int32_t, int32_t) override { ++moves; }
    void DoSeriesMouseUp(TMouseButton, TShiftState, int32_t, int32_t) override { ++ups; }
    int moves = 0;
    int ups = 0;
};

// An axis range and how it is scaled.
struct Range {
    bool Automatic, AutomaticMinimum, AutomaticMaximum;
    double Minimum, Maximum;
    bool operator==(const Range&) const = default;
};

Range RangeOf(const TCustomChartAxis& a) {
    return {a.Automatic(), a.AutomaticMinimum(), a.AutomaticMaximum(), a.Minimum(), a.Maximum()};
}

std::ostream& operator<<(std::ostream& out, const Range& r) {
    return out << r.Automatic << r.AutomaticMinimum << r.AutomaticMaximum << " " << r.Minimum
               << ".." << r.Maximum;
}

// The main window's chart with a cloud of points, shown twice so that the layout has
// settled (the first frame sizes the labels without a previous label step); (x, y) is a
// place inside the plot with room to drag, on no marker and no axis.
struct Rig {
    explicit Rig(bool withPoints = true, bool paint = true)
        : series(BuildChart1(chart, std::make_unique<ListeningSeries>())),
          listener(static_cast<ListeningSeries&>(series)) {
        for (int i = 0; withPoints && i < 30; ++i)
            series.AddPoint(i, 10 + (i * 7) % 23, "", clDefault);
        chart.OnZoom = [this](TCustomChartPanel*) { ++zooms; };
        chart.OnUndoZoom = [this](TCustomChartPanel*) { ++undos; };
        chart.OnScroll = [this](TCustomChartPanel*) { ++scrolls; };
        if (paint) {
            host.Update();
            chart.Repaint();
            FindOpenPlace();
        }
        Settle();
    }
    void FindOpenPlace() {
        const Rect plot = chart.PlotRect();
        for (y = plot.Top + 40; y < plot.Bottom - 100; y += 3) {
            for (x = plot.Left + 40; x < plot.Right - 100; x += 3) {
                if (chart.PartAt(x, y).Part == Part::cpChartRect &&
                    chart.PartAt(x + 60, y + 60).Part == Part::cpChartRect)
                    return;
            }
        }
        ADD_FAILURE() << "no open place in the plot";
    }
    void Settle() { invalidations = host.Invalidations(); }
    bool Invalidated() const { return host.Invalidations() != invalidations; }
    void Drag(TMouseButton button, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        host.SendMouseDown(button, {}, x0, y0);
        host.SendMouseMove({}, x1, y1);
        host.SendMouseUp(button, {}, x1, y1);
    }
    // Top, left, right, bottom: the order the ranges are saved in.
    std::vector<Range> SideAxes() const {
        return {RangeOf(chart.TopAxis()), RangeOf(chart.LeftAxis()), RangeOf(chart.RightAxis()),
                RangeOf(chart.BottomAxis())};
    }

    ui::HeadlessWindowHost host;
    TChart chart{&host};
    TPointSeries& series;
    ListeningSeries& listener;
    int32_t x = 0;
    int32_t y = 0;
    uint64_t invalidations = 0;
    int zooms = 0;
    int undos = 0;
    int scrolls = 0;
};

// Whether the pictures differ on the outline of the rectangle, and only there.
bool DiffersByOutline(const Bitmap& a, const Bitmap& b, const Rect& r) {
    for (int32_t y = 0; y < a.Height(); ++y) {
        for (int32_t x = 0; x < a.Width(); ++x) {
            const bool edge = r.Contains(x, y) &&
                              (x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1);
            if ((a.At(x, y) != b.At(x, y)) != edge)
                return false;
        }
    }
    return true;
}

// ---- Zoom rectangle ----

TEST(ChartZoom, ADragDownAndRightBeyondTheThresholdZoomsToTheRectangle) {
    Rig rig;
    TChart& c = rig.chart;
    // The axes without series get ranges of their own, to be zoomed too.
    c.TopAxis().SetRange(0, 1000);
    c.RightAxis().SetRange(-100, 100);
    rig.host.Update();
    rig.Settle();
    const int32_t x = rig.x;
    const int32_t y = rig.y;
    const auto frame = [x, y](const TCustomChartAxis& a) {
        return a.IsHorizontal()
                   ? Range{false, false, false, a.PixelToValue(x), a.PixelToValue(x + 17)}
                   : Range{false, false, false, a.PixelToValue(y + 17), a.PixelToValue(y)};
    };
    const std::vector<Range> expected{frame(c.TopAxis()), frame(c.LeftAxis()), frame(c.RightAxis()),
                                      frame(c.BottomAxis())};
    const std::vector<Range> before = rig.SideAxes();

    rig.Drag(kLeft, x, y, x + 17, y + 17);
    EXPECT_EQ(rig.SideAxes(), expected);
    EXPECT_LT(expected[1].Minimum, expected[1].Maximum);
    EXPECT_TRUE(c.IsZoomed());
    EXPECT_EQ(rig.zooms, 1);
    EXPECT_EQ(rig.undos, 0);
    EXPECT_TRUE(rig.host.IsInvalid());
    EXPECT_FALSE(c.ZoomRecord().Dragging);
    // The ranges from before are kept for the undo.
    EXPECT_FALSE(c.ScalesRestored());
    for (size_t i = 0; i < 4; ++i) {
        const TAxisSavedScales& s = c.SavedScales()[i];
        EXPECT_EQ(
            (Range{s.Automatic, s.AutomaticMinimum, s.AutomaticMaximum, s.Minimum, s.Maximum}),
            before[i]);
    }
}

TEST(ChartZoom, ADragOfSixteenPixelsEitherWayChangesNothing) {
    for (const auto& [w, h] : {std::pair{16, 17}, std::pair{17, 16}, std::pair{-16, -17}}) {
        Rig rig;
        const std::vector<Range> before = rig.SideAxes();
        const Bitmap screen = rig.host.Screen();
        rig.Drag(kLeft, rig.x + 20, rig.y + 20, rig.x + 20 + w, rig.y + 20 + h);
        EXPECT_EQ(rig.SideAxes(), before) << w << "x" << h;
        EXPECT_FALSE(rig.Invalidated());
        EXPECT_FALSE(rig.chart.IsZoomed());
        EXPECT_EQ(rig.zooms + rig.undos, 0);
        EXPECT_TRUE(rig.host.Screen() == screen);
    }
}

TEST(ChartZoom, ADragAnyOtherWayUndoesTheZoomOrJustSaysSo) {
    for (const auto& [dx, dy] : {std::pair{-40, -40}, std::pair{40, -40}, std::pair{-40, 40}}) {
        for (const bool zoomedFirst : {true, false}) {
            Rig rig;
            const int32_t x = rig.x + 50;
            const int32_t y = rig.y + 50;
            const std::vector<Range> before = rig.SideAxes();
            if (zoomedFirst) {
                rig.Drag(kLeft, x - 20, y - 20, x + 10, y + 10);
                rig.host.Update();
            } else {
                rig.chart.SetIsZoomed(true);
            }
            rig.Settle();
            rig.Drag(kLeft, x, y, x + dx, y + dy);
            EXPECT_FALSE(rig.chart.IsZoomed());
            EXPECT_TRUE(rig.chart.ScalesRestored());
            EXPECT_EQ(rig.undos, 1);
            EXPECT_EQ(rig.zooms, zoomedFirst ? 1 : 0);
            EXPECT_TRUE(rig.Invalidated());
            // Automatic again: the next frame fits all points.
            rig.host.Update();
            EXPECT_EQ(rig.SideAxes(), before) << dx << "," << dy;
        }
    }
}

TEST(ChartZoom, ZoomPanAndUndoGiveEveryAxisItsFlagsAndRangeBack) {
    Rig rig;
    TChart& c = rig.chart;
    // One axis set by hand, one with only its upper end set by hand.
    c.RightAxis().SetRange(-5, 5);
    c.TopAxis().SetAutomaticMaximum(false);
    c.TopAxis().SetMaximum(100);
    rig.host.Update();
    const std::vector<Range> before = rig.SideAxes();
    ASSERT_EQ(before[0], (Range{false, true, false, 0, 100}));
    rig.Drag(kLeft, rig.x, rig.y, rig.x + 60, rig.y + 60);
    rig.host.Update();
    rig.Drag(kRight, rig.x + 30, rig.y + 30, rig.x + 10, rig.y + 20);
    rig.host.Update();
    ASSERT_NE(rig.SideAxes(), before);
    rig.Drag(kLeft, rig.x + 60, rig.y + 60, rig.x, rig.y);
    rig.host.Update();
    EXPECT_EQ(rig.SideAxes(), before);
}

TEST(ChartZoom, WithAllowZoomOffALeftDragDoesNothing) {
    Rig rig;
    rig.chart.SetAllowZoom(false);
    const std::vector<Range> before = rig.SideAxes();
    rig.Drag(kLeft, rig.x, rig.y, rig.x + 50, rig.y + 50);
    EXPECT_EQ(rig.SideAxes(), before);
    EXPECT_EQ(rig.host.DirectShows(), 0u);
    EXPECT_FALSE(rig.Invalidated());
    EXPECT_EQ(rig.zooms, 0);
}

TEST(ChartZoom, AnAnimatedZoomPaintsItsStepsAndEndsWhereAPlainOneDoes) {
    Rig plain;
    Rig animated;
    Rig single;
    animated.chart.SetAnimatedZoom(true);
    single.chart.SetAnimatedZoom(true);
    single.chart.SetAnimatedZoomSteps(1);
    std::vector<double> minima;
    animated.chart.OnAfterDraw = [&](TCustomChartPanel*) {
        minima.push_back(animated.chart.LeftAxis().Minimum());
    };
    const double start = plain.chart.LeftAxis().Minimum();
    for (Rig* rig : {&plain, &animated, &single}) {
        const uint64_t paints = rig->host.Paints();
        rig->Drag(kLeft, plain.x, plain.y, plain.x + 50, plain.y + 40);
        EXPECT_EQ(rig->host.Paints() - paints, rig == &animated ? 7u : 0u);
        EXPECT_EQ(rig->SideAxes(), plain.SideAxes());
        EXPECT_EQ(rig->zooms, 1);
    }
    // Each step covers a third of the remaining way.
    const double target = plain.chart.LeftAxis().Minimum();
    double last = start;
    for (double m : minima) {
        EXPECT_DOUBLE_EQ(m, last + (target - last) / 3);
        last = m;
    }
}

TEST(ChartZoom, TheRectangleIsDrawnOnTheWindowAndTakenOffByTheRelease) {
    Rig rig;
    const int32_t x = rig.x;
    const int32_t y = rig.y;
    const Bitmap before = rig.host.Screen();
    const uint64_t paints = rig.host.Paints();
    rig.host.SendMouseDown(kLeft, {}, x, y);
    EXPECT_TRUE(rig.host.Screen() == before); // an empty rectangle at the press point
    rig.host.SendMouseMove({}, x + 30, y + 20);
    EXPECT_TRUE(DiffersByOutline(before, rig.host.Screen(), {x, y, x + 30, y + 20}));
    // The old rectangle goes as the new one comes; the same place again draws nothing.
    rig.host.SendMouseMove({}, x + 60, y + 50);
    const uint64_t shows = rig.host.DirectShows();
    rig.host.SendMouseMove({}, x + 60, y + 50);
    EXPECT_EQ(rig.host.DirectShows(), shows);
    EXPECT_TRUE(DiffersByOutline(before, rig.host.Screen(), {x, y, x + 60, y + 50}));
    // The release zooms, and the window shows the old picture without the rectangle
    // until the chart is painted.
    rig.host.SendMouseUp(kLeft, {}, x + 60, y + 50);
    EXPECT_TRUE(rig.chart.IsZoomed());
    EXPECT_TRUE(rig.host.Screen() == before);
    EXPECT_EQ(rig.host.Paints(), paints);
    EXPECT_EQ(rig.chart.Canvas3D().Pen().Mode(), TPenMode::pmCopy);
}

TEST(ChartZoom, APaintDuringTheDragKeepsTheRectangleWhereItIs) {
    Rig rig;
    const Bitmap before = rig.host.Screen();
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    rig.host.SendMouseMove({}, rig.x + 30, rig.y + 30);
    const Bitmap withFrame = rig.host.Screen();
    // The window is uncovered: the frame is drawn anew, rectangle and all.
    rig.host.Expose();
    EXPECT_TRUE(rig.host.Screen() == withFrame);
    rig.Drag(kLeft, rig.x + 10, rig.y + 40, rig.x + 10, rig.y + 40); // no zoom
    EXPECT_TRUE(rig.host.Screen() == before);
    // The frame that held the rectangle is not copied to the window again.
    rig.host.Expose();
    EXPECT_TRUE(rig.host.Screen() == before);
}

TEST(ChartZoom, LosingTheMouseEndsADragWithoutZoomingAndStopsAPan) {
    Rig rig;
    const Bitmap before = rig.host.Screen();
    const std::vector<Range> ranges = rig.SideAxes();
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    rig.host.SendMouseMove({}, rig.x + 50, rig.y + 50);
    rig.host.SendCancelMode();
    EXPECT_FALSE(rig.chart.ZoomRecord().Dragging);
    EXPECT_TRUE(rig.host.Screen() == before);
    // A release that comes anyway finds nothing to finish.
    rig.host.SendMouseUp(kLeft, {}, rig.x + 50, rig.y + 50);
    EXPECT_TRUE(rig.host.Screen() == before);
    rig.host.SendMouseDown(kRight, {}, rig.x, rig.y);
    rig.host.SendCancelMode();
    rig.host.SendMouseMove({}, rig.x + 20, rig.y);
    EXPECT_EQ(rig.SideAxes(), ranges);
    EXPECT_FALSE(rig.Invalidated());
    EXPECT_EQ(rig.zooms + rig.undos + rig.scrolls, 0);
}

TEST(ChartZoom, TargetsThatAreNotFiniteLeaveTheirAxisAlone) {
    Rig rig;
    const std::vector<Range> before = rig.SideAxes();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    rig.chart.ApplyZoom(nan, 1, 2, 3, 4, 5, -std::numeric_limits<double>::infinity(), 6);
    EXPECT_EQ(rig.SideAxes(),
              (std::vector<Range>{
                  before[0], {false, false, false, 4, 5}, before[2], {false, false, false, 2, 3}}));
}

// ---- Panning ----

TEST(ChartPanning, TheDataMoveWithThePointer) {
    Rig rig;
    TChart& c = rig.chart;
    const int32_t x = rig.x;
    const int32_t y = rig.y;
    const Range bottom = RangeOf(c.BottomAxis());
    const Range left = RangeOf(c.LeftAxis());
    const double dx = c.BottomAxis().PixelToValue(x + 40) - c.BottomAxis().PixelToValue(x);
    const double dy = c.LeftAxis().PixelToValue(y) - c.LeftAxis().PixelToValue(y + 30);
    const Rect plot = c.PlotRect();
    rig.host.SendMouseDown(kRight, {}, x, y);
    rig.host.SendMouseMove({}, x + 20, y + 10);
    rig.host.SendMouseMove({}, x + 40, y + 30);
    EXPECT_EQ(rig.scrolls, 2);
    EXPECT_TRUE(rig.Invalidated());
    // Right and down: the horizontal range goes down, the vertical one up.
    EXPECT_DOUBLE_EQ(c.BottomAxis().Minimum(), bottom.Minimum - dx);
    EXPECT_DOUBLE_EQ(c.BottomAxis().Maximum(), bottom.Maximum - dx);
    EXPECT_DOUBLE_EQ(c.LeftAxis().Minimum(), left.Minimum + dy);
    EXPECT_DOUBLE_EQ(c.LeftAxis().Maximum(), left.Maximum + dy);
    EXPECT_FALSE(c.BottomAxis().Automatic());
    EXPECT_TRUE(c.SavedScale(TSavedAxis::saLeft).Automatic);
    rig.host.SendMouseUp(kRight, {}, x + 40, y + 30);
    EXPECT_FALSE(c.PanningRecord().Dragging);
    // The first pan drops the room automatic axes keep for the markers, so it is the pan
    // of manual axes that moves the points exactly with the pointer.
    rig.host.Update();
    const int32_t px = rig.series.XPixel(12);
    const int32_t py = rig.series.YPixel(12);
    rig.Drag(kRight, x, y, x - 25, y + 15);
    rig.host.Update();
    ASSERT_EQ(c.PlotRect(), plot);
    EXPECT_NEAR(rig.series.XPixel(12), px - 25, 1);
    EXPECT_NEAR(rig.series.YPixel(12), py + 15, 1);
}

TEST(ChartPanning, LeavingThePlotStopsThePanForGood) {
    Rig rig;
    rig.host.SendMouseDown(kRight, {}, rig.x, rig.y);
    rig.host.SendMouseMove({}, rig.x + 5, rig.y);
    rig.host.SendMouseMove({}, rig.chart.PlotRect().Right, rig.y);
    EXPECT_FALSE(rig.chart.PanningRecord().Dragging);
    const std::vector<Range> stopped = rig.SideAxes();
    rig.host.SendMouseMove({}, rig.x + 30, rig.y + 30);
    EXPECT_EQ(rig.SideAxes(), stopped);
    EXPECT_EQ(rig.scrolls, 1);
}

TEST(ChartPanning, HorizontalPanningIgnoresVerticalMoves) {
    Rig rig;
    TChart& c = rig.chart;
    c.SetAllowPanning(TPanningMode::pmHorizontal);
    const std::vector<Range> before = rig.SideAxes();
    rig.host.SendMouseDown(kRight, {}, rig.x, rig.y);
    rig.host.SendMouseMove({}, rig.x, rig.y + 30);
    EXPECT_EQ(rig.SideAxes(), before);
    EXPECT_EQ(rig.scrolls, 0);
    EXPECT_FALSE(rig.Invalidated());
    rig.host.SendMouseMove({}, rig.x + 10, rig.y + 50);
    EXPECT_EQ(rig.scrolls, 1);
    const std::vector<Range> after = rig.SideAxes();
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_NE(after[3], before[3]);
}

TEST(ChartPanning, TheScrollHandlerCanChangeOrRefuseTheNewRange) {
    Rig rig;
    TChart& c = rig.chart;
    const Range bottom = RangeOf(c.BottomAxis());
    const double dy = c.LeftAxis().PixelToValue(rig.y) - c.LeftAxis().PixelToValue(rig.y + 10);
    std::vector<TCustomChartAxis*> asked;
    c.OnAllowScroll = [&](TCustomChartAxis* axis, double& minimum, double& maximum, bool& allow) {
        asked.push_back(axis);
        allow = axis != &c.BottomAxis();
        if (axis == &c.LeftAxis()) {
            EXPECT_DOUBLE_EQ(minimum, c.LeftAxis().Minimum() + dy);
            minimum = -1;
            maximum = 1;
        }
    };
    rig.host.SendMouseDown(kRight, {}, rig.x, rig.y);
    rig.host.SendMouseMove({}, rig.x + 10, rig.y + 10);
    EXPECT_EQ(asked, (std::vector<TCustomChartAxis*>{&c.BottomAxis(), &c.TopAxis(), &c.LeftAxis(),
                                                     &c.RightAxis()}));
    EXPECT_EQ(RangeOf(c.BottomAxis()), bottom);
    EXPECT_EQ(RangeOf(c.LeftAxis()), (Range{false, false, false, -1, 1}));
    EXPECT_EQ(rig.scrolls, 1); // refused or not, the pan moved
}

TEST(ChartPanning, AScrollHandlerMayDestroyAnAxis) {
    Rig rig;
    TChart& c = rig.chart;
    // Custom axes of both orientations, placed by a frame and with ranges to move.
    auto wide = std::make_unique<TChartAxis>(&c);
    wide->SetRole(true, false, false, 0);
    wide->SetRange(0, 10);
    auto tall = std::make_unique<TChartAxis>(&c);
    tall->SetRange(0, 10);
    rig.host.Update();
    c.Repaint();
    ASSERT_GT(wide->PixelLength(), 0);
    std::vector<TCustomChartAxis*> asked;
    // Asked about the custom horizontal axis, the handler destroys it, and the vertical one
    // as well while asked about the left axis.
    c.OnAllowScroll = [&](TCustomChartAxis* axis, double&, double&, bool& allow) {
        asked.push_back(axis);
        allow = true;
        if (axis == wide.get())
            wide.reset();
        if (axis == &c.LeftAxis())
            tall.reset();
    };
    const Range left = RangeOf(c.LeftAxis());
    rig.host.SendMouseDown(kRight, {}, rig.x, rig.y);
    rig.host.SendMouseMove({}, rig.x + 10, rig.y + 10);
    rig.host.SendMouseUp(kRight, {}, rig.x + 10, rig.y + 10);
    EXPECT_EQ(asked.size(), 5u); // bottom, top, the custom one; left, right
    EXPECT_EQ(c.Axes().size(), 5u);
    EXPECT_NE(RangeOf(c.LeftAxis()), left);
    rig.host.Update();
}

// ---- Wheel ----

TEST(ChartWheel, ANotchScrollsTheVerticalAxesByThreePercent) {
    Rig rig;
    TChart& c = rig.chart;
    c.LeftAxis().SetRange(0, 50);
    rig.host.Update();
    const Range bottom = RangeOf(c.BottomAxis());
    rig.host.SendWheel(-ui::kWheelDelta, {}, 100, 100);
    EXPECT_EQ(RangeOf(c.LeftAxis()), (Range{false, false, false, 1.5, 51.5}));
    // An automatic vertical axis turns manual, unless it has no range to scroll, as the
    // right one without series; the horizontal ones stay as they were.
    EXPECT_TRUE(c.RightAxis().Automatic());
    EXPECT_EQ(c.RightAxis().Minimum(), c.RightAxis().Maximum());
    EXPECT_EQ(RangeOf(c.BottomAxis()), bottom);
    EXPECT_TRUE(c.TopAxis().Automatic());
    EXPECT_FALSE(rig.host.IsInvalid()); // each shift is painted at once
    rig.host.SendWheel(2 * ui::kWheelDelta, {}, 100, 100);
    EXPECT_DOUBLE_EQ(c.LeftAxis().Minimum(), -1.5);
    EXPECT_DOUBLE_EQ(c.LeftAxis().Maximum(), 48.5);
}

TEST(ChartWheel, AScrollIsUndoneLikeAPan) {
    Rig rig;
    TChart& c = rig.chart;
    const std::vector<Range> fitted = rig.SideAxes();
    rig.host.SendWheel(-ui::kWheelDelta, {}, rig.x, rig.y);
    rig.host.SendWheel(-ui::kWheelDelta, {}, rig.x, rig.y);
    ASSERT_FALSE(c.LeftAxis().Automatic());
    EXPECT_FALSE(c.ScalesRestored());
    rig.Drag(kLeft, rig.x + 50, rig.y + 50, rig.x, rig.y);
    rig.host.Update();
    EXPECT_EQ(rig.SideAxes(), fitted);
    EXPECT_TRUE(c.LeftAxis().Automatic());
    // The ranges kept are those from before the first scroll or zoom, not the last.
    rig.host.SendWheel(ui::kWheelDelta, {}, rig.x, rig.y);
    rig.Drag(kLeft, rig.x, rig.y, rig.x + 50, rig.y + 50);
    rig.host.SendWheel(ui::kWheelDelta, {}, rig.x, rig.y);
    rig.Drag(kLeft, rig.x + 50, rig.y + 50, rig.x, rig.y);
    rig.host.Update();
    EXPECT_EQ(rig.SideAxes(), fitted);
}

TEST(ChartWheel, AnEmptyRangeIsNotScrolled) {
    Rig empty(false);
    const std::vector<Range> before = empty.SideAxes();
    const int32_t x = empty.chart.PlotRect().Left + 20;
    const int32_t y = empty.chart.PlotRect().Top + 20;
    empty.host.SendWheel(-3 * ui::kWheelDelta, {}, x, y);
    EXPECT_EQ(empty.SideAxes(), before);
    EXPECT_TRUE(empty.chart.LeftAxis().Automatic());
    // Points added later are fitted as if nothing had happened.
    for (int i = 0; i < 5; ++i)
        empty.series.AddPoint(i, 100 + i, "", clDefault);
    empty.host.Update();
    EXPECT_DOUBLE_EQ(empty.chart.LeftAxis().Minimum(), 100);
    EXPECT_DOUBLE_EQ(empty.chart.LeftAxis().Maximum(), 104);
}

TEST(ChartWheel, APaintHandlerMayDestroyAnAxisDuringTheScroll) {
    Rig rig;
    TChart& c = rig.chart;
    auto custom = std::make_unique<TChartAxis>(&c);
    custom->SetRange(0, 10);
    rig.host.Update();
    c.Repaint();
    ASSERT_GT(custom->PixelLength(), 0);
    // The left axis is scrolled and painted first; its frame takes the custom axis away.
    int paints = 0;
    c.OnAfterDraw = [&](TCustomChartPanel*) {
        ++paints;
        custom.reset();
    };
    rig.host.SendWheel(-ui::kWheelDelta, {}, rig.x, rig.y);
    EXPECT_FALSE(custom);
    EXPECT_EQ(c.Axes().size(), 5u);
    EXPECT_FALSE(c.LeftAxis().Automatic());
    EXPECT_GE(paints, 1);
}

// ---- Presses ----

TEST(ChartPress, PartAtPrefersAPointToAnAxisAndAnAxisToThePlot) {
    Rig rig;
    TChart& c = rig.chart;
    const TChartClickedPart point = c.PartAt(rig.series.XPixel(3), rig.series.YPixel(3));
    EXPECT_EQ(point.Part, Part::cpSeries);
    EXPECT_EQ(point.Series, &rig.series);
    EXPECT_EQ(point.PointIndex, 3);
    // The left axis's band reaches into the plot, and the first marker into the band.
    TChartAxis& left = c.LeftAxis();
    ASSERT_TRUE(c.PlotRect().Contains(left.LinePos() + 1, rig.y));
    EXPECT_EQ(c.PartAt(left.LinePos() + 1, rig.y).Axis, &left);
    int overlaps = 0;
    const int32_t y0 = rig.series.YPixel(0);
    for (int32_t y = y0 - 5; y <= y0 + 5; ++y) {
        for (int32_t x = left.LabelsPos(); x <= rig.series.XPixel(0); ++x) {
            if (left.HitTest(x, y) && rig.series.PointAtPixel(x, y) == 0) {
                ++overlaps;
                EXPECT_EQ(c.PartAt(x, y).Part, Part::cpSeries) << x << "," << y;
            }
        }
    }
    EXPECT_GT(overlaps, 0);
    EXPECT_EQ(c.PartAt(rig.x, rig.y).Part, Part::cpChartRect);
    EXPECT_EQ(c.PartAt(6, 6).Part, Part::cpNone);
    // Without an active series the plot is no part of its own.
    rig.series.SetActive(false);
    EXPECT_EQ(c.PartAt(rig.x, rig.y).Part, Part::cpNone);
}

TEST(ChartPress, TheBackgroundHandlerMayKeepAPressFromZooming) {
    Rig rig;
    TChart& c = rig.chart;
    int calls = 0;
    bool keep = true;
    c.OnClickBackground = [&](TCustomChartPanel*, TMouseButton button, TShiftState, int32_t x,
                              int32_t y) {
        ++calls;
        EXPECT_EQ(button, kLeft);
        EXPECT_EQ(x, rig.x);
        EXPECT_EQ(y, rig.y);
        c.SetSkipMouseAction(keep);
    };
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(c.ZoomRecord().Dragging);
    EXPECT_FALSE(c.SkipMouseAction());
    rig.host.SendMouseUp(kLeft, {}, rig.x, rig.y);
    keep = false;
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(c.ZoomRecord().Dragging);
}

TEST(ChartPress, APressInTheMarginOrOnTheTitleStartsNothing) {
    Rig rig;
    TChart& c = rig.chart;
    int calls = 0;
    c.OnClickBackground = [&](TCustomChartPanel*, TMouseButton, TShiftState, int32_t, int32_t) {
        c.SetSkipMouseAction(false);
        ++calls;
    };
    c.Title().SetVisible(true);
    rig.host.Update();
    const Rect title = c.Title().TitleRect();
    ASSERT_EQ(c.PartAt(title.Left + 2, title.Top + 2).Part, Part::cpTitle);
    for (TMouseButton button : {kLeft, kRight}) {
        rig.Drag(button, 6, 6, 100, 100);
        rig.Drag(button, title.Left + 2, title.Top + 2, 100, 100);
    }
    EXPECT_EQ(calls, 4); // the background click of a press that nothing else took
    EXPECT_EQ(rig.host.DirectShows(), 0u);
    EXPECT_EQ(rig.zooms + rig.undos + rig.scrolls, 0);
}

TEST(ChartPress, TheControlsOwnEventsComeFirstAndAPressDuringADragIsIgnored) {
    Rig rig;
    TChart& c = rig.chart;
    int presses = 0;
    int releases = 0;
    c.OnMouseDown = [&](TCustomChartPanel*, TMouseButton, TShiftState, int32_t, int32_t) {
        EXPECT_FALSE(c.PanningRecord().Dragging);
        // The first press is skipped, by the skip flag the chart then clears.
        c.SetSkipMouseAction(++presses == 1);
    };
    c.OnMouseUp = [&](TCustomChartPanel*, TMouseButton, TShiftState, int32_t, int32_t) {
        ++releases;
    };
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    EXPECT_FALSE(c.ZoomRecord().Dragging);
    EXPECT_FALSE(c.SkipMouseAction());
    rig.host.SendMouseUp(kLeft, {}, rig.x, rig.y);
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    rig.host.SendMouseDown(kRight, {}, rig.x + 5, rig.y + 5);
    EXPECT_FALSE(c.PanningRecord().Dragging);
    EXPECT_EQ(presses, 3);
    // The right button's release ends no zoom.
    rig.host.SendMouseUp(kRight, {}, rig.x + 5, rig.y + 5);
    EXPECT_TRUE(c.ZoomRecord().Dragging);
    rig.host.SendMouseUp(kLeft, {}, rig.x + 40, rig.y + 40);
    EXPECT_TRUE(c.IsZoomed());
    EXPECT_EQ(releases, 3);
    EXPECT_EQ(rig.listener.ups, 3);
}

TEST(ChartPress, PointAndAxisPressesGoToTheirHandlersWhichMayLetTheDragStart) {
    Rig rig;
    TChart& c = rig.chart;
    const int32_t px = rig.series.XPixel(5);
    const int32_t py = rig.series.YPixel(5);
    std::vector<int32_t> clicks;
    std::vector<int32_t> doubleClicks;
    rig.series.OnClick = [&](TChartSeries* sender, int32_t index, TMouseButton, TShiftState,
                             int32_t, int32_t) {
        EXPECT_EQ(sender, &rig.series);
        clicks.push_back(index);
    };
    rig.series.OnDblClick = [&](TChartSeries*, int32_t index, TMouseButton, TShiftState, int32_t,
                                int32_t) { doubleClicks.push_back(index); };
    rig.Drag(kLeft, px, py, px + 30, py + 30);
    rig.Drag(kLeft, px, py, px + 30, py + 30);
    rig.host.SendMouseDown(kLeft, TShiftState{TShiftKey::ssLeft, TShiftKey::ssDouble}, px, py);
    EXPECT_EQ(clicks, (std::vector<int32_t>{5, 5}));
    EXPECT_EQ(doubleClicks, std::vector<int32_t>{5});
    EXPECT_EQ(rig.zooms, 0); // the series took the presses
    rig.host.SendMouseUp(kLeft, {}, px, py);

    std::vector<TChartSeries*> seriesClicks;
    c.OnClickSeries = [&](TCustomChartPanel*, TChartSeries* series, int32_t index, TMouseButton,
                          TShiftState, int32_t, int32_t) {
        EXPECT_EQ(index, 5);
        seriesClicks.push_back(series);
        c.SetSkipMouseAction(false);
    };
    rig.host.SendMouseDown(kRight, {}, px, py);
    EXPECT_EQ(seriesClicks, std::vector<TChartSeries*>{&rig.series});
    EXPECT_EQ(clicks.size(), 3u);
    EXPECT_TRUE(c.PanningRecord().Dragging);
    rig.host.SendMouseUp(kRight, {}, px, py);

    TChartAxis& left = c.LeftAxis();
    const int32_t ax = left.LinePos() - 1;
    const int32_t ay = left.CenterPixel();
    std::vector<TCustomChartAxis*> axes;
    c.OnClickAxis = [&](TCustomChartPanel*, TCustomChartAxis* axis, TMouseButton, TShiftState,
                        int32_t, int32_t) {
        axes.push_back(axis);
        c.SetSkipMouseAction(axes.size() == 1);
    };
    rig.host.SendMouseDown(kLeft, {}, ax, ay);
    EXPECT_FALSE(c.ZoomRecord().Dragging);
    rig.host.SendMouseUp(kLeft, {}, ax, ay);
    rig.host.SendMouseDown(kLeft, {}, ax, ay);
    EXPECT_TRUE(c.ZoomRecord().Dragging);
    EXPECT_EQ(axes, (std::vector<TCustomChartAxis*>{&left, &left}));
}

// ---- Hovering and leaving ----

TEST(ChartHover, ASeriesCursorShowsOverItsPointsAndTheLoadTimeCursorElsewhere) {
    Rig rig;
    TChart& c = rig.chart;
    c.BeginLoading();
    c.SetCursor(TCursor::crCross);
    c.EndLoading();
    c.SetCursor(TCursor::crArrow);
    rig.series.SetCursor(TCursor::crHandPoint);
    const int32_t px = rig.series.XPixel(7);
    const int32_t py = rig.series.YPixel(7);
    rig.host.SendMouseMove({}, px, py);
    EXPECT_EQ(rig.host.Cursor(), TCursor::crHandPoint);
    rig.host.SendMouseMove({}, rig.x, rig.y);
    EXPECT_EQ(rig.host.Cursor(), TCursor::crCross);
    rig.host.SendMouseMove({}, px, py);
    // Leaving also stops a pan whose release the window system lost.
    c.PanningRecord().Activate(rig.x, rig.y);
    rig.host.SendMouseLeave();
    EXPECT_EQ(rig.host.Cursor(), TCursor::crCross);
    EXPECT_FALSE(c.PanningRecord().Dragging);
    // A drag shows the default cursor, and the series hear of no move meanwhile.
    rig.host.SendMouseDown(kLeft, {}, rig.x, rig.y);
    EXPECT_EQ(rig.host.Cursor(), TCursor::crDefault);
    rig.host.SendMouseMove({}, rig.x + 5, rig.y + 5);
    EXPECT_EQ(rig.listener.moves, 3);
}

// ---- Before anything is shown ----

TEST(ChartMouse, ANewOrEmptyChartTakesTheMouseWithoutHarm) {
    Rig unpainted(true, false);
    const std::vector<Range> before = unpainted.SideAxes();
    for (TMouseButton button : {kLeft, kRight}) {
        unpainted.Drag(button, 100, 100, 300, 300);
        unpainted.Drag(button, 300, 300, 100, 100);
    }
    unpainted.host.SendWheel(-120, {}, 100, 100);
    EXPECT_EQ(unpainted.SideAxes(), before);
    EXPECT_EQ(unpainted.zooms + unpainted.undos + unpainted.scrolls, 0);
    // Its first frame then fits the data.
    unpainted.host.Update();
    EXPECT_EQ(RangeOf(unpainted.chart.LeftAxis()), (Range{true, true, true, 10, 32}));

    Rig empty(false);
    const int32_t x = empty.chart.PlotRect().Left + 20;
    const int32_t y = empty.chart.PlotRect().Top + 20;
    empty.Drag(kLeft, x, y, x + 100, y + 100);
    empty.host.Update();
    empty.Drag(kRight, x, y, x + 30, y + 30);
    empty.host.SendWheel(120, {}, x, y);
    empty.Drag(kLeft, x + 100, y + 100, x, y);
    empty.host.Update();
    EXPECT_EQ(empty.zooms + empty.undos, 2);
    EXPECT_EQ(empty.SideAxes()[1], (Range{true, true, true, 0, 0}));
}

} // namespace
} // namespace vemora
