#include "axes/axis_rig.h"
#include "support/golden.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace vemora {
namespace {

using testing::AxisRig;

// Records the depth lines and texts an axis draws, then draws them.
class RecordingCanvas final : public TChartCanvas3D {
public:
    using TChartCanvas3D::TChartCanvas3D;

    std::vector<std::string> calls;

    void HorizLineAtDepth(int32_t l, int32_t r, int32_t y, int32_t z) override {
        Record("H", {l, r, y, z});
        TChartCanvas3D::HorizLineAtDepth(l, r, y, z);
    }
    void VertLineAtDepth(int32_t x, int32_t t, int32_t b, int32_t z) override {
        Record("V", {x, t, b, z});
        TChartCanvas3D::VertLineAtDepth(x, t, b, z);
    }
    void DepthLine(int32_t x, int32_t y, int32_t z0, int32_t z1) override {
        Record("D", {x, y, z0, z1});
        TChartCanvas3D::DepthLine(x, y, z0, z1);
    }
    void TextOutAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z) override {
        Record(Text('T', text), {x, y, z});
        TChartCanvas3D::TextOutAtDepth(x, y, text, z);
    }
    void RotatedTextAtDepth(int32_t x, int32_t y, std::string_view text, int32_t angle,
                            int32_t z) override {
        Record(Text('R', text), {x, y, angle, z});
        TChartCanvas3D::RotatedTextAtDepth(x, y, text, angle, z);
    }

    // The calls of one kind ("V", "H", "D", "T...", "R...") in order.
    std::vector<std::string> Of(char kind) const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c[0] == kind)
                out.push_back(c);
        return out;
    }

private:
    // Kind, text and alignment: "T12@6".
    std::string Text(char kind, std::string_view text) const {
        std::ostringstream s;
        s << kind << text << '@' << GetTextAlign();
        return s.str();
    }
    void Record(const std::string& op, std::initializer_list<int32_t> args) {
        std::ostringstream s;
        s << op;
        for (int32_t a : args)
            s << ' ' << a;
        calls.push_back(s.str());
    }
};

// The window reaches below the bottom axis's labels, which the panel would otherwise cut.
struct DrawRig : AxisRig {
    explicit DrawRig(Rect plot = {50, 100, 650, 600}) : AxisRig(plot, 800, 700) {
        auto canvas = std::make_unique<RecordingCanvas>(&chart.WindowCanvas());
        recorder = canvas.get();
        chart.SetCanvas3D(std::move(canvas));
        chart.OpenCanvas(host.ClientRect());
        chart.SetChart3DPercent(10);
        chart.ComputeDepth();
    }
    int32_t FontHeight() {
        chart.SelectFont(chart.BottomAxis().LabelsFont());
        return chart.Canvas3D().FontHeight();
    }
    RecordingCanvas* recorder;
};

using Strings = std::vector<std::string>;

TEST(AxisDrawing, BottomAxisInDrawingOrder) {
    DrawRig rig;
    ASSERT_EQ(rig.chart.ChartDepth(), 6);
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 0, 600, 250);
    Rect space{50, 100, 650, 620};
    axis.ReserveSpace(space, true);
    const int32_t h = rig.FontHeight();
    ASSERT_EQ(axis.LabelsPos(), 620 - h);
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LinePos(), 600);
    const std::string labelsAt = std::to_string(620 - h);
    EXPECT_EQ(rig.recorder->calls,
              (Strings{// labels from the largest value, centred with their top at LabelsPos
                       "T500@6 550 " + labelsAt + " 0", "T250@6 300 " + labelsAt + " 0",
                       "T0@6 50 " + labelsAt + " 0",
                       // axis line
                       "H 50 650 600 0",
                       // outer ticks, one pixel below the line, 4 long
                       "V 550 601 605 0", "V 300 601 605 0", "V 50 601 605 0",
                       // grid: back along the floor, then up the back plane
                       "D 550 600 0 6", "V 550 100 600 6", "D 300 600 0 6", "V 300 100 600 6",
                       "D 50 600 0 6", "V 50 100 600 6",
                       // inner ticks of length 0
                       "V 550 599 599 0", "V 300 599 599 0", "V 50 599 599 0",
                       // minor ticks: beyond the end ticks with the first gap (Round(-62.5) is
                       // -62; only 612 lies inside the span), then between the ticks
                       "V 612 601 603 0", "V 362 601 603 0", "V 425 601 603 0", "V 488 601 603 0",
                       "V 112 601 603 0", "V 175 601 603 0", "V 238 601 603 0"}));
}

