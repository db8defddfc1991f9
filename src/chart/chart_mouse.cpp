// The chart under the mouse: what a press hits and which events it fires, the zoom
// rectangle and its undo, panning, and the wheel.
#include "chart/chart.h"
#include "series/chart_series.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace vemora {

namespace {

using ui::TMouseButton;
using ui::TShiftState;

// The value as a double, when a double holds it.
bool FiniteDouble(long double value, double& result) {
    if (!std::isfinite(value) || std::fabs(value) > DBL_MAX)
        return false;
    result = static_cast<double>(value);
    return true;
}

bool Exceeds(int32_t from, int32_t to, int32_t threshold) {
    const int64_t span = int64_t{to} - from;
    return span > threshold || -span > threshold;
}

} // namespace

TChartClickedPart TCustomChart::SeriesPointAt(int32_t x, int32_t y, bool clicked) {
    TChartClickedPart part;
    // By index: the click's hit test fires OnClickPointer, whose handler may take series out.
    for (size_t i = SeriesList().size(); i-- > 0;) {
        if (i >= SeriesList().size())
            continue;
        TChartSeries* series = SeriesList()[i];
        if (!series->Active())
            continue;
        const int32_t index = clicked ? series->PointAtPixel(x, y) : series->PointUnderPixel(x, y);
        if (index != -1) {
            part.Part = TChartClickedPartStyle::cpSeries;
            part.Series = series;
            part.PointIndex = index;
            return part;
        }
    }
    return part;
}

TChartClickedPart TCustomChart::PointUnder(int32_t x, int32_t y) {
    return SeriesPointAt(x, y, /*clicked=*/false);
}

TChartClickedPart TCustomChart::PartAt(int32_t x, int32_t y) {
    TChartClickedPart part = SeriesPointAt(x, y, /*clicked=*/true);
    if (part.Part == TChartClickedPartStyle::cpSeries)
        return part;
    for (TCustomChartAxis* axis : Axes()) {
        if (axis->HitTest(x, y)) {
            part.Part = TChartClickedPartStyle::cpAxis;
            part.Axis = axis;
            return part;
        }
    }
    if (title_->Visible() && title_->TitleRect().Contains(x, y))
        part.Part = TChartClickedPartStyle::cpTitle;
    else if (foot_->Visible() && foot_->TitleRect().Contains(x, y))
        part.Part = TChartClickedPartStyle::cpFoot;
    else if (PlotRect().Contains(x, y) && CountActiveSeries() > 0)
        part.Part = TChartClickedPartStyle::cpChartRect;
    else if (legend_->Visible() && legend_->LegendRect().Contains(x, y))
        part.Part = TChartClickedPartStyle::cpLegend;
    return part;
}

// ---- Press ----

template <class Handler, class... Args>
bool TCustomChart::ClickEvent(const Handler& handler, Args... args) {
    // The handler leaves the flag set to take the press for itself.
    skipMouseAction_ = true;
    handler(this, args...);
    return skipMouseAction_;
}

bool TCustomChart::BackgroundClick(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    return OnClickBackground && ClickEvent(OnClickBackground, button, shift, x, y);
}

void TCustomChart::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TCustomAxisPanel::MouseDown(button, shift, x, y);
    if (ZoomRecord().Dragging || PanningRecord().Dragging)
        return;
    if (skipMouseAction_) {
        skipMouseAction_ = false;
        return;
    }
    const TChartClickedPart part = PartAt(x, y);
    bool handled = false;
    switch (part.Part) {
    case TChartClickedPartStyle::cpLegend:
        if (OnClickLegend)
            handled = ClickEvent(OnClickLegend, button, shift, x, y);
        break;
    case TChartClickedPartStyle::cpAxis:
        if (OnClickAxis)
            handled = ClickEvent(OnClickAxis, part.Axis, button, shift, x, y);
        if (!handled)
            handled = StartDrag(button, shift, x, y);
        break;
    case TChartClickedPartStyle::cpSeries:
        handled = part.Series->DoSeriesClick(part.PointIndex, button, shift, x, y);
        if (OnClickSeries)
            handled = ClickEvent(OnClickSeries, part.Series, part.PointIndex, button, shift, x, y);
        if (!handled)
            handled = StartDrag(button, shift, x, y);
        break;
    case TChartClickedPartStyle::cpChartRect:
        handled = BackgroundClick(button, shift, x, y);
        if (!handled)
            handled = StartDrag(button, shift, x, y);
        break;
    case TChartClickedPartStyle::cpTitle:
    case TChartClickedPartStyle::cpFoot:
    case TChartClickedPartStyle::cpNone:
        break;
    }
    if (!handled)
        BackgroundClick(button, shift, x, y);
    skipMouseAction_ = false;
}

