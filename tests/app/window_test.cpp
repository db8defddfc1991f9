// The main window as the user meets it: its controls, the plot run started with the
// button, the message box of a failed run, the speed scroll bar, and the mouse on the
// chart. Offscreen, through Qt's own event delivery.
#include "app/Vemora1.h"
#include "platform/numeric/exceptions.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_window_host.h"
#include "support/main_window.h"
#include "support/message_boxes.h"
#include "support/temp_files.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace vemora {
namespace {

using testing::LineFile;
using testing::MainWindow;
using testing::MessageBoxCloser;
using testing::TempDir;

QRect Geometry(const QWidget* w) {
    return w->geometry();
}

TEST_F(MainWindow, HasTheControlsOfItsLayout) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Вемора № 1"));
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(0, 128, 128));
    EXPECT_GE(form->width(), 833 + 8);
    EXPECT_GE(form->height(), 713 + 20);

    EXPECT_EQ(form->Label3()->text(), QStringLiteral("Скорость вывода  изображения"));
    EXPECT_EQ(form->Label1()->text(), QStringLiteral("Введите путь и имя файла"));
    EXPECT_EQ(form->Label1()->pos(), QPoint(16, 8));
    EXPECT_EQ(form->Label3()->pos(), QPoint(432, 8));
    EXPECT_EQ(form->Label2()->pos(), QPoint(752, 720));
    EXPECT_FALSE(form->Label2()->text().isEmpty());
    EXPECT_EQ(form->Label1()->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(form->Label3()->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(form->Label2()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    // Auto-sized: the whole text fits.
    for (QLabel* l : {form->Label1(), form->Label2(), form->Label3()})
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()))
            << l->text().toStdString();

    EXPECT_EQ(form->Button1()->text(), QStringLiteral("П У С К"));
    EXPECT_EQ(Geometry(form->Button1()), QRect(224, 16, 193, 25));
    EXPECT_EQ(Geometry(form->Edit1()), QRect(16, 24, 193, 17));
    EXPECT_EQ(Geometry(form->ScrollBar1()), QRect(432, 24, 193, 17));
    EXPECT_EQ(Geometry(form->ProgressBar1()), QRect(640, 16, 193, 25));
    EXPECT_EQ(Geometry(&Host()), QRect(16, 56, 817, 657));
    EXPECT_EQ(Host().ClientRect(), (Rect{0, 0, 813, 653}));

    EXPECT_EQ(form->Button1()->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(form->Button1()->font().pointSize(), 8);

    QScrollBar* bar = form->ScrollBar1();
    EXPECT_EQ(bar->orientation(), Qt::Horizontal);
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->pageStep(), 1);

    QProgressBar* progress = form->ProgressBar1();
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_FALSE(progress->isTextVisible());

    // The path field names the shipped sample, so the first press plots it.
    const QFileInfo sample(form->Edit1()->text());
    EXPECT_TRUE(sample.isAbsolute());
    EXPECT_TRUE(sample.isFile());
    EXPECT_EQ(sample.fileName(), QStringLiteral("proba2.txt"));

    // Tab order: scroll bar, button, path field, chart, then the progress bar.
    EXPECT_TRUE(bar->hasFocus());
    EXPECT_EQ(bar->nextInFocusChain(), form->Button1());
    EXPECT_EQ(form->Button1()->nextInFocusChain(), form->Edit1());
    EXPECT_EQ(form->Edit1()->nextInFocusChain(), &Host());
    EXPECT_EQ(Host().nextInFocusChain(), form->ProgressBar1());

    // The chart and its series as the program configures them.
    EXPECT_TRUE(form->Chart1().Gradient().Visible());
    EXPECT_EQ(form->Chart1().SeriesCount(), 1);
    EXPECT_EQ(form->Chart1().Series(0), &form->Series1());
}

TEST_F(MainWindow, TheControlsStayWhereTheyAreWhenTheWindowIsResized) {
    form->resize(1200, 900);
    Idle();
    EXPECT_EQ(Geometry(form->Button1()), QRect(224, 16, 193, 25));
    EXPECT_EQ(Geometry(&Host()), QRect(16, 56, 817, 657));
}

