// Cost of a frame of the program's 813x653 chart with uniformly random data: the whole
// frame as the window paints it, its layout and axes alone, and the additions of points;
// and whole runs of the shapes of data users bring.
#include "app/headless_plot_window.h"
#include "app/main_chart.h"
#include "app/plotrun.h"
#include "platform/gfx/png.h"
#include "platform/ui/headless_window_host.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace vemora;

struct ChartScene {
    // `ratio`: the window is on a screen of that density.
    explicit ChartScene(int points, double ratio = 1.0) {
        series = &BuildChart1(chart);
        host.SetPixelRatio(ratio);
        std::mt19937 random(12345);
        std::uniform_real_distribution<double> value(0, 1000);
        for (int i = 0; i < points; ++i)
            series->AddPoint(value(random), value(random), "", clDefault);
        // Two frames: the second sizes its labels with the first one's span, as every
        // frame of a run after the first does.
        host.Update();
        chart.Repaint();
    }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
    TPointSeries* series = nullptr;
};

// A whole frame: background, axes, every marker, copied to the window.
void BM_Frame(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    for (auto _ : state)
        scene.chart.Repaint();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Frame)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// The same frame on a screen of twice (and one and a half times) the density: four times
// (2.25 times) the pixels, with every marker, line and text that much larger.
void BM_FrameDense(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)), static_cast<double>(state.range(1)) / 2);
    for (auto _ : state)
        scene.chart.Repaint();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FrameDense)
    ->ArgNames({"points", "ratio_x2"})
    ->Args({40000, 4})
    ->Args({40000, 3})
    ->Unit(benchmark::kMillisecond);

// The shapes of data users bring: a smooth signal with noise whose X grows line by line
// (a time series), the same lines in reverse order, and the same points shuffled.
enum Shape { kAscending, kDescending, kRandom };

std::vector<std::pair<double, double>> ShapedPoints(int shape, int n) {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < n; ++i)
        points.emplace_back(i * 0.025, 40 * std::sin(i / 700.0) + 12 * std::sin(i / 61.0) +
                                           6 * (unit(random) + unit(random) - 1));
    if (shape == kDescending)
        std::reverse(points.begin(), points.end());
    if (shape == kRandom)
        std::shuffle(points.begin(), points.end(), random);
    return points;
}

