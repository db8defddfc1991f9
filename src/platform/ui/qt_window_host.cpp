#include "platform/ui/qt_window_host.h"

#include "platform/gfx/stamps.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/x11_presenter.h"

#include <QBackingStore>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace vemora::ui {

namespace {

// The window that holds the mouse, for the top-level handler.
QtWindowHost* capturing = nullptr;

bool ToButton(Qt::MouseButton qtButton, TMouseButton& button) {
    switch (qtButton) {
    case Qt::LeftButton:
        button = TMouseButton::mbLeft;
        return true;
    case Qt::RightButton:
        button = TMouseButton::mbRight;
        return true;
    case Qt::MiddleButton:
        button = TMouseButton::mbMiddle;
        return true;
    default:
        return false;
    }
}

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier)
        s = s.With(TShiftKey::ssShift);
    if (modifiers & Qt::AltModifier)
        s = s.With(TShiftKey::ssAlt);
    if (modifiers & Qt::ControlModifier)
        s = s.With(TShiftKey::ssCtrl);
    if (buttons & Qt::LeftButton)
        s = s.With(TShiftKey::ssLeft);
    if (buttons & Qt::RightButton)
        s = s.With(TShiftKey::ssRight);
    if (buttons & Qt::MiddleButton)
        s = s.With(TShiftKey::ssMiddle);
    return s;
}

Qt::CursorShape ShapeOf(TCursor cursor) {
    switch (cursor) {
    case TCursor::crCross:
        return Qt::CrossCursor;
    case TCursor::crSizeAll:
        return Qt::SizeAllCursor;
    case TCursor::crHandPoint:
        return Qt::PointingHandCursor;
    case TCursor::crDefault:
    case TCursor::crArrow:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

QtWindowHost::QtWindowHost(QWidget* parent) : QFrame(parent) {
    // Every paint covers the whole client area: nothing to erase, nothing to blend.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFrameStyle(QFrame::NoFrame);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

QtWindowHost::~QtWindowHost() {
    if (exposeWatched_)
        exposeWatched_->removeEventFilter(this);
    if (capturing == this)
        capturing = nullptr;
}

void QtWindowHost::SetClient(WindowClient* client) {
    client_ = client;
    Invalidate();
}

void QtWindowHost::SetBounds(const gfx::Rect& bounds, bool sunkenEdge) {
    sunken_ = sunkenEdge;
    const auto clamp = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, 0, QWIDGETSIZE_MAX));
    };
    setGeometry(static_cast<int>(bounds.Left), static_cast<int>(bounds.Top), clamp(bounds.Width()),
                clamp(bounds.Height()));
    FitSurface();
    Invalidate();
}

gfx::Rect QtWindowHost::ClientRect() const {
    const int e = 2 * Edge();
    const double ratio = PixelRatio();
    return {0, 0, std::max(gfx::ScalePixels(width() - e, ratio), 0),
            std::max(gfx::ScalePixels(height() - e, ratio), 0)};
}

QPoint QtWindowHost::DevicePos(QPointF widgetPos) const {
    if (PixelRatio() == 1.0)
        return widgetPos.toPoint() - QPoint(Edge(), Edge());
    const QPointF p = (widgetPos - QPointF(Edge(), Edge())) * PixelRatio();
    // The device pixel under the pointer's hot spot.
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

QRect QtWindowHost::ToWidget(const gfx::Rect& r) const {
    const double ratio = PixelRatio();
    const int e = Edge();
    const int left = static_cast<int>(std::floor(r.Left / ratio));
    const int top = static_cast<int>(std::floor(r.Top / ratio));
    const int right = static_cast<int>(std::ceil(r.Right / ratio));
    const int bottom = static_cast<int>(std::ceil(r.Bottom / ratio));
    return QRect(QPoint(left + e, top + e), QPoint(right + e - 1, bottom + e - 1));
}

void QtWindowHost::FitSurface() {
    const gfx::Rect client = ClientRect();
    if (surface_.Width() == client.Right && surface_.Height() == client.Bottom)
        return;
    surface_.Resize(static_cast<int>(client.Right), static_cast<int>(client.Bottom));
    invalid_ = true;
}

void QtWindowHost::Invalidate() {
    invalid_ = true;
    if (updatePosted_)
        return;
    // Qt paints every dirty widget of the window whenever any one of them is repainted at
    // once (the progress bar during a plot run, say), which would paint the chart at a
    // moment nobody asked for. So the window system only learns of the invalid area once
    // the message loop runs again, as a paint message that waits for an empty queue.
    updatePosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            updatePosted_ = false;
            if (invalid_)
                update();
        },
        Qt::QueuedConnection);
}

