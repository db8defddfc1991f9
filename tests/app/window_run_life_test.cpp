// The run's life in the main window: during the pauses the window is painted and takes a
// close request, the user's input waits for the end of the run (Esc alone stops it), a
// new run leaves the zoom; and the picture and data file gestures around it.
#include "app/Vemora1.h"
#include "platform/gfx/png.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_window_host.h"
#include "support/main_window.h"
#include "support/message_boxes.h"
#include "support/processes.h"
#include "support/temp_files.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemora {
namespace {

using testing::LineFile;
using testing::MainWindow;
using testing::MessageBoxCloser;
using testing::PostClick;
using testing::PostKey;
using testing::TempDir;

// Ends the message loop with 7 should a test's loop not end by itself.
class Watchdog {
public:
    explicit Watchdog(int milliseconds) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        timer_.start(milliseconds);
    }

private:
    QTimer timer_;
};

// Counts the paint events a widget gets.
class PaintEvents final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Answers the next file dialog the program opens: `answer` sees it and accepts or
// rejects it.
void AnswerFileDialog(std::function<void(QFileDialog&)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                dialog = d;
        }
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        answer(*dialog);
    });
    timer->start();
}

// What a user does in the dialog: types the whole path and presses its button.
void Choose(QFileDialog& dialog, const QString& path) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(path);
    static_cast<QDialog&>(dialog).accept();
}

TEST(RunLife, ACloseRequestDuringASlowRunEndsItAfterItsPointAndClosesTheWindow) {
    TempDir dir;
    TForm1 form;
    ui::TApplication::Instance()->SetMainWindow(&form);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // Speed 1 and three points: a pause of 16.7 s after each.
    form.Edit1()->setText(QString::fromStdString(dir.Write("three.txt", LineFile(3))));
    QElapsedTimer sinceRequest;
    uint64_t framesAtRequest = 0;
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.Button1(), Qt::LeftButton); });
    QTimer::singleShot(300, &form, [&] {
        framesAtRequest = form.Chart1Window()->Paints();
        sinceRequest.start();
        QCoreApplication::postEvent(form.windowHandle(), new QCloseEvent);
    });
    Watchdog watchdog(15000);
    EXPECT_EQ(ui::TApplication::Instance()->Run(), 0);
    EXPECT_LT(sinceRequest.elapsed(), 3000);
    EXPECT_EQ(form.Series1().PointCount(), 1);
    EXPECT_FALSE(form.Running());
    EXPECT_FALSE(form.PlotRun().DataFile().IsOpen());
    EXPECT_FALSE(form.isVisible());
    // The closed window is painted no more, not even the point's pending repaint.
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    EXPECT_EQ(form.Chart1Window()->Paints(), framesAtRequest);
    ui::TApplication::Instance()->SetMainWindow(nullptr);
}

TEST_F(MainWindow, EscStopsARunAfterItsCurrentPointAndChangesNothingElse) {
    form->Edit1()->setText(QString::fromStdString(dir.Write("four.txt", LineFile(4))));
    const QString path = form->Edit1()->text();
    QTimer::singleShot(200, form.get(), [&] { PostKey(form.get(), Qt::Key_Escape); });
    QElapsedTimer took;
    took.start();
    PressStart();
    // The pause of 12.5 s ended with the Esc.
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_FALSE(form->Running());
    EXPECT_EQ(form->Series1().PointCount(), 1);
    EXPECT_EQ(form->ProgressBar1()->maximum(), 4);
    EXPECT_EQ(form->ProgressBar1()->value(), 0);
    Idle();
    EXPECT_FALSE(Host().IsInvalid());
    EXPECT_EQ(form->Series1().PointCount(), 1);
    EXPECT_EQ(form->ScrollBar1()->value(), 1);
    EXPECT_EQ(form->Edit1()->text(), path);
    EXPECT_TRUE(form->isVisible());

    // Idle, Esc does nothing; the next run is whole.
    PostKey(form.get(), Qt::Key_Escape);
    Idle();
    EXPECT_EQ(form->Series1().PointCount(), 1);
    form->ScrollBar1()->setValue(100);
    PressStart();
    EXPECT_EQ(form->Series1().PointCount(), 4);
}

