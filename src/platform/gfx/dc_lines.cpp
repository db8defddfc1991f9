// Lines: the current position, one-pixel lines with their dash patterns, wide lines with
// round ends, and polylines.
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/device_context.h"
#include "platform/numeric/extended.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace vemora::gfx {

using detail::DashOf;
using detail::DashPattern;
using detail::Rop2;

// Kept beside the line walker, its only user, so that it is inlined into the inner loop.
[[gnu::always_inline]] inline void DeviceContext::PenPixel(int32_t x, int32_t y, Pixel color,
                                                           PenMode mode) {
    if (!target_ || !clip_.Contains(x, y))
        return;
    Pixel& p = target_->Row(y)[x];
    p = Rop2(mode, color, p);
}

Point DeviceContext::MoveToEx(int32_t x, int32_t y) {
    styleStep_ = 0;
    return std::exchange(position_, Point{x, y});
}

void DeviceContext::LineTo(int32_t x, int32_t y) {
    DrawLineTo(x, y);
}

namespace {
__extension__ typedef __int128 Int128;
} // namespace

// Bresenham along the major axis, end point excluded. Only the steps that fall inside the
// clip's bounds are walked: the minor coordinate after i steps has a closed form, so a
// line far longer than the bitmap costs no more than the part that shows, and the dash
// pattern keeps its phase as if every step had been taken.
void DeviceContext::CosmeticLine(Point from, Point to) {
    const Pixel color = ToPixel(pen_.Color);
    const DashPattern* dash = DashOf(pen_.Style);
    const int64_t dx = std::abs(static_cast<int64_t>(to.X) - from.X);
    const int64_t dy = std::abs(static_cast<int64_t>(to.Y) - from.Y);
    if (!dash && dy == 0) {
        // Horizontal solid lines are spans.
        if (to.X > from.X)
            SolidSpan(from.Y, from.X, to.X, color, pen_.Mode);
        else if (to.X < from.X)
            SolidSpan(from.Y, to.X + 1, SaturateInt32(int64_t{from.X} + 1), color, pen_.Mode);
        return;
    }
    const bool xMajor = dx >= dy;
    const int64_t n = std::max(dx, dy), m = std::min(dx, dy);
    const uint32_t styleBase = styleStep_;
    styleStep_ = static_cast<uint32_t>(styleBase + static_cast<uint64_t>(n));
    const Rect& clip = clip_.Bounds();
    if (n == 0 || clip.IsEmpty())
        return;
    // A line beside the clip's bounds only moves on in its pattern: a picture redrawn in
    // part passes most of its lines so.
    if (std::max<int64_t>(from.X, to.X) < clip.Left ||
        std::min<int64_t>(from.X, to.X) >= clip.Right ||
        std::max<int64_t>(from.Y, to.Y) < clip.Top ||
        std::min<int64_t>(from.Y, to.Y) >= clip.Bottom)
        return;
    const int64_t major0 = xMajor ? from.X : from.Y, minor0 = xMajor ? from.Y : from.X;
    const int64_t majorStep = (xMajor ? to.X > from.X : to.Y > from.Y) ? 1 : -1;
    const int64_t minorStep = (xMajor ? to.Y > from.Y : to.X > from.X) ? 1 : -1;
    const int64_t majorLo = xMajor ? clip.Left : clip.Top,
                  majorHi = xMajor ? clip.Right : clip.Bottom;
    const int64_t minorLo = xMajor ? clip.Top : clip.Left,
                  minorHi = xMajor ? clip.Bottom : clip.Right;

    // Minor steps taken before step i: the least k with 2n k >= 2m i - n.
    auto minorSteps = [&](int64_t i) {
        // Along an axis (the grid, the ticks) the minor coordinate never moves.
        if (m == 0)
            return int64_t{0};
        const Int128 num = static_cast<Int128>(2 * m) * i - n, den = 2 * static_cast<Int128>(n);
        Int128 q = num / den;
        if (num % den != 0 && num > 0)
            ++q;
        return static_cast<int64_t>(q);
    };
    // The first step whose minor-step count reaches the target (n when none does).
    auto firstReaching = [&](int64_t target) {
        int64_t lo = 0, hi = n;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (minorSteps(mid) >= target)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    int64_t first = 0, last = n; // steps [first, last) are inside the clip's bounds
    const bool inside = std::min<int64_t>(from.X, to.X) >= clip.Left &&
                        std::max<int64_t>(from.X, to.X) < clip.Right &&
                        std::min<int64_t>(from.Y, to.Y) >= clip.Top &&
                        std::max<int64_t>(from.Y, to.Y) < clip.Bottom;
    if (!inside) {
        if (majorStep > 0) {
            first = std::max(first, majorLo - major0);
            last = std::min(last, majorHi - major0);
        } else {
            first = std::max(first, major0 - majorHi + 1);
            last = std::min(last, major0 - majorLo + 1);
        }
        if (minorStep > 0) {
            first = std::max(first, firstReaching(minorLo - minor0));
            last = std::min(last, firstReaching(minorHi - minor0));
        } else {
            first = std::max(first, firstReaching(minor0 - minorHi + 1));
            last = std::min(last, firstReaching(minor0 - minorLo + 1));
        }
    }
    if (first >= last)
        return;

    const Pixel back = ToPixel(bkColor_);
    const bool opaqueGaps = bkMode_ == OPAQUE;
    const int64_t k = first == 0 ? 0 : minorSteps(first);
    // Inside the clip's bounds every coordinate fits 32 bits.
    const int32_t count = static_cast<int32_t>(last - first);
    const int32_t majorStart = static_cast<int32_t>(major0 + majorStep * first);
    const int32_t minorStart = static_cast<int32_t>(minor0 + minorStep * k);
    // The decision term at the first step lies within [-2n, 2m]; its parts do not fit 64 bits.
    const int64_t errStart = static_cast<int64_t>(static_cast<Int128>(2 * m) * (first + 1) - n -
                                                  static_cast<Int128>(2 * n) * k);
    if (m == 0 && xMajor && !clip_.IsRect() && target_) {
        // A row in a clip of many parts: only the steps inside its spans, each with its place
        // in the pattern.
        const int64_t lo = majorStep > 0 ? majorStart : int64_t{majorStart} - count + 1;
        const int64_t hi = lo + count;
        Pixel* row = target_->Row(minorStart);
        clip_.ForEachSpan(minorStart, static_cast<int32_t>(lo), static_cast<int32_t>(hi),
                          [&](int32_t a, int32_t b) {
                              for (int32_t x = a; x < b; ++x) {
                                  const int64_t i =
                                      first + (majorStep > 0 ? x - majorStart : majorStart - x);
                                  Pixel ink = color;
                                  if (dash) {
                                      const uint32_t step = static_cast<uint32_t>(
                                          styleBase + static_cast<uint64_t>(i));
                                      if (!((dash->Bits >> (step % dash->Period)) & 1u)) {
                                          if (!opaqueGaps)
                                              continue;
                                          ink = back;
                                      }
                                  }
                                  row[x] = Rop2(pen_.Mode, ink, row[x]);
                              }
                          });
        return;
    }
    // Copy ink in a rectangular clip needs no test per pixel: the steps are already cut to
    // the clip's bounds.
    const bool direct = clip_.IsRect() && pen_.Mode == PenMode::Copy && target_;
    auto walk = [&]<bool XMajor, bool Dashed, bool Direct>() {
        int32_t major = majorStart, minor = minorStart;
        const int32_t dMajor = static_cast<int32_t>(majorStep);
        const int32_t dMinor = static_cast<int32_t>(minorStep);
        int64_t err = errStart;
        // The place in the dash pattern, kept without a division per pixel; only a step
        // count that wraps around 32 bits within the line needs the division each time.
        const uint32_t period = Dashed ? dash->Period : 1;
        uint32_t step = static_cast<uint32_t>(styleBase + static_cast<uint64_t>(first));
        const bool wraps = uint64_t{step} + static_cast<uint64_t>(count) > UINT32_MAX;
        uint32_t phase = step % period;
        auto put = [&](int32_t x, int32_t y, Pixel ink) {
            if constexpr (Direct)
                target_->Row(y)[x] = ink;
            else
                PenPixel(x, y, ink, pen_.Mode);
        };
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = XMajor ? major : minor, y = XMajor ? minor : major;
            if constexpr (Dashed) {
                if ((dash->Bits >> phase) & 1u)
                    put(x, y, color);
                else if (opaqueGaps)
                    put(x, y, back);
                ++step;
                phase = wraps ? step % period : (phase + 1 == period ? 0 : phase + 1);
            } else {
                put(x, y, color);
            }
            if (err > 0) {
                minor += dMinor;
                err -= 2 * n;
            }
            err += 2 * m;
            major += dMajor;
        }
    };
    auto walkWith = [&]<bool XMajor>() {
        if (dash)
            direct ? walk.operator()<XMajor, true, true>() : walk.operator()<XMajor, true, false>();
        else
            direct ? walk.operator()<XMajor, false, true>()
                   : walk.operator()<XMajor, false, false>();
    };
    if (xMajor)
        walkWith.operator()<true>();
    else
        walkWith.operator()<false>();
}