void QtWindowHost::Update() {
    if (!invalid_)
        return;
    inUpdate_ = true;
    // The client paints first, so that the window system is handed only the pixels that
    // changed: after a point added to a plot, a few small rectangles instead of the whole
    // chart, and the sunken edge only when it is among them.
    FitSurface();
    PaintClient();
    const std::optional<std::span<const gfx::Rect>> changed =
        client_ && !paintError_ ? client_->ChangedArea() : std::nullopt;
    const gfx::Rect client = ClientRect();
    if (!changed) {
        lastShown_ = client;
        repaint();
    } else {
        // The window system handles a few rectangles at about the cost of one; more cost
        // it more than the pixels between them.
        constexpr size_t kMostRects = 16;
        const std::vector<gfx::Rect> shown = CoverWithFew(*changed, client, kMostRects);
        lastShown_ = {};
        QRegion region;
        for (const gfx::Rect& r : shown) {
            lastShown_ = lastShown_.Union(r);
            // On a screen of fractional density a device pixel may straddle two of the
            // widget's: the region takes both.
            region += ToWidget(r);
        }
        if (!region.isEmpty() && PutChanged(*changed, shown)) {
            ++puts_;
        } else if (!region.isEmpty()) {
            // Their bounds go to the window system as one; within them only the changed
            // pixels need copying into the window's picture.
            if (shown.size() < changed->size() && PixelRatio() == 1.0) {
                asked_ = region;
                const int e = Edge();
                for (const gfx::Rect& r : *changed) {
                    const gfx::Rect cut = r.Normalized().Intersect(client);
                    if (!cut.IsEmpty())
                        changedInside_.emplace_back(static_cast<int>(cut.Left) + e,
                                                    static_cast<int>(cut.Top) + e,
                                                    static_cast<int>(cut.Right - cut.Left),
                                                    static_cast<int>(cut.Bottom - cut.Top));
                }
            }
            repaint(region);
            asked_ = QRegion();
            changedInside_.clear();
        }
    }
    inUpdate_ = false;
    if (paintError_)
        std::rethrow_exception(std::exchange(paintError_, nullptr));
}

bool QtWindowHost::PutChanged(std::span<const gfx::Rect> changed,
                              std::span<const gfx::Rect> shown) {
    if (PixelRatio() != 1.0 || !isVisible())
        return false;
    if (!presenterAsked_) {
        presenterAsked_ = true;
        presenter_ = X11Presenter::Open();
    }
    const int e = Edge();
    const QRect inside(e, e, surface_.Width(), surface_.Height());
    // Qt would paint a widget or window above the client area over what is put there.
    QWindow* handle = window()->windowHandle();
    if (!presenter_ || !handle || visibleRegion().intersected(inside) != QRegion(inside) ||
        Overlapped())
        return false;
    if (!presenter_->Present(*this, surface_, changed, shown, mapTo(window(), QPoint(e, e))))
        return false;
    // When the window is uncovered, Qt shows its picture again unless something in it is to
    // be repainted: then this is.
    if (exposeWatched_ != handle) {
        if (exposeWatched_)
            exposeWatched_->removeEventFilter(this);
        handle->installEventFilter(this);
        exposeWatched_ = handle;
    }
    pictureStale_ = true;
    return true;
}

bool QtWindowHost::Overlapped() const {
    // Children, and the widgets stacked after this or an ancestor that share its place
    // (see-through ones too, which the visible region keeps).
    for (const QObject* child : children()) {
        if (child->isWidgetType() && static_cast<const QWidget*>(child)->isVisible())
            return true;
    }
    for (const QWidget* w = this; w && !w->isWindow(); w = w->parentWidget()) {
        const QObjectList& siblings = w->parentWidget()->children();
        bool above = false;
        for (const QObject* sibling : siblings) {
            if (sibling == w) {
                above = true;
                continue;
            }
            if (!above || !sibling->isWidgetType())
                continue;
            const auto* other = static_cast<const QWidget*>(sibling);
            if (other->isVisible() && !other->isWindow() &&
                other->geometry().intersects(w->geometry()))
                return true;
        }
    }
    return false;
}

bool QtWindowHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == exposeWatched_ && event->type() == QEvent::Expose && pictureStale_)
        update();
    return QFrame::eventFilter(watched, event);
}

void QtWindowHost::ShowDirectDrawing() {
    repaint();
}

