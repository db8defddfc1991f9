// Drawing cost of the program's frame pieces: the background gradient and the 3D point
// markers (size 4, depth 4, red with a black outline) clipped to the plot box, in a
// window-sized bitmap.
#include "canvas/chart_canvas.h"
#include "pointseries/marker_stamps.h"
#include "pointseries/series_pointer.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

using namespace vemora;

constexpr int kWidth = 813, kHeight = 653;
constexpr Rect kPlot{41, 16, 796, 622};
constexpr int kDepth = 4;

class BenchOwner : public TPointerOwner {
public:
    explicit BenchOwner(TChartCanvas3D& canvas) : canvas_(canvas) {}
    TCanvas3D& PointerCanvas() override { return canvas_; }
    bool PointerView3D() const override { return true; }
    int32_t PointerZStart() const override { return 0; }
    int32_t PointerZMiddle() const override { return kDepth / 2; }
    int32_t PointerZEnd() const override { return kDepth; }
    void PointerChanged() override {}

private:
    TChartCanvas3D& canvas_;
};

struct Scene {
    Scene() : window(kWidth, kHeight), windowCanvas(&window), canvas(&windowCanvas) {
        options.SetElevation(344);
        options.SetPerspective(8);
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> x(kPlot.Left, kPlot.Right - 1);
        std::uniform_int_distribution<int> y(kPlot.Top, kPlot.Bottom - 1);
        for (int i = 0; i < 40000; ++i)
            points.push_back({x(random), y(random)});
    }
    void OpenFrame() {
        canvas.OpenFrame(&windowCanvas, &options, clBtnFace, true, {0, 0, kWidth, kHeight});
        canvas.SetProjection(kDepth, {0, 0, kWidth, kHeight}, kPlot);
    }
    void Background() {
        canvas.FillGradient({0, 0, kWidth, kHeight}, 8454016, 8454143,
                            TGradientDirection::gdTopBottom);
    }
    // The background and the plot-box clip, as the series drawing finds them.
    void PrepareForMarkers() {
        canvas.Unclip();
        Background();
        canvas.ClipToBox(kPlot, 0, kDepth);
    }
    void DrawMarkers(TSeriesPointer& pointer, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            pointer.PrepareCanvas(clRed);
            pointer.Draw(points[i].X, points[i].Y, clRed);
        }
    }
    gfx::Bitmap window;
    TCanvas windowCanvas;
    TView3DOptions options;
    TChartCanvas3D canvas;
    std::vector<Point> points;
};

void BM_GradientBackground(benchmark::State& state) {
    Scene scene;
    scene.OpenFrame();
    for (auto _ : state) {
        scene.Background();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GradientBackground)->Unit(benchmark::kMicrosecond);

// 40000 markers over a gradient background with the six-point clip, as the last frame of
// a full plot draws them.
void BM_Markers40000(benchmark::State& state) {
    Scene scene;
    BenchOwner owner(scene.canvas);
    TSeriesPointer pointer(&owner);
    pointer.Brush().SetColor(clRed);
    scene.OpenFrame();
    for (auto _ : state) {
        state.PauseTiming();
        scene.PrepareForMarkers();
        state.ResumeTiming();
        scene.DrawMarkers(pointer, scene.points.size());
        benchmark::ClobberMemory();
    }
    const double markers = static_cast<double>(state.iterations()) * scene.points.size();
    state.counters["ns_per_marker"] =
        benchmark::Counter(markers, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<int64_t>(markers));
}
BENCHMARK(BM_Markers40000)->Unit(benchmark::kMillisecond);

// The same markers as stamps, put down topmost first: what a series frame does.
void BM_StampedMarkers40000(benchmark::State& state) {
    Scene scene;
    BenchOwner owner(scene.canvas);
    TSeriesPointer pointer(&owner);
    pointer.Brush().SetColor(clRed);
    TMarkerStamps stamps(owner);
    scene.OpenFrame();
    for (auto _ : state) {
        state.PauseTiming();
        scene.PrepareForMarkers();
        state.ResumeTiming();
        if (!stamps.Begin(pointer))
            state.SkipWithError("the markers cannot be stamped");
        for (const Point& p : scene.points)
            stamps.Add(p.X, p.Y, clRed, TSeriesPointerStyle::psRectangle);
        stamps.Finish();
        benchmark::ClobberMemory();
    }
    const double markers = static_cast<double>(state.iterations()) * scene.points.size();
    state.counters["ns_per_marker"] =
        benchmark::Counter(markers, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StampedMarkers40000)->Unit(benchmark::kMillisecond);

// A whole frame's worth of the drawing surface: gradient, clip, markers and the copy to
// the window.
void BM_FrameWithMarkers(benchmark::State& state) {
    Scene scene;
    BenchOwner owner(scene.canvas);
    TSeriesPointer pointer(&owner);
    pointer.Brush().SetColor(clRed);
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        scene.OpenFrame();
        scene.PrepareForMarkers();
        scene.DrawMarkers(pointer, count);
        scene.canvas.Unclip();
        scene.canvas.ResetTools();
        scene.canvas.PresentFrame(&scene.windowCanvas, &scene.windowCanvas,
                                  {0, 0, kWidth, kHeight});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameWithMarkers)->Arg(400)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
