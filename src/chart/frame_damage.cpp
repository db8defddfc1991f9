#include "chart/frame_damage.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

namespace vemora {

namespace {

using gfx::Rect;

bool SameSeries(const std::vector<TSeriesFrame>& a, const std::vector<TSeriesFrame>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].Series != b[i].Series || a[i].Active != b[i].Active ||
            a[i].ZStart != b[i].ZStart || a[i].ZEnd != b[i].ZEnd)
            return false;
    }
    return true;
}

Rect Moved(const Rect& r, int32_t x, int32_t y) {
    return {SaturateInt32(int64_t{r.Left} + x), SaturateInt32(int64_t{r.Top} + y),
            SaturateInt32(int64_t{r.Right} + x), SaturateInt32(int64_t{r.Bottom} + y)};
}

// Adds the old and the new rectangle of a thing drawn, as one when they meet.
void AddChange(std::vector<Rect>& rects, const Rect& before, const Rect& after) {
    if (before.IsEmpty() || after.IsEmpty()) {
        if (!before.IsEmpty())
            rects.push_back(before);
        if (!after.IsEmpty())
            rects.push_back(after);
        return;
    }
    const bool meet = before.Left <= after.Right && after.Left <= before.Right &&
                      before.Top <= after.Bottom && after.Top <= before.Bottom;
    if (meet) {
        rects.push_back(before.Union(after));
    } else {
        rects.push_back(before);
        rects.push_back(after);
    }
}

// The reach of each colour's marker in one plan, asked of the series once.
class ReachOf {
public:
    explicit ReachOf(TChartSeries& series) : series_(series) {}
    // False when the series cannot tell.
    bool Get(TColor color, Rect& reach) {
        if (color == clNone) {
            reach = {};
            return true;
        }
        if (known_ && color == lastColor_) {
            reach = lastReach_;
            return true;
        }
        for (const auto& [c, r] : seen_) {
            if (c == color) {
                reach = r;
                Remember(color, r);
                return true;
            }
        }
        if (!series_.MarkerReach(color, reach))
            return false;
        seen_.emplace_back(color, reach);
        Remember(color, reach);
        return true;
    }

private:
    void Remember(TColor color, const Rect& reach) {
        known_ = true;
        lastColor_ = color;
        lastReach_ = reach;
    }
    TChartSeries& series_;
    std::vector<std::pair<TColor, Rect>> seen_;
    bool known_ = false;
    TColor lastColor_ = clNone;
    Rect lastReach_;
};

// The first index from `from` on, before `end`, where the two arrays differ; `end` when
// none does. Sixteen at a time without a branch, as wide as the processor allows.
[[gnu::target_clones("avx512f", "avx2", "default")]] size_t
FirstDiffering(const int32_t* a, const int32_t* b, size_t from, size_t end) {
    size_t k = from;
    for (; k + 16 <= end; k += 16) {
        int32_t differ = 0;
        for (size_t j = 0; j < 16; ++j)
            differ |= a[k + j] ^ b[k + j];
        if (differ != 0)
            break;
    }
    while (k < end && a[k] == b[k])
        ++k;
    return k;
}

// Joins rectangles of the same rows that touch or overlap side by side, as an item where it
// was and a pixel away: the same pixels in fewer rectangles, a line's rows gone through once.
void JoinSideBySide(std::vector<Rect>& rects) {
    if (rects.size() < 2)
        return;
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
        return std::tie(a.Top, a.Bottom, a.Left) < std::tie(b.Top, b.Bottom, b.Left);
    });
    size_t kept = 0;
    for (size_t k = 1; k < rects.size(); ++k) {
        Rect& last = rects[kept];
        const Rect& r = rects[k];
        if (r.Top == last.Top && r.Bottom == last.Bottom && r.Left <= last.Right && !r.IsEmpty() &&
            !last.IsEmpty())
            last.Right = std::max(last.Right, r.Right);
        else
            rects[++kept] = r;
    }
    rects.resize(kept + 1);
}

} // namespace

bool TFrameLayout::SameGround(const TFrameLayout& other) const {
    if (PanelBounds != other.PanelBounds || PlotRect != other.PlotRect ||
        ChartDepth != other.ChartDepth || ChartDepthY != other.ChartDepthY ||
        SeriesDepth != other.SeriesDepth || SeriesDepthY != other.SeriesDepthY ||
        Axes.size() != other.Axes.size() || !SameSeries(Series, other.Series))
        return false;
    for (size_t i = 0; i < Axes.size(); ++i) {
        const TAxisFrame& a = Axes[i];
        const TAxisFrame& b = other.Axes[i];
        if (a.Shown != b.Shown || a.Style != b.Style || a.StartPixel != b.StartPixel ||
            a.EndPixel != b.EndPixel || a.CenterPixel != b.CenterPixel ||
            a.Inverted != b.Inverted || a.LinePos != b.LinePos || a.LabelsPos != b.LabelsPos ||
            a.TitlePos != b.TitlePos)
            return false;
    }
    return true;
}

