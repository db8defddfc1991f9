#include "pointseries/point_series.h"

#include "axes/chart_axis.h"
#include "series/place_sift.h"
#include "series/series_owner.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <utility>

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

int32_t TCustomSeries::PointPixelX(int32_t index) const {
    return GetHorizAxis()->ValueToPixelX(XValues().ValueAt(index));
}

int32_t TCustomSeries::PointPixelY(int32_t index) const {
    return GetVertAxis()->ValueToPixelY(YValues().ValueAt(index));
}

bool TCustomSeries::ShownPointsDrawable() {
    const int32_t first = FirstShown(), last = LastShown();
    if (first < 0)
        return true;
    const TCustomChartAxis& horiz = *GetHorizAxis();
    const TCustomChartAxis& vert = *GetVertAxis();
    // The pixels follow the values in order: the ends of the shown range decide in X, the
    // extremes in Y (and in X without an order, where every point is shown).
    TChartValueList& xs = XValues();
    TChartValueList& ys = YValues();
    const bool xDrawable = xs.IsOrdered()
                               ? Drawable(PointPixelX(first)) && Drawable(PointPixelX(last))
                               : xs.NonFiniteCount() == 0 &&
                                     Drawable(horiz.ValueToPixelX(xs.FiniteLowest())) &&
                                     Drawable(horiz.ValueToPixelX(xs.FiniteHighest()));
    return xDrawable && ys.NonFiniteCount() == 0 &&
           Drawable(vert.ValueToPixelY(ys.FiniteLowest())) &&
           Drawable(vert.ValueToPixelY(ys.FiniteHighest()));
}

bool TCustomSeries::DrawsPlacedMarkers() {
    const TCustomChartAxis* horiz = GetHorizAxis();
    const TCustomChartAxis* vert = GetVertAxis();
    // Values as stored: a multiplier could take a finite one beyond the double range.
    return keepsPointSteps_ && DrawsForward() && StampsMarkers() && ParentChart() && horiz &&
           vert && !horiz->DepthRole() && !vert->DepthRole() && !BeforeDrawValues &&
           !AfterDrawValues && XValues().Multiplier() == 1.0 && YValues().Multiplier() == 1.0 &&
           stamps_.Possible(*pointer_) && ShownPointsDrawable();
}

bool TCustomSeries::MarkerReach(TColor color, gfx::Rect& reach) {
    if (!pointer_->Visible()) {
        reach = {};
        return true;
    }
    if (color == clDefault) {
        reach = stamps_.AnyReach(*pointer_);
        return true;
    }
    const int32_t stamp = stamps_.StampOf(*pointer_, color, pointer_->Style());
    if (stamp < 0)
        return false;
    const gfx::Stamp& s = stamps_.StampAt(stamp);
    reach = {s.Left, s.Top, s.Left + s.Width, s.Top + s.Height};
    return true;
}

void TCustomSeries::PaintPlacedMarkers(const gfx::PixelMask* within, const gfx::Bitmap* background,
                                       const TPointPlaces& places,
                                       std::span<const TIndexRange> ranges, bool keepOwners) {
    const int32_t lastShown = LastShown();
    if (keepOwners)
        stamps_.SetOwnerOffset(TMarkerStamps::kFirstOwnerOffset);
    if (lastShown < 0 || lastShown >= places.Size()) {
        // No marker: the owners and the underlay are those of none.
        if (background || keepOwners)
            stamps_.PaintPlaced({}, within, background, keepOwners);
        return;
    }
    if (!pointer_->Visible() && (background || keepOwners))
        stamps_.PaintPlaced({}, within, background, keepOwners);
    if (pointer_->Visible()) {
        // Each marker goes through PaintMarker, which a class may watch; placing, it only
        // notes where the marker's stamp goes.
        placements_.clear();
        placing_ = true;
        placingColor_ = clNone;
        placingStamp_ = -1;
        for (const TIndexRange& range : ranges) {
            for (int32_t i = range.First; i <= range.Last && placing_;) {
                const std::span<const int32_t> xs = places.X.ChunkAt(i);
                const std::span<const int32_t> ys = places.Y.ChunkAt(i);
                const std::span<const TColor> cs = places.Colors.ChunkAt(i);
                const size_t run = std::min(
                    {xs.size(), ys.size(), cs.size(), static_cast<size_t>(range.Last - i + 1)});
                for (size_t k = 0; k < run && placing_; ++k) {
                    if (cs[k] != clNone)
                        PaintMarker(xs[k], ys[k], i + static_cast<int32_t>(k), cs[k]);
                }
                i += static_cast<int32_t>(run);
            }
        }
        const bool stamped = placing_;
        placing_ = false;
        if (stamped) {
            stamps_.PaintPlaced(placements_, within, background, keepOwners);
        } else {
            // A look that cannot be stamped: the markers one by one, in order, where asked.
            TCanvas3D& canvas = ParentChart()->Canvas3D();
            if (background)
                stamps_.PaintPlaced({}, within, background, false);
            std::vector<gfx::Rect> runs;
            if (within) {
                const gfx::Rect& b = within->Bounds();
                for (int32_t y = b.Top; y < b.Bottom; ++y)
                    within->ForEachRun(y, [&](int32_t x0, int32_t x1) {
                        runs.push_back({x0, y, x1, y + 1});
                    });
            }
            const gfx::Region area = gfx::Region::FromRects(runs);
            canvas.LimitDrawing(within ? &area : nullptr);
            for (const TIndexRange& range : ranges) {
                for (int32_t i = range.First; i <= range.Last; ++i) {
                    const TColor c = std::as_const(places.Colors)[i];
                    if (c != clNone)
                        PaintMarker(std::as_const(places.X)[i], std::as_const(places.Y)[i], i, c);
                }
            }
            canvas.LimitDrawing(nullptr);
        }
    }
    LeaveToolsAsShown(places);
}

