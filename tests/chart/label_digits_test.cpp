// The program's chart labels and pixels: deep zooms into the sample, where the picture
// "#,##0.###" cannot tell the labels apart, get the digits their neighbours need; integer
// and ordinary data keep the picture's texts and land at the formula's pixels.
#include "axes/label_format.h"
#include "series/chart_series.h"
#include "support/sample_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vemora {
namespace {

// The pixel of a label by the mapping's formula: the extended quotient stored as a double,
// rounded to even.
int32_t FormulaPixel(const TCustomChartAxis& axis, double value) {
    if (axis.ScaleRange() == 0)
        return axis.CenterPixel();
    const long double d = (static_cast<long double>(value) - axis.ScaleMinimum()) *
                          axis.PixelLength() / axis.ScaleRange();
    const auto n = static_cast<int32_t>(std::nearbyint(static_cast<double>(d)));
    return axis.IsHorizontal() ? axis.StartPixel() + n : axis.EndPixel() - n;
}

std::string Picture(const TCustomChartAxis& axis, double value, int32_t extra) {
    return FormatFloatPicture(axis.AxisValuesFormat(), value, FormatSettings(), extra);
}

// Every label of the last draw: on the span, at the formula's pixel, with the picture's
// text and the fewest extra digits that make neighbours differ.
void ExpectTellApart(const TCustomChartAxis& axis, const std::string& where) {
    const std::vector<TAxisLabel>& labels = axis.LastLabels();
    const int32_t extra = axis.LabelExtraDigits();
    bool alikeWithFewer = false;
    for (size_t i = 0; i < labels.size(); ++i) {
        const TAxisLabel& label = labels[i];
        EXPECT_GE(label.Pixel, axis.StartPixel()) << where << " " << label.Text;
        EXPECT_LE(label.Pixel, axis.EndPixel()) << where << " " << label.Text;
        EXPECT_EQ(label.Pixel, FormulaPixel(axis, label.Value)) << where << " " << label.Text;
        EXPECT_EQ(label.Text, Picture(axis, label.Value, extra)) << where;
        if (i == 0)
            continue;
        EXPECT_NE(label.Text, labels[i - 1].Text) << where << " label " << i;
        if (extra > 0)
            alikeWithFewer |= Picture(axis, label.Value, extra - 1) ==
                              Picture(axis, labels[i - 1].Value, extra - 1);
    }
    if (extra > 0) {
        EXPECT_TRUE(alikeWithFewer) << where << ": " << extra << " digits more than needed";
    }
    for (const int32_t tick : axis.LastTicks()) {
        EXPECT_GE(tick, axis.StartPixel()) << where;
        EXPECT_LE(tick, axis.EndPixel()) << where;
    }
}

TEST(LabelDigits, DeepZoomsIntoTheSampleKeepEveryLabelDistinctAndOnItsAxis) {
    testing::SampleChart sample;
    TChart& chart = sample.chart;
    ui::HeadlessWindowHost& host = sample.host;
    host.Update();
    for (int zoom = 1; zoom <= 12; ++zoom) {
        const Rect plot = chart.PlotRect();
        const int32_t x = (plot.Left + plot.Right) / 2 - 10;
        const int32_t y = (plot.Top + plot.Bottom) / 2 - 10;
        host.SendMouseDown(ui::TMouseButton::mbLeft, {}, x, y);
        host.SendMouseMove({}, x + 20, y + 20);
        host.SendMouseUp(ui::TMouseButton::mbLeft, {}, x + 20, y + 20);
        host.Update();
        chart.Repaint();
        for (const TCustomChartAxis* axis : {&chart.BottomAxis(), &chart.LeftAxis()}) {
            const std::string where =
                "zoom " + std::to_string(zoom) + " " + (axis->IsHorizontal() ? "bottom" : "left");
            if (zoom > 1) {
                EXPECT_GE(axis->LastLabels().size(), 3u) << where;
            }
            ExpectTellApart(*axis, where);
            // From the third zoom on the steps lie below the picture's last place.
            if (zoom > 2) {
                EXPECT_GT(axis->LabelExtraDigits(), 0) << where;
            }
        }
    }
}

// Series1, noting each marker of the latest frame with its point.
class RecordingSeries final : public TPointSeries {
public:
    struct Marker {
        int32_t X, Y, Index;
    };
    void DoBeforeDrawChart() override { markers.clear(); }
    void PaintMarker(int32_t x, int32_t y, int32_t index, TColor color) override {
        markers.push_back({x, y, index});
        TPointSeries::PaintMarker(x, y, index, color);
    }
    std::vector<Marker> markers;
};

// The window's chart after a run has settled on the points.
struct PlottedChart {
    template <class Points>
    explicit PlottedChart(const Points& points, int32_t width = 0, int32_t height = 0)
        : host(width, height), series(static_cast<RecordingSeries&>(
                                   BuildChart1(chart, std::make_unique<RecordingSeries>()))) {
        for (const auto& [x, y] : points)
            series.AddPoint(x, y, "", clDefault);
        for (int frame = 0; frame < 3; ++frame) {
            host.Invalidate();
            host.Update();
        }
    }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
    RecordingSeries& series;
};

// Integer data from -50 to 50: the bottom scale is -50.6993006993007 to 50.6993006993007 on
// pixels 60 to 785. The quotient for 20 is 505.5 less 19 * 2^-53 in extended precision, a
// double of exactly 505.5, which rounds to even: 506 pixels in, at 566. For -40 it is 76.5
// and a little more, a double of 76.5 again: 76 pixels in, at 136.
TEST(LabelPixels, IntegerDataLandWhereTheirStoredQuotientRounds) {
    std::vector<std::pair<double, double>> points;
    for (int x = -50; x <= 50; ++x)
        points.emplace_back(x, x * x);
    PlottedChart plotted(points);
    const TChartAxis& bottom = plotted.chart.BottomAxis();
    ASSERT_EQ(bottom.StartPixel(), 60);
    ASSERT_EQ(bottom.EndPixel(), 785);
    ASSERT_EQ(bottom.ScaleMinimum(), -50.6993006993007);
    ASSERT_EQ(bottom.ScaleMaximum(), 50.6993006993007);
    std::vector<std::pair<std::string, int32_t>> labels;
    for (const TAxisLabel& label : bottom.LastLabels())
        labels.emplace_back(label.Text, label.Pixel);
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"50", 780},  {"40", 708},  {"30", 637},  {"20", 566},  {"10", 494}, {"0", 422},
        {"-10", 351}, {"-20", 280}, {"-30", 208}, {"-40", 136}, {"-50", 65}};
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(bottom.ValueToPixelX(20), 566);
    EXPECT_EQ(bottom.ValueToPixelX(-40), 136);
}