TEST_F(MainWindow, APaintRequestDuringAPauseShowsTheLastFrameWithoutDrawingANewOne) {
    form->Edit1()->setText(QString::fromStdString(dir.Write("two.txt", LineFile(2))));
    PaintEvents events;
    Host().installEventFilter(&events);
    int paintsInPause = -1;
    uint64_t framesBefore = 0;
    bool sameSurface = false;
    gfx::Bitmap shown;
    QTimer::singleShot(200, form.get(), [&] {
        framesBefore = Host().Paints();
        shown = Host().Surface();
        events.paints = 0;
        // What an uncovered window gets from the window system.
        Host().update();
        form->update();
    });
    QTimer::singleShot(600, form.get(), [&] {
        paintsInPause = events.paints;
        sameSurface = Host().Paints() == framesBefore && Host().Surface() == shown;
        PostKey(form.get(), Qt::Key_Escape);
    });
    PressStart();
    Host().removeEventFilter(&events);
    EXPECT_GE(paintsInPause, 1);
    EXPECT_TRUE(sameSurface);
    EXPECT_EQ(form->Series1().PointCount(), 1);
}

TEST_F(MainWindow, ClicksMadeDuringARunRunAfterItInTheirOrder) {
    form->ScrollBar1()->setValue(50);
    const std::string path = dir.Write("line.txt", LineFile(12));
    form->Edit1()->setText(QString::fromStdString(path));
    int added = 0;
    int runningAtClick = -1;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        ++added;
        if (added == 3) {
            // The scroll bar's right arrow, then the start button.
            const QRect bar = form->ScrollBar1()->geometry();
            PostClick(form.get(), QPoint(bar.right() - 4, bar.center().y()));
            PostClick(form.get(), form->Button1()->geometry().center());
        }
        previous(s, index);
    };
    QTimer::singleShot(100, form.get(), [&] { runningAtClick = form->Running(); });
    // Started by a click that comes the same way as the ones it holds.
    PostClick(form.get(), form->Button1()->geometry().center());
    QApplication::processEvents();
    EXPECT_EQ(runningAtClick, 1);
    EXPECT_EQ(added, 12);
    EXPECT_EQ(form->PlotRun().Speed(), 50);
    // The click on the arrow moves the speed, then the held click on the button starts
    // the next run at that speed.
    Idle();
    EXPECT_EQ(added, 24);
    EXPECT_EQ(form->ScrollBar1()->value(), 51);
    EXPECT_EQ(form->PlotRun().Speed(), 51);
    EXPECT_EQ(form->Series1().PointCount(), 12);
}

TEST_F(MainWindow, ANewRunStartsInTheWholeViewAsTheUndoDragLeavesIt) {
    const std::string negative = dir.Write("negative.txt", "-5 -50\n-3 -20\n-1 -70\n-4 -10\n");
    auto zoomIn = [&](TForm1& f) {
        const Rect plot = f.Chart1().PlotRect();
        QTest::mousePress(f.Chart1Window(), Qt::LeftButton, {}, At(plot.Left + 60, plot.Top + 60));
        QTest::mouseMove(f.Chart1Window(), At(plot.Left + 120, plot.Top + 100));
        QTest::mouseRelease(f.Chart1Window(), Qt::LeftButton, {},
                            At(plot.Left + 160, plot.Top + 140));
        Idle();
        ASSERT_TRUE(f.Chart1().IsZoomed());
    };
    Plot(30);
    zoomIn(*form);
    const double zoomedMin = form->Chart1().LeftAxis().Minimum();

    // A run that fails while reading keeps the zoomed plot.
    MessageBoxCloser closer;
    form->Edit1()->setText(QString::fromStdString(dir.PathOf("missing.txt")));
    PressStart();
    Idle();
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_TRUE(form->Chart1().IsZoomed());
    EXPECT_EQ(form->Chart1().LeftAxis().Minimum(), zoomedMin);

    form->Edit1()->setText(QString::fromStdString(negative));
    PressStart();
    Idle();
    EXPECT_FALSE(form->Chart1().IsZoomed());
    EXPECT_TRUE(form->Chart1().LeftAxis().Automatic());
    EXPECT_TRUE(form->Chart1().BottomAxis().Automatic());
    EXPECT_LE(form->Chart1().LeftAxis().Minimum(), -70);
    EXPECT_LE(form->Chart1().BottomAxis().Minimum(), -5);

    // The same as zooming, undoing by a drag up and left, then plotting.
    TForm1 other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.ScrollBar1()->setValue(100);
    other.Edit1()->setText(QString::fromStdString(dir.Write("line.txt", LineFile(30))));
    QTest::mouseClick(other.Button1(), Qt::LeftButton);
    Idle();
    zoomIn(other);
    const Rect plot = other.Chart1().PlotRect();
    QTest::mousePress(other.Chart1Window(), Qt::LeftButton, {},
                      At(plot.Left + 200, plot.Top + 200));
    QTest::mouseMove(other.Chart1Window(), At(plot.Left + 150, plot.Top + 150));
    QTest::mouseRelease(other.Chart1Window(), Qt::LeftButton, {},
                        At(plot.Left + 100, plot.Top + 100));
    Idle();
    ASSERT_FALSE(other.Chart1().IsZoomed());
    other.Edit1()->setText(QString::fromStdString(negative));
    QTest::mouseClick(other.Button1(), Qt::LeftButton);
    Idle();
    EXPECT_TRUE(other.Chart1Window()->Surface() == Host().Surface());
}

