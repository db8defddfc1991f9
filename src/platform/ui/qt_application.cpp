#include "platform/ui/qt_application.h"

#include "platform/numeric/exceptions.h"
#include "platform/ui/message_text.h"
#include "platform/ui/qt_window_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <thread>

namespace vemora::ui {

namespace {

TApplication* instance = nullptr;

// The message of an exception as the box shows it, and where the failure lies; false for
// one that must stay silent.
bool MessageOf(std::exception_ptr error, std::string& message, std::string* detail = nullptr) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        message = e.Message();
        if (detail)
            *detail = e.Detail();
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    return true;
}

} // namespace

QString ApplicationTitle(const QString& programFile) {
    QString name = QFileInfo(programFile).fileName();
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    // The first character may be a surrogate pair; it stays as it is.
    const qsizetype first = name.at(0).isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first) + name.mid(first).toLower();
}

TApplication::TApplication(int& argc, char** argv) {
    app_ = std::make_unique<QApplication>(argc, argv);
    title_ = ApplicationTitle(QCoreApplication::applicationFilePath());
    instance = this;
}

TApplication::~TApplication() {
    if (instance == this)
        instance = nullptr;
}

TApplication* TApplication::Instance() {
    return instance;
}

void TApplication::SetMainWindow(QWidget* window) {
    if (!mainWindow_ || !window)
        mainWindow_ = window;
}

int TApplication::Run() {
    return QApplication::exec();
}

void TApplication::HandleException(std::exception_ptr error) {
    QtWindowHost::CancelMouseCapture();
    std::string message;
    std::string detail;
    if (!MessageOf(error, message, &detail))
        return;
    const QString text = QString::fromStdString(MessageBoxText(message));
    QMessageBox box(QMessageBox::Critical, title_, text, QMessageBox::Ok, mainWindow_);
    box.setWindowModality(Qt::ApplicationModal);
    // Every box would get its OK button's icon loaded anew from the style, and the pixmaps
    // of each loaded icon stay in Qt's pixmap cache until that is full, some 10 MB: about
    // a kilobyte for every message shown. The first box's icon serves every later one.
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) {
        if (okIcon_.isNull())
            okIcon_ = ok->icon();
        else
            ok->setIcon(okIcon_);
    }
    // The message's text stays as it is; where the fault lies goes under it.
    if (!detail.empty()) {
        box.setInformativeText(QString::fromUtf8(detail));
        // A token such as "<b>" is shown as it is in the file, never as markup.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
    box.exec();
}

void HandleException(std::exception_ptr error) noexcept {
    try {
        if (instance) {
            instance->HandleException(error);
            return;
        }
        std::string message;
        std::string detail;
        if (MessageOf(error, message, &detail)) {
            std::fprintf(stderr, "%s\n", MessageBoxText(message).c_str());
            if (!detail.empty())
                std::fprintf(stderr, "%s\n", detail.c_str());
        }
    } catch (...) {
        // Showing the message failed (out of memory, say); the loop must go on regardless.
        std::fputs("error while reporting an error\n", stderr);
    }
}

void SleepMilliseconds(int32_t milliseconds) {
    if (milliseconds <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace vemora::ui
