#include "pointseries/point_series.h"

#include "axes/chart_axis.h"
#include "series/series_owner.h"

#include <cstdlib>

namespace vemora {

namespace {

bool Drawable(int32_t pixel) {
    return pixel >= -kMaxDrawnPixel && pixel <= kMaxDrawnPixel;
}

} // namespace

TCustomSeries::TCustomSeries(TPointSteps steps) : keepsPointSteps_(steps == TPointSteps::stKept) {
    pointer_ = std::make_unique<TSeriesPointer>(this);
    const TNotifyEvent changed = [this](void*) { RequestRepaint(); };
    linePen_ = std::make_unique<TChartPen>(changed);
    areaLinesPen_ = std::make_unique<TChartPen>(changed);
    SetConnectsPoints(true);
}

void TCustomSeries::Assign(const TChartSeries& source) {
    TChartSeries::Assign(source);
    const auto* other = dynamic_cast<const TCustomSeries*>(&source);
    if (!other || other == this)
        return;
    pointer_->Assign(*other->pointer_);
    linePen_->Assign(*other->linePen_);
    areaLinesPen_->Assign(*other->areaLinesPen_);
    SetLineHeight(other->lineHeight_);
    SetAreaColor(other->areaColor_);
    SetDark3D(other->dark3D_);
    SetStairs(other->stairs_);
    SetInvertedStairs(other->invertedStairs_);
    SetLineBrush(other->lineBrush_);
    SetDrawLine(other->drawLine_);
    SetDrawArea(other->drawArea_);
    SetClickableLine(other->clickableLine_);
}

void TCustomSeries::SetDrawBetweenPoints(bool value) {
    if (value == ConnectsPoints())
        return;
    SetConnectsPoints(value);
    RequestRepaint();
}

void TCustomSeries::SetColorEachPoint(bool value) {
    TChartSeries::SetColorEachPoint(value);
    if (value)
        pointer_->Brush().SetColor(clDefault);
}

TCanvas3D& TCustomSeries::PointerCanvas() {
    return ParentChart()->Canvas3D();
}

bool TCustomSeries::PointerView3D() const {
    return ParentChart() && ParentChart()->View3D();
}

int32_t TCustomSeries::OriginPosition(int32_t) const {
    const TCustomChartAxis* axis = GetVertAxis();
    return axis ? axis->EndPixel() : 0;
}

void TCustomSeries::DrawPoint(int32_t index) {
    TSeriesOwner* chart = ParentChart();
    if (!chart)
        return;
    DrawPointAt(chart->Canvas3D(), index, PointColor(index), XPixel(index), YPixel(index));
}

inline void TCustomSeries::DrawPointAt(TCanvas3D& canvas, int32_t index, TColor color, int32_t x,
                                       int32_t y) {
    if (Drawable(x) && Drawable(y)) {
        canvas.Pen().SetColor(clBlack);
        canvas.Brush().SetColor(color);
        toolsAfterMarker_ = stamping_;
        toolsColor_ = color;
        if (oldColor_ == clNone) {
            oldX_ = x;
            oldY_ = y;
        }
        const bool last = index == LastShown();
        // A null point has no marker, not even as the only point shown.
        const bool drawThis = last && color != clNone && pointer_->Visible();
        if (index == FirstShown()) {
            if (drawThis)
                PaintMarker(x, y, index, color);
        } else if (pointer_->Visible()) {
            if (oldColor_ != clNone)
                PaintMarker(oldX_, oldY_, index - 1, oldColor_);
            if (drawThis)
                PaintMarker(x, y, index, color);
        }
        oldX_ = x;
        oldY_ = y;
    }
    oldColor_ = color;
}

bool TCustomSeries::DrawPointsDirectly() {
    // Only where every step of DrawPoint is known: a class that keeps them, both axes. Then
    // the colours and pixels come without a virtual call each. The lists need no check:
    // TChartSeries makes both itself as plain TChartValueList and never replaces them, so
    // their values are the stored ones times the multiplier.
    const TCustomChartAxis* horiz = GetHorizAxis();
    const TCustomChartAxis* vert = GetVertAxis();
    if (!keepsPointSteps_ || !horiz || !vert || !DrawsForward())
        return false;
    const TChartValueList& xList = XValues();
    const TChartValueList& yList = YValues();
    const int32_t first = FirstShown(), last = LastShown();
    if (first < 0 || last < first || last >= xList.ValueCount() || last >= yList.ValueCount())
        return false;
    const std::span<const double> xs = xList.StoredValues();
    const std::span<const double> ys = yList.StoredValues();
    const double xTimes = xList.Multiplier(), yTimes = yList.Multiplier();
    TCanvas3D& canvas = ParentChart()->Canvas3D();
    for (int32_t i = first; i <= last; ++i) {
        const auto at = static_cast<size_t>(i);
        DrawPointAt(canvas, i, TChartSeries::PointColor(i),
                    horiz->ValueToPixelX(TChartValueList::Scaled(xs[at], xTimes)),
                    vert->ValueToPixelY(TChartValueList::Scaled(ys[at], yTimes)));
    }
    return true;
}

void TCustomSeries::DrawAllPoints() {
    auto drawPoints = [this] {
        if (!DrawPointsDirectly())
            TChartSeries::DrawAllPoints();
    };
    stamping_ = StampsMarkers() && ParentChart() && stamps_.Begin(*pointer_);
    stampedLastFrame_ = false;
    if (!stamping_) {
        drawPoints();
        return;
    }
    toolsAfterMarker_ = false;
    auto finish = [this] {
        stampedLastFrame_ = stamping_;
        stamping_ = false;
        stamps_.Finish();
        // The pen and brush a point set after the last marker, as drawing in turn leaves them.
        if (toolsAfterMarker_) {
            TCanvas3D& canvas = ParentChart()->Canvas3D();
            canvas.Pen().SetColor(clBlack);
            canvas.Brush().SetColor(toolsColor_);
        }
    };
    try {
        drawPoints();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomSeries::PaintMarker(int32_t x, int32_t y, int32_t index, TColor color) {
    if (stamping_) {
        toolsAfterMarker_ = false;
        const TSeriesPointerStyle style =
            OnGetPointerStyle ? OnGetPointerStyle(this, index) : pointer_->Style();
        if (stamps_.Add(x, y, color, style))
            return;
        stamping_ = false;
        pointer_->PrepareCanvas(color);
        pointer_->Draw(x, y, color, style);
        return;
    }
    pointer_->PrepareCanvas(color);
    const TSeriesPointerStyle style =
        OnGetPointerStyle ? OnGetPointerStyle(this, index) : pointer_->Style();
    pointer_->Draw(x, y, color, style);
}

void TCustomSeries::HorizMargins(int32_t& left, int32_t& right) {
    left = right = 0;
    pointer_->HorizMargins(left, right);
    if (stairs_ && drawLine_) {
        left = std::max(left, linePen_->Width());
        right = std::max(right, linePen_->Width());
    }
}

void TCustomSeries::VertMargins(int32_t& top, int32_t& bottom) {
    top = bottom = 0;
    pointer_->VertMargins(top, bottom);
    if (stairs_ && drawLine_) {
        top = std::max(top, linePen_->Width());
        bottom = std::max(bottom, linePen_->Width() + 1);
    }
    if (lineHeight_ > 0 && !drawArea_ && bottom < lineHeight_)
        bottom = lineHeight_;
}

int32_t TCustomSeries::PointAtPixel(int32_t x, int32_t y) {
    TSeriesOwner* chart = ParentChart();
    if (!chart)
        return -1;
    chart->Canvas3D().UnprojectPosition(x, y, ZStart());
    if (FirstShown() < 0 || LastShown() < 0)
        return -1;
    for (int32_t i = FirstShown(); i <= LastShown() && i < PointCount(); ++i) {
        const int64_t px = XPixel(i);
        const int64_t py = YPixel(i);
        if (pointer_->Visible() && std::llabs(px - x) < pointer_->HorizSize() &&
            std::llabs(py - y) < pointer_->VertSize()) {
            if (OnClickPointer)
                OnClickPointer(this, i, x, y);
            return i;
        }
        if (px == x && py == y)
            return i;
    }
    return -1;
}

TPointSeries::TPointSeries(TPointSteps steps) : TCustomSeries(steps) {
    SetDrawLine(false);
    Marks().SetArrowLength(0);
    SetClickableLine(false);
    Pointer().SetVisible(true);
}

void TPointSeries::Assign(const TChartSeries& source) {
    TCustomSeries::Assign(source);
    Pointer().SetVisible(true);
    SetDrawArea(false);
    SetDrawLine(false);
    SetClickableLine(false);
}

} // namespace vemora
