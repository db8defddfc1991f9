// Printing the chart: the picture drawn for paper with the printing rules, and a page of a
// PDF printer (no printer needs to be installed) that holds it, checked with the poppler
// tools.
#include "app/Vemora1.h"
#include "platform/gfx/png.h"
#include "support/main_window.h"

#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>
#include <regex>
#include <string>

namespace vemora {
namespace {

using testing::MainWindow;

// The light yellow and light green ends of the chart's gradient, as pixels.
constexpr gfx::Pixel kTopYellow = 0xFFFF80, kBottomGreen = 0x80FF80;

int Channel(gfx::Pixel p, int shift) {
    return static_cast<int>((p >> shift) & 0xFF);
}

class Printing : public MainWindow {
protected:
    // Runs a poppler tool; its standard output.
    static std::string Run(const QString& program, const QStringList& arguments) {
        QProcess p;
        p.start(program, arguments);
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return "failed: " + p.readAllStandardError().toStdString();
        return p.readAllStandardOutput().toStdString();
    }
};

TEST_F(Printing, ThePaperPictureHasTheGradientButNoPanelOrBevels) {
    PlotSample();
    TChart& chart = form->Chart1();
    // On the screen the bevel rings the picture: highlight above, shadow below.
    const gfx::Bitmap& screen = Host().Surface();
    EXPECT_NE(screen.At(10, 0), kTopYellow);
    EXPECT_NE(screen.At(10, screen.Height() - 1), kBottomGreen);

    gfx::Bitmap paper(gfx::ScalePixels(813, 3), gfx::ScalePixels(653, 3), 0xFFFFFF);
    chart.DrawForPrinting(paper, 3);
    EXPECT_EQ(paper.At(10, 0), kTopYellow);
    EXPECT_EQ(paper.At(0, 10), paper.At(40, 10));
    EXPECT_EQ(paper.At(10, paper.Height() - 1), kBottomGreen);
    EXPECT_EQ(paper.At(paper.Width() - 1, 10), paper.At(paper.Width() - 40, 10));
    // Drawn three times as dense: the labels' text is the screen's, and printing is over.
    EXPECT_FALSE(chart.IsPrinting());
    EXPECT_EQ(chart.PixelScale(), Host().PixelRatio());
    int64_t red = 0;
    for (int32_t y = 0; y < paper.Height(); ++y)
        for (int32_t x = 0; x < paper.Width(); ++x)
            red += paper.At(x, y) == 0xFF0000;
    EXPECT_GT(red, 2000 * 9);

    // The window's next frame is its own again.
    chart.Invalidate();
    Host().Update();
    EXPECT_EQ(Host().Surface().Width(), screen.Width());
    EXPECT_NE(Host().Surface().At(10, 0), kTopYellow);
}

TEST_F(Printing, APdfPrinterGetsOnePageHoldingTheChart) {
    PlotSample();
    const std::string pdf = dir.PathOf("chart.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(300);
    printer.setOutputFileName(QString::fromStdString(pdf));
    form->PrintChart(printer);

    const std::string info = Run(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    EXPECT_TRUE(std::regex_search(info, std::regex("\nPages: +1\n"))) << info;

    const std::string png = dir.PathOf("page");
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), QString::fromStdString(pdf), QString::fromStdString(png)});
    gfx::Bitmap page;
    ASSERT_TRUE(gfx::ReadPng(png + ".png", page));
    // The chart is what is not white on the page: its box has the chart's proportions and
    // fills the page's width within the margins.
    gfx::Rect box{page.Width(), page.Height(), 0, 0};
    int64_t red = 0;
    for (int32_t y = 0; y < page.Height(); ++y) {
        for (int32_t x = 0; x < page.Width(); ++x) {
            const gfx::Pixel p = page.At(x, y);
            if (p == 0xFFFFFF)
                continue;
            box = box.Union({x, y, x + 1, y + 1});
            red += Channel(p, 16) > 200 && Channel(p, 8) < 60 && Channel(p, 0) < 60;
        }
    }
    ASSERT_FALSE(box.IsEmpty());
    EXPECT_NEAR(static_cast<double>(box.Width()) / box.Height(), 813.0 / 653, 0.02);
    EXPECT_GT(box.Width(), page.Width() * 3 / 4);
    EXPECT_GT(red, 1000);
    // No bevel along its edges: the first row inside is the gradient's yellow end, the
    // last its green end, not the light and dark lines of a raised panel.
    const auto yellowish = [](gfx::Pixel p) { return Channel(p, 0) < 180 && Channel(p, 8) > 230; };
    for (const int32_t x : {box.Left + 20, (box.Left + box.Right) / 2, box.Right - 20}) {
        EXPECT_TRUE(yellowish(page.At(x, box.Top))) << std::hex << page.At(x, box.Top);
        EXPECT_TRUE(yellowish(page.At(x, box.Bottom - 1)))
            << std::hex << page.At(x, box.Bottom - 1);
    }
}

} // namespace
} // namespace vemora
