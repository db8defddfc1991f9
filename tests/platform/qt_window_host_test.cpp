// The chart's window on Qt: when it paints, what reaches the screen, the edge it draws,
// and the mouse input it hands on in client coordinates.
#include "platform/numeric/exceptions.h"
#include "platform/ui/qt_window_host.h"
#include "support/message_boxes.h"
#include "support/scattered_client.h"

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vemora::ui {
namespace {

// Paints a flat colour and writes down every call it gets.
class RecordingClient final : public WindowClient {
public:
    void PaintWindow(gfx::Bitmap& surface) override {
        ++paints;
        if (OnPaint)
            OnPaint();
        if (changed) {
            const gfx::Rect r = changed->Intersect({0, 0, surface.Width(), surface.Height()});
            for (int32_t y = r.Top; y < r.Bottom; ++y)
                for (int32_t x = r.Left; x < r.Right; ++x)
                    surface.Set(x, y, color);
        } else {
            surface.Fill(color);
        }
    }
    std::optional<std::span<const gfx::Rect>> ChangedArea() const override {
        if (!changed)
            return std::nullopt;
        changedRects.clear();
        if (!changed->IsEmpty())
            changedRects.push_back(*changed);
        return std::span<const gfx::Rect>(changedRects);
    }
    mutable std::vector<gfx::Rect> changedRects;
    void MouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
        calls.push_back("down " + Name(b) + Shift(s) + At(x, y));
        captureSeen = host->HasMouseCapture();
    }
    void MouseMove(TShiftState s, int32_t x, int32_t y) override {
        calls.push_back("move" + Shift(s) + At(x, y));
    }
    void MouseUp(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
        calls.push_back("up " + Name(b) + Shift(s) + At(x, y));
    }
    void MouseWheel(bool down, TShiftState, int32_t x, int32_t y) override {
        calls.push_back(std::string(down ? "wheel down" : "wheel up") + At(x, y));
    }
    void MouseLeave() override { calls.push_back("leave"); }
    void CancelMode() override { calls.push_back("cancel"); }

    static std::string Name(TMouseButton b) {
        return b == TMouseButton::mbLeft ? "left" : b == TMouseButton::mbRight ? "right" : "middle";
    }
    static std::string Shift(TShiftState s) {
        std::string out;
        if (s.Has(TShiftKey::ssShift))
            out += " shift";
        if (s.Has(TShiftKey::ssCtrl))
            out += " ctrl";
        if (s.Has(TShiftKey::ssDouble))
            out += " double";
        return out;
    }
    static std::string At(int32_t x, int32_t y) {
        std::string out = " ";
        out += std::to_string(x);
        out += ',';
        out += std::to_string(y);
        return out;
    }

    QtWindowHost* host = nullptr;
    gfx::Pixel color = 0x123456;
    int paints = 0;
    bool captureSeen = false;
    std::function<void()> OnPaint;
    std::vector<std::string> calls;
    // What the client says a paint changed; nullopt for all of it.
    std::optional<gfx::Rect> changed;
};

class ChartWindow : public ::testing::Test {
protected:
    void SetUp() override {
        top.resize(300, 200);
        host = new QtWindowHost(&top);
        client.host = host;
        host->SetClient(&client);
        host->SetBounds({10, 20, 110, 80}, true);
        top.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
        QApplication::processEvents();
        client.paints = 0;
        client.calls.clear();
    }
    void TearDown() override { host->SetClient(nullptr); }

    QWidget top;
    QtWindowHost* host = nullptr;
    RecordingClient client;
};

TEST_F(ChartWindow, TakesItsEdgeOffTheClientArea) {
    EXPECT_EQ(host->geometry(), QRect(10, 20, 100, 60));
    EXPECT_EQ(host->ClientRect(), (gfx::Rect{0, 0, 96, 56}));
    EXPECT_EQ(host->Surface().Width(), 96);
    host->SetBounds({10, 20, 110, 80}, false);
    EXPECT_EQ(host->ClientRect(), (gfx::Rect{0, 0, 100, 60}));
}

TEST_F(ChartWindow, PaintsOnlyWhenInvalidAndUpdateReturnsWithTheFrameDone) {
    host->Update();
    EXPECT_EQ(client.paints, 0);
    host->Invalidate();
    EXPECT_EQ(client.paints, 0); // invalidation never paints
    EXPECT_TRUE(host->IsInvalid());
    host->Update();
    EXPECT_EQ(client.paints, 1);
    EXPECT_FALSE(host->IsInvalid());
    host->Update();
    EXPECT_EQ(client.paints, 1);
    // An invalidation the paint itself raises stays pending.
    client.OnPaint = [&] { host->Invalidate(); };
    host->Invalidate();
    host->Update();
    EXPECT_EQ(client.paints, 2);
    EXPECT_TRUE(host->IsInvalid());
}

// A paint that changed part of the surface hands only that part to the window system; the
// rest of the window keeps what it showed.
TEST_F(ChartWindow, ShowsOnlyWhatAPaintChanged) {
    host->Invalidate();
    host->Update();
    EXPECT_EQ(host->LastShownArea(), host->ClientRect());
    client.color = 0xFF0000;
    client.changed = gfx::Rect{10, 5, 20, 9};
    host->Invalidate();
    host->Update();
    EXPECT_EQ(host->LastShownArea(), (gfx::Rect{10, 5, 20, 9}));
    const QImage shown = host->grab().toImage();
    const int e = QtWindowHost::kEdgeWidth;
    EXPECT_EQ(shown.pixel(10 + e, 5 + e) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(19 + e, 8 + e) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(20 + e, 8 + e) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(shown.pixel(30 + e, 30 + e) & 0xFFFFFF, 0x123456u);
    // Nothing changed: nothing is handed on. An area beyond the client is cut to it.
    client.changed = gfx::Rect{};
    host->Invalidate();
    host->Update();
    EXPECT_TRUE(host->LastShownArea().IsEmpty());
    client.changed = gfx::Rect{90, 50, 400, 400};
    host->Invalidate();
    host->Update();
    EXPECT_EQ(host->LastShownArea(), (gfx::Rect{90, 50, 96, 56}));
}

// Many changes all over the chart go to the window system as their bounds, and only the
// changed pixels are copied into the window's picture; what the window holds is the
// surface after every frame, also when Qt has a repaint of its own pending or the surface
// is drawn whole.
TEST(ChartWindowPicture, HoldsTheSurfaceAfterEveryFrameOfScatteredChanges) {
    QWidget top;
    top.resize(420, 330);
    auto* host = new QtWindowHost(&top);
    ScatteredClient client;
    host->SetClient(&client);
    host->SetBounds({13, 17, 413, 317}, true);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    QApplication::processEvents();
    const auto same = [&](int frame) {
        QPaintDevice* device = top.backingStore()->paintDevice();
        ASSERT_EQ(device->devType(), QInternal::Image);
        const QImage& picture = *static_cast<QImage*>(device);
        const QPoint at =
            host->mapTo(&top, QPoint(QtWindowHost::kEdgeWidth, QtWindowHost::kEdgeWidth));
        const gfx::Bitmap& surface = host->Surface();
        int wrong = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                wrong += (picture.pixel(at.x() + x, at.y() + y) & 0xFFFFFF) != surface.At(x, y);
        EXPECT_EQ(wrong, 0) << "frame " << frame;
    };
    for (int frame = 0; frame < 40; ++frame) {
        client.whole = frame % 13 == 0;
        // A few changes go as they are, many as their bounds.
        client.count = frame % 3 == 0 ? 5 : 300;
        // Qt's own repaint of the whole widget waiting, which the next joins; or the window
        // resized, its picture made anew.
        if (frame % 7 == 3)
            host->update();
        if (frame % 11 == 5)
            top.resize(top.width() + 10, top.height() + 10);
        host->Invalidate();
        host->Update();
        same(frame);
    }
    QApplication::processEvents();
    same(40);
    host->SetClient(nullptr);
}

TEST_F(ChartWindow, ShowsTheSurfaceInsideTheSunkenEdge) {
    host->Invalidate();
    host->Update();
    const QImage shown = host->grab().toImage();
    const QPalette& p = host->palette();
    const auto rgb = [&](int x, int y) { return shown.pixelColor(x, y).rgb(); };
    EXPECT_EQ(rgb(0, 0), p.color(QPalette::Dark).rgb());
    EXPECT_EQ(rgb(50, 0), p.color(QPalette::Dark).rgb());
    EXPECT_EQ(rgb(1, 1), p.color(QPalette::Shadow).rgb());
    EXPECT_EQ(rgb(0, 30), p.color(QPalette::Dark).rgb());
    EXPECT_EQ(rgb(99, 59), p.color(QPalette::Light).rgb());
    EXPECT_EQ(rgb(50, 59), p.color(QPalette::Light).rgb());
    EXPECT_EQ(rgb(98, 58), p.color(QPalette::Midlight).rgb());
    EXPECT_EQ(rgb(2, 2), 0xFF123456u);
    EXPECT_EQ(rgb(97, 57), 0xFF123456u);
}

TEST_F(ChartWindow, ShowsDirectDrawingWithoutAskingTheClientToPaint) {
    host->Invalidate();
    host->Update();
    const int paints = client.paints;
    // The client draws on the surface it was given, outside a paint.
    const_cast<gfx::Bitmap&>(host->Surface()).Set(5, 5, 0xFF0000);
    host->ShowDirectDrawing();
    EXPECT_EQ(client.paints, paints);
    EXPECT_EQ(host->grab().toImage().pixelColor(7, 7).rgb(), 0xFFFF0000u);
}

TEST_F(ChartWindow, UpdateCarriesAPaintFailureOutAfterTheRepaint) {
    client.OnPaint = [] { throw ChartException("paint failed"); };
    host->Invalidate();
    EXPECT_THROW(host->Update(), ChartException);
    EXPECT_FALSE(host->IsInvalid());
    client.OnPaint = nullptr;
    EXPECT_NO_THROW(host->Update());
}

TEST_F(ChartWindow, APaintFailureFromTheMessageLoopReachesTheTopLevelHandler) {
    testing::MessageBoxCloser closer;
    client.OnPaint = [] { throw ChartException("paint failed"); };
    host->Invalidate();
    // The loop paints, and reports the failure after the paint.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !closer.Boxes().empty(); }, 5000));
    client.OnPaint = nullptr;
    EXPECT_EQ(client.paints, 1);
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_EQ(closer.Boxes()[0].text, QStringLiteral("paint failed."));
}

TEST_F(ChartWindow, HandsOnMouseInputInClientCoordinatesAndKeepsTheMouseWhileHeld) {
    QTest::mousePress(host, Qt::LeftButton, Qt::ShiftModifier, QPoint(12, 22));
    EXPECT_TRUE(client.captureSeen);
    EXPECT_TRUE(host->HasMouseCapture());
    QTest::mouseMove(host, QPoint(30, 40));
    QTest::mouseRelease(host, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(host->HasMouseCapture());
    // A double click as the window system delivers it: click, then a second press that
    // is the double click, then its release.
    QTest::mouseClick(host, Qt::RightButton, Qt::ControlModifier, QPoint(2, 2));
    QTest::mouseDClick(host, Qt::RightButton, Qt::ControlModifier, QPoint(2, 2));
    QTest::mouseRelease(host, Qt::RightButton, Qt::ControlModifier, QPoint(2, 2));
    const std::vector<std::string> expected{"down left shift 10,20", "move 28,38",
                                            "up left 28,38",         "down right ctrl 0,0",
                                            "up right ctrl 0,0",     "down right ctrl double 0,0",
                                            "up right ctrl 0,0"};
    EXPECT_EQ(client.calls, expected);
}

TEST_F(ChartWindow, AddsUpWheelStepsToWholeNotches) {
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(12, 12), QPointF(host->mapToGlobal(QPoint(12, 12))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(host, &e);
    };
    wheel(40);
    wheel(40);
    EXPECT_TRUE(client.calls.empty());
    wheel(40);
    wheel(-360);
    const std::vector<std::string> expected{"wheel up 10,10", "wheel down 10,10",
                                            "wheel down 10,10", "wheel down 10,10"};
    EXPECT_EQ(client.calls, expected);
}

TEST_F(ChartWindow, CancellingTheCaptureTellsTheClient) {
    QTest::mousePress(host, Qt::LeftButton, {}, QPoint(12, 22));
    QtWindowHost::CancelMouseCapture();
    EXPECT_FALSE(host->HasMouseCapture());
    QtWindowHost::CancelMouseCapture(); // nobody holds it now: nothing happens
    QTest::mouseRelease(host, Qt::LeftButton, {}, QPoint(12, 22));
    const std::vector<std::string> expected{"down left 10,20", "cancel", "up left 10,20"};
    EXPECT_EQ(client.calls, expected);
}

TEST_F(ChartWindow, TheCursorFollowsTheClientsChoice) {
    host->SetCursor(TCursor::crCross);
    EXPECT_EQ(host->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(host->Cursor(), TCursor::crCross);
    host->SetCursor(TCursor::crDefault);
    EXPECT_FALSE(host->testAttribute(Qt::WA_SetCursor));
}

} // namespace
} // namespace vemora::ui