TEST_F(MainWindow, SavingWritesExactlyTheChartsPixelsUnderTheNameOfTheDataFile) {
    Plot(25);
    const gfx::Bitmap shown = Host().Surface();
    // A path typed since, and a run on it that failed, do not name what the chart shows.
    MessageBoxCloser closer;
    form->Edit1()->setText(QString::fromStdString(dir.PathOf("missing.txt")));
    PressStart();
    ASSERT_EQ(closer.Boxes().size(), 1u);
    // Ctrl+S where no control takes it: the dialog offers line.png beside line.txt.
    QString offered;
    const QString chosen = QString::fromStdString(dir.PathOf("saved.png"));
    AnswerFileDialog([&](QFileDialog& dialog) {
        offered = dialog.selectedFiles().value(0);
        Choose(dialog, chosen);
    });
    QTest::keyClick(form->ScrollBar1(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(QDir::cleanPath(offered),
              QDir::cleanPath(QString::fromStdString(dir.PathOf("line.png"))));
    gfx::Bitmap read;
    ASSERT_TRUE(gfx::ReadPng(chosen.toStdString(), read));
    EXPECT_TRUE(read == shown);
    // Saving changed nothing on the chart.
    EXPECT_TRUE(Host().Surface() == shown);
    EXPECT_FALSE(Host().IsInvalid());

    // A dialog cancelled writes nothing.
    AnswerFileDialog([](QFileDialog& dialog) { dialog.reject(); });
    form->SaveChartPicture();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(MainWindow, SavingTakesTheFormatFromTheSuffixOrElseFromTheChosenFilter) {
    Plot(25);
    const gfx::Bitmap shown = Host().Surface();
    const auto save = [&](const std::string& name, const char* filter) {
        AnswerFileDialog([&](QFileDialog& dialog) {
            if (filter)
                dialog.selectNameFilter(QString::fromLatin1(filter));
            Choose(dialog, QString::fromStdString(dir.PathOf(name)));
        });
        QTest::keyClick(form->ScrollBar1(), Qt::Key_S, Qt::ControlModifier);
    };
    const auto isSvg = [](const std::string& text) {
        return text.starts_with("<?xml") && text.find("<svg") != std::string::npos;
    };
    save("named.svg", "PDF documents (*.pdf)");
    EXPECT_TRUE(isSvg(ReadAll(dir.PathOf("named.svg"))));
    save("named.PDF", nullptr);
    EXPECT_TRUE(ReadAll(dir.PathOf("named.PDF")).starts_with("%PDF-"));
    save("bare", "SVG pictures (*.svg)");
    EXPECT_TRUE(isSvg(ReadAll(dir.PathOf("bare.svg"))));
    save("bare", "PDF documents (*.pdf)");
    EXPECT_TRUE(ReadAll(dir.PathOf("bare.pdf")).starts_with("%PDF-"));
    save("bare", "PNG pictures (*.png)");
    gfx::Bitmap read;
    ASSERT_TRUE(gfx::ReadPng(dir.PathOf("bare.png"), read));
    EXPECT_TRUE(read == shown);
    // A suffix that names no picture keeps its place in the name.
    save("bare.chart", "SVG pictures (*.svg)");
    EXPECT_TRUE(isSvg(ReadAll(dir.PathOf("bare.chart.svg"))));
    EXPECT_FALSE(std::filesystem::exists(dir.PathOf("bare")));
    // Drawing the vector pictures left the shown chart as it was.
    EXPECT_TRUE(Host().Surface() == shown);
    EXPECT_FALSE(Host().IsInvalid());
}

TEST_F(MainWindow, ASaveThatFailsSaysWhyAndLeavesWhatTheFileHeld) {
    Plot(25);
    const std::string old = dir.Write("old.png", "what was there");
    // A disk that fills up: the system refuses the bytes beyond a few hundred.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 300;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string message;
    try {
        form->WriteChartPicture(QString::fromStdString(old));
    } catch (const std::exception& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_NE(message.find("Cannot save the picture as " + old), std::string::npos) << message;
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_EQ(ReadAll(old), "what was there");
    // Nothing else is left in the folder: the line file, and the old picture.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2);

    // Through the dialog, the message box tells the user.
    MessageBoxCloser closer;
    const QString missing = QString::fromStdString(dir.PathOf("no/such/folder/x.png"));
    AnswerFileDialog([&](QFileDialog& dialog) { Choose(dialog, missing); });
    QTest::keyClick(form->ScrollBar1(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_TRUE(closer.Boxes()[0].text.contains(QStringLiteral("No such file or directory")))
        << closer.Boxes()[0].text.toStdString();
}

TEST_F(MainWindow, SavingOntoALinkALockedFileOrALongNameKeepsWhatTheUserHas) {
    Plot(25);
    const gfx::Bitmap shown = Host().Surface();
    const auto save = [&](const std::string& path) {
        try {
            form->WriteChartPicture(QString::fromStdString(path));
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    const auto modeOf = [](const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st.st_mode;
    };
    gfx::Bitmap read;

    // Onto a link: the file it names gets the picture, the link stays a link.
    const std::string target = dir.Write("target.png", "old picture");
    const std::string link = dir.PathOf("link.png");
    ASSERT_EQ(::symlink("target.png", link.c_str()), 0);
    EXPECT_EQ(save(link), "");
    EXPECT_TRUE(S_ISLNK(modeOf(link)));
    ASSERT_TRUE(gfx::ReadPng(target, read));
    EXPECT_TRUE(read == shown);

    // A file that is replaced keeps its modes.
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    EXPECT_EQ(save(target), "");
    EXPECT_EQ(modeOf(target) & 07777, 0640u);

    // A file the user may not write stays as it is, and the save says why; as root, as the
    // user "nobody", who may write the folder but not the file.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const std::string locked = dir.Write("locked.png", "keep me");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    const int refused = testing::AsOrdinaryUser([&] {
        return save(locked) == "Cannot save the picture as " + locked + ": Permission denied" ? 0
                                                                                              : 1;
    });
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(ReadAll(locked), "keep me");
    EXPECT_EQ(modeOf(locked) & 07777, 0444u);

    // Any name the folder takes saves: 250 bytes, and the longest.
    for (const size_t length : {size_t{250}, size_t{255}}) {
        const std::string name = dir.PathOf(std::string(length - 4, 'c') + ".png");
        EXPECT_EQ(save(name), "") << length;
        ASSERT_TRUE(gfx::ReadPng(name, read));
        EXPECT_TRUE(read == shown);
    }
    // Nothing else is left in the folder: line.txt, the link, its file, the locked file and
    // the two long names.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              6);
}

TEST_F(MainWindow, AThousandFailedRunsLeaveTheMemoryInUseAsItWas) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own books; its leak check runs instead";
#else
    // Each run fails at once and shows its message box, which is closed as it appears.
    form->SetPathText(QString::fromStdString(dir.PathOf("missing.txt")));
    int boxes = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            ++boxes;
            box->close();
        }
    });
    closer.start(0);
    const auto inUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return static_cast<int64_t>(info.uordblks + info.hblkhd);
    };
    // The first box loads what every box shows (its icon, its style): that stays.
    for (int i = 0; i < 20; ++i)
        PressStart();
    const int64_t before = inUse();
    for (int i = 0; i < 1000; ++i)
        PressStart();
    const int64_t added = inUse() - before;
    EXPECT_EQ(boxes, 1020);
    EXPECT_LT(added, 100 * 1024);
    EXPECT_FALSE(form->Running());
#endif
}

TEST_F(MainWindow, FailedRunsMessagesShareOneOkIconThatQtCachesOnce) {
    // Dialog buttons with icons, as the desktop themes of X11 give them. Each icon the
    // style hands out is new, and Qt's pixmap cache keeps the pixmaps of every icon painted
    // until it is full (10 MB): the boxes must show one and the same icon.
    class IconButtons final : public QProxyStyle {
    public:
        IconButtons() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returned) const override {
            return hint == SH_DialogButtonBox_ButtonsHaveIcons
                       ? 1
                       : QProxyStyle::styleHint(hint, option, widget, returned);
        }
    };
    const QString styleBefore = QApplication::style()->name();
    QApplication::setStyle(new IconButtons);
    struct StyleBack {
        QString name;
        ~StyleBack() { QApplication::setStyle(name); }
    } styleBack{styleBefore};

    form->SetPathText(QString::fromStdString(dir.PathOf("missing.txt")));
    std::vector<qint64> icons;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            icons.push_back(box->button(QMessageBox::Ok)->icon().cacheKey());
            box->close();
        }
    });
    closer.start(0);
    for (int i = 0; i < 3; ++i)
        PressStart();
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_FALSE(QIcon().cacheKey() == icons[0]);
    EXPECT_EQ(icons[1], icons[0]);
    EXPECT_EQ(icons[2], icons[0]);
}

