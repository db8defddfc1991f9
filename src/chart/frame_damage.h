// The one owner of what a frame redraws. It keeps what the last frame drew (its layout and,
// for each series of placed markers, every point's place) and, given the next frame's
// layout, brings the places up to date from the series' logged edits and the axes' scales
// and gives the damage: the rectangles where the two frames can differ. The model is a
// browser's paint invalidation: each thing drawn (an item under the series, a marker) that
// moved, appeared or vanished invalidates its old and its new rectangle, and one that stayed
// invalidates nothing. Whatever it cannot prove small is the whole frame.
#pragma once

#include "chart/frame_layout.h"
#include "series/chart_series.h"

#include <span>
#include <vector>

namespace vemora {

struct TFrameDamage {
    // The frame is drawn whole; the rectangles mean nothing then.
    bool Whole = true;
    // Where the new frame may differ from the last one.
    std::vector<gfx::Rect> Rects;
    // Of those, where the picture under the series changed: drawn again there.
    std::vector<gfx::Rect> Ground;
    // With one series of placed markers, how its markers changed one by one, when that is
    // known (see TMarkerMoves).
    TMarkerMoves Moves;
};

class TFrameTracker {
public:
    // More rectangles than this are not worth keeping apart: the frame is drawn whole.
    static constexpr size_t kMaxRects = 20000;

    // The next frame is drawn whole: a setting changed, the window changed size, or the
    // last frame was drawn some other way. The places stay, and are checked as ever.
    void ForgetFrame() { known_ = false; }
    // Also drops the places: nothing of the last frame is kept.
    void Forget();

    // Plans the frame of the layout, whose active series are all of placed markers: brings
    // their places to it and says where it differs from the last frame. The frame must then
    // be drawn as planned, or ForgetFrame called.
    TFrameDamage Plan(const TFrameLayout& now, std::span<TChartSeries* const> series);
    // The places of the series' points in the last planned frame, or nullptr.
    const TPointPlaces* Places(const TChartSeries* series) const;
    // The layout of the last planned frame.
    const TFrameLayout& Last() const { return last_; }
    bool Known() const { return known_; }

private:
    // What a mapping from values to pixels depends on.
    struct TScaleKey {
        const void* Axis = nullptr;
        double Minimum = 0, Maximum = 0, Range = 0;
        int32_t StartPixel = 0, EndPixel = 0, Length = 0, CenterPixel = 0;
        bool Inverted = false;
        bool operator==(const TScaleKey&) const = default;
    };
    struct TSeriesState {
        TChartSeries* Series = nullptr;
        bool Valid = false;
        uint64_t Version = 0;
        TScaleKey X, Y;
        TColor SeriesColor = clDefault;
        bool ColorEachPoint = false;
        int32_t FirstShown = -1;
        int32_t LastShown = -1;
        TPointPlaces Places;
    };
    static TScaleKey KeyOf(const TCustomChartAxis& axis);
    // Brings the places of the series to the frame; with rects, also adds where its markers
    // changed the picture and returns false when that cannot be told (nothing added then).
    // With moves, also notes the markers' moves one by one, when they can be.
    bool UpdatePlaces(TSeriesState& state, const TSeriesFrame& frame, std::vector<gfx::Rect>* rects,
                      TMarkerMoves* moves);
    // More moves than this are not noted: painting all the markers is cheaper.
    static constexpr size_t kMaxMoves = 16384;
    void PlaceAll(TSeriesState& state);
    // Maps the values from index on in runs; f(first, xs, ys, count) for each run.
    template <class F> void ForEachRun(TSeriesState& state, bool x, bool y, F&& f);

    bool known_ = false;
    TFrameLayout last_;
    std::vector<TSeriesState> series_;
    // Scratch of one Plan.
    std::vector<int32_t> fresh_;
    std::vector<int32_t> xs_, ys_;
    // The items of the last frame and this one that do not stand the same in both lists.
    std::vector<const TFrameItem*> restLast_, restNow_;
};

} // namespace vemora
