// A window's client that paints small rectangles of random colours all over its surface,
// or all of it anew, and says which: the changes of a frame as a time series makes them.
#pragma once

#include "platform/ui/window_host.h"

#include <optional>
#include <random>
#include <span>
#include <vector>

namespace vemora::ui {

class ScatteredClient final : public WindowClient {
public:
    void PaintWindow(gfx::Bitmap& surface) override {
        rects.clear();
        std::uniform_int_distribution<int32_t> x(0, surface.Width() - 1),
            y(0, surface.Height() - 1), side(1, 9);
        if (whole) {
            for (int32_t row = 0; row < surface.Height(); ++row)
                for (int32_t column = 0; column < surface.Width(); ++column)
                    surface.Set(column, row, random() & 0xFFFFFF);
            return;
        }
        for (int i = 0; i < count; ++i) {
            const int32_t left = x(random), top = y(random);
            const gfx::Rect r =
                gfx::Rect{left, top, left + side(random), top + side(random)}.Intersect(
                    {0, 0, surface.Width(), surface.Height()});
            const gfx::Pixel colour = random() & 0xFFFFFF;
            for (int32_t row = r.Top; row < r.Bottom; ++row)
                for (int32_t column = r.Left; column < r.Right; ++column)
                    surface.Set(column, row, colour);
            rects.push_back(r);
        }
    }
    std::optional<std::span<const gfx::Rect>> ChangedArea() const override {
        if (whole)
            return std::nullopt;
        return std::span<const gfx::Rect>(rects);
    }
    void MouseDown(TMouseButton, TShiftState, int32_t, int32_t) override {}
    void MouseMove(TShiftState, int32_t, int32_t) override {}
    void MouseUp(TMouseButton, TShiftState, int32_t, int32_t) override {}
    void MouseWheel(bool, TShiftState, int32_t, int32_t) override {}
    void MouseLeave() override {}
    void CancelMode() override {}

    std::mt19937 random{20261210};
    bool whole = true;
    int count = 0;
    std::vector<gfx::Rect> rects;
};

} // namespace vemora::ui
