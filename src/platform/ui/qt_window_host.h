// The window of a control on Qt: a child widget whose client area is a bitmap the control
// paints, with the classic sunken 2-pixel edge drawn around it.
#pragma once

#include "platform/ui/window_host.h"

#include <QFrame>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class QSinglePointEvent;
#include <cstdint>
#include <exception>

namespace vemora::ui {

// A tooltip for where the pointer rests: its text, and the part of the client area it
// stays up for.
struct TToolTip {
    QString text;
    QRect area;
};

class QtWindowHost final : public QFrame, public WindowHost {
public:
    // Width of the sunken edge on every side.
    static constexpr int kEdgeWidth = 2;

    explicit QtWindowHost(QWidget* parent);
    ~QtWindowHost() override;

    void SetClient(WindowClient* client) override;
    void SetBounds(const gfx::Rect& bounds, bool sunkenEdge) override;
    gfx::Rect ClientRect() const override;
    // The screen's device pixel ratio: the surface has that many pixels per pixel of the
    // widget, and is shown one to one.
    double PixelRatio() const override { return devicePixelRatioF(); }
    void Invalidate() override;
    // Repaints at once when invalid; the frame is on the screen when this returns. An
    // exception of the client's paint comes out of here, after the repaint.
    void Update() override;
    void SetCursor(TCursor cursor) override;
    TCursor Cursor() const override { return cursor_; }
    void SetMouseCapture(bool captured) override;
    bool HasMouseCapture() const override { return explicitCapture_ || buttonsHeld_ != 0; }
    void ShowDirectDrawing() override;

    bool IsInvalid() const { return invalid_; }
    // How often the client was asked to paint.
    uint64_t Paints() const { return paints_; }
    // The part of the client area the last Update handed to the window system.
    const gfx::Rect& LastShownArea() const { return lastShown_; }
    // How many frames were shown through the window system's own puts, not Qt's repaint.
    uint64_t Puts() const { return puts_; }
    // The window's pixels as last painted or drawn on.
    const gfx::Bitmap& Surface() const { return surface_; }

    // Asked for a tooltip at a client position (in device pixels) when the pointer rests
    // there; none when unset or when it answers nothing. Its area is in device pixels too.
    std::function<std::optional<TToolTip>(int32_t x, int32_t y)> OnToolTip;

    // The widget's rectangle that covers a rectangle of the client area's device pixels,
    // rounded outward to whole pixels of the widget.
    QRect ToWidget(const gfx::Rect& r) const;

    // The top-level handler's first step: whichever window holds the mouse loses it and
    // its client cancels what the mouse was doing.
    static void CancelMouseCapture();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int Edge() const { return sunken_ ? kEdgeWidth : 0; }
    void FitSurface();
    void PaintClient();
    void DrawEdge(class QPainter& painter) const;
    // Copies the rectangles of the widget from the surface into the window's picture, which
    // the painter paints; false, with nothing copied, when it paints elsewhere or that
    // picture is not one this can write.
    bool CopyToWindow(class QPainter& painter, std::span<const QRect> rects);
    // Shows a frame's changed pixels without Qt's repaint: where the window system lets us
    // put them ourselves and nothing covers the client area. False, with nothing shown,
    // otherwise.
    bool PutChanged(std::span<const gfx::Rect> changed, std::span<const gfx::Rect> shown);
    // Whether a widget may lie over this one, so that Qt paints some of its area.
    bool Overlapped() const;
    void Press(QMouseEvent* event, bool doubleClick);
    // Hands an input event on to the client, failures to the top-level handler.
    template <class F> void ToClient(F&& call);
    QPoint ClientPos(const QSinglePointEvent* event) const;
    // A position in the widget, in device pixels of the client area.
    QPoint DevicePos(QPointF widgetPos) const;
    void ReleaseCapture();

    WindowClient* client_ = nullptr;
    gfx::Bitmap surface_;
    bool sunken_ = false;
    bool invalid_ = true;
    bool inUpdate_ = false;
    bool updatePosted_ = false;
    std::exception_ptr paintError_;
    TCursor cursor_ = TCursor::crDefault;
    bool explicitCapture_ = false;
    uint32_t buttonsHeld_ = 0;
    int32_t wheelRest_ = 0;
    uint64_t paints_ = 0;
    gfx::Rect lastShown_;
    // While Update repaints: the region it asked for, and the client's changed rectangles
    // within it, which alone differ from what the window already holds there.
    QRegion asked_;
    std::vector<QRect> changedInside_;
    // The window system's own way to show pixels, once asked for: none where it has none.
    std::unique_ptr<class X11Presenter> presenter_;
    bool presenterAsked_ = false;
    // Since the last put, the window's picture behind the client area is Qt's last repaint,
    // not what the window shows: Qt must not show it again, so what it shows from there it
    // repaints first.
    bool pictureStale_ = false;
    QPointer<class QWindow> exposeWatched_;
    // The frames PutChanged showed.
    uint64_t puts_ = 0;
};

} // namespace vemora::ui
