// The main window while it reads a data file: a bad number is shown with its place, the
// window stays alive during a long or blocked reading and gives it up on Esc or a close
// request, any file name the system takes opens its file, and the user's input held
// during a run that fails is not lost.
#include "app/Vemora1.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_file_names.h"
#include "platform/ui/qt_window_host.h"
#include "support/main_window.h"
#include "support/message_boxes.h"
#include "support/piped_stdin.h"
#include "support/temp_files.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace vemora {
namespace {

using testing::LineFile;
using testing::MainWindow;
using testing::MessageBoxCloser;
using testing::PipedStdin;
using testing::PostClick;
using testing::PostKey;


TEST_F(MainWindow, ABadNumberIsShownWithItsPlaceUnderTheMessage) {
    Plot(5);
    MessageBoxCloser closer;
    form->Edit1()->setText(
        QString::fromStdString(dir.Write("bad.txt", "1 2\n3 4\n1.5 <b>6</b>\n")));
    PressStart();
    form->Edit1()->setText(QString::fromStdString(dir.Write("big.txt", "1 2\n\n  3e999 4\n")));
    PressStart();
    form->Edit1()->setText(QString::fromStdString(dir.PathOf("missing.txt")));
    PressStart();
    ASSERT_EQ(closer.Boxes().size(), 3u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("Invalid numeric input."));
    EXPECT_EQ(closer.Boxes()[0].informative, QStringLiteral("line 3, column 5: <b>6</b>"));
    EXPECT_EQ(closer.Boxes()[1].text, QStringLiteral("Floating point overflow."));
    EXPECT_EQ(closer.Boxes()[1].informative, QStringLiteral("line 3, column 3: 3e999"));
    EXPECT_EQ(closer.Boxes()[2].text, QStringLiteral("File not found."));
    EXPECT_EQ(closer.Boxes()[2].informative, QString());
    EXPECT_EQ(form->Series1().PointCount(), 5);
}

TEST(FileNames, AnyBytesComeBackFromTheText) {
    const std::string names[] = {"plain.txt",
                                 "данные.txt",
                                 "bad\xff\xfename.txt",
                                 "\xc3",
                                 "a\xc3(b",
                                 "\xed\xb2\x80",
                                 "\xf4\x90\x80\x80",
                                 "\xc0\xaf",
                                 "\xe2\x82",
                                 "emoji \xf0\x9f\x98\x80.txt",
                                 "x\x7f\x80"};
    for (const std::string& name : names)
        EXPECT_EQ(ui::FileNameBytes(ui::FileNameFromBytes(name)), name) << name;
    // UTF-8 reads as itself.
    EXPECT_EQ(ui::FileNameFromBytes("данные"), QStringLiteral("данные"));
}

TEST_F(MainWindow, ANameThatIsNotUtf8OpensItsFileFromEveryWayIn) {
    Plot(5);
    MessageBoxCloser closer;
    const std::string path = dir.Write("bad\xff\xfename.txt", "1 2\n3 4\n5 6\n");
    auto startOn = [&](const QString& shown) {
        form->SetPathText(shown);
        EXPECT_EQ(form->PathText(), path);
        form->Series1().ClearPoints();
        PressStart();
        EXPECT_EQ(form->Series1().PointCount(), 3);
    };
    // A drop: the URL's escapes are the name's bytes.
    QMimeData dropped;
    QByteArray url =
        "file://" +
        QByteArray(path.data(), static_cast<qsizetype>(path.size())).toPercentEncoding("/");
    dropped.setUrls({QUrl::fromEncoded(url)});
    startOn(DroppedFilePath(&dropped));
    // The command line, as the system hands it over.
    std::string argument = path;
    char program[] = "Vemora_1";
    char* argv[] = {program, argument.data()};
    const TCommandLine line = ParseCommandLine(ui::RawArguments(2, argv));
    EXPECT_TRUE(line.error.isEmpty());
    startOn(line.file);
    // The file dialog shows the name with U+FFFD, as the user chooses it there; the file
    // on the disk is the one opened.
    const QString shown = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, form.get(), [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            answer.stop();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(shown);
            QTest::keyClick(name, Qt::Key_Return);
            // A dialog that refused the name is closed, so that the test goes on.
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    answer.start(10);
    form->SetPathText(QString());
    QTest::keyClick(form->ScrollBar1(), Qt::Key_O, Qt::ControlModifier);
    startOn(form->Edit1()->text());
    EXPECT_TRUE(closer.Boxes().empty());
}

TEST_F(MainWindow, InputHeldDuringARunThatFailsIsHandedOnAfterTheMessage) {
    // A slow run; meanwhile the user types a path that will fail, presses start, clicks
    // the scroll bar and presses End, then Esc.
    form->Edit1()->setText(QString::fromStdString(dir.Write("three.txt", LineFile(3))));
    const std::string missing = dir.PathOf("missing.txt");
    MessageBoxCloser closer;
    bool posted = false;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        if (!posted) {
            posted = true;
            QTimer::singleShot(100, form.get(), [&] {
                form->Edit1()->setText(QString::fromStdString(missing));
                const QPointF on(form->Button1()->width() / 2.0, form->Button1()->height() / 2.0);
                const QPointF global = form->Button1()->mapToGlobal(on);
                QCoreApplication::postEvent(form->Button1(),
                                            new QMouseEvent(QEvent::MouseButtonPress, on, global,
                                                            Qt::LeftButton, Qt::LeftButton, {}));
                QCoreApplication::postEvent(form->Button1(),
                                            new QMouseEvent(QEvent::MouseButtonRelease, on, global,
                                                            Qt::LeftButton, Qt::NoButton, {}));
                const QRect bar = form->ScrollBar1()->geometry();
                PostClick(form.get(), QPoint(bar.center().x(), bar.center().y()));
                PostKey(form.get(), Qt::Key_End);
                PostKey(form.get(), Qt::Key_Escape);
            });
        }
        previous(s, index);
    };
    QElapsedTimer took;
    took.start();
    // Started by a click that comes the same way as the ones it holds.
    PostClick(form.get(), form->Button1()->geometry().center());
    QApplication::processEvents();
    EXPECT_LT(took.elapsed(), 5000);
    for (int i = 0; i < 20 && form->ScrollBar1()->value() != 100; ++i)
        QApplication::processEvents();
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(form->ScrollBar1()->value(), 100);
    EXPECT_FALSE(form->Running());
}

TEST_F(MainWindow, ACloseRequestWhileAFailureIsShownClosesTheMessageAndTheWindow) {
    form->Edit1()->setText(QString::fromStdString(dir.PathOf("missing.txt")));
    bool boxSeen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, form.get(), [&] {
        if (!boxSeen && qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxSeen = true;
            QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent);
        }
    });
    probe.start(5);
    // Should the box stay, it is answered after a while, so that the test ends.
    QTimer::singleShot(3000, form.get(), [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    QElapsedTimer took;
    took.start();
    PressStart();
    probe.stop();
    EXPECT_TRUE(boxSeen);
    EXPECT_LT(took.elapsed(), 2000);
    Idle();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindow, ABlockedReadingLeavesTheWindowAliveAndEscGivesItUp) {
    Plot(5);
    const gfx::Bitmap shown = Host().Surface();
    MessageBoxCloser closer;
    PipedStdin input;
    // Without the mend the reading would only end when the pipe does.
    std::thread ender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(4000));
        input.CloseWriting();
    });
    form->Edit1()->setText(QString());
    int paintsWhileReading = 0;
    bool busyCursor = false;
    QTimer::singleShot(200, form.get(), [&] {
        paintsWhileReading = -static_cast<int>(Host().Paints());
        Host().Invalidate();
        Host().update();
    });
    QTimer::singleShot(800, form.get(), [&] {
        paintsWhileReading += static_cast<int>(Host().Paints());
        busyCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        PostKey(form.get(), Qt::Key_Escape);
    });
    QElapsedTimer took;
    took.start();
    PressStart();
    EXPECT_LT(took.elapsed(), 2000);
    EXPECT_GE(paintsWhileReading, 1);
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form->Running());
    Idle();
    EXPECT_TRUE(closer.Boxes().empty());
    EXPECT_EQ(form->Series1().PointCount(), 5);
    EXPECT_TRUE(Host().Surface() == shown);
    ender.join();
}