void TFrameTracker::Forget() {
    known_ = false;
    series_.clear();
}

const TPointPlaces* TFrameTracker::Places(const TChartSeries* series) const {
    for (const TSeriesState& state : series_) {
        if (state.Series == series && state.Valid)
            return &state.Places;
    }
    return nullptr;
}

TFrameTracker::TScaleKey TFrameTracker::KeyOf(const TCustomChartAxis& axis) {
    const TAxisScale& s = axis.Scale();
    return {&axis,      s.Minimum, s.Maximum,     s.Range,   s.StartPixel,
            s.EndPixel, s.Length,  s.CenterPixel, s.Inverted};
}

TFrameDamage TFrameTracker::Plan(const TFrameLayout& now, std::span<TChartSeries* const> series) {
    bool whole = !known_ || !now.SameGround(last_);
    // The states follow the series in order; a series new to them starts without places.
    std::vector<TSeriesState> states;
    states.reserve(series.size());
    for (TChartSeries* s : series) {
        const auto found =
            std::find_if(series_.begin(), series_.end(),
                         [s](const TSeriesState& state) { return state.Series == s; });
        if (found != series_.end()) {
            states.push_back(std::move(*found));
        } else {
            states.emplace_back();
            states.back().Series = s;
            whole = true;
        }
    }
    series_ = std::move(states);
    TFrameDamage damage;
    for (TSeriesState& state : series_) {
        const auto frame =
            std::find_if(now.Series.begin(), now.Series.end(),
                         [&](const TSeriesFrame& f) { return f.Series == state.Series; });
        const TSeriesFrame shown = frame != now.Series.end() ? *frame : TSeriesFrame{};
        // The moves one by one only for a single series: the owners of its pixels are its.
        TMarkerMoves* moves = series_.size() == 1 && !whole ? &damage.Moves : nullptr;
        if (!UpdatePlaces(state, shown, whole ? nullptr : &damage.Rects, moves))
            whole = true;
    }
    if (!whole && now.Items != last_.Items) {
        // The items under the series: one that only one of the frames draws changed. Most
        // stand where they stood in the list, and are passed; the rest are sorted and matched.
        const std::vector<TFrameItem>& a = last_.Items;
        const std::vector<TFrameItem>& b = now.Items;
        restLast_.clear();
        restNow_.clear();
        const size_t common = std::min(a.size(), b.size());
        for (size_t k = 0; k < common; ++k) {
            if (!(a[k] == b[k])) {
                restLast_.push_back(&a[k]);
                restNow_.push_back(&b[k]);
            }
        }
        for (size_t k = common; k < a.size(); ++k)
            restLast_.push_back(&a[k]);
        for (size_t k = common; k < b.size(); ++k)
            restNow_.push_back(&b[k]);
        const auto lower = [](const TFrameItem* x, const TFrameItem* y) { return *x < *y; };
        std::sort(restLast_.begin(), restLast_.end(), lower);
        std::sort(restNow_.begin(), restNow_.end(), lower);
        size_t i = 0, j = 0;
        const auto changed = [&](const TFrameItem* item) { damage.Ground.push_back(item->Bounds); };
        while (i < restLast_.size() || j < restNow_.size()) {
            if (j == restNow_.size() || (i < restLast_.size() && *restLast_[i] < *restNow_[j])) {
                changed(restLast_[i++]);
            } else if (i == restLast_.size() || *restNow_[j] < *restLast_[i]) {
                changed(restNow_[j++]);
            } else {
                ++i;
                ++j;
            }
        }
        JoinSideBySide(damage.Ground);
        damage.Rects.insert(damage.Rects.end(), damage.Ground.begin(), damage.Ground.end());
    }
    last_ = now;
    known_ = true;
    if (whole || damage.Rects.size() > kMaxRects)
        return {};
    damage.Whole = false;
    return damage;
}

