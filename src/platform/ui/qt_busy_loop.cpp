#include "platform/ui/qt_busy_loop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
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

// What it takes to make an input event again later. Pointer events cannot simply be
// kept: Qt gives every event of a device the same shared touch point, so a kept event
// would report the position of whichever event was made last. They are kept as values and
// made anew just before they are delivered, one at a time. Their screen position comes
// from where their window is then, should it have moved meanwhile.
std::function<std::unique_ptr<QEvent>(QObject*)> Recipe(const QEvent* event) {
    const auto global = [](QObject* receiver, QPointF scene, QPointF screen) {
        return receiver->isWindowType()
                   ? QPointF(static_cast<QWindow*>(receiver)->mapToGlobal(scene))
                   : screen;
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto* e = static_cast<const QMouseEvent*>(event);
        return [=, type = e->type(), pos = e->position(), scene = e->scenePosition(),
                screen = e->globalPosition(), button = e->button(), buttons = e->buttons(),
                modifiers = e->modifiers(), device = e->pointingDevice(),
                time = e->timestamp()](QObject* receiver) -> std::unique_ptr<QEvent> {
            auto mouse =
                std::make_unique<QMouseEvent>(type, pos, scene, global(receiver, scene, screen),
                                              button, buttons, modifiers, device);
            mouse->setTimestamp(time);
            return mouse;
        };
    }
    case QEvent::Wheel: {
        const auto* e = static_cast<const QWheelEvent*>(event);
        return [=, pos = e->position(), screen = e->globalPosition(), pixels = e->pixelDelta(),
                angle = e->angleDelta(), buttons = e->buttons(), modifiers = e->modifiers(),
                phase = e->phase(), inverted = e->inverted(), source = e->source(),
                device = e->pointingDevice(),
                time = e->timestamp()](QObject* receiver) -> std::unique_ptr<QEvent> {
            auto wheel =
                std::make_unique<QWheelEvent>(pos, global(receiver, pos, screen), pixels, angle,
                                              buttons, modifiers, phase, inverted, source, device);
            wheel->setTimestamp(time);
            return wheel;
        };
    }
    default: {
        std::shared_ptr<QEvent> kept(event->clone());
        return [kept](QObject*) { return std::unique_ptr<QEvent>(kept->clone()); };
    }
    }
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
    if (!deliverHeld) {
        held_.clear();
        toDeliver_.clear();
        return;
    }
    // After whatever an earlier run held and has not been delivered yet.
    for (HeldEvent& h : held_)
        toDeliver_.push_back(std::move(h));
    held_.clear();
    if (!toDeliver_.empty() && !deliveryPosted_) {
        deliveryPosted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { DeliverHeld(); }, Qt::QueuedConnection);
    }
}

void TBusyLoop::DeliverHeld() {
    deliveryPosted_ = false;
    // In their order, from the message loop, as if they had only just arrived. One of them
    // may start another run: the rest wait until it has ended, and End posts this again.
    while (!toDeliver_.empty() && !active_) {
        HeldEvent next = std::move(toDeliver_.front());
        toDeliver_.pop_front();
        if (!next.receiver)
            continue;
        const std::unique_ptr<QEvent> event = next.make(next.receiver);
        QCoreApplication::sendEvent(next.receiver, event.get());
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

namespace {

// What the thread of RunAside hands back; shared, since the thread may outlive the wait.
struct AsideWork {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::exception_ptr error;
};

// A short piece of work is waited for without a turn of the loop.
constexpr std::chrono::milliseconds kQuietWait{30};
constexpr std::chrono::milliseconds kPollInterval{5};

} // namespace

bool TBusyLoop::RunAside(const std::function<void()>& work, const std::function<void()>& cancel) {
    if (!active_) {
        work();
        return true;
    }
    auto shared = std::make_shared<AsideWork>();
    std::thread thread;
    try {
        thread = std::thread([shared, work] {
            std::exception_ptr error;
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            {
                const std::lock_guard<std::mutex> lock(shared->mutex);
                shared->error = error;
                shared->done = true;
            }
            shared->ended.notify_all();
        });
    } catch (const std::system_error&) {
        work();
        return true;
    }
    const auto finished = [&] {
        thread.join();
        if (shared->error)
            std::rethrow_exception(shared->error);
        return true;
    };
    const auto isDone = [&] {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        return shared->done;
    };
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        if (shared->ended.wait_for(lock, kQuietWait, [&] { return shared->done; })) {
            lock.unlock();
            return finished();
        }
    }
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kPollInterval);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (isDone())
            loop.quit();
    });
    bool busyCursor = false;
    QTimer cursorDelay;
    cursorDelay.setSingleShot(true);
    QObject::connect(&cursorDelay, &QTimer::timeout, &loop, [&] {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        busyCursor = true;
    });
    cursorDelay.start(kBusyCursorDelay - kQuietWait);
    poll.start();
    pauseLoop_ = &loop;
    while (!stopRequested_ && !isDone())
        loop.exec();
    pauseLoop_ = nullptr;
    poll.stop();
    cursorDelay.stop();
    if (busyCursor)
        QGuiApplication::restoreOverrideCursor();
    lastAlive_ = std::chrono::steady_clock::now();
    if (isDone())
        return finished();
    cancel();
    thread.detach();
    return false;
}

bool TBusyLoop::eventFilter(QObject* watched, QEvent* event) {
    if (!active_)
        return false;
    const TInputKind kind = KindOf(event);
    if (kind == TInputKind::kNone)
        return false;
    // A message box that came up meanwhile must be answerable; it keeps the other windows
    // from the user by itself.
    if (QApplication::activeModalWidget())
        return false;
    if (IsEscape(event)) {
        if (event->type() == QEvent::KeyPress)
            RequestStop();
        return true;
    }
    if (kind == TInputKind::kHold)
        held_.push_back({watched, Recipe(event)});
    return true;
}

} // namespace vemora::ui
