// The program's chart and plot run without a window: the headless host stands in for the
// chart's window and paints into memory, synchronously, as the window does.
#pragma once

#include "app/headless_plot_window.h"
#include "app/main_chart.h"
#include "app/plotrun.h"
#include "platform/ui/headless_window_host.h"

#include <string>
#include <vector>

namespace vemora::plot {

// Series1, noting where each marker of the latest frame was drawn when it draws them one by
// one; a frame of placed markers has them from their places.
class RecordingSeries final : public TPointSeries {
public:
    void DoBeforeDrawChart() override { markers_.clear(); }
    void PaintMarker(int32_t x, int32_t y, int32_t index, TColor color) override {
        markers_.push_back({x, y});
        TPointSeries::PaintMarker(x, y, index, color);
    }
    const std::vector<gfx::Point>& Markers() const { return markers_; }

private:
    std::vector<gfx::Point> markers_;
};

// The screen centres of the markers the latest frame drew, in drawing order.
std::vector<gfx::Point> DrawnMarkers(const TChart& chart, const RecordingSeries& series);

class PlotScene {
public:
    // A client area of width x height (the window's when 0).
    PlotScene(const std::string& path, int32_t width, int32_t height);
    PlotScene(const PlotScene&) = delete;
    PlotScene& operator=(const PlotScene&) = delete;

    ui::HeadlessWindowHost& Host() { return host_; }
    TChart& Chart() { return chart_; }
    RecordingSeries& Series() { return *series_; }
    THeadlessPlotWindow& Window() { return window_; }
    TPlotRun& Run() { return run_; }

private:
    ui::HeadlessWindowHost host_;
    TChart chart_{&host_};
    RecordingSeries* series_ = nullptr;
    THeadlessPlotWindow window_;
    TPlotRun run_;
};

// The layout of the latest frame as JSON.
std::string FrameJson(TChart& chart, const RecordingSeries& series);

} // namespace vemora::plot
