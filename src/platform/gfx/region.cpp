#include "platform/gfx/region.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vemora::gfx {

void PolygonScanner::BuildEdges(std::span<const Point> points) {
    edges_.clear();
    top_ = std::numeric_limits<int32_t>::max();
    bottom_ = std::numeric_limits<int32_t>::min();
    const size_t n = points.size();
    if (n < 3)
        return;
    for (size_t i = 0; i < n; ++i) {
        Point a = points[i];
        Point b = points[(i + 1) % n];
        if (a.Y == b.Y)
            continue;
        if (a.Y > b.Y)
            std::swap(a, b);
        const int64_t dx = static_cast<int64_t>(b.X) - a.X, dy = static_cast<int64_t>(b.Y) - a.Y;
        edges_.push_back(Edge{a.Y, b.Y, a.X, a.Y, dx, dy, dx % dy == 0, dx / dy});
        top_ = std::min(top_, a.Y);
        bottom_ = std::max(bottom_, b.Y);
    }
}

Region Region::FromRect(const Rect& rect) {
    Region r;
    r.bounds_ = rect.Normalized();
    if (r.bounds_.IsEmpty())
        r.bounds_ = Rect{};
    return r;
}

template <class RowFn> Region Region::Build(int32_t top, int32_t bottom, RowFn&& rowFn) {
    Region r;
    r.isRect_ = false;
    int32_t left = std::numeric_limits<int32_t>::max();
    int32_t right = std::numeric_limits<int32_t>::min();
    int32_t firstRow = bottom, lastRow = top - 1;
    r.rowStart_.reserve(static_cast<size_t>(std::max(0, bottom - top)) + 1);
    for (int32_t y = top; y < bottom; ++y) {
        r.rowStart_.push_back(static_cast<uint32_t>(r.spans_.size()));
        size_t before = r.spans_.size();
        rowFn(y, r.spans_);
        if (r.spans_.size() != before) {
            left = std::min(left, r.spans_[before].X0);
            right = std::max(right, r.spans_.back().X1);
            firstRow = std::min(firstRow, y);
            lastRow = y;
        }
    }
    r.rowStart_.push_back(static_cast<uint32_t>(r.spans_.size()));
    if (firstRow > lastRow)
        return Region{};
    // Trim empty rows at both ends so that the bounds are tight.
    const size_t skip = static_cast<size_t>(firstRow - top);
    const size_t keep = static_cast<size_t>(lastRow - firstRow + 1);
    std::vector<uint32_t> rows(r.rowStart_.begin() + static_cast<ptrdiff_t>(skip),
                               r.rowStart_.begin() + static_cast<ptrdiff_t>(skip + keep + 1));
    const uint32_t base = rows.front();
    for (uint32_t& v : rows)
        v -= base;
    r.spans_.erase(r.spans_.begin(), r.spans_.begin() + base);
    r.spans_.resize(rows.back());
    r.rowStart_ = std::move(rows);
    r.bounds_ = Rect{left, firstRow, right, lastRow + 1};
    // A region that is one span of the same width on every row is a rectangle: take the
    // fast path for it.
    bool rect = r.spans_.size() == keep;
    for (size_t i = 0; rect && i < r.spans_.size(); ++i)
        rect = r.spans_[i].X0 == left && r.spans_[i].X1 == right;
    if (rect) {
        r.isRect_ = true;
        r.rowStart_.clear();
        r.spans_.clear();
    }
    return r;
}