// Integer and rounded-decimal data of every size and place, in windows of several sizes:
// the picture tells their labels apart, so every text is the picture's and every label sits
// where the mapping puts it.
TEST(LabelDigits, OrdinaryDataKeepThePicturesTexts) {
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> unit(0, 1);
    const int32_t sizes[][2] = {{0, 0}, {400, 300}, {1200, 900}, {240, 180}};
    for (int set = 0; set < 40; ++set) {
        const int count = 2 + static_cast<int>(std::pow(unit(random), 2) * 2000);
        const double scale = std::pow(10.0, std::floor(unit(random) * 6));
        const double offset = std::floor((unit(random) - 0.5) * 4) * scale * 10;
        const int decimals = set % 3;
        const double unitStep = std::pow(10.0, -decimals);
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i < count; ++i) {
            const auto rounded = [&](double v) { return std::round(v / unitStep) * unitStep; };
            points.emplace_back(rounded(offset + unit(random) * scale * 10),
                                rounded(unit(random) * scale * 3 - scale));
        }
        const int32_t* size = sizes[set % 4];
        PlottedChart plotted(points, size[0], size[1]);
        for (const TCustomChartAxis* axis :
             {&plotted.chart.BottomAxis(), &plotted.chart.LeftAxis()}) {
            const std::string where =
                "set " + std::to_string(set) + " " + (axis->IsHorizontal() ? "bottom" : "left");
            EXPECT_EQ(axis->LabelExtraDigits(), 0) << where;
            EXPECT_GE(axis->LastLabels().size(), 2u) << where;
            ExpectTellApart(*axis, where);
        }
        const RecordingSeries& series = plotted.series;
        ASSERT_FALSE(series.markers.empty());
        for (const RecordingSeries::Marker& m : series.markers) {
            ASSERT_EQ(m.X, FormulaPixel(plotted.chart.BottomAxis(), series.XAt(m.Index)))
                << "set " << set << " point " << m.Index;
            ASSERT_EQ(m.Y, FormulaPixel(plotted.chart.LeftAxis(), series.YAt(m.Index)))
                << "set " << set << " point " << m.Index;
        }
    }
}

// ---- Labels on any data ----

