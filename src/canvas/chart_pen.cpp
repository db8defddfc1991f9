#include "canvas/chart_pen.h"

#include "canvas/platform_canvas.h"
#include "canvas/property.h"
#include "platform/numeric/extended.h"

namespace vemora {

// ---- TPen ----

void TPen::Changed() {
    if (OnChange)
        OnChange(this);
}

void TPen::SetColor(TColor value) {
    if (StoreChanged(color_, value))
        Changed();
}

void TPen::SetWidth(int32_t value) {
    if (StoreChanged(width_, value))
        Changed();
}

void TPen::SetStyle(TPenStyle value) {
    if (StoreChanged(style_, value))
        Changed();
}

void TPen::SetMode(TPenMode value) {
    if (StoreChanged(mode_, value))
        Changed();
}

void TPen::Assign(const TPen& source) {
    bool changed = StoreChanged(color_, source.color_);
    changed |= StoreChanged(width_, source.width_);
    changed |= StoreChanged(style_, source.style_);
    changed |= StoreChanged(mode_, source.mode_);
    if (changed)
        Changed();
}

// ---- chart pens ----

TChartPen::TChartPen(TNotifyEvent onChange) {
    OnChange = std::move(onChange);
}

TChartPen::TChartPen(TNotifyEvent onChange, TColor color, int32_t width, TPenStyle style,
                     bool visible)
    : visible_(visible) {
    SetColor(color);
    SetWidth(width);
    SetStyle(style);
    OnChange = std::move(onChange);
}

void TChartPen::SetSmallDots(bool value) {
    if (StoreChanged(smallDots_, value))
        Changed();
}

void TChartPen::SetVisible(bool value) {
    if (StoreChanged(visible_, value))
        Changed();
}

void TChartPen::Assign(const TChartPen& source) {
    SetVisible(source.visible_);
    SetSmallDots(source.smallDots_);
    TPen::Assign(source);
}

TChartHiddenPen::TChartHiddenPen(TNotifyEvent onChange)
    : TChartPen(std::move(onChange), clBlack, 1, TPenStyle::psSolid, false) {}

TDottedGrayPen::TDottedGrayPen(TNotifyEvent onChange)
    : TChartPen(std::move(onChange), clGray, 1, TPenStyle::psDot, true) {}

TDarkGrayPen::TDarkGrayPen(TNotifyEvent onChange)
    : TChartPen(std::move(onChange), clGray, 1, TPenStyle::psSolid, true) {}

TChartAxisPen::TChartAxisPen(TNotifyEvent onChange)
    : TChartPen(std::move(onChange), clBlack, 2, TPenStyle::psSolid, true) {}

TChartArrowPen::TChartArrowPen(TNotifyEvent onChange)
    : TChartPen(std::move(onChange), clWhite, 1, TPenStyle::psSolid, true) {}

// ---- brushes ----

void TBrush::Changed() {
    if (OnChange)
        OnChange(this);
}

void TBrush::SetColor(TColor value) {
    ++generation_;
    if (StoreChanged(color_, value))
        Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
    ++generation_;
    if (StoreChanged(style_, value))
        Changed();
}

void TBrush::SetBitmap(std::shared_ptr<const gfx::Bitmap> value) {
    ++generation_;
    if (StoreChanged(bitmap_, value))
        Changed();
}

void TBrush::Assign(const TBrush& source) {
    ++generation_;
    bool changed = StoreChanged(color_, source.color_);
    changed |= StoreChanged(style_, source.style_);
    changed |= StoreChanged(bitmap_, source.bitmap_);
    if (changed)
        Changed();
}

TChartBrush::TChartBrush(TNotifyEvent onChange) {
    SetColor(clDefault);
    OnChange = std::move(onChange);
}

// ---- fonts ----

void TFont::Changed() {
    if (OnChange)
        OnChange(this);
}

void TFont::SetName(const std::string& value) {
    if (StoreChanged(name_, value))
        Changed();
}

int32_t TFont::Size() const {
    return -MulDiv(height_, 72, gfx::kPixelsPerInch);
}

void TFont::SetSize(int32_t points) {
    SetHeight(-MulDiv(points, gfx::kPixelsPerInch, 72));
}

void TFont::SetHeight(int32_t value) {
    if (StoreChanged(height_, value))
        Changed();
}

void TFont::SetColor(TColor value) {
    if (StoreChanged(color_, value))
        Changed();
}

void TFont::SetStyle(uint8_t value) {
    if (StoreChanged(style_, value))
        Changed();
}

void TFont::Assign(const TFont& source) {
    bool changed = StoreChanged(name_, source.name_);
    changed |= StoreChanged(height_, source.height_);
    changed |= StoreChanged(color_, source.color_);
    changed |= StoreChanged(style_, source.style_);
    changed |= StoreChanged(charSet_, source.charSet_);
    if (changed)
        Changed();
}

std::unique_ptr<TFont> NewChartFont(TNotifyEvent onChange) {
    auto font = std::make_unique<TFont>();
    font->SetName(kDefaultChartFontName);
    font->SetSize(kDefaultChartFontSize);
    font->SetColor(clBlack);
    font->OnChange = std::move(onChange);
    return font;
}

bool IsDefaultChartFont(const TFont& font) {
    return font.Size() == kDefaultChartFontSize && font.Name() == kDefaultChartFontName &&
           font.Color() == clBlack && font.Style() == 0 && font.CharSet() == gfx::DEFAULT_CHARSET;
}

void ApplyChartPen(TMedium& canvas, const TChartPen& pen) {
    TPen& target = canvas.Pen();
    if (!pen.Visible()) {
        target.SetStyle(TPenStyle::psClear);
        return;
    }
    if (pen.SmallDots() && pen.Width() == 1) {
        target.SetColor(ColorToRGB(pen.Color()));
        target.SetWidth(1);
        target.SetStyle(TPenStyle::psAlternate);
        return;
    }
    target.Assign(pen);
}

} // namespace vemora
