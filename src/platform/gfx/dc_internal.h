// What more than one stage of the device context needs: the raster operations, the dash
// patterns, whether the pen draws, LineTo's work and the solid span. Included by the device
// context's own sources only; inline, as lines and shapes call them per segment and per row.
#pragma once

#include "platform/gfx/device_context.h"

#include <algorithm>

namespace vemora::gfx::detail {

// Binary raster operation: the mode's number minus one is its truth table, bit 3 for
// pen 1 / screen 1, bit 2 for 1/0, bit 1 for 0/1, bit 0 for 0/0.
inline Pixel Rop2(PenMode mode, Pixel pen, Pixel dst) {
    if (mode == PenMode::Copy)
        return pen;
    const unsigned table = static_cast<unsigned>(mode) - 1;
    Pixel r = 0;
    if (table & 8)
        r |= pen & dst;
    if (table & 4)
        r |= pen & ~dst;
    if (table & 2)
        r |= ~pen & dst;
    if (table & 1)
        r |= ~pen & ~dst;
    return r & 0xFFFFFF;
}

// Cosmetic dash patterns as bit masks, lowest bit first, one bit per pixel along the line.
struct DashPattern {
    uint32_t Bits;
    uint32_t Period;
};

constexpr DashPattern PatternOf(PenStyle style) {
    uint32_t bits = 0, pos = 0;
    bool on = true;
    for (int run : DashRuns(style)) {
        for (int i = 0; i < run; ++i, ++pos)
            if (on)
                bits |= 1u << pos;
        on = !on;
    }
    return {bits, pos};
}

inline const DashPattern* DashOf(PenStyle style) {
    static constexpr DashPattern kDash = PatternOf(PenStyle::Dash);
    static constexpr DashPattern kDot = PatternOf(PenStyle::Dot);
    static constexpr DashPattern kDashDot = PatternOf(PenStyle::DashDot);
    static constexpr DashPattern kDashDotDot = PatternOf(PenStyle::DashDotDot);
    static constexpr DashPattern kAlternate = PatternOf(PenStyle::Alternate);
    switch (style) {
    case PenStyle::Dash:
        return &kDash;
    case PenStyle::Dot:
        return &kDot;
    case PenStyle::DashDot:
        return &kDashDot;
    case PenStyle::DashDotDot:
        return &kDashDotDot;
    case PenStyle::Alternate:
        return &kAlternate;
    default:
        return nullptr;
    }
}

} // namespace vemora::gfx::detail

namespace vemora::gfx {

inline bool DeviceContext::PenDraws() const {
    return target_ && pen_.Style != PenStyle::Clear && pen_.Mode != PenMode::Nop;
}

// LineTo's work, here so that the shapes' outlines draw their edges without a call each.
inline void DeviceContext::DrawLineTo(int32_t x, int32_t y) {
    const Point from = position_;
    position_ = {x, y};
    if (!PenDraws())
        return;
    if (pen_.Width > 1)
        WideLine(from, position_);
    else if (pen_.Across > 1 || pen_.PatternScale != 1.0)
        ThickLine(from, position_);
    else
        CosmeticLine(from, position_);
}

inline void DeviceContext::SolidSpan(int32_t y, int32_t x0, int32_t x1, Pixel color, PenMode mode) {
    if (!target_)
        return;
    clip_.ForEachSpan(y, x0, x1, [&](int32_t a, int32_t b) {
        Pixel* row = target_->Row(y);
        if (mode == PenMode::Copy) {
            std::fill(row + a, row + b, color);
        } else {
            for (int32_t x = a; x < b; ++x)
                row[x] = detail::Rop2(mode, color, row[x]);
        }
    });
}

} // namespace vemora::gfx
