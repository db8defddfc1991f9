// What a control asks of the window system: invalidation, a synchronous update, its client
// area, the cursor and the mouse capture. The chart talks to its window only through this.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"

#include <cstdint>

namespace vemora::ui {

enum class TCursor { crDefault, crArrow, crCross, crSizeAll, crHandPoint };

// What a control may ask for in a dialog's keyboard navigation, as bits.
constexpr uint32_t DLGC_WANTARROWS = 0x0001;
constexpr uint32_t DLGC_WANTTAB = 0x0002;
constexpr uint32_t DLGC_WANTALLKEYS = 0x0004;
constexpr uint32_t DLGC_WANTCHARS = 0x0080;

// The control inside the window: the host calls it to paint.
class WindowClient {
public:
    virtual ~WindowClient() = default;
    // The window must be painted: draw every pixel of the client area into `surface`,
    // which has the client area's size.
    virtual void PaintWindow(gfx::Bitmap& surface) = 0;
    // True when the client paints every pixel itself, so that the window system must not
    // erase the background before a paint (that would flicker).
    virtual bool EraseBackgroundHandled() const { return false; }
    // The keys the client wants from dialog navigation, given the default answer.
    virtual uint32_t DialogCode(uint32_t defaultCode) const { return defaultCode; }
};

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Not owned; nullptr detaches.
    virtual void SetClient(WindowClient* client) = 0;
    // Outer position and size in the parent; with a sunken edge the window system takes
    // its border off the client area.
    virtual void SetBounds(const gfx::Rect& bounds, bool sunkenEdge) = 0;
    // (0, 0, width, height) of the client area.
    virtual gfx::Rect ClientRect() const = 0;
    // Marks the client area for painting; never paints by itself.
    virtual void Invalidate() = 0;
    // Paints now, and only when something is invalid; returns once the frame is shown.
    virtual void Update() = 0;
    virtual void SetCursor(TCursor cursor) = 0;
    virtual TCursor Cursor() const = 0;
    virtual void SetMouseCapture(bool captured) = 0;
    virtual bool HasMouseCapture() const = 0;
};

} // namespace vemora::ui
