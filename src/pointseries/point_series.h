// The series that draws a marker at every point and nothing between points, on the common
// base of the series with pointers.
#pragma once

#include "pointseries/marker_stamps.h"
#include "pointseries/series_pointer.h"
#include "series/chart_series.h"

#include <functional>
#include <memory>
#include <optional>

namespace vemora {

class TCustomSeries;

// Whether a series class draws its points with the steps TCustomSeries gives them:
// DrawPoint, XPixel, YPixel, XAt, YAt and PointColor. A class that keeps them has its
// frames drawn by a loop that reads colours and pixels straight from the lists, without a
// virtual call per point; one that only watches the markers (PaintMarker) keeps them too.
enum class TPointSteps { stKept, stOwn };

using TSeriesOnGetPointerStyle =
    std::function<TSeriesPointerStyle(TChartSeries* sender, int32_t valueIndex)>;
using TSeriesClickPointerEvent =
    std::function<void(TCustomSeries* sender, int32_t valueIndex, int32_t x, int32_t y)>;

// A screen position beyond this on either axis is not drawn.
constexpr int32_t kMaxDrawnPixel = 32766;

// The base of the series that mark their points with a pointer. Only the point-series
// configuration is drawn here: no connecting lines, no area.
class TCustomSeries : public TChartSeries, public TPointerOwner {
public:
    // Of steps of its own until a class states otherwise: the series built on this one
    // change how a point is drawn.
    TCustomSeries() : TCustomSeries(TPointSteps::stOwn) {}

    void Assign(const TChartSeries& source) override;
    // The markers as stamps where they can be (see marker_stamps.h), else one by one.
    void DrawAllPoints() override;
    // Draws the marker of the previous shown point, and the last one's at the end.
    void DrawPoint(int32_t index) override;
    void SetColorEachPoint(bool value) override;
    int32_t PointAtPixel(int32_t x, int32_t y) override;
    int32_t PointUnderPixel(int32_t x, int32_t y) override;
    void HorizMargins(int32_t& left, int32_t& right) override;
    void VertMargins(int32_t& top, int32_t& bottom) override;
    // One marker at the screen position, for point index and colour.
    virtual void PaintMarker(int32_t x, int32_t y, int32_t index, TColor color);
    // Whether the markers of a frame may be stamped: a series that draws anything else
    // between its markers (lines, areas, a marker of its own) must answer false, because
    // stamping changes the order of drawing.
    virtual bool StampsMarkers() const { return !OnGetPointerStyle; }
    // Whether the last frame's markers all went down as stamps.
    bool StampedLastFrame() const { return stampedLastFrame_; }

    // Placed markers: where the class keeps the steps of drawing a point, has no draw events
    // and its markers are stamps placed where the points are drawn.
    bool DrawsPlacedMarkers() override;
    bool MarkerReach(TColor color, gfx::Rect& reach) override;
    void PaintPlacedMarkers(const gfx::PixelMask* within, const gfx::Bitmap* background,
                            const TPointPlaces& places, std::span<const TIndexRange> ranges,
                            bool keepOwners) override;
    bool MovePlacedMarkers(const TMarkerMoves& moves, const TPointPlaces& places,
                           const gfx::Bitmap& background, std::span<const gfx::Rect> ground,
                           std::vector<gfx::Rect>& changed) override;
    void ForgetMarkerLooks() override { stamps_.Forget(); }

