#include "pointseries/point_series.h"

#include "axes/chart_axis.h"
#include "series/series_owner.h"

#include <algorithm>
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
    const double xTimes = xList.Multiplier(), yTimes = yList.Multiplier();
    TCanvas3D& canvas = ParentChart()->Canvas3D();
    // The lists and the colours keep their values in blocks of their own: each run goes as
    // far as all their current blocks do. Points beyond the stored colours take the series'.
    for (int32_t i = first; i <= last;) {
        const std::span<const double> xs = xList.StoredChunkAt(i);
        const std::span<const double> ys = yList.StoredChunkAt(i);
        const std::span<const TColor> colors = StoredColorsAt(i);
        size_t run = std::min({xs.size(), ys.size(), size_t(last - i + 1)});
        if (!colors.empty())
            run = std::min(run, colors.size());
        const int32_t end = i + static_cast<int32_t>(run);
        for (size_t k = 0; i < end; ++i, ++k) {
            const TColor color = colors.empty() ? SeriesColor() : ColorShown(colors[k], i);
            DrawPointAt(canvas, i, color,
                        horiz->ValueToPixelX(TChartValueList::Scaled(xs[k], xTimes)),
                        vert->ValueToPixelY(TChartValueList::Scaled(ys[k], yTimes)));
        }
    }
    return true;
}

