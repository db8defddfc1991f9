// The vector medium's documents: what goes into them, and what is left out.
#include "canvas/platform_canvas.h"
#include "canvas/vector_canvas.h"

#include <gtest/gtest.h>
#include <string>

namespace vemora {
namespace {

size_t Occurrences(const std::string& text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct Page {
    explicit Page(TVectorFormat format = TVectorFormat::vfSVG, int32_t w = 100, int32_t h = 80)
        : canvas(
              format, w, h,
              [this](std::string_view bytes) {
                  document.append(bytes);
                  return true;
              },
              "data.txt") {}
    // A marker: a box of a red front and a dark side, as the pointer draws one.
    void Marker(int32_t x, int32_t y) {
        canvas.BeginFigure(x, y);
        canvas.Brush().SetColor(clRed);
        const Point front[4] = {{x - 3, y - 3}, {x + 3, y - 3}, {x + 3, y + 3}, {x - 3, y + 3}};
        canvas.Polygon(front);
        canvas.Brush().SetColor(0x00007F);
        const Point side[4] = {{x + 3, y - 3}, {x + 5, y - 5}, {x + 5, y + 1}, {x + 3, y + 3}};
        canvas.Polygon(side);
        canvas.EndFigure();
    }
    std::string document;
    TVectorCanvas canvas;
};

TEST(VectorCanvas, MarkersHiddenUnderLaterOnesAreLeftOutAndTheRestReferToOneDrawing) {
    Page page;
    page.Marker(50, 40);
    page.Marker(50, 40);
    page.Marker(20, 20);
    // Moved by a pixel: a column of the one before still shows.
    page.Marker(21, 20);
    page.Marker(50, 40);
    ASSERT_TRUE(page.canvas.Finish());
    EXPECT_EQ(page.canvas.HiddenFigures(), 2u);
    // One drawing of the marker, placed three times.
    EXPECT_EQ(Occurrences(page.document, "<use xlink:href=\"#surface"), 3u);
    EXPECT_EQ(Occurrences(page.document, "fill:rgb(100%,0%,0%)"), 1u);
}

TEST(VectorCanvas, AMarkerCutByTheClipKeepsIt) {
    Page page;
    const Point box[4] = {{10, 10}, {60, 10}, {60, 60}, {10, 60}};
    page.canvas.SelectClipPolygon(box);
    page.Marker(30, 30);
    page.Marker(40, 30);
    page.Marker(61, 30); // across the clip's edge
    page.canvas.Unclip();
    ASSERT_TRUE(page.canvas.Finish());
    // The two inside go down without the clip; the one across the edge inside it.
    EXPECT_EQ(Occurrences(page.document, "<clipPath"), 1u + 1u);
}

TEST(VectorCanvas, SingleShapesKeepTheRasterCoverage) {
    Page page;
    page.canvas.Pen().SetColor(clBlack);
    page.canvas.Brush().SetColor(clWhite);
    // A box's outline through the middles of its outer pixels.
    page.canvas.Rectangle(10, 20, 30, 25);
    // A line from its first pixel's edge to the edge before its end point.
    page.canvas.MoveTo(5, 7);
    page.canvas.LineTo(15, 7);
    ASSERT_TRUE(page.canvas.Finish());
    EXPECT_NE(page.document.find("d=\"M 10.5 20.5 L 29.5 20.5 L 29.5 24.5 L 10.5 24.5 Z"),
              std::string::npos)
        << page.document;
    EXPECT_NE(page.document.find("d=\"M 5 7.5 L 15 7.5 \""), std::string::npos) << page.document;
}

TEST(VectorCanvas, APdfPageIsTheSizeAt96DotsPerInchWithItsTitleAndText) {
    Page page(TVectorFormat::vfPDF, 813, 653);
    page.canvas.Font().SetSize(8);
    page.canvas.TextOut(10, 10, "1,000");
    ASSERT_TRUE(page.canvas.Finish());
    EXPECT_TRUE(page.document.starts_with("%PDF-"));
    EXPECT_NE(page.document.find("/MediaBox [ 0 0 609.75 489.75 ]"), std::string::npos);
    EXPECT_NE(page.document.find("/Title (data.txt)"), std::string::npos);
    // The face goes in with the glyphs of the text, as a font of the page.
    EXPECT_NE(page.document.find("/FontFile"), std::string::npos);
}

TEST(VectorCanvas, TextMeasuresAsOnTheRasterCanvas) {
    Page page;
    TCanvas raster;
    for (int size : {8, 10, 23}) {
        page.canvas.Font().SetSize(size);
        raster.Font().SetSize(size);
        for (const char* text : {"0", "1,000", "-12.5", "Wide text"}) {
            EXPECT_EQ(page.canvas.TextExtent(text).Width, raster.TextExtent(text).Width) << text;
            EXPECT_EQ(page.canvas.TextExtent(text).Height, raster.TextExtent(text).Height) << text;
        }
    }
}

TEST(VectorCanvas, AWriterThatFailsFailsTheDocumentAndNothingIsDrawnAfterIt) {
    TVectorCanvas canvas(TVectorFormat::vfPDF, 50, 50, [](std::string_view) { return false; });
    canvas.FillRect({0, 0, 50, 50}, clRed);
    EXPECT_FALSE(canvas.Finish());
    EXPECT_FALSE(canvas.Finish());
    canvas.FillRect({0, 0, 50, 50}, clRed);
    canvas.TextOut(1, 1, "late");
}

// Run under the leak checker: each document's records of repeated markers go with it, also
// when a window makes one document after another.
TEST(VectorCanvas, DocumentsOneAfterAnotherLeaveNothingBehind) {
    for (const TVectorFormat format :
         {TVectorFormat::vfSVG, TVectorFormat::vfSVG, TVectorFormat::vfPDF}) {
        Page page(format);
        for (int32_t x = 10; x < 60; x += 10)
            page.Marker(x, 40);
        ASSERT_TRUE(page.canvas.Finish());
        EXPECT_GT(page.document.size(), 100u);
    }
}

} // namespace
} // namespace vemora