bool TCustomChart::StartDrag(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    bool handled = false;
    if (AllowZoom() && button == ZoomMouseButton && shift.Contains(ZoomShiftKeys)) {
        SetCursor(ui::TCursor::crDefault);
        ZoomRecord().Activate(x, y);
        ToggleZoomFrame();
        handled = true;
    }
    if (AllowPanning() != TPanningMode::pmNone && button == PanMouseButton &&
        shift.Contains(PanShiftKeys)) {
        SetCursor(ui::TCursor::crDefault);
        PanningRecord().Activate(x, y);
        handled = true;
    }
    return handled;
}

// ---- Moves ----

void TCustomChart::ToggleZoomFrame() {
    // Straight onto the window between frames: not-xor ink, so the same rectangle drawn
    // again takes itself off and the chart need not be redrawn while it moves.
    DrawZoomFrame();
    if (Host())
        Host()->ShowDirectDrawing();
}

void TCustomChart::MouseMove(TShiftState shift, int32_t x, int32_t y) {
    TCustomAxisPanel::MouseMove(shift, x, y);
    TZoomPanningRecord& zoom = ZoomRecord();
    TZoomPanningRecord& pan = PanningRecord();
    const bool dragging = zoom.Dragging || pan.Dragging;
    if (zoom.Dragging && (x != zoom.EndX || y != zoom.EndY)) {
        DrawZoomFrame();
        zoom.EndX = x;
        zoom.EndY = y;
        ToggleZoomFrame();
    }
    if (pan.Dragging) {
        if (!PlotRect().Contains(x, y)) {
            pan.Dragging = false;
        } else if (x != pan.EndX || y != pan.EndY) {
            if (scalesRestored_)
                SaveScales();
            // Each step runs from the last pointer position, not from the drag's start.
            bool moved = PanStep(true, pan.EndX, x);
            moved = PanStep(false, pan.EndY, y) || moved;
            pan.EndX = x;
            pan.EndY = y;
            if (moved) {
                if (OnScroll)
                    OnScroll(this);
                Invalidate();
            }
        }
    }
    if (dragging)
        return;
    bool cursorTaken = false;
    for (size_t i = 0; i < SeriesList().size() && !cursorTaken; ++i) {
        TChartSeries* series = SeriesList()[i];
        if (series->Active() && series->Cursor() != ui::TCursor::crDefault &&
            series->PointAtPixel(x, y) != -1) {
            SetCursor(series->Cursor());
            cursorTaken = true;
        }
    }
    for (size_t i = 0; i < SeriesList().size(); ++i)
        SeriesList()[i]->DoSeriesMouseMove(shift, x, y);
    if (!cursorTaken)
        SetCursor(LoadTimeCursor());
}

bool TCustomChart::PanStep(bool horizontal, int32_t from, int32_t to) {
    if (from == to)
        return false;
    const TPanningMode mode = AllowPanning();
    if (mode != TPanningMode::pmBoth &&
        mode != (horizontal ? TPanningMode::pmHorizontal : TPanningMode::pmVertical))
        return false;
    // A copy: the scroll handler may add or remove axes, and one it destroyed is skipped.
    const std::vector<TCustomChartAxis*> axes = Axes();
    for (TCustomChartAxis* axis : axes) {
        if (!HasAxis(axis) || axis->DepthRole() || axis->IsHorizontal() != horizontal)
            continue;
        // An axis no frame has placed has no values at pixels to follow.
        if (axis->PixelLength() <= 0)
            continue;
        const long double delta =
            static_cast<long double>(axis->PixelToValue(from)) - axis->PixelToValue(to);
        double minimum = 0;
        double maximum = 0;
        if (!FiniteDouble(axis->Minimum() + delta, minimum) ||
            !FiniteDouble(axis->Maximum() + delta, maximum))
            continue;
        bool allow = true;
        if (OnAllowScroll)
            OnAllowScroll(axis, minimum, maximum, allow);
        if (allow && std::isfinite(minimum) && std::isfinite(maximum) && HasAxis(axis))
            axis->SetRange(minimum, maximum);
    }
    return true;
}

