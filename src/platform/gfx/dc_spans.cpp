// Spans: runs of one row, cut by the clip. The brush's span is here; the solid span, in the
// pen's raster operation, is inline in dc_internal.h, as lines and shapes paint with it.
// Fills, wide lines and the outlines of rectangles and round shapes go through these two.
// Pixels are written elsewhere only where a span does not fit: the blits (dc_blits.cpp)
// copy another bitmap's rows, a whole rectangle at once, and SetPixel sets a single one; the
// stamp painter (stamps.cpp) puts down ready-made pixels under a mask, each at most once; a
// sloped or dashed one-pixel line (dc_lines.cpp) puts one pixel per step, in a loop where a
// call per pixel would show; and glyphs (dc_text.cpp) blend with what lies under them.
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/device_context.h"

namespace vemora::gfx {

namespace {

// The six 8x8 hatches, aligned to the device origin.
inline bool HatchOn(BrushStyle style, int32_t x, int32_t y) {
    const int32_t hx = x & 7, hy = y & 7;
    switch (style) {
    case BrushStyle::Horizontal:
        return hy == 0;
    case BrushStyle::Vertical:
        return hx == 0;
    case BrushStyle::FDiagonal:
        return hx == hy;
    case BrushStyle::BDiagonal:
        return hx == 7 - hy;
    case BrushStyle::Cross:
        return hx == 0 || hy == 0;
    case BrushStyle::DiagCross:
        return hx == hy || hx == 7 - hy;
    default:
        return false;
    }
}

} // namespace

void DeviceContext::BrushSpan(int32_t y, int32_t x0, int32_t x1, const Brush& brush) {
    if (!target_ || brush.Style == BrushStyle::Clear)
        return;
    if (brush.Pattern && !brush.Pattern->Empty()) {
        const Bitmap& p = *brush.Pattern;
        clip_.ForEachSpan(y, x0, x1, [&](int32_t a, int32_t b) {
            Pixel* row = target_->Row(y);
            const Pixel* src = p.Row(((y % p.Height()) + p.Height()) % p.Height());
            for (int32_t x = a; x < b; ++x)
                row[x] = src[((x % p.Width()) + p.Width()) % p.Width()];
        });
        return;
    }
    const Pixel color = ToPixel(brush.Color);
    if (brush.Style == BrushStyle::Solid) {
        SolidSpan(y, x0, x1, color, PenMode::Copy);
        return;
    }
    const bool opaque = bkMode_ == OPAQUE;
    const Pixel back = ToPixel(bkColor_);
    clip_.ForEachSpan(y, x0, x1, [&](int32_t a, int32_t b) {
        Pixel* row = target_->Row(y);
        for (int32_t x = a; x < b; ++x) {
            if (HatchOn(brush.Style, x, y))
                row[x] = color;
            else if (opaque)
                row[x] = back;
        }
    });
}

} // namespace vemora::gfx
