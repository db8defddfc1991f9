// The frame of the chart with axes and series: the order of its drawing, the axes, the
// series with their clipping, and the zoom rectangle.
#include "chart/axis_panel.h"
#include "series/chart_series.h"

#include <algorithm>
#include <utility>

namespace vemora {

void TCustomAxisPanel::ComputeLayout() {
    FollowHostPixelRatio();
    const Rect client = Host() ? Host()->ClientRect() : Rect{0, 0, Width(), Height()};
    CalcPlotRect(OpenCanvas(client));
    LayoutFrame();
}

void TCustomAxisPanel::SettleLayout() {
    for (int i = 0; i < 8; ++i) {
        const TFrameLayout before = FrameLayout();
        ComputeLayout();
        if (FrameLayout() == before)
            break;
    }
    Invalidate();
}

void TCustomAxisPanel::DrawTitlesOnFrontPlane() {
    Canvas3D().BeginFrontPlane();
    DrawTitles();
    Canvas3D().EndFrontPlane();
}

void TCustomAxisPanel::LayoutFrame() {
    TCanvas3D& canvas = Canvas3D();
    canvas.BeginFrontPlane();
    LayoutTitles();
    canvas.EndFrontPlane();
    AssignZOrders();
    // Laid out again, once, where the labels came out wider than the space measured for
    // them. (Reset first too: a layout that failed may have left a space given.)
    const Rect plot = plotRect_;
    ResetLabelSpaces();
    for (int pass = 0;; ++pass) {
        LayoutAxes();
        AssignZRanges();
        ApplySeriesMargins();
        canvas.SetProjection(chartDepth_, panelBounds_, plotRect_);
        for (TCustomChartAxis* axis : axes_) {
            if (AxisShown(*axis))
                axis->LayoutLabels(true);
        }
        if (pass > 0 || !WidenLabelSpaces())
            break;
        plotRect_ = plot;
        UpdatePlotSize();
    }
    ResetLabelSpaces();
    for (TChartSeries* series : seriesList_) {
        if (series->Active())
            series->FindShownRange();
    }
    CaptureFrame();
}

void TCustomAxisPanel::CaptureFrame() {
    TFrameLayout& f = frame_;
    f.PanelBounds = panelBounds_;
    f.PlotRect = plotRect_;
    f.ChartDepth = chartDepth_;
    f.ChartDepthY = chartDepthY_;
    f.SeriesDepth = seriesDepth_;
    f.SeriesDepthY = seriesDepthY_;
    f.Axes.resize(axes_.size());
    f.Items.clear();
    f.AxisItems.assign(axes_.size(), {0, 0});
    // With the settings as in the last frame drawn in layers (any change makes the next
    // frame whole), an axis laid out as then draws the same items.
    const TFrameLayout& last = tracker_.Last();
    const bool sameSettings =
        PartialFrameAllowed() && tracker_.Known() && last.PanelBounds == f.PanelBounds &&
        last.PlotRect == f.PlotRect && last.ChartDepth == f.ChartDepth &&
        last.ChartDepthY == f.ChartDepthY && last.Axes.size() == axes_.size() &&
        last.AxisItems.size() == axes_.size();
    for (size_t i = 0; i < axes_.size(); ++i) {
        TCustomChartAxis& axis = *axes_[i];
        TAxisFrame& a = f.Axes[i];
        a.Shown = AxisShown(axis);
        a.Style = axis.EffectiveLabelStyle();
        a.Minimum = axis.Minimum();
        a.Maximum = axis.Maximum();
        a.ScaleMinimum = axis.ScaleMinimum();
        a.ScaleMaximum = axis.ScaleMaximum();
        a.StartPixel = axis.StartPixel();
        a.EndPixel = axis.EndPixel();
        a.CenterPixel = axis.CenterPixel();
        a.Inverted = axis.Inverted();
        a.LinePos = axis.LinePos();
        a.LabelsPos = axis.LabelsPos();
        a.TitlePos = axis.TitlePos();
        if (a.Shown) {
            a.Increment = axis.LastIncrement();
            a.ExtraDigits = axis.LabelExtraDigits();
            a.Labels = axis.LastLabels();
            a.Ticks = axis.LastTicks();
            const size_t from = f.Items.size();
            if (sameSettings && last.Axes[i].SameItems(a)) {
                const auto [first, count] = last.AxisItems[i];
                f.Items.insert(f.Items.end(), last.Items.begin() + static_cast<ptrdiff_t>(first),
                               last.Items.begin() + static_cast<ptrdiff_t>(first + count));
            } else {
                axis.CollectItems(static_cast<uint32_t>(i), f.Items);
            }
            f.AxisItems[i] = {from, f.Items.size() - from};
        } else {
            a.Increment = 0;
            a.ExtraDigits = 0;
            a.Labels.clear();
            a.Ticks.clear();
        }
    }
    f.Series.resize(seriesList_.size());
    for (size_t i = 0; i < seriesList_.size(); ++i) {
        const TChartSeries& series = *seriesList_[i];
        f.Series[i] = {&series,       series.Active(),     series.ZStart(),
                       series.ZEnd(), series.FirstShown(), series.LastShown()};
    }
}

bool TCustomAxisPanel::LayersPossible() {
    return Canvas3D().KeepsUnderlay() && !Canvas3D().SupportsSolids() && !IsPrinting() &&
           !OnBeforeDrawSeries && !OnAfterDraw && !OnBeforeDrawAxes && !ZoomRecord().Dragging;
}

bool TCustomAxisPanel::PlacedSeries(std::vector<TChartSeries*>& placed) {
    placed.clear();
    for (TChartSeries* series : seriesList_) {
        if (!series->Active())
            continue;
        if (!series->DrawsPlacedMarkers() || (View3D() && series->SharesZOrder()))
            return false;
        placed.push_back(series);
    }
    return true;
}

void TCustomAxisPanel::DrawContents(const Rect& panelBounds) {
    TCanvas3D& canvas = Canvas3D();
    // A frame that failed left its clip to the panel, which has removed it.
    seriesClipped_ = false;
    const bool layers = LayersPossible();
    if (!layers)
        PaintPanel(panelBounds);
    for (TChartSeries* series : seriesList_) {
        if (series->Active())
            series->DoBeforeDrawChart();
    }
    LayoutFrame();
    if (layers && PlacedSeries(placed_)) {
        DrawLayered(panelBounds, placed_);
        return;
    }
    // Drawn whole, without layers: the next frame in layers starts afresh.
    tracker_.ForgetFrame();
    if (layers)
        PaintPanel(panelBounds);
    DrawGround();
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

void TCustomAxisPanel::DrawGround() {
    TCanvas3D& canvas = Canvas3D();
    DrawTitlesOnFrontPlane();
    if (canvas.SupportsSolids()) {
        // A true 3D canvas draws the titles again over the whole panel.
        const Rect plot = plotRect_;
        plotRect_ = panelBounds_;
        canvas.BeginFrontPlane();
        LayoutTitles();
        DrawTitles();
        canvas.EndFrontPlane();
        plotRect_ = plot;
        UpdatePlotSize();
    }
    PaintWalls();
    if (axisVisible_ && AxesBeforeSeries)
        PaintAxes();
}

void TCustomAxisPanel::DrawLayered(const Rect& panelBounds, std::span<TChartSeries* const> placed) {
    TCanvas3D& canvas = Canvas3D();
    if (!PartialFrameAllowed()) {
        tracker_.ForgetFrame();
        for (TChartSeries* series : placed)
            series->ForgetMarkerLooks();
    }
    const TFrameDamage damage = tracker_.Plan(frame_, placed);
    // While the markers' moves keep being known (a time series), a frame that paints all
    // of them notes which one shows at each pixel, for the next frame's moves; otherwise
    // that costs as much as the painting and serves nothing.
    if (!damage.Whole)
        movesKnown_ = placed.size() == 1 && damage.Moves.Known ? std::min(movesKnown_ + 1, 2) : 0;
    const bool keepOwners = placed.size() == 1 && movesKnown_ >= 2;
    // The underlay, in the buffer: drawn again where its items changed.
    if (damage.Whole || !damage.Ground.empty()) {
        const gfx::Region ground = gfx::Region::FromRects(damage.Ground);
        if (!damage.Whole)
            canvas.LimitDrawing(&ground);
        PaintPanel(panelBounds);
        DrawGround();
        canvas.LimitDrawing(nullptr);
    }
    // The destination keeps the last frame; the markers are painted on it over the underlay.
    canvas.DrawOnDestination(true);
    // One series whose markers' moves are known: only the pixels they touch are decided
    // again, from what each pixel of the last frame showed.
    bool drawn = false;
    if (!damage.Whole && placed.size() == 1 && damage.Moves.Known) {
        const TPointPlaces* places = tracker_.Places(placed[0]);
        const gfx::Bitmap* buffer = canvas.Underlay();
        if (places && buffer) {
            changed_.clear();
            if (clipPoints_)
                BeginSeriesClip();
            drawn = placed[0]->MovePlacedMarkers(damage.Moves, *places, *buffer, damage.Ground,
                                                 changed_);
            if (clipPoints_)
                EndSeriesClip();
            if (drawn) {
                changed_.insert(changed_.end(), damage.Ground.begin(), damage.Ground.end());
                SetFrameChangedArea(changed_);
            }
        }
    }
    if (!drawn) {
        // Otherwise the changed parts of the underlay go onto the destination, and the
        // markers over them where they changed; all the markers, when the moves go on but
        // the last frame's owners were not kept.
        const bool all = damage.Whole || keepOwners;
        canvas.CopyUnderlay(all ? nullptr : &damage.Ground);
        if (all) {
            PaintPlaced(placed, nullptr, keepOwners);
        } else {
            const gfx::Bitmap* buffer = canvas.Underlay();
            damageMask_.Reset(buffer ? buffer->Width() : 0, buffer ? buffer->Height() : 0);
            damageMask_.Add(damage.Rects);
            PaintPlaced(placed, &damageMask_, false);
        }
        if (!damage.Whole)
            SetFrameChangedArea(damage.Rects);
    }
    canvas.DrawOnDestination(false);
    canvas.ResetTools();
    // Nothing of the buffer is copied: the destination has the frame.
    static const std::vector<Rect> nothing;
    canvas.LimitPresent(&nothing);
}

bool TCustomAxisPanel::RepaintFromBuffer() {
    if (!tracker_.Known())
        return TCustomChartPanel::RepaintFromBuffer();
    // The buffer holds the underlay of the last frame drawn in layers: that, with the
    // markers laid over it again.
    TCanvas3D& canvas = Canvas3D();
    if (!canvas.BufferCurrent() || !PlacedSeries(placed_))
        return false;
    canvas.CopyUnderlay(nullptr);
    PaintPlaced(placed_, nullptr, placed_.size() == 1 && movesKnown_ >= 2);
    canvas.ResetTools();
    return true;
}

void TCustomAxisPanel::PaintPlaced(std::span<TChartSeries* const> placed,
                                   const gfx::PixelMask* within, bool keepOwners) {
    // The first series that paints there also lays down the underlay where it has no marker;
    // the others paint over it.
    const gfx::Bitmap* background = within ? Canvas3D().Underlay() : nullptr;
    for (TChartSeries* series : placed) {
        const TPointPlaces* places = tracker_.Places(series);
        if (!places || (series->FirstShown() < 0 && !keepOwners))
            continue;
        MarkerRanges(*series, *places, within, ranges_);
        if (ranges_.empty() && !background && !keepOwners)
            continue;
        if (clipPoints_)
            BeginSeriesClip();
        series->PaintPlacedMarkers(within, background, *places, ranges_, keepOwners);
        if (clipPoints_)
            EndSeriesClip();
        background = nullptr;
    }
    if (background) {
        // No series drew there: only the underlay shows.
        std::vector<Rect> rects;
        for (int32_t y = within->Bounds().Top; y < within->Bounds().Bottom; ++y)
            within->ForEachRun(y, [&](int32_t a, int32_t b) { rects.push_back({a, y, b, y + 1}); });
        Canvas3D().CopyUnderlay(&rects);
    }
}

void TCustomAxisPanel::MarkerRanges(TChartSeries& series, const TPointPlaces& places,
                                    const gfx::PixelMask* within,
                                    std::vector<TIndexRange>& ranges) {
    ranges.clear();
    const int32_t first = series.FirstShown(), last = series.LastShown();
    if (first < 0 || last < first || last >= places.Size())
        return;
    Rect reach;
    // Only where the points' pixels follow their order can the search halve.
    if (!within || !series.XValues().IsOrdered() || !series.MarkerReach(clDefault, reach)) {
        ranges.push_back({first, last});
        return;
    }
    // The columns where a marker's place must lie to reach into the region, merged.
    std::vector<std::pair<int64_t, int64_t>> columns;
    const std::vector<uint64_t> used = within->Columns();
    gfx::PixelMask::ForEachRunOf(
        used.data(), used.size(), within->Width(), [&](int32_t a, int32_t b) {
            columns.emplace_back(int64_t{a} - reach.Right, int64_t{b} - reach.Left);
        });
    size_t merged = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (merged > 0 && columns[i].first < columns[merged - 1].second)
            columns[merged - 1].second = std::max(columns[merged - 1].second, columns[i].second);
        else
            columns[merged++] = columns[i];
    }
    columns.resize(merged);
    const TBlockedArray<int32_t>& xs = places.X;
    const bool rising = xs[first] <= xs[last];
    // The first shown point at or after `from` that `before` no longer holds for.
    const auto partition = [&](int32_t from, auto&& before) {
        int32_t lo = from, hi = last + 1;
        while (lo < hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            if (before(xs[mid]))
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    };
    if (!rising)
        std::reverse(columns.begin(), columns.end());
    int32_t from = first;
    for (const std::pair<int64_t, int64_t>& column : columns) {
        // Strictly between lo and hi.
        const int64_t lo = column.first, hi = column.second;
        const int32_t a = partition(from, [&](int32_t x) { return rising ? x <= lo : x >= hi; });
        const int32_t b = partition(a, [&](int32_t x) { return rising ? x < hi : x > lo; });
        if (a < b) {
            if (!ranges.empty() && ranges.back().Last + 1 >= a)
                ranges.back().Last = b - 1;
            else
                ranges.push_back({a, b - 1});
        }
        from = b;
    }
}

void TCustomAxisPanel::PaintAxes() {
    if (OnBeforeDrawAxes)
        OnBeforeDrawAxes(this);
    for (TCustomChartAxis* axis : axes_) {
        if (AxisShown(*axis))
            axis->DrawLaidOut();
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
