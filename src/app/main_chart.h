// The chart of the main window as the window creates it: the chart control's settings and
// those of its one point series. The window and the headless tool both build it here, so
// that they show the same picture.
#pragma once

#include "chart/chart.h"
#include "pointseries/point_series.h"

#include <memory>

namespace vemora {

class TPlotRun;

// Place in the main window, outer size with the sunken edge.
constexpr int32_t kChart1Left = 16;
constexpr int32_t kChart1Top = 56;
constexpr int32_t kChart1Width = 817;
constexpr int32_t kChart1Height = 657;

// The settings of Chart1 that differ from a new chart's, its place included.
void ConfigureChart1(TChart& chart);
// The settings of Series1 that differ from a new point series'.
void ConfigureSeries1(TPointSeries& series);
// Configures the chart and the series (a new point series when none is given), attaches
// the series to the chart, which keeps it, and returns it.
TPointSeries& BuildChart1(TChart& chart, std::unique_ptr<TPointSeries> series = nullptr);
// Each point added to the series runs the plot run's after-add handler.
void ConnectSeries1(TPointSeries& series, TPlotRun& run);

} // namespace vemora