TEST_F(MainWindow, ARunPaintsOnceForEveryPointAndEndsTheProgressOneShortOfTheEnd) {
    constexpr int kPoints = 20;
    std::vector<int32_t> pointsPerFrame;
    form->Chart1().OnAfterDraw = [&](TCustomChartPanel*) {
        pointsPerFrame.push_back(form->Series1().PointCount());
    };
    std::vector<int> progressSeen;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        progressSeen.push_back(form->ProgressBar1()->value());
        previous(s, index);
    };
    form->ScrollBar1()->setValue(100);
    form->Edit1()->setText(QString::fromStdString(dir.Write("line.txt", LineFile(kPoints))));
    const uint64_t paintsBefore = Host().Paints();
    PressStart();

    // One synchronous paint per point, each showing the point just added.
    ASSERT_EQ(pointsPerFrame.size(), static_cast<size_t>(kPoints));
    for (int i = 0; i < kPoints; ++i)
        EXPECT_EQ(pointsPerFrame[static_cast<size_t>(i)], i + 1);
    EXPECT_EQ(Host().Paints() - paintsBefore, static_cast<uint64_t>(kPoints));
    // The bar follows: before point i it stands at i - 1 (0 before the first).
    EXPECT_EQ(progressSeen.front(), 0);
    EXPECT_EQ(progressSeen.back(), kPoints - 2);
    EXPECT_EQ(form->ProgressBar1()->maximum(), kPoints);
    EXPECT_EQ(form->ProgressBar1()->value(), kPoints - 1);

    // The loop then paints the last change.
    Idle();
    EXPECT_EQ(pointsPerFrame.size(), static_cast<size_t>(kPoints + 1));
    EXPECT_FALSE(Host().IsInvalid());
    EXPECT_EQ(form->Series1().PointCount(), kPoints);
}

// Counts the paints a widget gets.
class PaintCounter final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

// The bar looks the same for many points of a long run: it is painted when its filled
// width changes, and shows each new width at once.
TEST_F(MainWindow, TheProgressBarIsPaintedWhenItsFillGrows) {
    constexpr int kPoints = 3000;
    QProgressBar* bar = form->ProgressBar1();
    PaintCounter counter;
    bar->installEventFilter(&counter);
    int shownLate = 0;
    int lastValue = -1;
    int paintsAtLastValue = 0;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        // A bar whose value moved by a tenth of the run must have been painted meanwhile.
        if (bar->value() - lastValue >= kPoints / 10) {
            shownLate += counter.paints == paintsAtLastValue;
            lastValue = bar->value();
            paintsAtLastValue = counter.paints;
        }
        previous(s, index);
    };
    form->ScrollBar1()->setValue(100);
    form->Edit1()->setText(QString::fromStdString(dir.Write("long.txt", LineFile(kPoints))));
    PressStart();
    Idle();
    bar->removeEventFilter(&counter);
    EXPECT_EQ(bar->value(), kPoints - 1);
    EXPECT_EQ(shownLate, 0);
    EXPECT_GE(counter.paints, 10);
    // At most one paint per pixel of the bar, and a few for the start and the end.
    EXPECT_LE(counter.paints, bar->width() + 4);
}

TEST_F(MainWindow, InputDuringARunWaitsUntilTheRunHasEnded) {
    form->ScrollBar1()->setValue(50);
    form->ScrollBar1()->setFocus();
    std::vector<int32_t> speeds;
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        if (index == 2) {
            // The user presses End on the scroll bar in the middle of the run.
            QCoreApplication::postEvent(form->ScrollBar1(),
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_End, {}));
        }
        speeds.push_back(form->PlotRun().Speed());
        previous(s, index);
    };
    form->Edit1()->setText(QString::fromStdString(dir.Write("line.txt", LineFile(12))));
    PressStart();
    EXPECT_EQ(speeds, std::vector<int32_t>(12, 50));
    Idle();
    EXPECT_EQ(form->PlotRun().Speed(), 100);
}

TEST_F(MainWindow, AMissingFileShowsTheErrorAndKeepsThePlotThenTheNextRunWorks) {
    Plot(10);
    ASSERT_EQ(form->Series1().PointCount(), 10);
    const gfx::Bitmap before = Host().Surface();

    MessageBoxCloser closer;
    form->Edit1()->setText(QString::fromStdString(dir.PathOf("missing.txt")));
    PressStart();
    Idle();
    ASSERT_EQ(closer.Boxes().size(), 1u);
    const testing::ShownBox& box = closer.Boxes()[0];
    EXPECT_EQ(box.text, QStringLiteral("File not found."));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(box.modal);
    EXPECT_EQ(box.owner, form.get());
    EXPECT_EQ(box.title, ui::ApplicationTitle(QCoreApplication::applicationFilePath()));
    EXPECT_EQ(box.title, QStringLiteral("window_tests"));

    EXPECT_EQ(form->Series1().PointCount(), 10);
    EXPECT_EQ(form->ProgressBar1()->value(), 9);
    Host().repaint();
    EXPECT_TRUE(Host().Surface() == before);

    form->Edit1()->setText(QString::fromStdString(dir.Write("five.txt", LineFile(5))));
    PressStart();
    Idle();
    EXPECT_EQ(closer.Boxes().size(), 1u);
    EXPECT_EQ(form->Series1().PointCount(), 5);
    EXPECT_EQ(form->ProgressBar1()->value(), 4);
}

