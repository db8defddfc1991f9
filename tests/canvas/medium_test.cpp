// The drawing seam: what the 3D canvas and the whole chart hand to a medium, seen by a
// medium that writes down every call.
#include "canvas/chart_canvas.h"
#include "support/sample_chart.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vemora {
namespace {

class RecordingMedium final : public TMedium {
public:
    std::vector<std::string> calls;

    gfx::ColorRef GetBkColor() const override { return bk_; }
    void SetBkColor(TColor color) override { bk_ = ResolveColor(color); }
    int GetBkMode() const override { return mode_; }
    void SetBkMode(int mode) override { mode_ = mode; }
    uint32_t GetTextAlign() const override { return align_; }
    void SetTextAlign(uint32_t align) override { align_ = align; }
    void SelectTools() override {}
    void MoveTo(int32_t x, int32_t y) override { at_ = {x, y}; }
    void LineTo(int32_t x, int32_t y) override {
        Record("L", {at_, {x, y}});
        at_ = {x, y};
    }
    void Polyline(std::span<const Point> points) override { Record("PL", points); }
    void Arc(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        calls.push_back("Arc");
    }
    void Polygon(std::span<const Point> points) override {
        Record("P " + Hex(ResolveColor(brush_.Color())), points);
    }
    void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        Record("R", {{x0, y0}, {x1, y1}});
    }
    void Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        Record("E", {{x0, y0}, {x1, y1}});
    }
    void RoundRect(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        calls.push_back("RoundRect");
    }
    void Pie(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        calls.push_back("Pie");
    }
    void FillRect(const Rect& r) override { Record("F", {{r.Left, r.Top}, {r.Right, r.Bottom}}); }
    void FillRect(const Rect& r, TColor color) override {
        Record("F " + Hex(ResolveColor(color)), {{r.Left, r.Top}, {r.Right, r.Bottom}});
    }
    uint64_t FillGradient(const Rect& r, TColor a, TColor b, TGradientDirection) override {
        Record("G " + Hex(a) + " " + Hex(b), {{r.Left, r.Top}, {r.Right, r.Bottom}});
        return 1;
    }
    void SetPixel(int32_t x, int32_t y, TColor) override { Record("Px", {{x, y}}); }
    void TextOut(int32_t x, int32_t y, std::string_view text) override {
        Record("T " + std::string(text), {{x, y}});
    }
    void TextOut(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& f) override {
        Record("T " + std::string(text) + " @" + std::to_string(f.Escapement), {{x, y}});
    }
    using TMedium::Draw;
    void Draw(int32_t x, int32_t y, int32_t, int32_t, const gfx::Bitmap&, int32_t,
              int32_t) override {
        Record("Blit", {{x, y}});
    }
    void StretchDraw(const Rect&, const gfx::Bitmap&) override { calls.push_back("Stretch"); }
    void IntersectClipRect(const Rect& r) override {
        Record("ClipRect", {{r.Left, r.Top}, {r.Right, r.Bottom}});
    }
    void SelectClipPolygon(std::span<const Point> points) override { Record("Clip", points); }
    void Unclip() override { calls.push_back("Unclip"); }
    void BeginFigure(int32_t x, int32_t y) override { Record("Figure", {{x, y}}); }
    void EndFigure() override { calls.push_back("End"); }

    size_t Count(std::string_view prefix) const {
        return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](auto& c) {
            return std::string_view(c).starts_with(prefix);
        }));
    }

private:
    gfx::DeviceContext& Metrics() override { return metrics_; }
    static std::string Hex(uint32_t v) {
        std::ostringstream s;
        s << std::hex << v;
        return s.str();
    }
    void Record(const std::string& op, std::span<const Point> points) {
        std::ostringstream s;
        s << op;
        for (const Point& p : points)
            s << " " << p.X << "," << p.Y;
        calls.push_back(s.str());
    }
    void Record(const std::string& op, std::initializer_list<Point> points) {
        Record(op, std::span<const Point>(points.begin(), points.size()));
    }

    gfx::DeviceContext metrics_;
    gfx::ColorRef bk_ = 0xFFFFFF;
    int mode_ = gfx::OPAQUE;
    uint32_t align_ = 0;
    Point at_;
};

using Strings = std::vector<std::string>;

// A 3D canvas drawing straight onto the recording medium, as it does for a picture.
struct Seam {
    Seam() : canvas(&window) {
        canvas.SetMetafiling(true);
        canvas.OpenFrame(&medium, &options, clWhite, true, {0, 0, 200, 150});
        canvas.SetProjection(4, {0, 0, 200, 150}, {20, 10, 180, 130});
        medium.calls.clear();
    }
    TCanvas window;
    RecordingMedium medium;
    TView3DOptions options;
    TChartCanvas3D canvas;
};