TEST_F(MainWindow, ACloseRequestWhileReadingClosesTheWindowAtOnce) {
    PipedStdin input;
    std::thread ender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(4000));
        input.CloseWriting();
    });
    form->Edit1()->setText(QString());
    QTimer::singleShot(300, form.get(),
                       [&] { QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent); });
    QElapsedTimer took;
    took.start();
    PressStart();
    EXPECT_LT(took.elapsed(), 2000);
    Idle();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Running());
    ender.join();
}

TEST_F(MainWindow, ASlowInputIsPlottedWhileTheWindowIsPaintedMeanwhile) {
    PipedStdin input;
    std::thread writer([&] {
        for (int part = 0; part < 4; ++part) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            input.Write(std::to_string(part) + " " + std::to_string(part * 2) + "\n");
        }
        input.CloseWriting();
    });
    form->ScrollBar1()->setValue(100);
    form->Edit1()->setText(QString());
    int paints = 0;
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, form.get(), [&] {
        ++paints;
        form->update();
    });
    // The loop's turns before the first point, while the data came in.
    int paintsWhileReading = -1;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        if (paintsWhileReading < 0)
            paintsWhileReading = paints;
        previous(s, index);
    };
    repaint.start(50);
    PressStart();
    repaint.stop();
    writer.join();
    EXPECT_GE(paintsWhileReading, 5);
    ASSERT_EQ(form->Series1().PointCount(), 4);
    EXPECT_EQ(form->Series1().YAt(3), 6.0);
}

} // namespace
} // namespace vemora
