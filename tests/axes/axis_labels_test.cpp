#include "axes/axis_rig.h"
#include "axes/label_format.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace vemora {
namespace {

using testing::AxisRig;

std::vector<double> Values(const TCustomChartAxis& axis) {
    std::vector<double> v;
    for (const TAxisLabel& label : axis.LastLabels())
        v.push_back(label.Value);
    return v;
}

std::vector<std::string> Texts(const TCustomChartAxis& axis) {
    std::vector<std::string> t;
    for (const TAxisLabel& label : axis.LastLabels())
        t.push_back(label.Text);
    return t;
}

std::vector<std::string> WalkTexts(double minimum, double maximum, double step,
                                   bool roundFirst = true) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    axis.SetRoundFirstLabel(roundFirst);
    AxisRig::Scale(axis, minimum, maximum, step);
    axis.DrawAxis(true);
    return Texts(axis);
}

using Strings = std::vector<std::string>;

TEST(LabelWalk, RunsFromTheTopOfTheScaleDownward) {
    EXPECT_EQ(WalkTexts(0, 10, 2), (Strings{"10", "8", "6", "4", "2", "0"}));
    // Trunc(9.4 / 2) * 2 = 8; -2 lies below the tolerance of the minimum.
    EXPECT_EQ(WalkTexts(-0.4, 9.4, 2), (Strings{"8", "6", "4", "2", "0"}));
    // 0.3 / 0.1 is just under 3 in binary.
    EXPECT_EQ(WalkTexts(0, 0.3, 0.1), (Strings{"0.2", "0.1", "0"}));
    // Trunc toward zero leaves 0 above a negative maximum.
    EXPECT_EQ(WalkTexts(-9.4, -0.6, 2), (Strings{"-2", "-4", "-6", "-8"}));
    EXPECT_EQ(WalkTexts(0.35, 1.35, 0.2, false),
              (Strings{"1.35", "1.15", "0.95", "0.75", "0.55", "0.35"}));
    EXPECT_EQ(WalkTexts(0, 100000, 20000),
              (Strings{"100,000", "80,000", "60,000", "40,000", "20,000", "0"}));
    // With a negative minimum the tolerance lies inside the scale.
    EXPECT_EQ(WalkTexts(-10, 0, 5), (Strings{"0", "-5"}));
}

TEST(LabelWalk, LabelsTicksAndPositions) {
    AxisRig rig({100, 100, 500, 500});
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, 0, 10, 2.5);
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LastTicks(), (std::vector<int32_t>{100, 200, 300, 400, 500}));
    EXPECT_EQ(axis.LastLabels()[1].Pixel, 200);
    EXPECT_EQ(axis.LastIncrement(), 2.5);

    axis.SetLabelsOnAxis(false); // the labels at the very ends go
    axis.DrawAxis(true);
    EXPECT_EQ(Values(axis), (std::vector<double>{7.5, 5, 2.5}));

    axis.SetLabelsOnAxis(true);
    axis.SetLabels(false); // no text, and no tick either
    axis.DrawAxis(true);
    EXPECT_TRUE(axis.LastTicks().empty());
    axis.SetTickOnLabelsOnly(false); // ticks without text
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LastTicks().size(), 5u);
    EXPECT_TRUE(axis.LastLabels().empty());
}

TEST(LabelWalk, TenThousandStepsGiveNoLabels) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 0, 100, 0.001);
    axis.DrawAxis(true);
    EXPECT_TRUE(axis.LastLabels().empty());
    EXPECT_TRUE(axis.LastTicks().empty());
}

TEST(LabelWalk, ManyManualLabelsNeverOverfillTheTickList) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 0, 99.99, 0.01); // 9999 steps
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LastTicks().size(), TCustomChartAxis::TickListCapacity);
    // 99.99 / 0.01 is just under 9999 in binary.
    EXPECT_EQ(axis.LastLabels().front().Text, "99.98");
    axis.SetLabels(false);
    axis.SetTickOnLabelsOnly(false);
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LastTicks().size(), TCustomChartAxis::TickListCapacity);
}

TEST(LabelWalk, ZeroRangeScalesEndAndRepeatOneText) {
    for (const double v : {0.0, -3.0, 5.0, 1000.0, 5000.0, 20000.0, 1e300}) {
        AxisRig rig;
        TChartSeries& s = rig.AddSeries();
        s.AddPoint(v, v, "", clDefault);
        TChartAxis& axis = rig.chart.LeftAxis();
        axis.RefreshRange();
        axis.PlacePixels();
        axis.DrawAxis(true);
        const auto& labels = axis.LastLabels();
        EXPECT_EQ(axis.LastIncrement(), TCustomChartAxis::MinimumIncrement);
        EXPECT_LE(axis.LastTicks().size(), TCustomChartAxis::TickListCapacity);
        if (v < 0) {
            EXPECT_TRUE(labels.empty()) << v;
            continue;
        }
        ASSERT_FALSE(labels.empty()) << v;
        for (const TAxisLabel& label : labels) {
            ASSERT_EQ(label.Text, axis.FormatLabelValue(v)) << v;
            ASSERT_EQ(label.Pixel, axis.CenterPixel()) << v;
        }
        if (v == 0) {
            EXPECT_EQ(labels.size(), 1u);
        }
    }
}

