// A plot run in the program's real window: the time from the press on the start button to
// the last frame handed to the X server, with every frame painted as the run paints it.
// Run it under an X server (bench/window_run.sh starts Xvfb): window_run FILE [SPEED].
// Prints "points", "frames", "wall_ms" and, last, "window run: N points, F frames, W ms".
#include "app/Vemora1.h"
#include "chart/chart.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_window_host.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_run FILE [SPEED]\n");
        return 2;
    }
    const int speed = argc > 2 ? std::atoi(argv[2]) : 100;
    vemora::ui::TApplication application(argc, argv);
    vemora::UsePaletteSystemColors(QApplication::palette());
    vemora::TForm1 form;
    application.SetMainWindow(&form);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "The window was not shown.\n");
        return 1;
    }
    form.ScrollBar1()->setValue(speed);
    form.Edit1()->setText(QString::fromLocal8Bit(argv[1]));
    QApplication::processEvents();
    QApplication::sync();
    const uint64_t paintsBefore = form.Chart1Window()->Paints();
    const uint64_t putsBefore = form.Chart1Window()->Puts();
    const auto start = std::chrono::steady_clock::now();
    // The click returns when the run has ended; the loop then paints what the last point
    // left, and the X server has taken every request once sync returns.
    QTest::mouseClick(form.Button1(), Qt::LeftButton);
    QApplication::processEvents();
    QApplication::sync();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const int points = form.Series1().PointCount();
    const uint64_t frames = form.Chart1Window()->Paints() - paintsBefore;
    const uint64_t puts = form.Chart1Window()->Puts() - putsBefore;
    std::printf("points: %d\nframes: %llu\nput_frames: %llu\nwall_ms: %.0f\n", points,
                static_cast<unsigned long long>(frames), static_cast<unsigned long long>(puts), ms);
    std::printf("window run: %d points, %llu frames, %.0f ms\n", points,
                static_cast<unsigned long long>(frames), ms);
    return 0;
}
