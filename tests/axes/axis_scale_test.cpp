#include "axes/axis_rig.h"
#include "platform/numeric/exceptions.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace vemora {
namespace {

using testing::AxisRig;

TEST(AxisIncrement, NextNiceStepClimbsOneTwoFive) {
    EXPECT_EQ(TCustomChartAxis::NextNiceStep(1), 2);
    EXPECT_EQ(TCustomChartAxis::NextNiceStep(2), 5);
    EXPECT_EQ(TCustomChartAxis::NextNiceStep(4.9), 5);
    EXPECT_EQ(TCustomChartAxis::NextNiceStep(5), 10);
    EXPECT_EQ(TCustomChartAxis::NextNiceStep(20), 50);
    EXPECT_DOUBLE_EQ(TCustomChartAxis::NextNiceStep(0.3), 0.5);
    // The scaling rounds, so a step need not land on the sequence, but every step grows.
    double step = TCustomChartAxis::MinimumIncrement;
    for (int i = 0; i < 100; ++i) {
        const double next = TCustomChartAxis::NextNiceStep(step);
        ASSERT_GT(next, step);
        step = next;
    }
    EXPECT_GT(step, 1e18);
}

TEST(AxisIncrement, SearchesUpTheSequenceUntilTheLabelsFit) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 0, 1000);
    EXPECT_EQ(axis.IncrementForCount(5), 200);
    AxisRig::Scale(axis, 0, 0.37);
    // The start step is 1e-12 for a range below 1; the climb stops at 4 labels.
    EXPECT_DOUBLE_EQ(axis.IncrementForCount(4), 0.1);
    EXPECT_EQ(axis.IncrementForCount(0), TCustomChartAxis::MinimumIncrement);
    // A manual increment is the start step; without separation it is kept as it is.
    axis.SetIncrement(0.001);
    axis.SetLabelsSeparation(0);
    EXPECT_EQ(axis.IncrementForCount(2), 0.001);
}

// The search as it reads: every step the NextNiceStep of the one before, until the labels
// fit or the step stops growing.
double PlainIncrementSearch(long double range, double start, int32_t count) {
    double t = start;
    int64_t labels = int64_t{count} + 1;
    while (labels > count && std::isfinite(t)) {
        const long double q = range / t;
        if (std::fabs(q) < 2147483647.0L) {
            labels = std::llrint(q);
            if (labels <= count)
                break;
        }
        const double next = TCustomChartAxis::NextNiceStep(t);
        if (!(next > t))
            break;
        t = next;
    }
    return std::max(t, TCustomChartAxis::MinimumIncrement);
}

TEST(AxisIncrement, TheRememberedStepsGiveThePlainSearchesResult) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int> decade(-320, 307);
    std::uniform_real_distribution<double> mantissa(1, 9.99);
    std::uniform_int_distribution<int32_t> counts(1, 60);
    for (int i = 0; i < 400; ++i) {
        // Ranges over every magnitude, in an order that grows and shrinks the steps kept.
        const double range = mantissa(random) * std::pow(10.0, decade(random));
        const double low = i % 3 == 0 ? -range / 2 : 0;
        AxisRig::Scale(axis, low, low + range);
        const int32_t count = counts(random);
        const long double extent =
            static_cast<long double>(axis.ScaleMaximum()) - axis.ScaleMinimum();
        // Now and then a manual increment, which is where the search starts.
        const double manual = i % 5 == 0 ? mantissa(random) * std::pow(10.0, decade(random)) : 0;
        axis.SetIncrement(manual);
        const double start = manual > 0               ? manual
                             : std::fabs(extent) >= 1 ? 1.0
                                                      : TCustomChartAxis::MinimumIncrement;
        ASSERT_EQ(axis.IncrementForCount(count), PlainIncrementSearch(extent, start, count))
            << range << " " << count;
    }
    // Some subnormal steps are their own next step, the roundings of the scaling undoing
    // the climb: a search from one must end there rather than never.
    ASSERT_EQ(TCustomChartAxis::NextNiceStep(1e-320), 1e-320);
    AxisRig::Scale(axis, 0, 1);
    axis.SetIncrement(1e-320);
    EXPECT_EQ(axis.IncrementForCount(10), TCustomChartAxis::MinimumIncrement);
    // The widest range a double holds, and one wider.
    for (const double half :
         {std::numeric_limits<double>::max() / 2, std::numeric_limits<double>::max()}) {
        AxisRig::Scale(axis, -half, half);
        axis.SetIncrement(0);
        const long double extent = static_cast<long double>(half) * 2;
        EXPECT_EQ(axis.IncrementForCount(10), PlainIncrementSearch(extent, 1.0, 10));
    }
}

