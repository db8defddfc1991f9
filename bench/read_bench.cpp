// Reading a data file through both passes of the plot run, as the start button does.
#include "app/headless_plot_window.h"
#include "app/plotrun.h"
#include "series/chart_series.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using namespace vemora;

std::string WriteUniformFile(int lines) {
    char name[] = "/tmp/vemora-bench-XXXXXX";
    const int fd = mkstemp(name);
    FILE* out = fdopen(fd, "w");
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> value(0, 1000);
    for (int i = 0; i < lines; ++i) {
        std::fprintf(out, "%.6f %.6f\n", value(rng), value(rng));
    }
    std::fclose(out);
    return name;
}

void BM_ReadDataFile(benchmark::State& state) {
    const std::string path = WriteUniformFile(static_cast<int>(state.range(0)));
    THeadlessPlotWindow window(path);
    TChartSeries series;
    TPlotRun run(window, series);
    for (auto _ : state) {
        run.ReadDataFile();
        benchmark::DoNotOptimize(run.DataPoints().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    unlink(path.c_str());
}
BENCHMARK(BM_ReadDataFile)->Arg(1000)->Arg(40000)->Unit(benchmark::kMillisecond);

// Adding points in random X order: the ordered insertion's worst realistic case.
void BM_AddPointsRandomOrder(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> value(0, 1000);
    std::vector<double> xs(static_cast<size_t>(n));
    for (double& x : xs) {
        x = value(rng);
    }
    for (auto _ : state) {
        TChartSeries series;
        for (double x : xs) {
            series.AddPoint(x, x, "", clDefault);
        }
        benchmark::DoNotOptimize(series.MaxX());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddPointsRandomOrder)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
