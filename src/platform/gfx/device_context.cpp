#include "platform/gfx/device_context.h"

#include "platform/gfx/dc_internal.h"
#include "platform/numeric/extended.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

namespace vemora::gfx {

using detail::DashOf;

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

inline Pixel Blend(Pixel dst, Pixel src, uint32_t coverage) {
    if (coverage >= 255)
        return src;
    auto channel = [&](int shift) {
        const int32_t d = static_cast<int32_t>((dst >> shift) & 0xFF);
        const int32_t s = static_cast<int32_t>((src >> shift) & 0xFF);
        return static_cast<Pixel>(d + ((s - d) * static_cast<int32_t>(coverage) + 127) / 255);
    };
    return (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

struct RowInterval {
    int32_t X0 = 0, X1 = 0;
    bool Empty() const { return X0 >= X1; }
};

// The pixels whose centres lie in [lo, hi].
RowInterval CentresWithin(double lo, double hi) {
    auto clamp = [](double v) {
        return static_cast<int32_t>(std::clamp(v, double{INT32_MIN}, double{INT32_MAX}));
    };
    return {clamp(std::ceil(lo - 0.5)), clamp(std::floor(hi - 0.5) + 1)};
}

// The pixels of row y whose centres lie in the ellipse inscribed in the box.
RowInterval EllipseRow(const Rect& b, int32_t y) {
    if (b.IsEmpty() || y < b.Top || y >= b.Bottom)
        return {};
    const double cx = (static_cast<double>(b.Left) + b.Right) / 2.0,
                 cy = (static_cast<double>(b.Top) + b.Bottom) / 2.0;
    const double a = static_cast<double>(b.Width()) / 2.0;
    const double r = static_cast<double>(b.Height()) / 2.0;
    const double dy = (y + 0.5 - cy) / r;
    if (std::fabs(dy) >= 1.0)
        return {};
    const double half = a * std::sqrt(1.0 - dy * dy);
    return CentresWithin(cx - half, cx + half);
}

// A rectangle with its corners cut by quarter ellipses of the given width and height.
RowInterval RoundRectRow(const Rect& b, int32_t y, int32_t cornerW, int32_t cornerH) {
    if (b.IsEmpty() || y < b.Top || y >= b.Bottom)
        return {};
    const double rx = static_cast<double>(std::min<int64_t>(cornerW, b.Width())) / 2.0;
    const double ry = static_cast<double>(std::min<int64_t>(cornerH, b.Height())) / 2.0;
    const double yc = y + 0.5;
    const double d = std::max(b.Top + ry - yc, yc - (b.Bottom - ry));
    double inset = 0;
    if (d > 0 && ry > 0) {
        const double t = d / ry;
        inset = rx - rx * std::sqrt(std::max(0.0, 1.0 - t * t));
    }
    return CentresWithin(b.Left + inset, b.Right - inset);
}

struct Sector {
    double CenterX, CenterY; // continuous coordinates
    double Start, Sweep;     // radians, counter-clockwise on the screen
    bool Contains(int32_t x, int32_t y) const {
        const double angle = std::atan2(-(y + 0.5 - CenterY), x + 0.5 - CenterX);
        const double rel = std::fmod(angle - Start + 4 * std::numbers::pi, 2 * std::numbers::pi);
        return rel <= Sweep;
    }
};

Sector MakeSector(const Rect& box, int32_t xs, int32_t ys, int32_t xe, int32_t ye) {
    Sector s;
    s.CenterX = (static_cast<double>(box.Left) + box.Right) / 2.0;
    s.CenterY = (static_cast<double>(box.Top) + box.Bottom) / 2.0;
    // The radial points are pixel positions; their centres are half a pixel further on.
    s.Start = std::atan2(-(ys + 0.5 - s.CenterY), xs + 0.5 - s.CenterX);
    const double end = std::atan2(-(ye + 0.5 - s.CenterY), xe + 0.5 - s.CenterX);
    s.Sweep = std::fmod(end - s.Start + 4 * std::numbers::pi, 2 * std::numbers::pi);
    if (s.Sweep == 0)
        s.Sweep = 2 * std::numbers::pi;
    return s;
}

// Where the radial at the angle meets the ellipse of the box, in pixel coordinates.
Point EllipsePointAt(const Rect& box, double angle) {
    const double cx = (static_cast<double>(box.Left) + box.Right) / 2.0,
                 cy = (static_cast<double>(box.Top) + box.Bottom) / 2.0;
    const double a = static_cast<double>(box.Width()) / 2.0;
    const double b = static_cast<double>(box.Height()) / 2.0;
    const double x = cx + a * std::cos(angle) - 0.5, y = cy - b * std::sin(angle) - 0.5;
    return {static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y))};
}

} // namespace