template <class F> void TFrameTracker::ForEachRun(TSeriesState& state, bool x, bool y, F&& f) {
    TChartSeries& s = *state.Series;
    const int32_t n = s.PointCount();
    const TCustomChartAxis& horiz = *s.GetHorizAxis();
    const TCustomChartAxis& vert = *s.GetVertAxis();
    for (int32_t i = 0; i < n;) {
        size_t run = static_cast<size_t>(n - i);
        std::span<const double> xv, yv;
        if (x) {
            xv = s.XValues().StoredChunkAt(i);
            run = std::min(run, xv.size());
        }
        if (y) {
            yv = s.YValues().StoredChunkAt(i);
            run = std::min(run, yv.size());
        }
        run = std::min(run, state.Places.X.ChunkAt(i).size());
        run = std::min(run, state.Places.Y.ChunkAt(i).size());
        run = std::min(run, state.Places.Colors.ChunkAt(i).size());
        xs_.resize(run);
        ys_.resize(run);
        if (x)
            horiz.Scale().MapValues(xv.first(run), xs_.data(), true);
        if (y)
            vert.Scale().MapValues(yv.first(run), ys_.data(), false);
        f(i, run);
        i += static_cast<int32_t>(run);
    }
}

void TFrameTracker::PlaceAll(TSeriesState& state) {
    TChartSeries& s = *state.Series;
    const int32_t n = s.PointCount();
    state.Places.X.Assign(n, 0);
    state.Places.Y.Assign(n, 0);
    state.Places.Colors.Assign(n, clNone);
    ForEachRun(state, true, true, [&](int32_t first, size_t run) {
        const std::span<int32_t> px = state.Places.X.MutableChunkAt(first);
        const std::span<int32_t> py = state.Places.Y.MutableChunkAt(first);
        const std::span<TColor> pc = state.Places.Colors.MutableChunkAt(first);
        std::copy_n(xs_.begin(), run, px.begin());
        std::copy_n(ys_.begin(), run, py.begin());
        // A series of placed markers keeps its colours as its lists give them: read
        // straight from there, a block at a time; beyond the stored ones the series' own.
        for (size_t k = 0; k < run;) {
            const int32_t i = first + static_cast<int32_t>(k);
            const std::span<const TColor> stored = s.StoredColorsAt(i);
            if (stored.empty()) {
                std::fill(pc.begin() + static_cast<ptrdiff_t>(k),
                          pc.begin() + static_cast<ptrdiff_t>(run), s.SeriesColor());
                break;
            }
            const size_t n = std::min(stored.size(), run - k);
            for (size_t j = 0; j < n; ++j)
                pc[k + j] = s.ColorShown(stored[j], i + static_cast<int32_t>(j));
            k += n;
        }
    });
}

