// The main window shown offscreen for a test, with the user's ways of driving it: the
// start button, the mouse on the chart, the message loop after a run.
#pragma once

#include "app/Vemora1.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_window_host.h"
#include "support/temp_files.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

namespace vemora::testing {

// n points on a rising line, one pair per line.
inline std::string LineFile(int n) {
    std::ostringstream out;
    for (int i = 0; i < n; ++i)
        out << i << ' ' << 2 * i + 1 << "\r\n";
    return out.str();
}

// A key as the window system delivers it: to the top-level window, queued.
inline void PostKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers = {}) {
    QCoreApplication::postEvent(window->windowHandle(),
                                new QKeyEvent(QEvent::KeyPress, key, modifiers));
    QCoreApplication::postEvent(window->windowHandle(),
                                new QKeyEvent(QEvent::KeyRelease, key, modifiers));
}

// A left click at a window position, queued for the top-level window.
inline void PostClick(QWidget* window, QPoint at) {
    const QPointF local(at);
    const QPointF global(window->mapToGlobal(at));
    QCoreApplication::postEvent(window->windowHandle(),
                                new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(window->windowHandle(),
                                new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>();
        ui::TApplication::Instance()->SetMainWindow(form.get());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
    }
    void TearDown() override {
        form.reset();
        ui::TApplication::Instance()->SetMainWindow(nullptr);
    }

    // The start button as the user presses it; the run happens inside.
    void PressStart() { QTest::mouseClick(form->Button1(), Qt::LeftButton); }
    // What the message loop does after the run: the last invalidation is painted.
    void Idle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    ui::QtWindowHost& Host() { return *form->Chart1Window(); }
    // Window coordinates of a client point of the chart.
    QPoint At(int x, int y) const {
        return {x + ui::QtWindowHost::kEdgeWidth, y + ui::QtWindowHost::kEdgeWidth};
    }
    void Press(Qt::MouseButton b, int x, int y) { QTest::mousePress(&Host(), b, {}, At(x, y)); }
    void Move(int x, int y) { QTest::mouseMove(&Host(), At(x, y)); }
    void Release(Qt::MouseButton b, int x, int y) { QTest::mouseRelease(&Host(), b, {}, At(x, y)); }
    void Drag(Qt::MouseButton b, int x0, int y0, int x1, int y1) {
        Press(b, x0, y0);
        Move((x0 + x1) / 2, (y0 + y1) / 2);
        Move(x1, y1);
        Release(b, x1, y1);
    }
    void Wheel(int delta, int x, int y) {
        QWheelEvent e(QPointF(At(x, y)), QPointF(Host().mapToGlobal(At(x, y))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Host(), &e);
    }
    // Plots a small file at full speed and lets the loop paint the end.
    void Plot(int points) {
        form->ScrollBar1()->setValue(100);
        form->Edit1()->setText(QString::fromStdString(dir.Write("line.txt", LineFile(points))));
        PressStart();
        Idle();
    }

#ifdef VEMORA_SOURCE_DIR
    // The shipped sample plotted as the user plots it, at full speed.
    void PlotSample() {
        form->ScrollBar1()->setValue(100);
        form->SetPathText(QStringLiteral(VEMORA_SOURCE_DIR "/data/proba2.txt"));
        PressStart();
        Idle();
        ASSERT_EQ(form->Series1().PointCount(), 400);
    }
#endif

    TempDir dir;
    std::unique_ptr<TForm1> form;
};

} // namespace vemora::testing
