// The chart panel with series and axes: the series list, the five axes, the 3D depth of
// the series slots and the axis part of the layout of each frame.
#pragma once

#include "axes/chart_axis.h"
#include "chart/frame_damage.h"
#include "chart/frame_layout.h"
#include "panel/chart_panel.h"
#include "series/series_owner.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vemora {

class TChartSeries;

using TChartPageChangeEvent = std::function<void(TCustomChartPanel* sender)>;

class TCustomAxisPanel : public TSeriesOwner {
public:
    explicit TCustomAxisPanel(ui::WindowHost* host);
    ~TCustomAxisPanel() override;

    bool AxisVisible() const { return axisVisible_; }
    void SetAxisVisible(bool value) { SetAndInvalidate(axisVisible_, value); }
    bool View3DWalls() const { return view3DWalls_; }
    void SetView3DWalls(bool value) { SetAndInvalidate(view3DWalls_, value); }
    bool ClipPoints() const { return clipPoints_; }
    void SetClipPoints(bool value) { SetAndInvalidate(clipPoints_, value); }
    bool ScaleLastPage() const { return scaleLastPage_; }
    void SetScaleLastPage(bool value) { SetAndInvalidate(scaleLastPage_, value); }
    int32_t MaxPointsPerPage() const { return maxPointsPerPage_; }
    void SetMaxPointsPerPage(int32_t value); // ChartException below 0
    int32_t Page() const { return page_; }
    void SetPage(int32_t value);
    int32_t NumPages() const;

    // Series
    const TChartSeriesList& SeriesList() const override { return seriesList_; }
    int32_t SeriesCount() const { return static_cast<int32_t>(seriesList_.size()); }
    TChartSeries* Series(int32_t index) const { return seriesList_.at(index); }
    // Attaches the series and keeps it: the chart frees it when it is destroyed.
    TChartSeries* AddSeries(std::unique_ptr<TChartSeries> series);
    // Detaches and frees every series the chart was given; detaches the others.
    void FreeAllSeries();
    int32_t CountActiveSeries() const;

    // Axes, in list order: bottom, top, left, right, depth.
    const std::vector<TCustomChartAxis*>& Axes() const { return axes_; }
    // Whether the axis is still one of the chart's: a handler may have destroyed it.
    bool HasAxis(const TCustomChartAxis* axis) const {
        return std::find(axes_.begin(), axes_.end(), axis) != axes_.end();
    }
    TChartAxis& BottomAxis() override { return *bottomAxis_; }
    TChartAxis& TopAxis() override { return *topAxis_; }
    TChartAxis& LeftAxis() override { return *leftAxis_; }
    TChartAxis& RightAxis() override { return *rightAxis_; }
    TChartDepthAxis& DepthAxis() { return *depthAxis_; }
    const TChartAxis& BottomAxis() const { return *bottomAxis_; }
    const TChartAxis& TopAxis() const { return *topAxis_; }
    const TChartAxis& LeftAxis() const { return *leftAxis_; }
    const TChartAxis& RightAxis() const { return *rightAxis_; }
    const TChartDepthAxis& DepthAxis() const { return *depthAxis_; }

    int32_t SeriesDepth() const { return seriesDepth_; }
    int32_t SeriesDepthY() const { return seriesDepthY_; }
    int32_t HighestZOrder() const override { return highestZOrder_; }
    void SetHighestZOrder(int32_t value) override { highestZOrder_ = value; }

    // What the axes ask of the chart (see axis_owner.h).
    bool AxisShown(const TCustomChartAxis& axis) const override;
    double SeriesExtreme(const TCustomChartAxis& axis, bool wantMinimum, bool isX) const override;
    int32_t WallSizeFor(const TCustomChartAxis& axis) const override;
    TAxisLabelStyle AutomaticLabelStyle(const TCustomChartAxis& axis) const override;
    bool SeriesDateTime(const TCustomChartAxis& axis) const override;
    void ForEachPointLabel(const TCustomChartAxis& axis,
                           const std::function<void(const std::string&)>& fn) const override;

    // Layout steps of a frame, in the order a frame runs them after its titles.
    void AssignZOrders();
    void ComputeDepth();
    virtual void LayoutAxes();
    void AssignZRanges();
    virtual void ApplySeriesMargins();
    // The layout of a frame of the client area without painting anything (see
    // TFrameLayout): drawing area, titles, plot rectangle, z-slots, axis ranges, positions,
    // steps and labels, series margins and shown points, and the projection.
    void ComputeLayout();
    // The layout computed again until it stays as it is, as a run's many frames leave it:
    // each layout sizes the axis labels with the span of the one before. The next frame is
    // drawn whole.
    void SettleLayout();
    // The layout of the latest frame, or of the latest ComputeLayout.
    const TFrameLayout& FrameLayout() const { return frame_; }
    // What the frames keep of each other: the last frame and the places of its markers.
    const TFrameTracker& FrameTracker() const { return tracker_; }
    // The next frame keeps nothing of the last: it is drawn whole, every marker placed
    // afresh from its values.
    void ForgetFrames() {
        tracker_.Forget();
        Invalidate();
    }
    // Whether the series may be cut at the plot box on the current canvas.
    bool ClippingAllowed() const;
    // The zoom rectangle in inverting ink: drawing it twice leaves the picture as it was.
    void DrawZoomFrame();