bool TFrameTracker::UpdatePlaces(TSeriesState& state, const TSeriesFrame& frame,
                                 std::vector<Rect>* rects, TMarkerMoves* moves) {
    TChartSeries& s = *state.Series;
    const TScaleKey kx = KeyOf(*s.GetHorizAxis());
    const TScaleKey ky = KeyOf(*s.GetVertAxis());
    const int32_t n = s.PointCount();
    const int32_t first = frame.FirstShown, last = frame.LastShown;
    const auto finish = [&](bool known) {
        state.Valid = true;
        state.Version = s.PointsVersion();
        state.X = kx;
        state.Y = ky;
        state.SeriesColor = s.SeriesColor();
        state.ColorEachPoint = s.ColorEachPoint();
        state.FirstShown = first;
        state.LastShown = last;
        s.ForgetEdits();
        if (moves && (!known || moves->Moves.size() > kMaxMoves))
            moves->Known = false;
        return known;
    };
    const auto rebuild = [&] {
        PlaceAll(state);
        return finish(rects == nullptr);
    };
    if (moves)
        *moves = TMarkerMoves{true, 0, {}};
    if (!state.Valid || state.SeriesColor != s.SeriesColor() ||
        state.ColorEachPoint != s.ColorEachPoint())
        return rebuild();
    // A whole frame whose scales moved, as after a zoom or a pan, places every marker
    // afresh: most places changed, and telling which ones would cost more.
    if (!rects && (!(state.X == kx) || !(state.Y == ky)))
        return rebuild();
    const std::optional<std::span<const TPointEdit>> edits = s.EditsSince(state.Version);
    if (!edits)
        return rebuild();
    ReachOf reachOf(s);
    std::vector<Rect> scratch;
    std::vector<Rect>& out = rects ? *rects : scratch;
    bool known = true;
    const auto footprint = [&](int32_t x, int32_t y, TColor color) {
        Rect reach;
        if (!reachOf.Get(color, reach)) {
            known = false;
            return Rect{};
        }
        return reach.IsEmpty() ? Rect{} : Moved(reach, x, y);
    };
    // A marker's move, noted while the moves can still be told one by one.
    const auto note = [&](const TMarkerMove& move) {
        if (moves && moves->Known) {
            if (moves->Moves.size() < kMaxMoves)
                moves->Moves.push_back(move);
            else
                moves->Known = false;
        }
    };
    // The last frame's shown points, followed through the edits: their places are the old
    // ones; a point put in since has a place of no colour, which draws nothing.
    int32_t f0 = state.FirstShown, l0 = state.LastShown;
    const auto wasShown = [&](int32_t i) { return f0 >= 0 && i >= f0 && i <= l0; };
    const auto oldPlace = [&](int32_t i, int32_t& x, int32_t& y, TColor& color) {
        x = std::as_const(state.Places.X)[i];
        y = std::as_const(state.Places.Y)[i];
        color = std::as_const(state.Places.Colors)[i];
        return wasShown(i) && color != clNone;
    };
    // Points put in and taken out at the front so far: how an old index moved.
    int32_t putFront = 0, takenFront = 0;
    fresh_.clear();
    for (const TPointEdit& e : *edits) {
        const int32_t i = e.Index;
        const int32_t size = state.Places.Size();
        switch (e.Kind) {
        case TPointEdit::TKind::Insert:
            // A colour by index moves with the points after one put in before the end.
            if (i < 0 || i > size || (state.ColorEachPoint && i != size))
                return rebuild();
            if (moves && i != size && i != 0)
                moves->Known = false;
            putFront += i == 0 && size > 0 ? 1 : 0;
            state.Places.Insert(i, 0, 0, clNone);
            for (int32_t& f : fresh_)
                f += f >= i ? 1 : 0;
            fresh_.push_back(i);
            if (f0 >= 0) {
                f0 += i <= f0 ? 1 : 0;
                l0 += i <= l0 ? 1 : 0;
            }
            break;
        case TPointEdit::TKind::Erase: {
            if (i < 0 || i >= size || (state.ColorEachPoint && i != size - 1))
                return rebuild();
            if (moves && i != 0 && i != size - 1)
                moves->Known = false;
            TMarkerMove gone;
            if (oldPlace(i, gone.X0, gone.Y0, gone.Color0)) {
                if (const Rect r = footprint(gone.X0, gone.Y0, gone.Color0); !r.IsEmpty())
                    out.push_back(r);
                gone.Index = i - putFront + takenFront;
                gone.Erased = true;
                gone.Before = true;
                note(gone);
            }
            takenFront += i == 0 ? 1 : 0;
            state.Places.Erase(i);
            std::erase(fresh_, i);
            for (int32_t& f : fresh_)
                f -= f > i ? 1 : 0;
            if (f0 >= 0) {
                if (i < f0) {
                    --f0;
                    --l0;
                } else if (i <= l0) {
                    --l0;
                }
                if (l0 < f0)
                    f0 = l0 = -1;
            }
            break;
        }
        case TPointEdit::TKind::Change:
            if (i < 0 || i >= size)
                return rebuild();
            // A change in place: told as the point's old marker gone and its new one come.
            if (moves)
                moves->Known = false;
            if (wasShown(i)) {
                int32_t x, y;
                TColor color;
                if (oldPlace(i, x, y, color)) {
                    if (const Rect r = footprint(x, y, color); !r.IsEmpty())
                        out.push_back(r);
                }
            }
            state.Places.Colors[i] = clNone;
            fresh_.push_back(i);
            break;
        }
    }
    if (state.Places.Size() != n)
        return rebuild();
    if (moves)
        moves->FrontShift = putFront - takenFront;
    std::sort(fresh_.begin(), fresh_.end());
    fresh_.erase(std::unique(fresh_.begin(), fresh_.end()), fresh_.end());
    const auto isShown = [&](int32_t i) { return first >= 0 && i >= first && i <= last; };
    const bool moveX = !(state.X == kx), moveY = !(state.Y == ky);
    if (moveX || moveY) {
        // Every point may have moved: each whose place or showing changed is a change.
        size_t nextFresh = 0;
        ForEachRun(state, moveX, moveY, [&](int32_t from, size_t run) {
            const std::span<int32_t> px = state.Places.X.MutableChunkAt(from);
            const std::span<int32_t> py = state.Places.Y.MutableChunkAt(from);
            const std::span<TColor> pc = state.Places.Colors.MutableChunkAt(from);
            // Past the points whose places stayed, in eights: compared without a branch.
            const int64_t to = from + static_cast<int32_t>(run);
            const auto plain = [&](size_t k) {
                // Up to where a point is fresh or the shown range starts or ends, no point
                // changes but in place.
                const int32_t i = from + static_cast<int32_t>(k);
                if (wasShown(i) != isShown(i))
                    return k;
                int64_t until = to;
                if (nextFresh < fresh_.size())
                    until = std::min<int64_t>(until, fresh_[nextFresh]);
                for (const int32_t edge : {f0, l0 + 1, first, last + 1}) {
                    if (edge > i)
                        until = std::min<int64_t>(until, edge);
                }
                return static_cast<size_t>(until - from);
            };
            for (size_t k = 0; k < run; ++k) {
                if (const size_t end = plain(k); end > k) {
                    k = std::min(moveX ? FirstDiffering(xs_.data(), px.data(), k, end) : end,
                                 moveY ? FirstDiffering(ys_.data(), py.data(), k, end) : end);
                    if (k == run)
                        break;
                }
                const int32_t i = from + static_cast<int32_t>(k);
                const bool isFresh = nextFresh < fresh_.size() && fresh_[nextFresh] == i;
                nextFresh += isFresh ? 1 : 0;
                // A point new to the places has neither coordinate yet.
                const int32_t nx = moveX ? xs_[k]
                                   : isFresh
                                       ? s.GetHorizAxis()->ValueToPixelX(s.XValues().ValueAt(i))
                                       : px[k];
                const int32_t ny = moveY ? ys_[k]
                                   : isFresh
                                       ? s.GetVertAxis()->ValueToPixelY(s.YValues().ValueAt(i))
                                       : py[k];
                const bool was = wasShown(i) && pc[k] != clNone;
                const bool is = isShown(i);
                if (!isFresh && nx == px[k] && ny == py[k] && was == (is && pc[k] != clNone))
                    continue;
                const TColor color = isFresh ? s.PointColor(i) : pc[k];
                const Rect before = was ? footprint(px[k], py[k], pc[k]) : Rect{};
                const Rect after = is ? footprint(nx, ny, color) : Rect{};
                AddChange(out, before, after);
                note({i, false, was, px[k], py[k], pc[k], is && color != clNone, nx, ny, color});
                px[k] = nx;
                py[k] = ny;
                pc[k] = color;
            }
        });
        if (!known)
            return rebuild();
        return finish(true);
    }
    // The places stand: the points the shown range took in or gave up, then the new ones.
    const auto outside = [&](int32_t lo, int32_t hi, int32_t a, int32_t b, auto&& each) {
        // Each index of [lo, hi] that is not in [a, b] (an empty range when a < 0).
        if (lo < 0)
            return true;
        const auto span = [&](int32_t from, int32_t to) {
            if (int64_t{to} - from >= static_cast<int64_t>(kMaxRects))
                return false;
            for (int32_t i = from; i <= to; ++i)
                each(i);
            return true;
        };
        if (a < 0)
            return span(lo, hi);
        return span(lo, std::min(hi, a - 1)) && span(std::max(lo, b + 1), hi);
    };
    const auto entering = [&](int32_t i) {
        int32_t x, y;
        TColor color;
        oldPlace(i, x, y, color);
        if (const Rect r = footprint(x, y, color); !r.IsEmpty())
            out.push_back(r);
        if (color != clNone)
            note({i, false, false, 0, 0, clNone, true, x, y, color});
    };
    const auto leaving = [&](int32_t i) {
        TMarkerMove gone;
        if (oldPlace(i, gone.X0, gone.Y0, gone.Color0)) {
            if (const Rect r = footprint(gone.X0, gone.Y0, gone.Color0); !r.IsEmpty())
                out.push_back(r);
            gone.Index = i;
            gone.Before = true;
            note(gone);
        }
    };
    if (!outside(first, last, f0, l0, entering) || !outside(f0, l0, first, last, leaving))
        return rebuild();
    for (const int32_t i : fresh_) {
        const int32_t x = s.GetHorizAxis()->ValueToPixelX(s.XValues().ValueAt(i));
        const int32_t y = s.GetVertAxis()->ValueToPixelY(s.YValues().ValueAt(i));
        const TColor color = s.PointColor(i);
        state.Places.X[i] = x;
        state.Places.Y[i] = y;
        state.Places.Colors[i] = color;
        if (isShown(i)) {
            if (const Rect r = footprint(x, y, color); !r.IsEmpty())
                out.push_back(r);
            if (color != clNone)
                note({i, false, false, 0, 0, clNone, true, x, y, color});
        }
    }
    if (!known)
        return rebuild();
    return finish(true);
}

} // namespace vemora
