// The chart's window on a real X server, where it puts a frame's changed pixels there
// itself: what the server's window holds after every frame, after Qt repaints it, after it
// is uncovered, and with a widget lying over the client area.
#include "platform/ui/qt_window_host.h"
#include "support/scattered_client.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace vemora::ui {
namespace {

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// How many pixels of the client area the server's window shows other than the surface
// holds, outside `area` (in the widget's coordinates), or inside it; -1 when they cannot
// be read.
int WrongPixels(const QtWindowHost& host, QRect area = {}, bool inside = false) {
    xcb_connection_t* c = Connection();
    const QPoint at =
        host.mapTo(host.window(), QPoint(QtWindowHost::kEdgeWidth, QtWindowHost::kEdgeWidth));
    const gfx::Bitmap& surface = host.Surface();
    // Asked on Qt's own connection, so answered after everything the window sent there.
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c,
        xcb_get_image(
            c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(host.window()->winId()),
            static_cast<int16_t>(at.x()), static_cast<int16_t>(at.y()),
            static_cast<uint16_t>(surface.Width()), static_cast<uint16_t>(surface.Height()), ~0u),
        nullptr);
    if (!image)
        return -1;
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
    const int e = QtWindowHost::kEdgeWidth;
    int wrong = 0;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            wrong += area.contains(x + e, y + e) == inside &&
                     (pixels[y * surface.Width() + x] & 0xFFFFFF) != surface.At(x, y);
    std::free(image);
    return wrong;
}

class X11Window : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Connection())
            GTEST_SKIP() << "not on an X server";
        top.resize(420, 330);
        host = new QtWindowHost(&top);
        host->SetClient(&client);
        host->SetBounds({13, 17, 413, 317}, true);
        top.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
        QApplication::processEvents();
    }
    void TearDown() override {
        if (host)
            host->SetClient(nullptr);
    }
    // A frame of `count` scattered changes, or a whole one.
    void Frame(int count, bool whole = false) {
        client.whole = whole;
        client.count = count;
        host->Invalidate();
        host->Update();
    }

    QWidget top;
    QtWindowHost* host = nullptr;
    ScatteredClient client;
};

// Many changes go to the server as their bounds, a few as they are: the window shows the
// surface after every frame, also between whole frames and Qt's own repaints.
TEST_F(X11Window, ShowsTheSurfaceAfterEveryFrameItPuts) {
    Frame(0, true);
    const uint64_t putsBefore = host->Puts();
    int parts = 0;
    for (int frame = 0; frame < 40; ++frame) {
        const bool whole = frame % 13 == 12;
        parts += !whole;
        // Qt's own repaint of the whole widget waiting, which runs between two frames.
        if (frame % 7 == 3)
            host->update();
        if (frame % 7 == 4)
            QApplication::processEvents();
        Frame(frame % 3 == 0 ? 5 : 300, whole);
        ASSERT_EQ(WrongPixels(*host), 0) << "frame " << frame;
    }
    EXPECT_EQ(host->Puts() - putsBefore, static_cast<uint64_t>(parts));
    // Resized: the next frames put into a window and memory of the new size.
    top.resize(460, 350);
    host->SetBounds({13, 17, 453, 337}, true);
    QApplication::processEvents();
    for (int frame = 0; frame < 5; ++frame) {
        Frame(300);
        ASSERT_EQ(WrongPixels(*host), 0) << "frame " << frame << " after the resize";
    }
}

// While the pixels put are newer than Qt's picture of the window, an uncovered window is
// repainted from the surface, not shown from that picture.
TEST_F(X11Window, UncoveredAfterFramesItPutShowsTheSurface) {
    Frame(0, true);
    for (int frame = 0; frame < 5; ++frame)
        Frame(300);
    ASSERT_GT(host->Puts(), 0u);
    ASSERT_EQ(WrongPixels(*host), 0);
    QWidget cover;
    cover.setWindowFlag(Qt::X11BypassWindowManagerHint);
    cover.setGeometry(QRect(top.mapToGlobal(QPoint(0, 0)), top.size()));
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    cover.hide();
    // The uncovering reaches Qt as an expose, answered by a paint.
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QApplication::sync();
        QTest::qWait(10);
    }
    EXPECT_EQ(WrongPixels(*host), 0);
}

// Where a widget comes to lie over the client area after frames were put, opaque or one
// to see through, Qt paints the frames from then on: the widget stays, and what Qt shows
// around it is the surface. Once it is gone, frames are put again.
TEST_F(X11Window, LeavesTheFramesToQtWhileAWidgetLiesOverIt) {
    Frame(0, true);
    for (const bool opaque : {true, false}) {
        SCOPED_TRACE(opaque ? "opaque" : "see-through");
        const uint64_t start = host->Puts();
        for (int frame = 0; frame < 3; ++frame)
            Frame(300);
        ASSERT_EQ(WrongPixels(*host), 0);
        const uint64_t putsBefore = host->Puts();
        ASSERT_EQ(putsBefore, start + 3);
        auto* label = new QLabel("over the chart", &top);
        label->setAutoFillBackground(opaque);
        label->setStyleSheet("color: #FF00FF");
        label->setGeometry(100, 100, 120, 30);
        label->show();
        label->raise();
        QApplication::processEvents();
        const QRect under = label->geometry().translated(-host->pos());
        for (int frame = 0; frame < 5; ++frame) {
            Frame(300);
            QApplication::processEvents();
            ASSERT_EQ(WrongPixels(*host, under), 0) << "frame " << frame;
            EXPECT_GT(WrongPixels(*host, under, true), 0) << "frame " << frame;
        }
        EXPECT_EQ(host->Puts(), putsBefore);
        delete label;
        QApplication::processEvents();
    }
    const uint64_t last = host->Puts();
    Frame(300);
    EXPECT_EQ(WrongPixels(*host), 0);
    EXPECT_EQ(host->Puts(), last + 1);
}

} // namespace
} // namespace vemora::ui
