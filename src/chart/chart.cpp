#include "chart/chart.h"

#include "series/chart_series.h"

namespace vemora {

TChartWall::TChartWall(TCustomChartPanel* chart, TColor color)
    : chart_(chart), color_(color), defaultColor_(color) {
    const TNotifyEvent changed = [this](void*) { chart_->Invalidate(); };
    brush_ = std::make_unique<TChartBrush>(changed);
    pen_ = std::make_unique<TChartPen>(changed);
}

void TChartWall::Assign(const TChartWall& source) {
    brush_->Assign(*source.brush_);
    SetColor(source.color_);
    SetDark3D(source.dark3D_);
    pen_->Assign(*source.pen_);
    SetSize(source.size_);
}

TChartTitle::TChartTitle(TCustomChartPanel* chart) : TChartFontObject(chart) {
    const TNotifyEvent changed = [this](void*) { Repaint(); };
    brush_ = std::make_unique<TChartBrush>(changed);
    frame_ = std::make_unique<TChartHiddenPen>(changed);
    Font().SetColor(clBlue);
}

TCustomChart::TCustomChart(ui::WindowHost* host) : TCustomAxisPanel(host) {
    title_ = std::make_unique<TChartTitle>(this);
    foot_ = std::make_unique<TChartTitle>(this);
    backWall_ = std::make_unique<TChartWall>(this, clDefault);
    backWall_->Brush().SetStyle(TBrushStyle::bsClear);
    leftWall_ = std::make_unique<TChartWall>(this, 0x80FFFF);
    legend_ = std::make_unique<TChartLegend>(this);
    bottomWall_ = std::make_unique<TChartWall>(this, clWhite);
}

TCustomChart::~TCustomChart() {
    // The series go first, while every part they might touch is still there.
    BeginDestroy();
    FreeAllSeries();
}

void TCustomChart::SetBackColor(TColor value) {
    backWall_->SetColor(value);
    if (Host() && !Loading())
        backWall_->Brush().SetStyle(TBrushStyle::bsSolid);
}

int32_t TCustomChart::WallSizeFor(const TCustomChartAxis& axis) const {
    if (!View3D() || !View3DWalls())
        return 0;
    if (&axis == &LeftAxis())
        return leftWall_->Size();
    if (&axis == &BottomAxis())
        return bottomWall_->Size();
    return 0;
}

} // namespace vemora