const std::vector<uint8_t>* DeviceContext::ScaledPattern() {
    const DashPattern* dash = DashOf(pen_.Style);
    if (!dash)
        return nullptr;
    StretchedPattern& p = stretched_;
    if (p.Style == pen_.Style && p.Scale == pen_.PatternScale)
        return &p.Ink;
    p.Style = pen_.Style;
    p.Scale = pen_.PatternScale;
    p.Ink.clear();
    // Run by run: each keeps its ink and takes its length times the scale, at least one.
    for (uint32_t i = 0; i < dash->Period;) {
        const uint8_t ink = (dash->Bits >> i) & 1u;
        uint32_t run = 0;
        while (i < dash->Period && ((dash->Bits >> i) & 1u) == ink) {
            ++run;
            ++i;
        }
        const int32_t length = std::max(1, ScalePixels(static_cast<int32_t>(run), p.Scale));
        p.Ink.insert(p.Ink.end(), static_cast<size_t>(length), ink);
    }
    return &p.Ink;
}

// A cosmetic pen on a denser device: the steps of the one-pixel line, each painted as a
// run of Across pixels across the line (placed as a wide pen of that width is: an even
// width has one pixel more before the line than after it), with the pattern stretched.
// The pattern goes on from line to line as the one-pixel pen's does.
void DeviceContext::ThickLine(Point from, Point to) {
    const Pixel color = ToPixel(pen_.Color);
    const std::vector<uint8_t>* pattern = ScaledPattern();
    const int64_t dx = std::abs(static_cast<int64_t>(to.X) - from.X);
    const int64_t dy = std::abs(static_cast<int64_t>(to.Y) - from.Y);
    const bool xMajor = dx >= dy;
    const int64_t n = std::max(dx, dy), m = std::min(dx, dy);
    const uint32_t styleBase = styleStep_;
    styleStep_ = static_cast<uint32_t>(styleBase + static_cast<uint64_t>(n));
    const Rect& clip = clip_.Bounds();
    if (n == 0 || clip.IsEmpty() || !target_)
        return;
    const int32_t across = std::max(1, pen_.Across);
    const int64_t before = across / 2;
    if (std::max<int64_t>(from.X, to.X) + across < clip.Left ||
        std::min<int64_t>(from.X, to.X) - across >= clip.Right ||
        std::max<int64_t>(from.Y, to.Y) + across < clip.Top ||
        std::min<int64_t>(from.Y, to.Y) - across >= clip.Bottom)
        return;
    const int64_t majorStep = (xMajor ? to.X > from.X : to.Y > from.Y) ? 1 : -1;
    const int64_t minorStep = (xMajor ? to.Y > from.Y : to.X > from.X) ? 1 : -1;
    const int64_t major0 = xMajor ? from.X : from.Y;
    // Only the steps over the clip's bounds along the major axis can paint; the minor
    // coordinate and the decision term at the first of them have a closed form.
    const int64_t lo = xMajor ? clip.Left : clip.Top, hi = xMajor ? clip.Right : clip.Bottom;
    int64_t first = 0, last = n;
    if (majorStep > 0) {
        first = std::max<int64_t>(0, lo - major0);
        last = std::min<int64_t>(n, hi - major0);
    } else {
        first = std::max<int64_t>(0, major0 - hi + 1);
        last = std::min<int64_t>(n, major0 - lo + 1);
    }
    if (first >= last)
        return;
    int64_t k = 0;
    if (m != 0 && first > 0) {
        const Int128 num = static_cast<Int128>(2 * m) * first - n, den = 2 * static_cast<Int128>(n);
        Int128 q = num / den;
        if (num % den != 0 && num > 0)
            ++q;
        k = static_cast<int64_t>(q);
    }
    const Pixel back = ToPixel(bkColor_);
    const bool opaqueGaps = bkMode_ == OPAQUE;
    const uint32_t period = pattern ? static_cast<uint32_t>(pattern->size()) : 1;
    int64_t major = major0 + majorStep * first;
    int64_t minor = (xMajor ? from.Y : from.X) + minorStep * k;
    int64_t err = static_cast<int64_t>(static_cast<Int128>(2 * m) * (first + 1) - n -
                                       static_cast<Int128>(2 * n) * k);
    for (int64_t i = first; i < last; ++i) {
        bool paint = true;
        Pixel ink = color;
        if (pattern &&
            !(*pattern)[static_cast<uint32_t>(styleBase + static_cast<uint64_t>(i)) % period]) {
            paint = opaqueGaps;
            ink = back;
        }
        if (paint) {
            const int64_t a = minor - before, b = a + across;
            if (xMajor) {
                for (int64_t y = std::max<int64_t>(a, clip.Top);
                     y < std::min<int64_t>(b, clip.Bottom); ++y)
                    PenPixel(static_cast<int32_t>(major), static_cast<int32_t>(y), ink, pen_.Mode);
            } else if (major >= clip.Top && major < clip.Bottom) {
                SolidSpan(static_cast<int32_t>(major), SaturateInt32(a), SaturateInt32(b), ink,
                          pen_.Mode);
            }
        }
        if (err > 0) {
            minor += minorStep;
            err -= 2 * n;
        }
        err += 2 * m;
        major += majorStep;
    }
}