TEST_F(MainWindow, CopyPutsThePictureOnTheClipboardAndOpenFillsThePathField) {
    Plot(25);
    QTest::keyClick(form->ScrollBar1(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32) ==
                form->ChartPicture());

    // The same picture as SVG beside the image, for the programs that take drawings.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasImage());
    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    EXPECT_TRUE(svg.startsWith("<?xml") && svg.contains("<svg")) << svg.left(80).toStdString();
    EXPECT_TRUE(svg.contains("width=\"813px\" height=\"653px\"")) << svg.left(300).toStdString();

    // In the path field Ctrl+C copies the selected text, as in any text field.
    form->Edit1()->setFocus();
    form->Edit1()->selectAll();
    QTest::keyClick(form->Edit1(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), form->Edit1()->text());

    const std::string other = dir.Write("other data.txt", "1 2\n");
    AnswerFileDialog([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.nameFilters(), (QStringList{QStringLiteral("Data files (*.txt *.dat)"),
                                                     QStringLiteral("All files (*)")}));
        Choose(dialog, QString::fromStdString(other));
    });
    QTest::keyClick(form->ScrollBar1(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(form->Edit1()->text(), QString::fromStdString(other));
    // Nothing started.
    EXPECT_EQ(form->Series1().PointCount(), 25);
}

TEST_F(MainWindow, DuringARunTheGesturesDoNothing) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    bool dialogShown = false;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            dialogShown = dialogShown || QApplication::activeModalWidget() != nullptr;
        });
        probe.start(1);
        form->CopyChartPicture();
        form->SaveChartPicture();
        form->OpenDataFile();
        EXPECT_FALSE(form->PointToolTip(10, 10).has_value());
        previous(s, index);
    };
    form->ScrollBar1()->setValue(100);
    form->Edit1()->setText(QString::fromStdString(dir.Write("line.txt", LineFile(5))));
    PressStart();
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(MainWindow, ATooltipShowsTheShortestXAndYOfThePointAClickWouldFind) {
    // Each number as written is the shortest text of its double.
    form->ScrollBar1()->setValue(100);
    form->Edit1()->setText(QString::fromStdString(
        dir.Write("points.txt", "7 123456789.125\n0.1 2.5\n0.30000000000000004 -1e-300\n")));
    PressStart();
    Idle();
    const QString texts[] = {QStringLiteral("X: 0.1\nY: 2.5"),
                             QStringLiteral("X: 0.30000000000000004\nY: -1e-300"),
                             QStringLiteral("X: 7\nY: 123456789.125")};
    TChart& chart = form->Chart1();
    const gfx::Rect client = Host().ClientRect();
    int onPoints[3] = {0, 0, 0};
    int wrong = 0;
    // A pointer that only rests raises no click event; the click's hit test does.
    int clickEvents = 0;
    int tipsShown = 0;
    form->Series1().OnClickPointer = [&](TCustomSeries*, int32_t, int32_t, int32_t) {
        ++clickEvents;
    };
    QPoint somewhere;
    QPoint nowhere(-1, -1);
    for (int y = 0; y < client.Bottom; ++y) {
        for (int x = 0; x < client.Right; ++x) {
            const TChartClickedPart click = chart.PartAt(x, y);
            const int clicksBefore = clickEvents;
            const std::optional<ui::TToolTip> tip = form->PointToolTip(x, y);
            EXPECT_EQ(clickEvents, clicksBefore);
            tipsShown += tip.has_value();
            if (click.Part == TChartClickedPartStyle::cpSeries) {
                ++onPoints[click.PointIndex];
                wrong += !tip || tip->text != texts[click.PointIndex];
                somewhere = QPoint(x, y);
            } else {
                wrong += tip.has_value();
                if (nowhere.x() < 0 && chart.PlotRect().Contains(x, y))
                    nowhere = QPoint(x, y);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(clickEvents, 0);
    EXPECT_EQ(tipsShown, onPoints[0] + onPoints[1] + onPoints[2]);
    form->Series1().OnClickPointer = nullptr;
    for (int n : onPoints)
        EXPECT_GT(n, 0);

    // The window shows it where the pointer rests, and nothing elsewhere.
    auto rest = [&](QPoint client) {
        const QPoint at = At(client.x(), client.y());
        QHelpEvent help(QEvent::ToolTip, at, Host().mapToGlobal(at));
        QApplication::sendEvent(&Host(), &help);
    };
    rest(somewhere);
    const TChartClickedPart last = chart.PartAt(somewhere.x(), somewhere.y());
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), texts[last.PointIndex]);
    rest(nowhere);
    // A tooltip goes after a short delay.
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
}

TEST(CommandLine, TakesOneFileMadeAbsoluteFromTheWorkingFolder) {
    const QString here = QDir::currentPath();
    auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("Vemora_1"));
        return ParseCommandLine(args);
    };
    EXPECT_TRUE(parse({}).file.isEmpty());
    EXPECT_TRUE(parse({}).error.isEmpty());
    EXPECT_EQ(parse({QStringLiteral("data/a.txt")}).file, here + QStringLiteral("/data/a.txt"));
    EXPECT_EQ(parse({QStringLiteral("./a b.txt")}).file, here + QStringLiteral("/a b.txt"));
    EXPECT_EQ(parse({QStringLiteral("/x/../y.txt")}).file, QStringLiteral("/y.txt"));
    EXPECT_EQ(parse({QStringLiteral("--"), QStringLiteral("-a.txt")}).file,
              here + QStringLiteral("/-a.txt"));
    EXPECT_EQ(parse({QStringLiteral("-")}).file, here + QStringLiteral("/-"));
    EXPECT_FALSE(parse({QStringLiteral("--bogus")}).error.isEmpty());
    EXPECT_FALSE(parse({QStringLiteral("a"), QStringLiteral("b")}).error.isEmpty());
    EXPECT_FALSE(parse({QString()}).error.isEmpty());

    // Following: a file made absolute, or "-" for standard input as it is.
    const TCommandLine follow = parse({QStringLiteral("--follow"), QStringLiteral("log.txt")});
    EXPECT_TRUE(follow.follow);
    EXPECT_EQ(follow.file, here + QStringLiteral("/log.txt"));
    EXPECT_EQ(parse({QStringLiteral("--follow=-")}).file, QStringLiteral("-"));
    EXPECT_TRUE(parse({QStringLiteral("--follow"), QStringLiteral("-")}).follow);
    EXPECT_FALSE(parse({QStringLiteral("a.txt")}).follow);
    EXPECT_FALSE(parse({QStringLiteral("--follow")}).error.isEmpty());
    EXPECT_FALSE(parse({QStringLiteral("--follow"), QStringLiteral("a"), QStringLiteral("b")})
                     .error.isEmpty());
    // The speed to start with, from 1 to 100.
    EXPECT_EQ(parse({}).speed, 0);
    EXPECT_EQ(parse({QStringLiteral("--speed"), QStringLiteral("100"), QStringLiteral("a")}).speed,
              100);
    EXPECT_EQ(parse({QStringLiteral("--speed=1")}).speed, 1);
    for (const char* bad : {"0", "101", "x", "5.5", ""})
        EXPECT_FALSE(parse({QStringLiteral("--speed"), QString::fromLatin1(bad)}).error.isEmpty())
            << bad;
    EXPECT_FALSE(parse({QStringLiteral("--speed")}).error.isEmpty());
}

} // namespace
} // namespace vemora
