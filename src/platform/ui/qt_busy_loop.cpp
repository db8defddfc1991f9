#include "platform/ui/qt_busy_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <thread>

namespace vemora::ui {

namespace {

enum class TInputKind { kNone, kHold, kDrop };

TInputKind KindOf(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::ContextMenu:
        return TInputKind::kHold;
    // What the pointer merely resting somewhere would show is out of date by the end.
    case QEvent::ToolTip:
    case QEvent::WhatsThis:
    case QEvent::StatusTip:
        return TInputKind::kDrop;
    default:
        return TInputKind::kNone;
    }
}

bool IsEscape(const QEvent* event) {
    return (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
           static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

} // namespace

TBusyLoop::TBusyLoop() = default;

TBusyLoop::~TBusyLoop() {
    if (active_)
        QCoreApplication::instance()->removeEventFilter(this);
}

void TBusyLoop::Begin() {
    if (active_)
        return;
    active_ = true;
    stopRequested_ = false;
    lastAlive_ = std::chrono::steady_clock::now();
    QCoreApplication::instance()->installEventFilter(this);
}

void TBusyLoop::End(bool deliverHeld) {
    if (!active_)
        return;
    active_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
    // Posted in their order, the held events come before anything the window system
    // delivers later; a handler one of them starts holds back the rest in turn.
    std::vector<HeldEvent> held = std::move(held_);
    held_.clear();
    if (!deliverHeld)
        return;
    for (HeldEvent& h : held) {
        if (h.receiver)
            QCoreApplication::postEvent(h.receiver, h.event.release());
    }
}

void TBusyLoop::RequestStop() {
    stopRequested_ = true;
    if (pauseLoop_)
        pauseLoop_->quit();
}

void TBusyLoop::KeepAlive() {
    lastAlive_ = std::chrono::steady_clock::now();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TBusyLoop::Pause(int32_t milliseconds) {
    if (milliseconds <= 0 || !active_ || stopRequested_) {
        std::this_thread::yield();
        if (active_ && std::chrono::steady_clock::now() - lastAlive_ >= kAliveInterval)
            KeepAlive();
        return;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    // A nested loop sleeps until the pause is over or something arrives; the timer is
    // precise, so that the pauses of a run add up as they should.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    pauseLoop_ = &loop;
    while (!stopRequested_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        timer.start(left);
        loop.exec();
    }
    pauseLoop_ = nullptr;
    lastAlive_ = std::chrono::steady_clock::now();
}

bool TBusyLoop::eventFilter(QObject* watched, QEvent* event) {
    if (!active_)
        return false;
    const TInputKind kind = KindOf(event);
    if (kind == TInputKind::kNone)
        return false;
    if (IsEscape(event)) {
        if (event->type() == QEvent::KeyPress)
            RequestStop();
        return true;
    }
    if (kind == TInputKind::kHold)
        held_.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

} // namespace vemora::ui
