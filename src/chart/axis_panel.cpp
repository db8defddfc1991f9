#include "chart/axis_panel.h"

#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"
#include "series/chart_series.h"

#include <algorithm>
#include <cmath>

namespace vemora {

TCustomAxisPanel::TCustomAxisPanel(ui::WindowHost* host) : TSeriesOwner(host) {
    bottomAxis_ = std::make_unique<TChartAxis>(this);
    bottomAxis_->SetRole(true, false, false, 0);
    topAxis_ = std::make_unique<TChartAxis>(this);
    topAxis_->SetRole(true, true, false, 0);
    leftAxis_ = std::make_unique<TChartAxis>(this);
    leftAxis_->SetRole(false, false, false, 90);
    rightAxis_ = std::make_unique<TChartAxis>(this);
    rightAxis_->SetRole(false, true, false, 270);
    depthAxis_ = std::make_unique<TChartDepthAxis>(this);
    depthAxis_->SetRole(false, true, true, 0);
    // Built while repaints are enabled: the field, not the setter, keeps the chart clean.
    depthAxis_->SetVisible(false);
}

TCustomAxisPanel::~TCustomAxisPanel() {
    BeginDestroy();
    FreeAllSeries();
    depthAxis_.reset();
    rightAxis_.reset();
    leftAxis_.reset();
    topAxis_.reset();
    bottomAxis_.reset();
}

void TCustomAxisPanel::SetMaxPointsPerPage(int32_t value) {
    if (value < 0)
        throw ChartException("MaxPointsPerPage must be >= 0");
    if (value == maxPointsPerPage_)
        return;
    maxPointsPerPage_ = value;
    if (page_ > NumPages())
        SetPage(NumPages());
    Invalidate();
}

int32_t TCustomAxisPanel::NumPages() const {
    if (maxPointsPerPage_ <= 0)
        return 1;
    int32_t most = 0;
    for (const TChartSeries* series : seriesList_) {
        if (series->Active())
            most = std::max(most, series->PointCount());
    }
    const int32_t pages = most / maxPointsPerPage_ + (most % maxPointsPerPage_ ? 1 : 0);
    return std::max(pages, 1);
}

void TCustomAxisPanel::SetPage(int32_t value) {
    value = std::clamp(value, 1, NumPages());
    if (value == page_)
        return;
    page_ = value;
    Invalidate();
    if (OnPageChange)
        OnPageChange(this);
}

TChartSeries* TCustomAxisPanel::AddSeries(std::unique_ptr<TChartSeries> series) {
    TChartSeries* raw = series.get();
    if (!raw)
        return nullptr;
    ownedSeries_.push_back(std::move(series));
    raw->SetParentChart(this);
    return raw;
}

void TCustomAxisPanel::FreeAllSeries() {
    // From the front, each detached before it is freed, so that its clearing does not
    // reach back into a chart that is going away.
    while (!seriesList_.empty()) {
        TChartSeries* series = seriesList_.front();
        series->SetParentChart(nullptr);
        const auto owned = std::find_if(ownedSeries_.begin(), ownedSeries_.end(),
                                        [&](const auto& p) { return p.get() == series; });
        if (owned != ownedSeries_.end())
            ownedSeries_.erase(owned);
    }
    ownedSeries_.clear();
}

int32_t TCustomAxisPanel::CountActiveSeries() const {
    return static_cast<int32_t>(std::count_if(seriesList_.begin(), seriesList_.end(),
                                              [](const TChartSeries* s) { return s->Active(); }));
}

void TCustomAxisPanel::AttachSeries(TChartSeries* series) {
    if (std::find(seriesList_.begin(), seriesList_.end(), series) == seriesList_.end())
        seriesList_.push_back(series);
    Invalidate();
}

void TCustomAxisPanel::DetachSeries(TChartSeries* series) {
    seriesList_.erase(std::remove(seriesList_.begin(), seriesList_.end(), series),
                      seriesList_.end());
    Invalidate();
}

void TCustomAxisPanel::UnregisterAxis(TCustomChartAxis* axis) {
    axes_.erase(std::remove(axes_.begin(), axes_.end(), axis), axes_.end());
    for (TChartSeries* series : seriesList_) {
        if (series->CustomHorizAxis() == axis)
            series->SetCustomHorizAxis(nullptr);
        if (series->CustomVertAxis() == axis)
            series->SetCustomVertAxis(nullptr);
    }
}

bool TCustomAxisPanel::AxisShown(const TCustomChartAxis& axis) const {
    if (!axisVisible_ || !axis.Visible())
        return false;
    if (axis.DepthRole())
        return View3D();
    bool anyUsesAxes = false;
    for (const TChartSeries* series : seriesList_) {
        if (!series->Active() || !series->UsesAxes())
            continue;
        anyUsesAxes = true;
        if (series->IsOnAxis(&axis))
            return true;
    }
    return !anyUsesAxes;
}

double TCustomAxisPanel::SeriesExtreme(const TCustomChartAxis& axis, bool wantMinimum,
                                       bool isX) const {
    if (axis.DepthRole() && axis.EffectiveLabelStyle() != TAxisLabelStyle::talValue)
        return wantMinimum ? -0.5 : highestZOrder_ + 0.5;
    const bool noActiveOnAxis =
        std::none_of(seriesList_.begin(), seriesList_.end(),
                     [&](const TChartSeries* s) { return s->Active() && s->IsOnAxis(&axis); });
    double result = 0;
    bool first = true;
    for (TChartSeries* series : seriesList_) {
        if (!(series->Active() || noActiveOnAxis) || series->PointCount() == 0)
            continue;
        const bool onAxis = isX ? (series->HorizAxis() == THorizAxis::aBothHorizAxis ||
                                   series->GetHorizAxis() == &axis)
                                : (series->VertAxis() == TVertAxis::aBothVertAxis ||
                                   series->GetVertAxis() == &axis);
        // A list of nothing but infinities has no place on a scale.
        TChartValueList& list = isX ? series->XValues() : series->YValues();
        if (!onAxis || !list.HasFiniteValues())
            continue;
        const double v = isX ? (wantMinimum ? series->MinX() : series->MaxX())
                             : (wantMinimum ? series->MinY() : series->MaxY());
        if (!std::isfinite(v))
            continue;
        if (first || (wantMinimum && v < result) || (!wantMinimum && v > result)) {
            result = v;
            first = false;
        }
    }
    return result;
}

int32_t TCustomAxisPanel::WallSizeFor(const TCustomChartAxis&) const {
    return 0;
}

TAxisLabelStyle TCustomAxisPanel::AutomaticLabelStyle(const TCustomChartAxis& axis) const {
    TAxisLabelStyle result = TAxisLabelStyle::talNone;
    if (axis.DepthRole()) {
        result = TAxisLabelStyle::talText;
        for (const TChartSeries* series : seriesList_) {
            if (series->Active() && series->HasZValues())
                return TAxisLabelStyle::talValue;
        }
        return result;
    }
    for (TChartSeries* series : seriesList_) {
        if (!series->Active() || !series->IsOnAxis(&axis))
            continue;
        result = TAxisLabelStyle::talValue;
        const bool mandatoryY = &series->MainValueList() == &series->YValues();
        const bool applies = axis.IsHorizontal() == mandatoryY;
        if (applies && series->PointCount() > 0 && !series->LabelAt(0).empty())
            return TAxisLabelStyle::talText;
    }
    return result;
}

bool TCustomAxisPanel::SeriesDateTime(const TCustomChartAxis& axis) const {
    for (const TChartSeries* series : seriesList_) {
        if (series->Active() && series->IsOnAxis(&axis))
            return axis.IsHorizontal() ? series->XValues().DateTime()
                                       : series->YValues().DateTime();
    }
    return false;
}

void TCustomAxisPanel::ForEachPointLabel(const TCustomChartAxis& axis,
                                         const std::function<void(const std::string&)>& fn) const {
    for (TChartSeries* series : seriesList_) {
        if (!series->Active() || !series->IsOnAxis(&axis))
            continue;
        for (int32_t i = 0; i < series->PointCount(); ++i)
            fn(series->LabelAt(i));
    }
}

void TCustomAxisPanel::AssignZOrders() {
    highestZOrder_ = 0;
    const bool slots = UseZOrder() && View3D();
    if (slots) {
        highestZOrder_ = -1;
        for (TChartSeries* series : seriesList_) {
            if (series->Active())
                series->ComputeZIndex();
        }
    }
    for (TChartSeries* series : seriesList_) {
        if (series->Active())
            series->SetZIndex(slots ? highestZOrder_ - series->EffectiveZOrder() : 0);
    }
}

void TCustomAxisPanel::ComputeDepth() {
    if (!View3D()) {
        seriesDepth_ = seriesDepthY_ = chartDepth_ = chartDepthY_ = 0;
        return;
    }
    long double f = Chart3DPercent() * 0.001L;
    if (!View3DOptions().Orthogonal())
        f *= 2;
    seriesDepth_ = seriesDepthY_ = RoundSaturated(PlotWidth() * f);
    const int32_t slots = UseZOrder() ? std::max(1, highestZOrder_ + 1) : 1;
    chartDepthY_ = SaturateInt32(int64_t{slots} * seriesDepthY_);
    chartDepth_ = SaturateInt32(int64_t{slots} * seriesDepth_);
}

void TCustomAxisPanel::LayoutAxes() {
    for (TCustomChartAxis* axis : axes_)
        axis->RefreshRange();
    ComputeDepth();
    if (View3D() && View3DOptions().Orthogonal()) {
        // Room for the back plane, which the oblique view shifts up and to the right.
        const int64_t wall = view3DWalls_ ? BackWallSize() : 0;
        plotRect_.Right = SaturateInt32(plotRect_.Right - (std::abs(int64_t{chartDepth_}) + wall));
        plotRect_.Top = SaturateInt32(plotRect_.Top + std::abs(int64_t{chartDepthY_}) + wall);
    }
    ReserveAxesSpace();
}

void TCustomAxisPanel::ReserveAxesSpace() {
    UpdatePlotSize();
    Rect r0 = plotRect_;
    for (size_t i = 0; i < axes_.size(); ++i) {
        TCustomChartAxis* axis = axes_[i];
        if (!AxisShown(*axis))
            continue;
        Rect r = r0;
        axis->ReserveSpace(r, i < 5);
        const Rect inside{std::max(r0.Left, r.Left), std::max(r0.Top, r.Top),
                          std::min(r0.Right, r.Right), std::min(r0.Bottom, r.Bottom)};
        if (!inside.IsEmpty())
            r0 = inside;
    }
    plotRect_ = r0;
    UpdatePlotSize();
    for (TCustomChartAxis* axis : axes_)
        axis->PlacePixels();
}

bool TCustomAxisPanel::WidenLabelSpaces() {
    bool widened = false;
    for (TCustomChartAxis* axis : axes_) {
        if (!AxisShown(*axis) || !axis->Labels())
            continue;
        const int32_t needed = axis->LaidOutLabelsAreaSize();
        if (needed > axis->ReservedLabelsAreaSize()) {
            axis->SetLabelsAreaAtLeast(needed);
            widened = true;
        }
    }
    return widened;
}

void TCustomAxisPanel::ResetLabelSpaces() {
    for (TCustomChartAxis* axis : axes_)
        axis->SetLabelsAreaAtLeast(0);
}

void TCustomAxisPanel::AssignZRanges() {
    for (TChartSeries* series : seriesList_) {
        if (!series->Active())
            continue;
        const int64_t start = int64_t{seriesDepth_} * series->ZIndex();
        const int32_t z0 = SaturateInt32(start);
        const int32_t z1 = SaturateInt32(int64_t{z0} + seriesDepth_);
        series->SetZRange(z0, z1);
    }
}

void TCustomAxisPanel::ApplySeriesMargins() {
    TCustomChartAxis* order[] = {topAxis_.get(), leftAxis_.get(), rightAxis_.get(),
                                 bottomAxis_.get()};
    for (TCustomChartAxis* axis : order) {
        Rect m{};
        for (TChartSeries* series : seriesList_) {
            if (!series->Active() || !series->IsOnAxis(axis))
                continue;
            int32_t a = 0;
            int32_t b = 0;
            if (axis->IsHorizontal()) {
                series->HorizMargins(a, b);
                if (axis->AutomaticMinimum())
                    m.Left = std::max(m.Left, a);
                if (axis->AutomaticMaximum())
                    m.Right = std::max(m.Right, b);
            } else {
                series->VertMargins(a, b);
                if (axis->AutomaticMaximum())
                    m.Top = std::max(m.Top, a);
                if (axis->AutomaticMinimum())
                    m.Bottom = std::max(m.Bottom, b);
            }
        }
        axis->WidenRangeByMargins(m);
    }
}

} // namespace vemora