void TCustomSeries::LeaveToolsAsShown(const TPointPlaces& places) {
    const int32_t lastShown = LastShown();
    if (lastShown < 0 || lastShown >= places.Size())
        return;
    const TSeriesPointerStyle style = pointer_->Style();
    TCanvas3D& canvas = ParentChart()->Canvas3D();
    const TColor lastColor = std::as_const(places.Colors)[lastShown];
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetColor(lastColor);
    for (int32_t i = lastShown; i >= FirstShown() && pointer_->Visible(); --i) {
        const TColor c = std::as_const(places.Colors)[i];
        if (c == clNone)
            continue;
        pointer_->LeaveToolsAsDrawn(std::as_const(places.X)[i], std::as_const(places.Y)[i], c,
                                    style);
        if (i != lastShown) {
            canvas.Pen().SetColor(clBlack);
            canvas.Brush().SetColor(lastColor);
        }
        break;
    }
    oldX_ = std::as_const(places.X)[lastShown];
    oldY_ = std::as_const(places.Y)[lastShown];
    oldColor_ = lastColor;
}

bool TCustomSeries::MovePlacedMarkers(const TMarkerMoves& moves, const TPointPlaces& places,
                                      const gfx::Bitmap& background,
                                      std::span<const gfx::Rect> ground,
                                      std::vector<gfx::Rect>& changed) {
    const int32_t first = FirstShown(), last = LastShown();
    if (!moves.Known || last >= places.Size() || !XValues().IsOrdered())
        return false;
    // The old points' owners move with their indexes; the owners stay apart from the marks
    // of no owner and of pixels left.
    const int64_t before = stamps_.OwnerOffset();
    const int64_t after = before - moves.FrontShift;
    if (after < 0 || after + places.Size() >= INT32_MAX / 2)
        return false;
    const TSeriesPointerStyle style = pointer_->Style();
    const bool visible = pointer_->Visible();
    // Mostly one colour after another: its stamp asked for once.
    TColor lastColor = clNone;
    int32_t lastStamp = -1;
    const auto stampOf = [&](TColor color) {
        if (color != lastColor || lastStamp < 0) {
            lastColor = color;
            lastStamp = stamps_.StampOf(*pointer_, color, style);
        }
        return lastStamp;
    };
    moves_.clear();
    for (const TMarkerMove& m : moves.Moves) {
        gfx::StampMove move;
        move.Owner = static_cast<int32_t>((m.Erased ? before : after) + m.Index);
        move.Was = visible && m.Before && m.Color0 != clNone;
        move.Is = visible && m.After && m.Color1 != clNone;
        if (move.Was) {
            const int32_t stamp = stampOf(m.Color0);
            if (stamp < 0)
                return false;
            move.X0 = m.X0;
            move.Y0 = m.Y0;
            move.Stamp0 = static_cast<uint32_t>(stamp);
        }
        if (move.Is) {
            const int32_t stamp = stampOf(m.Color1);
            if (stamp < 0)
                return false;
            move.X1 = m.X1;
            move.Y1 = m.Y1;
            move.Stamp1 = static_cast<uint32_t>(stamp);
        }
        if (move.Was || move.Is)
            moves_.push_back(move);
    }
    // Mostly in order already.
    const auto lower = [](const gfx::StampMove& a, const gfx::StampMove& b) {
        return a.Owner < b.Owner;
    };
    if (!std::is_sorted(moves_.begin(), moves_.end(), lower))
        std::sort(moves_.begin(), moves_.end(), lower);
    // Below a marker that left pixels: the topmost of those under it whose stamp paints
    // each, among the shown points whose place lies near enough: the marker's neighbours in
    // the X order.
    const gfx::Rect reach = stamps_.AnyReach(*pointer_);
    const TBlockedArray<int32_t>& xs = places.X;
    const TBlockedArray<int32_t>& ys = places.Y;
    // All the places follow the order of the X values, shown or not.
    const bool rising = places.Size() == 0 || xs[0] <= xs[places.Size() - 1];
    const bool wide = stamps_.WideStores();
    // What the stamps made so far paint, relative to their points: the stamps of one pointer
    // share their outline, whatever their colour, so the places yet to come paint within it.
    const gfx::Rect outline = stamps_.KeptOutline();
    const auto find = [&](int32_t under, const gfx::Rect& box, std::span<gfx::LeftPixel> left) {
        const int64_t below = int64_t{under} - after - 1;
        if (first < 0 || !visible || below < first)
            return;
        // Places strictly between lo and hi can paint a pixel of the box.
        const int64_t lo = int64_t{box.Left} - reach.Right, hi = int64_t{box.Right} - reach.Left;
        const int64_t top = int64_t{box.Top} - reach.Bottom,
                      bottom = int64_t{box.Bottom} - reach.Top;
        // From the topmost point under the marker down, while the places can still reach
        // the box: its neighbours in the order, as a rule, so no search is needed unless the
        // marker went far. In the order's direction (d), a place at d * px beyond dBeyond lies
        // past the box on the near side, one at or below dPast on the far side, where no
        // place further down reaches it either.
        const int64_t d = rising ? 1 : -1;
        const int64_t dBeyond = rising ? hi : -lo, dPast = rising ? lo : -hi;
        const TPlaceWindow window{d, dBeyond, dPast, top, bottom};
        const auto beyond = [&](int32_t px) { return d * px >= dBeyond; };
        int32_t from = static_cast<int32_t>(std::min<int64_t>(below, last));
        if (beyond(xs[from]))
            from = std::min(from, xs.PartitionPoint([&](int32_t px) { return !beyond(px); }) - 1);
        // The pixels still open are the first `open` of the list: one found goes after them,
        // and so does one that no place further down can reach, which shows the background.
        size_t open = left.size();
        // Going down, the places only move away along the order: from a place on, the pixels
        // beyond its outline's near side are out of reach. Only while every stamp met keeps
        // to that outline; when one does not, the search starts again without it.
        bool prune = !outline.IsEmpty();
        const auto dropUnreachable = [&](int32_t px) {
            const int64_t edge = int64_t{px} + (rising ? outline.Right : outline.Left);
            for (size_t o = 0; o < open;) {
                if (rising ? left[o].X >= edge : left[o].X < edge)
                    std::swap(left[o], left[--open]);
                else
                    ++o;
            }
        };
        const auto restart = [&] {
            prune = false;
            for (gfx::LeftPixel& p : left)
                p = {p.X, p.Y, gfx::kNoOwner, 0};
            open = left.size();
        };
        // Downwards through the places in runs: most lie too high or too low to matter.
        bool restarted = false;
        for (int32_t k = from; k >= first && open > 0;) {
            std::span<const int32_t> runX = xs.ChunkEndingAt(k), runY = ys.ChunkEndingAt(k);
            const size_t n = std::min(runX.size(), runY.size());
            runX = runX.last(n);
            runY = runY.last(n);
            const int32_t runFirst = k + 1 - static_cast<int32_t>(n);
            const int32_t stop = std::max(runFirst, first);
            bool ended = false;
            // Whether the marker at the place shows at the pixels still open.
            const auto test = [&](int32_t place) {
                const auto j = static_cast<size_t>(place - runFirst);
                const TColor color = std::as_const(places.Colors)[place];
                if (color == clNone)
                    return;
                const int32_t stamp = stampOf(color);
                if (stamp < 0)
                    return;
                const gfx::Stamp& s = stamps_.StampAt(stamp);
                if (s.Rows.empty())
                    return;
                if (prune && (s.Left < outline.Left || s.Left + s.Width > outline.Right)) {
                    restart();
                    restarted = true;
                    return;
                }
                const int64_t left0 = int64_t{runX[j]} + s.Left, top0 = int64_t{runY[j]} + s.Top;
                if (left0 >= box.Right || left0 + s.Width <= box.Left || top0 >= box.Bottom ||
                    top0 + s.Height <= box.Top)
                    return;
                // Each pixel tested without a branch until one is found: which are is
                // nothing a predictor could learn.
                const auto width = static_cast<uint64_t>(s.Width);
                const auto height = static_cast<uint64_t>(s.Height);
                const uint64_t* rows = s.Rows.data();
                for (size_t o = 0; o < open;) {
                    gfx::LeftPixel& p = left[o];
                    const int64_t col = p.X - left0, row = p.Y - top0;
                    // Negative ones wrap to beyond the stamp.
                    const bool within = (static_cast<uint64_t>(col) < width) &
                                        (static_cast<uint64_t>(row) < height);
                    const uint64_t bits = rows[within ? row : 0];
                    if (!(within & ((bits >> (col & 63)) & 1))) {
                        ++o;
                        continue;
                    }
                    p.Owner = static_cast<int32_t>(after + place);
                    p.Shown = s.Pixels[static_cast<size_t>(row * s.Width + col)];
                    std::swap(p, left[--open]);
                }
            };
            // Sixteen places at a time sifted at once: few can reach the box.
            while (k >= stop && open > 0 && !restarted) {
                if (k - 15 < stop) {
                    const auto j = static_cast<size_t>(k - runFirst);
                    if (PlacePast(runX[j], window)) {
                        ended = true;
                        break;
                    }
                    if (PlaceInside(runX[j], runY[j], window))
                        test(k);
                    --k;
                    continue;
                }
                const int32_t low = k - 15;
                const auto j = static_cast<size_t>(low - runFirst);
                const TPlaceSift sifted =
                    SiftPlaces(runX.data() + j, runY.data() + j, window, wide);
                uint32_t inside = sifted.Inside;
                // Only the places after the last one past the box, going down.
                if (sifted.Past != 0)
                    inside &= ~((uint32_t{2} << (31 - std::countl_zero(sifted.Past))) - 1);
                while (inside != 0 && open > 0 && !restarted) {
                    const int i = 31 - std::countl_zero(inside);
                    inside &= ~(uint32_t{1} << i);
                    test(low + i);
                }
                if (restarted)
                    break;
                if (sifted.Past != 0) {
                    ended = true;
                    break;
                }
                if (prune)
                    dropUnreachable(runX[j]);
                k = low - 1;
            }
            if (ended)
                break;
            if (restarted) {
                restarted = false;
                k = from;
            }
        }
    };
    if (!stamps_.Move(moves_, background, ground, find, changed))
        return false;
    stamps_.SetOwnerOffset(static_cast<int32_t>(after));
    LeaveToolsAsShown(places);
    return true;
}