Region Region::FromPolygon(std::span<const Point> points, const Rect& within) {
    PolygonScanner scanner;
    int32_t top = std::numeric_limits<int32_t>::max(), bottom = std::numeric_limits<int32_t>::min();
    for (const Point& p : points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    const Rect limit = within.Normalized();
    top = std::max(top, limit.Top);
    bottom = std::min(bottom, limit.Bottom);
    if (points.size() < 3 || top >= bottom || limit.IsEmpty())
        return Region{};
    // Collect all spans first, then split them into rows.
    std::vector<std::vector<Span>> rows(static_cast<size_t>(bottom - top));
    scanner.Scan(points, top, bottom, [&](int32_t y, int32_t x0, int32_t x1) {
        x0 = std::max(x0, limit.Left);
        x1 = std::min(x1, limit.Right);
        if (x0 >= x1)
            return;
        auto& row = rows[static_cast<size_t>(y - top)];
        if (!row.empty() && row.back().X1 == x0)
            row.back().X1 = x1; // touching pairs merge into one span
        else
            row.push_back(Span{x0, x1});
    });
    return Build(top, bottom, [&](int32_t y, std::vector<Span>& out) {
        const auto& row = rows[static_cast<size_t>(y - top)];
        out.insert(out.end(), row.begin(), row.end());
    });
}

Region Region::FromRects(std::span<const Rect> rects) {
    std::vector<Rect> boxes;
    boxes.reserve(rects.size());
    for (const Rect& r : rects) {
        const Rect n = r.Normalized();
        if (!n.IsEmpty())
            boxes.push_back(n);
    }
    if (boxes.empty())
        return Region{};
    if (boxes.size() == 1)
        return FromRect(boxes.front());
    // Row by row, the rectangles that cross the row, merged from the left.
    std::sort(boxes.begin(), boxes.end(),
              [](const Rect& a, const Rect& b) { return a.Top < b.Top; });
    int32_t top = boxes.front().Top, bottom = boxes.front().Bottom;
    for (const Rect& r : boxes)
        bottom = std::max(bottom, r.Bottom);
    std::vector<Span> row;
    size_t next = 0;
    std::vector<const Rect*> active;
    // The spans of the last row: the next is the same while no rectangle starts or ends.
    size_t lastFirst = 0, lastEnd = 0;
    bool haveLast = false;
    return Build(top, bottom, [&](int32_t y, std::vector<Span>& out) {
        size_t added = 0;
        for (; next < boxes.size() && boxes[next].Top <= y; ++next, ++added)
            active.push_back(&boxes[next]);
        const size_t ended = std::erase_if(active, [y](const Rect* r) { return r->Bottom <= y; });
        if (haveLast && added == 0 && ended == 0) {
            const size_t first = out.size();
            for (size_t i = lastFirst; i < lastEnd; ++i) {
                const Span again = out[i];
                out.push_back(again);
            }
            lastFirst = first;
            lastEnd = out.size();
            return;
        }
        row.clear();
        for (const Rect* r : active)
            row.push_back({r->Left, r->Right});
        std::sort(row.begin(), row.end(), [](const Span& a, const Span& b) { return a.X0 < b.X0; });
        const size_t first = out.size();
        for (const Span& s : row) {
            if (out.size() > first && s.X0 <= out.back().X1)
                out.back().X1 = std::max(out.back().X1, s.X1);
            else
                out.push_back(s);
        }
        lastFirst = first;
        lastEnd = out.size();
        haveLast = true;
    });
}

void Region::IntersectWith(const Region& other) {
    if (IsEmpty() || other.IsEmpty()) {
        *this = Region{};
        return;
    }
    if (isRect_ && other.isRect_) {
        bounds_ = bounds_.Intersect(other.bounds_);
        return;
    }
    const Rect box = bounds_.Intersect(other.bounds_);
    if (box.IsEmpty()) {
        *this = Region{};
        return;
    }
    // A rectangle around the other region leaves it as it is.
    if (other.isRect_ && box == bounds_)
        return;
    if (isRect_ && box == other.bounds_) {
        *this = other;
        return;
    }
    const Region& a = isRect_ ? other : *this; // a has rows of spans
    const Region& b = isRect_ ? *this : other;
    Region result = Build(box.Top, box.Bottom, [&](int32_t y, std::vector<Span>& out) {
        a.ForEachSpan(y, box.Left, box.Right, [&](int32_t x0, int32_t x1) {
            b.ForEachSpan(y, x0, x1, [&](int32_t c0, int32_t c1) { out.push_back({c0, c1}); });
        });
    });
    *this = std::move(result);
}

bool Region::operator==(const Region& other) const {
    if (bounds_ != other.bounds_)
        return false;
    for (int32_t y = bounds_.Top; y < bounds_.Bottom; ++y) {
        std::vector<Span> mine, theirs;
        ForEachSpan(y, bounds_.Left, bounds_.Right, [&](int32_t a, int32_t b) {
            mine.push_back({a, b});
        });
        other.ForEachSpan(y, bounds_.Left, bounds_.Right, [&](int32_t a, int32_t b) {
            theirs.push_back({a, b});
        });
        if (mine.size() != theirs.size())
            return false;
        for (size_t i = 0; i < mine.size(); ++i)
            if (mine[i].X0 != theirs[i].X0 || mine[i].X1 != theirs[i].X1)
                return false;
    }
    return true;
}

} // namespace vemora::gfx
