#include "axes/axis_rig.h"
#include "axes/label_format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <string>
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
        // The labels differ in value only by the walk's rounding: the picture's text stays.
        EXPECT_EQ(axis.LabelExtraDigits(), 0) << v;
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

// A step below the picture's last place: each label gets as many more places as its
// neighbours need to read differently, and no more.
TEST(LabelDigits, AStepBelowThePicturesPlacesAddsTheDigitsNeeded) {
    // 0.002 / 0.00005 is just under 40 in binary: the walk starts one step down.
    EXPECT_EQ(WalkTexts(0.0013, 0.002, 0.00005),
              (Strings{"0.00195", "0.0019", "0.00185", "0.0018", "0.00175", "0.0017", "0.00165",
                       "0.0016", "0.00155", "0.0015", "0.00145", "0.0014", "0.00135", "0.0013"}));
    EXPECT_EQ(
        WalkTexts(0.0013, 0.00201, 0.0001),
        (Strings{"0.002", "0.0019", "0.0018", "0.0017", "0.0016", "0.0015", "0.0014", "0.0013"}));
    EXPECT_EQ(WalkTexts(-0.00002, 0.00002, 0.00001),
              (Strings{"0.00002", "0.00001", "0", "-0.00001", "-0.00002"}));
    EXPECT_EQ(WalkTexts(1234.5, 1234.5021, 0.0005),
              (Strings{"1,234.502", "1,234.5015", "1,234.501", "1,234.5005", "1,234.5"}));
    // One pair alike ("0.002" for 0.002 and 0.0015) is enough.
    EXPECT_EQ(WalkTexts(0, 0.0025, 0.0005),
              (Strings{"0.0025", "0.002", "0.0015", "0.001", "0.0005", "0"}));
    // Neighbours that already differ keep the picture, even where texts are rounded (the
    // walk's 0.0075 is 0.00749999... and reads "0.007").
    EXPECT_EQ(WalkTexts(0, 0.0101, 0.0025), (Strings{"0.01", "0.007", "0.005", "0.002", "0"}));
    EXPECT_EQ(WalkTexts(0, 0.01, 0.002),
              (Strings{"0.01", "0.008", "0.006", "0.004", "0.002", "0"}));
}

TEST(LabelDigits, TheHookHasTheLastWordAndSuppliedLabelsKeepThePicture) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, 0.0013, 0.00141, 0.00005);
    rig.chart.OnGetAxisLabel = [](TCustomChartAxis*, TChartSeries*, int32_t, std::string& text) {
        text += " s";
    };
    axis.DrawAxis(true);
    EXPECT_EQ(Texts(axis), (Strings{"0.0014 s", "0.00135 s", "0.0013 s"}));
    EXPECT_EQ(axis.LabelExtraDigits(), 2);
    // Values a program supplies are its own choice.
    rig.chart.OnGetNextAxisLabel = [](TCustomChartAxis*, int32_t index, double& value, bool& stop) {
        value = 0.0013 + index * 0.00005;
        stop = index > 2;
    };
    axis.DrawAxis(true);
    EXPECT_EQ(Texts(axis), (Strings{"0.001 s", "0.001 s", "0.001 s"}));
    EXPECT_EQ(axis.LabelExtraDigits(), 0);
}

// On a scale this short the walk's slack reaches far below the minimum: those values get
// no label, tick or grid line outside the axis.
TEST(LabelDigits, NoLabelOffTheAxisSpan) {
    AxisRig rig({100, 100, 500, 500});
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, 53.048, 53.048 + 4e-11, 5e-12);
    axis.DrawAxis(true);
    ASSERT_FALSE(axis.LastLabels().empty());
    for (const TAxisLabel& label : axis.LastLabels()) {
        EXPECT_GE(label.Pixel, 100) << label.Text;
        EXPECT_LE(label.Pixel, 500) << label.Text;
    }
    for (const int32_t tick : axis.LastTicks()) {
        EXPECT_GE(tick, 100);
        EXPECT_LE(tick, 500);
    }
    EXPECT_EQ(axis.LastLabels().back().Text, "53.048");
    EXPECT_EQ(axis.LastLabels().size(), axis.LastTicks().size());
}

TEST(LabelDigits, TheLabelSpaceIsSizedFromTheTextsDrawn) {
    AxisRig rig;
    TCanvas3D& canvas = rig.chart.Canvas3D();
    TChartAxis& left = rig.chart.LeftAxis();
    TChartSeries& s = rig.AddSeries();
    s.AddPoint(-0.0002, 0.0013, "", clDefault);
    s.AddPoint(0.00015, 0.002, "", clDefault);
    left.RefreshRange();
    left.PlacePixels();
    rig.chart.SelectFont(left.LabelsFont());
    ASSERT_LT(left.ComputeIncrement(), 0.001);
    ASSERT_GT(left.LabelExtraDigits(), 0);
    const int32_t widest = left.WidestLabel();
    left.DrawAxis(true);
    int32_t drawn = 0;
    for (const TAxisLabel& label : left.LastLabels())
        drawn = std::max(drawn, canvas.TextWidth(label.Text));
    EXPECT_EQ(widest, drawn + canvas.TextWidth(" "));

    // Along a horizontal axis the longer texts take a larger step than "0" would, and do
    // not overlap.
    TChartAxis& bottom = rig.chart.BottomAxis();
    bottom.RefreshRange();
    bottom.PlacePixels();
    rig.chart.SelectFont(bottom.LabelsFont());
    const double step = bottom.ComputeIncrement();
    EXPECT_GT(step, bottom.IncrementForCount(bottom.IncrementForSize(canvas.TextWidth("0"))));
    bottom.DrawAxis(true);
    const std::vector<TAxisLabel>& labels = bottom.LastLabels();
    ASSERT_GE(labels.size(), 3u);
    for (size_t i = 1; i < labels.size(); ++i) {
        const int32_t room =
            (canvas.TextWidth(labels[i].Text) + canvas.TextWidth(labels[i - 1].Text) + 1) / 2;
        EXPECT_GE(labels[i - 1].Pixel - labels[i].Pixel, room)
            << labels[i - 1].Text << " and " << labels[i].Text;
    }
}