// ---- Release ----

void TCustomChart::EndZoomDrag() {
    ZoomRecord().Dragging = false;
    // DrawZoomFrame puts the pen back to copy itself.
    ToggleZoomFrame();
}

void TCustomChart::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TCustomAxisPanel::MouseUp(button, shift, x, y);
    for (size_t i = 0; i < SeriesList().size(); ++i)
        SeriesList()[i]->DoSeriesMouseUp(button, shift, x, y);
    TZoomPanningRecord& zoom = ZoomRecord();
    if (zoom.Dragging && button == ZoomMouseButton) {
        EndZoomDrag();
        zoom.EndX = x;
        zoom.EndY = y;
        // The threshold is the mouse's, in pixels of the screen's size.
        const int32_t threshold = Canvas3D().Pixels(ZoomDragThreshold);
        if (Exceeds(zoom.StartX, zoom.EndX, threshold) &&
            Exceeds(zoom.StartY, zoom.EndY, threshold)) {
            // Down and to the right zooms in; any other way undoes the zoom.
            if (zoom.StartX < zoom.EndX && zoom.StartY < zoom.EndY)
                ZoomToFrame();
            else
                RestoreZoom();
            Invalidate();
        }
    }
    PanningRecord().Dragging = false;
}

void TCustomChart::CancelMode() {
    TCustomAxisPanel::CancelMode();
    // The window lost the mouse (another window or a menu took it), so no release will
    // come to end the drag: the rectangle goes without zooming, and a pan stops rather than
    // wait for a pointer the chart no longer follows.
    if (ZoomRecord().Dragging)
        EndZoomDrag();
    PanningRecord().Dragging = false;
}

// ---- Zoom ----

void TCustomChart::ZoomToFrame() {
    TZoomPanningRecord& zoom = ZoomRecord();
    zoom.Normalize();
    const auto at = [](const TCustomChartAxis& axis, int32_t pixel) {
        return axis.PixelLength() > 0 ? axis.PixelToValue(pixel)
                                      : std::numeric_limits<double>::quiet_NaN();
    };
    // Screen rows grow downward: the rectangle's lower edge is the vertical minimum.
    ApplyZoom(at(TopAxis(), zoom.StartX), at(TopAxis(), zoom.EndX), at(BottomAxis(), zoom.StartX),
              at(BottomAxis(), zoom.EndX), at(LeftAxis(), zoom.EndY), at(LeftAxis(), zoom.StartY),
              at(RightAxis(), zoom.EndY), at(RightAxis(), zoom.StartY));
}

void TCustomChart::ApplyZoom(double topMinimum, double topMaximum, double bottomMinimum,
                             double bottomMaximum, double leftMinimum, double leftMaximum,
                             double rightMinimum, double rightMaximum) {
    if (scalesRestored_)
        SaveScales();
    struct Target {
        TCustomChartAxis* Axis;
        double Minimum;
        double Maximum;
    };
    std::vector<Target> targets;
    const auto add = [&targets](TCustomChartAxis& axis, double minimum, double maximum) {
        if (std::isfinite(minimum) && std::isfinite(maximum))
            targets.push_back({&axis, minimum, maximum});
    };
    add(LeftAxis(), leftMinimum, leftMaximum);
    add(RightAxis(), rightMinimum, rightMaximum);
    add(TopAxis(), topMinimum, topMaximum);
    add(BottomAxis(), bottomMinimum, bottomMaximum);
    if (AnimatedZoom()) {
        for (int32_t step = 1; step < AnimatedZoomSteps(); ++step) {
            for (const Target& t : targets)
                ZoomStep(*t.Axis, t.Minimum, t.Maximum);
            Repaint();
        }
    }
    for (const Target& t : targets)
        t.Axis->SetRange(t.Minimum, t.Maximum);
    SetIsZoomed(true);
    if (OnZoom)
        OnZoom(this);
}