TEST(AxisIncrement, LabelSizeGivesTheLabelCount) {
    AxisRig rig({0, 0, 700, 400});
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 1, 10);
    ASSERT_EQ(axis.PixelLength(), 700);
    // 30 pixels plus 10 percent: 33, so 21 labels fit; a step of 1 gives 9.
    EXPECT_EQ(axis.IncrementForSize(30), 21);
    EXPECT_EQ(axis.IncrementForCount(21), 1);
    EXPECT_EQ(axis.IncrementForSize(0), 1);
    axis.SetLabelsSeparation(0);
    EXPECT_EQ(axis.IncrementForSize(30), 23);
}

TEST(AxisMapping, DepthValuesSpanTheChartDepth) {
    AxisRig rig;
    TChartDepthAxis& depth = rig.chart.DepthAxis();
    rig.chart.SetChart3DPercent(100);
    rig.chart.ComputeDepth(); // 400 pixels wide: 40 deep
    ASSERT_EQ(rig.chart.ChartDepth(), 40);
    AxisRig::Scale(depth, -0.5, 0.5);
    EXPECT_EQ(depth.DepthValueToPixel(-0.5), 0);
    EXPECT_EQ(depth.DepthValueToPixel(0), 20);
    EXPECT_EQ(depth.DepthValueToPixel(0.25), 30);
    depth.SetInverted(true);
    EXPECT_EQ(depth.DepthValueToPixel(0.25), 10);
    AxisRig::Scale(depth, 2, 2);
    EXPECT_EQ(depth.DepthValueToPixel(5), 20);
}

