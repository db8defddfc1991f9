// Cost of a frame of the program's 813x653 chart with uniformly random data: the whole
// frame as the window paints it, and its layout and axes alone.
#include "app/main_chart.h"
#include "platform/ui/headless_window_host.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace vemora;

struct ChartScene {
    explicit ChartScene(int points) {
        series = &BuildChart1(chart);
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

} // namespace

BENCHMARK_MAIN();
