// The program's chart after a run over the sample data, in a headless window.
#pragma once

#include "app/headless_plot_window.h"
#include "app/main_chart.h"
#include "app/plotrun.h"
#include "chart/chart.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"

#include <string>

namespace vemora::testing {

struct SampleChart {
    // `ratio`: the window is on a screen of that density.
    explicit SampleChart(double ratio = 1.0)
        : series(BuildChart1(chart)), window(std::string(VEMORA_SOURCE_DIR) + "/data/proba2.txt"),
          run(window, series) {
        host.SetPixelRatio(ratio);
        run.Button1Click(nullptr);
    }
    ui::HeadlessWindowHost host;
    TChart chart{&host};
    TPointSeries& series;
    THeadlessPlotWindow window;
    TPlotRun run;
};

} // namespace vemora::testing