TEST(LabelWalk, SuppliedLabelValues) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 0, 10, 5);
    std::vector<int32_t> indexes;
    rig.chart.OnGetNextAxisLabel = [&](TCustomChartAxis*, int32_t index, double& value,
                                       bool& stop) {
        indexes.push_back(index);
        stop = false;
        value = index * 3.0;
    };
    axis.DrawAxis(true);
    // 0, 3, 6, 9 lie within the scale; 12 ends the walk.
    EXPECT_EQ(Values(axis), (std::vector<double>{0, 3, 6, 9}));
    EXPECT_EQ(indexes.size(), 5u);
    // Stopping at once falls back to the walk down the scale.
    rig.chart.OnGetNextAxisLabel = [](TCustomChartAxis*, int32_t, double&, bool&) {};
    axis.DrawAxis(true);
    EXPECT_EQ(Values(axis), (std::vector<double>{10, 5, 0}));
    // A supplier that never stops is cut off.
    rig.chart.OnGetNextAxisLabel = [](TCustomChartAxis*, int32_t, double& value, bool& stop) {
        value = 1;
        stop = false;
    };
    axis.DrawAxis(true);
    EXPECT_LE(axis.LastTicks().size(), TCustomChartAxis::TickListCapacity);
}

TEST(LabelText, HookAndMultiLineLabels) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    EXPECT_EQ(axis.FormatLabelValue(-1234.5678), "-1,234.568");
    EXPECT_EQ(axis.FormatLabelValue(2.9999999999999996), "3");
    EXPECT_EQ(axis.FormatLabelValue(1.5e20), "1.5E20");
    EXPECT_EQ(axis.FormatLabelValue(std::numeric_limits<double>::infinity()), "INF");
    rig.chart.OnGetAxisLabel = [&](TCustomChartAxis* sender, TChartSeries* series, int32_t index,
                                   std::string& text) {
        EXPECT_EQ(sender, &axis);
        EXPECT_EQ(series, nullptr);
        EXPECT_EQ(index, -1);
        text += " units";
    };
    axis.SetLabelsMultiLine(true);
    EXPECT_EQ(axis.FormatLabelValue(12.3), "12.3\runits");
    axis.SetAxisValuesFormat("0.00");
    EXPECT_EQ(axis.FormatLabelValue(2), "2.00\runits");
}

TEST(LabelText, RegionalSeparatorsReachTheLabels) {
    AxisRig rig;
    const TFormatSettings previous = SetFormatSettingsForTesting({",", "."});
    EXPECT_EQ(rig.chart.LeftAxis().FormatLabelValue(-1234.5678), "-1.234,568");
    SetFormatSettingsForTesting({",", ""});
    EXPECT_EQ(rig.chart.LeftAxis().FormatLabelValue(1000000.5), "1000000,5");
    SetFormatSettingsForTesting(previous);
}

TEST(LabelStyle, ResolvedFromTheSeries) {
    AxisRig rig;
    TChart& chart = rig.chart;
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), TAxisLabelStyle::talNone);
    TChartSeries& s = rig.AddSeries();
    s.AddPoint(1, 1, "", clDefault);
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), TAxisLabelStyle::talValue);
    EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), TAxisLabelStyle::talValue);
    EXPECT_EQ(chart.TopAxis().EffectiveLabelStyle(), TAxisLabelStyle::talNone);
    EXPECT_EQ(chart.DepthAxis().EffectiveLabelStyle(), TAxisLabelStyle::talText);
    // Point labels show on the axis across the mandatory values, and only when the first
    // point has one.
    s.ClearPoints();
    s.AddPoint(1, 1, "first", clDefault);
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), TAxisLabelStyle::talText);
    EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), TAxisLabelStyle::talValue);
    chart.BottomAxis().SetLabelStyle(TAxisLabelStyle::talValue);
    EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), TAxisLabelStyle::talValue);
}

TEST(LabelSpace, WidestLabelUsesTheRoundedEndsAndABlank) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    TChartSeries& s = rig.AddSeries();
    s.AddPoint(0, 3.7, "", clDefault);
    s.AddPoint(1, 1234.5, "", clDefault);
    axis.RefreshRange();
    axis.PlacePixels();
    rig.chart.SelectFont(axis.LabelsFont());
    TCanvas3D& canvas = rig.chart.Canvas3D();
    const double step = axis.ComputeIncrement();
    ASSERT_EQ(step, 50); // 400 pixels, labels 13 + 1 high: 29 fit, 50 gives 25
    int hookCalls = 0;
    rig.chart.OnGetAxisLabel = [&](TCustomChartAxis*, TChartSeries*, int32_t, std::string& t) {
        ++hookCalls;
        t = "a much wider text than any number";
    };
    // The widest of "1,200" and "0", plus a blank; the hook takes no part.
    EXPECT_EQ(axis.WidestLabel(), canvas.TextWidth("1,200") + canvas.TextWidth(" "));
    EXPECT_EQ(hookCalls, 0);
    EXPECT_TRUE(static_cast<bool>(rig.chart.OnGetAxisLabel));
    axis.SetRoundFirstLabel(false);
    rig.chart.OnGetAxisLabel = nullptr;
    EXPECT_EQ(axis.WidestLabel(), canvas.TextWidth("1,234.5") + canvas.TextWidth(" "));
}

} // namespace
} // namespace vemora