// What a text of the default picture with "." and "," reads as.
double ReadsAs(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    return std::strtod(text.c_str(), nullptr);
}

// Each label of the two axes lies whole inside the panel, reads within half a step of its
// value (where it has neighbours) and differs from its neighbours; each has its tick.
void ExpectWholeAndTrue(TChart& chart, const std::string& where) {
    const Rect panel = chart.PanelBounds();
    for (TCustomChartAxis* axis : {&chart.BottomAxis(), &chart.LeftAxis()}) {
        chart.SelectFont(axis->LabelsFont());
        TCanvas3D& canvas = chart.Canvas3D();
        const std::string name = where + (axis->IsHorizontal() ? " bottom " : " left ");
        const std::vector<TAxisLabel>& labels = axis->LastLabels();
        EXPECT_EQ(labels.size(), axis->LastTicks().size()) << name;
        for (size_t i = 0; i < labels.size(); ++i) {
            const TAxisLabel& label = labels[i];
            const int32_t width = canvas.TextWidth(label.Text);
            if (axis->IsHorizontal()) {
                EXPECT_GE(label.Pixel - (width + 1) / 2, panel.Left) << name << label.Text;
                EXPECT_LE(label.Pixel + (width + 1) / 2, panel.Right) << name << label.Text;
            } else {
                EXPECT_GE(axis->LabelsPos() - width, panel.Left) << name << label.Text;
            }
            // A lone label has no neighbour to tell apart and keeps the picture's places.
            if (axis->ScaleRange() == 0 || labels.size() < 2)
                continue;
            EXPECT_LE(std::fabs(ReadsAs(label.Text) - label.Value),
                      axis->LastIncrement() * 0.5000001)
                << name << label.Text << " for " << label.Value;
            if (i > 0) {
                EXPECT_NE(label.Text, labels[i - 1].Text) << name;
            }
        }
    }
}

// Data around 1e-12 whose margins take in a second label: the space was measured from the
// ends of the scale before the margins, where one label needs no more places than "0",
// and "0.000000000001" ran off the panel's left edge.
TEST(LabelSpace, GrowsToTheLabelsLaidOut) {
    // Drawn point by point, as a run draws them.
    PlottedChart plotted(std::vector<std::pair<double, double>>{});
    for (int i = 0; i < 50; ++i) {
        plotted.series.AddPoint(i, 1e-12 + i * 0.995e-12 / 49, "", clDefault);
        plotted.host.Invalidate();
        plotted.host.Update();
    }
    const TChartAxis& left = plotted.chart.LeftAxis();
    std::vector<std::string> texts;
    for (const TAxisLabel& label : left.LastLabels())
        texts.push_back(label.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"0.000000000002", "0.000000000001"}));
    ExpectWholeAndTrue(plotted.chart, "1e-12");
}

// A label centred on the end of the bottom axis that reaches past the panel is not drawn.
TEST(LabelSpace, ALabelThePanelWouldCutIsLeftOut) {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i <= 10; ++i)
        points.emplace_back(i * 2e13, i);
    PlottedChart plotted(points);
    const TChartAxis& bottom = plotted.chart.BottomAxis();
    std::vector<std::string> texts;
    for (const TAxisLabel& label : bottom.LastLabels())
        texts.push_back(label.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"150,000,000,000,000", "100,000,000,000,000",
                                               "50,000,000,000,000", "0"}));
    ExpectWholeAndTrue(plotted.chart, "2e14");
}

// Data of random size, place and spread, straddling zero or not, in windows of several
// sizes: every label whole, true to its value and unlike its neighbours; an axis with a
// range gets two labels or more.
TEST(LabelSpace, RandomDataGetsWholeTrueLabels) {
    std::mt19937 random(7);
    const auto unit = [&] { return random() / 4294967296.0; };
    const int32_t sizes[][2] = {{0, 0}, {400, 300}, {1200, 900}};
    for (int set = 0; set < 60; ++set) {
        const double magnitude = std::pow(10.0, std::floor(unit() * 320) - 20);
        const double spread = magnitude * std::pow(10.0, -std::floor(unit() * 16));
        const double centre = unit() < 0.3 ? 0 : (unit() - 0.5) * 2 * magnitude;
        const int count = 2 + static_cast<int>(unit() * 300);
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i < count; ++i) {
            points.emplace_back(i, centre + (unit() - 0.5) * spread);
        }
        const int32_t* size = sizes[set % 3];
        PlottedChart plotted(points, size[0], size[1]);
        char where[96];
        std::snprintf(where, sizeof where, "set %d around %g spread %g", set, centre, spread);
        ExpectWholeAndTrue(plotted.chart, where);
        const TChartAxis& left = plotted.chart.LeftAxis();
        // Where the smallest step, 1e-12, leaves room for two labels and the walk's values
        // can tell a step apart.
        if (left.ScaleRange() >= 1e-10 &&
            left.ScaleRange() >= std::fabs(left.ScaleMaximum()) * 1e-12) {
            EXPECT_GE(left.LastLabels().size(), 2u) << where;
        }
    }
}

