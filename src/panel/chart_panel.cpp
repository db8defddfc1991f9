#include "panel/chart_panel.h"

#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"

#include <cstdio>
#include <utility>

namespace vemora {

namespace {

constexpr int32_t kMin3DPercent = 1;
constexpr int32_t kMax3DPercent = 100;

} // namespace

TCustomChartPanel::TCustomChartPanel(ui::WindowHost* host) : host_(host) {
    windowCanvas_ = std::make_unique<TCanvas>();
    view3DOptions_ = std::make_unique<TView3DOptions>([this] { Invalidate(); });
    auto canvas = std::make_unique<TChartCanvas3D>(windowCanvas_.get());
    canvas->OnInvalidate = [this] { Invalidate(); };
    canvas3D_ = std::move(canvas);
    PlaceWindow();
    if (host_)
        host_->SetClient(this);
    repaintEnabled_ = true;
}

TCustomChartPanel::~TCustomChartPanel() {
    BeginDestroy();
}

void TCustomChartPanel::BeginDestroy() {
    if (host_ && !destroying_)
        host_->SetClient(nullptr);
    destroying_ = true;
    repaintEnabled_ = false;
}

void TCustomChartPanel::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    PlaceWindow();
    Invalidate();
}

void TCustomChartPanel::PlaceWindow() {
    if (host_) {
        host_->SetBounds({left_, top_, SaturateInt32(int64_t{left_} + width_),
                          SaturateInt32(int64_t{top_} + height_)},
                         borderStyle_ == TBorderStyle::bsSingle);
    }
}

void TCustomChartPanel::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_)
        return;
    borderStyle_ = value;
    PlaceWindow();
    Invalidate();
}

void TCustomChartPanel::SetChart3DPercent(int32_t value) {
    if (value < kMin3DPercent || value > kMax3DPercent) {
        char message[80];
        std::snprintf(message, sizeof message, "3D effect percent must be between %d and %d",
                      kMin3DPercent, kMax3DPercent);
        throw ChartException(message);
    }
    SetAndInvalidate(chart3DPercent_, value);
}

void TCustomChartPanel::SetCursor(ui::TCursor value) {
    cursor_ = value;
    if (host_)
        host_->SetCursor(value);
}

void TCustomChartPanel::EndLoading() {
    loading_ = false;
    loadTimeCursor_ = cursor_;
}