TEST_F(MainWindow, AnEmptyFileLeavesAnEmptyBarNotABusyOne) {
    form->Edit1()->setText(QString::fromStdString(dir.Write("empty.txt", "")));
    PressStart();
    Idle();
    EXPECT_EQ(form->ProgressMax(), 0);
    EXPECT_EQ(form->Series1().PointCount(), 0);
    // A range of 0..0 would make the bar a busy indicator.
    EXPECT_GT(form->ProgressBar1()->maximum(), form->ProgressBar1()->minimum());
    EXPECT_EQ(form->ProgressBar1()->value(), 0);
}

TEST_F(MainWindow, AFailureWhilePaintingInARunEndsItThroughTheTopLevelHandler) {
    int frames = 0;
    form->Chart1().OnAfterDraw = [&](TCustomChartPanel*) {
        if (++frames == 3)
            throw ChartException("Broken frame");
    };
    MessageBoxCloser closer;
    Plot(10);
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("Broken frame."));
    // The run ended with the third point.
    EXPECT_EQ(form->Series1().PointCount(), 3);
}

TEST_F(MainWindow, AbortsAreSilentAndOtherMessagesGetTheirFullStop) {
    MessageBoxCloser closer;
    ui::Guarded([] { throw EAbort(); });
    ui::Guarded([] { throw EInOutError("I/O error 123", 123); });
    ui::Guarded([] { throw EInOutError("Done.", 1); });
    QApplication::processEvents();
    ASSERT_EQ(closer.Boxes().size(), 2u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("I/O error 123."));
    EXPECT_EQ(closer.Boxes()[1].text, QStringLiteral("Done."));
}

TEST(ApplicationTitle, IsTheProgramNameUpToItsFirstDotCapitalisedOnce) {
    EXPECT_EQ(ui::ApplicationTitle("/usr/bin/Vemora_1"), QStringLiteral("Vemora_1"));
    EXPECT_EQ(ui::ApplicationTitle("/opt/a.b/VEMORA_1.tar.gz"), QStringLiteral("Vemora_1"));
    EXPECT_EQ(ui::ApplicationTitle("vemora"), QStringLiteral("vemora"));
    EXPECT_EQ(ui::ApplicationTitle("/x/.hidden"), QString());
    EXPECT_EQ(ui::ApplicationTitle("/x/ВЕМОРА.bin"), QStringLiteral("Вемора"));
    EXPECT_EQ(ui::ApplicationTitle("/x/"), QString());
}

TEST_F(MainWindow, TheScrollBarSetsTheSpeedOnEveryChange) {
    QScrollBar* bar = form->ScrollBar1();
    EXPECT_EQ(form->PlotRun().Speed(), 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form->PlotRun().Speed(), 2);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(form->PlotRun().Speed(), 3);
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(form->PlotRun().Speed(), 100);
    QTest::keyClick(bar, Qt::Key_Home);
    EXPECT_EQ(form->PlotRun().Speed(), 1);
    // Dragging the thumb reports every position it passes.
    std::vector<int> seen;
    QObject::connect(bar, &QScrollBar::valueChanged, bar, [&](int v) { seen.push_back(v); });
    bar->setSliderDown(true);
    for (int v = 2; v <= 6; ++v)
        bar->setSliderPosition(v);
    bar->setSliderDown(false);
    EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(form->PlotRun().Speed(), 6);
}