TEST(AxisRange, MarginsWidenTheScaleOntoTheFullSpan) {
    AxisRig rig({0, 0, 400, 300});
    TChartAxis& bottom = rig.chart.BottomAxis();
    AxisRig::Scale(bottom, 0, 39);
    bottom.WidenRangeByMargins({5, 0, 5, 0});
    EXPECT_DOUBLE_EQ(bottom.ScaleMinimum(), -0.5);
    EXPECT_DOUBLE_EQ(bottom.ScaleMaximum(), 39.5);
    EXPECT_EQ(bottom.StartPixel(), 0);
    EXPECT_EQ(bottom.EndPixel(), 400);
    EXPECT_EQ(bottom.Minimum(), 0);
    EXPECT_EQ(bottom.Maximum(), 39);
    // The data ends land on the pixels the margins keep free.
    EXPECT_EQ(bottom.ValueToPixelX(0), 5);
    EXPECT_EQ(bottom.ValueToPixelX(39), 395);

    TChartAxis& left = rig.chart.LeftAxis();
    AxisRig::Scale(left, 10, 20);
    left.WidenRangeByMargins({0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(left.ScaleMinimum(), 10);
    EXPECT_DOUBLE_EQ(left.ScaleMaximum(), 20);
    left.WidenRangeByMargins({0, 150, 0, 150}); // nothing left of the span
    EXPECT_EQ(left.ScaleMinimum(), 0);
    EXPECT_EQ(left.ScaleMaximum(), 0);
}

TEST(AxisRange, RangesBeyondTheDoubleRangeSaturate) {
    AxisRig rig({0, 0, 400, 300});
    TChartAxis& left = rig.chart.LeftAxis();
    const double big = std::numeric_limits<double>::max();
    AxisRig::Scale(left, -big, big);
    // The range itself overflows a double; the mapping still works from the ends.
    EXPECT_EQ(left.ValueToPixelY(0), 150);
    EXPECT_EQ(left.ValueToPixelY(big), 0);
    EXPECT_EQ(left.ValueToPixelY(-big), 300);
    EXPECT_DOUBLE_EQ(left.PixelToValue(75), big / 2);
    left.WidenRangeByMargins({0, 5, 0, 5});
    EXPECT_EQ(left.ScaleMaximum(), big);
    EXPECT_EQ(left.ScaleMinimum(), -big);
    const double step = left.IncrementForCount(10);
    EXPECT_TRUE(std::isfinite(step));
    EXPECT_GT(step, 1e307);
}

TEST(AxisRange, AutomaticRangeComesFromTheSeriesOnTheAxis) {
    AxisRig rig;
    TChartSeries& a = rig.AddSeries();
    TChartSeries& b = rig.AddSeries();
    a.AddPoint(1, 10, "", clDefault);
    a.AddPoint(5, -2, "", clDefault);
    b.AddPoint(-3, 4, "", clDefault);
    b.SetVertAxis(TVertAxis::aRightAxis);
    TChart& chart = rig.chart;
    chart.BottomAxis().RefreshRange();
    chart.LeftAxis().RefreshRange();
    chart.RightAxis().RefreshRange();
    chart.TopAxis().RefreshRange();
    EXPECT_EQ(chart.BottomAxis().Minimum(), -3);
    EXPECT_EQ(chart.BottomAxis().Maximum(), 5);
    EXPECT_EQ(chart.LeftAxis().ScaleMinimum(), -2);
    EXPECT_EQ(chart.LeftAxis().ScaleMaximum(), 10);
    EXPECT_EQ(chart.RightAxis().ScaleRange(), 0);
    EXPECT_EQ(chart.RightAxis().Minimum(), 4);
    EXPECT_EQ(chart.TopAxis().Maximum(), 0); // no series: 0 to 0
    // An inactive series counts only while no active series is on the axis.
    b.SetActive(false);
    EXPECT_EQ(chart.SeriesExtreme(chart.BottomAxis(), true, true), 1);
    EXPECT_EQ(chart.SeriesExtreme(chart.RightAxis(), true, false), 4);
    // A manual end keeps its value.
    chart.LeftAxis().SetAutomaticMaximum(false);
    chart.LeftAxis().SetMaximum(50);
    chart.LeftAxis().RefreshRange();
    EXPECT_EQ(chart.LeftAxis().ScaleMaximum(), 50);
    EXPECT_EQ(chart.LeftAxis().ScaleMinimum(), -2);
}

TEST(AxisRange, ValuesThatAreNotFiniteTakeNoPart) {
    AxisRig rig;
    TChartSeries& s = rig.AddSeries();
    const double inf = std::numeric_limits<double>::infinity();
    s.AddPoint(2, inf, "", clDefault);
    s.AddPoint(-inf, 3, "", clDefault);
    s.AddPoint(inf, -7, "", clDefault);
    TChart& chart = rig.chart;
    EXPECT_EQ(chart.SeriesExtreme(chart.BottomAxis(), true, true), 2);
    EXPECT_EQ(chart.SeriesExtreme(chart.BottomAxis(), false, true), 2);
    EXPECT_EQ(chart.SeriesExtreme(chart.LeftAxis(), true, false), -7);
    EXPECT_EQ(chart.SeriesExtreme(chart.LeftAxis(), false, false), 3);
    TChartSeries& onlyInf = rig.AddSeries();
    onlyInf.AddPoint(inf, inf, "", clDefault);
    s.SetActive(false);
    EXPECT_EQ(chart.SeriesExtreme(chart.LeftAxis(), false, false), 0);
}

TEST(AxisSettings, SettersCheckAndKeepTheOldValue) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    axis.SetMaximum(5);
    axis.SetMinimum(1);
    try {
        axis.SetMinimum(6);
        FAIL();
    } catch (const AxisException& e) {
        EXPECT_EQ(e.Message(), "Axis Minimum Value must be <= Maximum");
    }
    EXPECT_THROW(axis.SetMaximum(0.5), AxisException);
    EXPECT_EQ(axis.Minimum(), 1);
    EXPECT_EQ(axis.Maximum(), 5);
    rig.chart.BeginLoading();
    axis.SetMinimum(6); // settings load in any order
    rig.chart.EndLoading();
    EXPECT_EQ(axis.Minimum(), 6);

    const auto message = [](auto&& action) {
        try {
            action();
        } catch (const ChartException& e) {
            return e.Message();
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { axis.SetIncrement(-1); }), "Axis increment must be >= 0");
    EXPECT_EQ(message([&] { axis.SetLabelsSeparation(-1); }),
              "Labels Separation % must be greater than 0");
    EXPECT_EQ(message([&] { axis.SetLogarithmicBase(1); }), "Axis Logarithmic Base should be >= 2");
    EXPECT_EQ(message([&] { axis.SetLabelsAngle(360); }),
              "Axis Labels Angle must be between 0 and 359 degrees");
    EXPECT_EQ(message([&] { axis.Title().SetAngle(-1); }),
              "Axis Title Angle must be between 0 and 359 degrees");
    axis.SetLabelsSeparation(0);
    axis.SetLabelsAngle(359);
    EXPECT_EQ(axis.LabelsSeparation(), 0);
    EXPECT_EQ(axis.Increment(), 0);

    TChartSeries& s = rig.AddSeries();
    s.AddPoint(1, -4, "", clDefault);
    axis.SetAutomatic(true);
    EXPECT_EQ(message([&] { axis.SetLogarithmic(true); }),
              "Logarithmic Axis Min and Max values should be >= 0");
    EXPECT_FALSE(axis.Logarithmic());
    s.XValues().SetDateTime(true);
    EXPECT_EQ(message([&] { rig.chart.BottomAxis().SetLogarithmic(true); }),
              "DateTime Axis cannot be Logarithmic");
}

TEST(AxisSettings, AutomaticFlagsFollowEachOther) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    axis.SetAutomaticMinimum(false);
    EXPECT_FALSE(axis.Automatic());
    EXPECT_TRUE(axis.AutomaticMaximum());
    axis.SetAutomaticMinimum(true);
    EXPECT_TRUE(axis.Automatic());
    axis.SetAutomatic(false);
    EXPECT_FALSE(axis.AutomaticMinimum());
    EXPECT_FALSE(axis.AutomaticMaximum());
    rig.chart.BeginLoading();
    axis.SetAutomatic(true); // while loading, the two ends keep what the settings say
    rig.chart.EndLoading();
    EXPECT_FALSE(axis.AutomaticMaximum());
}

