// The drawing interface below the chart's 3D canvas: whatever the chart puts on a page goes
// through it, whatever the page is made of. Every medium follows the rules of the raster
// device context (platform/gfx/device_context.h), in pixels of a 96 dpi page: lines end
// before their end point, shapes keep their right and bottom edges out with the outline
// inside, polygons fill by the alternate rule and then take the outline. Text is measured
// with the raster font metrics on every medium, so one layout serves them all.
//
// The pen, brush and font are objects of the medium; a drawing uses them as they stand.
// Selecting a brush that changed since the last selection also sets the background: a solid
// brush paints text cells in its own colour, any other lets what lies behind show through.
#pragma once

#include "canvas/chart_pen.h"
#include "canvas/gradient.h"
#include "platform/gfx/device_context.h"

#include <span>
#include <string_view>

namespace vemora {

using gfx::Point;
using gfx::Rect;

class TCanvas;

class TMedium {
public:
    TMedium() = default;
    TMedium(const TMedium&) = delete;
    TMedium& operator=(const TMedium&) = delete;
    virtual ~TMedium() = default;

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }
    const TPen& Pen() const { return pen_; }
    const TBrush& Brush() const { return brush_; }
    const TFont& Font() const { return font_; }
    // The logical-font record the font stands for, its height scaled to device pixels.
    gfx::LogFont LogicalFont() const;

    // How many device pixels stand for one pixel of the tools: pen widths (a cosmetic pen
    // draws lines this wide, its pattern stretched) and font heights are scaled by it as
    // they are handed to the page. 1 on a normal screen and on every vector page.
    double PixelScale() const { return pixelScale_; }
    void SetPixelScale(double scale) { pixelScale_ = scale; }

    // The background of text cells and hatches. Setting it selects the tools first, so that
    // a brush changed just before does not undo it at the next drawing.
    virtual gfx::ColorRef GetBkColor() const = 0;
    virtual void SetBkColor(TColor color) = 0;
    virtual int GetBkMode() const = 0;
    virtual void SetBkMode(int mode) = 0;
    virtual uint32_t GetTextAlign() const = 0;
    virtual void SetTextAlign(uint32_t align) = 0;
    // Selects the pen, the brush and the font as a drawing does.
    virtual void SelectTools() = 0;

    // Lines with the pen.
    virtual void MoveTo(int32_t x, int32_t y) = 0;
    virtual void LineTo(int32_t x, int32_t y) = 0;
    virtual void Polyline(std::span<const Point> points) = 0;
    // Counter-clockwise from the radial through (x2, y2) to the radial through (x3, y3).
    virtual void Arc(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t x3, int32_t y3) = 0;
    // Shapes: the brush inside, the pen's outline.
    virtual void Polygon(std::span<const Point> points) = 0;
    virtual void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    virtual void Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    virtual void RoundRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w,
                           int32_t h) = 0;
    virtual void Pie(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t x3, int32_t y3) = 0;
    // Fills without an outline: with the brush, or with a colour leaving the brush alone.
    virtual void FillRect(const Rect& rect) = 0;
    virtual void FillRect(const Rect& rect, TColor color) = 0;
    // The gradient of the rectangle from colour a to colour b, both explicit, as
    // TChartCanvas3D::FillGradient arranges them; the brush stays. Returns the brushes made.
    virtual uint64_t FillGradient(const Rect& rect, TColor a, TColor b,
                                  TGradientDirection direction) = 0;
    virtual void SetPixel(int32_t x, int32_t y, TColor color) = 0;

    // Text at the reference point with the alignment, in the font, or with the record
    // given (a rotated or scaled copy of it).
    virtual void TextOut(int32_t x, int32_t y, std::string_view text) = 0;
    virtual void TextOut(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font) = 0;
    // A failed measurement gives 0.
    gfx::Size TextExtent(std::string_view text);
    // Every pixel the text drawn with the record and the alignment would paint lies inside.
    Rect TextBounds(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font,
                    uint32_t align);

    // Pictures: a part of one at its size, or one whole stretched over the rectangle.
    virtual void Draw(int32_t x, int32_t y, int32_t width, int32_t height,
                      const gfx::Bitmap& picture, int32_t sourceX, int32_t sourceY) = 0;
    void Draw(int32_t x, int32_t y, const gfx::Bitmap& picture) {
        Draw(x, y, picture.Width(), picture.Height(), picture, 0, 0);
    }
    virtual void StretchDraw(const Rect& rect, const gfx::Bitmap& picture) = 0;

    // Clipping: a rectangle intersected with the clip, a polygon (alternate rule) replacing
    // it, or none.
    virtual void IntersectClipRect(const Rect& rect) = 0;
    virtual void SelectClipPolygon(std::span<const Point> points) = 0;
    virtual void Unclip() = 0;
    // Keeps all drawing inside the region until called with nullptr, for frames redrawn
    // where they changed; a medium that only ever takes whole frames ignores it.
    virtual void LimitDrawing(const gfx::Region* /*region*/) {}

    // The drawing between BeginFigure and EndFigure is one figure placed at the point (a
    // marker): a medium may keep a figure drawn alike before and place it again, and leave
    // out one that figures placed after it hide.
    virtual void BeginFigure(int32_t /*x*/, int32_t /*y*/) {}
    virtual void EndFigure() {}

    // The raster canvas when the medium is one: for the fast paths that work on finished
    // pixels (the marker stamps) and whoever looks at the pixels drawn; null otherwise.
    virtual TCanvas* Raster() { return nullptr; }

protected:
    // The device context that measures text: the raster one's own metrics on every medium.
    virtual gfx::DeviceContext& Metrics() = 0;

    TPen pen_;
    TBrush brush_;
    TFont font_;
    double pixelScale_ = 1.0;
};

// Platform values of the tools, with system colours resolved.
gfx::ColorRef ResolveColor(TColor color);
gfx::PenStyle ToDevice(TPenStyle style);
gfx::PenMode ToDevice(TPenMode mode);
gfx::BrushStyle ToDevice(TBrushStyle style);

} // namespace vemora
