#include "platform/numeric/exceptions.h"
#include "pointseries/series_pointer.h"
#include "support/golden.h"
#include "support/pixel_art.h"

#include <gtest/gtest.h>

namespace vemora {
namespace {

using testing::CountPixels;
using testing::InkBounds;

// Stands in for the point series: a chart canvas with an open frame and a depth slot.
class Owner : public TPointerOwner {
public:
    Owner(int w, int h, bool view3D, int zStart = 0, int zEnd = 4)
        : window_(w, h), windowCanvas_(&window_), canvas_(&windowCanvas_), view3D_(view3D),
          zStart_(zStart), zEnd_(zEnd) {
        canvas_.OpenFrame(&windowCanvas_, &options_, clWhite, view3D, {0, 0, w, h});
        canvas_.Brush().SetColor(clWhite);
        canvas_.FillRect({0, 0, w, h});
        canvas_.SetProjection(zEnd, {}, {0, 0, w, h});
    }
    TCanvas3D& PointerCanvas() override { return canvas_; }
    bool PointerView3D() const override { return view3D_; }
    int32_t PointerZStart() const override { return zStart_; }
    int32_t PointerZMiddle() const override { return (zStart_ + zEnd_) / 2; }
    int32_t PointerZEnd() const override { return zEnd_; }
    void PointerChanged() override { ++changes; }

    const gfx::Bitmap& Drawn() const { return *canvas_.OffscreenBitmap(); }
    TChartCanvas3D& Canvas() { return canvas_; }
    int changes = 0;

private:
    gfx::Bitmap window_;
    TCanvas windowCanvas_;
    TView3DOptions options_;
    TChartCanvas3D canvas_;
    bool view3D_;
    int zStart_, zEnd_;
};

constexpr TSeriesPointerStyle kStyles[] = {
    TSeriesPointerStyle::psRectangle, TSeriesPointerStyle::psCircle,
    TSeriesPointerStyle::psTriangle,  TSeriesPointerStyle::psDownTriangle,
    TSeriesPointerStyle::psCross,     TSeriesPointerStyle::psDiagCross,
    TSeriesPointerStyle::psStar,      TSeriesPointerStyle::psDiamond,
    TSeriesPointerStyle::psSmallDot};

// Every style in a row, drawn as the point series draws them: canvas prepared per point.
gfx::Bitmap DrawAllStyles(bool view3D, bool draw3D) {
    Owner owner(9 * 20 + 10, 24, view3D);
    TSeriesPointer pointer(&owner);
    pointer.Brush().SetColor(clRed);
    pointer.SetDraw3D(draw3D);
    int x = 10;
    for (TSeriesPointerStyle style : kStyles) {
        pointer.PrepareCanvas(clBlue);
        pointer.Draw(x, 12, clBlue, style);
        x += 20;
    }
    return owner.Drawn();
}

TEST(SeriesPointer, EveryStyleIn3D) {
    EXPECT_TRUE(testing::MatchesGolden(DrawAllStyles(true, true), "pointer_styles_3d"));
}

TEST(SeriesPointer, EveryStyleIn3DWithoutSolids) {
    EXPECT_TRUE(testing::MatchesGolden(DrawAllStyles(true, false), "pointer_styles_3d_flat"));
}

TEST(SeriesPointer, EveryStyleFlat) {
    EXPECT_TRUE(testing::MatchesGolden(DrawAllStyles(false, true), "pointer_styles_flat"));
}

TEST(SeriesPointer, ProgramMarkerIsANineByNineBoxWithDepth) {
    Owner owner(240, 240, true, 0, 4);
    TSeriesPointer pointer(&owner);
    pointer.Brush().SetColor(clRed);
    pointer.PrepareCanvas(clGreen); // the explicit brush ignores the point colour
    pointer.Draw(100, 200, clGreen);
    EXPECT_EQ(InkBounds(owner.Drawn(), 0xFFFFFF), (gfx::Rect{96, 192, 109, 205}));
    EXPECT_EQ(owner.Drawn().At(100, 200), 0xFF0000u); // front face
    EXPECT_EQ(owner.Drawn().At(106, 200), 0x7F0000u); // right face
    EXPECT_EQ(owner.Drawn().At(101, 194), 0xBF0000u); // top face
    EXPECT_EQ(CountPixels(owner.Drawn(), 0x008000), 0);
}

TEST(SeriesPointer, FlatRectangleIsTwiceTheSizePlusOne) {
    Owner owner(40, 40, false);
    TSeriesPointer pointer(&owner);
    pointer.SetHorizSize(1);
    pointer.PrepareCanvas(clRed);
    pointer.Draw(10, 10, clRed);
    EXPECT_EQ(InkBounds(owner.Drawn(), 0xFFFFFF), (gfx::Rect{9, 6, 12, 15}));
    EXPECT_EQ(owner.Drawn().At(10, 10), 0xFF0000u); // default brush: the point colour
}

TEST(SeriesPointer, CanvasPreparation) {
    Owner owner(20, 20, true);
    TSeriesPointer pointer(&owner);
    TCanvas3D& canvas = owner.PointerCanvas();

    pointer.PrepareCanvas(clTeal);
    EXPECT_EQ(canvas.Brush().Color(), clTeal);
    EXPECT_EQ(canvas.Pen().Color(), clBlack);
    EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psSolid);

