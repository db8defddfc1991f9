#include "canvas/platform_canvas.h"

#include "platform/numeric/extended.h"

#include <algorithm>

namespace vemora {

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

void TCanvas::FillRect(const Rect& rect, TColor color) {
    dc_.FillRect(rect, gfx::Brush{ResolveColor(color)});
}

void TCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
    ApplyBrush();
    ApplyFont();
    dc_.TextOut(x, y, text);
}

void TCanvas::TextOut(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font) {
    gfx::DeviceContext& dc = Handle();
    const gfx::LogFont previous = dc.CurrentFont().Log;
    dc.CurrentFont().Log = font;
    dc.TextOut(x, y, text);
    dc.CurrentFont().Log = previous;
}

void TCanvas::Draw(int32_t x, int32_t y, int32_t width, int32_t height, const gfx::Bitmap& picture,
                   int32_t sourceX, int32_t sourceY) {
    dc_.BitBlt(x, y, width, height, picture, sourceX, sourceY);
}

void TCanvas::StretchDraw(const Rect& rect, const gfx::Bitmap& picture) {
    dc_.StretchBlt(rect, picture);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
    dc_.SetPixel(x, y, ResolveColor(color));
}

void TCanvas::SelectClipPolygon(std::span<const Point> points) {
    const gfx::Bitmap* target = dc_.Target();
    const Rect within = target ? Rect{0, 0, target->Width(), target->Height()} : Rect{};
    PolygonClip& c = polygonClip_;
    if (!c.Valid || !std::equal(points.begin(), points.end(), c.Corners.begin(), c.Corners.end()) ||
        !(c.Within == within)) {
        c.Region = gfx::Region::FromPolygon(points, within);
        c.Corners.assign(points.begin(), points.end());
        c.Within = within;
        c.Valid = true;
    }
    dc_.SelectClipRgn(&c.Region);
}

uint64_t TCanvas::FillGradient(const Rect& rect, TColor a, TColor b, TGradientDirection direction) {
    using D = TGradientDirection;
    const TColor ca = ColorToRGB(a), cb = ColorToRGB(b);
    const int32_t r0 = ca & 0xFF, g0 = (ca >> 8) & 0xFF, b0 = (ca >> 16) & 0xFF;
    const int32_t dr = static_cast<int32_t>(cb & 0xFF) - r0;
    const int32_t dg = static_cast<int32_t>((cb >> 8) & 0xFF) - g0;
    const int32_t db = static_cast<int32_t>((cb >> 16) & 0xFF) - b0;
    const Rect r = rect.Normalized();
    // Extents beyond 32 bits cannot be banded; no panel comes near that.
    auto extent = [](int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); };
    const int32_t width = extent(r.Width()), height = extent(r.Height());
    gfx::DeviceContext& dc = Handle();
    const gfx::Brush selected = dc.CurrentBrush();
    uint64_t brushes = 0;
    bool haveBrush = false;
    TColor current = 0;
    auto bandColor = [&](int32_t i, int32_t n) -> TColor {
        if (n <= 1)
            return ca & 0xFFFFFF;
        auto ch = [&](int32_t base, int32_t delta) {
            return static_cast<TColor>(std::clamp(base + MulDiv(i, delta, n - 1), 0, 255));
        };
        return ch(r0, dr) | (ch(g0, dg) << 8) | (ch(b0, db) << 16);
    };
    // A brush only when the colour changes; the previous one is released as the new one
    // is selected.
    auto selectBand = [&](TColor color) {
        if (haveBrush && color == current)
            return;
        dc.CurrentBrush() = gfx::Brush{ResolveColor(color), gfx::BrushStyle::Solid, nullptr};
        current = color;
        haveBrush = true;
        ++brushes;
    };

    if (direction == D::gdTopBottom || direction == D::gdBottomTop || direction == D::gdLeftRight ||
        direction == D::gdRightLeft) {
        const bool vertical = direction == D::gdTopBottom || direction == D::gdBottomTop;
        const int32_t s = vertical ? height : width;
        const int32_t w = vertical ? width : height;
        const int32_t n = std::min(s, 256);
        // Bands the clip leaves out paint nothing: a frame redrawn in part skips them.
        const Rect& clip = dc.EffectiveClip().Bounds();
        const int64_t clipFrom = vertical ? clip.Top : clip.Left;
        const int64_t clipTo = vertical ? clip.Bottom : clip.Right;
        const int64_t far = vertical ? r.Bottom : r.Right;
        // Band i covers [far - MulDiv(i + 1), far - MulDiv(i)) across the fill, and the
        // bands go on away from the far edge: those inside the clip are a run, found by
        // halving.
        auto firstBand = [&](auto&& beyond) {
            int32_t lo = 0, hi = n;
            while (lo < hi) {
                const int32_t mid = lo + (hi - lo) / 2;
                if (beyond(mid))
                    hi = mid;
                else
                    lo = mid + 1;
            }
            return lo;
        };
        const int32_t from =
            firstBand([&](int32_t i) { return far - MulDiv(i + 1, s, n) < clipTo; });
        const int32_t to = firstBand([&](int32_t i) { return far - MulDiv(i, s, n) <= clipFrom; });
        for (int32_t i = from; i < to; ++i) {
            const int32_t ai = MulDiv(i, s, n), an = MulDiv(i + 1, s, n);
            selectBand(bandColor(i, n));
            if (vertical)
                dc.PatBlt(r.Left, r.Bottom - ai, w, ai - an, gfx::PATCOPY);
            else
                dc.PatBlt(r.Right - ai, r.Top, ai - an, w, gfx::PATCOPY);
        }
    } else if (direction == D::gdFromCenter) {
        // Rings from the edges inward, each painted over by the next smaller one.
        const int32_t s = std::min(width, height) / 2;
        const int32_t n = std::min(s, 256);
        for (int32_t i = 0; i < n; ++i) {
            selectBand(bandColor(i, n));
            const int32_t inset = MulDiv(i, s, n);
            dc.PatBlt(r.Left + inset, r.Top + inset, width - 2 * inset, height - 2 * inset,
                      gfx::PATCOPY);
        }
    } else {
        // One-pixel strips by distance from the starting corner.
        const int32_t span = extent(int64_t{width} + height - 1);
        const int32_t n = std::min(span, 256);
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            const int32_t dy = direction == D::gdFromTopLeft ? y - r.Top : r.Bottom - 1 - y;
            for (int32_t x = r.Left; x < r.Right;) {
                const int32_t band = n > 0 ? MulDiv(x - r.Left + dy, n, span) : 0;
                int32_t end = x + 1;
                while (end < r.Right && MulDiv(end - r.Left + dy, n, span) == band)
                    ++end;
                selectBand(bandColor(std::min(band, n - 1), n));
                dc.PatBlt(x, y, end - x, 1, gfx::PATCOPY);
                x = end;
            }
        }
    }
    dc.CurrentBrush() = selected;
    return brushes;
}

} // namespace vemora