TEST(AxisDrawing, LeftAxisTicksAndLabels) {
    DrawRig rig({50, 100, 650, 600});
    TChartAxis& axis = rig.chart.LeftAxis();
    AxisRig::Scale(axis, 0, 500, 400);
    axis.SetMinorTicks(TChartHiddenPen());
    axis.SetGrid(TChartHiddenPen());
    Rect space{10, 100, 650, 600};
    axis.ReserveSpace(space, true);
    const int32_t h = rig.FontHeight();
    axis.DrawAxis(true);
    EXPECT_EQ(axis.LinePos(), 50);
    // Value 400 lies at y = 200: right-aligned at LabelsPos, its top half a line higher.
    const std::string x = std::to_string(axis.LabelsPos());
    EXPECT_EQ(rig.recorder->Of('T'),
              (Strings{"T400@2 " + x + " " + std::to_string(200 - h / 2) + " 0",
                       "T0@2 " + x + " " + std::to_string(600 - h / 2) + " 0"}));
    EXPECT_EQ(rig.recorder->Of('H'),
              (Strings{"H 49 45 200 0", "H 49 45 600 0", "H 51 51 200 0", "H 51 51 600 0"}));
    EXPECT_EQ(rig.recorder->Of('V'), (Strings{"V 50 100 600 0"}));
}

TEST(AxisDrawing, FarSideAxesDrawAtTheBackPlane) {
    DrawRig rig({50, 100, 650, 600});
    TChartAxis& top = rig.chart.TopAxis();
    AxisRig::Scale(top, 0, 600, 300);
    top.SetMinorTicks(TChartHiddenPen());
    top.DrawAxis(true);
    EXPECT_EQ(top.LinePos(), 100);
    const Strings v = rig.recorder->Of('V');
    EXPECT_EQ(Strings(v.begin(), v.begin() + 3),
              (Strings{"V 650 99 95 6", "V 350 99 95 6", "V 50 99 95 6"}));
    EXPECT_EQ(rig.recorder->Of('D'), Strings{}); // a far grid line needs no floor part
    EXPECT_EQ(rig.recorder->Of('H'), (Strings{"H 50 650 100 6"}));
    rig.recorder->calls.clear();
    TChartAxis& right = rig.chart.RightAxis();
    AxisRig::Scale(right, 0, 10, 10);
    right.SetMinorTicks(TChartHiddenPen());
    right.SetGrid(TChartHiddenPen());
    right.SetTicksInner(TChartHiddenPen());
    right.DrawAxis(true);
    EXPECT_EQ(rig.recorder->Of('H'), (Strings{"H 651 655 100 6", "H 651 655 600 6"}));
    EXPECT_EQ(rig.recorder->Of('V'), (Strings{"V 650 100 600 6"}));
}

