// A window without a screen, for tests and the command-line tool: the client area is a
// bitmap in memory, invalidation sets a flag, and an update paints synchronously into the
// bitmap when the flag is set.
#pragma once

#include "platform/ui/window_host.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vemora::ui {

class HeadlessWindowHost final : public WindowHost {
public:
    // The width of the sunken edge on every side.
    static constexpr int32_t kEdgeWidth = 2;

    explicit HeadlessWindowHost(int32_t clientWidth = 0, int32_t clientHeight = 0);

    void SetClient(WindowClient* client) override { client_ = client; }
    void SetBounds(const gfx::Rect& bounds, bool sunkenEdge) override;
    gfx::Rect ClientRect() const override;
    double PixelRatio() const override { return ratio_; }
    void Invalidate() override;
    void Update() override;
    void SetCursor(TCursor cursor) override { cursor_ = cursor; }
    TCursor Cursor() const override { return cursor_; }
    void SetMouseCapture(bool captured) override { captured_ = captured; }
    bool HasMouseCapture() const override { return captured_ || buttonsHeld_ != 0; }
    void ShowDirectDrawing() override { ++directShows_; }

    // The client area changes size without the control knowing (a resize by the user); in
    // pixels of the window's size.
    void ResizeClient(int32_t width, int32_t height);
    // The window is on a screen of that density: its client area has that many device
    // pixels per pixel of its size, and is painted again.
    void SetPixelRatio(double ratio);
    // The window was uncovered: paint whatever the invalid state.
    void Expose();

    // Input as the window system delivers it, at positions in pixels of the window's size
    // (the client gets device pixels): a pressed button keeps the mouse until it is
    // released, the pointer leaving is not reported while it does, and wheel steps are
    // added up to whole notches of kWheelDelta (positive away from the user).
    void SendMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    void SendMouseMove(TShiftState shift, int32_t x, int32_t y);
    void SendMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    void SendWheel(int32_t delta, TShiftState shift, int32_t x, int32_t y);
    void SendMouseLeave();
    void SendCancelMode();

    bool IsInvalid() const { return invalid_; }
    uint64_t Invalidations() const { return invalidations_; }
    uint64_t Paints() const { return paints_; }
    // What the client said the last paint changed: nullopt for all of the screen; else the
    // rectangles, and the smallest rectangle around them (empty for none).
    std::optional<gfx::Rect> LastChangedArea() const;
    const std::optional<std::vector<gfx::Rect>>& LastChangedRects() const { return lastChanged_; }
    uint64_t DirectShows() const { return directShows_; }
    const gfx::Bitmap& Screen() const { return screen_; }

private:
    void Paint();
    // The screen's size for the client size and ratio.
    void FitScreen();
    // A coordinate in pixels of the window's size, in device pixels.
    int32_t ToDevice(int32_t x) const;

    WindowClient* client_ = nullptr;
    gfx::Bitmap screen_;
    gfx::Rect bounds_;
    int32_t clientWidth_ = 0;
    int32_t clientHeight_ = 0;
    double ratio_ = 1.0;
    bool invalid_ = true;
    bool captured_ = false;
    TCursor cursor_ = TCursor::crDefault;
    uint64_t invalidations_ = 0;
    uint64_t paints_ = 0;
    std::optional<std::vector<gfx::Rect>> lastChanged_;
    uint64_t directShows_ = 0;
    uint32_t buttonsHeld_ = 0;
    int32_t wheelRest_ = 0;
};

} // namespace vemora::ui