// ---- Ordinary data keeps its labels ----

std::vector<std::pair<double, double>> SampleFilePoints() {
    std::vector<std::pair<double, double>> points;
    FILE* file = std::fopen(VEMORA_SOURCE_DIR "/data/proba2.txt", "r");
    if (file == nullptr)
        return points;
    double x = 0;
    double y = 0;
    while (std::fscanf(file, "%lf %lf", &x, &y) == 2)
        points.emplace_back(x, y);
    std::fclose(file);
    return points;
}

// The data sets whose labels are kept: the sample file, integers, random values from 0 to
// 1000 and a few other shapes a user plots. The random ones draw from mt19937 directly,
// whose sequence is fixed by the standard.
std::vector<std::pair<std::string, std::vector<std::pair<double, double>>>> OrdinaryDataSets() {
    std::vector<std::pair<std::string, std::vector<std::pair<double, double>>>> sets;
    sets.emplace_back("sample", SampleFilePoints());
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 100; ++i)
        points.emplace_back(i, (i * 37) % 101 - 50);
    sets.emplace_back("integers", points);
    std::mt19937 random(1);
    const auto unit = [&] { return random() / 4294967296.0; };
    points.clear();
    for (int i = 0; i < 300; ++i)
        points.emplace_back(unit() * 1000, unit() * 1000);
    sets.emplace_back("random-0-1000", points);
    points.clear();
    for (int i = 1; i <= 500; ++i)
        points.emplace_back(i, 20 + 5 * std::sin(i / 30.0));
    sets.emplace_back("slow-wave", points);
    points.clear();
    for (int i = 0; i < 200; ++i)
        points.emplace_back(i * 1e6, 1e5 + i * 37.5);
    sets.emplace_back("large", points);
    points.clear();
    for (int i = 0; i <= 95; ++i)
        points.emplace_back(i, i / 100.0);
    sets.emplace_back("fractions", points);
    points.clear();
    for (int i = 0; i < 50; ++i)
        points.emplace_back(-1000 + i * 20, -10 - unit() * 990);
    sets.emplace_back("negative", points);
    sets.push_back({"two-points", {{1, 1}, {2, 3}}});
    points.clear();
    for (int i = 0; i < 120; ++i)
        points.emplace_back(i * 0.5, 2500 + unit() * 7);
    sets.emplace_back("narrow", points);
    return sets;
}

// Every label of the bottom and left axes, one line each: set, window size, axis, pixel and
// text.
std::string OrdinaryLabelsListing() {
    std::string listing;
    const int32_t sizes[][2] = {{0, 0}, {400, 300}};
    for (const auto& [name, points] : OrdinaryDataSets()) {
        for (const auto& size : sizes) {
            PlottedChart plotted(points, size[0], size[1]);
            for (const TCustomChartAxis* axis :
                 {&plotted.chart.BottomAxis(), &plotted.chart.LeftAxis()}) {
                for (const TAxisLabel& label : axis->LastLabels()) {
                    listing += name + " " + std::to_string(size[0]) + "x" +
                               std::to_string(size[1]) + " " +
                               (axis->IsHorizontal() ? "bottom " : "left ") +
                               std::to_string(label.Pixel) + " " + label.Text + "\n";
                }
            }
        }
    }
    return listing;
}

// The expected listing was written by the label code as it was before the rules for
// axes with a single label, the step's decimals, the step's place and the label space
// were added (VEMORA_UPDATE_GOLDEN=1 rewrites it): ordinary data must not notice them.
TEST(LabelDigits, OrdinaryDataSetsKeepEveryLabelTextAndPixel) {
    const std::string path = VEMORA_SOURCE_DIR "/tests/golden/ordinary_labels.txt";
    const std::string actual = OrdinaryLabelsListing();
    const char* update = std::getenv("VEMORA_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        GTEST_SKIP() << "wrote " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string expected((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    EXPECT_EQ(actual, expected);
}

} // namespace
} // namespace vemora
