// The chart canvas: view options, projection, frame and buffer, flat drawing, text, clipping.
#include "canvas/chart_canvas.h"

#include "platform/numeric/extended.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace vemora {

// ---- view options ----

void TView3DOptions::SetHorizOffset(int32_t value) {
    if (Store(horizOffset_, value) && OnScrolled)
        OnScrolled(true);
}

void TView3DOptions::SetVertOffset(int32_t value) {
    if (Store(vertOffset_, value) && OnScrolled)
        OnScrolled(false);
}

void TView3DOptions::SetZoom(int32_t value) {
    if (value == zoom_)
        return;
    if (OnChangedZoom)
        OnChangedZoom(value);
    Store(zoom_, value);
}

void TView3DOptions::Assign(const TView3DOptions& source) {
    SetElevation(source.elevation_);
    SetHorizOffset(source.horizOffset_);
    SetOrthogonal(source.orthogonal_);
    SetPerspective(source.perspective_);
    SetRotation(source.rotation_);
    SetTilt(source.tilt_);
    SetVertOffset(source.vertOffset_);
    SetZoom(source.zoom_);
    SetZoomText(source.zoomText_);
}

// ---- base canvas ----

void TChartCanvas::ResetTools() {
    Pen().SetColor(clBlack);
    Pen().SetWidth(1);
    Pen().SetStyle(TPenStyle::psSolid);
    Brush().SetColor(clWhite);
    Brush().SetStyle(TBrushStyle::bsSolid);
    Font().SetColor(clBlack);
    Font().SetSize(10);
    SetBackColor(clWhite);
    SetBackMode(cbmTransparent);
}

// ---- 3D canvas: frame and projection ----

TChartCanvas3D::TChartCanvas3D(TMedium* windowCanvas) {
    canvas_ = windowCanvas;
}

TChartCanvas3D::~TChartCanvas3D() = default;

Rect TChartCanvas3D::OpenFrame(TMedium* destination, const TView3DOptions* options, TColor,
                               bool is3D, const Rect& userRect) {
    presentLimit_.reset();
    destination_ = destination;
    userRect_ = userRect;
    dirtyDuringFrame_ = false;
    view3DOptions_ = options;
    is3D_ = is3D;
    orthogonal_ = false;
    zoomFactor_ = 1.0;
    if (is3D_ && options) {
        orthogonal_ = options->Orthogonal();
        zoomFactor_ = options->Zoom() * 0.01L;
        zoomText_ = options->ZoomText();
    }
    if (is3D_)
        ComputeViewTrig();
    if (destination)
        destination->SetPixelScale(pixelScale_);
    if (!Buffered()) {
        canvas_ = destination;
        return userRect;
    }
    const int32_t w = static_cast<int32_t>(userRect.Width());
    const int32_t h = static_cast<int32_t>(userRect.Height());
    if (bitmap_ && (bitmap_->Width() != w || bitmap_->Height() != h)) {
        bitmapCanvas_.reset();
        bitmap_.reset();
    }
    if (!bitmap_) {
        bitmap_ = std::make_unique<gfx::Bitmap>(w, h);
        bitmapCanvas_ = std::make_unique<TCanvas>(bitmap_.get());
    }
    bitmapCanvas_->SetPixelScale(pixelScale_);
    canvas_ = bitmapCanvas_.get();
    return Rect{0, 0, w, h};
}

void TChartCanvas3D::ComputeViewTrig() {
    if (orthogonal_)
        return;
    const long double toRad = std::numbers::pi_v<long double> / 180;
    const long double e = (view3DOptions_ ? view3DOptions_->Elevation() : 0) * toRad;
    const long double r = (view3DOptions_ ? view3DOptions_->Rotation() : 0) * toRad;
    const long double t = (view3DOptions_ ? view3DOptions_->Tilt() : 0) * toRad;
    perspectiveFactor_ = 0.0;
    const long double sE = std::sin(e), cE = std::cos(e);
    const long double sR = std::sin(r), cR = std::cos(r);
    const long double sT = std::sin(t), cT = std::cos(t);
    sE_ = sE;
    pX_ = cE * sR;
    mXY_ = static_cast<double>(cE * sT);
    mYY_ = static_cast<double>(std::max(cE * cT, 0.00001L));
    pZ_ = static_cast<double>(cE * cR);
    mXX_ = static_cast<double>(std::max(sR * sE * sT + cR * cT, 0.00001L));
    mYX_ = static_cast<double>(cT * sR * sE - cR * sT);
    mXZ_ = static_cast<double>(cR * sE * sT - cT * sR);
    mYZ_ = static_cast<double>(cR * cT * sE + sR * sT);
}

