// Markers put down as stamps, topmost first, must leave every pixel of the frame as drawing
// them one after another does. Each case renders the same random data twice, once with a
// series that draws its markers in turn, and compares the whole window.
#include "app/main_chart.h"
#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <tuple>

namespace vemora {
namespace {

// A fixed scale on the axis.
void Range(TCustomChartAxis& axis, double minimum, double maximum) {
    axis.SetAutomatic(false);
    axis.SetMinimum(-1e300);
    axis.SetMaximum(maximum);
    axis.SetMinimum(minimum);
}

// The program's series drawn one of the ways a frame can go: by the direct loop or through
// DrawPoint per index, its markers stamped or drawn in turn. Counting the DrawPoint calls
// leaves the step as it is.
class DrawnSeries final : public TPointSeries {
public:
    DrawnSeries(TPointSteps steps, bool stamps) : TPointSeries(steps), stamps_(stamps) {}
    bool StampsMarkers() const override { return stamps_ && TPointSeries::StampsMarkers(); }
    void DrawPoint(int32_t index) override {
        ++throughDrawPoint;
        TPointSeries::DrawPoint(index);
    }
    int throughDrawPoint = 0;

private:
    bool stamps_;
};

struct Scene {
    std::function<void(TChart&, TPointSeries&)> configure;
    int points = 3000;
    bool ascendingX = true;
    bool withNulls = false;
    uint32_t seed = 1;
    bool ownColours = false; // a colour of its own for every point
};

// The canvas's pen (colour, style, width, mode), brush (colour, style) and background
// (colour, mode) as the series leaves them.
using Tools = std::tuple<TColor, TPenStyle, int32_t, TPenMode, TColor, TBrushStyle, TColor, int>;

struct Rendered {
    gfx::Bitmap screen;
    bool stamped = false;
    int throughDrawPoint = 0;
    Tools tools{};
};

Rendered Render(const Scene& scene, std::unique_ptr<TPointSeries> series) {
    ui::HeadlessWindowHost host;
    TChart chart(&host);
    TPointSeries& s = BuildChart1(chart, std::move(series));
    s.XValues().SetOrder(scene.ascendingX ? TChartListOrder::loAscending : TChartListOrder::loNone);
    if (scene.configure)
        scene.configure(chart, s);
    Tools tools{};
    s.AfterDrawValues = [&](TChartSeries*) {
        TCanvas3D& c = chart.Canvas3D();
        tools = {c.Pen().Color(),   c.Pen().Style(),   c.Pen().Width(),  c.Pen().Mode(),
                 c.Brush().Color(), c.Brush().Style(), c.GetBackColor(), c.GetBackMode()};
    };
    std::mt19937 random(scene.seed);
    std::uniform_real_distribution<double> value(0, 1000);
    for (int i = 0; i < scene.points; ++i) {
        const double x = value(random), y = value(random);
        if (scene.withNulls && i % 7 == 3)
            s.AddNullXY(x, y);
        else
            s.AddPoint(x, y, "",
                       scene.ownColours ? static_cast<TColor>(random() & 0xFFFFFF) : clDefault);
    }
    // The second frame sizes its labels by the first, as frames of a run do.
    host.Update();
    chart.Repaint();
    const auto* drawn = dynamic_cast<const DrawnSeries*>(&s);
    return {host.Screen(), s.StampedLastFrame(), drawn ? drawn->throughDrawPoint : 0, tools};
}

// The first differing pixel, for a readable failure.
::testing::AssertionResult SamePixels(const gfx::Bitmap& a, const gfx::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (a.At(x, y) != b.At(x, y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << std::hex << a.At(x, y)
                       << " stamped, " << b.At(x, y) << " drawn in turn";
        }
    }
    return ::testing::AssertionSuccess();
}

// Renders the scene with every marker in turn through DrawPoint, and then the way the
// program's series goes (the direct loop with stamps), the direct loop in turn and DrawPoint
// with stamps: the frames and the tools after the series must be the same. `stamped` says
// whether the stamps must have been used.
void ExpectIdentical(const Scene& scene, bool stamped = true) {
    using P = TPointSteps;
    const Rendered plain = Render(scene, std::make_unique<DrawnSeries>(P::stOwn, false));
    EXPECT_FALSE(plain.stamped);
    EXPECT_GT(plain.throughDrawPoint, 0);
    for (const auto& [steps, stamps] :
         {std::pair{P::stKept, true}, {P::stKept, false}, {P::stOwn, true}}) {
        const Rendered way = steps == P::stKept && stamps
                                 ? Render(scene, std::make_unique<TPointSeries>())
                                 : Render(scene, std::make_unique<DrawnSeries>(steps, stamps));
        EXPECT_EQ(way.stamped, stamps && stamped);
        EXPECT_EQ(way.throughDrawPoint, steps == P::stOwn ? plain.throughDrawPoint : 0);
        EXPECT_TRUE(SamePixels(way.screen, plain.screen));
        EXPECT_EQ(way.tools, plain.tools);
    }
}

TEST(MarkerStamps, TheProgramsChartIsPixelIdenticalWithRandomData) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        ExpectIdentical({nullptr, 3000, true, false, seed});
        ExpectIdentical({nullptr, 3000, false, false, seed});
    }
    // Dense enough that most markers are hidden, in index order and in random order.
    ExpectIdentical({nullptr, 40000, true, false, 9});
    ExpectIdentical({nullptr, 20000, false, false, 9});
}

