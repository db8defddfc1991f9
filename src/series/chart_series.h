// The base class of every series: its points (value lists, a colour and a label per
// point), the notifications it sends, and its link to the chart it belongs to.
#pragma once

#include "canvas/colors.h"
#include "canvas/property.h"
#include "platform/gfx/pixel_mask.h"
#include "platform/ui/window_host.h"
#include "series/blocked_array.h"
#include "series/point_places.h"
#include "series/value_list.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vemora {

class TChartSeries;
class TSeriesOwner;
class TCustomChartAxis;

using TSeriesOnBeforeAdd = std::function<bool(TChartSeries* sender)>;
using TSeriesOnAfterAdd = std::function<void(TChartSeries* sender, int32_t valueIndex)>;
using TSeriesNotifyEvent = std::function<void(TChartSeries* sender)>;
using TSeriesOnClear = TSeriesNotifyEvent;
// A press on one of the series' points.
using TSeriesClick =
    std::function<void(TChartSeries* sender, int32_t valueIndex, ui::TMouseButton button,
                       ui::TShiftState shift, int32_t x, int32_t y)>;
using TSeriesOnGetMarkText =
    std::function<void(TChartSeries* sender, int32_t valueIndex, std::string& markText)>;

// A change of one point: put in at Index (the later points move up), taken out at Index
// (they move down), or changed in place (its values or its colour).
struct TPointEdit {
    enum class TKind : uint8_t { Insert, Erase, Change };
    TKind Kind = TKind::Change;
    int32_t Index = 0;
    bool operator==(const TPointEdit&) const = default;
};

// Which source changes a linked series follows.
enum class TSeriesRecalcOption { rOnDelete, rOnModify, rOnInsert, rOnClear };

enum class THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum class TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };

// Settings of the text marks a series can show next to its points.
class TSeriesMarks {
public:
    explicit TSeriesMarks(TChartSeries* series) : series_(series) {}

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    int32_t ArrowLength() const { return arrowLength_; }
    void SetArrowLength(int32_t value);
    bool Clip() const { return clip_; }
    void SetClip(bool value);
    // The depth the marks are drawn at; the draw cycle sets it each frame.
    int32_t ZPosition() const { return zPosition_; }
    void SetZPosition(int32_t value) { zPosition_ = value; }

private:
    void Changed();

    TChartSeries* series_;
    bool visible_ = true;
    int32_t arrowLength_ = 8;
    bool clip_ = false;
    int32_t zPosition_ = 0;
};

class TChartSeries {
public:
    TChartSeries();
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;
    virtual ~TChartSeries();

    // Takes the other series' settings (not its points, not its chart, not its events).
    virtual void Assign(const TChartSeries& source);

    // Data-source linking: this series copies what its source does.
    virtual void AddValueFromSource(TChartSeries* source, int32_t index);
    virtual void AddedInSource(TChartSeries* source, int32_t index);
    virtual void RefillFromSource(TChartSeries* source);
    // Empties every list; no events.
    virtual void ClearStorage();
    virtual void DeletedInSource(TChartSeries* source, int32_t index);

    // Around the drawing of the points of a frame.
    virtual void DoAfterDrawValues();
    virtual void DoBeforeDrawChart() {}
    virtual void DoBeforeDrawValues();
    // DrawPoint for every shown index, backwards when the series does not draw forward.
    virtual void DrawAllPoints();
    virtual void DrawPoint(int32_t /*index*/) {}

    virtual TColor PointColor(int32_t index) const;
    virtual std::string LabelAt(int32_t index) const;
    virtual double XAt(int32_t index) const { return xValues_->ValueAt(index); }
    virtual double YAt(int32_t index) const { return yValues_->ValueAt(index); }
    // Fires OnAfterAdd, tells the linked series, then requests a repaint.
    virtual void NotifyAdded(TChartSeries* sender, int32_t valueIndex);
    // Another active series of the chart shares this one's depth slot.
    virtual bool SharesZOrder() const;

    virtual void SetActive(bool value);
    virtual void SetColorEachPoint(bool value);
    // Leaves the old chart's list, resolves the axes, joins the new chart's list.
    virtual void SetParentChart(TSeriesOwner* value);
    virtual void SetSeriesColor(TColor value);