void TChartCanvas3D::SetProjection(int32_t depth, const Rect&, const Rect& rect) {
    cx_ = SaturateInt32((static_cast<int64_t>(rect.Left) + rect.Right) / 2);
    cy_ = SaturateInt32((static_cast<int64_t>(rect.Top) + rect.Bottom) / 2);
    cz_ = depth / 2;
    ox_ = cx_;
    oy_ = cy_;
    if (view3DOptions_) {
        ox_ = SaturateInt32(static_cast<int64_t>(cx_) + Pixels(view3DOptions_->HorizOffset()));
        oy_ = SaturateInt32(static_cast<int64_t>(cy_) + Pixels(view3DOptions_->VertOffset()));
        if (view3DOptions_->Perspective() > 0)
            perspectiveFactor_ = view3DOptions_->Perspective() / 35000.0L;
    }
}

void TChartCanvas3D::ProjectPoint(int32_t& x, int32_t& y, int32_t z) const {
    if (orthogonal_) {
        const int64_t dx = static_cast<int64_t>(x) + z - cx_;
        const int64_t dy = static_cast<int64_t>(y) - cy_ - z;
        if (zoomFactor_ == 1.0) {
            // The product would be exact anyway; skip the rounding.
            x = SaturateInt32(dx + ox_);
            y = SaturateInt32(dy + oy_);
            return;
        }
        const long double f = zoomFactor_;
        x = SaturateInt32(static_cast<int64_t>(RoundSaturated(f * dx)) + ox_);
        y = SaturateInt32(static_cast<int64_t>(RoundSaturated(f * dy)) + oy_);
        return;
    }
    if (!is3D_)
        return;
    const long double dx = static_cast<long double>(x) - cx_;
    const long double dy = static_cast<long double>(y) - cy_;
    const long double dz = static_cast<long double>(z) - cz_;
    long double f = zoomFactor_;
    if (perspectiveFactor_ > 0)
        f = f * (1 - perspectiveFactor_ * (dx * pX_ - dy * sE_ + dz * pZ_));
    x = SaturateInt32(
        static_cast<int64_t>(RoundSaturated(f * (dx * mXX_ + dy * mXY_ + dz * mXZ_))) + ox_);
    y = SaturateInt32(
        static_cast<int64_t>(RoundSaturated(f * (dx * mYX_ + dy * mYY_ + dz * mYZ_))) + oy_);
}

Point TChartCanvas3D::ProjectPosition(int32_t x, int32_t y, int32_t z) const {
    ProjectPoint(x, y, z);
    return {x, y};
}

void TChartCanvas3D::UnprojectPosition(int32_t& x, int32_t& y, int32_t z) const {
    if (zoomFactor_ == 0)
        return;
    const long double g = 1.0L / zoomFactor_;
    if (orthogonal_) {
        x = SaturateInt32(
            static_cast<int64_t>(RoundSaturated(g * (static_cast<long double>(x) - ox_))) - z +
            cx_);
        y = SaturateInt32(
            static_cast<int64_t>(RoundSaturated(g * (static_cast<long double>(y) - oy_))) + z +
            cy_);
        return;
    }
    if (!is3D_ || mXX_ == 0 || mYY_ == 0)
        return;
    const long double a = x;
    const long double dz = static_cast<long double>(z) - cz_;
    const long double yy = y;
    x = SaturateInt32(static_cast<int64_t>(
                          RoundSaturated((g * (a - ox_) - dz * mXZ_ - (yy - cy_) * mXY_) / mXX_)) +
                      cx_);
    y = SaturateInt32(static_cast<int64_t>(
                          RoundSaturated((g * (yy - oy_) - dz * mYZ_ - (a - cx_) * mYX_) / mYY_)) +
                      cy_);
}

void TChartCanvas3D::Assign(const TCanvas3D& source) {
    SetMonochrome(source.GetMonochrome());
}