DeviceContext::DeviceContext() {
    font_.Log.Height = HeightFromPoints(8);
    font_.Log.SetFaceName("Arial");
}

DeviceContext::DeviceContext(Bitmap* target) : DeviceContext() {
    SelectBitmap(target);
}

void DeviceContext::SelectBitmap(Bitmap* target) {
    target_ = target;
    hasClip_ = false;
    userClip_ = Region{};
    ResetClip();
}

void DeviceContext::BeginRedirect(Bitmap* scratch) {
    // A second redirect only changes the scratch: the target to come back to stays.
    if (redirected_.Active) {
        SelectBitmap(scratch);
        return;
    }
    redirected_.Active = true;
    redirected_.Target = target_;
    redirected_.HasClip = hasClip_;
    redirected_.UserClip = std::move(userClip_);
    redirected_.Clip = std::move(clip_);
    SelectBitmap(scratch);
}

void DeviceContext::EndRedirect() {
    if (!redirected_.Active)
        return;
    redirected_.Active = false;
    target_ = redirected_.Target;
    hasClip_ = redirected_.HasClip;
    userClip_ = std::move(redirected_.UserClip);
    clip_ = std::move(redirected_.Clip);
}

void DeviceContext::ResetClip() {
    clip_ = target_ ? Region::FromRect({0, 0, target_->Width(), target_->Height()}) : Region{};
    if (hasClip_)
        clip_.IntersectWith(userClip_);
}

ColorRef DeviceContext::SetBkColor(ColorRef color) {
    return std::exchange(bkColor_, color & 0xFFFFFF);
}

int DeviceContext::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return std::exchange(bkMode_, mode);
}

uint32_t DeviceContext::SetTextAlign(uint32_t align) {
    return std::exchange(textAlign_, align);
}

// ---- pixel primitives ----

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

// ---- filled shapes ----

void DeviceContext::FillPolygonWithBrush(std::span<const Point> points) {
    if (!target_ || brush_.Style == BrushStyle::Clear)
        return;
    const Rect& clip = clip_.Bounds();
    scanner_.Scan(points, clip.Top, clip.Bottom,
                  [&](int32_t y, int32_t x0, int32_t x1) { BrushSpan(y, x0, x1, brush_); });
}

void DeviceContext::Polygon(std::span<const Point> points) {
    if (points.size() < 2)
        return;
    FillPolygonWithBrush(points);
    if (!PenDraws())
        return;
    const Point saved = position_;
    MoveToEx(points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i)
        DrawLineTo(points[i].X, points[i].Y);
    DrawLineTo(points[0].X, points[0].Y);
    position_ = saved;
}

void DeviceContext::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const Rect box = Rect{left, top, right, bottom}.Normalized();
    if (box.IsEmpty() || !target_)
        return;
    if (!PenDraws()) {
        const int32_t yEnd = std::min(box.Bottom - 1, clip_.Bounds().Bottom);
        for (int32_t y = std::max(box.Top, clip_.Bounds().Top); y < yEnd; ++y)
            BrushSpan(y, box.Left, box.Right - 1, brush_);
        return;
    }
    const int32_t w = std::max(1, pen_.Width);
    if (w == 1 && DashOf(pen_.Style)) {
        // A styled outline runs its pattern once round the box.
        const int32_t yEnd = std::min(box.Bottom - 1, clip_.Bounds().Bottom);
        for (int32_t y = std::max(box.Top + 1, clip_.Bounds().Top); y < yEnd; ++y)
            BrushSpan(y, box.Left + 1, box.Right - 1, brush_);
        const Point saved = position_;
        MoveToEx(box.Left, box.Top);
        DrawLineTo(box.Right - 1, box.Top);
        DrawLineTo(box.Right - 1, box.Bottom - 1);
        DrawLineTo(box.Left, box.Bottom - 1);
        DrawLineTo(box.Left, box.Top);
        position_ = saved;
        return;
    }
    const Pixel color = ToPixel(pen_.Color);
    const int32_t yEnd = std::min(box.Bottom, clip_.Bounds().Bottom);
    for (int32_t y = std::max(box.Top, clip_.Bounds().Top); y < yEnd; ++y) {
        if (int64_t{y} < int64_t{box.Top} + w || int64_t{y} >= int64_t{box.Bottom} - w) {
            SolidSpan(y, box.Left, box.Right, color, pen_.Mode);
            continue;
        }
        const int32_t innerLeft =
            SaturateInt32(std::min<int64_t>(int64_t{box.Left} + w, box.Right));
        const int32_t innerRight =
            SaturateInt32(std::max<int64_t>(int64_t{box.Right} - w, innerLeft));
        SolidSpan(y, box.Left, innerLeft, color, pen_.Mode);
        BrushSpan(y, innerLeft, innerRight, brush_);
        SolidSpan(y, innerRight, box.Right, color, pen_.Mode);
    }
}