// A wide line is every pixel whose centre lies within half the width of the segment: a
// stadium, so the ends are round and segments of a polyline join round. Odd widths are
// centred on the pixel, even widths on its top-left corner, so that a width of 2 covers
// exactly two rows or columns.
void DeviceContext::WideLine(Point from, Point to) {
    const double r = pen_.Width / 2.0;
    const double shift = (pen_.Width % 2) ? 0.5 : 0.0;
    const double ax = from.X + shift, ay = from.Y + shift, bx = to.X + shift, by = to.Y + shift;
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy, len = std::sqrt(len2);
    const Pixel color = ToPixel(pen_.Color);
    const int32_t yBegin = static_cast<int32_t>(std::floor(std::min(ay, by) - r - 1));
    const int32_t yEnd = static_cast<int32_t>(std::ceil(std::max(ay, by) + r + 1));
    const Rect& clip = clip_.Bounds();
    for (int32_t y = std::max(yBegin, clip.Top); y < std::min(yEnd, clip.Bottom); ++y) {
        const double cy = y + 0.5;
        double lo = INFINITY, hi = -INFINITY;
        auto circle = [&](double px, double py) {
            const double h = r * r - (cy - py) * (cy - py);
            if (h > 0) {
                const double w = std::sqrt(h);
                lo = std::min(lo, px - w);
                hi = std::max(hi, px + w);
            }
        };
        circle(ax, ay);
        circle(bx, by);
        if (len2 > 0) {
            // The band between the end caps: |perpendicular distance| < r, 0 <= t <= 1.
            double bandLo = -INFINITY, bandHi = INFINITY;
            if (dy == 0) {
                if (std::fabs(cy - ay) >= r)
                    bandLo = INFINITY;
            } else {
                // perp(X) = ((X - ax) dy - (cy - ay) dx) / len, linear in X.
                const double x1 = ax + ((cy - ay) * dx - r * len) / dy;
                const double x2 = ax + ((cy - ay) * dx + r * len) / dy;
                bandLo = std::min(x1, x2);
                bandHi = std::max(x1, x2);
            }
            if (dx != 0) {
                // t(X) = ((X - ax) dx + (cy - ay) dy) / len2 in [0, 1].
                const double t0 = ax - (cy - ay) * dy / dx;
                const double t1 = ax + (len2 - (cy - ay) * dy) / dx;
                bandLo = std::max(bandLo, std::min(t0, t1));
                bandHi = std::min(bandHi, std::max(t0, t1));
            } else {
                const double t = (cy - ay) * dy / len2;
                if (t < 0 || t > 1)
                    bandLo = INFINITY;
            }
            if (bandLo < bandHi) {
                lo = std::min(lo, bandLo);
                hi = std::max(hi, bandHi);
            }
        }
        if (lo < hi) {
            const int32_t x0 = SaturateInt32(static_cast<int64_t>(std::floor(lo - 0.5)) + 1);
            const int32_t x1 = SaturateInt32(static_cast<int64_t>(std::ceil(hi - 0.5)));
            SolidSpan(y, x0, x1, color, pen_.Mode);
        }
    }
}

void DeviceContext::Polyline(std::span<const Point> points) {
    if (points.empty())
        return;
    const Point saved = position_;
    MoveToEx(points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].X, points[i].Y);
    position_ = saved;
}

} // namespace vemora::gfx