TEST(MarkerStamps, EveryPointerStyleAndSizeIsPixelIdentical) {
    using S = TSeriesPointerStyle;
    for (S style : {S::psRectangle, S::psCircle, S::psTriangle, S::psDownTriangle, S::psCross,
                    S::psDiagCross, S::psStar, S::psDiamond, S::psSmallDot}) {
        for (int size : {1, 2, 3, 6}) {
            for (bool draw3D : {true, false}) {
                SCOPED_TRACE(::testing::Message() << "style " << static_cast<int>(style) << " size "
                                                  << size << " 3D " << draw3D);
                ExpectIdentical({[=](TChart&, TPointSeries& s) {
                                     s.Pointer().SetStyle(style);
                                     s.Pointer().SetHorizSize(size);
                                     s.Pointer().SetVertSize(size + 1);
                                     s.Pointer().SetDraw3D(draw3D);
                                 },
                                 600, false, false, static_cast<uint32_t>(size)});
            }
        }
    }
}

TEST(MarkerStamps, FlatChartsColoursNullsAndPensArePixelIdentical) {
    ExpectIdentical({[](TChart& c, TPointSeries&) { c.SetView3D(false); }, 2000});
    ExpectIdentical(
        {[](TChart&, TPointSeries& s) { s.SetColorEachPoint(true); }, 2000, false, true});
    ExpectIdentical({[](TChart&, TPointSeries& s) {
                         s.Pointer().Pen().SetVisible(false);
                         s.Pointer().SetDark3D(false);
                     },
                     2000});
    ExpectIdentical(
        {[](TChart&, TPointSeries& s) { s.Pointer().Brush().SetStyle(TBrushStyle::bsClear); }, 2000,
         false});
    ExpectIdentical({[](TChart&, TPointSeries& s) {
                         s.SetSeriesColor(clBlue);
                         s.Pointer().Brush().SetColor(clDefault);
                     },
                     2000, true, true});
    // The last of a colour per point is not black, so that its tools tell from those of the
    // marker stamped last. A pyramid ends on its front, the background as it found it.
    for (const auto style : {TSeriesPointerStyle::psTriangle, TSeriesPointerStyle::psCross})
        for (const auto brush : {TBrushStyle::bsSolid, TBrushStyle::bsClear})
            ExpectIdentical({[=](TChart&, TPointSeries& s) {
                                 s.Pointer().SetStyle(style);
                                 s.Pointer().Brush().SetStyle(brush);
                                 s.SetColorEachPoint(true);
                             },
                             803, false});
}

TEST(MarkerStamps, MarkersCutByThePlotBoxOrTheWindowArePixelIdentical) {
    // Without room at the ends of the axes, the outermost markers stand across the edges
    // and corners of the plot box.
    ExpectIdentical(
        {[](TChart&, TPointSeries& s) { s.Pointer().SetInflateMargins(false); }, 8000});
    // Zoomed in: markers lie across the edges of the plot, or beyond it.
    ExpectIdentical({[](TChart& c, TPointSeries&) {
                         Range(c.BottomAxis(), 300, 420);
                         Range(c.LeftAxis(), 450, 520);
                     },
                     15000});
    // Unclipped, markers run over the axes and out of the window.
    ExpectIdentical({[](TChart& c, TPointSeries& s) {
                         c.SetClipPoints(false);
                         Range(c.BottomAxis(), -50, 1050);
                         c.LeftAxis().SetInverted(true);
                         s.Pointer().SetHorizSize(9);
                     },
                     3000, false});
}

TEST(MarkerStamps, ProjectionsThatReshapeMarkersAreDrawnInTurn) {
    // Perspective and zoom move marker corners by different amounts: no stamps, same frame.
    ExpectIdentical(
        {[](TChart& c, TPointSeries&) { c.View3DOptions().SetOrthogonal(false); }, 1500}, false);
    ExpectIdentical({[](TChart& c, TPointSeries&) { c.View3DOptions().SetZoom(130); }, 1500},
                    false);
    // A hatch follows the device origin, a dash the line before it.
    ExpectIdentical(
        {[](TChart&, TPointSeries& s) { s.Pointer().Brush().SetStyle(TBrushStyle::bsDiagCross); },
         800},
        false);
    ExpectIdentical(
        {[](TChart&, TPointSeries& s) { s.Pointer().Pen().SetStyle(TPenStyle::psDot); }, 800},
        false);
}

TEST(MarkerStamps, AnInvertingPenFallsBackPartWayAndStillMatches) {
    // Not-xor mixes with what lies under it: the first marker's stamp is refused, and the
    // frame is drawn in turn from there.
    ExpectIdentical(
        {[](TChart&, TPointSeries& s) { s.Pointer().Pen().SetMode(TPenMode::pmNotXor); }, 800},
        false);
    // A colour per point: stamping stops at its limit and draws the rest in turn.
    ExpectIdentical({nullptr, 1200, false, false, 3, true}, false);
}

} // namespace
} // namespace vemora