// Fills and outlines a convex round shape given by its rows. With a one-pixel pen the
// outline is the shape's border (pixels with a neighbour outside); a wider pen covers the
// shape less the same shape inset by the pen width.
template <class Shape, class Keep>
void DeviceContext::DrawRoundShape(const Rect& box, Shape&& shape, bool fill, Keep&& keep) {
    if (!target_ || box.IsEmpty())
        return;
    const bool pen = PenDraws();
    const int32_t w = pen ? std::max(1, pen_.Width) : 0;
    const Rect inner{SaturateInt32(int64_t{box.Left} + w), SaturateInt32(int64_t{box.Top} + w),
                     SaturateInt32(int64_t{box.Right} - w), SaturateInt32(int64_t{box.Bottom} - w)};
    const Pixel color = ToPixel(pen_.Color);
    const Rect& clip = clip_.Bounds();
    auto emit = [&](int32_t y, int32_t x0, int32_t x1, bool outline) {
        x0 = std::max(x0, clip.Left);
        x1 = std::min(x1, clip.Right);
        if (x0 >= x1)
            return;
        for (int32_t a = x0; a < x1;) {
            // Runs of pixels that the sector keeps.
            while (a < x1 && !keep(a, y))
                ++a;
            int32_t b = a;
            while (b < x1 && keep(b, y))
                ++b;
            if (a < b) {
                if (outline)
                    SolidSpan(y, a, b, color, pen_.Mode);
                else
                    BrushSpan(y, a, b, brush_);
            }
            a = b;
        }
    };
    for (int32_t y = std::max(box.Top, clip.Top); y < std::min(box.Bottom, clip.Bottom); ++y) {
        const RowInterval cur = shape(box, y);
        if (cur.Empty())
            continue;
        RowInterval in = cur;
        if (pen && w == 1) {
            const RowInterval up = shape(box, y - 1), down = shape(box, y + 1);
            if (up.Empty() || down.Empty())
                in = {};
            else
                in = {SaturateInt32(std::max<int64_t>({int64_t{cur.X0} + 1, up.X0, down.X0})),
                      SaturateInt32(std::min<int64_t>({int64_t{cur.X1} - 1, up.X1, down.X1}))};
        } else if (pen) {
            in = shape(inner, y);
            in = {std::max(in.X0, cur.X0), std::min(in.X1, cur.X1)};
        }
        if (fill && !in.Empty())
            emit(y, in.X0, in.X1, false);
        if (pen) {
            if (in.Empty()) {
                emit(y, cur.X0, cur.X1, true);
            } else {
                emit(y, cur.X0, in.X0, true);
                emit(y, in.X1, cur.X1, true);
            }
        }
    }
}

namespace {
// Without a pen the closed shapes cover one pixel less to the right and below.
Rect ShapeBox(int32_t left, int32_t top, int32_t right, int32_t bottom, bool pen) {
    Rect box = Rect{left, top, right, bottom}.Normalized();
    if (!pen) {
        box.Right = SaturateInt32(int64_t{box.Right} - 1);
        box.Bottom = SaturateInt32(int64_t{box.Bottom} - 1);
    }
    return box;
}
constexpr auto kKeepAll = [](int32_t, int32_t) { return true; };
} // namespace