TEST(AxisDrawing, MinorMarksGridCentringAndDefaultGridColour) {
    DrawRig rig({0, 0, 400, 300});
    TChartAxis& axis = rig.chart.BottomAxis();
    AxisRig::Scale(axis, 0, 400, 100); // ticks at 400, 300, 200, 100, 0
    axis.SetTicks(TChartHiddenPen());
    axis.SetTicksInner(TChartHiddenPen());
    axis.SetGrid(TChartHiddenPen());
    axis.DrawAxis(true);
    std::vector<int32_t> minor;
    for (const std::string& c : rig.recorder->Of('V'))
        minor.push_back(std::stoi(c.substr(2)));
    // Three between every pair of ticks, 25 pixels apart; those extrapolated beyond the
    // end ticks lie outside the span.
    EXPECT_EQ(minor,
              (std::vector<int32_t>{325, 350, 375, 225, 250, 275, 125, 150, 175, 25, 50, 75}));

    rig.recorder->calls.clear();
    AxisRig::Scale(axis, 0, 400, 100);
    axis.SetMinorTicks(TChartHiddenPen());
    axis.SetGridCentered(true);
    TChartPen grid;
    grid.SetColor(clDefault);
    axis.SetGrid(grid);
    axis.DrawAxis(true);
    EXPECT_EQ(rig.recorder->Of('D'),
              (Strings{"D 350 300 0 4", "D 250 300 0 4", "D 150 300 0 4", "D 50 300 0 4"}));
    EXPECT_EQ(rig.chart.Canvas3D().Pen().Color(), clGray);

    // The minor grid: full grid lines at the minor positions, after everything else.
    rig.recorder->calls.clear();
    axis.SetGrid(TChartHiddenPen());
    axis.MinorGrid().SetVisible(true);
    AxisRig::Scale(axis, 0, 400, 200); // ticks at 400, 200, 0
    axis.DrawAxis(true);
    EXPECT_EQ(rig.recorder->Of('D'), (Strings{"D 250 300 0 4", "D 300 300 0 4", "D 350 300 0 4",
                                              "D 50 300 0 4", "D 100 300 0 4", "D 150 300 0 4"}));
}

TEST(AxisDrawing, ScaleUpsideDownDrawsOnlyTheLine) {
    DrawRig rig;
    TChartAxis& axis = rig.chart.BottomAxis();
    axis.SetAutomatic(false);
    rig.chart.BeginLoading();
    axis.SetMinimum(5);
    axis.SetMaximum(1);
    rig.chart.EndLoading();
    axis.RefreshRange();
    axis.DrawAxis(true);
    EXPECT_TRUE(axis.LastLabels().empty());
    EXPECT_EQ(rig.recorder->calls, (Strings{"H 50 650 600 0"}));
}

