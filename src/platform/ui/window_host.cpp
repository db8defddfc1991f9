#include "platform/ui/window_host.h"

#include <algorithm>

namespace vemora::ui {

namespace {

std::vector<gfx::Rect> Squares(std::span<const gfx::Rect> cover, const gfx::Rect& bounds,
                               size_t most) {
    // Squares of a growing size: each row of them gives its runs of squares that anything
    // touches, and a run the same as the one above it joins it.
    const int64_t width = bounds.Width(), height = bounds.Height();
    for (int64_t side = 32;; side *= 2) {
        const int64_t columns = (width + side - 1) / side, rows = (height + side - 1) / side;
        std::vector<uint8_t> marked(static_cast<size_t>(columns * rows), 0);
        for (const gfx::Rect& r : cover) {
            const int64_t c0 = (r.Left - int64_t{bounds.Left}) / side;
            const int64_t c1 = (r.Right - 1 - int64_t{bounds.Left}) / side;
            const int64_t r0 = (r.Top - int64_t{bounds.Top}) / side;
            const int64_t r1 = (r.Bottom - 1 - int64_t{bounds.Top}) / side;
            for (int64_t y = r0; y <= r1; ++y)
                std::fill_n(marked.begin() + y * columns + c0, c1 - c0 + 1, uint8_t{1});
        }
        std::vector<gfx::Rect> runs;
        for (int64_t y = 0; y < rows; ++y) {
            for (int64_t x = 0; x < columns;) {
                if (!marked[static_cast<size_t>(y * columns + x)]) {
                    ++x;
                    continue;
                }
                int64_t end = x;
                while (end < columns && marked[static_cast<size_t>(y * columns + end)])
                    ++end;
                const gfx::Rect run = gfx::Rect{
                    static_cast<int32_t>(bounds.Left + x * side),
                    static_cast<int32_t>(bounds.Top + y * side),
                    static_cast<int32_t>(std::min<int64_t>(bounds.Left + end * side, bounds.Right)),
                    static_cast<int32_t>(
                        std::min<int64_t>(bounds.Top + (y + 1) * side, bounds.Bottom))};
                const auto above = std::find_if(runs.begin(), runs.end(), [&](const gfx::Rect& a) {
                    return a.Left == run.Left && a.Right == run.Right && a.Bottom == run.Top;
                });
                if (above != runs.end())
                    above->Bottom = run.Bottom;
                else
                    runs.push_back(run);
                x = end;
            }
        }
        if (runs.size() <= most || side >= std::max(width, height))
            return runs;
    }
}

} // namespace

std::vector<gfx::Rect> CoverWithFew(std::span<const gfx::Rect> rects, const gfx::Rect& bounds,
                                    size_t most) {
    std::vector<gfx::Rect> cover;
    for (const gfx::Rect& r : rects) {
        const gfx::Rect cut = r.Normalized().Intersect(bounds);
        if (!cut.IsEmpty())
            cover.push_back(cut);
    }
    most = std::max<size_t>(most, 1);
    if (cover.size() <= most)
        return cover;
    return Squares(cover, bounds, most);
}

} // namespace vemora::ui
