// Pixel regions for clipping: a set of device pixels kept as sorted, disjoint horizontal
// spans per row, with a fast path for the plain rectangle. Polygon regions use the same
// scan conversion as filled polygons, so a polygon clip and a polygon fill with the same
// points cover the same pixels.
#pragma once

#include "platform/gfx/geometry.h"

#include <span>
#include <vector>

namespace vemora::gfx {

struct Span {
    int32_t X0 = 0; // first pixel
    int32_t X1 = 0; // one past the last pixel
};

// Scan conversion of a polygon with the alternate (even-odd) rule: a pixel is inside when
// its centre is, a centre on a left or top edge is inside and one on a right or bottom
// edge is not. The scratch vectors keep their capacity so that repeated calls allocate
// nothing.
class PolygonScanner {
public:
    // Calls emit(y, x0, x1) for every run of inside pixels, rows ascending and spans
    // ascending within a row, limited to the rows [rowLimitTop, rowLimitBottom).
    template <class Emit>
    void Scan(std::span<const Point> points, int32_t rowLimitTop, int32_t rowLimitBottom,
              Emit&& emit);

private:
    struct Edge {
        int32_t YTop;    // first row crossed
        int32_t YBottom; // one past the last row crossed
        int64_t X0, Y0;  // top end
        int64_t Dx, Dy;  // Dy > 0
        // Vertical and 45-degree edges, and any edge whose slope is a whole number,
        // step without a division.
        bool WholeSlope;
        int64_t Step; // Dx / Dy when WholeSlope
    };
    void BuildEdges(std::span<const Point> points);

    std::vector<Edge> edges_;
    std::vector<int32_t> crossings_;
    int32_t top_ = 0;
    int32_t bottom_ = 0;
};

class Region {
public:
    Region() = default; // empty
    static Region FromRect(const Rect& rect);
    // The polygon's pixels within the rectangle (a region only ever clips a bitmap, so the
    // caller passes the bitmap's bounds and a polygon of any size stays cheap).
    static Region FromPolygon(std::span<const Point> points, const Rect& within);
    // The pixels of any of the rectangles.
    static Region FromRects(std::span<const Rect> rects);

    bool IsEmpty() const { return bounds_.IsEmpty(); }
    bool IsRect() const { return isRect_; }
    const Rect& Bounds() const { return bounds_; }
    bool Contains(int32_t x, int32_t y) const {
        if (!bounds_.Contains(x, y))
            return false;
        if (isRect_)
            return true;
        const size_t row = static_cast<size_t>(y - bounds_.Top);
        for (size_t i = rowStart_[row], e = rowStart_[row + 1]; i < e; ++i) {
            if (x < spans_[i].X0)
                return false;
            if (x < spans_[i].X1)
                return true;
        }
        return false;
    }

    void IntersectWith(const Region& other);

    // Whether row y is one span, [x0, x1); false for an empty row or one of several spans.
    bool OneSpan(int32_t y, int32_t& x0, int32_t& x1) const {
        if (y < bounds_.Top || y >= bounds_.Bottom)
            return false;
        if (isRect_) {
            x0 = bounds_.Left;
            x1 = bounds_.Right;
            return true;
        }
        const size_t row = static_cast<size_t>(y - bounds_.Top);
        if (rowStart_[row + 1] - rowStart_[row] != 1)
            return false;
        x0 = spans_[rowStart_[row]].X0;
        x1 = spans_[rowStart_[row]].X1;
        return true;
    }

    // The inside parts of [x0, x1) on row y, in ascending order.
    template <class Fn> void ForEachSpan(int32_t y, int32_t x0, int32_t x1, Fn&& fn) const {
        if (y < bounds_.Top || y >= bounds_.Bottom)
            return;
        if (isRect_) {
            int32_t a = std::max(x0, bounds_.Left), b = std::min(x1, bounds_.Right);
            if (a < b)
                fn(a, b);
            return;
        }
        const size_t row = static_cast<size_t>(y - bounds_.Top);
        for (size_t i = rowStart_[row], e = rowStart_[row + 1]; i < e; ++i) {
            const Span& s = spans_[i];
            if (s.X0 >= x1)
                break;
            int32_t a = std::max(x0, s.X0), b = std::min(x1, s.X1);
            if (a < b)
                fn(a, b);
        }
    }

    bool operator==(const Region& other) const;

private:
    template <class RowFn> static Region Build(int32_t top, int32_t bottom, RowFn&& rowFn);

    Rect bounds_;
    bool isRect_ = true;
    std::vector<uint32_t> rowStart_; // per row of bounds_ plus one, into spans_
    std::vector<Span> spans_;
};

// ---- template implementation ----

template <class Emit>
void PolygonScanner::Scan(std::span<const Point> points, int32_t rowLimitTop,
                          int32_t rowLimitBottom, Emit&& emit) {
    BuildEdges(points);
    if (edges_.empty())
        return;
    const int32_t yBegin = std::max(top_, rowLimitTop);
    const int32_t yEnd = std::min(bottom_, rowLimitBottom);
    for (int32_t y = yBegin; y < yEnd; ++y) {
        crossings_.clear();
        for (const Edge& e : edges_) {
            if (y < e.YTop || y >= e.YBottom)
                continue;
            if (e.WholeSlope) {
                crossings_.push_back(static_cast<int32_t>(e.X0 + (y - e.Y0) * e.Step));
                continue;
            }
            // First pixel whose centre is at or right of the crossing: ceil of a fraction.
            // Edges may span the whole coordinate range, so the products take 128 bits.
            __extension__ using Wide = __int128;
            const Wide num = Wide{e.X0} * e.Dy + Wide{y - e.Y0} * e.Dx;
            Wide q = num / e.Dy;
            if (num % e.Dy != 0 && num > 0)
                ++q;
            crossings_.push_back(static_cast<int32_t>(q));
        }
        // Few crossings per row: insertion sort beats the general sort here.
        for (size_t i = 1; i < crossings_.size(); ++i) {
            int32_t v = crossings_[i];
            size_t j = i;
            for (; j > 0 && crossings_[j - 1] > v; --j)
                crossings_[j] = crossings_[j - 1];
            crossings_[j] = v;
        }
        for (size_t i = 0; i + 1 < crossings_.size(); i += 2)
            if (crossings_[i] < crossings_[i + 1])
                emit(y, crossings_[i], crossings_[i + 1]);
    }
}

} // namespace vemora::gfx