void TCustomChartPanel::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int32_t x,
                                  int32_t y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TCustomChartPanel::MouseMove(ui::TShiftState shift, int32_t x, int32_t y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TCustomChartPanel::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int32_t x,
                                int32_t y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TCustomChartPanel::MouseWheel(bool down, ui::TShiftState shift, int32_t x, int32_t y) {
    const TChartMouseMoveEvent& handler = down ? OnMouseWheelDown : OnMouseWheelUp;
    if (handler)
        handler(this, shift, x, y);
}

void TCustomChartPanel::MouseLeave() {
    SetCursor(loadTimeCursor_);
    panning_.Dragging = false;
}

void TCustomChartPanel::SetCanvas3D(std::unique_ptr<TCanvas3D> canvas) {
    if (!canvas)
        return;
    canvas->SetPixelScale(canvas3D_->PixelScale());
    canvas3D_ = std::move(canvas);
    Invalidate();
}

void TCustomChartPanel::ApplyPixelScale(double scale) {
    canvas3D_->SetPixelScale(scale);
    windowCanvas_->SetPixelScale(scale);
}

void TCustomChartPanel::SetPixelScale(double scale) {
    if (scale == PixelScale())
        return;
    ApplyPixelScale(scale);
    Invalidate();
}

void TCustomChartPanel::FollowHostPixelRatio() {
    if (!host_ || host_->PixelRatio() == PixelScale())
        return;
    ApplyPixelScale(host_->PixelRatio());
    canvas3D_->MarkDirty();
    fullFrameDue_ = true;
}

void TCustomChartPanel::SelectFont(const TFont& font) {
    canvas3D_->Font().Assign(font);
}

void TCustomChartPanel::Invalidate() {
    if (!repaintEnabled_)
        return;
    fullFrameDue_ = true;
    canvas3D_->MarkDirty();
    if (host_)
        host_->Invalidate();
}

void TCustomChartPanel::InvalidatePoints() {
    if (!repaintEnabled_)
        return;
    canvas3D_->MarkDirty();
    if (host_)
        host_->Invalidate();
}

void TCustomChartPanel::Update() {
    if (host_ && !destroying_)
        host_->Update();
}

void TCustomChartPanel::Repaint() {
    Invalidate();
    Update();
}

void TCustomChartPanel::PaintWindow(gfx::Bitmap& surface) {
    changedArea_.reset();
    windowCanvas_->SetTarget(&surface);
    if (isPrinting_ || destroying_)
        return;
    FollowHostPixelRatio();
    // A window resized behind the panel's back needs a frame of its new size.
    const Rect client{0, 0, surface.Width(), surface.Height()};
    // The zoom rectangle moves on the screen alone, so a buffered frame holds it at the
    // wrong place or not at all: while it is dragged a paint draws anew, with the rectangle
    // where it is now, and that frame is never copied again once the drag is over.
    const bool zoomFrameShown = zoom_.Dragging;
    if (client != lastClient_ || &surface != lastSurface_ || zoomFrameShown) {
        canvas3D_->MarkDirty();
        fullFrameDue_ = true;
    }
    if (RepaintFromBuffer())
        return;
    lastClient_ = client;
    lastSurface_ = &surface;
    partialAllowed_ = !fullFrameDue_;
    DrawToCanvas(*windowCanvas_, client);
    changedArea_ = frameArea_;
    if (zoomFrameShown) {
        canvas3D_->MarkDirty();
        fullFrameDue_ = true;
    }
}

Rect TCustomChartPanel::OpenCanvas(const Rect& clientRect, TMedium* destination) {
    return canvas3D_->OpenFrame(destination ? destination : windowCanvas_.get(),
                                view3DOptions_.get(), color_, view3D_, clientRect);
}

void TCustomChartPanel::DrawToCanvas(TMedium& destination, const Rect& rect) {
    // Only the window's own frame may keep what the last one drew; a frame drawn anywhere
    // else leaves the buffer as the window's next frame cannot know it.
    const bool partial =
        std::exchange(partialAllowed_, false) && &destination == windowCanvas_.get();
    fullFrameDue_ = false;
    frameArea_.reset();
    CalcPlotRect(OpenCanvas(rect, &destination));
    try {
        partialAllowed_ = partial;
        DrawContents(panelBounds_);
        partialAllowed_ = false;
    } catch (...) {
        // The frame is lost, not the canvas: back to the window, unclipped, and drawn again,
        // whole, at the next paint.
        partialAllowed_ = false;
        frameArea_.reset();
        canvas3D_->LimitDrawing(nullptr);
        canvas3D_->Unclip();
        canvas3D_->LimitPresent(nullptr);
        canvas3D_->PresentFrame(nullptr, windowCanvas_.get(), rect);
        canvas3D_->MarkDirty();
        fullFrameDue_ = true;
        FrameLost();
        throw;
    }
    canvas3D_->PresentFrame(&destination, windowCanvas_.get(), rect);
    if (&destination != windowCanvas_.get()) {
        // The buffer is that destination's: the window's next paint draws anew.
        canvas3D_->MarkDirty();
        fullFrameDue_ = true;
        FrameLost();
    }
}

void TCustomChartPanel::DrawToMedium(TMedium& medium, const Rect& rect) {
    // A page of the medium is drawn at 96 dpi whatever the screen's density.
    const ScreenStateKept kept(*this);
    ApplyPixelScale(1.0);
    canvas3D_->SetMetafiling(true);
    DrawToCanvas(medium, rect);
}

void TCustomChartPanel::DrawForPrinting(gfx::Bitmap& page, double scale) {
    const ScreenStateKept kept(*this);
    isPrinting_ = true;
    ApplyPixelScale(scale);
    TCanvas paper(&page);
    const Rect area{0, 0, page.Width(), page.Height()};
    // The first frame on paper lays the labels out for its size and density, the second is
    // the page.
    DrawToCanvas(paper, area);
    DrawToCanvas(paper, area);
}

TCustomChartPanel::ScreenStateKept::ScreenStateKept(TCustomChartPanel& panel)
    : panel_(panel), scale_(panel.PixelScale()), printing_(panel.isPrinting_) {}

TCustomChartPanel::ScreenStateKept::~ScreenStateKept() {
    panel_.isPrinting_ = printing_;
    panel_.canvas3D_->SetMetafiling(false);
    panel_.ApplyPixelScale(scale_);
}

Rect TCustomChartPanel::PageRect() const {
    if (!host_)
        return {0, 0, Width(), Height()};
    const Rect client = host_->ClientRect();
    const double s = PixelScale();
    return {0, 0, gfx::ScalePixels(client.Width(), 1.0 / s),
            gfx::ScalePixels(client.Height(), 1.0 / s)};
}

void TCustomChartPanel::PaintPanel(const Rect& rect) {
    FillBackground(rect);
    DrawBackImage(rect);
    if (!canvas3D_->SupportsSolids())
        DrawBevels(rect);
}

void TCustomChartPanel::FillBackground(const Rect& rect) {
    if (isPrinting_ && !PanelWhenPrinting)
        return;
    TCanvas3D& canvas = *canvas3D_;
    canvas.Brush().SetColor(color_);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(rect);
}

void TCustomChartPanel::DrawBevels(const Rect& rect) {
    if (isPrinting_ && !PanelWhenPrinting)
        return;
    TCanvas3D& canvas = *canvas3D_;
    canvas.Pen().SetStyle(TPenStyle::psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetMode(TPenMode::pmCopy);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    auto bevel = [&](Rect& r, TPanelBevel kind) {
        if (kind == TPanelBevel::bvNone)
            return;
        const TColor topLeft = kind == TPanelBevel::bvLowered ? clBtnShadow : clBtnHighlight;
        const TColor bottomRight = kind == TPanelBevel::bvRaised ? clBtnShadow : clBtnHighlight;
        canvas.Frame3D(r, topLeft, bottomRight, canvas.Pixels(bevelWidth_));
    };
    Rect r = rect;
    bevel(r, bevelOuter_);
    canvas.Frame3D(r, color_, color_, canvas.Pixels(borderWidth_));
    bevel(r, bevelInner_);
}

void TCustomChartPanel::CalcPlotRect(const Rect& panelBounds) {
    panelBounds_ = panelBounds;
    const auto w = static_cast<int32_t>(std::min<int64_t>(panelBounds.Width(), INT32_MAX));
    const auto h = static_cast<int32_t>(std::min<int64_t>(panelBounds.Height(), INT32_MAX));
    const int64_t border = canvas3D_->Pixels(borderWidth_);
    plotRect_.Left = SaturateInt32(panelBounds.Left + border + MulDiv(MarginLeft(), w, 100));
    plotRect_.Top = SaturateInt32(panelBounds.Top + border + MulDiv(MarginTop(), h, 100));
    plotRect_.Right = SaturateInt32(panelBounds.Right - border - MulDiv(MarginRight(), w, 100));
    plotRect_.Bottom = SaturateInt32(panelBounds.Bottom - border - MulDiv(MarginBottom(), h, 100));
    UpdatePlotSize();
}

void TCustomChartPanel::UpdatePlotSize() {
    Rect& r = plotRect_;
    r.Left = std::max(r.Left, panelBounds_.Left);
    r.Top = std::max(r.Top, panelBounds_.Top);
    // A collapsed rectangle takes the whole control's size; one turned inside out keeps a
    // single pixel.
    if (r.Left > r.Right)
        r.Right = SaturateInt32(int64_t{r.Left} + 1);
    else if (r.Left == r.Right)
        r.Right = SaturateInt32(int64_t{r.Left} + canvas3D_->Pixels(width_));
    if (r.Top > r.Bottom)
        r.Bottom = SaturateInt32(int64_t{r.Top} + 1);
    else if (r.Top == r.Bottom)
        r.Bottom = SaturateInt32(int64_t{r.Top} + canvas3D_->Pixels(height_));
    plotWidth_ = SaturateInt32(r.Width());
    plotHeight_ = SaturateInt32(r.Height());
    plotXCenter_ = static_cast<int32_t>((int64_t{r.Left} + r.Right) / 2);
    plotYCenter_ = static_cast<int32_t>((int64_t{r.Top} + r.Bottom) / 2);
}

TCustomChartPanelExtended::TCustomChartPanelExtended(ui::WindowHost* host)
    : TCustomChartPanel(host) {
    gradient_ = std::make_unique<TChartGradient>([this] { Invalidate(); });
}

void TCustomChartPanelExtended::FillBackground(const Rect& rect) {
    const TChartGradient& g = *gradient_;
    if (!g.Visible()) {
        TCustomChartPanel::FillBackground(rect);
        return;
    }
    // The canvas turns the colours round again for the other directions: the start
    // colour lies at the bottom or right edge whichever way the gradient is set.
    const bool forward = g.Direction() == TGradientDirection::gdTopBottom ||
                         g.Direction() == TGradientDirection::gdLeftRight;
    Canvas3D().FillGradient(rect, forward ? g.StartColor() : g.EndColor(),
                            forward ? g.EndColor() : g.StartColor(), g.Direction());
}

void TCustomChartPanelExtended::DrawBackImage(const Rect& rect) {
    if (!HasBackImage())
        return;
    const gfx::Bitmap& picture = *backImage_;
    TCanvas3D& canvas = Canvas3D();
    switch (backImageMode_) {
    case TBackImageMode::pbmStretch:
        canvas.StretchDraw(rect, picture);
        break;
    case TBackImageMode::pbmCenter:
        canvas.Draw(static_cast<int32_t>((int64_t{rect.Left} + rect.Right - picture.Width()) / 2),
                    static_cast<int32_t>((int64_t{rect.Top} + rect.Bottom - picture.Height()) / 2),
                    picture);
        break;
    case TBackImageMode::pbmTile:
        for (int64_t y = rect.Top; y < rect.Bottom; y += picture.Height()) {
            for (int64_t x = rect.Left; x < rect.Right; x += picture.Width())
                canvas.Draw(static_cast<int32_t>(x), static_cast<int32_t>(y), picture);
        }
        break;
    }
}

void TCustomChartPanelExtended::SetBackImage(std::shared_ptr<const gfx::Bitmap> value) {
    if (value == backImage_)
        return;
    backImage_ = std::move(value);
    Invalidate();
}

} // namespace vemora