void DeviceContext::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    DrawRoundShape(ShapeBox(left, top, right, bottom, PenDraws()), EllipseRow, true, kKeepAll);
}

void DeviceContext::RoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              int32_t width, int32_t height) {
    const int32_t cornerW = SaturateInt32(std::abs(int64_t{width}));
    const int32_t cornerH = SaturateInt32(std::abs(int64_t{height}));
    auto shape = [&](const Rect& b, int32_t y) { return RoundRectRow(b, y, cornerW, cornerH); };
    DrawRoundShape(ShapeBox(left, top, right, bottom, PenDraws()), shape, true, kKeepAll);
}

void DeviceContext::Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xs,
                        int32_t ys, int32_t xe, int32_t ye) {
    if (!PenDraws())
        return;
    const Rect box = ShapeBox(left, top, right, bottom, true);
    const Sector sector = MakeSector(box, xs, ys, xe, ye);
    DrawRoundShape(box, EllipseRow, false,
                   [&](int32_t x, int32_t y) { return sector.Contains(x, y); });
}

void DeviceContext::Pie(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xs,
                        int32_t ys, int32_t xe, int32_t ye) {
    const bool pen = PenDraws();
    const Rect box = ShapeBox(left, top, right, bottom, pen);
    const Sector sector = MakeSector(box, xs, ys, xe, ye);
    DrawRoundShape(box, EllipseRow, true,
                   [&](int32_t x, int32_t y) { return sector.Contains(x, y); });
    if (!pen || sector.Sweep >= 2 * std::numbers::pi)
        return;
    const Point center{static_cast<int32_t>(std::lround(sector.CenterX - 0.5)),
                       static_cast<int32_t>(std::lround(sector.CenterY - 0.5))};
    const Point saved = position_;
    for (double angle : {sector.Start, sector.Start + sector.Sweep}) {
        const Point end = EllipsePointAt(box, angle);
        MoveToEx(center.X, center.Y);
        DrawLineTo(end.X, end.Y);
    }
    position_ = saved;
}

// ---- block transfers and pixels ----

void DeviceContext::PatBlt(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
    if (!target_)
        return;
    // A negative extent reaches left of x or above y.
    const int64_t x0 = width < 0 ? int64_t{x} + width : x,
                  y0 = height < 0 ? int64_t{y} + height : y;
    const int64_t x1 = width < 0 ? x : int64_t{x} + width,
                  y1 = height < 0 ? y : int64_t{y} + height;
    const Rect area =
        Rect{SaturateInt32(x0), SaturateInt32(y0), SaturateInt32(x1), SaturateInt32(y1)}.Intersect(
            clip_.Bounds());
    for (int32_t row = area.Top; row < area.Bottom; ++row) {
        switch (rop) {
        case PATCOPY:
            BrushSpan(row, area.Left, area.Right, brush_);
            break;
        case BLACKNESS:
            SolidSpan(row, area.Left, area.Right, 0x000000, PenMode::Copy);
            break;
        case WHITENESS:
            SolidSpan(row, area.Left, area.Right, 0xFFFFFF, PenMode::Copy);
            break;
        case DSTINVERT:
            SolidSpan(row, area.Left, area.Right, 0, PenMode::Not);
            break;
        case PATINVERT:
            if (brush_.Style != BrushStyle::Clear)
                SolidSpan(row, area.Left, area.Right, ToPixel(brush_.Color), PenMode::Xor);
            break;
        default:
            break;
        }
    }
}

