// The frame of the chart with axes and series: the order of its drawing, the axes, the
// series with their clipping, and the zoom rectangle.
#include "chart/axis_panel.h"
#include "series/chart_series.h"

#include <algorithm>
#include <bit>
#include <type_traits>

namespace vemora {

void TCustomAxisPanel::ComputeLayout() {
    const Rect client = Host() ? Host()->ClientRect() : Rect{0, 0, Width(), Height()};
    CalcPlotRect(OpenCanvas(client));
    DrawTitlesOnFrontPlane();
    LayoutFrame();
}

void TCustomAxisPanel::DrawTitlesOnFrontPlane() {
    Canvas3D().BeginFrontPlane();
    DrawTitles();
    Canvas3D().EndFrontPlane();
}

void TCustomAxisPanel::LayoutFrame() {
    AssignZOrders();
    LayoutAxes();
    AssignZRanges();
    ApplySeriesMargins();
    Canvas3D().SetProjection(chartDepth_, panelBounds_, plotRect_);
}

void TCustomAxisPanel::DrawContents(const Rect& panelBounds) {
    if (PartFramePossible()) {
        DrawContentsInPart(panelBounds);
        return;
    }
    TCanvas3D& canvas = Canvas3D();
    // A frame that failed left its clip to the panel, which has removed it.
    seriesClipped_ = false;
    PaintPanel(panelBounds);
    for (TChartSeries* series : seriesList_) {
        if (series->Active())
            series->DoBeforeDrawChart();
    }
    DrawTitlesOnFrontPlane();
    LayoutFrame();
    if (canvas.SupportsSolids()) {
        // A true 3D canvas draws the titles again over the whole panel.
        const Rect plot = plotRect_;
        plotRect_ = panelBounds_;
        DrawTitlesOnFrontPlane();
        plotRect_ = plot;
        UpdatePlotSize();
    }
    std::optional<TFrameLayout> layout = CaptureLayout();
    DrawLaidOutFrame(std::nullopt);
    FrameDrawn(std::move(layout));
}

void TCustomAxisPanel::DrawContentsInPart(const Rect& panelBounds) {
    // PartFramePossible made sure of the canvas.
    auto& canvas = static_cast<TChartCanvas3D&>(Canvas3D());
    seriesClipped_ = false;
    // The layout first, drawing nothing: the titles take their room as they are drawn.
    const Rect beforeTitles = plotRect_;
    const Rect nothing{};
    canvas.LimitFrame(&nothing);
    for (TChartSeries* series : seriesList_) {
        if (series->Active())
            series->DoBeforeDrawChart();
    }
    DrawTitlesOnFrontPlane();
    LayoutFrame();
    const Rect laidOut = plotRect_;
    std::optional<TFrameLayout> layout = CaptureLayout();
    const std::optional<Rect> area = PlanPartFrame(layout);
    // Then the drawing, in the order of a whole frame, inside the area the points changed.
    canvas.LimitFrame(area ? &*area : nullptr);
    plotRect_ = beforeTitles;
    UpdatePlotSize();
    PaintPanel(panelBounds);
    DrawTitlesOnFrontPlane();
    plotRect_ = laidOut;
    UpdatePlotSize();
    DrawLaidOutFrame(area);
    SetFrameChangedArea(area);
    FrameDrawn(std::move(layout));
}

void TCustomAxisPanel::DrawLaidOutFrame(const std::optional<Rect>& area) {
    TCanvas3D& canvas = Canvas3D();
    for (TChartSeries* series : seriesList_)
        series->LimitPointsTo(area ? &*area : nullptr);
    PaintWalls();
    if (axisVisible_ && AxesBeforeSeries)
        PaintAxes();
    if (OnBeforeDrawSeries)
        OnBeforeDrawSeries(this);
    // By index: a draw event may take series out of the list.
    for (size_t i = 0; i < seriesList_.size(); ++i) {
        if (seriesList_[i]->Active())
            PaintSeries(*seriesList_[i]);
    }
    if (axisVisible_ && !AxesBeforeSeries)
        PaintAxes();
    if (ZoomRecord().Dragging)
        DrawZoomFrame();
    canvas.ResetTools();
    if (OnAfterDraw)
        OnAfterDraw(this);
}

void TCustomAxisPanel::FrameDrawn(std::optional<TFrameLayout> layout) {
    lastLayout_ = std::move(layout);
    for (TChartSeries* series : seriesList_)
        series->FrameDrawn();
}

bool TCustomAxisPanel::PartFramePossible() const {
    if (!PartialFrameAllowed() || !lastLayout_)
        return false;
    const auto* canvas = dynamic_cast<const TChartCanvas3D*>(&Canvas3D());
    if (!canvas || !canvas->GetOffscreenBuffered() || canvas->SupportsSolids() ||
        canvas->Metafiling() || IsPrinting())
        return false;
    if (OnBeforeDrawSeries || OnAfterDraw || OnBeforeDrawAxes || OnGetAxisLabel ||
        OnGetNextAxisLabel)
        return false;
    for (TChartSeries* series : seriesList_) {
        if (!series->Active())
            continue;
        if (!series->DrawsPartFrames() || (View3D() && series->SharesZOrder()))
            return false;
    }
    return true;
}

std::optional<Rect> TCustomAxisPanel::PlanPartFrame(const std::optional<TFrameLayout>& layout) {
    if (!layout || !lastLayout_ || !(*layout == *lastLayout_))
        return std::nullopt;
    Rect area{};
    for (TChartSeries* series : seriesList_) {
        if (series->Active() && !series->AddChangedArea(area))
            return std::nullopt;
    }
    return area;
}

std::optional<TCustomAxisPanel::TFrameLayout> TCustomAxisPanel::CaptureLayout() const {
    TFrameLayout layout;
    std::vector<uint64_t>& f = layout.Facts;
    const auto add = [&f](auto value) {
        if constexpr (std::is_floating_point_v<decltype(value)>)
            f.push_back(std::bit_cast<uint64_t>(static_cast<double>(value)));
        else
            f.push_back(static_cast<uint64_t>(static_cast<int64_t>(value)));
    };
    const auto addRect = [&add](const Rect& r) {
        add(r.Left);
        add(r.Top);
        add(r.Right);
        add(r.Bottom);
    };
    addRect(panelBounds_);
    addRect(plotRect_);
    add(chartDepth_);
    add(chartDepthY_);
    add(seriesDepth_);
    add(seriesDepthY_);
    for (const TCustomChartAxis* axis : axes_) {
        const TAxisLabelStyle style = axis->EffectiveLabelStyle();
        const bool shown = AxisShown(*axis);
        if (shown && (style == TAxisLabelStyle::talMark || style == TAxisLabelStyle::talText))
            return std::nullopt;
        const TAxisScale& scale = axis->Scale();
        add(shown);
        add(static_cast<int32_t>(style));
        add(axis->Minimum());
        add(axis->Maximum());
        add(scale.Minimum);
        add(scale.Maximum);
        add(scale.Range);
        add(scale.StartPixel);
        add(scale.EndPixel);
        add(scale.Length);
        add(scale.CenterPixel);
        add(scale.Inverted);
        add(axis->LinePos());
        add(axis->LabelsPos());
        add(axis->TitlePos());
        add(axis->LabelExtraDigits());
        add(axis->ScaleIsDateTime());
    }
    for (const TChartSeries* series : seriesList_) {
        add(series->Active());
        add(series->ZStart());
        add(series->ZEnd());
        add(series->EffectiveZOrder());
    }
    return layout;
}

void TCustomAxisPanel::PaintAxes() {
    if (OnBeforeDrawAxes)
        OnBeforeDrawAxes(this);
    for (TCustomChartAxis* axis : axes_) {
        if (AxisShown(*axis))
            axis->DrawAxis(true);
    }
}

void TCustomAxisPanel::PaintSeries(TChartSeries& series) {
    if (View3D() && series.SharesZOrder()) {
        // The first series of the slot draws all of them; the others have been drawn.
        if (series.FirstInZOrder())
            PaintSharedZOrder(series);
        return;
    }
    series.FindShownRange();
    if (series.FirstShown() == -1)
        return;
    series.DoBeforeDrawValues();
    if (clipPoints_)
        BeginSeriesClip();
    series.DrawAllPoints();
    if (clipPoints_)
        EndSeriesClip();
    series.DoAfterDrawValues();
}

void TCustomAxisPanel::PaintSharedZOrder(TChartSeries& first) {
    const int32_t slot = first.EffectiveZOrder();
    std::vector<TChartSeries*> group;
    bool found = false;
    for (TChartSeries* s : seriesList_) {
        found = found || s == &first;
        if (found && s->Active() && !s->HasZValues() && s->EffectiveZOrder() == slot)
            group.push_back(s);
    }
    int32_t lo = -1;
    int32_t hi = -1;
    std::vector<TChartSeries*> shown;
    for (TChartSeries* s : group) {
        s->FindShownRange();
        if (s->FirstShown() == -1)
            continue;
        shown.push_back(s);
        s->DoBeforeDrawValues();
        lo = lo == -1 ? s->FirstShown() : std::min(lo, s->FirstShown());
        hi = std::max(hi, s->LastShown());
    }
    if (lo == -1)
        return;
    if (clipPoints_)
        BeginSeriesClip();
    auto drawIndex = [&](int32_t index) {
        const bool forward = first.DrawSeriesForward(index);
        const size_t n = group.size();
        for (size_t k = 0; k < n; ++k) {
            TChartSeries* s = group[forward ? k : n - 1 - k];
            if (index < s->PointCount())
                s->DrawPoint(index);
        }
    };
    if (first.DrawsForward()) {
        for (int32_t i = lo; i <= hi; ++i)
            drawIndex(i);
    } else {
        for (int32_t i = hi; i >= lo; --i)
            drawIndex(i);
    }
    EndSeriesClip();
    for (TChartSeries* s : shown) {
        s->DoAfterDrawValues();
    }
}

bool TCustomAxisPanel::ClippingAllowed() const {
    const TCanvas3D& canvas = Canvas3D();
    if (canvas.SupportsSolids())
        return false;
    if (IsPrinting())
        return ClipWhenPrinting;
    if (canvas.Metafiling())
        return ClipWhenMetafiling;
    return true;
}

void TCustomAxisPanel::BeginSeriesClip() {
    if (!ClippingAllowed())
        return;
    Canvas3D().ClipToBox(plotRect_, 0, chartDepth_);
    seriesClipped_ = true;
}

void TCustomAxisPanel::EndSeriesClip() {
    if (!seriesClipped_)
        return;
    Canvas3D().Unclip();
    seriesClipped_ = false;
}

void TCustomAxisPanel::DrawZoomFrame() {
    NoteDirectDrawing();
    TCanvas3D& canvas = Canvas3D();
    TColor ink = ColorToRGB(Color());
    // Not-xor with white leaves every pixel as it is, and with a light button face of a
    // modern palette (0xEFEFEF, say) it changes each by a shade nobody sees: such light
    // ink becomes black, which inverts the pixels under the frame.
    const auto light = [](TColor c) {
        return (c & 0xFF) >= 0xE0 && ((c >> 8) & 0xFF) >= 0xE0 && ((c >> 16) & 0xFF) >= 0xE0;
    };
    if (light(ink))
        ink = clBlack;
    TPen& pen = canvas.Pen();
    pen.SetColor(ink);
    pen.SetMode(TPenMode::pmNotXor);
    pen.SetStyle(TPenStyle::psSolid);
    pen.SetWidth(1);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const TZoomPanningRecord& zoom = ZoomRecord();
    canvas.Rectangle(zoom.StartX, zoom.StartY, zoom.EndX, zoom.EndY);
    // The inverting ink is for this rectangle only; later drawing copies again.
    pen.SetMode(TPenMode::pmCopy);
}

} // namespace vemora
