// The program's application object on Qt: it owns the Qt application and is the
// top-level handler every exception that leaves one
// of our handlers ends in. No exception ever travels through Qt: each event override and
// slot calls our code through Guarded().
#pragma once

#include <QIcon>
#include <QString>
#include <exception>
#include <memory>
#include <string>

class QApplication;
class QWidget;

namespace vemora::ui {

// The title of the application's message boxes from the program file: its name without
// the folder and without everything from the first "." on, every character after the
// first in lower case ("/opt/x/VEMORA_1.bin" gives "Vemora_1").
QString ApplicationTitle(const QString& programFile);

class TApplication {
public:
    // Exactly one exists while the program runs; it must be created before any widget.
    TApplication(int& argc, char** argv);
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // The live application object, or nullptr.
    static TApplication* Instance();

    QApplication& Qt() { return *app_; }
    const QString& Title() const { return title_; }
    // The window the message boxes belong to: the first one the program made.
    QWidget* MainWindow() const { return mainWindow_; }
    void SetMainWindow(QWidget* window);

    // The message loop, until the main window is closed.
    int Run();

    // The top-level handler: cancels a mouse capture, ignores EAbort, and shows the
    // message with a full stop as needed in a modal error box with an OK button.
    void HandleException(std::exception_ptr error);

private:
    std::unique_ptr<QApplication> app_;
    QString title_;
    QWidget* mainWindow_ = nullptr;
    // The icon of the message boxes' OK button, once a box has shown it.
    QIcon okIcon_;
};

// The top-level handler of the live application; without one the message goes to the
// standard error stream.
void HandleException(std::exception_ptr error) noexcept;

// Runs `action`; whatever it throws goes to the top-level handler.
template <class F> void Guarded(F&& action) noexcept {
    try {
        action();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// The thread sleeps; 0 only gives up the rest of its time slice.
void SleepMilliseconds(int32_t milliseconds);

} // namespace vemora::ui
