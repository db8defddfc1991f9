#include "chart/chart_panel.h"

#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"

#include <cstdio>

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
    repaintEnabled_ = true;
}

TCustomChartPanel::~TCustomChartPanel() {
    BeginDestroy();
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

void TCustomChartPanel::SetCanvas3D(std::unique_ptr<TCanvas3D> canvas) {
    if (!canvas)
        return;
    canvas3D_ = std::move(canvas);
    Invalidate();
}

void TCustomChartPanel::Invalidate() {
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

void TCustomChartPanel::CalcPlotRect(const Rect& panelBounds) {
    panelBounds_ = panelBounds;
    const auto w = static_cast<int32_t>(std::min<int64_t>(panelBounds.Width(), INT32_MAX));
    const auto h = static_cast<int32_t>(std::min<int64_t>(panelBounds.Height(), INT32_MAX));
    const int64_t border = borderWidth_;
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
        r.Right = SaturateInt32(int64_t{r.Left} + width_);
    if (r.Top > r.Bottom)
        r.Bottom = SaturateInt32(int64_t{r.Top} + 1);
    else if (r.Top == r.Bottom)
        r.Bottom = SaturateInt32(int64_t{r.Top} + height_);
    plotWidth_ = SaturateInt32(r.Width());
    plotHeight_ = SaturateInt32(r.Height());
    plotXCenter_ = static_cast<int32_t>((int64_t{r.Left} + r.Right) / 2);
    plotYCenter_ = static_cast<int32_t>((int64_t{r.Top} + r.Bottom) / 2);
}

TCustomChartPanelExtended::TCustomChartPanelExtended(ui::WindowHost* host)
    : TCustomChartPanel(host) {
    gradient_ = std::make_unique<TChartGradient>([this] { Invalidate(); });
}

void TCustomChartPanelExtended::SetBackImage(std::shared_ptr<const gfx::Bitmap> value) {
    if (value == backImage_)
        return;
    backImage_ = std::move(value);
    Invalidate();
}

} // namespace vemora
