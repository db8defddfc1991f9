// The main window under use nobody plans: clicks piling up during a run, runs failing over
// and over, the mouse on an empty chart, zooming and panning to the ends of the numbers,
// the window closed as a run ends, and files dropped onto it.
#include "app/Vemora1.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_window_host.h"
#include "support/main_window.h"
#include "support/message_boxes.h"
#include "support/temp_files.h"

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vemora {
namespace {

using testing::LineFile;
using testing::MainWindow;
using testing::MessageBoxCloser;

// A click on the button that waits in the queue, as one made while a run holds the loop.
void QueueClick(QPushButton* button) {
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                        Qt::LeftButton, Qt::NoButton, {}));
}

// Every point of the series on screen, inside the plot rectangle.
void ExpectAllPointsInThePlot(TForm1& form) {
    const Rect plot = form.Chart1().PlotRect();
    TPointSeries& series = form.Series1();
    for (int32_t i = 0; i < series.PointCount(); ++i) {
        ASSERT_GE(series.XPixel(i), plot.Left) << i;
        ASSERT_LE(series.XPixel(i), plot.Right) << i;
        ASSERT_GE(series.YPixel(i), plot.Top) << i;
        ASSERT_LE(series.YPixel(i), plot.Bottom) << i;
    }
}

TEST_F(MainWindow, ClicksMadeDuringARunEachRunInTurnAfterIt) {
    constexpr int kPoints = 15;
    constexpr int kQueued = 4;
    // Points added in each run, a run counted from the clear that starts it.
    std::vector<int32_t> pointsPerRun;
    int nested = 0;
    bool running = false;
    form->Series1().OnClearValues = [&](TChartSeries*) { pointsPerRun.push_back(0); };
    form->Series1().OnAfterAdd = [&, previous = form->Series1().OnAfterAdd](TChartSeries* s,
                                                                            int32_t index) {
        nested += running && index == 0 ? 1 : 0;
        if (pointsPerRun.size() == 1 && index == 3) {
            for (int i = 0; i < kQueued; ++i)
                QueueClick(form->Button1());
        }
        ++pointsPerRun.back();
        running = true;
        previous(s, index);
        running = pointsPerRun.back() < kPoints;
    };
    form->ScrollBar1()->setValue(100);
    form->Edit1()->setText(QString::fromStdString(dir.Write("line.txt", LineFile(kPoints))));
    PressStart();
    EXPECT_EQ(pointsPerRun, std::vector<int32_t>{kPoints});

    // The loop then takes the clicks one by one, each a whole run of its own.
    Idle();
    for (int i = 0; i < 10 && pointsPerRun.size() < 1 + kQueued; ++i)
        QApplication::processEvents();
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(pointsPerRun, std::vector<int32_t>(1 + kQueued, kPoints));
    EXPECT_EQ(form->Series1().PointCount(), kPoints);
    EXPECT_EQ(form->ProgressBar1()->value(), kPoints - 1);
    EXPECT_FALSE(form->PlotRun().DataFile().IsOpen());
    Idle();
    EXPECT_FALSE(Host().IsInvalid());
    EXPECT_FALSE(Host().HasMouseCapture());
    // The series clears itself once more when the window goes, after this test's counts.
    form->Series1().OnClearValues = nullptr;
}