void TChartCanvas3D::DrawOnDestination(bool onDestination) {
    if (!bitmapCanvas_ || !destination_)
        return;
    canvas_ = onDestination ? destination_ : bitmapCanvas_.get();
}

void TChartCanvas3D::CopyUnderlay(const std::vector<Rect>* rects) {
    if (!bitmap_ || !destination_)
        return;
    const Rect all{0, 0, bitmap_->Width(), bitmap_->Height()};
    const auto copy = [&](const Rect& r) {
        const Rect area = r.Normalized().Intersect(all);
        if (!area.IsEmpty())
            destination_->Draw(SaturateInt32(int64_t{userRect_.Left} + area.Left),
                               SaturateInt32(int64_t{userRect_.Top} + area.Top),
                               static_cast<int32_t>(area.Width()),
                               static_cast<int32_t>(area.Height()), *bitmap_, area.Left, area.Top);
    };
    if (!rects) {
        copy(all);
        return;
    }
    for (const Rect& r : *rects)
        copy(r);
}

void TChartCanvas3D::LimitDrawing(const gfx::Region* region) {
    if (canvas_)
        canvas_->LimitDrawing(region);
}

void TChartCanvas3D::LimitPresent(const std::vector<Rect>* rects) {
    if (rects)
        presentLimit_ = *rects;
    else
        presentLimit_.reset();
}

void TChartCanvas3D::PresentFrame(TMedium* destination, TMedium* windowCanvas,
                                  const Rect& userRect) {
    if (Buffered() && bitmap_ && destination) {
        const Rect all{0, 0, bitmap_->Width(), bitmap_->Height()};
        const auto copy = [&](const Rect& r) {
            const Rect area = r.Normalized().Intersect(all);
            if (!area.IsEmpty())
                destination->Draw(SaturateInt32(int64_t{userRect.Left} + area.Left),
                                  SaturateInt32(int64_t{userRect.Top} + area.Top),
                                  static_cast<int32_t>(area.Width()),
                                  static_cast<int32_t>(area.Height()), *bitmap_, area.Left,
                                  area.Top);
        };
        if (presentLimit_) {
            for (const Rect& r : *presentLimit_)
                copy(r);
        } else {
            copy(all);
        }
        dirty_ = dirtyDuringFrame_;
    }
    presentLimit_.reset();
    canvas_ = windowCanvas;
}

bool TChartCanvas3D::RepaintFromBuffer() {
    if (dirty_ || !bitmap_ || !canvas_)
        return false;
    canvas_->Draw(0, 0, *bitmap_);
    return true;
}

void TChartCanvas3D::SetOffscreenBuffered(bool value) {
    if (value == offscreenBuffered_)
        return;
    offscreenBuffered_ = value;
    presentLimit_.reset();
    if (!value) {
        bitmapCanvas_.reset();
        bitmap_.reset();
    }
    dirty_ = true;
}

void TChartCanvas3D::SetMonochrome(bool value) {
    if (value == monochrome_)
        return;
    monochrome_ = value;
    presentLimit_.reset();
    bitmapCanvas_.reset();
    bitmap_.reset();
    dirty_ = true;
    if (OnInvalidate)
        OnInvalidate();
}

// ---- flat operations ----

TColor TChartCanvas3D::GetBackColor() const {
    return canvas_->GetBkColor();
}
int TChartCanvas3D::GetBackMode() const {
    return canvas_->GetBkMode();
}
gfx::DeviceContext* TChartCanvas3D::GetHandle() {
    TCanvas* raster = ReferenceCanvas();
    return raster ? &raster->Handle() : nullptr;
}
uint32_t TChartCanvas3D::GetTextAlign() const {
    return canvas_->GetTextAlign();
}
void TChartCanvas3D::SetBackColor(TColor color) {
    canvas_->SetBkColor(color);
}
void TChartCanvas3D::SetBackMode(int mode) {
    canvas_->SetBkMode(mode);
}
void TChartCanvas3D::SetPixel(int32_t x, int32_t y, TColor color) {
    canvas_->SetPixel(x, y, color);
}
void TChartCanvas3D::SetTextAlign(uint32_t align) {
    canvas_->SetTextAlign(align);
}