void TCustomSeries::DrawAllPoints() {
    auto drawPoints = [this] {
        if (pointsArea_)
            DrawMarkersWithin(*pointsArea_);
        else if (!DrawPointsDirectly())
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

int32_t TCustomSeries::PointPixelX(int32_t index) const {
    return GetHorizAxis()->ValueToPixelX(XValues().ValueAt(index));
}

int32_t TCustomSeries::PointPixelY(int32_t index) const {
    return GetVertAxis()->ValueToPixelY(YValues().ValueAt(index));
}

bool TCustomSeries::DrawsPartFrames() {
    const TCustomChartAxis* horiz = GetHorizAxis();
    const TCustomChartAxis* vert = GetVertAxis();
    // Values as stored: a multiplier could take a finite one beyond the double range.
    return keepsPointSteps_ && DrawsForward() && StampsMarkers() && ParentChart() && horiz &&
           vert && !horiz->DepthRole() && !vert->DepthRole() && !BeforeDrawValues &&
           !AfterDrawValues && XValues().Multiplier() == 1.0 && YValues().Multiplier() == 1.0 &&
           stamps_.Possible(*pointer_);
}

bool TCustomSeries::ShownPointsDrawable() {
    const int32_t first = FirstShown(), last = LastShown();
    if (first < 0)
        return true;
    // The pixels follow the values in order: the ends of each range decide.
    TChartValueList& ys = YValues();
    return XValues().IsOrdered() && Drawable(PointPixelX(first)) && Drawable(PointPixelX(last)) &&
           ys.NonFiniteCount() == 0 && Drawable(GetVertAxis()->ValueToPixelY(ys.FiniteLowest())) &&
           Drawable(GetVertAxis()->ValueToPixelY(ys.FiniteHighest()));
}

void TCustomSeries::FrameDrawn() {
    TChartSeries::FrameDrawn();
    // What the frame shows is known marker by marker only when every marker was a stamp.
    partReady_ =
        FirstShown() < 0 || (stampedLastFrame_ && DrawsPartFrames() && ShownPointsDrawable());
    // A part frame's stamps are some of the markers already known, and its new ones.
    const gfx::Rect drawn =
        FirstShown() >= 0 && stampedLastFrame_ ? stamps_.KnownReach() : gfx::Rect{};
    if (pointsArea_)
        markerReach_ = markerReach_.Union(drawn);
    else
        markerReach_ = drawn;
    pointsArea_.reset();
}

void TCustomSeries::LimitPointsTo(const gfx::Rect* area) {
    if (area)
        pointsArea_ = *area;
    else
        pointsArea_.reset();
}

bool TCustomSeries::AddChangedArea(gfx::Rect& area) {
    if (PointsChangedOtherwise() || !partReady_ || !DrawsPartFrames())
        return false;
    const std::vector<int32_t>& added = PointsAddedSinceFrame();
    // A colour by index moves along with every point after one put in between.
    if (ColorEachPoint() && AddedInsideSinceFrame())
        return false;
    FindShownRange();
    if (!ShownPointsDrawable())
        return false;
    const int32_t first = FirstShown(), last = LastShown();
    std::vector<int32_t> sorted(added.begin(), added.end());
    std::sort(sorted.begin(), sorted.end());
    // Where a point of the last frame stands among today's.
    const auto today = [&](int32_t index) {
        int32_t k = 0;
        for (const int32_t a : sorted) {
            if (a > index + k)
                break;
            ++k;
        }
        return index + k;
    };
    const bool shownBefore = FrameFirstShown() >= 0;
    const int32_t before0 = shownBefore ? today(FrameFirstShown()) : 0;
    const int32_t before1 = shownBefore ? today(FrameLastShown()) : -1;
    const auto isAdded = [&](int32_t i) {
        return std::binary_search(sorted.begin(), sorted.end(), i);
    };
    const auto inShown = [&](int32_t i) { return first >= 0 && i >= first && i <= last; };
    // The markers one frame draws and the other does not: the added points shown now, the
    // points the shown range took in or gave up.
    std::vector<int32_t> changed;
    constexpr size_t kMaxChanged = 64;
    for (const int32_t a : sorted) {
        if (inShown(a))
            changed.push_back(a);
    }
    auto collect = [&](int32_t from, int32_t to, auto&& keep) {
        if (to - int64_t{from} >= static_cast<int64_t>(kMaxChanged) * 4)
            return false;
        for (int32_t i = from; i <= to; ++i) {
            if (!isAdded(i) && keep(i))
                changed.push_back(i);
            if (changed.size() > kMaxChanged)
                return false;
        }
        return true;
    };
    const auto outsideBefore = [&](int32_t i) { return i < before0 || i > before1; };
    if (first >= 0) {
        if (!collect(first, std::min(last, before0 - 1), outsideBefore) ||
            !collect(std::max(first, before1 + 1), last, outsideBefore))
            return false;
    }
    if (shownBefore) {
        const auto notShown = [&](int32_t i) { return !inShown(i); };
        if (first < 0) {
            if (!collect(before0, before1, notShown))
                return false;
        } else if (!collect(before0, std::min(before1, first - 1), notShown) ||
                   !collect(std::max(before0, last + 1), before1, notShown)) {
            return false;
        }
    }
    if (!pointer_->Visible())
        return true;
    const TSeriesPointerStyle style = pointer_->Style();
    for (const int32_t i : changed) {
        const TColor color = TChartSeries::PointColor(i);
        if (color == clNone)
            continue;
        gfx::Rect painted;
        const int32_t x = PointPixelX(i), y = PointPixelY(i);
        if (!stamps_.Footprint(*pointer_, x, y, color, style, painted))
            return false;
        area = area.Union(painted);
        markerReach_ = markerReach_.Union(
            {painted.Left - x, painted.Top - y, painted.Right - x, painted.Bottom - y});
    }
    return true;
}

void TCustomSeries::DrawMarkersWithin(const gfx::Rect& area) {
    const int32_t first = FirstShown(), last = LastShown();
    if (first < 0 || last < first)
        return;
    if (pointer_->Visible() && !area.IsEmpty()) {
        const gfx::Rect reach = markerReach_;
        // A marker at x reaches into the area's columns when x lies strictly between these.
        const int64_t left = int64_t{area.Left} - reach.Right;
        const int64_t right = int64_t{area.Right} - reach.Left;
        const bool rising = PointPixelX(last) >= PointPixelX(first);
        // The points in order of their pixels: those inside the columns are together.
        auto begin = [&](int32_t i) {
            const int32_t x = PointPixelX(i);
            return rising ? x <= left : x >= right;
        };
        auto end = [&](int32_t i) {
            const int32_t x = PointPixelX(i);
            return rising ? x < right : x > left;
        };
        auto partition = [](int32_t lo, int32_t hi, auto&& before) {
            while (lo < hi) {
                const int32_t mid = lo + (hi - lo) / 2;
                if (before(mid))
                    lo = mid + 1;
                else
                    hi = mid;
            }
            return lo;
        };
        const int32_t from = partition(first, last + 1, begin);
        const int32_t to = partition(from, last + 1, end);
        // A marker at y reaches into the area's rows when y lies strictly between these.
        const int64_t top = int64_t{area.Top} - reach.Bottom;
        const int64_t bottom = int64_t{area.Bottom} - reach.Top;
        const TCustomChartAxis& vert = *GetVertAxis();
        const TChartValueList& yList = YValues();
        // Part frames read the values as stored (the multipliers are one), in runs.
        for (int32_t i = from; i < to;) {
            const std::span<const double> ys = yList.StoredChunkAt(i);
            const int32_t runEnd = i + static_cast<int32_t>(std::min<size_t>(ys.size(), to - i));
            for (size_t k = 0; i < runEnd; ++i, ++k) {
                const int32_t y = vert.ValueToPixelY(ys[k]);
                if (y <= top || y >= bottom)
                    continue;
                const TColor color = TChartSeries::PointColor(i);
                if (color != clNone)
                    PaintMarker(PointPixelX(i), y, i, color);
            }
        }
    }
    // As the whole frame leaves them: at the last shown point.
    oldX_ = PointPixelX(last);
    oldY_ = PointPixelY(last);
    oldColor_ = TChartSeries::PointColor(last);
    toolsAfterMarker_ = false;
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

int32_t TCustomSeries::HitPoint(int32_t& x, int32_t& y, bool& onPointer) {
    onPointer = false;
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
            onPointer = true;
            return i;
        }
        if (px == x && py == y)
            return i;
    }
    return -1;
}

int32_t TCustomSeries::PointAtPixel(int32_t x, int32_t y) {
    bool onPointer = false;
    const int32_t i = HitPoint(x, y, onPointer);
    if (onPointer && OnClickPointer)
        OnClickPointer(this, i, x, y);
    return i;
}

int32_t TCustomSeries::PointUnderPixel(int32_t x, int32_t y) {
    bool onPointer = false;
    return HitPoint(x, y, onPointer);
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
