#include "canvas/platform_canvas.h"

#include <algorithm>

namespace vemora {

gfx::ColorRef ResolveColor(TColor color) {
    return ColorToRGB(color) & 0xFFFFFF;
}

gfx::PenStyle ToDevice(TPenStyle style) {
    switch (style) {
    case TPenStyle::psSolid:
        return gfx::PenStyle::Solid;
    case TPenStyle::psDash:
        return gfx::PenStyle::Dash;
    case TPenStyle::psDot:
        return gfx::PenStyle::Dot;
    case TPenStyle::psDashDot:
        return gfx::PenStyle::DashDot;
    case TPenStyle::psDashDotDot:
        return gfx::PenStyle::DashDotDot;
    case TPenStyle::psClear:
        return gfx::PenStyle::Clear;
    case TPenStyle::psInsideFrame:
        return gfx::PenStyle::InsideFrame;
    case TPenStyle::psAlternate:
        return gfx::PenStyle::Alternate;
    }
    return gfx::PenStyle::Solid;
}

gfx::PenMode ToDevice(TPenMode mode) {
    using M = gfx::PenMode;
    static constexpr M kModes[] = {M::Black,       M::White,      M::Nop,         M::Not,
                                   M::Copy,        M::NotCopy,    M::MergePenNot, M::MaskPenNot,
                                   M::MergeNotPen, M::MaskNotPen, M::Merge,       M::NotMerge,
                                   M::Mask,        M::NotMask,    M::Xor,         M::NotXor};
    return kModes[static_cast<size_t>(mode)];
}

gfx::BrushStyle ToDevice(TBrushStyle style) {
    return static_cast<gfx::BrushStyle>(static_cast<int>(style));
}

TCanvas::TCanvas(gfx::Bitmap* target) : dc_(target) {}

void TCanvas::ApplyPen() {
    gfx::Pen& p = dc_.CurrentPen();
    p.Color = ResolveColor(pen_.Color());
    p.Width = pen_.Width();
    p.Style = ToDevice(pen_.Style());
    p.Mode = ToDevice(pen_.Mode());
    p.Across = 1;
    p.PatternScale = 1.0;
    if (pixelScale_ != 1.0) {
        // A cosmetic pen stays a one-pixel line made thicker; a wide one is just wider.
        if (p.Width <= 1) {
            p.Across = std::max(1, gfx::ScalePixels(1, pixelScale_));
            p.PatternScale = pixelScale_;
        } else {
            p.Width = gfx::ScalePixels(p.Width, pixelScale_);
        }
    }
}

void TCanvas::ApplyBrush() {
    gfx::Brush& b = dc_.CurrentBrush();
    b.Color = ResolveColor(brush_.Color());
    b.Style = ToDevice(brush_.Style());
    b.Pattern = brush_.HasBitmap() ? brush_.Bitmap().get() : nullptr;
    if (brush_.Generation() == selectedBrush_)
        return;
    // Selecting a brush sets the background: a solid brush paints text on its own colour,
    // any other lets what lies behind show through text and between hatch lines.
    selectedBrush_ = brush_.Generation();
    if (brush_.Style() == TBrushStyle::bsSolid) {
        dc_.SetBkColor(b.Color);
        dc_.SetBkMode(gfx::OPAQUE);
    } else {
        dc_.SetBkColor(~b.Color & 0xFFFFFF);
        dc_.SetBkMode(gfx::TRANSPARENT);
    }
}

gfx::LogFont TCanvas::LogicalFont() const {
    gfx::LogFont log;
    log.Height = gfx::ScalePixels(font_.Height(), pixelScale_);
    log.Weight = (font_.Style() & fsBold) ? gfx::FW_BOLD : gfx::FW_NORMAL;
    log.Italic = (font_.Style() & fsItalic) ? 1 : 0;
    log.Underline = (font_.Style() & fsUnderline) ? 1 : 0;
    log.StrikeOut = (font_.Style() & fsStrikeOut) ? 1 : 0;
    log.CharSet = font_.CharSet();
    log.SetFaceName(font_.Name());
    return log;
}

void TCanvas::ApplyFont() {
    gfx::Font& f = dc_.CurrentFont();
    f.Log = LogicalFont();
    f.Color = ResolveColor(font_.Color());
}

gfx::DeviceContext& TCanvas::Handle() {
    ApplyPen();
    ApplyBrush();
    ApplyFont();
    return dc_;
}

void TCanvas::LineTo(int32_t x, int32_t y) {
    ApplyPen();
    dc_.LineTo(x, y);
}

void TCanvas::Polyline(std::span<const Point> points) {
    ApplyPen();
    dc_.Polyline(points);
}

void TCanvas::Polygon(std::span<const Point> points) {
    ApplyPen();
    ApplyBrush();
    dc_.Polygon(points);
}

void TCanvas::Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    ApplyPen();
    ApplyBrush();
    dc_.Rectangle(x0, y0, x1, y1);
}

void TCanvas::Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    ApplyPen();
    ApplyBrush();
    dc_.Ellipse(x0, y0, x1, y1);
}

void TCanvas::RoundRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w, int32_t h) {
    ApplyPen();
    ApplyBrush();
    dc_.RoundRect(x0, y0, x1, y1, w, h);
}

void TCanvas::Arc(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  int32_t x3, int32_t y3) {
    ApplyPen();
    dc_.Arc(x0, y0, x1, y1, x2, y2, x3, y3);
}

void TCanvas::Pie(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  int32_t x3, int32_t y3) {
    ApplyPen();
    ApplyBrush();
    dc_.Pie(x0, y0, x1, y1, x2, y2, x3, y3);
}

void TCanvas::FillRect(const Rect& rect) {
    ApplyBrush();
    dc_.FillRect(rect, dc_.CurrentBrush());
}

void TCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
    ApplyBrush();
    ApplyFont();
    dc_.TextOut(x, y, text);
}

gfx::Size TCanvas::TextExtent(std::string_view text) {
    ApplyFont();
    gfx::Size size;
    if (!dc_.GetTextExtentPoint(text, size))
        return {};
    return size;
}

void TCanvas::Draw(int32_t x, int32_t y, const gfx::Bitmap& picture) {
    dc_.BitBlt(x, y, picture.Width(), picture.Height(), picture, 0, 0);
}

void TCanvas::StretchDraw(const Rect& rect, const gfx::Bitmap& picture) {
    dc_.StretchBlt(rect, picture);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
    dc_.SetPixel(x, y, ResolveColor(color));
}

} // namespace vemora