void QtWindowHost::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (cursor == TCursor::crDefault)
        unsetCursor();
    else
        QWidget::setCursor(ShapeOf(cursor));
}

void QtWindowHost::SetMouseCapture(bool captured) {
    explicitCapture_ = captured;
    if (captured) {
        grabMouse();
        capturing = this;
    } else {
        releaseMouse();
        if (buttonsHeld_ == 0 && capturing == this)
            capturing = nullptr;
    }
}

void QtWindowHost::ReleaseCapture() {
    if (explicitCapture_)
        releaseMouse();
    explicitCapture_ = false;
    buttonsHeld_ = 0;
    if (capturing == this)
        capturing = nullptr;
}

void QtWindowHost::CancelMouseCapture() {
    QtWindowHost* host = capturing;
    if (!host)
        return;
    host->ReleaseCapture();
    if (host->client_)
        host->client_->CancelMode();
}

void QtWindowHost::PaintClient() {
    // Validated first: an invalidation raised while painting stays pending.
    invalid_ = false;
    if (!client_)
        return;
    ++paints_;
    try {
        client_->PaintWindow(surface_);
    } catch (...) {
        if (inUpdate_) {
            paintError_ = std::current_exception();
        } else {
            // Not inside a message box's loop in the middle of a paint: the handler runs
            // once the paint is over.
            QTimer::singleShot(0, [error = std::current_exception()] { HandleException(error); });
        }
    }
}

bool QtWindowHost::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal) {
        // On a screen of another density the client area has another number of pixels:
        // a new frame, drawn for that density.
        const bool handled = QFrame::event(event);
        FitSurface();
        Invalidate();
        return handled;
    }
    if (event->type() != QEvent::ToolTip)
        return QFrame::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QPoint pos = DevicePos(help->pos());
    std::optional<TToolTip> tip;
    Guarded([&] {
        if (OnToolTip)
            tip = OnToolTip(pos.x(), pos.y());
    });
    if (!tip || tip->text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const QRect& a = tip->area;
    QToolTip::showText(help->globalPos(), tip->text, this,
                       ToWidget({a.left(), a.top(), a.left() + a.width(), a.top() + a.height()}));
    return true;
}

void QtWindowHost::paintEvent(QPaintEvent* event) {
    FitSurface();
    // Update has had the client paint already; what it invalidated meanwhile waits.
    if (invalid_ && !inUpdate_)
        PaintClient();
    // Every change of the surface that is not put goes to the window through here: the
    // memory the puts come from no longer holds it.
    if (presenter_)
        presenter_->Forget();
    QPainter painter(this);
    const int e = Edge();
    const QRect inside(e, e, std::max(width() - 2 * e, 0), std::max(height() - 2 * e, 0));
    if (sunken_ && !inside.contains(event->rect()))
        DrawEdge(painter);
    if (surface_.Empty())
        return;
    // The image only wraps the surface's pixels; the painter copies just the exposed parts,
    // each as the whole device pixels under it, one to one.
    const QImage image(reinterpret_cast<const uchar*>(surface_.Data()), surface_.Width(),
                       surface_.Height(), surface_.Width() * 4, QImage::Format_RGB32);
    const double ratio = PixelRatio();
    const QRect all(0, 0, surface_.Width(), surface_.Height());
    // The repaint Update asked for, and nothing else: outside the client's changed
    // rectangles the window's picture holds the surface's pixels already.
    if (!changedInside_.empty() && !pictureStale_ && event->region() == asked_ &&
        CopyToWindow(painter, changedInside_))
        return;
    // Painted below wherever the event asks, so all of the client area when it asks for all.
    if (pictureStale_ && (QRegion(inside) - event->region()).isEmpty())
        pictureStale_ = false;
    for (const QRect& exposed : event->region()) {
        const QRect target = (exposed & inside).translated(-e, -e);
        if (target.isEmpty())
            continue;
        if (ratio == 1.0) {
            painter.drawImage(target.translated(e, e), image, target);
            continue;
        }
        const QPoint from(static_cast<int>(std::floor(target.left() * ratio)),
                          static_cast<int>(std::floor(target.top() * ratio)));
        const QPoint to(static_cast<int>(std::ceil((target.right() + 1) * ratio)),
                        static_cast<int>(std::ceil((target.bottom() + 1) * ratio)));
        const QRect source = QRect(from, to - QPoint(1, 1)) & all;
        if (!source.isEmpty())
            painter.drawImage(QRectF(source.left() / ratio + e, source.top() / ratio + e,
                                     source.width() / ratio, source.height() / ratio),
                              image, QRectF(source));
    }
}

