// The main window on a screen denser than 96 dots per inch (the tests run with the Qt
// scale factor set): the chart drawn at the screen's density and shown one to one, the
// same picture as the command-line tool's at that density, and the mouse read in the
// screen's pixels.
#include "app/Vemora1.h"
#include "platform/gfx/png.h"
#include "platform/ui/qt_window_host.h"
#include "support/main_window.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace vemora {
namespace {

using testing::MainWindow;

class DenseWindow : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        ratio = Host().PixelRatio();
        ASSERT_GT(ratio, 1.0) << "run with QT_SCALE_FACTOR set";
    }
    double ratio = 1.0;
};

TEST_F(DenseWindow, TheChartIsDrawnAtTheScreensDensityAndShownOneToOne) {
    const int32_t w = gfx::ScalePixels(813, ratio), h = gfx::ScalePixels(653, ratio);
    EXPECT_EQ(Host().ClientRect(), (Rect{0, 0, w, h}));
    PlotSample();
    const gfx::Bitmap& surface = Host().Surface();
    ASSERT_EQ(surface.Width(), w);
    ASSERT_EQ(surface.Height(), h);
    EXPECT_EQ(form->Chart1().PixelScale(), ratio);
    EXPECT_EQ(form->Chart1().PanelBounds(), (Rect{0, 0, w, h}));

    // What the widget shows inside its edge is the surface, pixel for pixel.
    const QImage shown = Host().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int e = gfx::ScalePixels(ui::QtWindowHost::kEdgeWidth, ratio);
    ASSERT_GE(shown.width(), e + w);
    ASSERT_GE(shown.height(), e + h);
    int64_t differ = 0;
    for (int32_t y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const gfx::Pixel*>(shown.constScanLine(e + y)) + e;
        for (int32_t x = 0; x < w; ++x)
            differ += (row[x] & 0xFFFFFF) != surface.At(x, y);
    }
    EXPECT_EQ(differ, 0);
}

TEST_F(DenseWindow, TheChartIsTheToolsPictureAtThatDensityApartFromTheBevels) {
    PlotSample();
    const std::string png = dir.PathOf("tool.png");
    QProcess tool;
    tool.start(QStringLiteral(VEMORA_PLOT_TOOL),
               {QStringLiteral("render"), QStringLiteral(VEMORA_SOURCE_DIR "/data/proba2.txt"),
                QStringLiteral("--scale"), QString::number(ratio), QStringLiteral("--png"),
                QString::fromStdString(png)});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    gfx::Bitmap picture;
    ASSERT_TRUE(gfx::ReadPng(png, picture));
    const gfx::Bitmap& surface = Host().Surface();
    ASSERT_EQ(picture.Width(), surface.Width());
    ASSERT_EQ(picture.Height(), surface.Height());
    // The bevel is a ring of one pixel of the window's size, in the palette's colours.
    const int32_t bevel = gfx::ScalePixels(1, ratio);
    int64_t differ = 0;
    for (int32_t y = bevel; y < surface.Height() - bevel; ++y)
        for (int32_t x = bevel; x < surface.Width() - bevel; ++x)
            differ += picture.At(x, y) != surface.At(x, y);
    EXPECT_EQ(differ, 0);
}

TEST_F(DenseWindow, TheMouseIsReadInTheScreensPixels) {
    PlotSample();
    TChart& chart = form->Chart1();
    const double before = chart.BottomAxis().Maximum();
    Press(Qt::LeftButton, 300, 200);
    EXPECT_EQ(chart.ZoomRecord().StartX, static_cast<int32_t>(300 * ratio));
    EXPECT_EQ(chart.ZoomRecord().StartY, static_cast<int32_t>(200 * ratio));
    // Twelve pixels of the window: under the threshold of sixteen, however dense.
    Move(312, 212);
    Release(Qt::LeftButton, 312, 212);
    Idle();
    EXPECT_EQ(chart.BottomAxis().Maximum(), before);
    Drag(Qt::LeftButton, 300, 200, 400, 300);
    Idle();
    EXPECT_LT(chart.BottomAxis().Maximum(), before);
}

// After a frame drawn in part, the window repaints the widget's pixels that hold the
// changed device pixels, whole: on a fractional density a device pixel may lie across two.
TEST_F(DenseWindow, APartFrameRepaintsEveryWidgetPixelItTouches) {
    const int e = ui::QtWindowHost::kEdgeWidth;
    const gfx::Rect device{3, 5, 8, 9};
    const QRect widget = Host().ToWidget(device);
    for (int32_t y = device.Top; y < device.Bottom; ++y) {
        for (int32_t x = device.Left; x < device.Right; ++x) {
            // The widget pixels that the device pixel overlaps.
            const QRectF covered((x) / ratio + e, (y) / ratio + e, 1 / ratio, 1 / ratio);
            EXPECT_TRUE(QRectF(widget).contains(covered)) << x << ", " << y;
        }
    }
    // And nothing more than that rounding.
    EXPECT_LE(widget.width(), device.Width() / ratio + 2);
    EXPECT_LE(widget.height(), device.Height() / ratio + 2);
}

TEST_F(DenseWindow, AVectorPageIsTheNormalScreensAndLeavesTheWindowAsItWas) {
    PlotSample();
    TChart& chart = form->Chart1();
    const gfx::Bitmap before = Host().Surface();
    const std::string svg = form->VectorChartPicture(TVectorFormat::vfSVG);
    // The page is the chart at 96 dpi: the window's size, not its device pixels.
    EXPECT_NE(svg.find(R"(width="813px" height="653px")"), std::string::npos) << svg.substr(0, 300);
    EXPECT_EQ(chart.PixelScale(), ratio);

    // The tool's page of the same data at density 1 says the same.
    const std::string path = dir.PathOf("tool.svg");
    QProcess tool;
    tool.start(QStringLiteral(VEMORA_PLOT_TOOL),
               {QStringLiteral("render"), QStringLiteral(VEMORA_SOURCE_DIR "/data/proba2.txt"),
                QStringLiteral("--svg"), QString::fromStdString(path)});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // Apart from the bevel's colours, which the window takes from the palette: the same
    // shapes, and a different fill on at most the four rings of the edge.
    const QStringList window = QString::fromStdString(svg).split(QLatin1Char('\n'));
    const QStringList fromTool = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(window.size(), fromTool.size());
    const QRegularExpression fill(QStringLiteral("fill:rgb\\([^)]*\\)"));
    int recoloured = 0;
    for (qsizetype i = 0; i < window.size(); ++i) {
        if (window[i] == fromTool[i])
            continue;
        ++recoloured;
        EXPECT_EQ(QString(window[i]).remove(fill), QString(fromTool[i]).remove(fill));
    }
    EXPECT_LE(recoloured, 4);

    // The window's next frame is whole and laid out for the window again, with the labels
    // it had.
    chart.Invalidate();
    Host().repaint();
    const gfx::Bitmap& after = Host().Surface();
    ASSERT_EQ(after.Width(), before.Width());
    ASSERT_EQ(after.Height(), before.Height());
    int64_t differ = 0;
    for (int32_t y = 0; y < after.Height(); ++y)
        for (int32_t x = 0; x < after.Width(); ++x)
            differ += after.At(x, y) != before.At(x, y);
    EXPECT_EQ(differ, 0);
}

} // namespace
} // namespace vemora