    void AttachSeries(TChartSeries* series) override;
    void DetachSeries(TChartSeries* series) override;
    void RegisterAxis(TCustomChartAxis* axis) override { axes_.push_back(axis); }
    void UnregisterAxis(TCustomChartAxis* axis) override;

    TChartNotifyEvent OnBeforeDrawAxes;
    TChartNotifyEvent OnBeforeDrawSeries;
    TChartNotifyEvent OnAfterDraw;
    TChartPageChangeEvent OnPageChange;

protected:
    // One frame, in a fixed order: background, titles, layout, walls, axes, series, zoom
    // frame; then the canvas tools are reset for OnAfterDraw. The layout comes first, drawing
    // nothing; a frame of placed markers (see DrawLayered) draws only where it changed.
    void DrawContents(const Rect& panelBounds) override;
    // Title, foot and legend on the front plane: where they go, each taking its room off the
    // plot rectangle; then their drawing.
    virtual void LayoutTitles() {}
    virtual void DrawTitles() {}
    virtual void PaintWalls() {}
    void PaintAxes();
    // The shown points of the series, or of every series of its depth slot together when
    // they share it.
    void PaintSeries(TChartSeries& series);
    void BeginSeriesClip();
    void EndSeriesClip();
    void FrameLost() override { tracker_.ForgetFrame(); }
    // After a frame drawn in layers the buffer holds its underlay: the markers go over it.
    bool RepaintFromBuffer() override;

    // The thickness of the back wall, which the chart's walls give.
    virtual int32_t BackWallSize() const { return 0; }
    // The axes reserve their space, outermost first; an axis whose demand would leave
    // nothing is ignored.
    void ReserveAxesSpace();
    // After a layout whose labels came out wider than the space reserved for them (which
    // is measured from the ends of the scale before its margins): gives each such axis at
    // least the space of its labels for the next layout. Returns whether any axis got more.
    bool WidenLabelSpaces();
    // Takes back what WidenLabelSpaces gave.
    void ResetLabelSpaces();

private:
    // The layout of the frame after its drawing area: titles, z-slots, axes, margins, the
    // projection, the axes' labels and the series' shown points; into frame_.
    void LayoutFrame();
    // What frame_ keeps of the layout, once it is done.
    void CaptureFrame();
    // Whether the settings let the frame be drawn in layers (see DrawLayered): no draw
    // event, no zoom rectangle, a canvas that keeps an underlay.
    bool LayersPossible();
    // The active series, when each draws placed markers in this frame.
    bool PlacedSeries(std::vector<TChartSeries*>& placed);
    // The frame as the picture under the series (panel, titles, walls, axes), kept in the
    // canvas's underlay and drawn again only where its items changed, with the placed
    // markers laid over it only where they changed.
    void DrawLayered(const Rect& panelBounds, std::span<TChartSeries* const> placed);
    // Everything under the series, after the panel: titles, walls, axes.
    void DrawGround();
    // The markers of the placed series from their places, on the canvas's current target;
    // only within the region when given, where the underlay shows between them. With
    // keepOwners (one series painted whole) the marker that shows at each pixel is noted,
    // for the next frame's moves.
    void PaintPlaced(std::span<TChartSeries* const> placed, const gfx::PixelMask* within,
                     bool keepOwners);
    // The points whose markers may reach into the region, as ranges of the shown ones.
    void MarkerRanges(TChartSeries& series, const TPointPlaces& places,
                      const gfx::PixelMask* within, std::vector<TIndexRange>& ranges);
    void DrawTitlesOnFrontPlane();
    void PaintSharedZOrder(TChartSeries& first);

    bool axisVisible_ = true;
    bool seriesClipped_ = false;
    TChartSeriesList seriesList_;
    std::vector<std::unique_ptr<TChartSeries>> ownedSeries_;
    bool view3DWalls_ = true;
    bool clipPoints_ = true;
    std::vector<TCustomChartAxis*> axes_;
    std::unique_ptr<TChartAxis> bottomAxis_;
    std::unique_ptr<TChartAxis> topAxis_;
    std::unique_ptr<TChartAxis> leftAxis_;
    std::unique_ptr<TChartAxis> rightAxis_;
    std::unique_ptr<TChartDepthAxis> depthAxis_;
    int32_t page_ = 1;
    bool scaleLastPage_ = true;
    int32_t maxPointsPerPage_ = 0;
    int32_t seriesDepth_ = 0;
    int32_t seriesDepthY_ = 0;
    int32_t highestZOrder_ = 0;
    TFrameLayout frame_;
    TFrameTracker tracker_;
    std::vector<TIndexRange> ranges_;
    gfx::PixelMask damageMask_;
    std::vector<Rect> changed_;
    // Frames in a row whose markers' moves were known.
    int32_t movesKnown_ = 0;
    std::vector<TChartSeries*> placed_;
};

} // namespace vemora
