// The marker drawn at each point of a series: shape, size, pen and brush, flat or as a
// solid with depth, and the room it needs at the ends of the axes.
#pragma once

#include "canvas/chart_canvas.h"
#include "canvas/chart_pen.h"

#include <memory>

namespace vemora {

enum class TSeriesPointerStyle {
    psRectangle,
    psCircle,
    psTriangle,
    psDownTriangle,
    psCross,
    psDiagCross,
    psStar,
    psDiamond,
    psSmallDot
};

// What the pointer needs of the series that owns it.
class TPointerOwner {
public:
    virtual ~TPointerOwner() = default;
    // The chart's 3D canvas, and whether the chart is drawn with depth.
    virtual TCanvas3D& PointerCanvas() = 0;
    virtual bool PointerView3D() const = 0;
    // The series' depth slot.
    virtual int32_t PointerZStart() const = 0;
    virtual int32_t PointerZMiddle() const = 0;
    virtual int32_t PointerZEnd() const = 0;
    // A property of the pointer changed: repaint the chart.
    virtual void PointerChanged() = 0;
};

class TSeriesPointer {
public:
    explicit TSeriesPointer(TPointerOwner* owner);
    TSeriesPointer(const TSeriesPointer&) = delete;
    TSeriesPointer& operator=(const TSeriesPointer&) = delete;

    TChartBrush& Brush() { return *brush_; }
    const TChartBrush& Brush() const { return *brush_; }
    void SetBrush(const TBrush& value) { brush_->Assign(value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { Store(dark3D_, value); }
    bool Draw3D() const { return draw3D_; }
    void SetDraw3D(bool value) { Store(draw3D_, value); }
    int32_t HorizSize() const { return horizSize_; }
    void SetHorizSize(int32_t value); // ChartException below 1
    bool InflateMargins() const { return inflateMargins_; }
    void SetInflateMargins(bool value) { Store(inflateMargins_, value); }
    TChartPen& Pen() { return *pen_; }
    const TChartPen& Pen() const { return *pen_; }
    void SetPen(const TChartPen& value) { pen_->Assign(value); }
    TSeriesPointerStyle Style() const { return style_; }
    void SetStyle(TSeriesPointerStyle value) { Store(style_, value); }
    int32_t VertSize() const { return vertSize_; }
    void SetVertSize(int32_t value); // ChartException below 1
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Store(visible_, value); }

    void Assign(const TSeriesPointer& source);

    // Pen and brush of the canvas for a point of colour c.
    void PrepareCanvas(TColor color);
    // One marker centred on the screen point.
    void Draw(int32_t px, int32_t py, TColor color, TSeriesPointerStyle style);
    void Draw(int32_t px, int32_t py, TColor color) { Draw(px, py, color, style_); }
    // The canvas's pen and brush, and the background a brush sets, as PrepareCanvas and Draw
    // leave them for the marker, set without drawing: for markers put down some other way.
    void LeaveToolsAsDrawn(int32_t px, int32_t py, TColor color, TSeriesPointerStyle style);
    // A flat marker centred in a legend symbol rectangle, no larger than the rectangle.
    void DrawLegendShape(TCanvas3D& canvas, TColor color, const Rect& rect);

    void HorizMargins(int32_t& left, int32_t& right) const;
    void VertMargins(int32_t& top, int32_t& bottom) const;
    // The sizes and a length as drawn, in device pixels of the owner's canvas.
    int32_t HorizPixels() const { return Pixels(horizSize_); }
    int32_t VertPixels() const { return Pixels(vertSize_); }
    int32_t Pixels(int32_t pixels) const {
        return owner_ ? owner_->PointerCanvas().Pixels(pixels) : pixels;
    }

private:
    template <class T> void Store(T& field, T value) {
        if (StoreChanged(field, value))
            Changed();
    }
    void Changed() {
        if (owner_)
            owner_->PointerChanged();
    }
    void DrawShape(TCanvas3D& canvas, bool is3D, int32_t px, int32_t py, int32_t h, int32_t v,
                   TColor color, TSeriesPointerStyle style);

    TPointerOwner* owner_;
    std::unique_ptr<TChartBrush> brush_;
    std::unique_ptr<TChartPen> pen_;
    bool dark3D_ = true;
    bool draw3D_ = true;
    int32_t horizSize_ = 4;
    bool inflateMargins_ = true;
    TSeriesPointerStyle style_ = TSeriesPointerStyle::psRectangle;
    int32_t vertSize_ = 4;
    bool visible_ = true;
};

} // namespace vemora