// What an axis draws, item by item, as frames are compared: every pixel the drawing paints
// lies inside an item's bounds, whatever the side, label angle, lines of text, title, minor
// marks and depth.
TEST(AxisItems, EveryPixelAnAxisPaintsLiesInAnItem) {
    struct Case {
        const char* Name;
        int Axis; // bottom, left, top, right
        int32_t Angle;
        bool Depth;
    };
    const Case cases[] = {{"bottom", 0, 0, true},         {"left", 1, 0, false},
                          {"top, upright", 2, 90, true},  {"right, upside down", 3, 180, false},
                          {"bottom, 270", 0, 270, false}, {"left, 45", 1, 45, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        AxisRig rig({120, 110, 620, 480});
        if (c.Depth) {
            rig.chart.SetChart3DPercent(15);
            rig.chart.ComputeDepth();
        }
        TCustomChartAxis* axes[] = {&rig.chart.BottomAxis(), &rig.chart.LeftAxis(),
                                    &rig.chart.TopAxis(), &rig.chart.RightAxis()};
        TCustomChartAxis& axis = *axes[c.Axis];
        axis.SetVisible(true);
        AxisRig::Scale(axis, -12.5, 1234.75);
        axis.SetLabelsAngle(c.Angle);
        axis.SetTickInnerLength(5);
        TChartPen minorGrid;
        minorGrid.SetColor(clBlue);
        minorGrid.SetVisible(true);
        axis.SetMinorGrid(minorGrid);
        axis.Title().SetCaption("Title of the axis");
        TCanvas3D& canvas = rig.chart.Canvas3D();
        gfx::DeviceContext& dc = canvas.ReferenceCanvas()->DeviceContext();
        gfx::Bitmap& picture = *dc.Target();
        constexpr gfx::Pixel kGround = 0x123456;
        std::fill_n(picture.Data(), static_cast<size_t>(picture.Width()) * picture.Height(),
                    kGround);
        Rect space{0, 0, 800, 600};
        axis.ReserveSpace(space, true);
        axis.DrawAxis(true);
        std::vector<TFrameItem> items;
        axis.CollectItems(0, items);
        ASSERT_FALSE(items.empty());
        int painted = 0;
        for (int32_t y = 0; y < picture.Height(); ++y) {
            for (int32_t x = 0; x < picture.Width(); ++x) {
                if (picture.At(x, y) == kGround)
                    continue;
                ++painted;
                const bool inside = std::any_of(items.begin(), items.end(), [&](auto& item) {
                    return item.Bounds.Contains(x, y);
                });
                ASSERT_TRUE(inside) << "(" << x << ", " << y << ") lies in no item";
            }
        }
        EXPECT_GT(painted, 200);
    }
}

TEST(LabelPlacement, FourAnglesAndSeveralLines) {
    DrawRig rig;
    const int32_t h = rig.FontHeight();
    const int32_t half = h / 2;
    TChartAxis& bottom = rig.chart.BottomAxis();
    TChartAxis& left = rig.chart.LeftAxis();
    TChartAxis& top = rig.chart.TopAxis();
    const auto at = [&](TCustomChartAxis& axis, std::string_view text, int32_t angle) {
        rig.recorder->calls.clear();
        axis.DrawLabelText(300, 200, text, angle);
        std::string out;
        for (const std::string& c : rig.recorder->calls)
            out += c + ";";
        return out;
    };
    const auto n = [](int64_t v) { return std::to_string(v); };
    EXPECT_EQ(at(bottom, "A", 0), "TA@6 300 200 0;");
    EXPECT_EQ(at(bottom, "A\rB", 0), "TA@6 300 200 0;TB@6 300 " + n(200 + h) + " 0;");
    EXPECT_EQ(at(top, "A", 0), "TA@14 300 200 6;");
    EXPECT_EQ(at(top, "A\rB", 0), "TA@14 300 " + n(200 - h) + " 6;TB@14 300 200 6;");
    EXPECT_EQ(at(bottom, "A", 90), "RA@2 " + n(300 - half) + " 200 90 0;");
    EXPECT_EQ(at(bottom, "A", 180), "RA@14 300 200 180 0;");
    EXPECT_EQ(at(bottom, "A", 270), "RA@0 " + n(300 + half) + " 200 270 0;");
    EXPECT_EQ(at(left, "A", 0), "TA@2 300 " + n(200 - half) + " 0;");
    EXPECT_EQ(at(left, "A", 90), "RA@14 300 200 90 0;");
    EXPECT_EQ(at(left, "A", 270), "RA@6 300 200 270 0;");
    // Any other angle: every line rotated at the anchor, aligned left and top.
    EXPECT_EQ(at(bottom, "A\rB", 45), "RA@0 300 200 45 0;RB@0 300 200 45 0;");
    EXPECT_EQ(at(bottom, "", 0), "");
    EXPECT_EQ(rig.chart.Canvas3D().GetTextAlign(), gfx::TA_LEFT | gfx::TA_TOP);
}

TEST(AxisSpace, ReserveSpaceBandsFromTheOutside) {
    DrawRig rig;
    const int32_t h = rig.FontHeight();
    TChartAxis& bottom = rig.chart.BottomAxis();
    EXPECT_EQ(bottom.TickAreaSize(), 6);
    Rect r{0, 0, 800, 600};
    bottom.ReserveSpace(r, true);
    EXPECT_EQ(bottom.LabelsPos(), 600 - h);
    EXPECT_EQ(r, (Rect{0, 0, 800, 600 - h - 6}));

    bottom.Title().SetCaption("Time");
    r = {0, 0, 800, 600};
    bottom.ReserveSpace(r, true);
    EXPECT_EQ(bottom.TitlePos(), 600 - h);
    EXPECT_EQ(bottom.LabelsPos(), 600 - 2 * h);
    EXPECT_EQ(r.Bottom, 600 - 2 * h - 6);

    TChartAxis& left = rig.chart.LeftAxis();
    AxisRig::Scale(left, 0, 1000);
    r = {0, 0, 800, 600};
    left.ReserveSpace(r, true);
    const int32_t labels = left.WidestLabel();
    EXPECT_EQ(left.LabelsPos(), labels);
    EXPECT_EQ(r.Left, labels + 6);

    // Sizes given by hand replace the measured ones; hidden pens take no room.
    left.SetLabelsSize(40);
    left.SetAxis(TChartHiddenPen());
    r = {0, 0, 800, 600};
    left.ReserveSpace(r, true);
    EXPECT_EQ(r.Left, 44);

    // An axis of its own is placed without taking space.
    TChartAxis extra(&rig.chart);
    extra.SetRole(true, false, false, 0);
    r = {0, 0, 800, 600};
    extra.ReserveSpace(r, false);
    EXPECT_EQ(r, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(extra.LinePos(), 600);
    EXPECT_EQ(extra.LabelsPos(), 606);
    EXPECT_EQ(extra.TitlePos(), 606 + h);
}

TEST(AxisSpace, PositionPercentMovesIntoThePlot) {
    DrawRig rig;
    TChartAxis& bottom = rig.chart.BottomAxis();
    TChartAxis& right = rig.chart.RightAxis();
    const Rect r{0, 0, 400, 200};
    bottom.SetPositionPercent(10);
    right.SetPositionPercent(10);
    EXPECT_EQ(bottom.ApplyPositionPercent(200, r), 180);
    EXPECT_EQ(right.ApplyPositionPercent(400, r), 360);
    EXPECT_EQ(bottom.SideEdge(r), 200);
    EXPECT_EQ(right.SideEdge(r), 400);
    EXPECT_EQ(rig.chart.TopAxis().SideEdge(r), 0);
}

TEST(AxisSpace, HitTestCoversTheLabelsBandAndThreePixelsBeyondTheLine) {
    DrawRig rig({50, 100, 650, 600});
    const int32_t h = rig.FontHeight();
    TChartAxis& bottom = rig.chart.BottomAxis();
    Rect r{50, 100, 650, 606 + h};
    bottom.ReserveSpace(r, true);
    ASSERT_EQ(bottom.LabelsPos(), 606);
    bottom.DrawAxis(true);
    ASSERT_EQ(bottom.LinePos(), 600);
    EXPECT_TRUE(bottom.HitTest(300, 597));
    EXPECT_TRUE(bottom.HitTest(300, 605));
    EXPECT_FALSE(bottom.HitTest(300, 596));
    EXPECT_FALSE(bottom.HitTest(300, 606));
    EXPECT_TRUE(bottom.HitTest(50, 600));
    EXPECT_FALSE(bottom.HitTest(650, 600));
    bottom.SetVisible(false);
    EXPECT_FALSE(bottom.HitTest(300, 600));
}

TEST(AxisPicture, AxisPairIn3D) {
    AxisRig rig({0, 0, 10, 10}, 320, 240);
    TChart& chart = rig.chart;
    chart.SetChart3DPercent(15);
    TChartSeries& s = rig.AddSeries();
    for (int i = 0; i <= 40; ++i)
        s.AddPoint(i * 0.5, i * i * 0.0625, "", clDefault);
    chart.ComputeLayout();
    chart.ComputeLayout(); // the second frame sizes the labels with the first one's span
    chart.BottomAxis().DrawAxis(true);
    chart.LeftAxis().DrawAxis(true);
    const auto* canvas = dynamic_cast<const TChartCanvas3D*>(&chart.Canvas3D());
    ASSERT_NE(canvas, nullptr);
    ASSERT_NE(canvas->OffscreenBitmap(), nullptr);
    EXPECT_TRUE(testing::MatchesGolden(*canvas->OffscreenBitmap(), "axes_pair_3d"));
}

} // namespace
} // namespace vemora
