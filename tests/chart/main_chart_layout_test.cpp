// The layout of the program's own chart with the sample data, frame by frame.
#include "series/chart_series.h"
#include "support/sample_chart.h"

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

TEST(MainChartLayout, SampleDataFrames) {
    testing::SampleChart sample;
    TChart& chart = sample.chart;
    TPointSeries& series = sample.series;
    ASSERT_EQ(series.PointCount(), 400);
    ASSERT_EQ(sample.host.ClientRect(), (Rect{0, 0, 813, 653}));

    chart.SelectFont(chart.LeftAxis().LabelsFont());
    TCanvas3D& canvas = chart.Canvas3D();
    const int32_t blank = canvas.TextWidth(" ");
    ASSERT_EQ(canvas.FontHeight(), 13);

    // First frame: the left labels are sized with the step of a span of length 0 (1e-12),
    // so the widest label is that of the largest Y value, 98.995.
    chart.ComputeLayout();
    EXPECT_EQ(chart.PanelBounds(), (Rect{0, 0, 813, 653}));
    EXPECT_EQ(chart.ChartDepth(), 4); // Round(765 * 0.005)
    EXPECT_EQ(chart.SeriesDepth(), 4);
    const int32_t firstLeft = 24 + canvas.TextWidth("98.995") + blank + 6;
    EXPECT_EQ(chart.PlotRect(), (Rect{firstLeft, 26 + 4, 789 - 4, 627 - 13 - 6}));

    // From the second frame on, the step of the last frame: 5, labels up to "95".
    chart.ComputeLayout();
    const Rect plot = chart.PlotRect();
    const int32_t left = 24 + canvas.TextWidth("95") + blank + 6;
    EXPECT_EQ(plot, (Rect{left, 30, 785, 608}));
    EXPECT_EQ(series.ZStart(), 0);
    EXPECT_EQ(series.ZEnd(), 4);
    EXPECT_EQ(series.ZMiddle(), 2);

    TChartAxis& bottom = chart.BottomAxis();
    TChartAxis& vertical = chart.LeftAxis();
    EXPECT_EQ(bottom.Minimum(), 0.092);
    EXPECT_EQ(bottom.Maximum(), 39.919);
    EXPECT_EQ(vertical.Minimum(), 4.601);
    EXPECT_EQ(vertical.Maximum(), 98.995);
    // Five pixels kept free at each end.
    EXPECT_EQ(bottom.ValueToPixelX(0.092), plot.Left + 5);
    EXPECT_EQ(bottom.ValueToPixelX(39.919), plot.Right - 5);
    EXPECT_EQ(vertical.ValueToPixelY(98.995), plot.Top + 5);
    EXPECT_EQ(vertical.ValueToPixelY(4.601), plot.Bottom - 5);
    EXPECT_EQ(bottom.LabelsPos(), 614);
    EXPECT_EQ(vertical.LabelsPos(), left - 6);

    series.FindShownRange();
    EXPECT_EQ(series.FirstShown(), 0);
    EXPECT_EQ(series.LastShown(), 399);

    for (TCustomChartAxis* axis : chart.Axes()) {
        if (chart.AxisShown(*axis))
            axis->DrawAxis(true);
    }
    EXPECT_FALSE(chart.AxisShown(chart.TopAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.RightAxis()));
    EXPECT_FALSE(chart.AxisShown(chart.DepthAxis()));
    EXPECT_EQ(bottom.LinePos(), 608);
    EXPECT_EQ(vertical.LinePos(), left);
    EXPECT_EQ(bottom.LastIncrement(), 2);
    EXPECT_EQ(vertical.LastIncrement(), 5);
    const std::vector<std::string> xLabels = LabelTexts(bottom);
    ASSERT_EQ(xLabels.size(), 21u);
    EXPECT_EQ(xLabels.front(), "40");
    EXPECT_EQ(xLabels.back(), "0");
    const std::vector<std::string> yLabels = LabelTexts(vertical);
    ASSERT_EQ(yLabels.size(), 19u);
    EXPECT_EQ(yLabels.front(), "95");
    EXPECT_EQ(yLabels.back(), "5");
    EXPECT_EQ(bottom.LastTicks().front(), bottom.ValueToPixelX(40));
    EXPECT_EQ(vertical.LastTicks().back(), vertical.ValueToPixelY(5));
}

} // namespace
} // namespace vemora
