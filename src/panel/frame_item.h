// One thing a frame draws under its series (an axis label, a tick, a grid line), as two
// frames are compared: what draws it, what it shows beyond its place, and the pixels it may
// paint. With the same settings, two frames that list the same item draw the same pixels
// for it; an item only one of them lists changed its pixels within its bounds.
#pragma once

#include "platform/gfx/geometry.h"

#include <compare>
#include <cstdint>
#include <string>

namespace vemora {

struct TFrameItem {
    // The part that draws it and what kind of thing it is (see TFrameItemKind).
    uint32_t Kind = 0;
    // What it shows beyond its place: a label's text; empty for a line.
    std::string Text;
    // Every pixel the item paints lies inside.
    gfx::Rect Bounds;

    auto operator<=>(const TFrameItem& other) const {
        if (auto c = Kind <=> other.Kind; c != 0)
            return c;
        if (auto c = Text.compare(other.Text); c != 0)
            return c <=> 0;
        const gfx::Rect& a = Bounds;
        const gfx::Rect& b = other.Bounds;
        if (auto c = a.Left <=> b.Left; c != 0)
            return c;
        if (auto c = a.Top <=> b.Top; c != 0)
            return c;
        if (auto c = a.Right <=> b.Right; c != 0)
            return c;
        return a.Bottom <=> b.Bottom;
    }
    bool operator==(const TFrameItem&) const = default;
};

enum class TFrameItemKind : uint32_t {
    fiTitle,
    fiLabel,
    fiAxisLine,
    fiTick,
    fiGrid,
    fiInnerTick,
    fiMinorTick,
    fiMinorGrid
};

// The kind of an item of the given part of a frame (an axis's place in the axes list, say).
constexpr uint32_t FrameItemKind(uint32_t part, TFrameItemKind kind) {
    return part * 16 + static_cast<uint32_t>(kind);
}

} // namespace vemora