void DeviceContext::BitBlt(int32_t x, int32_t y, int32_t width, int32_t height,
                           const Bitmap& source, int32_t sourceX, int32_t sourceY, uint32_t rop) {
    if (!target_ || rop != SRCCOPY || width <= 0 || height <= 0)
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

ColorRef DeviceContext::GetPixel(int32_t x, int32_t y) const {
    if (!target_ || !target_->Contains(x, y))
        return 0xFFFFFFFF;
    return ToColorRef(target_->At(x, y));
}

// ---- text ----

bool DeviceContext::GetTextExtentPoint(std::string_view utf8, Size& size) const {
    if (!LayoutText(font_.Log, utf8, run_)) {
        size = {};
        return false;
    }
    size = {run_.Width, run_.Height};
    return true;
}

void DeviceContext::TextOut(int32_t x, int32_t y, std::string_view utf8) {
    if (!target_ || !LayoutText(font_.Log, utf8, run_))
        return;
    if (textAlign_ & TA_UPDATECP) {
        x = position_.X;
        y = position_.Y;
    }
    // Along the baseline (u) and down across it (v), on the screen.
    const double ux = std::cos(run_.Angle), uy = -std::sin(run_.Angle);
    const double vx = -uy, vy = ux;
    double along = 0;
    switch (textAlign_ & TA_CENTER) {
    case TA_RIGHT:
        along = -run_.Width;
        break;
    case TA_CENTER:
        along = -run_.Width / 2.0;
        break;
    default:
        break;
    }
    double across = 0;
    switch (textAlign_ & TA_BASELINE) {
    case TA_BASELINE:
        break;
    case TA_BOTTOM:
        across = -(run_.Height - run_.Ascent);
        break;
    default:
        across = run_.Ascent;
        break;
    }
    const double ox = x + along * ux + across * vx, oy = y + along * uy + across * vy;
    auto toCoord = [](double v) {
        return SaturateInt32(std::llround(std::clamp(v, double{INT32_MIN}, double{INT32_MAX})));
    };
    const Point origin{toCoord(ox), toCoord(oy)};
    const Rect& clip = clip_.Bounds();
    if (bkMode_ == OPAQUE) {
        const double tx = origin.X - run_.Ascent * vx, ty = origin.Y - run_.Ascent * vy;
        auto pt = [&](double px, double py) { return Point{toCoord(px), toCoord(py)}; };
        const Point cell[4] = {
            pt(tx, ty), pt(tx + run_.Width * ux, ty + run_.Width * uy),
            pt(tx + run_.Width * ux + run_.Height * vx, ty + run_.Width * uy + run_.Height * vy),
            pt(tx + run_.Height * vx, ty + run_.Height * vy)};
        const Pixel back = ToPixel(bkColor_);
        scanner_.Scan(cell, clip.Top, clip.Bottom, [&](int32_t row, int32_t a, int32_t b) {
            SolidSpan(row, a, b, back, PenMode::Copy);
        });
    }
    const Pixel color = ToPixel(font_.Color);
    for (const PlacedGlyph& g : run_.Glyphs) {
        const GlyphImage& img = *g.Image;
        const int64_t left = int64_t{origin.X} + g.X, top = int64_t{origin.Y} + g.Y;
        if (left >= clip.Right || left + img.Width <= clip.Left || top >= clip.Bottom ||
            top + img.Height <= clip.Top)
            continue;
        const int64_t firstRow = std::max<int64_t>(0, clip.Top - top);
        const int64_t endRow = std::min<int64_t>(img.Height, clip.Bottom - top);
        for (int64_t gy = firstRow; gy < endRow; ++gy) {
            const int32_t row = static_cast<int32_t>(top + gy);
            const uint8_t* cov = img.Coverage.data() + static_cast<size_t>(gy) * img.Width;
            clip_.ForEachSpan(row, SaturateInt32(left), SaturateInt32(left + img.Width),
                              [&](int32_t a, int32_t b) {
                                  Pixel* dst = target_->Row(row);
                                  for (int32_t px = a; px < b; ++px) {
                                      const uint8_t c = cov[px - left];
                                      if (c)
                                          dst[px] = Blend(dst[px], color, c);
                                  }
                              });
        }
    }
    if (textAlign_ & TA_UPDATECP)
        position_ = {toCoord(x + run_.Width * ux), toCoord(y + run_.Width * uy)};
}

// ---- clipping ----

void DeviceContext::SelectClipRgn(const Region* region) {
    hasClip_ = region != nullptr;
    userClip_ = region ? *region : Region{};
    ResetClip();
}

void DeviceContext::ExtSelectClipRgn(const Region* region, RegionMode mode) {
    if (!region || mode == RegionMode::Copy) {
        SelectClipRgn(region);
        return;
    }
    if (hasClip_)
        userClip_.IntersectWith(*region);
    else
        userClip_ = *region;
    hasClip_ = true;
    ResetClip();
}

void DeviceContext::IntersectClipRect(const Rect& rect) {
    const Region r = Region::FromRect(rect);
    ExtSelectClipRgn(&r, RegionMode::And);
}

} // namespace vemora::gfx