TEST_F(MainWindow, ALeftDragDownRightZoomsAndTheOtherDirectionsUndo) {
    Plot(30);
    TChart& chart = form->Chart1();
    const Rect plot = chart.PlotRect();
    const int x = plot.Left + 100;
    const int y = plot.Top + 100;

    Drag(Qt::LeftButton, x, y, x + 16, y + 16);
    Idle();
    EXPECT_FALSE(chart.IsZoomed());
    EXPECT_TRUE(chart.BottomAxis().Automatic());

    const double expectMin = chart.BottomAxis().PixelToValue(x);
    const double expectMax = chart.BottomAxis().PixelToValue(x + 17);
    Drag(Qt::LeftButton, x, y, x + 17, y + 17);
    Idle();
    EXPECT_TRUE(chart.IsZoomed());
    EXPECT_FALSE(chart.BottomAxis().Automatic());
    EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), expectMin);
    EXPECT_DOUBLE_EQ(chart.BottomAxis().Maximum(), expectMax);

    const int dirs[3][2] = {{-40, -40}, {40, -40}, {-40, 40}};
    for (const auto& d : dirs) {
        Drag(Qt::LeftButton, x, y, x + 17, y + 17);
        Idle();
        ASSERT_TRUE(chart.IsZoomed());
        const Rect p = chart.PlotRect();
        Drag(Qt::LeftButton, p.Left + 200, p.Top + 200, p.Left + 200 + d[0], p.Top + 200 + d[1]);
        Idle();
        EXPECT_FALSE(chart.IsZoomed()) << d[0] << "," << d[1];
        EXPECT_TRUE(chart.BottomAxis().Automatic());
        EXPECT_TRUE(chart.LeftAxis().Automatic());
    }
}

TEST_F(MainWindow, ARightDragPansUntilItLeavesThePlot) {
    Plot(30);
    TChart& chart = form->Chart1();
    const Rect plot = chart.PlotRect();
    const int x = plot.Left + 100;
    const int y = plot.Top + 100;
    const double min0 = chart.BottomAxis().Minimum();

    Press(Qt::RightButton, x, y);
    Move(x + 50, y);
    Idle();
    const double panned = chart.BottomAxis().Minimum();
    // The data follow the pointer to the right: the scale moves to smaller values.
    EXPECT_LT(panned, min0);
    EXPECT_FALSE(chart.BottomAxis().Automatic());

    Move(plot.Right + 5, y); // out of the plot: panning stops
    Move(x + 80, y);         // and does not resume
    Idle();
    EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), panned);
    Release(Qt::RightButton, x + 80, y);
    EXPECT_FALSE(chart.PanningRecord().Dragging);
}

TEST_F(MainWindow, TheWheelScrollsTheVerticalAxesByThreePercentANotch) {
    Plot(30);
    TChart& chart = form->Chart1();
    const Rect plot = chart.PlotRect();
    const double min0 = chart.LeftAxis().Minimum();
    const double max0 = chart.LeftAxis().Maximum();
    const double bottom0 = chart.BottomAxis().Minimum();
    Wheel(-60, plot.Left + 10, plot.Top + 10); // half a notch: nothing yet
    EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), min0);
    Wheel(-60, plot.Left + 10, plot.Top + 10); // the whole notch down
    const double step = (max0 - min0) * 3 * 0.01;
    EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), min0 + step);
    EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), max0 + step);
    EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), bottom0);
    Wheel(120, plot.Left + 10, plot.Top + 10);
    EXPECT_NEAR(chart.LeftAxis().Minimum(), min0, 1e-9 * (max0 - min0));
}

TEST_F(MainWindow, TheTopLevelHandlerTakesTheMouseFromADrag) {
    Plot(10);
    TChart& chart = form->Chart1();
    const Rect plot = chart.PlotRect();
    Press(Qt::LeftButton, plot.Left + 50, plot.Top + 50);
    Move(plot.Left + 90, plot.Top + 90);
    ASSERT_TRUE(chart.ZoomRecord().Dragging);
    ASSERT_TRUE(Host().HasMouseCapture());
    MessageBoxCloser closer;
    ui::Guarded([] { throw Exception("Interrupted"); });
    EXPECT_FALSE(Host().HasMouseCapture());
    EXPECT_FALSE(chart.ZoomRecord().Dragging);
    Release(Qt::LeftButton, plot.Left + 90, plot.Top + 90);
    Idle();
    EXPECT_FALSE(chart.IsZoomed());
    EXPECT_EQ(closer.Boxes().size(), 1u);
}

TEST(MainWindowLifetime, ClosingTheIdleWindowEndsTheMessageLoop) {
    TForm1 form;
    form.show();
    bool closed = false;
    QTimer::singleShot(0, &form, [&] { closed = form.close(); });
    // Should the loop not end, this ends it and the test fails.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    watchdog.start(10000);
    EXPECT_EQ(ui::TApplication::Instance()->Run(), 0);
    EXPECT_TRUE(closed);
}

} // namespace
} // namespace vemora
