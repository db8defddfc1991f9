// The platform canvas: a device context with its pen, brush and font as objects. The
// tools raise no notifications; their state is handed to the device context at each
// operation, with system colours resolved then.
#pragma once

#include "canvas/chart_pen.h"
#include "platform/gfx/device_context.h"

#include <span>
#include <string_view>

namespace vemora {

using gfx::Point;
using gfx::Rect;

class TCanvas {
public:
    explicit TCanvas(gfx::Bitmap* target = nullptr);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    void SetTarget(gfx::Bitmap* target) { dc_.SelectBitmap(target); }
    gfx::Bitmap* Target() const { return dc_.Target(); }

    // How many device pixels stand for one pixel of the tools: pen widths (a cosmetic pen
    // draws lines this wide, its pattern stretched) and font heights are scaled by it as
    // they are handed to the device context. 1 on a normal screen.
    double PixelScale() const { return pixelScale_; }
    void SetPixelScale(double scale) { pixelScale_ = scale; }

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }
    const TPen& Pen() const { return pen_; }
    const TBrush& Brush() const { return brush_; }
    const TFont& Font() const { return font_; }

    // The device context with the tools applied, for the calls the canvas does not wrap.
    gfx::DeviceContext& Handle();
    gfx::DeviceContext& DeviceContext() { return dc_; }

    void MoveTo(int32_t x, int32_t y) { dc_.MoveToEx(x, y); }
    void LineTo(int32_t x, int32_t y);
    void Polyline(std::span<const Point> points);
    void Polygon(std::span<const Point> points);
    void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void RoundRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w, int32_t h);
    void Arc(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
             int32_t y3);
    void Pie(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
             int32_t y3);
    void FillRect(const Rect& rect);
    void TextOut(int32_t x, int32_t y, std::string_view text);
    // A failed measurement gives 0.
    gfx::Size TextExtent(std::string_view text);
    void Draw(int32_t x, int32_t y, const gfx::Bitmap& picture);
    void StretchDraw(const Rect& rect, const gfx::Bitmap& picture);
    void SetPixel(int32_t x, int32_t y, TColor color);

    // The logical-font record the font stands for.
    gfx::LogFont LogicalFont() const;

private:
    void ApplyPen();
    void ApplyBrush();
    void ApplyFont();

    gfx::DeviceContext dc_;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    double pixelScale_ = 1.0;
    // The brush generation last selected; none at first.
    uint64_t selectedBrush_ = UINT64_MAX;
};

// Platform values of the tools, with system colours resolved.
gfx::ColorRef ResolveColor(TColor color);
gfx::PenStyle ToDevice(TPenStyle style);
gfx::PenMode ToDevice(TPenMode mode);
gfx::BrushStyle ToDevice(TBrushStyle style);

} // namespace vemora
