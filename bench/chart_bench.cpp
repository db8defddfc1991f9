// Cost of the chart's part of a frame besides the markers: the layout (ranges, label
// steps, space of the axes) and the drawing of both axes with labels, ticks and grid, for
// the program's 813x653 chart and uniformly random data.
#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "series/chart_series.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace vemora;

class MarginSeries final : public TChartSeries {
public:
    void HorizMargins(int32_t& left, int32_t& right) override { left = right = 5; }
    void VertMargins(int32_t& top, int32_t& bottom) override { top = bottom = 5; }
};

struct ChartScene {
    explicit ChartScene(int points) {
        chart.SetBorderStyle(TBorderStyle::bsSingle);
        chart.SetBounds(16, 56, 817, 657);
        chart.SetChart3DPercent(5);
        chart.SetView3DWalls(false);
        chart.View3DOptions().SetElevation(344);
        chart.View3DOptions().SetPerspective(8);
        series = chart.AddSeries(std::make_unique<MarginSeries>());
        std::mt19937 random(12345);
        std::uniform_real_distribution<double> value(0, 1000);
        for (int i = 0; i < points; ++i)
            series->AddPoint(value(random), value(random), "", clDefault);
        chart.ComputeLayout();
    }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
    TChartSeries* series = nullptr;
};

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

} // namespace

BENCHMARK_MAIN();