// What a text of the default picture with "." and "," reads as.
double ReadsAs(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    return std::strtod(text.c_str(), nullptr);
}

// Every label reads within half a step of its value, and no two neighbours read alike.
void ExpectTextsTellTheirValues(const TCustomChartAxis& axis) {
    const double step = axis.LastIncrement();
    const std::vector<TAxisLabel>& labels = axis.LastLabels();
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_LE(std::fabs(ReadsAs(labels[i].Text) - labels[i].Value), step * 0.5000001)
            << labels[i].Text << " for " << labels[i].Value;
        if (i > 0) {
            EXPECT_NE(labels[i].Text, labels[i - 1].Text);
        }
    }
}

// The labels of a left axis 400 pixels long on a scale with the automatic step.
std::vector<std::string> AutomaticTexts(double minimum, double maximum, double* step = nullptr) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, minimum, maximum);
    axis.DrawAxis(true);
    if (step != nullptr)
        *step = axis.LastIncrement();
    ExpectTextsTellTheirValues(axis);
    return Texts(axis);
}

// A range a little over 1 around 0 used to keep the step 1 and the one label "0".
TEST(LabelStep, ARangeJustOverOneAroundZeroGetsTheFinestStepThatFits) {
    double step = 0;
    EXPECT_EQ(AutomaticTexts(-0.855, 0.949, &step),
              (Strings{"0.9", "0.8", "0.7", "0.6", "0.5", "0.4", "0.3", "0.2", "0.1", "0", "-0.1",
                       "-0.2", "-0.3", "-0.4", "-0.5", "-0.6", "-0.7", "-0.8"}));
    EXPECT_NEAR(step, 0.1, 1e-15);
    EXPECT_EQ(AutomaticTexts(-0.5, 0.5).size(), 20u); // -0.5 lies outside the tolerance
    EXPECT_EQ(AutomaticTexts(-0.1, 0.9).size(), 20u);
    // Shorter ranges searched from the small start already.
    EXPECT_EQ(AutomaticTexts(0, 0.95).size(), 19u);
    // Two labels or more with the step 1: the step stays.
    EXPECT_EQ(AutomaticTexts(-0.2, 1.9, &step), (Strings{"1", "0"}));
    EXPECT_EQ(step, 1);
    EXPECT_EQ(AutomaticTexts(3, 250, &step).size(), 25u);
    EXPECT_EQ(step, 10);
}

TEST(LabelStep, AManualIncrementIsKeptEvenForOneLabel) {
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, -0.855, 0.949);
    axis.SetIncrement(1);
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LastIncrement(), 1);
    EXPECT_EQ(Texts(axis), (Strings{"0"}));
}

// Where neighbours need more places than the picture's, labels show at least the step's:
// the fewest that tell them apart put 5e-10 at "0.000000001", a step away.
TEST(LabelDigits, LabelsWithExtraPlacesShowThePlacesOfTheStep) {
    EXPECT_EQ(WalkTexts(-6e-10, 6e-10, 5e-10), (Strings{"0.0000000005", "0", "-0.0000000005"}));
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, -50.1505082163, -50.15050821618, 2e-11);
    axis.DrawAxis(true);
    ASSERT_GE(axis.LastLabels().size(), 3u);
    EXPECT_EQ(axis.LabelExtraDigits(), 8);
    EXPECT_NE(std::find(Texts(axis).begin(), Texts(axis).end(), "-50.15050821624"),
              Texts(axis).end());
    ExpectTextsTellTheirValues(axis);
    // Labels whose neighbours the picture tells apart keep its texts.
    EXPECT_EQ(WalkTexts(0, 0.0101, 0.0025), (Strings{"0.01", "0.007", "0.005", "0.002", "0"}));
}

// The walk's rounding on a scale of +-1e300 (a step of 5.000000000000001E298) read as
// "1.30113979491806E284" next to zero; labels of 1E18 and more were taken to 15 digits
// however close their neighbours were.
TEST(LabelDigits, NoTextShowsDigitsFinerThanTheStep) {
    // The step the window's chart finds for this scale.
    const std::vector<std::string> huge = WalkTexts(-1.0176e300, 1.0176e300, 5.000000000000001e298);
    EXPECT_EQ(huge.size(), 41u);
    const auto zero = std::find(huge.begin(), huge.end(), "0");
    ASSERT_NE(zero, huge.end());
    ASSERT_GE(zero - huge.begin(), 2);
    ASSERT_GE(huge.end() - zero, 3);
    EXPECT_EQ((Strings(zero - 2, zero + 3)), (Strings{"1E299", "5E298", "0", "-5E298", "-1E299"}));
    for (const std::string& text : huge)
        EXPECT_LE(text.size(), 8u) << text;

    EXPECT_EQ(WalkTexts(1e18, 1e18 + 2000, 500),
              (Strings{"1.000000000000002E18", "1.0000000000000015E18", "1.000000000000001E18",
                       "1.0000000000000005E18", "1E18"}));
    AutomaticTexts(-1.0176e300, 1.0176e300);
    AxisRig rig;
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, -3e18, 9e18);
    axis.DrawAxis(true);
    ASSERT_GE(axis.LastLabels().size(), 5u);
    ExpectTextsTellTheirValues(axis);
}

} // namespace
} // namespace vemora