void TCustomSeries::PaintMarker(int32_t x, int32_t y, int32_t index, TColor color) {
    if (placing_) {
        if (color != placingColor_) {
            placingColor_ = color;
            placingStamp_ = stamps_.StampOf(*pointer_, color, pointer_->Style());
        }
        // A look that cannot be stamped ends the placing: the markers are drawn one by one.
        if (placingStamp_ < 0)
            placing_ = false;
        else
            placements_.push_back(
                {x, y, static_cast<uint32_t>(placingStamp_), index + stamps_.OwnerOffset()});
        return;
    }
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
    TCanvas3D& canvas = PointerCanvas();
    canvas.BeginFigure(x, y);
    pointer_->Draw(x, y, color, style);
    canvas.EndFigure();
}

void TCustomSeries::HorizMargins(int32_t& left, int32_t& right) {
    left = right = 0;
    pointer_->HorizMargins(left, right);
    if (stairs_ && drawLine_) {
        left = std::max(left, pointer_->Pixels(linePen_->Width()));
        right = std::max(right, pointer_->Pixels(linePen_->Width()));
    }
}

void TCustomSeries::VertMargins(int32_t& top, int32_t& bottom) {
    top = bottom = 0;
    pointer_->VertMargins(top, bottom);
    if (stairs_ && drawLine_) {
        top = std::max(top, pointer_->Pixels(linePen_->Width()));
        bottom = std::max(bottom, pointer_->Pixels(linePen_->Width() + 1));
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
        if (pointer_->Visible() && std::llabs(px - x) < pointer_->HorizPixels() &&
            std::llabs(py - y) < pointer_->VertPixels()) {
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