    // A value of the mandatory list; the other coordinate is the point count.
    virtual int32_t Add(double value, std::string_view label = {}, TColor color = clDefault);
    virtual int32_t AddNull(double value);
    virtual int32_t AddNullXY(double x, double y);
    // Inserts the point at the place its X value requires; returns its index, or -1 when
    // OnBeforeAdd refused it.
    virtual int32_t AddPoint(double x, double y, std::string_view label, TColor color);
    virtual bool IsOnAxis(const TCustomChartAxis* axis) const;
    virtual void ClearPoints();
    // Room for this many points in every list (see TChartValueList::Reserve).
    void ReservePoints(int32_t count);
    virtual void DeletePoint(int32_t index);

    // The finite extremes of the value lists: values that are not finite take no part in
    // the axes' ranges.
    virtual double MaxX() { return xValues_->FiniteHighest(); }
    virtual double MaxY() { return yValues_->FiniteHighest(); }
    virtual double MaxZ() { return EffectiveZOrder(); }
    virtual double MinX() { return xValues_->FiniteLowest(); }
    virtual double MinY() { return yValues_->FiniteLowest(); }
    virtual double MinZ() { return EffectiveZOrder(); }

    virtual int32_t XPixel(int32_t index) const;
    virtual int32_t YPixel(int32_t index) const;
    // The point under the screen position, or -1.
    virtual int32_t PointAtPixel(int32_t /*x*/, int32_t /*y*/) { return -1; }
    // The point PointAtPixel finds, without raising any event: for a pointer that only
    // rests there.
    virtual int32_t PointUnderPixel(int32_t /*x*/, int32_t /*y*/) { return -1; }
    virtual TChartValueList& MainValueList() { return *yValues_; }
    virtual bool DrawsForward() const { return true; }
    virtual bool DrawSeriesForward(int32_t /*index*/) const { return true; }
    virtual void SwapPoints(int32_t i, int32_t j);
    // The depth slot of this frame.
    virtual void ComputeZIndex();
    // The chart passes its mouse on to every series: a move, a press on one of the series'
    // points (true when the series took it, so that the press starts no drag), a release.
    virtual void DoSeriesMouseMove(ui::TShiftState /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
    virtual bool DoSeriesClick(int32_t valueIndex, ui::TMouseButton button, ui::TShiftState shift,
                               int32_t x, int32_t y);
    virtual void DoSeriesMouseUp(ui::TMouseButton /*button*/, ui::TShiftState /*shift*/,
                                 int32_t /*x*/, int32_t /*y*/) {}
    // Pixels the series wants kept free at the ends of its axes.
    virtual void HorizMargins(int32_t& left, int32_t& right);
    virtual void VertMargins(int32_t& top, int32_t& bottom);
    virtual bool UsesAxes() const { return true; }
    virtual void CanvasChanged() { RequestRepaint(); }

    int32_t PointCount() const { return xValues_->ValueCount(); }
    bool IsNullPoint(int32_t index) const { return PointColor(index) == clNone; }
    void SetPointColor(int32_t index, TColor color);
    // For loops over the points in turn: the stored colours from index to the end of their
    // block (none beyond the stored ones), and the colour PointColor makes of one of them.
    std::span<const TColor> StoredColorsAt(int32_t index) const {
        return index >= 0 && index < colors_.Size() ? colors_.ChunkAt(index)
                                                    : std::span<const TColor>();
    }
    TColor ColorShown(TColor stored, int32_t index) const {
        if (stored != clDefault)
            return stored;
        return colorEachPoint_ ? PaletteColor(index) : seriesColor_;
    }

    // Asks the chart for a repaint; only marks it invalid.
    void RequestRepaint();

    // What the chart's frames follow of the points. Every change of the storage (values,
    // colours, labels, how the values are read) counts in the version, whatever made it; the
    // changes made through the series' own point operations are also logged as edits, so
    // that a frame can redraw only where they changed the picture.
    uint64_t PointsVersion() const;
    // The edits made since the version, when they account for every change since then;
    // nullopt when some change is not among them and the points must be looked at anew.
    std::optional<std::span<const TPointEdit>> EditsSince(uint64_t version) const;
    // The chart took the edits: the log starts again at the current version.
    void ForgetEdits();

    // Frames of placed markers. A series whose frame is nothing but one marker per shown
    // point, each the same drawing moved to the point (a stamp of its colour), in point
    // order, placed by its X and Y values through its axes and coloured by PointColor, says
    // so here after the layout of a frame; the chart then places the markers itself, keeps
    // their places from frame to frame and has them painted where the picture changed.
    virtual bool DrawsPlacedMarkers() { return false; }
    // The pixels the marker of a point of the colour paints, relative to its screen place,
    // or of any colour for clDefault; false when that is not known.
    virtual bool MarkerReach(TColor /*color*/, gfx::Rect& /*reach*/) { return false; }
    // Paints the markers of the points in the ranges (ascending, apart) from their places, as
    // drawing the shown points in turn would, but only within the canvas's clip and, when
    // given, the region; with a background, the pixels there that no marker paints take the
    // background's. With keepOwners, painting them all, it notes which point each pixel
    // shows, for MovePlacedMarkers.
    virtual void PaintPlacedMarkers(const gfx::PixelMask* /*within*/,
                                    const gfx::Bitmap* /*background*/,
                                    const TPointPlaces& /*places*/,
                                    std::span<const TIndexRange> /*ranges*/, bool /*keepOwners*/) {}
    // Makes the markers of the last frame, painted with their owners kept, those of this
    // frame's places by the moves, touching only the pixels they can change, and shows the
    // background where it changed (`ground`) and no marker is; adds where it drew. False,
    // having drawn nothing, when that cannot be done: then the markers are painted anew.
    virtual bool MovePlacedMarkers(const TMarkerMoves& /*moves*/, const TPointPlaces& /*places*/,
                                   const gfx::Bitmap& /*background*/,
                                   std::span<const gfx::Rect> /*ground*/,
                                   std::vector<gfx::Rect>& /*changed*/) {
        return false;
    }
    // The markers' looks may have changed (a setting, the depth): known ones are dropped.
    virtual void ForgetMarkerLooks() {}

    // The range of points inside the plot in this frame.
    void FindShownRange();
    int32_t FirstShown() const { return firstShown_; }
    int32_t LastShown() const { return lastShown_; }
    // The first active series of the chart with this depth slot.
    bool FirstInZOrder() const;

    TChartValueList& XValues() { return *xValues_; }
    const TChartValueList& XValues() const { return *xValues_; }
    TChartValueList& YValues() { return *yValues_; }
    const TChartValueList& YValues() const { return *yValues_; }
    // Takes the given list's settings and repaints.
    void SetXValues(const TChartValueList& settings);
    void SetYValues(const TChartValueList& settings);
    TChartValueLists& ValueListsMutable() { return valueLists_; }

    const std::string& Name() const { return name_; }
    void SetName(std::string value) { name_ = std::move(value); }
    bool Active() const { return active_; }
    TColor SeriesColor() const { return seriesColor_; }
    bool ColorEachPoint() const { return colorEachPoint_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { Store(title_, value); }
    bool ShowInLegend() const { return showInLegend_; }
    void SetShowInLegend(bool value) { Store(showInLegend_, value); }
    const std::string& ValueFormat() const { return valueFormat_; }
    void SetValueFormat(const std::string& value) { Store(valueFormat_, value); }
    const std::string& PercentFormat() const { return percentFormat_; }
    void SetPercentFormat(const std::string& value) { Store(percentFormat_, value); }
    TSeriesMarks& Marks() { return marks_; }
    const TSeriesMarks& Marks() const { return marks_; }
    ui::TCursor Cursor() const { return cursor_; }
    void SetCursor(ui::TCursor value) { cursor_ = value; }
    bool ClipToAxisRange() const { return clipToAxisRange_; }
    void SetClipToAxisRange(bool value) { Store(clipToAxisRange_, value); }
    bool ConnectsPoints() const { return connectsPoints_; }

    // Axes
    THorizAxis HorizAxis() const { return horizAxis_; }
    void SetHorizAxis(THorizAxis value);
    TVertAxis VertAxis() const { return vertAxis_; }
    void SetVertAxis(TVertAxis value);
    TCustomChartAxis* CustomHorizAxis() const { return customHorizAxis_; }
    void SetCustomHorizAxis(TCustomChartAxis* value);
    TCustomChartAxis* CustomVertAxis() const { return customVertAxis_; }
    void SetCustomVertAxis(TCustomChartAxis* value);
    // The axes the series is drawn against; none without a chart.
    TCustomChartAxis* GetHorizAxis() const { return horizAxisObject_; }
    TCustomChartAxis* GetVertAxis() const { return vertAxisObject_; }

    // Depth slot and range, written by the draw cycle.
    int32_t ZOrder() const { return zOrder_; }
    void SetZOrder(int32_t value) { Store(zOrder_, value); }
    int32_t ZIndex() const { return zIndex_; }
    void SetZIndex(int32_t value) { zIndex_ = value; }
    // The fixed slot, or this frame's when automatic.
    int32_t EffectiveZOrder() const { return zOrder_ == -1 ? zIndex_ : zOrder_; }
    int32_t ZStart() const { return zStart_; }
    int32_t ZEnd() const { return zEnd_; }
    int32_t ZMiddle() const { return zMiddle_; }
    void SetZRange(int32_t start, int32_t end);
    // Whether the series has a Z value list of its own.
    bool HasZValues() const { return false; }

    TSeriesOwner* ParentChart() const { return parentChart_; }

    // Linked series (those taking their data from this one).
    void AddLinkedSeries(TChartSeries* series);
    void RemoveLinkedSeries(TChartSeries* series);
    const std::vector<TChartSeries*>& LinkedSeries() const { return linkedSeries_; }
    const std::vector<TChartSeries*>& DataSources() const { return dataSources_; }
    bool HasRecalcOption(TSeriesRecalcOption option) const;
    void SetRecalcOption(TSeriesRecalcOption option, bool on);

    // Called by the value lists: a value of the point changed, the points' version being
    // `before` until then.
    void NotifyValueChanged(int32_t index, uint64_t before);
    void NotifyValuesModified();
    void CheckDataSource();

    TSeriesOnBeforeAdd OnBeforeAdd;
    TSeriesOnAfterAdd OnAfterAdd;
    TSeriesOnClear OnClearValues;
    TSeriesNotifyEvent BeforeDrawValues;
    TSeriesNotifyEvent AfterDrawValues;
    TSeriesClick OnClick;
    TSeriesClick OnDblClick;
    TSeriesOnGetMarkText OnGetMarkText;

protected:
    void SetConnectsPoints(bool value) { connectsPoints_ = value; }
    template <class T> void Store(T& field, const T& value) {
        if (StoreChanged(field, value))
            RequestRepaint();
    }

    // Calls `action` for each linked series that follows `option`. Iterates over a copy:
    // a linked series' reaction may change the links.
    template <typename Action> void ForEachLinked(TSeriesRecalcOption option, Action action) {
        const std::vector<TChartSeries*> linked = linkedSeries_;
        for (TChartSeries* series : linked) {
            if (series->HasRecalcOption(option)) {
                action(series);
            }
        }
    }

private:
    void ResolveAxes();
    // Logs an edit whose changes took the version from `before` to the current one.
    void LogEdit(TPointEdit::TKind kind, int32_t index, uint64_t before);
    // Asks the chart for a frame after the points changed: it finds out itself what changed.
    void RequestPointsRepaint();
    // The new point's place in every list after X: Y, the further lists, colour, label.
    void InsertAtIndex(int32_t index, std::string_view label, TColor color);
    // More edits than this between two frames leave the next to look at every point.
    static constexpr size_t kMaxLoggedEdits = 4096;
    std::vector<TPointEdit> edits_;
    // The version before and after each edit.
    std::vector<std::pair<uint64_t, uint64_t>> editVersions_;
    bool editsOverflowed_ = false;

    std::string name_;
    TChartValueLists valueLists_;
    std::unique_ptr<TChartValueList> xValues_;
    std::unique_ptr<TChartValueList> yValues_;
    TBlockedArray<TColor> colors_;
    // A null entry is an empty label; most points have none. Empty while no point has one.
    TBlockedArray<std::unique_ptr<std::string>> labels_;
    bool active_ = true;
    TColor seriesColor_ = clDefault;
    bool colorEachPoint_ = false;
    TSeriesOwner* parentChart_ = nullptr;
    THorizAxis horizAxis_ = THorizAxis::aBottomAxis;
    TVertAxis vertAxis_ = TVertAxis::aLeftAxis;
    TCustomChartAxis* horizAxisObject_ = nullptr;
    TCustomChartAxis* vertAxisObject_ = nullptr;
    TCustomChartAxis* customHorizAxis_ = nullptr;
    TCustomChartAxis* customVertAxis_ = nullptr;
    bool showInLegend_ = true;
    std::string title_;
    std::string valueFormat_ = "#,##0.###";
    std::string percentFormat_ = "##0.## %";
    TSeriesMarks marks_{this};
    ui::TCursor cursor_ = ui::TCursor::crDefault;
    int32_t zOrder_ = -1;
    int32_t zIndex_ = 0;
    int32_t zStart_ = 0;
    int32_t zEnd_ = 0;
    int32_t zMiddle_ = 0;
    int32_t firstShown_ = -1;
    int32_t lastShown_ = -1;
    bool clipToAxisRange_ = true;
    bool connectsPoints_ = false;
    std::vector<TChartSeries*> linkedSeries_;
    std::vector<TChartSeries*> dataSources_;
    uint8_t recalcOptions_ = 0x0F;
};

} // namespace vemora