TEST(AxisSettings, DefaultsAndRolesOfTheFiveAxes) {
    AxisRig rig;
    const auto& axes = rig.chart.Axes();
    ASSERT_EQ(axes.size(), 5u);
    EXPECT_EQ(axes[0], &rig.chart.BottomAxis());
    EXPECT_EQ(axes[4], &rig.chart.DepthAxis());
    EXPECT_TRUE(axes[1]->IsHorizontal() && axes[1]->FarSide());
    EXPECT_EQ(axes[2]->Title().Angle(), 90);
    EXPECT_EQ(axes[3]->Title().Angle(), 270);
    EXPECT_FALSE(axes[3]->Title().AngleStored());
    EXPECT_TRUE(axes[4]->DepthRole() && !axes[4]->Visible());
    const TChartAxis& a = rig.chart.LeftAxis();
    EXPECT_EQ(a.Axis().Width(), 2);
    EXPECT_TRUE(a.Grid().Visible());
    EXPECT_EQ(a.Grid().Style(), TPenStyle::psDot);
    EXPECT_EQ(a.Grid().Color(), clGray);
    EXPECT_FALSE(a.MinorGrid().Visible());
    EXPECT_EQ(a.Ticks().Color(), clGray);
    EXPECT_EQ(a.TickLength(), 4);
    EXPECT_EQ(a.MinorTickCount(), 3);
    EXPECT_EQ(a.MinorTickLength(), 2);
    EXPECT_EQ(a.LabelsSeparation(), 10);
    EXPECT_EQ(a.AxisValuesFormat(), "#,##0.###");
    EXPECT_EQ(a.LabelsFont().Name(), "Arial");
    EXPECT_EQ(a.LabelsFont().Size(), 8);
    EXPECT_EQ(a.EndPosition(), 100);
    EXPECT_TRUE(a.TickOnLabelsOnly() && a.LabelsOnAxis() && a.RoundFirstLabel());
}

TEST(AxisSettings, ChangesInvalidateOnlyWhenTheValueDiffers) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    const uint64_t before = rig.host.Invalidations();
    axis.SetTickLength(4);
    axis.SetVisible(true);
    axis.Grid().SetColor(clGray);
    axis.LabelsFont().SetSize(8);
    EXPECT_EQ(rig.host.Invalidations(), before);
    axis.Grid().SetColor(clRed);
    axis.LabelsFont().SetSize(9);
    axis.Title().SetCaption("Y");
    EXPECT_EQ(rig.host.Invalidations(), before + 3);
}

TEST(AxisRange, SetRangeMakesTheAxisManual) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    axis.SetRange(5, 2);
    EXPECT_EQ(axis.Minimum(), 2);
    EXPECT_EQ(axis.Maximum(), 5);
    EXPECT_FALSE(axis.Automatic() || axis.AutomaticMinimum() || axis.AutomaticMaximum());
    axis.SetRange(3, 3);
    EXPECT_EQ(axis.Minimum(), 3);
    EXPECT_DOUBLE_EQ(axis.Maximum(), 3 + 1e-10);
}

TEST(AxisRange, ShiftRangeMovesTowardDataBeyondTheEnds) {
    AxisRig rig;
    TChartSeries& s = rig.AddSeries();
    s.AddPoint(0, 0, "", clDefault);
    s.AddPoint(10, 10, "", clDefault);
    TChartAxis& axis = rig.chart.BottomAxis();
    axis.RefreshRange();
    const uint64_t paints = rig.host.Paints();
    axis.ShiftRange(1, true); // the data's maximum is the axis maximum
    EXPECT_TRUE(axis.Automatic());
    EXPECT_EQ(axis.Maximum(), 10);
    axis.ShiftRange(-1, true);
    EXPECT_EQ(axis.Minimum(), 0);
    axis.ShiftRange(1, false);
    EXPECT_FALSE(axis.Automatic() || axis.AutomaticMinimum() || axis.AutomaticMaximum());
    EXPECT_EQ(axis.Minimum(), 1);
    EXPECT_EQ(axis.Maximum(), 11);
    EXPECT_EQ(rig.host.Paints(), paints + 1); // repainted at once
    axis.ShiftRange(-0.5, true);              // data below the minimum now
    EXPECT_EQ(axis.Minimum(), 0.5);
    axis.ShiftRange(2, true); // and none above the maximum
    EXPECT_EQ(axis.Maximum(), 10.5);
}

} // namespace
} // namespace vemora