void TCustomChart::ZoomStep(TCustomChartAxis& axis, double targetMinimum, double targetMaximum) {
    const long double minimum = axis.Minimum();
    const long double maximum = axis.Maximum();
    double newMinimum = 0;
    double newMaximum = 0;
    if (FiniteDouble(minimum + (targetMinimum - minimum) / ZoomStepDivisor, newMinimum) &&
        FiniteDouble(maximum - (maximum - targetMaximum) / ZoomStepDivisor, newMaximum))
        axis.SetRange(newMinimum, newMaximum);
}

TChartAxis& TCustomChart::SavedAxis(size_t index) {
    switch (static_cast<TSavedAxis>(index)) {
    case TSavedAxis::saTop:
        return TopAxis();
    case TSavedAxis::saLeft:
        return LeftAxis();
    case TSavedAxis::saRight:
        return RightAxis();
    case TSavedAxis::saBottom:
        break;
    }
    return BottomAxis();
}

void TCustomChart::SaveScales() {
    for (size_t i = 0; i < savedScales_.size(); ++i) {
        const TChartAxis& axis = SavedAxis(i);
        savedScales_[i] = {axis.Automatic(), axis.AutomaticMinimum(), axis.AutomaticMaximum(),
                           axis.Minimum(), axis.Maximum()};
    }
    scalesRestored_ = false;
}

void TCustomChart::RestoreZoom() {
    if (!scalesRestored_) {
        for (size_t i = 0; i < savedScales_.size(); ++i) {
            TChartAxis& axis = SavedAxis(i);
            const TAxisSavedScales& saved = savedScales_[i];
            axis.SetAutomatic(saved.Automatic);
            axis.SetAutomaticMinimum(saved.AutomaticMinimum);
            axis.SetAutomaticMaximum(saved.AutomaticMaximum);
            if (!axis.Automatic()) {
                axis.SetRange(saved.Minimum, saved.Maximum);
                // The range clears both end flags; an end that followed the data before
                // the zoom follows it again.
                axis.SetAutomaticMinimum(saved.AutomaticMinimum);
                axis.SetAutomaticMaximum(saved.AutomaticMaximum);
            }
        }
        scalesRestored_ = true;
    }
    if (OnUndoZoom)
        OnUndoZoom(this);
    Invalidate();
    SetIsZoomed(false);
}

// ---- Wheel ----

void TCustomChart::MouseWheel(bool down, TShiftState shift, int32_t x, int32_t y) {
    TCustomAxisPanel::MouseWheel(down, shift, x, y);
    // A copy: every shift repaints, and a paint handler may add or remove axes; one it
    // destroyed is skipped.
    const std::vector<TCustomChartAxis*> axes = Axes();
    for (TCustomChartAxis* axis : axes) {
        // Before its first frame an axis holds no range from its data yet: shifting it
        // would fix it at nothing.
        if (!HasAxis(axis) || axis->IsHorizontal() || axis->PixelLength() <= 0)
            continue;
        const long double step = (static_cast<long double>(axis->Maximum()) - axis->Minimum()) *
                                 WheelStepPercent * 0.01L;
        double delta = 0;
        // An empty range does not move, and shifting it would only fix it at nothing.
        if (!FiniteDouble(down ? step : -step, delta) || delta == 0)
            continue;
        // A scroll is undone like a pan: the first one after a restore keeps the ranges
        // to go back to. Without them the vertical axes would stay manual for good, and
        // every later plot would be shown in the scrolled range.
        if (scalesRestored_)
            SaveScales();
        axis->ShiftRange(delta, false);
    }
}

} // namespace vemora
