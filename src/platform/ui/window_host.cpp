#include "platform/ui/window_host.h"

#include <algorithm>

namespace vemora::ui {

std::vector<gfx::Rect> CoverWithFew(std::span<const gfx::Rect> rects, const gfx::Rect& bounds,
                                    size_t most) {
    std::vector<gfx::Rect> cover;
    gfx::Rect all{};
    for (const gfx::Rect& r : rects) {
        const gfx::Rect cut = r.Normalized().Intersect(bounds);
        if (!cut.IsEmpty()) {
            cover.push_back(cut);
            all = all.Union(cut);
        }
    }
    if (cover.size() <= std::max<size_t>(most, 1))
        return cover;
    // Many changes, as those of a time series whose markers all moved a little, lie all
    // over the picture: their bounds cost the window system less than any few rectangles
    // that cover them (which it takes apart into bands of many more).
    return {all};
}

} // namespace vemora::ui
