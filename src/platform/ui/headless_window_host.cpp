#include "platform/ui/headless_window_host.h"

#include <algorithm>
#include <cmath>

namespace vemora::ui {

HeadlessWindowHost::HeadlessWindowHost(int32_t clientWidth, int32_t clientHeight)
    : screen_(std::max(clientWidth, 0), std::max(clientHeight, 0)),
      bounds_{0, 0, std::max(clientWidth, 0), std::max(clientHeight, 0)},
      clientWidth_(std::max(clientWidth, 0)), clientHeight_(std::max(clientHeight, 0)) {}

void HeadlessWindowHost::SetBounds(const gfx::Rect& bounds, bool sunkenEdge) {
    bounds_ = bounds;
    const int64_t edge = sunkenEdge ? 2 * kEdgeWidth : 0;
    const auto w = static_cast<int32_t>(std::max<int64_t>(bounds.Width() - edge, 0));
    const auto h = static_cast<int32_t>(std::max<int64_t>(bounds.Height() - edge, 0));
    ResizeClient(w, h);
}

gfx::Rect HeadlessWindowHost::ClientRect() const {
    return {0, 0, screen_.Width(), screen_.Height()};
}

void HeadlessWindowHost::ResizeClient(int32_t width, int32_t height) {
    clientWidth_ = std::max(width, 0);
    clientHeight_ = std::max(height, 0);
    FitScreen();
}

void HeadlessWindowHost::SetPixelRatio(double ratio) {
    if (ratio == ratio_ || !(ratio > 0))
        return;
    ratio_ = ratio;
    FitScreen();
}

void HeadlessWindowHost::FitScreen() {
    const int32_t width = std::max(gfx::ScalePixels(clientWidth_, ratio_), 0);
    const int32_t height = std::max(gfx::ScalePixels(clientHeight_, ratio_), 0);
    if (width == screen_.Width() && height == screen_.Height())
        return;
    screen_.Resize(width, height);
    // A window that grows or shrinks is repainted, as a real one is.
    Invalidate();
}

int32_t HeadlessWindowHost::ToDevice(int32_t x) const {
    if (ratio_ == 1.0)
        return x;
    // The device pixel under the pointer's hot spot.
    const long double d = std::floor(static_cast<long double>(x) * ratio_);
    return static_cast<int32_t>(std::clamp<long double>(d, INT32_MIN, INT32_MAX));
}

void HeadlessWindowHost::Invalidate() {
    invalid_ = true;
    ++invalidations_;
}

void HeadlessWindowHost::Update() {
    if (invalid_)
        Paint();
}

void HeadlessWindowHost::Expose() {
    Paint();
}

void HeadlessWindowHost::SendMouseDown(TMouseButton button, TShiftState shift, int32_t x,
                                       int32_t y) {
    buttonsHeld_ |= ButtonBit(button);
    if (client_)
        client_->MouseDown(button, shift, ToDevice(x), ToDevice(y));
}

void HeadlessWindowHost::SendMouseMove(TShiftState shift, int32_t x, int32_t y) {
    if (client_)
        client_->MouseMove(shift, ToDevice(x), ToDevice(y));
}

void HeadlessWindowHost::SendMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    buttonsHeld_ &= ~ButtonBit(button);
    if (client_)
        client_->MouseUp(button, shift, ToDevice(x), ToDevice(y));
}

void HeadlessWindowHost::SendWheel(int32_t delta, TShiftState shift, int32_t x, int32_t y) {
    SplitWheelNotches(wheelRest_, delta, [&](bool down) {
        if (client_)
            client_->MouseWheel(down, shift, ToDevice(x), ToDevice(y));
    });
}

void HeadlessWindowHost::SendMouseLeave() {
    if (HasMouseCapture())
        return;
    if (client_)
        client_->MouseLeave();
}

void HeadlessWindowHost::SendCancelMode() {
    captured_ = false;
    buttonsHeld_ = 0;
    if (client_)
        client_->CancelMode();
}

void HeadlessWindowHost::Paint() {
    // Validated before painting: an invalidation raised while painting stays pending.
    invalid_ = false;
    ++paints_;
    lastChanged_.reset();
    if (client_) {
        client_->PaintWindow(screen_);
        if (const auto changed = client_->ChangedArea())
            lastChanged_.emplace(changed->begin(), changed->end());
    }
}

std::optional<gfx::Rect> HeadlessWindowHost::LastChangedArea() const {
    if (!lastChanged_)
        return std::nullopt;
    gfx::Rect around;
    for (const gfx::Rect& r : *lastChanged_)
        around = around.Union(r.Normalized());
    return around;
}

} // namespace vemora::ui