void TChartCanvas3D::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                         int32_t x4, int32_t y4) {
    canvas_->Arc(x1, y1, x2, y2, x3, y3, x4, y4);
}
void TChartCanvas3D::Draw(int32_t x, int32_t y, const gfx::Bitmap& picture) {
    canvas_->Draw(x, y, picture);
}
void TChartCanvas3D::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    canvas_->Ellipse(x1, y1, x2, y2);
}
void TChartCanvas3D::FillRect(const Rect& rect) {
    canvas_->FillRect(rect);
}

void TChartCanvas3D::Frame3D(Rect& rect, TColor topColor, TColor bottomColor, int32_t width) {
    TMedium& m = *canvas_;
    for (int32_t ring = 0; ring < width; ++ring) {
        const Rect& r = rect;
        if (r.Width() > 0 && r.Height() > 0) {
            m.FillRect({r.Left, r.Top, r.Right - 1, r.Top + 1}, topColor);
            m.FillRect({r.Left, r.Top, r.Left + 1, r.Bottom - 1}, topColor);
            m.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomColor);
            m.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom}, bottomColor);
        }
        rect =
            Rect{SaturateInt32(int64_t{rect.Left} + 1), SaturateInt32(int64_t{rect.Top} + 1),
                 SaturateInt32(int64_t{rect.Right} - 1), SaturateInt32(int64_t{rect.Bottom} - 1)};
    }
}

void TChartCanvas3D::LineTo(int32_t x, int32_t y) {
    canvas_->LineTo(x, y);
}
void TChartCanvas3D::MoveTo(int32_t x, int32_t y) {
    canvas_->MoveTo(x, y);
}
void TChartCanvas3D::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                         int32_t x4, int32_t y4) {
    canvas_->Pie(x1, y1, x2, y2, x3, y3, x4, y4);
}
void TChartCanvas3D::Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    canvas_->Rectangle(x0, y0, x1, y1);
}
void TChartCanvas3D::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                               int32_t y3) {
    canvas_->RoundRect(x1, y1, x2, y2, x3, y3);
}
void TChartCanvas3D::StretchDraw(const Rect& rect, const gfx::Bitmap& picture) {
    canvas_->StretchDraw(rect, picture);
}
void TChartCanvas3D::TextOut(int32_t x, int32_t y, std::string_view text) {
    canvas_->TextOut(x, y, text);
}
int32_t TChartCanvas3D::TextWidth(std::string_view text) {
    return canvas_->TextExtent(text).Width;
}
int32_t TChartCanvas3D::TextHeight(std::string_view text) {
    return canvas_->TextExtent(text).Height;
}

void TChartCanvas3D::ClipToRect(const Rect& rect) {
    // Device units are logical units here: the device context has no mapping mode.
    canvas_->IntersectClipRect(rect);
}

void TChartCanvas3D::HorizLine(int32_t x0, int32_t x1, int32_t y) {
    canvas_->MoveTo(x0, y);
    canvas_->LineTo(x1, y);
}
void TChartCanvas3D::DoRectangle(const Rect& rect) {
    canvas_->Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
}
void TChartCanvas3D::VertLine(int32_t x, int32_t y0, int32_t y1) {
    canvas_->MoveTo(x, y0);
    canvas_->LineTo(x, y1);
}
void TChartCanvas3D::EraseBackground(const Rect& rect) {
    canvas_->FillRect(rect);
}
void TChartCanvas3D::Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    canvas_->MoveTo(x0, y0);
    canvas_->LineTo(x1, y1);
}
void TChartCanvas3D::Polygon(std::span<const Point> points) {
    canvas_->Polygon(points);
}
void TChartCanvas3D::Unclip() {
    canvas_->Unclip();
}

// ---- gradient ----

void TChartCanvas3D::FillGradient(const Rect& rect, TColor a, TColor b,
                                  TGradientDirection direction) {
    using D = TGradientDirection;
    if (direction != D::gdTopBottom && direction != D::gdLeftRight)
        std::swap(a, b);
    gradientBrushes_ += canvas_->FillGradient(rect, a, b, direction);
}

// ---- text ----

int32_t TChartCanvas3D::ScaledFontHeight() const {
    const int32_t size = canvas_->Font().Size();
    const int32_t scaled =
        std::max<int32_t>(1, RoundSaturated(size * static_cast<long double>(zoomFactor_)));
    return scaled == size ? 0
                          : gfx::ScalePixels(-MulDiv(scaled, gfx::kPixelsPerInch, 72), pixelScale_);
}

