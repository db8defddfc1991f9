// The point series in a chart: which markers a frame draws, in which order and where; the
// room it asks of the axes; the hit test; its settings.
#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vemora {
namespace {

struct Marker {
    int32_t x, y, index;
    TColor color;
    bool operator==(const Marker&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Marker& m) {
    return os << "{" << m.x << "," << m.y << " #" << m.index << " " << std::hex << m.color
              << std::dec << "}";
}

// Notes each point processed ("D1") and each marker painted ("M0"), in order.
class RecordingSeries final : public TPointSeries {
public:
    RecordingSeries() : TPointSeries(TPointSteps::stOwn) {}
    void DrawPoint(int32_t index) override {
        Note('D', index);
        TPointSeries::DrawPoint(index);
    }
    void PaintMarker(int32_t x, int32_t y, int32_t index, TColor color) override {
        Note('M', index);
        markers.push_back({x, y, index, color});
        TPointSeries::PaintMarker(x, y, index, color);
    }
    void Note(char what, int32_t index) {
        trace += what;
        trace += std::to_string(index);
        trace += ' ';
    }
    void Reset() {
        trace.clear();
        markers.clear();
    }
    std::string trace;
    std::vector<Marker> markers;
};

struct PointRig {
    PointRig() {
        chart.SetBounds(0, 0, 300, 200);
        series = static_cast<RecordingSeries*>(
            chart.AddSeries(std::make_unique<RecordingSeries>()));
        series->SetSeriesColor(clRed);
    }
    void Frame() {
        series->Reset();
        chart.Invalidate();
        host.Update();
    }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
    RecordingSeries* series = nullptr;
};

TEST(PointSeriesDrawing, EachMarkerIsDrawnOnceInIndexOrderWhenTheNextPointComes) {
    PointRig rig;
    rig.series->AddPoint(1, 1, "", clDefault);
    rig.Frame();
    EXPECT_EQ(rig.series->trace, "D0 M0 ");

    rig.series->AddPoint(2, 3, "", clDefault);
    rig.series->AddPoint(3, 2, "", clDefault);
    rig.Frame();
    EXPECT_EQ(rig.series->trace, "D0 D1 M0 D2 M1 M2 ");
    ASSERT_EQ(rig.series->markers.size(), 3u);
    for (int32_t i = 0; i < 3; ++i) {
        const Marker& m = rig.series->markers[static_cast<size_t>(i)];
        EXPECT_EQ(m.x, rig.series->XPixel(i));
        EXPECT_EQ(m.y, rig.series->YPixel(i));
        EXPECT_EQ(m.color, clRed);
    }
}

TEST(PointSeriesDrawing, NullPointsHaveNoMarker) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    s.AddPoint(1, 1, "", clDefault);
    s.AddPoint(2, 2, "", clNone);
    s.AddPoint(3, 1, "", clDefault);
    rig.Frame();
    EXPECT_EQ(s.trace, "D0 D1 M0 D2 M2 ");

    // The last point null.
    s.SetPointColor(1, clDefault);
    s.SetPointColor(2, clNone);
    rig.Frame();
    EXPECT_EQ(s.trace, "D0 D1 M0 D2 M1 ");

    // A null point alone draws nothing either.
    s.ClearPoints();
    s.AddPoint(1, 1, "", clNone);
    rig.Frame();
    EXPECT_EQ(s.trace, "D0 ");
}

TEST(PointSeriesDrawing, AFarOffPointIsSkippedAndKeepsThePreviousPosition) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    rig.chart.LeftAxis().SetRange(0, 10);
    s.AddPoint(1, 5, "", clBlue);
    s.AddPoint(2, 1e7, "", clGreen); // millions of pixels above the plot
    s.AddPoint(3, 5, "", clRed);
    rig.Frame();
    ASSERT_EQ(s.FirstShown(), 0);
    ASSERT_EQ(s.LastShown(), 2);
    EXPECT_GT(-s.YPixel(1), kMaxDrawnPixel);
    // The first point's marker comes with the skipped point's index and colour.
    const std::vector<Marker> expected{{s.XPixel(0), s.YPixel(0), 1, clGreen},
                                       {s.XPixel(2), s.YPixel(2), 2, clRed}};
    EXPECT_EQ(s.markers, expected);
}

TEST(PointSeriesDrawing, HiddenPointerDrawsNothingAndAsksForNoRoom) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    s.AddPoint(1, 1, "", clDefault);
    s.AddPoint(2, 2, "", clDefault);
    int32_t a = -1, b = -1;
    s.HorizMargins(a, b);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 5);
    s.VertMargins(a, b);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 5);

    s.Pointer().SetVisible(false);
    rig.Frame();
    EXPECT_TRUE(s.markers.empty());
    s.HorizMargins(a, b);
    EXPECT_EQ(a + b, 0);
    s.VertMargins(a, b);
    EXPECT_EQ(a + b, 0);
    // A line height keeps room below the points.
    s.SetLineHeight(12);
    s.VertMargins(a, b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 12);
}

