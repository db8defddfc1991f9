// What a control asks of the window system: invalidation, a synchronous update, its client
// area, the cursor and the mouse capture. The chart talks to its window only through this.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

namespace vemora::ui {

enum class TCursor { crDefault, crArrow, crCross, crSizeAll, crHandPoint };

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The modifier keys and mouse buttons held during an input event; ssDouble marks the
// second press of a double click.
enum class TShiftKey : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
public:
    constexpr TShiftState() = default;
    constexpr TShiftState(std::initializer_list<TShiftKey> keys) {
        for (TShiftKey k : keys)
            bits_ |= Bit(k);
    }
    constexpr bool Has(TShiftKey key) const { return (bits_ & Bit(key)) != 0; }
    // Whether every key of `keys` is held.
    constexpr bool Contains(TShiftState keys) const { return (bits_ & keys.bits_) == keys.bits_; }
    constexpr TShiftState With(TShiftKey key) const {
        TShiftState s = *this;
        s.bits_ |= Bit(key);
        return s;
    }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const TShiftState&) const = default;

private:
    static constexpr uint8_t Bit(TShiftKey k) { return uint8_t(1u << static_cast<unsigned>(k)); }
    uint8_t bits_ = 0;
};

// What a control may ask for in a dialog's keyboard navigation, as bits.
constexpr uint32_t DLGC_WANTARROWS = 0x0001;

// One bit per mouse button, for the set of buttons a window sees held.
constexpr uint32_t ButtonBit(TMouseButton button) {
    return 1u << static_cast<unsigned>(button);
}

// Wheel movement of one notch; finer wheels and touchpads send parts of it.
constexpr int32_t kWheelDelta = 120;

// Adds `delta` (positive away from the user) to the part of a notch left over in `rest`
// and calls `notch(down)` once for every whole notch. The rest stays within a hundred
// notches whatever the deltas.
template <class F> void SplitWheelNotches(int32_t& rest, int32_t delta, F&& notch) {
    constexpr int64_t kLimit = 100 * int64_t{kWheelDelta};
    rest = static_cast<int32_t>(std::clamp<int64_t>(int64_t{rest} + delta, -kLimit, kLimit));
    while (rest >= kWheelDelta || rest <= -kWheelDelta) {
        const bool down = rest < 0;
        rest += down ? kWheelDelta : -kWheelDelta;
        notch(down);
    }
}

// What a window hands on of a frame's changes: the rectangles themselves, cut to the
// bounds, when there are at most `most` of them; otherwise their bounds, as one.
std::vector<gfx::Rect> CoverWithFew(std::span<const gfx::Rect> rects, const gfx::Rect& bounds,
                                    size_t most);

// The control inside the window: the host calls it to paint.
class WindowClient {
public:
    virtual ~WindowClient() = default;
    // The window must be painted: draw every pixel of the client area into `surface`,
    // which has the client area's size.
    virtual void PaintWindow(gfx::Bitmap& surface) = 0;
    // The parts of the surface the last PaintWindow changed, when it left the rest as it
    // was (none at all when empty); nullopt when it may have changed any pixel.
    virtual std::optional<std::span<const gfx::Rect>> ChangedArea() const { return std::nullopt; }
    // True when the client paints every pixel itself, so that the window system must not
    // erase the background before a paint (that would flicker).
    virtual bool EraseBackgroundHandled() const { return false; }
    // The keys the client wants from dialog navigation, given the default answer.
    virtual uint32_t DialogCode(uint32_t defaultCode) const { return defaultCode; }

    // Mouse input in client coordinates. While a button is held the window keeps the
    // mouse (moves and the release arrive even outside the client area).
    virtual void MouseDown(TMouseButton /*button*/, TShiftState /*shift*/, int32_t /*x*/,
                           int32_t /*y*/) {}
    virtual void MouseMove(TShiftState /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
    virtual void MouseUp(TMouseButton /*button*/, TShiftState /*shift*/, int32_t /*x*/,
                         int32_t /*y*/) {}
    // One notch of the wheel (the window adds up finer steps to whole notches); down is
    // toward the user.
    virtual void MouseWheel(bool /*down*/, TShiftState /*shift*/, int32_t /*x*/, int32_t /*y*/) {}
    // The pointer left the client area (not sent while a button holds the mouse).
    virtual void MouseLeave() {}
    // Whatever the mouse was doing is cancelled: the window loses the mouse.
    virtual void CancelMode() {}
};

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Not owned; nullptr detaches.
    virtual void SetClient(WindowClient* client) = 0;
    // Outer position and size in the parent; with a sunken edge the window system takes
    // its border off the client area.
    virtual void SetBounds(const gfx::Rect& bounds, bool sunkenEdge) = 0;
    // (0, 0, width, height) of the client area, in device pixels.
    virtual gfx::Rect ClientRect() const = 0;
    // Device pixels per pixel of the window's size (the screen's density against a normal
    // one): the client area, the surface the client paints and the mouse positions are
    // in device pixels.
    virtual double PixelRatio() const { return 1.0; }
    // Marks the client area for painting; never paints by itself.
    virtual void Invalidate() = 0;
    // Paints now, and only when something is invalid; returns once the frame is shown.
    virtual void Update() = 0;
    virtual void SetCursor(TCursor cursor) = 0;
    virtual TCursor Cursor() const = 0;
    virtual void SetMouseCapture(bool captured) = 0;
    // True while a button is held over the window, or after SetMouseCapture(true).
    virtual bool HasMouseCapture() const = 0;
    // The client drew on its surface outside a paint (the bitmap it was last given, say
    // an inverting drag frame): show those pixels now, without asking it to paint.
    virtual void ShowDirectDrawing() = 0;
};

} // namespace vemora::ui