TEST(TheSeam, AMetafiledFrameGoesStraightOntoTheMediumAndIsNeverCopied) {
    Seam s;
    EXPECT_EQ(s.canvas.Medium(), &s.medium);
    EXPECT_EQ(s.canvas.ReferenceCanvas(), nullptr);
    EXPECT_EQ(s.canvas.PixelDevice(), nullptr);
    EXPECT_EQ(s.canvas.OffscreenBitmap(), nullptr);
    EXPECT_FALSE(s.canvas.KeepsUnderlay());
    s.canvas.Brush().SetColor(clWhite);
    s.canvas.FillRect({0, 0, 200, 150});
    s.canvas.PresentFrame(&s.medium, &s.window, {0, 0, 200, 150});
    EXPECT_EQ(s.medium.calls, (Strings{"F 0,0 200,150"}));
    // The window's canvas is the raster one again.
    EXPECT_EQ(s.canvas.ReferenceCanvas(), &s.window);
}

TEST(TheSeam, ABoxIsItsThreeVisibleFacesInTheirShades) {
    Seam s;
    s.canvas.Brush().SetColor(clRed);
    s.canvas.Box(10, 20, 30, 40, 0, 4, true);
    EXPECT_EQ(s.medium.calls,
              (Strings{"P ff 10,30 20,30 20,40 10,40", "P 7f 20,30 24,26 24,36 20,40",
                       "P bf 10,30 20,30 24,26 14,26"}));
}

TEST(TheSeam, TheSeriesClipIsTheSixCornerOutlineOfThePlotBox) {
    Seam s;
    s.canvas.ClipToBox({20, 10, 180, 130}, 0, 4);
    s.canvas.Unclip();
    EXPECT_EQ(s.medium.calls, (Strings{"Clip 20,130 20,10 24,6 184,6 184,126 180,130", "Unclip"}));
}

TEST(TheSeam, GradientBevelsAndRotatedTextReachTheMediumAsTheRulesArrangeThem) {
    Seam s;
    // The colours turn round for the directions that start at the other edge.
    s.canvas.FillGradient({0, 0, 10, 20}, 0x80FF80, 0x80FFFF, TGradientDirection::gdTopBottom);
    s.canvas.FillGradient({0, 0, 10, 20}, 0x80FF80, 0x80FFFF, TGradientDirection::gdBottomTop);
    Rect bevel{0, 0, 10, 8};
    s.canvas.Frame3D(bevel, clWhite, clBlack, 1);
    s.canvas.RotatedTextAtDepth(50, 60, "label", 90, 4);
    EXPECT_EQ(s.medium.calls,
              (Strings{"G 80ff80 80ffff 0,0 10,20", "G 80ffff 80ff80 0,0 10,20", "F ffffff 0,0 9,1",
                       "F ffffff 0,0 1,7", "F 0 0,7 10,8", "F 0 9,0 10,8", "T label @900 54,56"}));
    EXPECT_EQ(bevel, (Rect{1, 1, 9, 7}));
    // The pen of a chart pen goes through the canvas to the medium's pen.
    TDottedGrayPen grid;
    s.canvas.ApplyChartPen(grid);
    EXPECT_EQ(s.medium.Pen().Style(), TPenStyle::psDot);
    EXPECT_EQ(s.medium.Pen().Color(), clGray);
}

TEST(TheSeam, TheWholeChartGoesThroughTheMediumWithEveryMarkerAFigure) {
    testing::SampleChart sample;
    // Each frame sizes the labels with the previous frame's span: frames until it stays.
    for (int i = 0; i < 3; ++i) {
        sample.chart.Invalidate();
        sample.host.Update();
    }
    const gfx::Bitmap shown = sample.host.Screen();
    RecordingMedium medium;
    sample.chart.DrawToMedium(medium, sample.host.ClientRect());
    // Nothing copied from a buffer: all of it drawn, the background as a gradient.
    EXPECT_EQ(medium.Count("Blit"), 0u);
    EXPECT_EQ(medium.Count("G "), 1u);
    // Every marker drawn as its own figure (no stamps on a medium without pixels), boxes of
    // three faces each, inside the series clip.
    EXPECT_EQ(medium.Count("Figure"), 400u);
    EXPECT_EQ(medium.Count("End"), 400u);
    EXPECT_EQ(medium.Count("P ff "), 400u);
    EXPECT_EQ(medium.Count("Clip "), 1u);
    // Every label of the frame's layout.
    std::map<std::string, size_t> labels;
    for (const TCustomChartAxis* axis : sample.chart.Axes()) {
        if (sample.chart.AxisShown(*axis)) {
            for (const TAxisLabel& label : axis->LastLabels())
                ++labels[label.Text];
        }
    }
    EXPECT_GT(labels.size(), 30u);
    for (const auto& [text, count] : labels)
        EXPECT_EQ(medium.Count("T " + text + " "), count) << text;
    // The window draws its next frame whole, the same as before.
    EXPECT_FALSE(sample.chart.Canvas3D().Metafiling());
    sample.chart.Invalidate();
    sample.host.Update();
    EXPECT_TRUE(sample.host.Screen() == shown);
}

} // namespace
} // namespace vemora