bool QtWindowHost::CopyToWindow(QPainter& painter, std::span<const QRect> rects) {
    // Straight into the window's own picture when the painter paints there (not when the
    // widget is drawn into a pixmap of its own, say) and it is an image of whole pixels like
    // ours: hundreds of small copies through a painter would cost more than the pixels.
    QBackingStore* store = backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || !painter.paintEngine() ||
        painter.paintEngine()->paintDevice() != device)
        return false;
    auto* picture = static_cast<QImage*>(device);
    const QImage::Format format = picture->format();
    // Its pixels are its own, so that writing them does not copy them first.
    if (!picture->isDetached() || picture->devicePixelRatio() != 1.0 ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied))
        return false;
    const QPoint offset = mapTo(window(), QPoint(0, 0));
    const int e = Edge();
    const QRect inPicture = picture->rect();
    for (const QRect& r : rects) {
        if (!inPicture.contains(r.translated(offset)) ||
            !QRect(0, 0, surface_.Width(), surface_.Height()).contains(r.translated(-e, -e)))
            return false;
    }
    auto* bits = reinterpret_cast<uint32_t*>(picture->bits());
    const qsizetype stride = picture->bytesPerLine() / 4;
    for (const QRect& r : rects)
        CopyOpaqueRect(bits + (r.top() + offset.y()) * stride + r.left() + offset.x(), stride,
                       surface_.Row(r.top() - e) + (r.left() - e), surface_.Width(), r.width(),
                       r.height());
    return true;
}

void QtWindowHost::DrawEdge(QPainter& painter) const {
    const QPalette& p = palette();
    const int r = width() - 1;
    const int b = height() - 1;
    // Outer ring: shadow above and left, highlight below and right; inner ring: dark
    // shadow above and left, light below and right.
    auto ring = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(inset, inset, r - inset - 1, inset);
        painter.drawLine(inset, inset, inset, b - inset - 1);
        painter.setPen(bottomRight);
        painter.drawLine(inset, b - inset, r - inset, b - inset);
        painter.drawLine(r - inset, inset, r - inset, b - inset);
    };
    ring(0, p.color(QPalette::Dark), p.color(QPalette::Light));
    ring(1, p.color(QPalette::Shadow), p.color(QPalette::Midlight));
}

void QtWindowHost::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FitSurface();
}

template <class F> void QtWindowHost::ToClient(F&& call) {
    Guarded([&] {
        if (client_)
            call(*client_);
    });
}

QPoint QtWindowHost::ClientPos(const QSinglePointEvent* event) const {
    return DevicePos(event->position());
}

void QtWindowHost::Press(QMouseEvent* event, bool doubleClick) {
    TMouseButton button{};
    if (!ToButton(event->button(), button))
        return;
    buttonsHeld_ |= ButtonBit(button);
    capturing = this;
    TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
    if (doubleClick)
        shift = shift.With(TShiftKey::ssDouble);
    const QPoint pos = ClientPos(event);
    ToClient([&](WindowClient& c) { c.MouseDown(button, shift, pos.x(), pos.y()); });
}

void QtWindowHost::mousePressEvent(QMouseEvent* event) {
    Press(event, false);
}

void QtWindowHost::mouseDoubleClickEvent(QMouseEvent* event) {
    Press(event, true);
}

void QtWindowHost::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = ClientPos(event);
    const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
    ToClient([&](WindowClient& c) { c.MouseMove(shift, pos.x(), pos.y()); });
}

void QtWindowHost::mouseReleaseEvent(QMouseEvent* event) {
    TMouseButton button{};
    if (!ToButton(event->button(), button))
        return;
    buttonsHeld_ &= ~ButtonBit(button);
    if (buttonsHeld_ == 0 && !explicitCapture_ && capturing == this)
        capturing = nullptr;
    // Also after a cancelled press: the client's release handling copes with both.
    const QPoint pos = ClientPos(event);
    const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
    ToClient([&](WindowClient& c) { c.MouseUp(button, shift, pos.x(), pos.y()); });
}

void QtWindowHost::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint pos = ClientPos(event);
    const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
    SplitWheelNotches(wheelRest_, event->angleDelta().y(), [&](bool down) {
        ToClient([&](WindowClient& c) { c.MouseWheel(down, shift, pos.x(), pos.y()); });
    });
}

void QtWindowHost::leaveEvent(QEvent* event) {
    QFrame::leaveEvent(event);
    if (!HasMouseCapture())
        ToClient([](WindowClient& c) { c.MouseLeave(); });
}

} // namespace vemora::ui
