// Shows a bitmap's changed pixels in a window of an X server, through memory the server
// shares with us: the pixels are copied there and the server is asked to put them, with
// no wait for it to finish. Only before that memory is written again is it sure the last
// put is done, and by then, a frame later, it is.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/geometry.h"

#include <QPoint>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class QWidget;

namespace vemora::ui {

// Copies a rectangle of pixels, made opaque (the window may keep an alpha channel); the
// strides count pixels.
void CopyOpaqueRect(uint32_t* to, ptrdiff_t toStride, const uint32_t* from, ptrdiff_t fromStride,
                    int width, int height);

class X11Presenter {
public:
    // For the windows of Qt's X connection; none on another platform, or when the server
    // cannot share memory with this program (a server on another machine, say).
    static std::unique_ptr<X11Presenter> Open();
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    // Puts the `changed` pixels of the bitmap into the native window of `widget`'s
    // top-level, the bitmap's origin at `origin` there: each rectangle of `put` as one
    // piece (the server copies a few large pieces more cheaply than many small ones), all
    // of whose pixels outside `changed` it must already hold. False, with nothing put, when
    // the window cannot take them so.
    bool Present(const QWidget& widget, const gfx::Bitmap& bitmap,
                 std::span<const gfx::Rect> changed, std::span<const gfx::Rect> put, QPoint origin);
    // The bitmap changed other than through Present: the next one copies all of it.
    void Forget();

private:
    struct Connection;
    explicit X11Presenter(std::unique_ptr<Connection> connection);
    // Waits until the server has taken the pixels of the last put.
    void Settle();
    // Memory the server shares, of the bitmap's size.
    bool FitMemory(int32_t width, int32_t height);
    void ReleaseMemory();

    std::unique_ptr<Connection> c_;
};

} // namespace vemora::ui