TEST(PointSeriesDrawing, OnGetPointerStyleChoosesEachMarkersShape) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    for (int i = 0; i < 3; ++i)
        s.AddPoint(i, i, "", clDefault);
    std::vector<int32_t> asked;
    s.OnGetPointerStyle = [&](TChartSeries* sender, int32_t index) {
        EXPECT_EQ(sender, &s);
        asked.push_back(index);
        return TSeriesPointerStyle::psCircle;
    };
    rig.Frame();
    EXPECT_EQ(asked, (std::vector<int32_t>{0, 1, 2}));
}

TEST(PointSeriesHitTest, TheBoxIsOnePixelSmallerThanTheMarkerOnEachSide) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    s.AddPoint(1, 1, "", clDefault);
    s.AddPoint(5, 5, "", clDefault);
    s.AddPoint(9, 2, "", clDefault);
    rig.Frame();
    const int32_t x = s.XPixel(1);
    const int32_t y = s.YPixel(1);
    std::vector<int32_t> clicked;
    s.OnClickPointer = [&](TCustomSeries*, int32_t index, int32_t, int32_t) {
        clicked.push_back(index);
    };
    EXPECT_EQ(s.PointAtPixel(x + 3, y), 1);
    EXPECT_EQ(s.PointAtPixel(x, y - 3), 1);
    EXPECT_EQ(s.PointAtPixel(x + 4, y), -1);
    EXPECT_EQ(s.PointAtPixel(x, y + 4), -1);
    EXPECT_EQ(clicked, (std::vector<int32_t>{1, 1}));

    // Without a pointer only the exact centre hits, and no click is reported.
    s.Pointer().SetVisible(false);
    rig.Frame();
    const int32_t cx = s.XPixel(1);
    const int32_t cy = s.YPixel(1);
    EXPECT_EQ(s.PointAtPixel(cx + 1, cy), -1);
    EXPECT_EQ(s.PointAtPixel(cx, cy), 1);
    EXPECT_EQ(clicked.size(), 2u);
}

TEST(PointSeriesHitTest, OverlappingMarkersGiveTheLowerIndex) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    s.AddPoint(0, 0, "", clDefault);
    s.AddPoint(10, 10, "", clDefault);
    s.AddPoint(10.05, 10, "", clDefault);
    rig.Frame();
    ASSERT_LE(std::abs(s.XPixel(2) - s.XPixel(1)), 2);
    EXPECT_EQ(s.PointAtPixel(s.XPixel(2), s.YPixel(2)), 1);
    // Points removed since the frame are not looked at.
    s.DeletePoint(2);
    s.DeletePoint(1);
    EXPECT_EQ(s.PointAtPixel(s.XPixel(0) + 200, 0), -1);
}

TEST(PointSeriesSettings, ConfigurationAssignmentAndColourPerPoint) {
    TPointSeries s;
    EXPECT_FALSE(s.DrawLine());
    EXPECT_FALSE(s.ClickableLine());
    EXPECT_EQ(s.Marks().ArrowLength(), 0);
    EXPECT_TRUE(s.Pointer().Visible());
    EXPECT_TRUE(s.DrawBetweenPoints());
    EXPECT_TRUE(s.ConnectsPoints());

    TCustomSeries other;
    other.SetDrawArea(true);
    other.Pointer().SetVisible(false);
    other.Pointer().SetStyle(TSeriesPointerStyle::psDiamond);
    other.SetSeriesColor(clGreen);
    other.SetLineHeight(7);
    s.Assign(other);
    EXPECT_TRUE(s.Pointer().Visible());
    EXPECT_FALSE(s.DrawArea());
    EXPECT_FALSE(s.DrawLine());
    EXPECT_FALSE(s.ClickableLine());
    EXPECT_EQ(s.Pointer().Style(), TSeriesPointerStyle::psDiamond);
    EXPECT_EQ(s.SeriesColor(), clGreen);
    EXPECT_EQ(s.LineHeight(), 7);

    s.Pointer().Brush().SetColor(clRed);
    s.SetColorEachPoint(true);
    EXPECT_EQ(s.Pointer().Brush().Color(), clDefault);
}

TEST(PointSeriesSettings, EachPointTakesItsOwnColourWithColorEachPoint) {
    PointRig rig;
    RecordingSeries& s = *rig.series;
    for (int i = 0; i < 3; ++i)
        s.AddPoint(i, i, "", clDefault);
    s.SetColorEachPoint(true);
    rig.Frame();
    ASSERT_EQ(s.markers.size(), 3u);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(s.markers[static_cast<size_t>(i)].color, PaletteColor(i));
}

} // namespace
} // namespace vemora
