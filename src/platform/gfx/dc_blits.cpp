// Block transfers and single pixels. PatBlt and FillRect paint through the spans; the
// copies write the source's rows themselves, as a span carries one colour, not a row.
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/device_context.h"
#include "platform/numeric/extended.h"

#include <algorithm>
#include <cstring>

namespace vemora::gfx {

void DeviceContext::PatBlt(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
    // The brush copy is the one operation the chart fills with.
    if (!target_ || rop != PATCOPY)
        return;
    // A negative extent reaches left of x or above y.
    const int64_t x0 = width < 0 ? int64_t{x} + width : x,
                  y0 = height < 0 ? int64_t{y} + height : y;
    const int64_t x1 = width < 0 ? x : int64_t{x} + width,
                  y1 = height < 0 ? y : int64_t{y} + height;
    const Rect area =
        Rect{SaturateInt32(x0), SaturateInt32(y0), SaturateInt32(x1), SaturateInt32(y1)}.Intersect(
            clip_.Bounds());
    for (int32_t row = area.Top; row < area.Bottom; ++row)
        BrushSpan(row, area.Left, area.Right, brush_);
}

void DeviceContext::BitBlt(int32_t x, int32_t y, int32_t width, int32_t height,
                           const Bitmap& source, int32_t sourceX, int32_t sourceY) {
    if (!target_ || width <= 0 || height <= 0)
        return;
    // Limit the copy to the source and the clip's bounds first, then let the clip decide
    // per row.
    const Rect& clip = clip_.Bounds();
    const int64_t x0 = std::max<int64_t>({x, int64_t{x} - sourceX, clip.Left});
    const int64_t y0 = std::max<int64_t>({y, int64_t{y} - sourceY, clip.Top});
    const int64_t x1 =
        std::min<int64_t>({int64_t{x} + width, int64_t{x} + source.Width() - sourceX, clip.Right});
    const int64_t y1 = std::min<int64_t>(
        {int64_t{y} + height, int64_t{y} + source.Height() - sourceY, clip.Bottom});
    if (x0 >= x1 || y0 >= y1)
        return;
    const bool overlapDown = &source == target_ && sourceY < y;
    for (int64_t i = 0; i < y1 - y0; ++i) {
        const int32_t row = static_cast<int32_t>(overlapDown ? y1 - 1 - i : y0 + i);
        const Pixel* src = source.Row(static_cast<int32_t>(row - int64_t{y} + sourceY));
        clip_.ForEachSpan(row, static_cast<int32_t>(x0), static_cast<int32_t>(x1),
                          [&](int32_t a, int32_t b) {
                              std::memmove(target_->Row(row) + a, src + (a - int64_t{x} + sourceX),
                                           static_cast<size_t>(b - a) * sizeof(Pixel));
                          });
    }
}

void DeviceContext::StretchBlt(const Rect& dest, const Bitmap& source) {
    const Rect d = dest.Normalized();
    if (!target_ || d.IsEmpty() || source.Empty())
        return;
    const Rect area = d.Intersect(clip_.Bounds());
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        // In 64 bits: a destination far off the bitmap is over 2^31 pixels away.
        const int64_t sy = (int64_t{y} - d.Top) * source.Height() / d.Height();
        const Pixel* src = source.Row(static_cast<int32_t>(sy));
        clip_.ForEachSpan(y, area.Left, area.Right, [&](int32_t a, int32_t b) {
            Pixel* row = target_->Row(y);
            for (int32_t x = a; x < b; ++x)
                row[x] = src[(int64_t{x} - d.Left) * source.Width() / d.Width()];
        });
    }
}

void DeviceContext::FillRect(const Rect& rect, const Brush& brush) {
    const Rect area = rect.Intersect(clip_.Bounds());
    for (int32_t y = area.Top; y < area.Bottom; ++y)
        BrushSpan(y, area.Left, area.Right, brush);
}

ColorRef DeviceContext::SetPixel(int32_t x, int32_t y, ColorRef color) {
    if (!target_ || !clip_.Contains(x, y))
        return 0xFFFFFFFF;
    target_->Set(x, y, ToPixel(color));
    return color & 0xFFFFFF;
}

} // namespace vemora::gfx