template <class Adjust>
void TChartCanvas3D::TextWithFont(int32_t x, int32_t y, std::string_view text, Adjust&& adjust) {
    gfx::LogFont font = canvas_->LogicalFont();
    adjust(font);
    ++fontsCreated_;
    canvas_->TextOut(x, y, text, font);
}

void TChartCanvas3D::TextOutAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z) {
    ProjectPoint(x, y, z);
    const int32_t height = zoomText_ && zoomFactor_ != 1.0 ? ScaledFontHeight() : 0;
    if (height == 0) {
        canvas_->TextOut(x, y, text);
        return;
    }
    TextWithFont(x, y, text, [&](gfx::LogFont& log) { log.Height = height; });
}

void TChartCanvas3D::RotatedText(int32_t x, int32_t y, std::string_view text, int32_t angle) {
    if (angle > 360)
        angle -= 360;
    canvas_->Brush().SetStyle(TBrushStyle::bsClear);
    const int32_t height = zoomText_ && zoomFactor_ != 1.0 ? ScaledFontHeight() : 0;
    TextWithFont(x, y, text, [&](gfx::LogFont& log) {
        log.Escapement = angle * 10;
        log.Orientation = angle * 10;
        log.OutPrecision = gfx::OUT_TT_ONLY_PRECIS;
        if (height != 0)
            log.Height = height;
    });
}

void TChartCanvas3D::RotatedTextAtDepth(int32_t x, int32_t y, std::string_view text, int32_t angle,
                                        int32_t z) {
    ProjectPoint(x, y, z);
    RotatedText(x, y, text, angle);
}

Rect TChartCanvas3D::TextBoundsAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z,
                                       int32_t angle, uint32_t align) {
    ProjectPoint(x, y, z);
    // The font the text would be drawn with, as TextOut and TextWithFont make it.
    gfx::LogFont log = canvas_->LogicalFont();
    const int32_t height = zoomText_ && zoomFactor_ != 1.0 ? ScaledFontHeight() : 0;
    if (height != 0)
        log.Height = height;
    if (angle != 0) {
        if (angle > 360)
            angle -= 360;
        log.Escapement = angle * 10;
        log.Orientation = angle * 10;
        log.OutPrecision = gfx::OUT_TT_ONLY_PRECIS;
    }
    return canvas_->TextBounds(x, y, text, log, align);
}

// ---- clipping ----

void TChartCanvas3D::ClipToBox(const Rect& rect, int32_t z0, int32_t z1) {
    if (!is3D_) {
        ClipToRect({SaturateInt32(int64_t{rect.Left} + 1), SaturateInt32(int64_t{rect.Top} + 1),
                    rect.Right, SaturateInt32(int64_t{rect.Bottom} - 1)});
        return;
    }
    if (view3DOptions_ && view3DOptions_->Elevation() == 270 &&
        (view3DOptions_->Rotation() == 270 || view3DOptions_->Rotation() == 360)) {
        const Point a = ProjectPosition(rect.Left, rect.Top, z0);
        const Point b = ProjectPosition(rect.Right, rect.Top, z1);
        ClipToRect({a.X, a.Y, b.X, b.Y});
        return;
    }
    std::array<Point, 6>& q = scratch_;
    q[0] = ProjectPosition(rect.Left, rect.Bottom, z0);
    q[1] = ProjectPosition(rect.Left, rect.Top, z0);
    const Point rightTopFront = ProjectPosition(rect.Right, rect.Top, z0);
    const Point leftTopBack = ProjectPosition(rect.Left, rect.Top, z1);
    q[2] = rightTopFront.Y < leftTopBack.Y ? rightTopFront : leftTopBack;
    q[3] = ProjectPosition(rect.Right, rect.Top, z1);
    const Point rightBottomBack = ProjectPosition(rect.Right, rect.Bottom, z1);
    q[4] = rightTopFront.X > rightBottomBack.X ? rightTopFront : rightBottomBack;
    q[5] = ProjectPosition(rect.Right, rect.Bottom, z0);
    if (q[5].X < q[0].X) {
        q[0].X = q[5].X;
        if (rightTopFront.Y < q[0].Y)
            q[0].Y = rightTopFront.Y;
    }
    canvas_->SelectClipPolygon(q);
}

} // namespace vemora
