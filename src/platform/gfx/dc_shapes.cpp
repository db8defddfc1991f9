// Shapes: polygons, rectangles and the round shapes (ellipses, rounded rectangles, arcs and
// pies), filled with the brush and outlined with the pen.
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/device_context.h"
#include "platform/numeric/extended.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vemora::gfx {

using detail::DashOf;

namespace {

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
    const int32_t w = OutlineWidth();
    if (pen_.Width <= 1 && DashOf(pen_.Style)) {
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
    const int32_t w = pen ? OutlineWidth() : 0;
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

} // namespace vemora::gfx