    pointer.Pen().SetColor(clDefault);
    pointer.PrepareCanvas(clNavy);
    EXPECT_EQ(canvas.Pen().Color(), clNavy);

    pointer.Pen().SetVisible(false);
    pointer.PrepareCanvas(clNavy);
    EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psClear);

    pointer.Brush().SetStyle(TBrushStyle::bsDiagCross);
    pointer.Brush().SetColor(clLime);
    pointer.PrepareCanvas(clNavy);
    EXPECT_EQ(canvas.Brush().Style(), TBrushStyle::bsDiagCross);
    EXPECT_EQ(canvas.Brush().Color(), clLime);
}

TEST(SeriesPointer, InvisiblePenAndUndarkenedSides) {
    Owner owner(60, 60, true);
    TSeriesPointer pointer(&owner);
    pointer.Brush().SetColor(clRed);
    pointer.Pen().SetVisible(false);
    pointer.SetDark3D(false);
    pointer.PrepareCanvas(clRed);
    pointer.Draw(30, 30, clRed);
    EXPECT_EQ(CountPixels(owner.Drawn(), 0x000000), 0);
    EXPECT_EQ(CountPixels(owner.Drawn(), 0x7F0000), 0);
    // Front, right and top faces all in the brush colour.
    EXPECT_EQ(InkBounds(owner.Drawn(), 0xFFFFFF), (gfx::Rect{26, 22, 38, 34}));
}

TEST(SeriesPointer, SizesBelowOneAreRefused) {
    Owner owner(10, 10, true);
    TSeriesPointer pointer(&owner);
    try {
        pointer.SetHorizSize(0);
        FAIL() << "size 0 accepted";
    } catch (const ChartException& e) {
        EXPECT_STREQ(e.what(), "Pointer size must be greater than zero");
    }
    EXPECT_THROW(pointer.SetVertSize(-3), ChartException);
    EXPECT_EQ(pointer.HorizSize(), 4);
    EXPECT_EQ(pointer.VertSize(), 4);
    EXPECT_EQ(owner.changes, 0);
}

TEST(SeriesPointer, SettersRepaintOnlyOnChangeAndAssignCopiesAll) {
    Owner owner(10, 10, true);
    TSeriesPointer pointer(&owner);
    pointer.SetStyle(TSeriesPointerStyle::psRectangle);
    pointer.SetVisible(true);
    pointer.SetHorizSize(4);
    EXPECT_EQ(owner.changes, 0);
    pointer.SetStyle(TSeriesPointerStyle::psStar);
    pointer.SetHorizSize(6);
    pointer.Brush().SetColor(clRed);
    pointer.Pen().SetWidth(2);
    EXPECT_EQ(owner.changes, 4);

    Owner other(10, 10, true);
    TSeriesPointer copy(&other);
    copy.Assign(pointer);
    EXPECT_EQ(copy.Style(), TSeriesPointerStyle::psStar);
    EXPECT_EQ(copy.HorizSize(), 6);
    EXPECT_EQ(copy.Brush().Color(), clRed);
    EXPECT_EQ(copy.Pen().Width(), 2);
    EXPECT_GT(other.changes, 0);
}

TEST(SeriesPointer, FarCentresAndHugeSizesDrawSafely) {
    for (bool view3D : {true, false}) {
        Owner owner(20, 20, view3D, INT32_MIN, INT32_MAX);
        TSeriesPointer pointer(&owner);
        pointer.SetHorizSize(INT32_MAX);
        for (TSeriesPointerStyle style : kStyles) {
            pointer.PrepareCanvas(clRed);
            pointer.Draw(INT32_MAX, INT32_MIN, clRed, style);
            pointer.Draw(10, 10, clRed, style);
        }
    }
    SUCCEED(); // the sanitizer build fails on any overflow
}

TEST(SeriesPointer, MarginsLeaveRoomForHalfAMarker) {
    Owner owner(10, 10, true);
    TSeriesPointer pointer(&owner);
    int left = 0, right = 0, top = 0, bottom = 0;
    pointer.HorizMargins(left, right);
    pointer.VertMargins(top, bottom);
    EXPECT_EQ(left, 5);
    EXPECT_EQ(right, 5);
    EXPECT_EQ(top, 5);
    EXPECT_EQ(bottom, 5);

    int wide = 9, narrow = 0;
    pointer.HorizMargins(wide, narrow); // only ever widened
    EXPECT_EQ(wide, 9);
    EXPECT_EQ(narrow, 5);

    for (bool visibleOff : {true, false}) {
        TSeriesPointer p(&owner);
        if (visibleOff)
            p.SetVisible(false);
        else
            p.SetInflateMargins(false);
        int l = 0, r = 0;
        p.HorizMargins(l, r);
        EXPECT_EQ(l, 0);
        EXPECT_EQ(r, 0);
    }
}

} // namespace
} // namespace vemora
