// Integer points, sizes and rectangles in device pixels. Rectangles exclude their right
// and bottom edges, as the drawing rules of the device context do.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vemora::gfx {

struct Point {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    // 64 bits: a rectangle may span the whole coordinate range.
    int64_t Width() const { return int64_t{Right} - Left; }
    int64_t Height() const { return int64_t{Bottom} - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int32_t x, int32_t y) const {
        return x >= Left && x < Right && y >= Top && y < Bottom;
    }
    Rect Normalized() const {
        return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right),
                std::max(Top, Bottom)};
    }
    Rect Intersect(const Rect& o) const {
        Rect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
               std::min(Bottom, o.Bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect Union(const Rect& o) const {
        if (o.IsEmpty())
            return *this;
        if (IsEmpty())
            return o;
        return {std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right),
                std::max(Bottom, o.Bottom)};
    }
    bool operator==(const Rect&) const = default;
};

// A length given in pixels of a normal screen, on a device `scale` times as dense: the
// nearest whole number of device pixels, ties to even; the length itself at scale 1.
inline int32_t ScalePixels(int32_t pixels, double scale) {
    if (scale == 1.0)
        return pixels;
    const long double v = std::nearbyint(static_cast<long double>(pixels) * scale);
    if (!(v > INT32_MIN))
        return INT32_MIN;
    return v >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

} // namespace vemora::gfx
