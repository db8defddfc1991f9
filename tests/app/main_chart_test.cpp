// The main window's chart through the real plot run, painted after every point as the
// window paints it.
#include "app/headless_plot_window.h"
#include "app/main_chart.h"
#include "app/plotrun.h"
#include "platform/ui/headless_window_host.h"
#include "support/golden.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vemora {
namespace {

using gfx::Pixel;
using vemora::testing::MatchesGolden;
using vemora::testing::TempDir;

struct ProgramChart {
    explicit ProgramChart(const std::string& path)
        : series(BuildChart1(chart)), window(path), run(window, series) {
        ConnectSeries1(series, run);
        window.OnUpdateChart = [this] { chart.Update(); };
        chart.OnAfterDraw = [this](TCustomChartPanel*) { ++frames; };
        // The window is shown before anything can be plotted.
        host.Update();
        frames = 0;
    }
    // The start button, then the message loop's paint of the last change.
    void Run() {
        run.Button1Click(nullptr);
        framesDuringRun = frames;
        host.Update();
    }
    int Count(Pixel pixel) const {
        int n = 0;
        const gfx::Bitmap& s = host.Screen();
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x)
                n += s.At(x, y) == pixel;
        }
        return n;
    }

    ui::HeadlessWindowHost host;
    TChart chart{&host};
    TPointSeries& series;
    THeadlessPlotWindow window;
    TPlotRun run;
    int frames = 0;
    int framesDuringRun = 0;
};

TEST(ProgramChart, TheSampleRunPaintsAFramePerPointAndShowsThePlot) {
    ProgramChart p(std::string(VEMORA_SOURCE_DIR) + "/data/proba2.txt");
    p.Run();
    EXPECT_EQ(p.framesDuringRun, 400);
    EXPECT_EQ(p.frames, 401);
    EXPECT_EQ(p.host.Screen().Width(), 813);
    EXPECT_EQ(p.host.Screen().Height(), 653);
    EXPECT_TRUE(MatchesGolden(p.host.Screen(), "main_chart_sample"));

    const gfx::Bitmap& s = p.host.Screen();
    // Light yellow at the top, light green at the bottom, inside the raised ring.
    EXPECT_EQ(s.At(400, 1), 0xFFFF80u);
    EXPECT_EQ(s.At(400, 651), 0x80FF80u);
    EXPECT_EQ(s.At(400, 0), 0xFFFFFFu);
    EXPECT_EQ(s.At(400, 652), 0x808080u);
    // Red boxes with black outlines and darker sides; no title, so nothing blue.
    const Pixel darkRed = gfx::ToPixel(DarkenColor(clRed, 128));
    EXPECT_GT(p.Count(0xFF0000), 4000);
    EXPECT_GT(p.Count(darkRed), 1000);
    EXPECT_GT(p.Count(0x000000), 4000);
    EXPECT_EQ(p.Count(0x0000FF), 0);
    // Every point lies inside the plot, five pixels or more from its edges; the last
    // marker drawn shows its red front face.
    const Rect plot = p.chart.PlotRect();
    for (int32_t i = 0; i < p.series.PointCount(); ++i) {
        ASSERT_GE(p.series.XPixel(i), plot.Left + 5);
        ASSERT_LE(p.series.XPixel(i), plot.Right - 5);
        ASSERT_GE(p.series.YPixel(i), plot.Top + 5);
        ASSERT_LE(p.series.YPixel(i), plot.Bottom - 5);
    }
    EXPECT_EQ(s.At(p.series.XPixel(399), p.series.YPixel(399)), 0xFF0000u);
}

// Files the reader accepts, each drawn frame by frame without an exception.
TEST(ProgramChart, AnyReadableFileIsDrawn) {
    struct Case {
        const char* name;
        const char* data;
        bool markers;
    };
    const Case cases[] = {
        {"infinite x", "1e5120 5\n1 2\n2 3\n", true},
        {"infinite y", "1 -1e5120\n2 3\n3 1e5120\n4 4\n", true},
        {"all infinite", "1e5120 1e5120\n-1e5120 -1e5120\n", false},
        {"largest magnitudes", "1.7e308 1\n-1.7e308 2\n0 -1.7e308\n5 1.7e308\n", true},
        {"one point", "5 5\n", true},
        {"all equal", "3 3\n3 3\n3 3\n", true},
        {"x reversed", "3 1\n2 2\n1 3\n", true},
        {"tiny range", "1e-300 1e-300\n2e-300 1.5e-300\n", true},
        {"subnormal", "0 0\n4e-320 5e-324\n", true},
        {"zeros of both signs", "-0 0\n0 -0\n", true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramChart p(dir.Write("data.txt", c.data));
        ASSERT_NO_THROW(p.Run());
        EXPECT_EQ(p.framesDuringRun, p.series.PointCount());
        EXPECT_EQ(p.Count(0xFF0000) > 0, c.markers);
    }
}

} // namespace
} // namespace vemora