// A whole run as the window plays it without pauses: from an empty chart, a frame painted
// after every point.
void BM_Run(benchmark::State& state) {
    const auto points =
        ShapedPoints(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<ChartScene>(0);
        state.ResumeTiming();
        for (const auto& [x, y] : points) {
            scene->series->AddPoint(x, y, "", clDefault);
            scene->host.Update();
        }
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_Run)
    ->ArgNames({"shape", "points"})
    ->ArgsProduct({{kAscending, kDescending, kRandom}, {10000, 40000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A whole frame of a dense time series: 40000 points along a curve, most markers hidden
// under later ones.
void BM_FrameTimeSeries(benchmark::State& state) {
    ChartScene scene(0);
    for (const auto& [x, y] : ShapedPoints(kAscending, static_cast<int>(state.range(0))))
        scene.series->AddPoint(x, y, "", clDefault);
    scene.host.Update();
    scene.chart.Repaint();
    for (auto _ : state)
        scene.chart.Repaint();
}
BENCHMARK(BM_FrameTimeSeries)->Arg(40000)->Unit(benchmark::kMillisecond);

// The whole frames of a pan: the view, a third of the data's width and height (or as wide
// and high as the data), goes across the data a little at each frame, as a drag with the
// right button takes it. Random points (shape 2) or a dense ascending curve (shape 0).
void BM_FramePan(benchmark::State& state) {
    ChartScene scene(0);
    for (const auto& [x, y] :
         ShapedPoints(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))))
        scene.series->AddPoint(x, y, "", clDefault);
    scene.host.Update();
    const TChartAxis& bottom = scene.chart.BottomAxis();
    const TChartAxis& left = scene.chart.LeftAxis();
    const double x0 = bottom.Minimum(), w = bottom.Maximum() - x0;
    const double y0 = left.Minimum(), h = left.Maximum() - y0;
    const double view = static_cast<double>(state.range(2)) / 100;
    const double nan = std::nan("");
    int64_t step = 0;
    for (auto _ : state) {
        const double t = static_cast<double>(step++ % 200) / 1000;
        scene.chart.ApplyZoom(nan, nan, x0 + t * w, x0 + (t + view) * w, y0 + t * h,
                              y0 + (t + view) * h, nan, nan);
        scene.host.Update();
    }
}
BENCHMARK(BM_FramePan)
    ->ArgNames({"shape", "points", "view%"})
    ->ArgsProduct({{kRandom, kAscending}, {40000}, {33, 100}})
    ->Unit(benchmark::kMillisecond);

// Saving the window's picture of a plot of 40000 points as the save gesture does: a new
// file beside the target, written, synced to the disk and renamed over it.
void BM_SavePng(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    const std::string path = "/tmp/vemora-bench-save-" + std::to_string(::getpid()) + ".png";
    for (auto _ : state) {
        if (!gfx::SavePng(scene.host.Screen(), path).empty())
            state.SkipWithError("the picture could not be saved");
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_SavePng)->Arg(40000)->Unit(benchmark::kMillisecond);

// The frame after one more point inside the data's range, as a run paints it: the layout
// stays, so the frame redraws only around the new marker. The series grows by a point per
// iteration; "part" is the share of frames that were drawn in part.
void BM_FrameAfterAdd(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    std::mt19937 random(777);
    std::uniform_real_distribution<double> value(1, 999);
    int64_t part = 0;
    for (auto _ : state) {
        scene.series->AddPoint(value(random), value(random), "", clDefault);
        scene.host.Update();
        part += scene.host.LastChangedArea().has_value();
    }
    state.counters["part"] = static_cast<double>(part) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FrameAfterAdd)->Arg(1000)->Arg(40000)->Unit(benchmark::kMicrosecond);

// The same frame with two more points at the ends of a double's range: the label step
// climbs through 600 decades of steps.
void BM_FrameWideRange(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    scene.series->AddPoint(-1.7e308, -1.7e308, "", clDefault);
    scene.series->AddPoint(1.7e308, 1.7e308, "", clDefault);
    scene.host.Update();
    scene.chart.Repaint();
    for (auto _ : state)
        scene.chart.Repaint();
}
BENCHMARK(BM_FrameWideRange)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LayoutAndAxes(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.chart.ComputeLayout();
        scene.chart.BottomAxis().DrawAxis(true);
        scene.chart.LeftAxis().DrawAxis(true);
        scene.series->FindShownRange();
        benchmark::DoNotOptimize(scene.series->LastShown());
    }
}
BENCHMARK(BM_LayoutAndAxes)->Arg(1000)->Arg(40000)->Unit(benchmark::kMicrosecond);

// The layout after a point was added: the value lists' extremes are found again.
void BM_LayoutAfterAdd(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    double x = 0;
    for (auto _ : state) {
        scene.series->YValues().SetValueAt(0, x += 1e-9);
        scene.chart.ComputeLayout();
    }
}
BENCHMARK(BM_LayoutAfterAdd)->Arg(1000)->Arg(40000)->Unit(benchmark::kMicrosecond);

// A point added at a random place, as a live feed does, then the layout; the series grows by
// one point per iteration.
void BM_LayoutAfterInsert(benchmark::State& state) {
    ChartScene scene(static_cast<int>(state.range(0)));
    std::mt19937 random(54321);
    std::uniform_real_distribution<double> value(0, 1000);
    for (auto _ : state) {
        scene.series->AddPoint(value(random), value(random), "", clDefault);
        scene.chart.ComputeLayout();
    }
}
BENCHMARK(BM_LayoutAfterInsert)->Arg(1000)->Arg(40000)->Unit(benchmark::kMicrosecond);

// Points added one by one to the program's series, without painting: each addition only
// invalidates the chart. In random X order every point lands somewhere inside the lists;
// sorted, every point goes at the end.
void AddPoints(benchmark::State& state, bool sorted) {
    const int points = static_cast<int>(state.range(0));
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> value(0, 1000);
    std::vector<double> xs(static_cast<size_t>(points)), ys(xs.size());
    for (size_t i = 0; i < xs.size(); ++i) {
        xs[i] = value(random);
        ys[i] = value(random);
    }
    if (sorted)
        std::sort(xs.begin(), xs.end());
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<ChartScene>(0);
        state.ResumeTiming();
        for (size_t i = 0; i < xs.size(); ++i)
            scene->series->AddPoint(xs[i], ys[i], "", clDefault);
        benchmark::DoNotOptimize(scene->series->PointCount());
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * points);
}

void BM_AddPointRandom(benchmark::State& state) {
    AddPoints(state, false);
}
BENCHMARK(BM_AddPointRandom)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_AddPointSorted(benchmark::State& state) {
    AddPoints(state, true);
}
BENCHMARK(BM_AddPointSorted)->Arg(40000)->Unit(benchmark::kMillisecond);

// Memory the engine holds for a plot of N points beyond an empty chart that has painted:
// the plot run's point table, the series' value, colour and label lists, and what a frame
// keeps (the markers' places). Reported as counters, in bytes; the time is not the point.
// Bytes in use on the heap, the large blocks the allocator maps separately included.
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_EngineMemory(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    char name[] = "/tmp/vemora-memory-XXXXXX";
    FILE* out = fdopen(mkstemp(name), "w");
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> value(0, 1000);
    for (int i = 0; i < points; ++i)
        std::fprintf(out, "%.6f %.6f\n", value(random), value(random));
    std::fclose(out);
    size_t held = 0;
    for (auto _ : state) {
        ChartScene scene(0);
        const size_t before = HeapInUse();
        {
            THeadlessPlotWindow window(name);
            TPlotRun run(window, *scene.series);
            run.ReadDataFile();
            // As the start button adds them.
            scene.series->ReservePoints(static_cast<int32_t>(run.DataPoints().size()));
            for (const auto& row : run.DataPoints())
                scene.series->AddPoint(row[0], row[1], "", clDefault);
            scene.chart.Repaint();
            held = HeapInUse() - before;
            // The point table is the run's until the next start.
            benchmark::DoNotOptimize(run.DataPoints().data());
        }
    }
    unlink(name);
    state.counters["engine_bytes"] = static_cast<double>(held);
    state.counters["bytes_per_point"] = static_cast<double>(held) / points;
}
BENCHMARK(BM_EngineMemory)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
