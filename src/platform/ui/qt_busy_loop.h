// A handler that runs long on the user-interface thread (the plot run) holds the message
// loop. TBusyLoop keeps the program's windows alive meanwhile without letting the user
// act on them: in the handler's pauses Qt delivers everything that needs no user (paints,
// the window system's pings and close requests, timers), while the user's input (mouse,
// keys, wheel, touch, text input) is held back and delivered, in its order, once the
// handler has ended. Esc alone is taken at once: it asks the handler to stop.
#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QEventLoop;

namespace vemora::ui {

class TBusyLoop final : public QObject {
public:
    // At least this often the window is kept alive during a run that never pauses.
    static constexpr std::chrono::milliseconds kAliveInterval{10};

    TBusyLoop();
    ~TBusyLoop() override;
    TBusyLoop(const TBusyLoop&) = delete;
    TBusyLoop& operator=(const TBusyLoop&) = delete;

    // From Begin to End the user's input is held back; End hands it on from the message
    // loop, or drops it (with anything of an earlier run still waiting).
    void Begin();
    void End(bool deliverHeld = true);
    bool Active() const { return active_; }

    // Waits `milliseconds` while the windows stay alive; returns early when a stop is
    // asked for. 0 or less only yields the processor, and keeps the windows alive when
    // kAliveInterval has passed since they last were.
    void Pause(int32_t milliseconds);

    // Runs `work` on a thread of its own while the windows stay alive as in a pause, and
    // returns true once it has ended, throwing what it threw. When a stop is asked for
    // first, it calls `cancel` and returns false at once: the thread ends by itself later
    // (a read blocked in the system may hold it), keeping only what `work` owns. Lasting
    // longer than kBusyCursorDelay, the cursor shows that the program is busy. Outside
    // Begin and End, or without a thread to be had, `work` runs here.
    static constexpr std::chrono::milliseconds kBusyCursorDelay{500};
    bool RunAside(const std::function<void()>& work, const std::function<void()>& cancel);

    // The handler should stop after what it is doing: Esc, or a close request.
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct HeldEvent {
        QPointer<QObject> receiver;
        // Makes the event for the receiver.
        std::function<std::unique_ptr<QEvent>(QObject*)> make;
    };
    void KeepAlive();
    void DeliverHeld();

    bool active_ = false;
    bool stopRequested_ = false;
    QEventLoop* pauseLoop_ = nullptr;
    std::chrono::steady_clock::time_point lastAlive_{};
    std::vector<HeldEvent> held_;
    std::deque<HeldEvent> toDeliver_;
    bool deliveryPosted_ = false;
};

} // namespace vemora::ui
