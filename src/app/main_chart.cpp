#include "app/main_chart.h"

#include "app/plotrun.h"

namespace vemora {

void ConfigureChart1(TChart& chart) {
    chart.SetName("Chart1");
    chart.BackWall().Brush().SetColor(clWhite);
    chart.BackWall().Brush().SetStyle(TBrushStyle::bsClear);
    chart.LeftWall().Brush().SetColor(clWhite);
    chart.LeftWall().SetColor(clWhite);
    chart.Gradient().SetEndColor(0x80FFFF);
    chart.Gradient().SetStartColor(0x80FF80);
    chart.Gradient().SetVisible(true);
    chart.Title().SetText({"TChart"});
    chart.Title().SetVisible(false);
    chart.Legend().SetVisible(false);
    chart.SetChart3DPercent(5);
    chart.View3DOptions().SetElevation(344);
    chart.View3DOptions().SetPerspective(8);
    chart.SetView3DWalls(false);
    chart.SetScaleLastPage(false);
    chart.SetBorderStyle(TBorderStyle::bsSingle);
    chart.SetBounds(kChart1Left, kChart1Top, kChart1Width, kChart1Height);
}

void ConfigureSeries1(TPointSeries& series) {
    series.SetName("Series1");
    series.SetSeriesColor(clRed);
    series.Marks().SetVisible(false);
    series.Marks().SetArrowLength(0);
    TSeriesPointer& pointer = series.Pointer();
    pointer.SetInflateMargins(true);
    pointer.SetStyle(TSeriesPointerStyle::psRectangle);
    pointer.Brush().SetColor(clRed);
    pointer.SetVisible(true);
    TChartValueList& x = series.XValues();
    x.SetName("X");
    x.SetMultiplier(1.0);
    x.SetOrder(TChartListOrder::loAscending);
    x.SetDateTime(false);
    TChartValueList& y = series.YValues();
    y.SetName("Y");
    y.SetMultiplier(1.0);
    y.SetOrder(TChartListOrder::loNone);
    y.SetDateTime(false);
}

TPointSeries& BuildChart1(TChart& chart, std::unique_ptr<TPointSeries> series) {
    if (!series)
        series = std::make_unique<TPointSeries>();
    // As the window's settings are loaded: the cursor they leave is the one the chart
    // goes back to when the mouse leaves it.
    chart.BeginLoading();
    TChartSeries* added = nullptr;
    try {
        ConfigureChart1(chart);
        ConfigureSeries1(*series);
        added = chart.AddSeries(std::move(series));
    } catch (...) {
        chart.EndLoading();
        throw;
    }
    chart.EndLoading();
    return static_cast<TPointSeries&>(*added);
}

void ConnectSeries1(TPointSeries& series, TPlotRun& run) {
    series.OnAfterAdd = [&run](TChartSeries* sender, int32_t valueIndex) {
        run.Series1AfterAdd(sender, valueIndex);
    };
}

} // namespace vemora