TEST_F(MainWindow, TwoHundredFailedRunsLeaveNoDescriptorOpen) {
    Plot(8);
    MessageBoxCloser closer;
    const std::string missing = dir.PathOf("missing.txt");
    const std::string bad = dir.Write("bad.txt", "1 2\n3 4\n5 x\n");
    const int before = testing::OpenDescriptorCount();
    for (int i = 0; i < 200; ++i) {
        form->Edit1()->setText(QString::fromStdString(i % 2 ? bad : missing));
        PressStart();
        Idle();
    }
    EXPECT_EQ(testing::OpenDescriptorCount(), before);
    ASSERT_EQ(closer.Boxes().size(), 200u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(closer.Boxes()[1].text, QStringLiteral("Invalid numeric input."));
    EXPECT_EQ(form->Series1().PointCount(), 8);
    Plot(5);
    EXPECT_EQ(form->Series1().PointCount(), 5);
    EXPECT_EQ(closer.Boxes().size(), 200u);
}

TEST_F(MainWindow, TheMouseOnAnEmptyChartDoesNoHarm) {
    MessageBoxCloser closer;
    TChart& chart = form->Chart1();
    const Rect plot = chart.PlotRect();
    const int cx = (plot.Left + plot.Right) / 2;
    const int cy = (plot.Top + plot.Bottom) / 2;
    for (int i = 0; i < 5; ++i)
        Wheel(i % 2 ? 120 : -360, cx, cy);
    Drag(Qt::LeftButton, cx - 100, cy - 100, cx + 100, cy + 100); // zoom
    Idle();
    Drag(Qt::RightButton, cx, cy, cx + 150, cy - 70); // pan
    Idle();
    Drag(Qt::LeftButton, cx + 100, cy + 100, cx - 100, cy - 100); // undo
    Drag(Qt::LeftButton, cx, cy, cx, cy);                         // a click
    Drag(Qt::RightButton, plot.Right + 3, cy, plot.Left - 3, cy); // from outside the plot
    Idle();
    EXPECT_TRUE(closer.Boxes().empty());
    EXPECT_FALSE(Host().IsInvalid());
    EXPECT_FALSE(chart.IsZoomed());
    EXPECT_FALSE(Host().HasMouseCapture());

    // Once undone, what the wheel and the pan did to the scales does not hide the next plot.
    Drag(Qt::LeftButton, cx + 100, cy + 100, cx - 100, cy - 100);
    Plot(25);
    EXPECT_TRUE(closer.Boxes().empty());
    ExpectAllPointsInThePlot(*form);
}

TEST_F(MainWindow, ZoomingFarInStopsAtARangeOfTenToTheMinusTen) {
    MessageBoxCloser closer;
    Plot(30);
    TChart& chart = form->Chart1();
    const int frames0 = static_cast<int>(Host().Paints());
    double smallest = INFINITY;
    for (int i = 0; i < 16; ++i) {
        const Rect p = chart.PlotRect();
        const int x = (p.Left + p.Right) / 2;
        const int y = (p.Top + p.Bottom) / 2;
        Drag(Qt::LeftButton, x - 12, y - 12, x + 12, y + 12);
        Idle();
        ASSERT_TRUE(chart.IsZoomed());
        const double range = chart.BottomAxis().Maximum() - chart.BottomAxis().Minimum();
        ASSERT_TRUE(std::isfinite(range));
        ASSERT_GT(range, 0);
        smallest = std::min(smallest, range);
    }
    // Each zoom shrinks the range thirtyfold until the axis holds it at 1e-10.
    EXPECT_LT(smallest, 2e-10);
    EXPECT_GE(smallest, 0.99e-10);
    EXPECT_GE(static_cast<int>(Host().Paints()), frames0 + 16);
    EXPECT_TRUE(closer.Boxes().empty());

    // Undoing brings back every point.
    const Rect p = chart.PlotRect();
    Drag(Qt::LeftButton, p.Left + 300, p.Top + 300, p.Left + 200, p.Top + 200);
    Idle();
    EXPECT_FALSE(chart.IsZoomed());
    ExpectAllPointsInThePlot(*form);
}

TEST_F(MainWindow, PanningFarAwayAndBack) {
    MessageBoxCloser closer;
    Plot(30);
    TChart& chart = form->Chart1();
    const double bottom0 = chart.BottomAxis().Minimum();
    const double left0 = chart.LeftAxis().Minimum();
    const Rect plot = chart.PlotRect();
    for (int i = 0; i < 60; ++i) {
        Drag(Qt::RightButton, plot.Left + 20, plot.Bottom - 20, plot.Right - 20, plot.Top + 20);
        Idle();
    }
    const double bottom = chart.BottomAxis().Minimum();
    // Sixty plot widths to the left and sixty heights down: nothing of the data shows.
    EXPECT_LT(bottom, bottom0 - 50 * (chart.BottomAxis().Maximum() - bottom));
    EXPECT_LT(chart.LeftAxis().Minimum(), left0);
    EXPECT_TRUE(closer.Boxes().empty());

    Drag(Qt::LeftButton, plot.Left + 300, plot.Top + 300, plot.Left + 200, plot.Top + 200);
    Idle();
    EXPECT_TRUE(chart.BottomAxis().Automatic());
    EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), bottom0);
    EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), left0);
    ExpectAllPointsInThePlot(*form);
}

TEST_F(MainWindow, ADroppedFileGoesIntoThePathFieldAndNothingStarts) {
    const std::string path = dir.Write("Мои данные.txt", LineFile(5));
    const uint64_t paints = Host().Paints();
    const auto drop = [&](QWidget* target, const QMimeData& data) {
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    };
    QMimeData files;
    files.setUrls({QUrl(QStringLiteral("https://example.org/a.txt")),
                   QUrl::fromLocalFile(QString::fromStdString(path)),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/second.txt"))});
    // On the window and on the path field itself.
    for (QWidget* target :
         {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(form->Edit1())}) {
        form->Edit1()->setText(QStringLiteral("old"));
        EXPECT_TRUE(drop(target, files));
        EXPECT_EQ(form->Edit1()->text().toStdString(), path);
    }
    Idle();
    EXPECT_EQ(form->Series1().PointCount(), 0);
    EXPECT_LE(Host().Paints(), paints + 1);

    // Nothing local: refused, the field keeps its text.
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
    EXPECT_FALSE(drop(form.get(), remote));
    EXPECT_EQ(form->Edit1()->text().toStdString(), path);
    EXPECT_EQ(DroppedFilePath(nullptr), QString());

    form->ScrollBar1()->setValue(100);
    PressStart();
    Idle();
    EXPECT_EQ(form->Series1().PointCount(), 5);
}

TEST(MainWindowLifetime, ClosingTheWindowRightAfterARun) {
    testing::TempDir dir;
    const std::string path = dir.Write("line.txt", LineFile(40));
    // Closed from the loop the moment the run returns, with the last frame still due.
    {
        TForm1 form;
        form.show();
        form.ScrollBar1()->setValue(100);
        form.Edit1()->setText(QString::fromStdString(path));
        QTimer::singleShot(0, &form, [&] {
            QTest::mouseClick(form.Button1(), Qt::LeftButton);
            form.close();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        watchdog.start(20000);
        EXPECT_EQ(ui::TApplication::Instance()->Run(), 0);
        EXPECT_EQ(form.Series1().PointCount(), 40);
    }
    // Destroyed with the repaint of the last point still queued.
    {
        auto form = std::make_unique<TForm1>();
        form->show();
        form->ScrollBar1()->setValue(100);
        form->Edit1()->setText(QString::fromStdString(path));
        QTest::mouseClick(form->Button1(), Qt::LeftButton);
        ASSERT_TRUE(form->Chart1Window()->IsInvalid());
        form.reset();
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
}

} // namespace
} // namespace vemora
