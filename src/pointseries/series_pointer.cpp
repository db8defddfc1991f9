#include "pointseries/series_pointer.h"

#include "platform/numeric/exceptions.h"

namespace vemora {

namespace {

// Keeps the corner arithmetic of a marker (px + h + 1 and the like) inside 32 bits; a centre
// that far off any bitmap draws nothing either way.
void KeepWithinReach(int32_t& px, int32_t& py, int32_t& h, int32_t& v) {
    constexpr int32_t kReach = INT32_MAX / 4;
    px = std::clamp(px, -kReach, kReach);
    py = std::clamp(py, -kReach, kReach);
    h = std::min(h, kReach);
    v = std::min(v, kReach);
}

} // namespace

TSeriesPointer::TSeriesPointer(TPointerOwner* owner) : owner_(owner) {
    auto changed = [this](void*) { Changed(); };
    brush_ = std::make_unique<TChartBrush>(changed);
    pen_ = std::make_unique<TChartPen>(changed);
}

void TSeriesPointer::SetHorizSize(int32_t value) {
    if (value < 1)
        throw ChartException("Pointer size must be greater than zero");
    Store(horizSize_, value);
}

void TSeriesPointer::SetVertSize(int32_t value) {
    if (value < 1)
        throw ChartException("Pointer size must be greater than zero");
    Store(vertSize_, value);
}

void TSeriesPointer::Assign(const TSeriesPointer& source) {
    brush_->Assign(*source.brush_);
    SetDark3D(source.dark3D_);
    SetDraw3D(source.draw3D_);
    SetHorizSize(source.horizSize_);
    SetInflateMargins(source.inflateMargins_);
    pen_->Assign(*source.pen_);
    SetStyle(source.style_);
    SetVertSize(source.vertSize_);
    SetVisible(source.visible_);
}

void TSeriesPointer::PrepareCanvas(TColor color) {
    TCanvas3D& canvas = owner_->PointerCanvas();
    canvas.ApplyChartPen(*pen_);
    if (pen_->Visible() && pen_->Color() == clDefault)
        canvas.Pen().SetColor(color);
    canvas.Brush().Assign(*brush_);
    if (canvas.Brush().Color() == clDefault)
        canvas.Brush().SetColor(color);
}

void TSeriesPointer::Draw(int32_t px, int32_t py, TColor color, TSeriesPointerStyle style) {
    DrawShape(owner_->PointerCanvas(), owner_->PointerView3D(), px, py, HorizPixels(), VertPixels(),
              color, style);
}

void TSeriesPointer::LeaveToolsAsDrawn(int32_t px, int32_t py, TColor color,
                                       TSeriesPointerStyle style) {
    using S = TSeriesPointerStyle;
    PrepareCanvas(color);
    TCanvas3D& canvas = owner_->PointerCanvas();
    // The line styles ink the pen with the point's colour; neither they nor a dot select the
    // brush, so the background stays as it was.
    if (style == S::psCross || style == S::psDiagCross || style == S::psStar) {
        canvas.Pen().SetColor(color);
        return;
    }
    if (style == S::psSmallDot)
        return;
    if (owner_->PointerView3D() && draw3D_) {
        int32_t h = HorizPixels(), v = VertPixels();
        KeepWithinReach(px, py, h, v);
        if (style == S::psRectangle)
            canvas.LeaveToolsAsBox(px - h, px + h, py - v, py + v, owner_->PointerZStart(),
                                   owner_->PointerZEnd(), dark3D_);
        else if (style == S::psTriangle || style == S::psDownTriangle)
            canvas.LeaveToolsAsPyramid();
    }
    // Filling a shape selects the pen and the brush, and a brush just set brings its
    // background with it.
    canvas.SelectTools();
}

void TSeriesPointer::DrawLegendShape(TCanvas3D& canvas, TColor color, const Rect& rect) {
    const int32_t h = static_cast<int32_t>(
        std::max<int64_t>(1, std::min<int64_t>(horizSize_, (rect.Width() - 1) / 2)));
    const int32_t v = static_cast<int32_t>(
        std::max<int64_t>(1, std::min<int64_t>(vertSize_, (rect.Height() - 1) / 2)));
    DrawShape(canvas, false, (rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2, h, v,
              color, style_);
}

void TSeriesPointer::DrawShape(TCanvas3D& canvas, bool is3D, int32_t px, int32_t py, int32_t h,
                               int32_t v, TColor color, TSeriesPointerStyle style) {
    using S = TSeriesPointerStyle;
    KeepWithinReach(px, py, h, v);
    const int32_t left = px - h, right = px + h, top = py - v, bottom = py + v;
    const int32_t zStart = owner_ ? owner_->PointerZStart() : 0;
    const int32_t zMiddle = owner_ ? owner_->PointerZMiddle() : 0;
    const int32_t zEnd = owner_ ? owner_->PointerZEnd() : 0;
    auto cross = [&] {
        canvas.Pen().SetColor(color);
        if (is3D) {
            canvas.VertLineAtDepth(px, top, bottom + 1, zStart);
            canvas.HorizLineAtDepth(left, right + 1, py, zStart);
        } else {
            canvas.VertLine(px, top, bottom + 1);
            canvas.HorizLine(left, right + 1, py);
        }
    };
    auto diagonalCross = [&] {
        canvas.Pen().SetColor(color);
        if (is3D) {
            canvas.LineAtDepth(left, top, right + 1, bottom + 1, zStart);
            canvas.LineAtDepth(right, top, left - 1, bottom + 1, zStart);
        } else {
            canvas.Line(left, top, right + 1, bottom + 1);
            canvas.Line(right, top, left - 1, bottom + 1);
        }
    };
    // The line styles draw the same way in both branches, at depth or flat.
    if (style == S::psCross || style == S::psStar)
        cross();
    if (style == S::psDiagCross || style == S::psStar)
        diagonalCross();
    if (style == S::psCross || style == S::psDiagCross || style == S::psStar)
        return;
    if (is3D) {
        switch (style) {
        case S::psRectangle:
            if (draw3D_)
                canvas.Box(left, right, top, bottom, zStart, zEnd, dark3D_);
            else
                canvas.RectangleAtDepth({left, top, right + 1, bottom + 1}, zStart);
            return;
        case S::psCircle:
            canvas.EllipseAtDepth(left, top, right, bottom, zStart);
            return;
        case S::psTriangle:
        case S::psDownTriangle: {
            const int32_t dv = style == S::psTriangle ? v : -v;
            if (draw3D_)
                canvas.Pyramid(left, py - dv, right, py + dv, zStart, zEnd, dark3D_);
            else
                canvas.TriangleAtDepth({px, py - dv}, {left, py + dv}, {right, py + dv}, zStart);
            return;
        }
        case S::psDiamond:
            canvas.QuadAtDepth({left, py}, {px, top}, {right, py}, {px, bottom}, zStart);
            return;
        case S::psSmallDot:
            canvas.PixelAtDepth(px, py, color, zMiddle);
            return;
        default:
            return;
        }
    }
    switch (style) {
    case S::psRectangle:
        canvas.Rectangle(left, top, right + 1, bottom + 1);
        return;
    case S::psCircle:
        canvas.Ellipse(left, top, right, bottom);
        return;
    case S::psTriangle: {
        const Point p[3] = {{left, bottom}, {right, bottom}, {px, top}};
        canvas.Polygon(p);
        return;
    }
    case S::psDownTriangle: {
        const Point p[3] = {{left, top}, {right, top}, {px, bottom}};
        canvas.Polygon(p);
        return;
    }
    case S::psDiamond: {
        const Point p[4] = {{left, py}, {px, top}, {right, py}, {px, bottom}};
        canvas.Polygon(p);
        return;
    }
    case S::psSmallDot:
        canvas.SetPixel(px, py, color);
        return;
    default:
        return;
    }
}

void TSeriesPointer::HorizMargins(int32_t& left, int32_t& right) const {
    if (visible_ && inflateMargins_) {
        const int32_t margin = horizSize_ < INT32_MAX ? Pixels(horizSize_ + 1) : INT32_MAX;
        left = std::max(left, margin);
        right = std::max(right, margin);
    }
}

void TSeriesPointer::VertMargins(int32_t& top, int32_t& bottom) const {
    if (visible_ && inflateMargins_) {
        const int32_t margin = vertSize_ < INT32_MAX ? Pixels(vertSize_ + 1) : INT32_MAX;
        top = std::max(top, margin);
        bottom = std::max(bottom, margin);
    }
}

} // namespace vemora
