// A chart in a window without a screen, with a plot rectangle of known size, for axis tests.
#pragma once

#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "series/chart_series.h"

namespace vemora::testing {

class AxisRig {
public:
    explicit AxisRig(Rect plot = {100, 100, 500, 500}, int32_t width = 800, int32_t height = 600)
        : host(width, height) {
        chart.SetBounds(0, 0, width, height);
        chart.CalcPlotRect(chart.OpenCanvas(host.ClientRect()));
        chart.SetPlotRect(plot);
        chart.UpdatePlotSize();
        for (TCustomChartAxis* axis : chart.Axes())
            axis->PlacePixels();
    }

    // A manual scale from minimum to maximum with value labels and, when step > 0, that
    // label step exactly.
    static void Scale(TCustomChartAxis& axis, double minimum, double maximum, double step = 0) {
        axis.SetAutomatic(false);
        axis.SetLabelStyle(TAxisLabelStyle::talValue);
        axis.ParentChart()->BeginLoading();
        axis.SetMinimum(minimum);
        axis.SetMaximum(maximum);
        axis.ParentChart()->EndLoading();
        if (step > 0) {
            axis.SetIncrement(step);
            axis.SetLabelsSeparation(0);
        }
        axis.RefreshRange();
        axis.PlacePixels();
    }

    TChartSeries& AddSeries() { return *chart.AddSeries(std::make_unique<TChartSeries>()); }

    ui::HeadlessWindowHost host;
    TChart chart{&host};
};

} // namespace vemora::testing