    TSeriesPointer& Pointer() { return *pointer_; }
    const TSeriesPointer& Pointer() const { return *pointer_; }
    TChartPen& LinePen() { return *linePen_; }
    TChartPen& AreaLinesPen() { return *areaLinesPen_; }
    int32_t LineHeight() const { return lineHeight_; }
    void SetLineHeight(int32_t value) { Store(lineHeight_, value); }
    TColor AreaColor() const { return areaColor_; }
    void SetAreaColor(TColor value) { Store(areaColor_, value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { Store(dark3D_, value); }
    bool Stairs() const { return stairs_; }
    void SetStairs(bool value) { Store(stairs_, value); }
    bool InvertedStairs() const { return invertedStairs_; }
    void SetInvertedStairs(bool value) { Store(invertedStairs_, value); }
    TBrushStyle LineBrush() const { return lineBrush_; }
    void SetLineBrush(TBrushStyle value) { Store(lineBrush_, value); }
    bool DrawLine() const { return drawLine_; }
    void SetDrawLine(bool value) { Store(drawLine_, value); }
    bool DrawArea() const { return drawArea_; }
    void SetDrawArea(bool value) { Store(drawArea_, value); }
    bool ClickableLine() const { return clickableLine_; }
    void SetClickableLine(bool value) { Store(clickableLine_, value); }
    // The shown range ends with the first point at or beyond the end of the axis, so that
    // the segment leaving the plot is drawn.
    bool DrawBetweenPoints() const { return ConnectsPoints(); }
    void SetDrawBetweenPoints(bool value);
    // The bottom of the area under the point: the end of the vertical axis.
    int32_t OriginPosition(int32_t index) const;

    TSeriesOnGetPointerStyle OnGetPointerStyle;
    // The mouse is on the marker of the point (fired by the hit test).
    TSeriesClickPointerEvent OnClickPointer;

    // TPointerOwner
    TCanvas3D& PointerCanvas() override;
    bool PointerView3D() const override;
    int32_t PointerZStart() const override { return ZStart(); }
    int32_t PointerZMiddle() const override { return ZMiddle(); }
    int32_t PointerZEnd() const override { return ZEnd(); }
    void PointerChanged() override { RequestRepaint(); }

protected:
    explicit TCustomSeries(TPointSteps steps);

private:
    // The point under a window position and whether its marker was hit; x and y come back
    // unprojected, as the click event reports them.
    int32_t HitPoint(int32_t& x, int32_t& y, bool& onPointer);
    // The body of DrawPoint, with the point's colour and screen position.
    void DrawPointAt(TCanvas3D& canvas, int32_t index, TColor color, int32_t x, int32_t y);
    // Draws the shown points as DrawPoint would, when the class keeps the steps; false,
    // having drawn nothing, otherwise.
    bool DrawPointsDirectly();
    // Whether every shown point of this frame has a screen position that is drawn: then
    // each point with a colour has its own marker, in point order.
    bool ShownPointsDrawable();
    int32_t PointPixelX(int32_t index) const;
    int32_t PointPixelY(int32_t index) const;
    // The canvas's tools, and the previous point, as drawing every shown point leaves them.
    void LeaveToolsAsShown(const TPointPlaces& places);
    // Placed markers being noted by PaintMarker, with the stamp of the latest colour.
    std::vector<gfx::StampPlacement> placements_;
    std::vector<gfx::StampMove> moves_;
    bool placing_ = false;
    TColor placingColor_ = clNone;
    int32_t placingStamp_ = -1;

    const bool keepsPointSteps_;
    std::unique_ptr<TSeriesPointer> pointer_;
    std::unique_ptr<TChartPen> linePen_;
    std::unique_ptr<TChartPen> areaLinesPen_;
    int32_t lineHeight_ = 0;
    TColor areaColor_ = clDefault;
    bool dark3D_ = true;
    bool stairs_ = false;
    bool invertedStairs_ = false;
    TBrushStyle lineBrush_ = TBrushStyle::bsSolid;
    bool drawLine_ = true;
    bool drawArea_ = false;
    bool clickableLine_ = true;
    // The previous point of the draw: its marker is drawn when the next point comes.
    int32_t oldX_ = 0;
    int32_t oldY_ = 0;
    TColor oldColor_ = 0;
    // The frame's markers being stamped, and the tools a point set after the last marker.
    TMarkerStamps stamps_{*this};
    bool stamping_ = false;
    bool stampedLastFrame_ = false;
    bool toolsAfterMarker_ = false;
    TColor toolsColor_ = clBlack;
};

class TPointSeries : public TCustomSeries {
public:
    TPointSeries() : TPointSeries(TPointSteps::stKept) {}

    // The point series keeps its own look: pointer shown, no line, no area.
    void Assign(const TChartSeries& source) override;

protected:
    // A subclass that replaces a step of drawing a point states stOwn here; its points then
    // go through DrawPoint one by one.
    explicit TPointSeries(TPointSteps steps);
};

} // namespace vemora
