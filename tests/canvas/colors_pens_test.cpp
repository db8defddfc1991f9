#include "canvas/chart_pen.h"
#include "canvas/platform_canvas.h"

#include <gtest/gtest.h>

namespace vemora {
namespace {

TEST(Colors, DarkenSubtractsOnlyFromChannelsAboveTheAmount) {
    EXPECT_EQ(DarkenColor(clRed, 128), 0x00007Fu);
    EXPECT_EQ(DarkenColor(clRed, 64), 0x0000BFu);
    EXPECT_EQ(DarkenColor(clWhite, 128), 0x7F7F7Fu);
    EXPECT_EQ(DarkenColor(0x408040, 64), 0x004000u); // equal to the amount: 0
    EXPECT_EQ(DarkenColor(0x102030, 0), 0x102030u);
}

TEST(Colors, SystemColoursResolveThroughTheProvider) {
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4u);
    EXPECT_EQ(ColorToRGB(clBtnHighlight), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnShadow), clGray);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clTeal), clTeal);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault); // not a system colour
    EXPECT_EQ(DarkenColor(clBtnFace, 128), 0x485054u);

    SetSystemColorProvider([](int32_t index) -> TColor { return index == 15 ? 0x102030 : 0; });
    EXPECT_EQ(ColorToRGB(clBtnFace), 0x102030u);
    EXPECT_EQ(DarkenColor(clBtnFace, 0x10), 0x001020u);
    SetSystemColorProvider(nullptr);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4u);
}

TEST(Colors, PaletteRepeatsEverySixteen) {
    EXPECT_EQ(PaletteColor(0), clRed);
    EXPECT_EQ(PaletteColor(15), clBlack);
    EXPECT_EQ(PaletteColor(16), clRed);
    EXPECT_EQ(PaletteColor(3), clBlue);
}

TEST(ChartPens, FamilyDefaults) {
    EXPECT_TRUE(TChartPen().Visible());
    EXPECT_FALSE(TChartPen().SmallDots());
    EXPECT_FALSE(TChartHiddenPen().Visible());
    EXPECT_EQ(TDottedGrayPen().Color(), clGray);
    EXPECT_EQ(TDottedGrayPen().Style(), TPenStyle::psDot);
    EXPECT_EQ(TDarkGrayPen().Color(), clGray);
    EXPECT_EQ(TDarkGrayPen().Style(), TPenStyle::psSolid);
    EXPECT_EQ(TChartAxisPen().Width(), 2);
    EXPECT_EQ(TChartArrowPen().Color(), clWhite);
    EXPECT_EQ(TChartBrush().Color(), clDefault);
    EXPECT_EQ(TChartBrush().Style(), TBrushStyle::bsSolid);
}

TEST(ChartPens, NotifyOnlyOnChangeAndAssignEverything) {
    int changes = 0;
    TChartPen pen([&](void*) { ++changes; });
    pen.SetColor(clBlack);
    pen.SetVisible(true);
    EXPECT_EQ(changes, 0);
    pen.SetColor(clRed);
    pen.SetSmallDots(true);
    pen.SetVisible(false);
    EXPECT_EQ(changes, 3);

    TChartPen copy;
    copy.Assign(pen);
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_TRUE(copy.SmallDots());
    EXPECT_FALSE(copy.Visible());

    int brushChanges = 0;
    TChartBrush brush([&](void*) { ++brushChanges; });
    brush.SetColor(clDefault);
    brush.SetStyle(TBrushStyle::bsCross);
    EXPECT_EQ(brushChanges, 1);
    EXPECT_FALSE(brush.HasBitmap());
    brush.SetBitmap(std::make_shared<gfx::Bitmap>());
    EXPECT_FALSE(brush.HasBitmap()); // an empty picture is no pattern
    brush.SetBitmap(std::make_shared<gfx::Bitmap>(8, 8));
    EXPECT_TRUE(brush.HasBitmap());
}

TEST(ChartPens, ApplyChartPen) {
    gfx::Bitmap bitmap(4, 4);
    TCanvas canvas(&bitmap);
    canvas.Pen().SetColor(clBlue);
    canvas.Pen().SetWidth(3);

    TChartPen hidden;
    hidden.SetColor(clRed);
    hidden.SetVisible(false);
    ApplyChartPen(canvas, hidden);
    EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psClear);
    EXPECT_EQ(canvas.Pen().Color(), clBlue);
    EXPECT_EQ(canvas.Pen().Width(), 3);

    TChartPen dots;
    dots.SetColor(clBtnShadow);
    dots.SetSmallDots(true);
    ApplyChartPen(canvas, dots);
    EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psAlternate);
    EXPECT_EQ(canvas.Pen().Width(), 1);
    EXPECT_EQ(canvas.Pen().Color(), clGray); // resolved to RGB

    TChartPen wideDots;
    wideDots.SetSmallDots(true);
    wideDots.SetWidth(2);
    wideDots.SetStyle(TPenStyle::psDash);
    ApplyChartPen(canvas, wideDots);
    EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psDash);
    EXPECT_EQ(canvas.Pen().Width(), 2);
}

TEST(ChartFonts, DefaultChartFont) {
    int changes = 0;
    auto font = NewChartFont([&](void*) { ++changes; });
    EXPECT_EQ(font->Name(), "Arial");
    EXPECT_EQ(font->Size(), 8);
    EXPECT_EQ(font->Height(), -11);
    EXPECT_EQ(font->Color(), clBlack);
    EXPECT_TRUE(IsDefaultChartFont(*font));
    EXPECT_EQ(changes, 0);
    font->SetStyle(fsBold);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(IsDefaultChartFont(*font));
    font->SetStyle(0);
    font->SetSize(9);
    EXPECT_FALSE(IsDefaultChartFont(*font));
}

} // namespace
} // namespace vemora
